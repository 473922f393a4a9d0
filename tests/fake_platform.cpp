// The fake platform table used by the window and main-loop tests.
#include "fake_platform.h"

#include "platform/backend.h"
#include "window/window.h"

FakePlatformState Fake;

namespace {

int WindowToken, DcToken, ContextToken, ModuleTokenValue;

void Call(const std::string& name) {
  Fake.calls.push_back(name);
}

}  // namespace

void InstallFakePlatform(const FakePlatformConfig& cfg) {
  Fake = FakePlatformState();
  Fake.config = cfg;
  ResetWindowState();
  Platform = PlatformOps();
  InstallPlatformFiles();  // the real files: tests read and write them in scratch directories
  Platform.LoadSharedLibrary = [](const char* name) -> PlatformHandle {
    Call(std::string("LoadSharedLibrary(") + name + ")");
    return nullptr;
  };
  Platform.FindExport = [](PlatformHandle, const char*) -> void* { return nullptr; };
  Platform.FreeSharedLibrary = [](PlatformHandle) { Call("FreeSharedLibrary"); };
  Platform.CounterFrequency = [] { return Fake.frequency; };
  Platform.CounterValue = [] { return Fake.counter; };
  Platform.ShowMessageBox = [](const char* text, const char* caption, std::uint32_t type) {
    Call(std::string("MessageBox(") + text + ")");
    Fake.boxes.push_back({caption, text, type});
  };
  Platform.ModuleHandle = []() -> PlatformHandle { return &ModuleTokenValue; };
  Platform.RegisterWindowClass = [](const char* name, WindowProcFn proc, PlatformHandle) {
    Call(std::string("RegisterWindowClass(") + name + ")");
    Fake.proc = proc;
    return Fake.config.registerOk;
  };
  Platform.UnregisterWindowClass = [](const char* name, PlatformHandle) {
    Call(std::string("UnregisterWindowClass(") + name + ")");
    return Fake.config.unregisterOk;
  };
  Platform.SwitchDisplayMode = [](const DisplayModeRequest* mode) {
    Call("SwitchDisplayMode");
    Fake.displayMode = *mode;
    return Fake.config.displayResult;
  };
  Platform.RestoreDisplayMode = [] { Call("RestoreDisplayMode"); };
  Platform.ShowPointer = [](bool show) { Call(show ? "ShowPointer(1)" : "ShowPointer(0)"); };
  Platform.OpenWindow = [](const char* cls, const char* title, bool fullscreen, int w, int h,
                           PlatformHandle) -> PlatformHandle {
    Call(std::string("OpenWindow(") + cls + "," + title + "," + (fullscreen ? "full" : "win") +
         "," + std::to_string(w) + "x" + std::to_string(h) + ")");
    return Fake.config.openWindowOk ? &WindowToken : nullptr;
  };
  Platform.GetDeviceContext = [](PlatformHandle) -> PlatformHandle {
    Call("GetDeviceContext");
    return Fake.config.getDcOk ? &DcToken : nullptr;
  };
  Platform.ChoosePixelFormat = [](PlatformHandle, const PixelFormatRequest* request) {
    Call("ChoosePixelFormat");
    Fake.pixelFormat = *request;
    return Fake.config.pixelFormat;
  };
  Platform.SetPixelFormat = [](PlatformHandle, int format, const PixelFormatRequest*) {
    Call("SetPixelFormat(" + std::to_string(format) + ")");
    return Fake.config.setPixelFormatOk;
  };
  Platform.CreateGLContext = [](PlatformHandle) -> PlatformHandle {
    Call("CreateGLContext");
    return Fake.config.createContextOk ? &ContextToken : nullptr;
  };
  Platform.MakeGLContextCurrent = [](PlatformHandle dc, PlatformHandle context) {
    Call(std::string("MakeCurrent(") + (dc ? "dc" : "null") + "," + (context ? "ctx" : "null") +
         ")");
    return context ? true : Fake.config.makeCurrentOk;
  };
  Platform.DeleteGLContext = [](PlatformHandle) {
    Call("DeleteGLContext");
    return Fake.config.deleteContextOk;
  };
  Platform.ShowAppWindow = [](PlatformHandle) { Call("ShowAppWindow"); };
  Platform.SetForegroundWindow = [](PlatformHandle) { Call("SetForegroundWindow"); };
  Platform.SetFocus = [](PlatformHandle) { Call("SetFocus"); };
  Platform.SetSwapInterval = [](int interval) {
    Call("SetSwapInterval(" + std::to_string(interval) + ")");
  };
  Platform.ReleaseDeviceContext = [](PlatformHandle, PlatformHandle) {
    Call("ReleaseDeviceContext");
    return Fake.config.releaseDcResult;
  };
  Platform.DestroyAppWindow = [](PlatformHandle window) {
    Call("DestroyAppWindow");
    if (Fake.proc) Fake.proc(window, WM_DESTROY, 0, 0);
    return Fake.config.destroyWindowOk;
  };
  Platform.SwapGLBuffers = [](PlatformHandle) { Call("SwapGLBuffers"); };
  Platform.WindowSystemError = [] { return Fake.config.windowSystemError; };
  Platform.PeekAppMessage = [](PlatformMessage* message) {
    if (Fake.queue.empty()) return false;
    *message = Fake.queue.front();
    Fake.queue.erase(Fake.queue.begin());
    return true;
  };
  Platform.DispatchAppMessage = [](const PlatformMessage* message) {
    Call("Dispatch(" + std::to_string(message->message) + ")");
    if (Fake.proc) Fake.proc(message->window, message->message, message->wParam, message->lParam);
  };
  Platform.TranslateAppMessage = [](const PlatformMessage* message) {
    Call("Translate(" + std::to_string(message->message) + ")");
  };
  Platform.PostQuit = [](int) {
    Call("PostQuit");
    Fake.queue.push_back({nullptr, WM_QUIT, 0, 0});
  };
  Platform.DefaultWindowProc = [](PlatformHandle window, std::uint32_t message, std::uintptr_t,
                                  std::intptr_t) -> std::intptr_t {
    Call("DefaultWindowProc(" + std::to_string(message) + ")");
    if (message == WM_CLOSE) Platform.DestroyAppWindow(window);
    return 0;
  };
}

std::string FakeCalls() {
  std::string joined;
  for (const std::string& call : Fake.calls) {
    if (!joined.empty()) joined += ' ';
    joined += call;
  }
  return joined;
}
