// The SDL2 backend: window, GL context, events, message boxes, the high-resolution
// counter and shared-library loading, each shaped as the Win32 call it stands for.
#define SDL_MAIN_HANDLED
#include "platform/sdl/platform_sdl.h"

#include <cstddef>
#include <cstdio>
#include <map>
#include <string>

#include "common/settings.h"
#include "platform/backend.h"
#include "platform/sdl/keymap.h"

namespace {

WindowProcFn RegisteredProc = nullptr;
SDL_Window* AppWindow = nullptr;
bool QuitPosted = false;
bool FullscreenModeReady = false;
SDL_DisplayMode FullscreenMode = {};
int ModuleToken = 0;                          // the process's "module": any stable non-null address
std::map<std::uintptr_t, std::string> Drops;  // the files of drops not yet taken
std::uintptr_t LastDrop = 0;

PlatformHandle SdlLoadSharedLibrary(const char* name) {
  return SDL_LoadObject(name);
}

void* SdlFindExport(PlatformHandle library, const char* name) {
  // A lookup on no library finds nothing (dlsym would search the whole process).
  return library ? SDL_LoadFunction(library, name) : nullptr;
}

void SdlFreeSharedLibrary(PlatformHandle library) {
  SDL_UnloadObject(library);
}

std::int64_t SdlCounterFrequency() {
  return static_cast<std::int64_t>(SDL_GetPerformanceFrequency());
}

std::int64_t SdlCounterValue() {
  return static_cast<std::int64_t>(SDL_GetPerformanceCounter());
}

void SdlShowMessageBox(const char* text, const char* caption, std::uint32_t type) {
  const Uint32 flags = (type & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : 0;
  if (SDL_ShowSimpleMessageBox(flags, caption, text, nullptr) != 0) {
    // No box can be shown (no display): the text goes to standard error instead, and the
    // program goes on as if the box had been acknowledged.
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
  }
}

PlatformHandle SdlModuleHandle() {
  return &ModuleToken;
}

bool SdlRegisterWindowClass(const char*, WindowProcFn proc, PlatformHandle) {
  RegisteredProc = proc;
  SDL_ClearError();  // so that WindowSystemError names this start's failure, not an older one
  return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

bool SdlUnregisterWindowClass(const char*, PlatformHandle) {
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  RegisteredProc = nullptr;
  return true;
}

std::int32_t SdlSwitchDisplayMode(const DisplayModeRequest* mode) {
  // SDL switches the mode when a full-screen window appears; here we only make sure the
  // display offers exactly the requested size.
  SDL_DisplayMode wanted = {};
  wanted.w = static_cast<int>(mode->width);
  wanted.h = static_cast<int>(mode->height);
  wanted.format = mode->bitsPerPel >= 24 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_RGB565;
  SDL_DisplayMode closest = {};
  if (!SDL_GetClosestDisplayMode(0, &wanted, &closest)) return DISP_CHANGE_FAILED;
  if (closest.w != wanted.w || closest.h != wanted.h) return DISP_CHANGE_BADMODE;
  FullscreenMode = closest;
  FullscreenModeReady = true;
  return DISP_CHANGE_SUCCESSFUL;
}

void SdlRestoreDisplayMode() {
  if (AppWindow) SDL_SetWindowFullscreen(AppWindow, 0);
  FullscreenModeReady = false;
}

void SdlShowPointer(bool show) {
  SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

// Whether the user named the driver in SDL_VIDEODRIVER (a name or a comma-separated list).
bool VideoDriverRequested(const char* driver) {
  const char* requested = SDL_getenv("SDL_VIDEODRIVER");
  if (!requested) return false;
  const std::size_t length = SDL_strlen(driver);
  for (const char* name = requested; *name;) {
    const char* end = SDL_strchr(name, ',');
    const std::size_t nameLength = end ? static_cast<std::size_t>(end - name) : SDL_strlen(name);
    if (nameLength == length && SDL_strncasecmp(name, driver, length) == 0) return true;
    if (!end) break;
    name = end + 1;
  }
  return false;
}

// When no display can be reached SDL falls back to its offscreen driver, whose windows
// nobody can see: the program would run unseen, at full speed, until killed. Such a
// window counts as one that cannot be created, unless the user asked for that driver.
bool WindowWouldBeUnseen() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && SDL_strcasecmp(driver, "offscreen") == 0 && !VideoDriverRequested(driver);
}

PlatformHandle SdlOpenWindow(const char*, const char* title, bool fullscreen, int width, int height,
                             PlatformHandle) {
  if (WindowWouldBeUnseen()) {
    SDL_SetError("no display to show a window on (SDL_VIDEODRIVER=offscreen runs unseen)");
    return nullptr;
  }
  // SDL fixes the window's pixel format when the window is made, so the program's
  // request (RGBA 8-8-8, double buffer, 24-bit depth) is set here.
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  // The context asked for: the compatibility profile unless an option asks for OpenGL 3.3
  // core or OpenGL ES 3.0.
  switch (ContextKind) {
    case GLContextKind::Compatibility:
      SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
      break;
    case GLContextKind::Core:
      SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
      SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
      SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
      break;
    case GLContextKind::ES:
      SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
      SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
      SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
      break;
  }
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (fullscreen) flags |= SDL_WINDOW_FULLSCREEN;
  // The size is the client area, so the fixed viewport covers exactly what is shown.
  SDL_Window* window = SDL_CreateWindow(title, 0, 0, width, height, flags);
  if (window && fullscreen && FullscreenModeReady)
    SDL_SetWindowDisplayMode(window, &FullscreenMode);
  AppWindow = window;
  return window;
}

PlatformHandle SdlGetDeviceContext(PlatformHandle window) {
  return window;
}

int SdlChoosePixelFormat(PlatformHandle, const PixelFormatRequest* request) {
  const std::uint32_t needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  if ((request->flags & needed) != needed || request->pixelType != 0) return 0;
  return 1;  // the one format the window was made with
}

bool SdlSetPixelFormat(PlatformHandle, int format, const PixelFormatRequest*) {
  return format == 1;
}

PlatformHandle SdlCreateGLContext(PlatformHandle dc) {
  return SDL_GL_CreateContext(static_cast<SDL_Window*>(dc));
}

bool SdlMakeGLContextCurrent(PlatformHandle dc, PlatformHandle context) {
  return SDL_GL_MakeCurrent(static_cast<SDL_Window*>(dc), context) == 0;
}

bool SdlDeleteGLContext(PlatformHandle context) {
  SDL_GL_DeleteContext(context);
  return true;
}

void SdlShowAppWindow(PlatformHandle window) {
  SDL_ShowWindow(static_cast<SDL_Window*>(window));
}

void SdlSetForegroundWindow(PlatformHandle window) {
  SDL_RaiseWindow(static_cast<SDL_Window*>(window));
}

void SdlSetFocus(PlatformHandle window) {
  SDL_SetWindowInputFocus(static_cast<SDL_Window*>(window));
}

void SdlSetSwapInterval(int interval) {
  SDL_GL_SetSwapInterval(interval);
}

int SdlReleaseDeviceContext(PlatformHandle, PlatformHandle) {
  return 1;
}

bool SdlDestroyAppWindow(PlatformHandle window) {
  // As on Win32, the window procedure hears WM_DESTROY while the window still exists.
  if (RegisteredProc) RegisteredProc(window, WM_DESTROY, 0, 0);
  SDL_DestroyWindow(static_cast<SDL_Window*>(window));
  if (window == AppWindow) AppWindow = nullptr;
  return true;
}

void SdlSwapGLBuffers(PlatformHandle dc) {
  // A close request destroys the window in the middle of a pass; the pass still ends
  // with a swap on its device context, which then refers to nothing (Win32's SwapBuffers
  // fails on such a context), so only the live window is swapped.
  if (dc && dc == AppWindow) SDL_GL_SwapWindow(static_cast<SDL_Window*>(dc));
}

std::string SdlWindowSystemError() {
  return SDL_GetError();
}

bool SdlPeekAppMessage(PlatformMessage* message) {
  if (QuitPosted) {
    QuitPosted = false;
    *message = {nullptr, WM_QUIT, 0, 0};
    return true;
  }
  SDL_Event event;
  if (!SDL_PollEvent(&event)) return false;
  *message = TranslateSdlEvent(event, AppWindow);
  if (event.type == SDL_DROPFILE) SDL_free(event.drop.file);
  return true;
}

void SdlDispatchAppMessage(const PlatformMessage* message) {
  if (RegisteredProc)
    RegisteredProc(message->window, message->message, message->wParam, message->lParam);
}

// Character messages are of no use to this program, so translation makes none.
void SdlTranslateAppMessage(const PlatformMessage*) {}

void SdlPostQuit(int) {
  QuitPosted = true;
}

std::string SdlDroppedFileName(std::uintptr_t drop) {
  const auto found = Drops.find(drop);
  if (found == Drops.end()) return "";
  const std::string path = found->second;
  Drops.erase(found);
  return path;
}

std::intptr_t SdlDefaultWindowProc(PlatformHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, std::intptr_t) {
  if (message == WM_SYSKEYDOWN && wParam == VK_F4 && (SDL_GetModState() & KMOD_ALT))
    message = WM_CLOSE;  // Alt+F4
  if (message == WM_CLOSE && window) SdlDestroyAppWindow(window);
  return 0;
}

// MK_CONTROL while either Ctrl key is held.
std::uintptr_t CtrlFlag() {
  return (SDL_GetModState() & KMOD_CTRL) ? MK_CONTROL : 0;
}

std::intptr_t PackPoint(int x, int y) {
  return static_cast<std::intptr_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(x)) |
                                    static_cast<std::uint32_t>(static_cast<std::uint16_t>(y))
                                        << 16);
}

}  // namespace

PlatformMessage TranslateSdlEvent(const SDL_Event& event, PlatformHandle window) {
  PlatformMessage message = {window, 0, 0, 0};
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const std::uint8_t vk = VirtualKeyFromSdl(event.key.keysym.sym);
      if (vk == 0) break;
      const bool system = (event.key.keysym.mod & KMOD_ALT) || vk == VK_MENU || vk == VK_F10;
      const bool down = event.type == SDL_KEYDOWN;
      message.message =
          system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
      message.wParam = vk;
      message.lParam = event.key.repeat ? (1 << 30) : 0;
      break;
    }
    // Mouse positions in client pixels packed as Win32 does: x in the low 16 bits of
    // lParam, y in the next 16, each signed; wParam holds MK_LBUTTON while the left button
    // is down, and for the wheel its distance in the high 16 bits, 120 a notch, away from
    // the user positive.
    case SDL_MOUSEMOTION:
      message.message = WM_MOUSEMOVE;
      message.wParam = ((event.motion.state & SDL_BUTTON_LMASK) ? MK_LBUTTON : 0) |
                       ((event.motion.state & SDL_BUTTON_RMASK) ? MK_RBUTTON : 0) | CtrlFlag();
      message.lParam = PackPoint(event.motion.x, event.motion.y);
      break;
    // The left and the right button; MK_CONTROL while Ctrl is held (Ctrl + left click
    // probes, as a right click does).
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool down = event.type == SDL_MOUSEBUTTONDOWN;
      const std::uint32_t buttons = SDL_GetMouseState(nullptr, nullptr);
      if (event.button.button == SDL_BUTTON_LEFT)
        message.message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
      else if (event.button.button == SDL_BUTTON_RIGHT)
        message.message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
      else
        break;
      // The button's own state from the event; the other's from SDL's.
      const bool left =
          event.button.button == SDL_BUTTON_LEFT ? down : (buttons & SDL_BUTTON_LMASK) != 0;
      const bool right =
          event.button.button == SDL_BUTTON_RIGHT ? down : (buttons & SDL_BUTTON_RMASK) != 0;
      message.wParam = (left ? MK_LBUTTON : 0) | (right ? MK_RBUTTON : 0) | CtrlFlag();
      message.lParam = PackPoint(event.button.x, event.button.y);
      break;
    }
    case SDL_MOUSEWHEEL: {
      const int notches =
          event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
      if (notches == 0) break;
      message.message = WM_MOUSEWHEEL;
      message.wParam =
          static_cast<std::uintptr_t>(static_cast<std::uint16_t>(notches * WHEEL_DELTA)) << 16;
      break;
    }
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) message.message = WM_CLOSE;
      break;
    // SDL's quit request without a window's close request comes from a signal (Ctrl+C,
    // SIGTERM): it ends the loop as Escape does, with the window and its last frame intact.
    case SDL_QUIT:
      message.message = WM_QUIT;
      break;
    // A file dropped on the window: the path is kept until DroppedFileName takes it.
    case SDL_DROPFILE:
      if (!event.drop.file) break;
      Drops[++LastDrop] = event.drop.file;
      message.message = WM_DROPFILES;
      message.wParam = LastDrop;
      break;
    default:
      break;
  }
  if (!message.window) message.message = 0;  // nothing left to deliver it to
  return message;
}

void InstallSdlPlatform() {
  SDL_SetMainReady();
  InstallPlatformFiles();
  Platform.LoadSharedLibrary = SdlLoadSharedLibrary;
  Platform.FindExport = SdlFindExport;
  Platform.FreeSharedLibrary = SdlFreeSharedLibrary;
  Platform.CounterFrequency = SdlCounterFrequency;
  Platform.CounterValue = SdlCounterValue;
  Platform.ShowMessageBox = SdlShowMessageBox;
  Platform.ModuleHandle = SdlModuleHandle;
  Platform.RegisterWindowClass = SdlRegisterWindowClass;
  Platform.UnregisterWindowClass = SdlUnregisterWindowClass;
  Platform.SwitchDisplayMode = SdlSwitchDisplayMode;
  Platform.RestoreDisplayMode = SdlRestoreDisplayMode;
  Platform.ShowPointer = SdlShowPointer;
  Platform.OpenWindow = SdlOpenWindow;
  Platform.GetDeviceContext = SdlGetDeviceContext;
  Platform.ChoosePixelFormat = SdlChoosePixelFormat;
  Platform.SetPixelFormat = SdlSetPixelFormat;
  Platform.CreateGLContext = SdlCreateGLContext;
  Platform.MakeGLContextCurrent = SdlMakeGLContextCurrent;
  Platform.DeleteGLContext = SdlDeleteGLContext;
  Platform.ShowAppWindow = SdlShowAppWindow;
  Platform.SetForegroundWindow = SdlSetForegroundWindow;
  Platform.SetFocus = SdlSetFocus;
  Platform.SetSwapInterval = SdlSetSwapInterval;
  Platform.ReleaseDeviceContext = SdlReleaseDeviceContext;
  Platform.DestroyAppWindow = SdlDestroyAppWindow;
  Platform.SwapGLBuffers = SdlSwapGLBuffers;
  Platform.WindowSystemError = SdlWindowSystemError;
  Platform.PeekAppMessage = SdlPeekAppMessage;
  Platform.DispatchAppMessage = SdlDispatchAppMessage;
  Platform.TranslateAppMessage = SdlTranslateAppMessage;
  Platform.PostQuit = SdlPostQuit;
  Platform.DroppedFileName = SdlDroppedFileName;
  Platform.DefaultWindowProc = SdlDefaultWindowProc;
  Platform.RunMainLoop = RunBlockingLoop;
}

void InstallPlatformBackend() {
  InstallSdlPlatform();
}

ContextOffer BackendContexts() {
  return {};
}
