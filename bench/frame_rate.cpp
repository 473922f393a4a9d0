// Frame-rate benchmark: one 640 x 480 window and context, kinds of frame measured in
// alternation over several rounds so that machine drift falls on all of them alike:
//   floor   clear colour and depth, flush, finish, swap;
//   program one pass of the main loop (RenderScene through the lazy table, the steps,
//           flush, finish, swap, the error drain), for each model (wall, sphere, torus)
//           in each mode (diffuse; with the colour map; with the specular highlight),
//           drawn by the texture stages and by the shaders;
//   direct  the wall's diffuse frame by direct libGL/libGLU calls, then swap and one poll
//           of the window's events, as the program's pass and any windowed program make.
// Right after each program mode's frames in a round, as many passes of the same mode run
// with every GL/GLU slot on the recorder's no-ops and the buffer swap and event poll
// left out: the program's own CPU work, whose share of that round's frame is reported.
// Taken in the same round, the two times see the same load on the machine.
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
#include "gl/recorder/gl_recorder.h"
#include "log/log.h"
#include "platform/backend.h"
#include "scene/scene.h"
#include "scene/shaders.h"
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
  std::vector<double> fps;    // one per round
  std::vector<double> cpuUs;  // program modes: the own work per pass, one per round
};

// The kinds of frame: the floor, the wall's diffuse pass (as measured before the other
// modes were), the direct reference, then the program's other modes.
const char* const KindNames[3] = {"floor", "program", "direct"};
const char* const ModelNames[3] = {"wall", "sphere", "torus"};
const char* const ModeNames[3] = {"diffuse", "colour", "specular"};
const char* const RendererNames[2] = {"stages", "shaders"};
constexpr int ModeCount = 18;  // renderer x model x mode
constexpr int KindCount = 3 + ModeCount - 1;

// The program mode (renderer * 9 + model * 3 + mode) a kind draws; -1 for the floor and the direct
// frame.
int KindMode(int kind) {
  return kind == 1 ? 0 : kind >= 3 ? kind - 2 : -1;
}

// The scene's switches as the keys (M, D, S) or the command line would leave them.
void SelectMode(int mode) {
  CurrentRenderer = mode >= 9 ? Renderer::Shaders : Renderer::Stages;
  CurrentModel = static_cast<Model>(mode % 9 / 3);
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
      SDL_Event event;
      SDL_PollEvent(&event);
    }
  }
  return frames / (Now() - start);
}

// Passes of the main loop in one program mode with no GL work: every slot on a no-op,
// no swap and no event poll (the platform's), the clock as it is. Returns microseconds
// per pass. The slots and the platform are given back afterwards.
double MeasureOwnWork(int kind, int passes, std::int32_t* mark) {
  SelectMode(KindMode(kind));
  const PlatformOps saved = Platform;
  Platform.SwapGLBuffers = [](PlatformHandle) {};
  Platform.PeekAppMessage = [](PlatformMessage*) { return false; };
  DiscardGLCalls();
  const double start = Now();
  for (int i = 0; i < passes; ++i) RunPass(mark);
  const double seconds = Now() - start;
  StopRecordingGLCalls();
  Platform = saved;
  return seconds * 1e6 / passes;
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
  InitShaders();  // compiled on the real GL, before any pass runs on the no-ops
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
  for (int kind = 0; kind < KindCount; ++kind) {
    Measure(kind, options.smoke ? 1 : 50, &mark);
    if (KindMode(kind) >= 0) MeasureOwnWork(kind, options.smoke ? 1 : 50, &mark);
  }

  Figures figures[KindCount];
  for (int round = 0; round < options.rounds; ++round) {
    // The order turns each round, so that no kind always follows the same one.
    for (int k = 0; k < KindCount; ++k) {
      const int kind = (round + k) % KindCount;
      figures[kind].fps.push_back(Measure(kind, options.frames, &mark));
      if (KindMode(kind) >= 0)
        figures[kind].cpuUs.push_back(MeasureOwnWork(kind, options.frames, &mark));
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
  // The own work's share of the frame, per round (the frame's time and the own work's
  // taken back to back), then the median and range over the rounds.
  std::vector<int> modeKind(ModeCount);
  for (int kind = 0; kind < KindCount; ++kind)
    if (KindMode(kind) >= 0) modeKind[KindMode(kind)] = kind;
  double ownUs[ModeCount], share[ModeCount], shareLow[ModeCount], shareHigh[ModeCount];
  for (int mode = 0; mode < ModeCount; ++mode) {
    const Figures& f = figures[modeKind[mode]];
    std::vector<double> shares;
    for (std::size_t round = 0; round < f.fps.size(); ++round)
      shares.push_back(f.cpuUs[round] * 1e-6 * f.fps[round]);
    ownUs[mode] = Median(f.cpuUs);
    share[mode] = Median(shares);
    shareLow[mode] = *std::min_element(shares.begin(), shares.end());
    shareHigh[mode] = *std::max_element(shares.begin(), shares.end());
  }
  std::printf("every model and mode (%d texture units); own work: the pass with GL on no-ops\n",
              textureUnits);
  std::printf("  %-8s %-7s %-9s %10s %10s %18s %10s %8s %16s\n", "renderer", "model", "mode", "fps",
              "ms/frame", "fps min..max", "own us", "share", "share min..max");
  for (int mode = 0; mode < ModeCount; ++mode) {
    const int kind = modeKind[mode];
    std::printf("  %-8s %-7s %-9s %10.1f %10.3f %8.1f..%-8.1f %10.2f %7.2f%% %6.2f..%.2f%%\n",
                RendererNames[mode / 9], ModelNames[mode % 9 / 3], ModeNames[mode % 3],
                median[kind], 1000.0 / median[kind], low[kind], high[kind], ownUs[mode],
                100 * share[mode], 100 * shareLow[mode], 100 * shareHigh[mode]);
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
                 "%s\n    {\"drawn_by\": \"%s\", \"model\": \"%s\", \"mode\": \"%s\", "
                 "\"fps_median\": %.3f, "
                 "\"ms_median\": %.4f, \"fps_min\": %.3f, \"fps_max\": %.3f, "
                 "\"own_us_median\": %.3f, \"own_share_median\": %.5f, \"own_share_min\": %.5f, "
                 "\"own_share_max\": %.5f, \"fps_rounds\": [",
                 mode ? "," : "", RendererNames[mode / 9], ModelNames[mode % 9 / 3],
                 ModeNames[mode % 3], median[kind], 1000.0 / median[kind], low[kind], high[kind],
                 ownUs[mode], share[mode], shareLow[mode], shareHigh[mode]);
    for (std::size_t i = 0; i < figures[kind].fps.size(); ++i)
      std::fprintf(out, "%s%.3f", i ? ", " : "", figures[kind].fps[i]);
    std::fprintf(out, "], \"own_us_rounds\": [");
    for (std::size_t i = 0; i < figures[kind].cpuUs.size(); ++i)
      std::fprintf(out, "%s%.3f", i ? ", " : "", figures[kind].cpuUs[i]);
    std::fprintf(out, "]}");
  }
  std::fprintf(out, "\n  ]\n}\n");
  std::fclose(out);
  return clean ? 0 : 1;
}
