// Program start-up, the main loop with its fixed simulation step, the GL error drain and
// the millisecond clock.
#include "app/demo.h"

#include <cstdio>
#include <string>

#include "app/controls.h"
#include "app/panel.h"
#include "app/run_directory.h"
#include "app/screenshot.h"
#include "common/settings.h"
#include "gl/gl.h"
#include "log/log.h"
#include "scene/light.h"
#include "scene/overlay.h"
#include "scene/probe.h"
#include "scene/scene.h"
#include "window/window.h"

bool ClockFrozen = false;
std::int32_t FrozenClockMs = 0;
std::int32_t FrameLimit = 0;
const char* ScreenshotPath = nullptr;
std::string ScreenshotFolder = "screenshots";
std::vector<std::pair<int, int>> HeadlessProbes;

namespace {
std::int32_t FramesDrawn = 0;
}  // namespace

const char* GLErrorText(GLenum code) {
  switch (code) {
    case GL_INVALID_ENUM:
      return "invalid enumerant";
    case GL_INVALID_VALUE:
      return "invalid value";
    case GL_INVALID_OPERATION:
      return "invalid operation";
    case GL_STACK_OVERFLOW:
      return "stack overflow";
    case GL_STACK_UNDERFLOW:
      return "stack underflow";
    case GL_OUT_OF_MEMORY:
      return "out of memory";
    case GL_INVALID_FRAMEBUFFER_OPERATION:
      return "invalid framebuffer operation";
    default:
      return "unknown error";
  }
}

std::int32_t CounterToMs(std::int64_t count, std::int64_t freq) {
  // Whole seconds and the remainder apart, so that nothing overflows however long the
  // machine has been up; both parts truncate toward zero with the same sign.
  const std::int64_t seconds = count / freq;
  const std::int64_t remainder = count % freq;
  const std::int64_t ms = seconds * 1000 + remainder * 1000 / freq;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms)));
}

std::int32_t GetTimeMs() {
  const std::int64_t freq = Platform.CounterFrequency();
  const std::int64_t count = Platform.CounterValue();
  return CounterToMs(count, freq);
}

std::int32_t ReadClock() {
  return ClockFrozen ? FrozenClockMs : GetTimeMs();
}

StepPlan PlanSteps(std::int32_t elapsedMs, std::int32_t mark, std::int32_t stepMs) {
  // Clock differences wrap modulo 2^32, so a wrapping clock still gives small differences.
  const std::int32_t d = static_cast<std::int32_t>(static_cast<std::uint32_t>(elapsedMs) -
                                                   static_cast<std::uint32_t>(mark));
  const std::int32_t n = d / stepMs;
  if (n < 0) return {0, mark};  // the clock went back by a whole step or more
  const std::uint32_t newMark =
      static_cast<std::uint32_t>(elapsedMs) - static_cast<std::uint32_t>(d % stepMs);
  return {n + 1, static_cast<std::int32_t>(newMark)};
}

void RunPass(std::int32_t* mark) {
  PlatformMessage message;
  if (Platform.PeekAppMessage(&message)) {
    if (message.message == WM_QUIT) {
      Running = false;
      return;
    }
    Platform.DispatchAppMessage(&message);
    Platform.TranslateAppMessage(&message);
  }

  ElapsedMs = ReadClock();
  HandleControlKeys(ElapsedMs);
  RenderScene();
  UpdateCurrentProbe();  // the picture as drawn, before anything goes over it
  DrawGeometryOverlays();
  if (TakeScreenshotRequest()) {
    // Taken before the panel is drawn: the picture, not the program's notes.
    std::string error;
    const std::string path =
        SaveNumberedScreenshot(ScreenshotFolder, ScreenWidth, ScreenHeight, &error);
    NoteOnPanel(path.empty() ? "Screenshot failed: " + error : "Saved " + path, GetTimeMs());
  }
  if (PanelWanted()) DrawPanel(GetTimeMs());
  DrawProbeMarker();

  const StepPlan plan = PlanSteps(ElapsedMs, *mark, UpdateStepMs);
  for (std::int32_t i = 0; i < plan.calls; ++i) UpdateScene();
  *mark = plan.mark;

  glFlush();
  glFinish();
  Platform.SwapGLBuffers(DeviceContextHandle);
  if (FrameLimit > 0 && ++FramesDrawn >= FrameLimit) Running = false;

  for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError()) {
    // A core or ES context may have no GLU behind it: the same words from the program's
    // own table there.
    const char* text = ContextKind == GLContextKind::Compatibility
                           ? reinterpret_cast<const char*>(gluErrorString(code))
                           : GLErrorText(code);
    WriteLog(text ? text : "", true);
  }

  if (KeyState[VK_ESCAPE] == 1) Running = false;
}

namespace {

std::int32_t UpdateMark = 0;

bool DemoPass() {
  RunPass(&UpdateMark);
  return Running;
}

// After the loop: the screenshot asked for, then the teardown.
int FinishDemo() {
  int exitCode = 0;
  if (ScreenshotPath && RenderWindowClosed()) {
    // A closed window's context draws nowhere: a read-back would be black.
    std::fprintf(stderr, "bumpdemo: the window was closed before the last frame; %s not saved\n",
                 ScreenshotPath);
    exitCode = 1;
  } else if (!RenderWindowClosed() && (ScreenshotPath || !HeadlessProbes.empty())) {
    // The last frame again, into the back buffer, where it can be read back on every GL;
    // the probes read the same frame the screenshot saves.
    RenderScene();
    for (const auto& at : HeadlessProbes) {
      ProbeTerms terms = PredictPixel(at.first, at.second);
      ReadProbedPixel(&terms);
      std::printf("%s\n", ProbeJson(terms).c_str());
    }
    std::fflush(stdout);
    std::string error;
    if (ScreenshotPath) {
      if (SaveScreenshot(ScreenshotPath, ScreenWidth, ScreenHeight, &error)) {
        PrintNote(std::string("Saved ") + ScreenshotPath);
      } else {
        std::fprintf(stderr, "bumpdemo: %s\n", error.c_str());
        exitCode = 1;
      }
    }
  }

  DestroyRenderWindow();
  return exitCode;
}

}  // namespace

int RunDemo() {
  // A program that could not show anything has failed.
  if (!CreateRenderWindow()) return 1;

  SetLogFileName("system\\log.txt");
  LogMissingFolderHint = RunDirectoryHint;
  ResetLog();

  Running = true;
  // A map or model that takes long to load is named first, on standard output and in a
  // frame of its own, so that the wait has a reason on screen.
  const std::string loading = StartLoadingNote();
  if (!loading.empty()) {
    PrintNote("bumpdemo: " + loading);
    DrawLoadingFrame(loading);
    Platform.SwapGLBuffers(DeviceContextHandle);
  }
  InitScene();

  // Read only after the scene is ready, so loading time never becomes simulation steps.
  ElapsedMs = ReadClock();
  UpdateMark = ElapsedMs;
  FramesDrawn = 0;
  return Platform.RunMainLoop(DemoPass, FinishDemo);
}
