// The native Win32/WGL backend: each table operation is the Win32, GDI, WGL or kernel32
// call it is named after, with the values the window module asks for.
#include "platform/win32/platform_win32.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "common/settings.h"
#include "gl/gl.h"
#include "platform/backend.h"

// The Win32 names the platform header lists have windows.h's values, so that the code that
// takes them from the platform header agrees with the code that takes them from here.
#define CHECK_WIN32_CONSTANT(type, name, value) \
  static_assert(name == value, #name " has the value the platform header lists");
PLATFORM_WIN32_CONSTANTS(CHECK_WIN32_CONSTANT)
#undef CHECK_WIN32_CONSTANT

namespace {

WindowProcFn RegisteredProc = nullptr;
MSG LastMessage = {};  // the record last taken off the queue, dispatched as it came

static_assert(sizeof(DEVMODEA) == 156, "the display-mode record is 156 bytes");
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the pixel-format descriptor is 40 bytes");
static_assert((CS_HREDRAW | CS_VREDRAW | CS_OWNDC) == 0x23, "class style");
static_assert((WS_EX_APPWINDOW | WS_EX_WINDOWEDGE) == 0x40100, "window extended style");
static_assert((WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN) == 0x06CF0000,
              "window style");
static_assert(WS_EX_APPWINDOW == 0x40000, "full-screen extended style");
static_assert((WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN) == 0x86000000u, "full-screen style");

// What the window system calls: hands every message to the procedure the window module
// registered.
LRESULT CALLBACK WindowProcTrampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!RegisteredProc) return DefWindowProcA(window, message, wParam, lParam);
  return static_cast<LRESULT>(RegisteredProc(window, message, wParam, lParam));
}

PlatformHandle Win32LoadSharedLibrary(const char* name) {
  return LoadLibraryA(name);
}

// A null handle asks the executable itself, which exports nothing.
void* Win32FindExport(PlatformHandle library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void Win32FreeSharedLibrary(PlatformHandle library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

std::int64_t Win32CounterFrequency() {
  LARGE_INTEGER frequency = {};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

std::int64_t Win32CounterValue() {
  LARGE_INTEGER count = {};
  QueryPerformanceCounter(&count);
  return count.QuadPart;
}

// The program's texts are UTF-8. Plain ASCII goes to MessageBoxA as it is; anything else
// (the Russian teardown texts) goes to MessageBoxW, so that it reads right whatever the
// system's ANSI code page.
void Win32ShowMessageBox(const char* text, const char* caption, std::uint32_t type) {
  // A quit request already queued (the teardown destroyed the window) would end the box's
  // modal loop at once, before anyone saw it: it is held back while the box is up.
  MSG quit;
  const bool quitPending = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  int result = 0;
  if (IsPlainAscii(text) && IsPlainAscii(caption))
    result = MessageBoxA(nullptr, text, caption, type);
  else
    result = MessageBoxW(nullptr, WideFromUtf8(text).c_str(), WideFromUtf8(caption).c_str(), type);
  if (result == 0) {
    // No box could be shown: the text goes to standard error instead.
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
  }
  if (quitPending) PostQuitMessage(static_cast<int>(quit.wParam));
}

PlatformHandle Win32ModuleHandle() {
  return GetModuleHandleA(nullptr);
}

bool Win32RegisterWindowClass(const char* className, WindowProcFn proc, PlatformHandle module) {
  RegisteredProc = proc;
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = WindowProcTrampoline;
  windowClass.hInstance = static_cast<HINSTANCE>(module);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = className;
  return RegisterClassA(&windowClass) != 0;
}

bool Win32UnregisterWindowClass(const char* className, PlatformHandle module) {
  return UnregisterClassA(className, static_cast<HINSTANCE>(module)) != 0;
}

std::int32_t Win32SwitchDisplayMode(const DisplayModeRequest* mode) {
  DEVMODEA record = {};
  record.dmSize = sizeof(record);
  record.dmPelsWidth = mode->width;
  record.dmPelsHeight = mode->height;
  record.dmBitsPerPel = mode->bitsPerPel;
  record.dmFields = mode->fields;
  return ChangeDisplaySettingsA(&record, CDS_FULLSCREEN);
}

void Win32RestoreDisplayMode() {
  ChangeDisplaySettingsA(nullptr, 0);
}

void Win32ShowPointer(bool show) {
  ShowCursor(show ? TRUE : FALSE);
}

// The size is the client area, so the fixed viewport covers exactly what is shown: a
// window gets a frame and caption around it, with its outer corner at the screen's corner;
// a full-screen popup has no frame and is the size as given.
PlatformHandle Win32OpenWindow(const char* className, const char* title, bool fullscreen, int width,
                               int height, PlatformHandle module) {
  const DWORD exStyle = fullscreen ? WS_EX_APPWINDOW : WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
  const DWORD style = fullscreen ? WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
                                 : WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  int outerWidth = width, outerHeight = height;
  if (!fullscreen) {
    RECT frame = {0, 0, width, height};
    if (AdjustWindowRectEx(&frame, style, FALSE, exStyle)) {
      outerWidth = frame.right - frame.left;
      outerHeight = frame.bottom - frame.top;
    }
  }
  HWND window = CreateWindowExA(exStyle, className, title, style, 0, 0, outerWidth, outerHeight,
                                nullptr, nullptr, static_cast<HINSTANCE>(module), nullptr);
  // Files dropped on the window arrive as WM_DROPFILES.
  if (window) DragAcceptFiles(window, TRUE);
  return window;
}

PlatformHandle Win32GetDeviceContext(PlatformHandle window) {
  return GetDC(static_cast<HWND>(window));
}

PIXELFORMATDESCRIPTOR DescriptorFor(const PixelFormatRequest* request) {
  PIXELFORMATDESCRIPTOR descriptor = {};
  descriptor.nSize = request->size;
  descriptor.nVersion = request->version;
  descriptor.dwFlags = request->flags;
  descriptor.iPixelType = request->pixelType;
  descriptor.cColorBits = request->colorBits;
  descriptor.cDepthBits = request->depthBits;
  descriptor.cStencilBits = request->stencilBits;
  descriptor.iLayerType = request->layerType;
  return descriptor;
}

int Win32ChoosePixelFormat(PlatformHandle dc, const PixelFormatRequest* request) {
  const PIXELFORMATDESCRIPTOR descriptor = DescriptorFor(request);
  return ChoosePixelFormat(static_cast<HDC>(dc), &descriptor);
}

bool Win32SetPixelFormat(PlatformHandle dc, int format, const PixelFormatRequest* request) {
  const PIXELFORMATDESCRIPTOR descriptor = DescriptorFor(request);
  return SetPixelFormat(static_cast<HDC>(dc), format, &descriptor) != FALSE;
}

// WGL_ARB_create_context(_profile) and WGL_EXT_create_context_es2_profile's attributes.
constexpr int WglContextMajorVersion = 0x2091;
constexpr int WglContextMinorVersion = 0x2092;
constexpr int WglContextProfileMask = 0x9126;
constexpr int WglContextCoreProfileBit = 0x1;
constexpr int WglContextES2ProfileBit = 0x4;

// A compatibility context as wglCreateContext makes it; a core or ES context from
// wglCreateContextAttribsARB, which the driver offers only once a context is current: a
// plain one is made for the look-up, then deleted.
PlatformHandle Win32CreateGLContext(PlatformHandle dc) {
  const HDC hdc = static_cast<HDC>(dc);
  const HGLRC plain = wglCreateContext(hdc);
  if (ContextKind == GLContextKind::Compatibility || !plain) return plain;
  HGLRC made = nullptr;
  DWORD reason = ERROR_NOT_SUPPORTED;  // what is said when the driver has no such call
  if (wglMakeCurrent(hdc, plain)) {
    BindEntryPointsNow({"wglCreateContextAttribsARB"});
    const EntryPointInfo* entry = FindEntryPoint("wglCreateContextAttribsARB");
    if (entry && *entry->slot != entry->stub) {
      const bool es = ContextKind == GLContextKind::ES;
      const int attributes[] = {WglContextMajorVersion,
                                3,
                                WglContextMinorVersion,
                                es ? 0 : 3,
                                WglContextProfileMask,
                                es ? WglContextES2ProfileBit : WglContextCoreProfileBit,
                                0};
      made = wglCreateContextAttribsARB(hdc, nullptr, attributes);
      reason = GetLastError();
    }
    wglMakeCurrent(nullptr, nullptr);
  }
  wglDeleteContext(plain);
  if (!made) SetLastError(reason == NO_ERROR ? ERROR_NOT_SUPPORTED : reason);
  return made;
}

// Wine's wglGetProcAddress reads the context's GL version before it answers for a core
// entry point, and that read fails between glBegin and glEnd, where the frame makes its
// first multitexture calls. So those slots are bound as soon as a context is current.
void BindEntryPointsUsedInsideBegin() {
  BindEntryPointsNow({"glMultiTexCoord2fv", "glMultiTexCoord3fv"});
}

bool Win32MakeGLContextCurrent(PlatformHandle dc, PlatformHandle context) {
  const bool made = wglMakeCurrent(static_cast<HDC>(dc), static_cast<HGLRC>(context)) != FALSE;
  if (made && context) BindEntryPointsUsedInsideBegin();
  return made;
}

bool Win32DeleteGLContext(PlatformHandle context) {
  return wglDeleteContext(static_cast<HGLRC>(context)) != FALSE;
}

void Win32ShowAppWindow(PlatformHandle window) {
  ShowWindow(static_cast<HWND>(window), SW_SHOW);
}

void Win32SetForegroundWindow(PlatformHandle window) {
  SetForegroundWindow(static_cast<HWND>(window));
}

void Win32SetFocus(PlatformHandle window) {
  SetFocus(static_cast<HWND>(window));
}

// WGL_EXT_swap_control, through its slot in the entry-point table like every other
// extension entry point: bound for the current context on the first call, and a driver
// that cannot name it stops the program with the table's message.
void Win32SetSwapInterval(int interval) {
  GLEntryPointTable::wglSwapIntervalEXT(interval);
}

int Win32ReleaseDeviceContext(PlatformHandle window, PlatformHandle dc) {
  return ReleaseDC(static_cast<HWND>(window), static_cast<HDC>(dc));
}

bool Win32DestroyAppWindow(PlatformHandle window) {
  return DestroyWindow(static_cast<HWND>(window)) != FALSE;
}

void Win32SwapGLBuffers(PlatformHandle dc) {
  SwapBuffers(static_cast<HDC>(dc));
}

// The system's text for the thread's last error code, without its line break.
std::string Win32WindowSystemError() {
  const DWORD code = GetLastError();
  if (code == NO_ERROR) return "";
  char text[512] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, text, sizeof text, nullptr);
  std::string reason(text, n);
  while (!reason.empty() &&
         (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
    reason.pop_back();
  return (reason.empty() ? "error" : reason) + " (" + std::to_string(code) + ")";
}

bool Win32PeekAppMessage(PlatformMessage* message) {
  MSG record;
  if (!PeekMessageA(&record, nullptr, 0, 0, PM_REMOVE)) return false;
  LastMessage = record;
  *message = {record.hwnd, record.message, record.wParam, record.lParam};
  return true;
}

// The record as it was taken off the queue (time and cursor position included) when the
// message is the last one taken; otherwise a record made from the message alone.
MSG RecordFor(const PlatformMessage* message) {
  if (LastMessage.hwnd == message->window && LastMessage.message == message->message &&
      LastMessage.wParam == message->wParam && LastMessage.lParam == message->lParam)
    return LastMessage;
  MSG record = {};
  record.hwnd = static_cast<HWND>(message->window);
  record.message = message->message;
  record.wParam = message->wParam;
  record.lParam = message->lParam;
  return record;
}

void Win32DispatchAppMessage(const PlatformMessage* message) {
  const MSG record = RecordFor(message);
  DispatchMessageA(&record);
}

void Win32TranslateAppMessage(const PlatformMessage* message) {
  const MSG record = RecordFor(message);
  TranslateMessage(&record);
}

void Win32PostQuit(int exitCode) {
  PostQuitMessage(exitCode);
}

std::intptr_t Win32DefaultWindowProc(PlatformHandle window, std::uint32_t message,
                                     std::uintptr_t wParam, std::intptr_t lParam) {
  return DefWindowProcA(static_cast<HWND>(window), message, wParam, lParam);
}

}  // namespace

std::wstring WideFromUtf8(const char* text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], length);
  wide.resize(static_cast<std::size_t>(length - 1));  // without the terminating zero
  return wide;
}

bool IsPlainAscii(const char* text) {
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c)
    if (*c >= 0x80) return false;
  return true;
}

namespace {

// The first file of a drop, in the system's code page, and the drop let go of.
std::string Win32DroppedFileName(std::uintptr_t drop) {
  HDROP handle = reinterpret_cast<HDROP>(drop);
  char path[MAX_PATH] = {};
  const UINT length = DragQueryFileA(handle, 0, path, sizeof path);
  DragFinish(handle);
  return std::string(path, length);
}

}  // namespace

void InstallWin32Platform() {
  InstallPlatformFiles();
  Platform.LoadSharedLibrary = Win32LoadSharedLibrary;
  Platform.FindExport = Win32FindExport;
  Platform.FreeSharedLibrary = Win32FreeSharedLibrary;
  Platform.CounterFrequency = Win32CounterFrequency;
  Platform.CounterValue = Win32CounterValue;
  Platform.ShowMessageBox = Win32ShowMessageBox;
  Platform.ModuleHandle = Win32ModuleHandle;
  Platform.RegisterWindowClass = Win32RegisterWindowClass;
  Platform.UnregisterWindowClass = Win32UnregisterWindowClass;
  Platform.SwitchDisplayMode = Win32SwitchDisplayMode;
  Platform.RestoreDisplayMode = Win32RestoreDisplayMode;
  Platform.ShowPointer = Win32ShowPointer;
  Platform.OpenWindow = Win32OpenWindow;
  Platform.GetDeviceContext = Win32GetDeviceContext;
  Platform.ChoosePixelFormat = Win32ChoosePixelFormat;
  Platform.SetPixelFormat = Win32SetPixelFormat;
  Platform.CreateGLContext = Win32CreateGLContext;
  Platform.MakeGLContextCurrent = Win32MakeGLContextCurrent;
  Platform.DeleteGLContext = Win32DeleteGLContext;
  Platform.ShowAppWindow = Win32ShowAppWindow;
  Platform.SetForegroundWindow = Win32SetForegroundWindow;
  Platform.SetFocus = Win32SetFocus;
  Platform.SetSwapInterval = Win32SetSwapInterval;
  Platform.ReleaseDeviceContext = Win32ReleaseDeviceContext;
  Platform.DestroyAppWindow = Win32DestroyAppWindow;
  Platform.SwapGLBuffers = Win32SwapGLBuffers;
  Platform.WindowSystemError = Win32WindowSystemError;
  Platform.PeekAppMessage = Win32PeekAppMessage;
  Platform.DispatchAppMessage = Win32DispatchAppMessage;
  Platform.TranslateAppMessage = Win32TranslateAppMessage;
  Platform.PostQuit = Win32PostQuit;
  Platform.DroppedFileName = Win32DroppedFileName;
  Platform.DefaultWindowProc = Win32DefaultWindowProc;
  Platform.RunMainLoop = RunBlockingLoop;
}

void InstallPlatformBackend() {
  InstallWin32Platform();
}

ContextOffer BackendContexts() {
  return {};
}
