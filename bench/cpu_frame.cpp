// The program's own CPU work per frame: passes of the main loop (RenderScene's own
// computation, UpdateScene, the step scheduling and the error drain) with every GL and
// GLU slot routed to the recorder's no-ops (DiscardGLCalls: each returns 0 or null and
// does nothing else) and the platform reduced to a clock that advances 1/60 s per reading,
// from the monotonic clock's reading at start. Under callgrind (bench.sh runs it with
// --toggle-collect=MeasureFrames) the instruction count divided by the frame count is
// the work per frame; on its own it prints nanoseconds per frame. (The frame-rate
// benchmark times the same own work next to the real frames, for its share.)
//
// Any model and mode: --model wall|sphere|torus or a glTF file, --colour, --specular. Two no-ops
// are given answers so that the scene takes the path it takes on the real GL: glGetIntegerv reports
// --texture-units for GL_MAX_TEXTURE_UNITS_ARB (llvmpipe has 8), and glGenTextures hands out names,
// so the colour map (read from --assets) counts as loaded. The meshes are made and the colour map
// read in one pass before the measured ones.
//
//   cpu_frame [--frames N] [--model NAME] [--colour] [--specular] [--assets DIR]
//             [--texture-units N] [--smoke]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/demo.h"
#include "gl/gl.h"
#include "gl/recorder/gl_recorder.h"
#include "platform/backend.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "window/window.h"

namespace {

std::int64_t FakeCounter = 0;
GLint TextureUnitAnswer = 8;
GLuint NextTextureName = 1;

void InstallClockPlatform() {
  Platform = PlatformOps{};
  InstallPlatformFiles();  // the colour map is read from the assets
  Platform.CounterFrequency = [] { return std::int64_t{1000000}; };
  Platform.CounterValue = [] { return FakeCounter += 16667; };
  Platform.PeekAppMessage = [](PlatformMessage*) { return false; };
  Platform.SwapGLBuffers = [](PlatformHandle) {};
  Platform.ShowMessageBox = [](const char* text, const char* caption, std::uint32_t) {
    std::fprintf(stderr, "cpu_frame: %s: %s\n", caption, text);
  };
}

// The two answers the scene's path depends on (see the top of the file).
void AnswerLikeTheGL() {
  glGetIntegerv = [](GLenum name, GLint* value) {
    if (name == GL_MAX_TEXTURE_UNITS_ARB) *value = TextureUnitAnswer;
  };
  glGenTextures = [](GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) names[i] = NextTextureName++;
  };
}

bool ParseModel(const std::string& name, Model* model) {
  if (name == "wall")
    *model = Model::Wall;
  else if (name == "sphere")
    *model = Model::Sphere;
  else if (name == "torus")
    *model = Model::Torus;
  else
    return false;
  return true;
}

}  // namespace

// The measured region: callgrind collects inside this function only.
extern "C" __attribute__((noinline)) void MeasureFrames(int frames, std::int32_t* mark) {
  for (int i = 0; i < frames; ++i) RunPass(mark);
}

int main(int argc, char** argv) {
  int frames = 10000;
  Model model = Model::Wall;
  bool colour = false, specular = false;
  std::string assets, modelName = "wall";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--smoke") {
      frames = 10;
    } else if (arg == "--frames" && hasValue) {
      frames = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--model" && hasValue) {
      modelName = argv[++i];
      if (!ParseModel(modelName, &model)) model = Model::File;
    } else if (arg == "--colour") {
      colour = true;
    } else if (arg == "--specular") {
      specular = true;
    } else if (arg == "--assets" && hasValue) {
      assets = argv[++i];
    } else if (arg == "--texture-units" && hasValue) {
      TextureUnitAnswer = std::max(2, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "cpu_frame: unknown argument %s\n", arg.c_str());
      return 2;
    }
  }
  if (colour && assets.empty()) {
    std::fprintf(stderr, "cpu_frame: --colour reads the colour map: --assets DIR is required\n");
    return 2;
  }
  InitGLBinding();
  InstallClockPlatform();
  // Starts where the monotonic clock stands (as SDL's counter does), so that the light's
  // angle is as large as in a real run.
  FakeCounter = std::chrono::duration_cast<std::chrono::microseconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count();
  DiscardGLCalls();
  AnswerLikeTheGL();
  // The scene as InitScene leaves it, without the GL work of loading textures.
  LightPosition = MakeVector3(0.5f, 0.0f, 1.0f);
  LightQuadric = reinterpret_cast<GLUquadric*>(&FakeCounter);
  BumpTexture = NextTextureName++;
  NormalizationCubeMap = NextTextureName++;
  WallVertices[0] = MakeVector3(-1, -1, 0);
  WallVertices[1] = MakeVector3(1, -1, 0);
  WallVertices[2] = MakeVector3(1, 1, 0);
  WallVertices[3] = MakeVector3(-1, 1, 0);
  WallTexCoords[0] = MakeTexCoord2(0, 0);
  WallTexCoords[1] = MakeTexCoord2(1, 0);
  WallTexCoords[2] = MakeTexCoord2(1, 1);
  WallTexCoords[3] = MakeTexCoord2(0, 1);
  const std::string colourMap = assets + "/Textures/wall_colour.bmp";
  ColourMapPath = colourMap.c_str();
  if (model == Model::File) {
    std::string refusal;
    if (!LoadFileModel(modelName.c_str(), &refusal)) {
      std::fprintf(stderr, "cpu_frame: %s\n", refusal.c_str());
      return 2;
    }
  }
  CurrentModel = model;
  ShowColour = colour;
  ShowSpecular = specular;
  Running = true;

  ElapsedMs = GetTimeMs();
  std::int32_t mark = ElapsedMs;
  RunPass(&mark);  // makes the mesh, reads the colour map
  const GLuint namesBefore = NextTextureName;

  const auto start = std::chrono::steady_clock::now();
  MeasureFrames(frames, &mark);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const char* mode = colour && specular ? "colour+specular"
                     : colour           ? "colour"
                     : specular         ? "specular"
                                        : "diffuse";
  std::printf("cpu_frame: %s %s, %d passes, %.1f ns per pass, light at (%.3f, %.3f, %.3f)\n",
              modelName.c_str(), mode, frames, seconds * 1e9 / frames, LightPosition.x,
              LightPosition.y, LightPosition.z);
  // The light has moved to its height, and no texture was made again in the measured
  // passes (the colour map is read once).
  return Running && LightPosition.z == 1.5f && NextTextureName == namesBefore ? 0 : 1;
}
