// Program start-up, the main loop with its fixed simulation step, the GL error drain and
// the millisecond clock.
#include "app/demo.h"

#include "common/settings.h"
#include "gl/gl.h"
#include "log/log.h"
#include "scene/light.h"
#include "scene/scene.h"
#include "window/window.h"

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

  ElapsedMs = GetTimeMs();
  RenderScene();

  const StepPlan plan = PlanSteps(ElapsedMs, *mark, UpdateStepMs);
  for (std::int32_t i = 0; i < plan.calls; ++i) UpdateScene();
  *mark = plan.mark;

  glFlush();
  glFinish();
  Platform.SwapGLBuffers(DeviceContextHandle);

  for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError()) {
    const GLubyte* text = gluErrorString(code);
    WriteLog(text ? reinterpret_cast<const char*>(text) : "", true);
  }

  if (KeyState[VK_ESCAPE] == 1) Running = false;
}

void RunDemo() {
  if (!CreateRenderWindow()) return;

  SetLogFileName("system\\log.txt");
  ResetLog();

  Running = true;
  InitScene();

  // Read only after the scene is ready, so loading time never becomes simulation steps.
  ElapsedMs = GetTimeMs();
  std::int32_t mark = ElapsedMs;
  while (Running) RunPass(&mark);

  DestroyRenderWindow();
}
