// The shaders renderer in a real OpenGL 3.3 core context (Mesa through SDL's offscreen
// driver): every frame it can draw calls nothing a core context lacks (the commands GL 3.2's
// core profile removed, as the registry lists them, GLU, any extension), the GL reports no
// error, and what it draws is the picture the scene's own terms say.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "app/panel.h"
#include "common/settings.h"
#include "gl/gl.h"
#include "gl/recorder/gl_recorder.h"
#include "platform/backend.h"
#include "scene/overlay.h"
#include "scene/scene.h"
#include "window/window.h"

namespace fs = std::filesystem;

namespace {

const std::set<std::string>& CompatibilityOnly() {
  static const std::set<std::string> names = {
#define GL_COMPAT_ONLY(name) #name,
#include "gl/gl_compat_only.inc"
#undef GL_COMPAT_ONLY
  };
  return names;
}

class CoreShaders : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    unsetenv("DISPLAY");
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    char dir[] = "/tmp/bumpdemo-shaders-XXXXXX";
    RunDir = mkdtemp(dir);
    fs::copy(fs::path(BUMPDEMO_ASSETS_DIR) / "Textures", RunDir + "/Textures");
    fs::create_directory(RunDir + "/system");
    ASSERT_EQ(chdir(RunDir.c_str()), 0);
    ContextKind = GLContextKind::Core;
    StartRenderer = CurrentRenderer = Renderer::Shaders;
    InstallPlatformBackend();
    InitGLBinding();
    ASSERT_TRUE(CreateRenderWindow());
    InitScene();
  }
  static void TearDownTestSuite() {
    DestroyRenderWindow();
    fs::remove_all(RunDir);
  }
  static std::string RunDir;
};
std::string CoreShaders::RunDir;

TEST_F(CoreShaders, EveryFrameCallsOnlyCoreEntryPointsAndRaisesNoError) {
  const GLubyte* version = glGetString(GL_VERSION);
  ASSERT_NE(version, nullptr);
  // 3.3 or later (a GL may give a later version for the one asked for), core profile.
  const std::string text = reinterpret_cast<const char*>(version);
  EXPECT_NE(text.find("Core Profile"), std::string::npos) << text;
  EXPECT_GE(std::atof(text.c_str()), 3.3) << text;
  int frames = 0;
  std::set<std::string> called;
  for (const Model model : {Model::Wall, Model::Sphere, Model::Torus})
    for (int view = 1; view <= 5; ++view)
      for (const bool extras : {false, true}) {
        CurrentModel = model;
        CurrentView = static_cast<View>(view);
        ShowColour = ShowSpecular = ShowWireframe = ShowVectors = extras;
        RecordGLCalls();
        ForwardRecordedGLCalls(true);
        RenderScene();
        DrawGeometryOverlays();
        DrawTextPanel(PanelLines(60, "a note"));
        const GLCallList calls = RecordedGLCalls();
        StopRecordingGLCalls();
        SCOPED_TRACE("model " + std::to_string(static_cast<int>(model)) + ", view " +
                     std::to_string(view) + (extras ? ", colour, specular, overlays" : ""));
        bool drew = false;
        for (const GLCall& call : calls) {
          called.insert(call.name);
          drew = drew || call.name == "glDrawElements" || call.name == "glDrawArrays";
          const EntryPointInfo* entry = FindEntryPoint(call.name.c_str());
          ASSERT_NE(entry, nullptr) << call.name;
          const std::string family = entry->family;
          EXPECT_EQ(CompatibilityOnly().count(call.name), 0u) << call.name << " is compat-only";
          EXPECT_TRUE(family.rfind("GL_VERSION_", 0) == 0 || family == "GL_ES_VERSION_3_0")
              << call.name << " is of " << family;
        }
        EXPECT_TRUE(drew);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        ++frames;
      }
  EXPECT_EQ(frames, 30);
  // The list the check reads is the registry's: it holds what the stages' frame calls.
  for (const char* name : {"glBegin", "glTexEnvi", "glMatrixMode", "glEnableClientState"})
    EXPECT_EQ(CompatibilityOnly().count(name), 1u) << name;
  EXPECT_EQ(called.count("glUseProgram"), 1u);
}

// The wall seen as at start, in the flat view: the cube map's lookup of the light vector
// dotted with (0, 0, 1). Below the light the wall faces it straight: the brightest pixel is
// white, and the far corner, away from the light, is darker.
TEST_F(CoreShaders, FlatViewIsBrightestUnderTheLight) {
  CurrentModel = Model::Wall;
  CurrentView = View::Flat;
  ShowColour = ShowSpecular = ShowWireframe = ShowVectors = false;
  RenderScene();
  std::vector<std::uint8_t> pixels(640 * 480 * 4);
  glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  int brightest = 0;
  for (std::size_t i = 0; i < pixels.size(); i += 4)
    if (pixels[i] == pixels[i + 1] && pixels[i] == pixels[i + 2])
      brightest = std::max<int>(brightest, pixels[i]);
  EXPECT_GE(brightest, 250);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
