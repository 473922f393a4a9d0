// Window and context creation and teardown against a fake platform: the order of calls,
// the failure matrix (teardown first, then the message), the teardown messages, the
// full-screen path and the key-state table.
#include <gtest/gtest.h>

#include "common/settings.h"
#include "fake_platform.h"
#include "window/window.h"

namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = {Fullscreen, ColorBits, VSync, WindowTitle};
    InstallFakePlatform();
  }
  void TearDown() override {
    Fullscreen = saved_.fullscreen;
    ColorBits = saved_.colorBits;
    VSync = saved_.vsync;
    WindowTitle = saved_.title;
  }
  bool Create(const FakePlatformConfig& cfg) {
    const bool fullscreen = Fullscreen;
    InstallFakePlatform(cfg);
    Fullscreen = fullscreen;
    return CreateRenderWindow();
  }
  // The calls after creation's own, up to the end.
  std::string CallsAfter(const std::string& call) {
    const std::string all = FakeCalls();
    const std::size_t at = all.find(call);
    return at == std::string::npos ? "<" + call + " not called>" : all.substr(at + call.size());
  }

 private:
  struct {
    bool fullscreen;
    std::int32_t colorBits;
    bool vsync;
    const char* title;
  } saved_;
};

TEST_F(WindowTest, SuccessfulCreationMakesEveryStepInOrder) {
  ASSERT_TRUE(Create({}));
  EXPECT_EQ(FakeCalls(),
            "LoadSharedLibrary(libGL.so.1) LoadSharedLibrary(libGLU.so.1) "
            "RegisterWindowClass(OpenGL) OpenWindow(OpenGL,OpenGL,win,640x480) GetDeviceContext "
            "ChoosePixelFormat SetPixelFormat(7) CreateGLContext MakeCurrent(dc,ctx) "
            "ShowAppWindow SetForegroundWindow SetFocus SetSwapInterval(0)");
  EXPECT_TRUE(Fake.boxes.empty());
  EXPECT_EQ(Fake.pixelFormat.size, 40);
  EXPECT_EQ(Fake.pixelFormat.version, 1);
  EXPECT_EQ(Fake.pixelFormat.flags, 0x25u);
  EXPECT_EQ(Fake.pixelFormat.pixelType, 0);
  EXPECT_EQ(Fake.pixelFormat.colorBits, 32);
  EXPECT_GE(Fake.pixelFormat.depthBits, 16) << "the scene depth-tests, so it needs a depth buffer";
  EXPECT_NE(WindowHandle, nullptr);
  EXPECT_NE(DeviceContextHandle, nullptr);
  EXPECT_NE(RenderContextHandle, nullptr);
}

struct CreationFailure {
  const char* name;
  FakePlatformConfig config;
  const char* message;
  const char* teardown;  // the calls between the failing step and the message
};

class CreationFailureTest : public WindowTest,
                            public ::testing::WithParamInterface<CreationFailure> {};

TEST_P(CreationFailureTest, TearsDownWhatExistsThenShowsTheMessage) {
  const CreationFailure& failure = GetParam();
  EXPECT_FALSE(Create(failure.config));
  ASSERT_EQ(Fake.boxes.size(), 1u) << FakeCalls();
  EXPECT_EQ(Fake.boxes[0].caption, "Error");
  EXPECT_EQ(Fake.boxes[0].text, failure.message);
  EXPECT_EQ(Fake.boxes[0].type, MB_ICONERROR);
  const std::string calls = FakeCalls();
  const std::string box = std::string("MessageBox(") + failure.message + ")";
  ASSERT_NE(calls.find(box), std::string::npos);
  EXPECT_EQ(calls.substr(calls.size() - box.size()), box) << "the message comes last";
  EXPECT_NE(calls.find(failure.teardown), std::string::npos) << calls;
  // Nothing that was never created is released.
  if (!failure.config.createContextOk || failure.config.pixelFormat == 0 ||
      !failure.config.setPixelFormatOk || !failure.config.getDcOk || !failure.config.openWindowOk) {
    EXPECT_EQ(calls.find("MakeCurrent(dc,null)"), std::string::npos);
    EXPECT_EQ(calls.find("DeleteGLContext"), std::string::npos);
  }
  if (!failure.config.getDcOk || !failure.config.openWindowOk) {
    EXPECT_EQ(calls.find("ReleaseDeviceContext"), std::string::npos);
  }
  if (!failure.config.openWindowOk) {
    EXPECT_EQ(calls.find("DestroyAppWindow"), std::string::npos);
  }
}

FakePlatformConfig With(void (*change)(FakePlatformConfig&)) {
  FakePlatformConfig cfg;
  change(cfg);
  return cfg;
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, CreationFailureTest,
    ::testing::Values(
        CreationFailure{"Register", With([](FakePlatformConfig& c) { c.registerOk = false; }),
                        "Failed to register the window class!",
                        "RegisterWindowClass(OpenGL) MessageBox"},
        CreationFailure{
            "Window", With([](FakePlatformConfig& c) { c.openWindowOk = false; }),
            "Unable to create window!",
            "OpenWindow(OpenGL,OpenGL,win,640x480) UnregisterWindowClass(OpenGL) MessageBox"},
        CreationFailure{
            "DeviceContext", With([](FakePlatformConfig& c) { c.getDcOk = false; }),
            "Unable to get a device context!",
            "GetDeviceContext DestroyAppWindow PostQuit UnregisterWindowClass(OpenGL) MessageBox"},
        CreationFailure{"ChoosePixelFormat", With([](FakePlatformConfig& c) { c.pixelFormat = 0; }),
                        "Unable to find a suitable pixel format",
                        "ChoosePixelFormat ReleaseDeviceContext DestroyAppWindow PostQuit "
                        "UnregisterWindowClass(OpenGL) MessageBox"},
        CreationFailure{"SetPixelFormat",
                        With([](FakePlatformConfig& c) { c.setPixelFormatOk = false; }),
                        "Unable to set the pixel format",
                        "SetPixelFormat(7) ReleaseDeviceContext DestroyAppWindow PostQuit "
                        "UnregisterWindowClass(OpenGL) MessageBox"},
        CreationFailure{"Context", With([](FakePlatformConfig& c) { c.createContextOk = false; }),
                        "Unable to create an OpenGL rendering context",
                        "CreateGLContext ReleaseDeviceContext DestroyAppWindow PostQuit "
                        "UnregisterWindowClass(OpenGL) MessageBox"}),
    [](const ::testing::TestParamInfo<CreationFailure>& info) { return info.param.name; });

TEST_F(WindowTest, RegisterFailureTearsNothingDown) {
  FakePlatformConfig cfg;
  cfg.registerOk = false;
  EXPECT_FALSE(Create(cfg));
  EXPECT_EQ(FakeCalls().find("Unregister"), std::string::npos);
}

TEST_F(WindowTest, NormalTeardownReleasesInOrderWithoutMessages) {
  ASSERT_TRUE(Create({}));
  Fake.calls.clear();
  DestroyRenderWindow();
  EXPECT_EQ(FakeCalls(),
            "MakeCurrent(dc,null) DeleteGLContext ReleaseDeviceContext DestroyAppWindow PostQuit "
            "UnregisterWindowClass(OpenGL)");
  EXPECT_TRUE(Fake.boxes.empty());
}

TEST_F(WindowTest, EveryFailedReleaseIsReportedAndTheTeardownGoesOn) {
  FakePlatformConfig cfg;
  cfg.makeCurrentOk = false;
  cfg.deleteContextOk = false;
  cfg.releaseDcResult = 0;
  cfg.destroyWindowOk = false;
  cfg.unregisterOk = false;
  ASSERT_TRUE(Create(cfg));
  DestroyRenderWindow();
  ASSERT_EQ(Fake.boxes.size(), 5u);
  const char* texts[] = {"Не могу выбрать контекст рендиринга!",
                         "Не могу удалит контекст рендеринга!",
                         "Не могу освободить контексты рендеринга!", "Не могу удалить окно",
                         "Unable to unregister window class!"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Fake.boxes[i].caption, "Ошибка");
    EXPECT_EQ(Fake.boxes[i].text, texts[i]);
    EXPECT_EQ(Fake.boxes[i].type, MB_ICONERROR);
  }
  // A failed release clears its handle; a failed make-current clears none.
  EXPECT_EQ(RenderContextHandle, nullptr);
  EXPECT_EQ(DeviceContextHandle, nullptr);
  EXPECT_EQ(WindowHandle, nullptr);
}

TEST_F(WindowTest, SuccessfulReleaseKeepsItsHandle) {
  ASSERT_TRUE(Create({}));
  DestroyRenderWindow();
  EXPECT_NE(RenderContextHandle, nullptr);
  EXPECT_NE(DeviceContextHandle, nullptr);
  EXPECT_NE(WindowHandle, nullptr);
}

TEST_F(WindowTest, WindowClosedByTheUserIsNotReleasedAgain) {
  ASSERT_TRUE(Create({}));
  // The close request goes to default processing, which destroys the window; its
  // WM_DESTROY posts the quit request.
  WindowProc(WindowHandle, WM_CLOSE, 0, 0);
  EXPECT_NE(FakeCalls().find("DefaultWindowProc(16) DestroyAppWindow PostQuit"), std::string::npos);
  Fake.calls.clear();
  DestroyRenderWindow();
  EXPECT_EQ(FakeCalls(), "MakeCurrent(null,null) DeleteGLContext UnregisterWindowClass(OpenGL)");
  EXPECT_TRUE(Fake.boxes.empty());
}

TEST_F(WindowTest, FullscreenSwitchesModeHidesPointerAndRestores) {
  Fullscreen = true;
  ASSERT_TRUE(Create({}));
  EXPECT_TRUE(Fullscreen);
  EXPECT_EQ(Fake.displayMode.width, 640u);
  EXPECT_EQ(Fake.displayMode.height, 480u);
  EXPECT_EQ(Fake.displayMode.bitsPerPel, 32u);
  EXPECT_EQ(Fake.displayMode.fields, 0x1C0000u);
  EXPECT_NE(
      FakeCalls().find("SwitchDisplayMode ShowPointer(0) OpenWindow(OpenGL,OpenGL,full,640x480)"),
      std::string::npos)
      << FakeCalls();
  Fake.calls.clear();
  DestroyRenderWindow();
  EXPECT_EQ(FakeCalls().find("RestoreDisplayMode ShowPointer(1) MakeCurrent"), 0u) << FakeCalls();
}

TEST_F(WindowTest, FailedModeSwitchFallsBackToAWindow) {
  // -1 and any other code that is not a success count as failure.
  for (std::int32_t code :
       {std::int32_t(DISP_CHANGE_FAILED), std::int32_t(DISP_CHANGE_BADMODE), std::int32_t(1)}) {
    Fullscreen = true;
    FakePlatformConfig cfg;
    cfg.displayResult = code;
    ASSERT_TRUE(Create(cfg)) << code;
    EXPECT_FALSE(Fullscreen) << code;
    ASSERT_EQ(Fake.boxes.size(), 1u) << code;
    EXPECT_EQ(Fake.boxes[0].caption, "Error");
    EXPECT_EQ(Fake.boxes[0].text, "Unable to switch to fullscreen!");
    EXPECT_NE(FakeCalls().find("OpenWindow(OpenGL,OpenGL,win,640x480)"), std::string::npos);
    EXPECT_EQ(FakeCalls().find("ShowPointer"), std::string::npos);
    Fake.calls.clear();
    DestroyRenderWindow();
    EXPECT_EQ(FakeCalls().find("RestoreDisplayMode"), std::string::npos) << code;
  }
}

TEST_F(WindowTest, ColorBitsWholeInModeLowByteInPixelFormat) {
  Fullscreen = true;
  ColorBits = 0x118;
  ASSERT_TRUE(Create({}));
  EXPECT_EQ(Fake.displayMode.bitsPerPel, 0x118u);
  EXPECT_EQ(Fake.pixelFormat.colorBits, 0x18);
}

TEST_F(WindowTest, VSyncAndTitle) {
  VSync = true;
  WindowTitle = "";
  ASSERT_TRUE(Create({}));
  EXPECT_NE(FakeCalls().find("OpenWindow(OpenGL,,win,640x480)"), std::string::npos);
  EXPECT_NE(FakeCalls().find("SetSwapInterval(1)"), std::string::npos);
}

TEST_F(WindowTest, KeyStateFollowsKeyDownAndKeyUp) {
  ASSERT_TRUE(Create({}));
  WindowProc(WindowHandle, WM_KEYUP, 'A', 0);
  EXPECT_EQ(KeyState[int{'A'}], 0) << "a key-up for a key never down leaves 0";
  EXPECT_EQ(WindowProc(WindowHandle, WM_KEYDOWN, VK_ESCAPE, 0), 0);
  EXPECT_EQ(KeyState[27], 1);
  WindowProc(WindowHandle, WM_KEYDOWN, VK_ESCAPE, 1 << 30);  // auto-repeat
  EXPECT_EQ(KeyState[27], 1);
  WindowProc(WindowHandle, WM_KEYUP, VK_ESCAPE, 0);
  EXPECT_EQ(KeyState[27], 0);
  // System keys go to default processing and leave the table alone.
  WindowProc(WindowHandle, WM_SYSKEYDOWN, VK_F10, 0);
  EXPECT_EQ(KeyState[VK_F10], 0);
  EXPECT_NE(FakeCalls().find("DefaultWindowProc(260)"), std::string::npos);
  // A code outside the table is ignored.
  WindowProc(WindowHandle, WM_KEYDOWN, 300, 0);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(KeyState[i], 0) << i;
}

}  // namespace
