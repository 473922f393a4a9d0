// The shaders renderer in a real OpenGL 3.3 core context (Mesa through SDL's offscreen
// driver): every frame it can draw calls nothing a core context lacks (the commands GL 3.2's
// core profile removed, as the registry lists them, GLU, any extension), the GL reports no
// error, and what it draws is the picture the scene's own terms say.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "app/panel.h"
#include "app/screenshot.h"
#include "common/settings.h"
#include "common/state.h"
#include "gl/gl.h"
#include "gl/recorder/gl_recorder.h"
#include "platform/backend.h"
#include "scene/light.h"
#include "scene/overlay.h"
#include "scene/scene.h"
#include "scene/shader_sources.h"
#include "scene/shaders.h"
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

// The WebGL 2 functions the browser build links in: every other lookup fails there.
const std::set<std::string>& WebGLFunctions() {
  static const std::set<std::string> names = {
#define WEBGL_FUNCTION(name) #name,
#include "platform/web/webgl_functions.inc"
#undef WEBGL_FUNCTION
  };
  return names;
}

// A window with the shaders renderer in a context of the given kind, for the whole suite
// (each test runs in a process of its own).
template <GLContextKind Kind>
class ShadersIn : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    unsetenv("DISPLAY");
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    char dir[] = "/tmp/bumpdemo-shaders-XXXXXX";
    RunDir = mkdtemp(dir);
    fs::copy(fs::path(BUMPDEMO_ASSETS_DIR) / "Textures", RunDir + "/Textures");
    fs::create_directory(RunDir + "/system");
    ASSERT_EQ(chdir(RunDir.c_str()), 0);
    ContextKind = Kind;
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
  static inline std::string RunDir;
};
using CoreShaders = ShadersIn<GLContextKind::Core>;
using ESShaders = ShadersIn<GLContextKind::ES>;

// Every frame the shaders can draw (every model and view, with and without the colour
// map, the highlight, the overlays and the panel), recorded: the calls of each, in order.
std::vector<GLCallList> RecordEveryFrame() {
  std::vector<GLCallList> frames;
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
        frames.push_back(RecordedGLCalls());
        StopRecordingGLCalls();
      }
  return frames;
}

TEST_F(CoreShaders, EveryFrameCallsOnlyCoreEntryPointsAndRaisesNoError) {
  const GLubyte* version = glGetString(GL_VERSION);
  ASSERT_NE(version, nullptr);
  // 3.3 or later (a GL may give a later version for the one asked for), core profile.
  const std::string text = reinterpret_cast<const char*>(version);
  EXPECT_NE(text.find("Core Profile"), std::string::npos) << text;
  EXPECT_GE(std::atof(text.c_str()), 3.3) << text;
  int frames = 0;
  std::set<std::string> called;
  for (const GLCallList& calls : RecordEveryFrame()) {
    SCOPED_TRACE("frame " + std::to_string(frames));
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

// The browser's frame: in an OpenGL ES 3.0 context, as WebGL 2 is, every frame calls only
// what the browser build links in, and the GL reports no error. (The browser runs each of
// these frames too, in the picture matrix's WebGL row.)
TEST_F(ESShaders, EveryFrameCallsOnlyWhatTheBrowserBuildLinksIn) {
  const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  EXPECT_EQ(version.rfind("OpenGL ES 3.", 0), 0u) << version;
  // The first frame builds the programs, buffers and textures anew; a screenshot reads the
  // last one back.
  ReleaseShaders();
  std::vector<GLCallList> frames = RecordEveryFrame();
  RecordGLCalls();
  ForwardRecordedGLCalls(true);
  std::string error;
  EXPECT_TRUE(SaveScreenshot((RunDir + "/shot.png").c_str(), 640, 480, &error)) << error;
  frames.push_back(RecordedGLCalls());
  StopRecordingGLCalls();
  std::set<std::string> called;
  for (const GLCallList& calls : frames) {
    for (const GLCall& call : calls) {
      called.insert(call.name);
      EXPECT_EQ(WebGLFunctions().count(call.name), 1u) << call.name << " is not linked in";
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  for (const char* name : {"glCreateProgram", "glTexImage2D", "glDrawElements", "glReadPixels"})
    EXPECT_EQ(called.count(name), 1u) << name;
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

// The picture matrix's metric against faults put into the shaders on purpose: each frame,
// drawn as the program draws its capture (the clock at 300 ms), must fail against the
// stages' reference, and the faithful shaders must pass. The comparison is the matrix's own
// program (picture_compare).
struct ShaderFault {
  const char* name;
  const char* reference;  // the case in tests/golden/
  Model model;
  bool specular;
  std::vector<std::pair<std::string, std::string>> edits;  // text in the shaders, its stand-in
};

std::vector<std::pair<std::string, std::string>> FaultEdits;

std::string ApplyFault(const std::string& text) {
  std::string out = text;
  for (const auto& edit : FaultEdits) {
    const std::size_t at = out.find(edit.first);
    if (at != std::string::npos) out.replace(at, edit.first.size(), edit.second);
  }
  return out;
}

TEST_F(CoreShaders, FaultsInTheShadersFailTheMatrixAndTheFaithfulOnesPass) {
  const ShaderFault faults[] = {
      {"faithful", "sphere-highlight-t300", Model::Sphere, true, {}},
      {"light-normalised-per-vertex",
       "wall-lit-t300",
       Model::Wall,
       false,
       {{"vec3 light = texture(u_cubeMap, lightVector).rgb;",
         "vec3 light = 0.5 + 0.5 * lightVector;"}}},
      {"green-flipped",
       "wall-lit-t300",
       Model::Wall,
       false,
       {{"vec3 normal = texture(u_normalMap, v_texcoord).rgb;",
         "vec3 normal = texture(u_normalMap, v_texcoord).rgb; normal.g = 1.0 - normal.g;"}}},
      {"dot3-without-4", "wall-lit-t300", Model::Wall, false, {{"4.0 * dot(", "dot("}}},
      {"power-8",
       "wall-highlight-t300",
       Model::Wall,
       true,
       {{"k < c_squarings", "k < c_squarings - 1"}}},
      {"no-self-shadowing",
       "sphere-lit-t1100",
       Model::Sphere,
       false,
       {{"if (c_shadow) colour *= shade;", ""}}},
  };
  const std::string out = RunDir + "/faults";
  ShaderTextFilter = ApplyFault;
  for (const ShaderFault& fault : faults) {
    SCOPED_TRACE(fault.name);
    for (const char* dir : {"/reference", "/got", "/diff"}) fs::create_directories(out + dir);
    FaultEdits = fault.edits;
    for (const auto& edit : fault.edits) {
      const std::string all = std::string(BumpVertexShader) + BumpFragmentShader;
      ASSERT_NE(all.find(edit.first), std::string::npos) << "the fault edits no text";
    }
    ReleaseShaders();
    CurrentModel = fault.model;
    CurrentView = View::Lit;
    ShowColour = ShowWireframe = ShowVectors = false;
    ShowSpecular = fault.specular;
    ElapsedMs = 300;
    UpdateScene();
    RenderScene();
    std::string error;
    const std::string got = out + "/got/" + fault.reference + ".png";
    ASSERT_TRUE(SaveScreenshot(got.c_str(), 640, 480, &error)) << error;
    fs::copy_file(std::string(BUMPDEMO_GOLDEN_DIR) + "/" + fault.reference + ".png",
                  out + "/reference/" + fault.reference + ".png",
                  fs::copy_options::overwrite_existing);
    std::ofstream(out + "/reference/cases.txt") << fault.reference << "\n";
    const std::string command = std::string(PICTURE_COMPARE) + " " + out + "/reference " + out +
                                "/got " + out + "/diff > " + out + "/result.txt";
    const int status = std::system(command.c_str());
    std::ifstream result(out + "/result.txt");
    const std::string said((std::istreambuf_iterator<char>(result)), {});
    EXPECT_EQ(WEXITSTATUS(status), std::string(fault.name) == "faithful" ? 0 : 1) << said;
    std::printf("%-28s %s", fault.name, said.substr(0, said.find('\n') + 1).c_str());
    fs::remove_all(out);
  }
  ShaderTextFilter = nullptr;
  FaultEdits.clear();
  ReleaseShaders();
  ShowSpecular = false;
}

}  // namespace
