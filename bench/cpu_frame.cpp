// The program's own CPU work per frame: passes of the main loop (RenderScene's own
// computation, UpdateScene, the step scheduling and the error drain) with every GL and
// GLU slot routed to the recorder's no-ops (DiscardGLCalls: each returns 0 or null and
// does nothing else) and the platform reduced to a clock that advances 1/60 s per reading,
// from the monotonic clock's reading at start. Under callgrind (bench.sh runs it with
// --toggle-collect=MeasureFrames) the instruction count divided by the frame count is
// the work per frame; on its own it prints nanoseconds per frame.
//
//   cpu_frame [--frames N] [--smoke]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/demo.h"
#include "gl/gl.h"
#include "gl/recorder/gl_recorder.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "window/window.h"

namespace {

std::int64_t FakeCounter = 0;

void InstallClockPlatform() {
  Platform = PlatformOps{};
  Platform.CounterFrequency = [] { return std::int64_t{1000000}; };
  Platform.CounterValue = [] { return FakeCounter += 16667; };
  Platform.PeekAppMessage = [](PlatformMessage*) { return false; };
  Platform.SwapGLBuffers = [](PlatformHandle) {};
}

}  // namespace

// The measured region: callgrind collects inside this function only.
extern "C" __attribute__((noinline)) void MeasureFrames(int frames, std::int32_t* mark) {
  for (int i = 0; i < frames; ++i) RunPass(mark);
}

int main(int argc, char** argv) {
  int frames = 10000;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--smoke") {
      frames = 10;
    } else if (arg == "--frames" && i + 1 < argc) {
      frames = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "cpu_frame: unknown argument %s\n", arg.c_str());
      return 2;
    }
  }
  InitGLBinding();
  InstallClockPlatform();
  // Starts where the monotonic clock stands (as SDL's counter does), so that the light's
  // angle is as large as in a real run.
  FakeCounter = std::chrono::duration_cast<std::chrono::microseconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count();
  DiscardGLCalls();
  // The scene as InitScene leaves it, without the GL work of loading textures.
  LightPosition = MakeVector3(0.5f, 0.0f, 1.0f);
  LightQuadric = reinterpret_cast<GLUquadric*>(&FakeCounter);
  WallVertices[0] = MakeVector3(-1, -1, 0);
  WallVertices[1] = MakeVector3(1, -1, 0);
  WallVertices[2] = MakeVector3(1, 1, 0);
  WallVertices[3] = MakeVector3(-1, 1, 0);
  Running = true;

  ElapsedMs = GetTimeMs();
  std::int32_t mark = ElapsedMs;
  const auto start = std::chrono::steady_clock::now();
  MeasureFrames(frames, &mark);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("cpu_frame: %d passes, %.1f ns per pass, light at (%.3f, %.3f, %.3f)\n", frames,
              seconds * 1e9 / frames, LightPosition.x, LightPosition.y, LightPosition.z);
  return Running && LightPosition.z == 1.5f ? 0 : 1;
}
