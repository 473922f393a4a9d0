// Frame-rate benchmark: one 640 x 480 window and context, kinds of frame measured in
// alternation over several rounds so that machine drift falls on all of them alike:
//   floor   clear colour and depth, flush, finish, swap;
//   program one pass of the main loop (RenderScene through the lazy table, the steps,
//           flush, finish, swap, the error drain), for each model (wall, sphere, torus)
//           in each mode (diffuse; with the colour map; with the specular highlight);
//   direct  the wall's diffuse frame by direct libGL/libGLU calls, then swap.
// Prints a table and writes the figures as JSON.
//
//   frame_rate --assets DIR --json FILE [--label NAME] [--rounds N] [--frames N] [--smoke]
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/demo.h"
#include "direct_frame.h"
#include "gl/gl.h"
#include "log/log.h"
#include "platform/backend.h"
#include "scene/scene.h"
#include "window/window.h"

namespace {

struct Options {
  std::string assets;
  std::string json = "build/bench/frame_rate.json";
  std::string label;
  int rounds = 9;
  int frames = 200;
  bool smoke = false;
};

struct Figures {
  std::vector<double> fps;  // one per round
};

// The kinds of frame: the floor, the wall's diffuse pass (as measured before the other
// modes were), the direct reference, then the program's other modes.
const char* const KindNames[3] = {"floor", "program", "direct"};
const char* const ModelNames[3] = {"wall", "sphere", "torus"};
const char* const ModeNames[3] = {"diffuse", "colour", "specular"};
constexpr int ModeCount = 9;  // model x mode
constexpr int KindCount = 3 + ModeCount - 1;

// The program mode (model * 3 + mode) a kind draws; -1 for the floor and the direct frame.
int KindMode(int kind) {
  return kind == 1 ? 0 : kind >= 3 ? kind - 2 : -1;
}

// The scene's switches as the keys (M, D, S) or the command line would leave them.
void SelectMode(int mode) {
  CurrentModel = static_cast<Model>(mode / 3);
  ShowColour = mode % 3 == 1;
  ShowSpecular = mode % 3 == 2;
}

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Swap() {
  SDL_GL_SwapWindow(static_cast<SDL_Window*>(DeviceContextHandle));
}

// Draws frames of one kind; returns frames per second.
double Measure(int kind, int frames, std::int32_t* mark) {
  if (KindMode(kind) >= 0) SelectMode(KindMode(kind));
  const double start = Now();
  for (int i = 0; i < frames; ++i) {
    if (kind == 0) {
      DirectFloorFrame();
      Swap();
    } else if (KindMode(kind) >= 0) {
      RunPass(mark);
    } else {
      DirectSceneFrame(&LightPosition.x, BumpTexture, NormalizationCubeMap);
      Swap();
    }
  }
  return frames / (Now() - start);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--smoke") {
      options->smoke = true;
    } else if (arg == "--assets" && hasValue) {
      options->assets = argv[++i];
    } else if (arg == "--json" && hasValue) {
      options->json = argv[++i];
    } else if (arg == "--label" && hasValue) {
      options->label = argv[++i];
    } else if (arg == "--rounds" && hasValue) {
      options->rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--frames" && hasValue) {
      options->frames = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "frame_rate: unknown argument %s\n", arg.c_str());
      return false;
    }
  }
  if (options->assets.empty()) {
    std::fprintf(stderr, "frame_rate: --assets DIR (holding Textures/) is required\n");
    return false;
  }
  if (options->smoke) {
    options->rounds = 1;
    options->frames = 3;
  }
  return true;
}

// A run directory like the program's: Textures/ from the assets, an empty system/.
bool EnterRunDirectory(const Options& options) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path assets = fs::absolute(options.assets, error);
  const fs::path json = fs::absolute(options.json, error);
  const fs::path run = json.parent_path() / ("run-" + std::to_string(getpid()));
  fs::create_directories(run / "system", error);
  fs::remove_all(run / "Textures", error);
  fs::copy(assets / "Textures", run / "Textures", fs::copy_options::recursive, error);
  if (error) {
    std::fprintf(stderr, "frame_rate: cannot make %s: %s\n", run.c_str(), error.message().c_str());
    return false;
  }
  return chdir(run.c_str()) == 0;
}

void RemoveRunDirectory() {
  std::error_code error;
  const std::filesystem::path run = std::filesystem::current_path(error);
  if (chdir("..") == 0) std::filesystem::remove_all(run, error);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return 2;
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::absolute(options.json).parent_path(), error);
  const std::string jsonPath = std::filesystem::absolute(options.json).string();
  if (!EnterRunDirectory(options)) return 2;

  InstallPlatformBackend();
  InitGLBinding();
  if (!CreateRenderWindow()) {
    std::fprintf(stderr, "frame_rate: no window or GL context\n");
    return 1;
  }
  SetLogFileName("system\\log.txt");
  ResetLog();
  Running = true;
  InitScene();
  if (!DirectInit()) {
    std::fprintf(stderr, "frame_rate: gluNewQuadric failed\n");
    return 1;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  const std::string label = options.label.empty() ? (driver ? driver : "?") : options.label;

  ElapsedMs = GetTimeMs();
  std::int32_t mark = ElapsedMs;
  GLint textureUnits = 0;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &textureUnits);

  // Warm-up: binds the lazy slots, makes the meshes, reads the colour map, fills the
  // driver's caches (llvmpipe compiles a shader variant for each new state).
  for (int kind = 0; kind < KindCount; ++kind) Measure(kind, options.smoke ? 1 : 50, &mark);

  Figures figures[KindCount];
  for (int round = 0; round < options.rounds; ++round) {
    // The order turns each round, so that no kind always follows the same one.
    for (int k = 0; k < KindCount; ++k) {
      const int kind = (round + k) % KindCount;
      figures[kind].fps.push_back(Measure(kind, options.frames, &mark));
    }
  }
  const bool clean = Running;  // no quit request or Escape came in between
  DestroyRenderWindow();
  RemoveRunDirectory();

  double median[KindCount], low[KindCount], high[KindCount];
  for (int kind = 0; kind < KindCount; ++kind) {
    median[kind] = Median(figures[kind].fps);
    low[kind] = *std::min_element(figures[kind].fps.begin(), figures[kind].fps.end());
    high[kind] = *std::max_element(figures[kind].fps.begin(), figures[kind].fps.end());
  }
  // Ratios of the medians of the per-round ratios, so that drift within a run cancels.
  std::vector<double> r23, r21;
  for (int round = 0; round < options.rounds; ++round) {
    r23.push_back(figures[1].fps[round] / figures[2].fps[round]);
    r21.push_back(figures[1].fps[round] / figures[0].fps[round]);
  }
  const double ratio23 = Median(r23), ratio21 = Median(r21);

  std::printf("frame rate, driver %s, %s (%s), %d rounds x %d frames, 640x480\n", label.c_str(),
              renderer.c_str(), version.c_str(), options.rounds, options.frames);
  std::printf("  %-8s %10s %10s %18s\n", "frame", "fps", "ms/frame", "fps min..max");
  for (int kind = 0; kind < 3; ++kind)
    std::printf("  %-8s %10.1f %10.3f %8.1f..%-8.1f\n", KindNames[kind], median[kind],
                1000.0 / median[kind], low[kind], high[kind]);
  std::printf("  program/direct (2/3) %.4f  [%.4f..%.4f]\n", ratio23,
              *std::min_element(r23.begin(), r23.end()), *std::max_element(r23.begin(), r23.end()));
  std::printf("  program/floor  (2/1) %.4f\n", ratio21);
  std::printf("every model and mode (%d texture units):\n", textureUnits);
  std::printf("  %-7s %-9s %10s %10s %18s\n", "model", "mode", "fps", "ms/frame", "fps min..max");
  std::vector<int> modeKind(ModeCount);
  for (int kind = 0; kind < KindCount; ++kind)
    if (KindMode(kind) >= 0) modeKind[KindMode(kind)] = kind;
  for (int mode = 0; mode < ModeCount; ++mode) {
    const int kind = modeKind[mode];
    std::printf("  %-7s %-9s %10.1f %10.3f %8.1f..%-8.1f\n", ModelNames[mode / 3],
                ModeNames[mode % 3], median[kind], 1000.0 / median[kind], low[kind], high[kind]);
  }

  FILE* out = std::fopen(jsonPath.c_str(), "w");
  if (!out) {
    std::fprintf(stderr, "frame_rate: cannot write %s\n", jsonPath.c_str());
    return 1;
  }
  std::fprintf(out,
               "{\n  \"driver\": \"%s\",\n  \"renderer\": \"%s\",\n  \"version\": \"%s\",\n"
               "  \"texture_units\": %d,\n",
               label.c_str(), renderer.c_str(), version.c_str(), textureUnits);
  std::fprintf(
      out,
      "  \"width\": 640,\n  \"height\": 480,\n  \"rounds\": %d,\n  \"frames_per_round\": %d,\n",
      options.rounds, options.frames);
  for (int kind = 0; kind < 3; ++kind) {
    std::fprintf(out,
                 "  \"%s\": {\"fps_median\": %.3f, \"ms_median\": %.4f, \"fps_min\": %.3f, "
                 "\"fps_max\": %.3f, \"fps_rounds\": [",
                 KindNames[kind], median[kind], 1000.0 / median[kind], low[kind], high[kind]);
    for (std::size_t i = 0; i < figures[kind].fps.size(); ++i)
      std::fprintf(out, "%s%.3f", i ? ", " : "", figures[kind].fps[i]);
    std::fprintf(out, "]},\n");
  }
  std::fprintf(out, "  \"ratio_program_direct\": %.5f,\n  \"ratio_program_floor\": %.5f,\n",
               ratio23, ratio21);
  // Every model and mode; the wall's diffuse entry is the "program" frame above.
  std::fprintf(out, "  \"modes\": [");
  for (int mode = 0; mode < ModeCount; ++mode) {
    const int kind = modeKind[mode];
    std::fprintf(out,
                 "%s\n    {\"model\": \"%s\", \"mode\": \"%s\", \"fps_median\": %.3f, "
                 "\"ms_median\": %.4f, \"fps_min\": %.3f, \"fps_max\": %.3f, \"fps_rounds\": [",
                 mode ? "," : "", ModelNames[mode / 3], ModeNames[mode % 3], median[kind],
                 1000.0 / median[kind], low[kind], high[kind]);
    for (std::size_t i = 0; i < figures[kind].fps.size(); ++i)
      std::fprintf(out, "%s%.3f", i ? ", " : "", figures[kind].fps[i]);
    std::fprintf(out, "]}");
  }
  std::fprintf(out, "\n  ]\n}\n");
  std::fclose(out);
  return clean ? 0 : 1;
}
