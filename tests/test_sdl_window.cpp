// The window module on the real SDL backend and a private X display: a window with a
// 640 x 480 client area and a current GL context, and the full-screen path with and
// without a display mode of that size.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/settings.h"
#include "demo_process.h"
#include "gl/gl.h"
#include "platform/backend.h"
#include "window/window.h"

namespace {

std::vector<std::string> Boxes;

class SdlWindow : public ::testing::Test {
 protected:
  void Start(const char* screen) {
    xvfb_.reset(new XvfbServer(screen));
    if (xvfb_->display.empty()) GTEST_SKIP() << "Xvfb could not be started";
    setenv("DISPLAY", xvfb_->display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    InstallPlatformBackend();
    InitGLBinding();
    ResetWindowState();
    Boxes.clear();
    Platform.ShowMessageBox = [](const char* text, const char* caption, std::uint32_t) {
      Boxes.push_back(std::string(caption) + ": " + text);
    };
  }
  void TearDown() override {
    Fullscreen = false;
    xvfb_.reset();
  }
  std::unique_ptr<XvfbServer> xvfb_;
};

TEST_F(SdlWindow, WindowHasTheClientSizeTitleAndACurrentContext) {
  Start("1024x768x24");
  ASSERT_TRUE(CreateRenderWindow());
  SDL_Window* window = static_cast<SDL_Window*>(WindowHandle);
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window, &w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_STREQ(SDL_GetWindowTitle(window), "OpenGL");
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN);
  const GLubyte* version = glGetString(GL_VERSION);
  ASSERT_NE(version, nullptr);
  int depth = 0, doubleBuffer = 0;
  SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
  SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffer);
  EXPECT_GE(depth, 16);
  EXPECT_EQ(doubleBuffer, 1);
  DestroyRenderWindow();
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(SdlWindow, FullscreenWhenTheDisplayOffers640x480) {
  Start("640x480x24");
  Fullscreen = true;
  ASSERT_TRUE(CreateRenderWindow());
  EXPECT_TRUE(Fullscreen);
  EXPECT_TRUE(Boxes.empty());
  EXPECT_TRUE(SDL_GetWindowFlags(static_cast<SDL_Window*>(WindowHandle)) & SDL_WINDOW_FULLSCREEN);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  DestroyRenderWindow();
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(SdlWindow, FullscreenFallsBackToAWindowWithoutSuchAMode) {
  Start("800x600x24");
  Fullscreen = true;
  ASSERT_TRUE(CreateRenderWindow());
  EXPECT_FALSE(Fullscreen);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0], "Error: Unable to switch to fullscreen!");
  EXPECT_FALSE(SDL_GetWindowFlags(static_cast<SDL_Window*>(WindowHandle)) & SDL_WINDOW_FULLSCREEN);
  DestroyRenderWindow();
  EXPECT_EQ(Boxes.size(), 1u);
}

}  // namespace
