// The window module on the native Win32 backend, against the real window system (Wine on
// a virtual X display in this project's runs): the class record, the window's styles and
// client size, the pixel format and context, the swap interval, key messages through the
// window procedure, the full-screen path, teardown, libraries, the clock and the boxes.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h makes the character-set-neutral names macros for the ANSI ones; here they
// name the GL loader's own slots, so the macros go before the loader's header is read.
#undef wglUseFontBitmaps
#undef wglUseFontOutlines

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/demo.h"
#include "common/settings.h"
#include "gl/gl.h"
#include "gl/gl_loader.h"
#include "platform/backend.h"
#include "platform/win32/platform_win32.h"
#include "window/window.h"

namespace {

struct Box {
  std::string text;
  std::string caption;
  std::uint32_t type;
};
std::vector<Box> Boxes;

void RecordBox(const char* text, const char* caption, std::uint32_t type) {
  Boxes.push_back({text, caption, type});
}

// Handles every pending message and drops a quit request. (A paint message stays queued
// until it is handled, so messages are dispatched, not merely taken off.)
void DrainQueue() {
  MSG message;
  for (int i = 0; i < 10000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i)
    if (message.message != WM_QUIT) DispatchMessageA(&message);
}

// Runs messages through the table's peek and dispatch, as the main loop does, until the
// condition holds or five seconds have passed. Returns whether the condition held.
template <typename Condition>
bool PumpUntil(Condition condition, bool* quitSeen = nullptr) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > 5000) return false;
    PlatformMessage message;
    if (!Platform.PeekAppMessage(&message)) {
      Sleep(1);
      continue;
    }
    if (message.message == WM_QUIT) {
      if (quitSeen) *quitSeen = true;
      continue;
    }
    Platform.DispatchAppMessage(&message);
    Platform.TranslateAppMessage(&message);
  }
  return true;
}

// Runs messages through the table's peek and dispatch until one with the number comes,
// which is handed back undispatched; false after five seconds without it.
bool NextMessageOf(std::uint32_t number, PlatformMessage* found) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start <= 5000) {
    if (!Platform.PeekAppMessage(found)) {
      Sleep(1);
      continue;
    }
    if (found->message == number) return true;
    if (found->message != WM_QUIT) Platform.DispatchAppMessage(found);
  }
  return false;
}

HWND Window() {
  return static_cast<HWND>(WindowHandle);
}

bool ClassRegistered(WNDCLASSA* windowClass) {
  return GetClassInfoA(GetModuleHandleA(nullptr), "OpenGL", windowClass) != FALSE;
}

bool CursorShowing() {
  CURSORINFO info = {};
  info.cbSize = sizeof(info);
  GetCursorInfo(&info);
  return (info.flags & CURSOR_SHOWING) != 0;
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = {Fullscreen, VSync, ScreenWidth, ScreenHeight};
    InstallPlatformBackend();
    InitGLBinding();
    Platform.ShowMessageBox = RecordBox;
    Boxes.clear();
    ResetWindowState();
    DrainQueue();
  }
  void TearDown() override {
    if (WindowHandle && IsWindow(Window())) DestroyRenderWindow();
    WNDCLASSA windowClass;
    if (ClassRegistered(&windowClass)) UnregisterClassA("OpenGL", GetModuleHandleA(nullptr));
    DrainQueue();
    Fullscreen = saved_.fullscreen;
    VSync = saved_.vsync;
    ScreenWidth = saved_.width;
    ScreenHeight = saved_.height;
  }

 private:
  struct {
    bool fullscreen;
    bool vsync;
    std::int32_t width;
    std::int32_t height;
  } saved_;
};

TEST_F(Win32WindowTest, RegistersTheClassRecordAsAsked) {
  ASSERT_TRUE(CreateRenderWindow());
  WNDCLASSA windowClass = {};
  ASSERT_TRUE(ClassRegistered(&windowClass));
  EXPECT_EQ(windowClass.style, 0x23u);
  EXPECT_EQ(windowClass.hCursor, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(windowClass.hIcon, nullptr);
  EXPECT_EQ(windowClass.hbrBackground, nullptr);
  EXPECT_EQ(windowClass.lpszMenuName, nullptr);
  EXPECT_EQ(windowClass.cbClsExtra, 0);
  EXPECT_EQ(windowClass.cbWndExtra, 0);
  EXPECT_NE(windowClass.lpfnWndProc, nullptr);
}

TEST_F(Win32WindowTest, WindowHasTheClientSizeTitleAndStylesAndTheFocus) {
  ASSERT_TRUE(CreateRenderWindow());
  EXPECT_TRUE(Boxes.empty());
  char text[64] = {};
  GetClassNameA(Window(), text, sizeof(text));
  EXPECT_STREQ(text, "OpenGL");
  GetWindowTextA(Window(), text, sizeof(text));
  EXPECT_STREQ(text, "OpenGL");

  // The client area is the settings' size; the frame and caption come on top of it, with
  // the frame's corner at the screen's corner.
  RECT client = {};
  GetClientRect(Window(), &client);
  EXPECT_EQ(client.right - client.left, 640) << "the size is the client area's";
  EXPECT_EQ(client.bottom - client.top, 480);
  RECT outer = {};
  GetWindowRect(Window(), &outer);
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.top, 0);
  EXPECT_GT(outer.right - outer.left, 640) << "a frame around the client area";
  EXPECT_GT(outer.bottom - outer.top, 480) << "a caption above the client area";
  POINT origin = {0, 0};
  ClientToScreen(Window(), &origin);
  EXPECT_EQ(outer.right - origin.x - 640, origin.x - outer.left)
      << "the frame is even left and right";
  EXPECT_EQ(outer.bottom - origin.y - 480, origin.x - outer.left) << "and as wide at the bottom";

  const DWORD style = static_cast<DWORD>(GetWindowLongA(Window(), GWL_STYLE));
  EXPECT_EQ(style & ~static_cast<DWORD>(WS_VISIBLE), 0x06CF0000u);
  EXPECT_NE(style & WS_VISIBLE, 0u) << "shown after the context was made current";
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(Window(), GWL_EXSTYLE));
  EXPECT_EQ(exStyle & 0x40100u, 0x40100u);
  EXPECT_EQ(exStyle & WS_EX_TOPMOST, 0u);

  EXPECT_EQ(GetFocus(), Window());
  EXPECT_EQ(GetForegroundWindow(), Window());
  EXPECT_TRUE(CursorShowing()) << "a window keeps the cursor";
}

TEST_F(Win32WindowTest, ContextIsCurrentOnADoubleBufferedFormatWithDepth) {
  ASSERT_TRUE(CreateRenderWindow());
  EXPECT_EQ(wglGetCurrentContext(), static_cast<HGLRC>(RenderContextHandle));
  EXPECT_EQ(wglGetCurrentDC(), static_cast<HDC>(DeviceContextHandle));

  const HDC dc = static_cast<HDC>(DeviceContextHandle);
  const int format = GetPixelFormat(dc);
  ASSERT_GT(format, 0);
  PIXELFORMATDESCRIPTOR descriptor = {};
  ASSERT_NE(DescribePixelFormat(dc, format, sizeof(descriptor), &descriptor), 0);
  EXPECT_EQ(descriptor.dwFlags & 0x25u, 0x25u);
  EXPECT_EQ(descriptor.iPixelType, PFD_TYPE_RGBA);
  EXPECT_GE(descriptor.cColorBits, 24);
  EXPECT_GE(descriptor.cDepthBits, 24) << "the scene depth-tests";

  const GLubyte* version = glGetString(GL_VERSION);
  ASSERT_NE(version, nullptr);
  EXPECT_NE(std::string(reinterpret_cast<const char*>(version)), "");
}

unsigned short X87ControlWord() {
  unsigned short word = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(word));
  return word;
}

TEST_F(Win32WindowTest, FloatingPointModeSurvivesWindowCreation) {
  // Exceptions masked, 64-bit significand, round to nearest (bit 6 is reserved and may
  // read as 1).
  const unsigned short start = X87ControlWord();
  ASSERT_EQ(start & 0x0F3F, 0x033F) << "set by the start-up of the GL binding";
  ASSERT_TRUE(CreateRenderWindow());
  EXPECT_EQ(X87ControlWord(), start);
}

typedef int(WINAPI* GetSwapIntervalFn)();

TEST_F(Win32WindowTest, SwapIntervalFollowsTheSettingAndTheTable) {
  VSync = true;
  ASSERT_TRUE(CreateRenderWindow());
  const auto getSwapInterval =
      reinterpret_cast<GetSwapIntervalFn>(ResolveGLProc("wglGetSwapIntervalEXT"));
  ASSERT_NE(getSwapInterval, nullptr) << "the driver offers WGL_EXT_swap_control";
  EXPECT_EQ(getSwapInterval(), 1);
  Platform.SetSwapInterval(0);
  EXPECT_EQ(getSwapInterval(), 0);
  Platform.SetSwapInterval(1);
  EXPECT_EQ(getSwapInterval(), 1);
}

// The interval is set through the table's slot, as every extension entry point is
// called: what sits in the slot is what runs.
std::vector<int> IntervalsAsked;
BOOL WINAPI RecordSwapInterval(int interval) {
  IntervalsAsked.push_back(interval);
  return TRUE;
}

TEST_F(Win32WindowTest, SwapIntervalIsSetThroughItsTableSlot) {
  const EntryPointInfo* entry = FindEntryPoint("wglSwapIntervalEXT");
  ASSERT_NE(entry, nullptr) << "the table has a slot for wglSwapIntervalEXT";
  VSync = false;
  ASSERT_TRUE(CreateRenderWindow());
  EXPECT_NE(*entry->slot, entry->stub) << "the creation's call bound the slot";
  EXPECT_EQ(*entry->slot, ResolveGLProc("wglSwapIntervalEXT"));

  void* const bound = *entry->slot;
  IntervalsAsked.clear();
  GLEntryPointTable::wglSwapIntervalEXT = &RecordSwapInterval;
  Platform.SetSwapInterval(1);
  Platform.SetSwapInterval(0);
  *entry->slot = bound;
  EXPECT_EQ(IntervalsAsked, (std::vector<int>{1, 0}));
}

TEST_F(Win32WindowTest, KeyboardInputReachesKeyStateThroughTheWindowProcedure) {
  ASSERT_TRUE(CreateRenderWindow());
  // Let the window system finish activating the window.
  const DWORD start = GetTickCount();
  PumpUntil([&] { return GetTickCount() - start > 200; });
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = VK_ESCAPE;
  ASSERT_EQ(SendInput(1, &input, sizeof(input)), 1u);
  EXPECT_TRUE(PumpUntil([] { return KeyState[27] == 1; })) << "Escape down";
  input.ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(1, &input, sizeof(input)), 1u);
  EXPECT_TRUE(PumpUntil([] { return KeyState[27] == 0; })) << "Escape up";
}

TEST_F(Win32WindowTest, KeyMessagesAreTranslatedIntoCharacters) {
  ASSERT_TRUE(CreateRenderWindow());
  DrainQueue();
  // Key 'A' down with its scan code, as the keyboard would post it.
  const LPARAM lParam = 1 | (static_cast<LPARAM>(MapVirtualKeyA('A', MAPVK_VK_TO_VSC)) << 16);
  PostMessageA(Window(), WM_KEYDOWN, 'A', lParam);
  PlatformMessage message;
  ASSERT_TRUE(NextMessageOf(WM_KEYDOWN, &message));
  EXPECT_EQ(message.wParam, static_cast<std::uintptr_t>('A'));
  Platform.DispatchAppMessage(&message);
  EXPECT_EQ(KeyState['A'], 1);
  Platform.TranslateAppMessage(&message);
  PlatformMessage character;
  ASSERT_TRUE(NextMessageOf(WM_CHAR, &character)) << "translation queues a character";
  EXPECT_EQ(character.wParam, static_cast<std::uintptr_t>('a'));
}

TEST_F(Win32WindowTest, TeardownReleasesEverythingWithoutAMessage) {
  ASSERT_TRUE(CreateRenderWindow());
  const HWND window = Window();
  DrainQueue();
  DestroyRenderWindow();
  EXPECT_TRUE(Boxes.empty());
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  WNDCLASSA windowClass;
  EXPECT_FALSE(ClassRegistered(&windowClass));
  PlatformMessage message;
  EXPECT_TRUE(NextMessageOf(WM_QUIT, &message)) << "destroying the window posts the quit request";
}

TEST_F(Win32WindowTest, ACloseRequestEndsInTheQuitRequestAndASilentTeardown) {
  ASSERT_TRUE(CreateRenderWindow());
  const HWND window = Window();
  PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  bool quitSeen = false;
  EXPECT_TRUE(PumpUntil([&] { return quitSeen; }, &quitSeen));
  EXPECT_FALSE(IsWindow(window)) << "default processing destroyed the window";
  DestroyRenderWindow();
  EXPECT_TRUE(Boxes.empty()) << (Boxes.empty() ? "" : Boxes[0].text);
  WNDCLASSA windowClass;
  EXPECT_FALSE(ClassRegistered(&windowClass));
}

TEST_F(Win32WindowTest, AModeTheDisplayCannotTakeLeavesAnOrdinaryWindow) {
  Fullscreen = true;
  ScreenWidth = 1000;  // no display offers this mode
  ScreenHeight = 700;
  const DisplayModeRequest mode = {1000, 700, 32, 0x1C0000};
  EXPECT_NE(Platform.SwitchDisplayMode(&mode), DISP_CHANGE_SUCCESSFUL);
  ASSERT_TRUE(CreateRenderWindow());
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].caption, "Error");
  EXPECT_EQ(Boxes[0].text, "Unable to switch to fullscreen!");
  EXPECT_EQ(Boxes[0].type, static_cast<std::uint32_t>(MB_ICONERROR));
  EXPECT_FALSE(Fullscreen);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(Window(), GWL_STYLE));
  EXPECT_EQ(style & ~static_cast<DWORD>(WS_VISIBLE), 0x06CF0000u);
  RECT client = {};
  GetClientRect(Window(), &client);
  EXPECT_EQ(client.right, 1000) << "an ordinary window with the asked size as its client area";
  EXPECT_EQ(client.bottom, 700);
  EXPECT_TRUE(CursorShowing());
}

TEST_F(Win32WindowTest, FullScreenAtTheDisplaysOwnModeUsesAPopupAndHidesTheCursor) {
  Fullscreen = true;
  ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
  ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_TRUE(CreateRenderWindow());
  EXPECT_TRUE(Boxes.empty()) << (Boxes.empty() ? "" : Boxes[0].text);
  EXPECT_TRUE(Fullscreen);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(Window(), GWL_STYLE));
  EXPECT_EQ(style & ~static_cast<DWORD>(WS_VISIBLE), 0x86000000u);
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(Window(), GWL_EXSTYLE));
  EXPECT_NE(exStyle & WS_EX_APPWINDOW, 0u);
  EXPECT_EQ(exStyle & WS_EX_WINDOWEDGE, 0u);
  RECT outer = {};
  GetWindowRect(Window(), &outer);
  EXPECT_EQ(outer.right - outer.left, ScreenWidth);
  EXPECT_EQ(outer.bottom - outer.top, ScreenHeight);
  EXPECT_FALSE(CursorShowing());
  DestroyRenderWindow();
  EXPECT_TRUE(CursorShowing()) << "the teardown shows the cursor again";
  EXPECT_TRUE(Boxes.empty());
}

TEST(Win32Libraries, LoadAndLookUpAsTheLoaderExpects) {
  InstallPlatformBackend();
  const PlatformHandle gl = Platform.LoadSharedLibrary("OpenGL32.dll");
  ASSERT_NE(gl, nullptr);
  EXPECT_NE(Platform.FindExport(gl, "wglGetProcAddress"), nullptr);
  EXPECT_NE(Platform.FindExport(gl, "glGetString"), nullptr);
  EXPECT_EQ(Platform.FindExport(gl, "NoSuchEntryPoint"), nullptr);
  EXPECT_EQ(Platform.FindExport(nullptr, "wglGetProcAddress"), nullptr)
      << "the program itself exports nothing";
  const PlatformHandle glu = Platform.LoadSharedLibrary("GLU32.dll");
  ASSERT_NE(glu, nullptr);
  EXPECT_NE(Platform.FindExport(glu, "gluErrorString"), nullptr);
  EXPECT_EQ(Platform.LoadSharedLibrary("NoSuchLibrary.dll"), nullptr);
  Platform.FreeSharedLibrary(glu);
  Platform.FreeSharedLibrary(gl);
}

TEST(Win32Libraries, LoadingBindsTheCoreWGLSlotsByTheirExportNames) {
  InstallPlatformBackend();
  InitGLBinding();
  ASSERT_TRUE(LoadGLLibraries(GL_LIBRARY_NAME, GLU_LIBRARY_NAME));
  const struct {
    void* slot;
    const char* lookedUp;
  } cases[] = {
      {reinterpret_cast<void*>(WGLCoreSlots::wglCreateContext), "wglCreateContext"},
      {reinterpret_cast<void*>(WGLCoreSlots::wglMakeCurrent), "wglMakeCurrent"},
      {reinterpret_cast<void*>(WGLCoreSlots::wglSwapLayerBuffers), "wglSwapLayerBuffers"},
      {reinterpret_cast<void*>(WGLCoreSlots::wglUseFontBitmapsW), "wglUseFontBitmapsW"},
      // The character-set-neutral slots hold the ANSI exports.
      {reinterpret_cast<void*>(WGLCoreSlots::wglUseFontBitmaps), "wglUseFontBitmapsA"},
      {reinterpret_cast<void*>(WGLCoreSlots::wglUseFontOutlines), "wglUseFontOutlinesA"},
  };
  for (const auto& c : cases) {
    EXPECT_NE(c.slot, nullptr) << c.lookedUp;
    EXPECT_EQ(c.slot, ResolveGLProc(c.lookedUp)) << c.lookedUp;
  }
  UnloadGLLibraries();
  EXPECT_EQ(WGLCoreSlots::wglUseFontBitmaps, nullptr);
  InstallEntryPointStubs();
}

TEST(Win32Clock, MillisecondsFollowTheCounter) {
  InstallPlatformBackend();
  EXPECT_GT(Platform.CounterFrequency(), 0);
  const std::int64_t first = Platform.CounterValue();
  const std::int32_t before = GetTimeMs();
  Sleep(60);
  const std::int32_t after = GetTimeMs();
  EXPECT_GE(Platform.CounterValue(), first);
  EXPECT_GE(after - before, 50);
}

TEST(Win32Text, Utf8BecomesUtf16AndAsciiIsRecognised) {
  EXPECT_EQ(WideFromUtf8("Ошибка"), L"Ошибка");
  EXPECT_EQ(WideFromUtf8("Не могу удалить окно"), L"Не могу удалить окно");
  EXPECT_EQ(WideFromUtf8(""), L"");
  EXPECT_TRUE(IsPlainAscii("Unable to create window!"));
  EXPECT_FALSE(IsPlainAscii("Ошибка"));
}

// Finds the box with the caption on the screen within ten seconds, notes its text, checks
// that it stays up, then presses its OK button.
struct BoxWatcher {
  std::wstring caption;
  std::wstring text;
  std::atomic<bool> found{false};
  std::atomic<bool> stayedUp{false};
  std::thread thread;

  explicit BoxWatcher(const wchar_t* wanted) : caption(wanted) {
    thread = std::thread([this] {
      HWND box = nullptr;
      for (int i = 0; i < 1000 && !box; ++i) {
        box = FindWindowW(L"#32770", caption.c_str());
        if (!box) Sleep(10);
      }
      if (!box) return;
      found = true;
      wchar_t buffer[512] = {};
      GetDlgItemTextW(box, 0xFFFF, buffer, 512);
      text = buffer;
      Sleep(300);
      stayedUp = IsWindow(box) && IsWindowVisible(box);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
  }
  ~BoxWatcher() {
    if (thread.joinable()) thread.join();
  }
};

TEST(Win32MessageBox, TeardownTextsReadRightWhateverTheCodePage) {
  InstallPlatformBackend();
  BoxWatcher watcher(L"Ошибка");
  Platform.ShowMessageBox("Не могу удалить окно", "Ошибка", MB_ICONERROR);
  watcher.thread.join();
  ASSERT_TRUE(watcher.found);
  EXPECT_EQ(watcher.text, L"Не могу удалить окно");
}

TEST(Win32MessageBox, APendingQuitRequestDoesNotCloseTheBoxAndIsKept) {
  InstallPlatformBackend();
  DrainQueue();
  PostQuitMessage(0);  // as after a teardown that destroyed the window
  BoxWatcher watcher(L"Error");
  Platform.ShowMessageBox("Unable to create window!", "Error", MB_ICONERROR);
  watcher.thread.join();
  ASSERT_TRUE(watcher.found);
  EXPECT_TRUE(watcher.stayedUp) << "the box waits for the user";
  EXPECT_EQ(watcher.text, L"Unable to create window!");
  MSG message;
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the quit request is still queued";
}

}  // namespace
