// Mesa's GL and GLU through the table: loading the real libraries, and calls through
// eager slots, stubs and driver-only stubs with a current offscreen context (SDL's
// offscreen driver, no display).
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gl/gl.h"
#include "gl/gl_loader.h"
#include "gl/recorder/gl_recorder.h"
#include "platform/sdl/platform_sdl.h"

namespace {

class MesaGL : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallSdlPlatform();
    UnloadGLLibraries();
    InitGLBinding();
  }
  void TearDown() override {
    if (context_) SDL_GL_DeleteContext(context_);
    if (window_) SDL_DestroyWindow(window_);
    if (video_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    UnloadGLLibraries();
    InstallEntryPointStubs();
  }
  // A current compatibility-profile context with no display at all.
  void MakeOffscreenContext() {
    unsetenv("DISPLAY");
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    video_ = true;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    window_ = SDL_CreateWindow("gl", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
    context_ = SDL_GL_CreateContext(window_);
    ASSERT_NE(context_, nullptr) << SDL_GetError();
    ASSERT_EQ(SDL_GL_MakeCurrent(window_, context_), 0) << SDL_GetError();
  }
  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
  bool video_ = false;
};

TEST_F(MesaGL, LoadsBothLibrariesAndBindsTheEagerSet) {
  ASSERT_TRUE(LoadGLLibraries(GL_LIBRARY_NAME, GLU_LIBRARY_NAME));
  EXPECT_NE(GLLibraryHandle, nullptr);
  EXPECT_NE(GLULibraryHandle, nullptr);
  EXPECT_NE(DriverLookupProc, nullptr) << "Mesa's libGL exports " DRIVER_LOOKUP_NAME;
  EXPECT_NE(glGetString, nullptr);
  EXPECT_NE(reinterpret_cast<void*>(glGetString), FindEntryPoint("glGetString")->stub);
  std::size_t count = 0;
  const EntryPointInfo* entries = EntryPoints(&count);
  int glu = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (std::strcmp(entries[i].family, "GLU") != 0) {
      if (std::strcmp(entries[i].name, "glGetString") != 0) {
        EXPECT_EQ(*entries[i].slot, entries[i].stub) << entries[i].name;
      }
      continue;
    }
    ++glu;
    EXPECT_NE(*entries[i].slot, nullptr) << entries[i].name;
    EXPECT_EQ(*entries[i].slot, Platform.FindExport(GLULibraryHandle, entries[i].name));
  }
  EXPECT_EQ(glu, 51);
}

TEST_F(MesaGL, CallsThroughTheTableReachTheCurrentContext) {
  ASSERT_TRUE(LoadGLLibraries(GL_LIBRARY_NAME, GLU_LIBRARY_NAME));
  MakeOffscreenContext();
  if (HasFatalFailure()) return;

  const GLubyte* version = glGetString(GL_VERSION);
  ASSERT_NE(version, nullptr);
  EXPECT_TRUE(std::isdigit(version[0])) << version;
  EXPECT_NE(glGetString(GL_RENDERER), nullptr);

  // Bound by stubs on first use, through the driver lookup.
  glEnable(GL_DEPTH_TEST);
  EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), GL_TRUE);
  glDisable(GL_DEPTH_TEST);
  EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), GL_FALSE);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  EXPECT_EQ(active, static_cast<GLint>(GL_TEXTURE1_ARB));
  glActiveTextureARB(GL_TEXTURE0_ARB);

  // A driver-only entry point.
  const GLuint shader = glCreateShader(GL_VERTEX_SHADER);
  EXPECT_NE(shader, 0u);
  glDeleteShader(shader);

  // Drawing lands in the framebuffer.
  glViewport(0, 0, 64, 64);
  glClearColor(1, 0.5f, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  GLubyte pixel[4] = {};
  glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(pixel[0], 255);
  EXPECT_NEAR(pixel[1], 128, 1);
  EXPECT_EQ(pixel[2], 0);

  // GLU from the GLU library, acting on the same context.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(90, 2, 1, 10);
  GLdouble m[16] = {};
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  EXPECT_NEAR(m[0], 0.5, 1e-12);
  EXPECT_NEAR(m[5], 1.0, 1e-12);
  EXPECT_EQ(glGetError(), GL_NO_ERROR);
}

TEST_F(MesaGL, TheRecordersErrorTextsAreGLUs) {
  ASSERT_TRUE(LoadGLLibraries(GL_LIBRARY_NAME, GLU_LIBRARY_NAME));
  const GLenum codes[] = {GL_NO_ERROR,
                          GL_INVALID_ENUM,
                          GL_INVALID_VALUE,
                          GL_INVALID_OPERATION,
                          GL_STACK_OVERFLOW,
                          GL_STACK_UNDERFLOW,
                          GL_OUT_OF_MEMORY,
                          0x8031,
                          0x0506,
                          100900,
                          100901,
                          100902,
                          100903,
                          100904};
  std::vector<std::string> real;
  for (GLenum code : codes) {
    const GLubyte* text = gluErrorString(code);
    real.push_back(text ? reinterpret_cast<const char*>(text) : "(null)");
  }
  RecordGLCalls({"gluErrorString"});
  for (std::size_t i = 0; i < real.size(); ++i) {
    const GLubyte* text = gluErrorString(codes[i]);
    EXPECT_EQ(text ? reinterpret_cast<const char*>(text) : "(null)", real[i]) << codes[i];
  }
  StopRecordingGLCalls();
}

}  // namespace
