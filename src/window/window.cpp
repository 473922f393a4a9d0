// The window, its device context and GL rendering context, the optional display-mode
// switch, their release in order, and the window procedure with the key-state table.
#include "window/window.h"

#include <algorithm>
#include <cfenv>
#include <cstdio>
#include <string>

#include "common/settings.h"
#include "gl/gl_loader.h"

PlatformHandle WindowHandle = nullptr;
PlatformHandle DeviceContextHandle = nullptr;
PlatformHandle RenderContextHandle = nullptr;

namespace {

const char* const ClassName = "OpenGL";
const char* const CreateCaption = "Error";
const char* const DestroyCaption = "Ошибка";

PlatformHandle ModuleInstance = nullptr;

// Set when the window system destroyed the window (the user closed it): the teardown
// then has no window or device context left to release.
bool WindowGone = false;

void CreateFailed(const char* text) {
  Platform.ShowMessageBox(text, CreateCaption, MB_ICONERROR);
}

void DestroyFailed(const char* text) {
  Platform.ShowMessageBox(text, DestroyCaption, MB_ICONERROR);
}

// The window system's own reason for a failure, read at once: teardown may change it.
std::string WindowSystemReason() {
  return Platform.WindowSystemError ? Platform.WindowSystemError() : std::string();
}

// Standard error gets the window system's reason after the message box, which keeps its
// own text.
void ReportReason(const std::string& reason) {
  if (reason.empty()) return;
  std::fprintf(stderr, "bumpdemo: the window system says: %s\n", reason.c_str());
  std::fflush(stderr);
}

// Teardown, then the creation message and the window system's reason.
bool FailCreation(const char* text) {
  const std::string reason = WindowSystemReason();
  DestroyRenderWindow();
  CreateFailed(text);
  ReportReason(reason);
  return false;
}

}  // namespace

bool RenderWindowClosed() {
  return WindowGone;
}

void ResetWindowState() {
  WindowHandle = nullptr;
  DeviceContextHandle = nullptr;
  RenderContextHandle = nullptr;
  ModuleInstance = nullptr;
  WindowGone = false;
  for (std::uint8_t& key : KeyState) key = 0;
  for (int& repeats : KeyRepeats) repeats = 0;
  Mouse = MouseInput();
  DroppedFile.clear();
}

bool CreateRenderWindow() {
  LoadGLLibraries(GL_LIBRARY_NAME, GLU_LIBRARY_NAME);

  ModuleInstance = Platform.ModuleHandle();
  if (!Platform.RegisterWindowClass(ClassName, WindowProc, ModuleInstance)) {
    const std::string reason = WindowSystemReason();
    CreateFailed("Failed to register the window class!");
    ReportReason(reason);
    return false;
  }

  if (Fullscreen) {
    const DisplayModeRequest mode = {static_cast<std::uint32_t>(ScreenWidth),
                                     static_cast<std::uint32_t>(ScreenHeight),
                                     static_cast<std::uint32_t>(ColorBits), 0x1C0000};
    // Anything but a reported success counts as a failed switch.
    if (Platform.SwitchDisplayMode(&mode) != DISP_CHANGE_SUCCESSFUL) {
      CreateFailed("Unable to switch to fullscreen!");
      std::fprintf(stderr, "bumpdemo: no %d x %d full-screen mode; running in a window instead\n",
                   ScreenWidth, ScreenHeight);
      std::fflush(stderr);
      Fullscreen = false;
    }
  }
  if (Fullscreen) Platform.ShowPointer(false);

  // The window system may change the floating-point control state; put it back.
  std::fenv_t floatingPointState;
  std::fegetenv(&floatingPointState);
  WindowHandle = Platform.OpenWindow(ClassName, WindowTitle, Fullscreen, ScreenWidth, ScreenHeight,
                                     ModuleInstance);
  std::fesetenv(&floatingPointState);
  if (!WindowHandle) return FailCreation("Unable to create window!");

  DeviceContextHandle = Platform.GetDeviceContext(WindowHandle);
  if (!DeviceContextHandle) return FailCreation("Unable to get a device context!");

  // RGBA, double-buffered, with a 24-bit depth buffer for the scene's depth test.
  const PixelFormatRequest request = {40,
                                      1,
                                      PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
                                      0,
                                      static_cast<std::uint8_t>(ColorBits & 0xFF),
                                      24,
                                      0,
                                      0};
  const int format = Platform.ChoosePixelFormat(DeviceContextHandle, &request);
  if (format == 0) return FailCreation("Unable to find a suitable pixel format");
  if (!Platform.SetPixelFormat(DeviceContextHandle, format, &request))
    return FailCreation("Unable to set the pixel format");

  RenderContextHandle = Platform.CreateGLContext(DeviceContextHandle);
  if (!RenderContextHandle) return FailCreation("Unable to create an OpenGL rendering context");
  Platform.MakeGLContextCurrent(DeviceContextHandle, RenderContextHandle);

  Platform.ShowAppWindow(WindowHandle);
  Platform.SetForegroundWindow(WindowHandle);
  Platform.SetFocus(WindowHandle);

  // After the context is current, so that the driver can answer for it.
  Platform.SetSwapInterval(VSync ? 1 : 0);
  return true;
}

void DestroyRenderWindow() {
  if (Fullscreen) {
    Platform.RestoreDisplayMode();
    Platform.ShowPointer(true);
  }

  // Only what was created is released: a creation that failed part-way, or a window the
  // user already closed, leaves less behind.
  if (RenderContextHandle) {
    if (!Platform.MakeGLContextCurrent(WindowGone ? nullptr : DeviceContextHandle, nullptr))
      DestroyFailed("Не могу выбрать контекст рендиринга!");
    if (!Platform.DeleteGLContext(RenderContextHandle)) {
      DestroyFailed("Не могу удалит контекст рендеринга!");
      RenderContextHandle = nullptr;
    }
  }

  if (DeviceContextHandle && !WindowGone) {
    if (Platform.ReleaseDeviceContext(WindowHandle, DeviceContextHandle) == 0) {
      DestroyFailed("Не могу освободить контексты рендеринга!");
      DeviceContextHandle = nullptr;
    }
  }

  if (WindowHandle && !WindowGone) {
    if (!Platform.DestroyAppWindow(WindowHandle)) {
      DestroyFailed("Не могу удалить окно");
      WindowHandle = nullptr;
    }
  }

  if (!Platform.UnregisterWindowClass(ClassName, ModuleInstance)) {
    DestroyFailed("Unable to unregister window class!");
    ModuleInstance = nullptr;
  }
}

std::intptr_t WindowProc(PlatformHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam) {
  switch (message) {
    case WM_DESTROY:
      WindowGone = true;
      Platform.PostQuit(0);
      return 0;
    case WM_KEYDOWN:
      if (wParam >= 256) return 0;
      // Bit 30, the key's previous state, marks an auto-repeat; bits 0 to 15 may count
      // several (Win32 folds repeats the program was slow to take; SDL sends none).
      if (lParam & (1 << 30)) KeyRepeats[wParam] += std::max(1, static_cast<int>(lParam & 0xFFFF));
      KeyState[wParam] = 1;
      return 0;
    case WM_KEYUP:
      if (wParam < 256) KeyState[wParam] = 0;
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      Mouse.x = static_cast<std::int16_t>(lParam & 0xFFFF);
      Mouse.y = static_cast<std::int16_t>((lParam >> 16) & 0xFFFF);
      // A right click, or a left click with Ctrl held, probes the pixel under the pointer.
      if (message == WM_RBUTTONDOWN || (message == WM_LBUTTONDOWN && (wParam & MK_CONTROL))) {
        Mouse.probeClicked = true;
        Mouse.probeX = Mouse.x;
        Mouse.probeY = Mouse.y;
      }
      Mouse.leftDown = (wParam & MK_LBUTTON) != 0;
      return 0;
    case WM_MOUSEWHEEL:
      Mouse.wheelDelta += static_cast<std::int16_t>((wParam >> 16) & 0xFFFF);
      return 0;
    case WM_DROPFILES:
      DroppedFile = Platform.DroppedFileName(wParam);
      return 0;
    default:
      return Platform.DefaultWindowProc(window, message, wParam, lParam);
  }
}
