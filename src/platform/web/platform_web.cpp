// The browser backend (Emscripten): a 640 x 480 canvas as the window, a WebGL 2 context as
// the GL context, the canvas' DOM events as window messages, performance.now() as the
// counter, message boxes as an overlay the page draws, and Emscripten's in-memory file
// system holding the run directory (POSIX calls, as on Linux). The main loop runs one
// pass per animation frame of the browser.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>

#include "gl/gl_loader.h"
#include "platform/backend.h"
#include "platform/platform.h"
#include "platform/web/webgl_functions.h"

// The page's side of the calls below, in JavaScript (which clang-format would take for C++).
// clang-format off
EM_JS(void, ShowBoxOnPage, (const char* caption, const char* text, int error), {
  caption = UTF8ToString(caption);
  text = UTF8ToString(text);
  if (Module.showMessageBox)
    Module.showMessageBox(caption, text, error != 0);
  else
    err(caption + ": " + text);
});

// The canvas takes the keyboard (and the focus when clicked) and captures the pointer
// while a button is down, so that a drag goes on outside it. False when there is none.
EM_JS(int, PrepareCanvas, (const char* selector, const char* title), {
  const canvas = document.querySelector(UTF8ToString(selector));
  if (!canvas) return 0;
  document.title = UTF8ToString(title);
  canvas.tabIndex = 0;
  canvas.addEventListener("pointerdown", e => canvas.setPointerCapture(e.pointerId));
  // A right click probes the pixel: no context menu over the picture.
  canvas.addEventListener("contextmenu", e => e.preventDefault());
  return 1;
});

EM_JS(void, FocusCanvas, (const char* selector), {
  document.querySelector(UTF8ToString(selector)).focus();
});
// clang-format on

namespace {

const char* const CanvasSelector = "#canvas";

WindowProcFn RegisteredProc = nullptr;
int WindowToken = 0;  // the one "window": the canvas
int ModuleToken = 0;
int GLLibraryToken = 0;
bool WindowOpen = false;
bool QuitPosted = false;
std::deque<PlatformMessage> Messages;
bool KeyDown[256] = {};
std::map<std::uintptr_t, std::string> Drops;  // the files of drops not yet taken
std::uintptr_t LastDrop = 0;
bool (*LoopPass)() = nullptr;
int (*LoopFinish)() = nullptr;

// The WebGL functions are linked into the program; the "library" is a token that makes
// them findable by name, as a GL library's exports are, and its "driver lookup" finds the
// same functions (there are no others to find).
void* GLAPIENTRY WebGLGetProcAddress(const char* name) {
  return FindWebGLFunction(name);
}

PlatformHandle WebLoadSharedLibrary(const char* name) {
  return std::strcmp(name, GL_LIBRARY_NAME) == 0 ? &GLLibraryToken : nullptr;
}

void* WebFindExport(PlatformHandle library, const char* name) {
  if (library != &GLLibraryToken) return nullptr;
  if (std::strcmp(name, DRIVER_LOOKUP_NAME) == 0)
    return reinterpret_cast<void*>(&WebGLGetProcAddress);
  return FindWebGLFunction(name);
}

void WebFreeSharedLibrary(PlatformHandle) {}

// performance.now() in microseconds.
std::int64_t WebCounterFrequency() {
  return 1000000;
}

std::int64_t WebCounterValue() {
  return static_cast<std::int64_t>(emscripten_get_now() * 1000.0);
}

// A page cannot wait inside a call: the box is drawn over the canvas until its OK is
// pressed, and the program goes on at once (as the desktop does with no display to show a
// box on). Standard error gets the text too, for a page without the overlay.
void WebShowMessageBox(const char* text, const char* caption, std::uint32_t type) {
  ShowBoxOnPage(caption, text, (type & MB_ICONERROR) ? 1 : 0);
}

PlatformHandle WebModuleHandle() {
  return &ModuleToken;
}

void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (!WindowOpen) return;
  // Mouse moves fold into the one still waiting, as Win32 makes them: a pass takes one
  // message, and a drag sends more moves than the display shows frames.
  if (message == WM_MOUSEMOVE && !Messages.empty() && Messages.back().message == WM_MOUSEMOVE &&
      Messages.back().wParam == wParam) {
    Messages.back().lParam = lParam;
    return;
  }
  Messages.push_back({&WindowToken, message, wParam, lParam});
}

// The DOM's keyCode is Windows' virtual-key code for the keys the program reads, but for
// '=' and '-' in Firefox.
std::uint8_t VirtualKey(const EmscriptenKeyboardEvent* event) {
  switch (event->keyCode) {
    case 61:
      return 0xBB;
    case 173:
      return 0xBD;
    default:
      return event->keyCode < 256 ? static_cast<std::uint8_t>(event->keyCode) : 0;
  }
}

// Keys the browser keeps: its tools (F12), reload and full screen (F5, F11), focus moves
// (Tab) and every shortcut with Ctrl or the command key. The program hears them all but
// Tab; the others it takes, so that the page neither scrolls nor acts on them.
bool BrowserKeepsKey(std::uint8_t vk, const EmscriptenKeyboardEvent* event) {
  return vk == VK_F12 || vk == 0x74 || vk == 0x7A || vk == VK_TAB || event->ctrlKey ||
         event->metaKey;
}

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* event, void*) {
  const std::uint8_t vk = VirtualKey(event);
  if (vk == 0 || vk == VK_TAB) return false;
  const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
  const bool system = event->altKey || vk == VK_MENU || vk == VK_F10;
  const std::uint32_t message =
      system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  Post(message, vk, (down && event->repeat) ? (1 << 30) : 0);
  KeyDown[vk] = down;
  return !BrowserKeepsKey(vk, event);
}

// A canvas that loses the keyboard hears no more key releases: the keys held then are
// released, as a window that loses the focus sees them.
EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void*) {
  for (int vk = 0; vk < 256; ++vk) {
    if (!KeyDown[vk]) continue;
    KeyDown[vk] = false;
    Post(WM_KEYUP, static_cast<std::uintptr_t>(vk), 0);
  }
  return false;
}

std::intptr_t PackPoint(long x, long y) {
  return static_cast<std::intptr_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(x)) |
                                    static_cast<std::uint32_t>(static_cast<std::uint16_t>(y))
                                        << 16);
}

// Positions in canvas pixels, packed as Win32 packs them; the left and right buttons as
// MK_LBUTTON and MK_RBUTTON, Ctrl as MK_CONTROL. The canvas captures the pointer while a
// button is down, so a drag goes on outside it.
EM_BOOL OnMouse(int type, const EmscriptenMouseEvent* event, void*) {
  const std::uintptr_t flags = ((event->buttons & 1) ? MK_LBUTTON : 0) |
                               ((event->buttons & 2) ? MK_RBUTTON : 0) |
                               (event->ctrlKey ? MK_CONTROL : 0);
  const std::intptr_t point = PackPoint(event->targetX, event->targetY);
  switch (type) {
    case EMSCRIPTEN_EVENT_MOUSEDOWN:
      if (event->button == 0) Post(WM_LBUTTONDOWN, flags, point);
      if (event->button == 2) Post(WM_RBUTTONDOWN, flags, point);
      return false;  // the click also gives the canvas the keyboard
    case EMSCRIPTEN_EVENT_MOUSEUP:
      if (event->button == 0) Post(WM_LBUTTONUP, flags, point);
      if (event->button == 2) Post(WM_RBUTTONUP, flags, point);
      return false;
    default:
      Post(WM_MOUSEMOVE, flags, point);
      return false;
  }
}

// The wheel in notches of 120, away from the user positive; a notch is 100 pixels, 3 lines
// or a page, as browsers scroll it. The page does not scroll under the canvas.
EM_BOOL OnWheel(int, const EmscriptenWheelEvent* event, void*) {
  const double perNotch = event->deltaMode == DOM_DELTA_PIXEL  ? 100.0
                          : event->deltaMode == DOM_DELTA_LINE ? 3.0
                                                               : 1.0;
  const long delta = static_cast<long>(-event->deltaY / perNotch * WHEEL_DELTA);
  if (delta != 0)
    Post(WM_MOUSEWHEEL,
         static_cast<std::uintptr_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(delta)))
             << 16,
         0);
  return true;
}

bool WebRegisterWindowClass(const char*, WindowProcFn proc, PlatformHandle) {
  RegisteredProc = proc;
  return true;
}

bool WebUnregisterWindowClass(const char*, PlatformHandle) {
  RegisteredProc = nullptr;
  return true;
}

// A page cannot change the display's mode by itself (only the user can, through the
// browser's full screen).
std::int32_t WebSwitchDisplayMode(const DisplayModeRequest*) {
  return DISP_CHANGE_FAILED;
}

void WebRestoreDisplayMode() {}

void WebShowPointer(bool) {}

PlatformHandle WebOpenWindow(const char*, const char* title, bool, int width, int height,
                             PlatformHandle) {
  if (!PrepareCanvas(CanvasSelector, title)) return nullptr;
  emscripten_set_canvas_element_size(CanvasSelector, width, height);
  emscripten_set_keydown_callback(CanvasSelector, nullptr, true, OnKey);
  emscripten_set_keyup_callback(CanvasSelector, nullptr, true, OnKey);
  emscripten_set_blur_callback(CanvasSelector, nullptr, true, OnBlur);
  emscripten_set_mousedown_callback(CanvasSelector, nullptr, true, OnMouse);
  emscripten_set_mouseup_callback(CanvasSelector, nullptr, true, OnMouse);
  emscripten_set_mousemove_callback(CanvasSelector, nullptr, true, OnMouse);
  emscripten_set_wheel_callback(CanvasSelector, nullptr, true, OnWheel);
  WindowOpen = true;
  return &WindowToken;
}

PlatformHandle WebGetDeviceContext(PlatformHandle window) {
  return window;
}

// The canvas has one format: RGBA with a 24-bit depth buffer, double-buffered by the page.
int WebChoosePixelFormat(PlatformHandle, const PixelFormatRequest* request) {
  const std::uint32_t needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  return (request->flags & needed) == needed && request->pixelType == 0 ? 1 : 0;
}

bool WebSetPixelFormat(PlatformHandle, int format, const PixelFormatRequest*) {
  return format == 1;
}

// WebGL 2 (OpenGL ES 3.0), without alpha or multisampling, so that the picture is what the
// desktop draws; the drawing buffer is kept after each frame so the last one can be read
// back; a software GL counts (no "major performance caveat" refusal).
PlatformHandle WebCreateGLContext(PlatformHandle) {
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.majorVersion = 2;
  attributes.minorVersion = 0;
  attributes.alpha = false;
  attributes.depth = true;
  attributes.stencil = false;
  attributes.antialias = false;
  attributes.preserveDrawingBuffer = true;
  attributes.failIfMajorPerformanceCaveat = false;
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
      emscripten_webgl_create_context(CanvasSelector, &attributes);
  return context > 0 ? reinterpret_cast<PlatformHandle>(context) : nullptr;
}

bool WebMakeGLContextCurrent(PlatformHandle, PlatformHandle context) {
  return emscripten_webgl_make_context_current(static_cast<EMSCRIPTEN_WEBGL_CONTEXT_HANDLE>(
             reinterpret_cast<std::intptr_t>(context))) == EMSCRIPTEN_RESULT_SUCCESS;
}

// The context stays with the canvas, which keeps showing the last frame after the program
// ends; only the program lets go of it.
bool WebDeleteGLContext(PlatformHandle) {
  return true;
}

void WebShowAppWindow(PlatformHandle) {}

void WebSetForegroundWindow(PlatformHandle) {}

void WebSetFocus(PlatformHandle) {
  FocusCanvas(CanvasSelector);
}

// Frames follow the display's refresh in a browser, whatever is asked.
void WebSetSwapInterval(int) {}

int WebReleaseDeviceContext(PlatformHandle, PlatformHandle) {
  return 1;
}

bool WebDestroyAppWindow(PlatformHandle window) {
  // As on Win32, the window procedure hears WM_DESTROY while the window still exists.
  if (RegisteredProc) RegisteredProc(window, WM_DESTROY, 0, 0);
  emscripten_html5_remove_all_event_listeners();
  WindowOpen = false;
  Messages.clear();
  return true;
}

// The browser shows the frame when the pass returns to it.
void WebSwapGLBuffers(PlatformHandle) {}

std::string WebWindowSystemError() {
  return "";
}

bool WebPeekAppMessage(PlatformMessage* message) {
  if (QuitPosted) {
    QuitPosted = false;
    *message = {nullptr, WM_QUIT, 0, 0};
    return true;
  }
  if (Messages.empty()) return false;
  *message = Messages.front();
  Messages.pop_front();
  return true;
}

void WebDispatchAppMessage(const PlatformMessage* message) {
  if (RegisteredProc)
    RegisteredProc(message->window, message->message, message->wParam, message->lParam);
}

void WebTranslateAppMessage(const PlatformMessage*) {}

void WebPostQuit(int) {
  QuitPosted = true;
}

std::string WebDroppedFileName(std::uintptr_t drop) {
  const auto found = Drops.find(drop);
  if (found == Drops.end()) return "";
  const std::string path = found->second;
  Drops.erase(found);
  return path;
}

std::intptr_t WebDefaultWindowProc(PlatformHandle, std::uint32_t, std::uintptr_t, std::intptr_t) {
  return 0;
}

// One pass per animation frame. When the pass says the loop is over, the loop stops, the
// finish runs and the program ends with its exit code (the page hears it as Module.quit).
void AnimationFrame() {
  if (LoopPass()) return;
  emscripten_cancel_main_loop();
  std::exit(LoopFinish());
}

int WebRunMainLoop(bool (*pass)(), int (*finish)()) {
  LoopPass = pass;
  LoopFinish = finish;
  emscripten_set_main_loop(AnimationFrame, 0, true);  // does not return
  return 0;
}

}  // namespace

// What the page hands the program: a file dropped on the canvas (the page has written it
// into the file system), and a key press from one of its buttons, for keys the browser
// keeps for itself (F12).
extern "C" EMSCRIPTEN_KEEPALIVE void WebDropFile(const char* path) {
  if (!WindowOpen) return;
  Drops[++LastDrop] = path;
  Post(WM_DROPFILES, LastDrop, 0);
}

extern "C" EMSCRIPTEN_KEEPALIVE void WebPressKey(int vk) {
  if (vk <= 0 || vk >= 256) return;
  Post(WM_KEYDOWN, static_cast<std::uintptr_t>(vk), 0);
  Post(WM_KEYUP, static_cast<std::uintptr_t>(vk), 0);
}

void InstallPlatformBackend() {
  InstallPlatformFiles();
  Platform.LoadSharedLibrary = WebLoadSharedLibrary;
  Platform.FindExport = WebFindExport;
  Platform.FreeSharedLibrary = WebFreeSharedLibrary;
  Platform.CounterFrequency = WebCounterFrequency;
  Platform.CounterValue = WebCounterValue;
  Platform.ShowMessageBox = WebShowMessageBox;
  Platform.ModuleHandle = WebModuleHandle;
  Platform.RegisterWindowClass = WebRegisterWindowClass;
  Platform.UnregisterWindowClass = WebUnregisterWindowClass;
  Platform.SwitchDisplayMode = WebSwitchDisplayMode;
  Platform.RestoreDisplayMode = WebRestoreDisplayMode;
  Platform.ShowPointer = WebShowPointer;
  Platform.OpenWindow = WebOpenWindow;
  Platform.GetDeviceContext = WebGetDeviceContext;
  Platform.ChoosePixelFormat = WebChoosePixelFormat;
  Platform.SetPixelFormat = WebSetPixelFormat;
  Platform.CreateGLContext = WebCreateGLContext;
  Platform.MakeGLContextCurrent = WebMakeGLContextCurrent;
  Platform.DeleteGLContext = WebDeleteGLContext;
  Platform.ShowAppWindow = WebShowAppWindow;
  Platform.SetForegroundWindow = WebSetForegroundWindow;
  Platform.SetFocus = WebSetFocus;
  Platform.SetSwapInterval = WebSetSwapInterval;
  Platform.ReleaseDeviceContext = WebReleaseDeviceContext;
  Platform.DestroyAppWindow = WebDestroyAppWindow;
  Platform.SwapGLBuffers = WebSwapGLBuffers;
  Platform.WindowSystemError = WebWindowSystemError;
  Platform.PeekAppMessage = WebPeekAppMessage;
  Platform.DispatchAppMessage = WebDispatchAppMessage;
  Platform.TranslateAppMessage = WebTranslateAppMessage;
  Platform.PostQuit = WebPostQuit;
  Platform.DroppedFileName = WebDroppedFileName;
  Platform.DefaultWindowProc = WebDefaultWindowProc;
  Platform.RunMainLoop = WebRunMainLoop;
}

// WebGL 2 is OpenGL ES 3.0: no compatibility or core profile.
ContextOffer BackendContexts() {
  return {1u << static_cast<unsigned>(GLContextKind::ES), GLContextKind::ES};
}
