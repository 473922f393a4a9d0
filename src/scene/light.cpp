// The light's motion: a function of the clock reading alone, so the number of update
// steps run in a frame changes nothing but the work done.
#include "scene/light.h"

#include <cmath>
#include <cstdint>

#include "common/state.h"
#include "platform/platform.h"
#include "scene/scene.h"

float LightPhase = 0.0f;

namespace {

const long double AngularSpeed = 0.004L;  // radians per millisecond
const long double FullTurn = 6.283185307179586476925286766559L;

// The orbit angle for a clock reading, as stored in LightPhase.
float OrbitAngle(std::int32_t reading) {
  // The clock counts from the machine's start, so the raw angle reaches millions of
  // radians, where float32 steps are coarse enough to make the light jump (1/32 radian
  // after a day of uptime). Reducing by whole turns at extended precision before the
  // angle is narrowed keeps every step at 0.004 radian. fmodl is exact and keeps the
  // sign, and leaves angles below one turn (|reading| up to 1570 ms) as they are.
  const long double angle = static_cast<long double>(reading) * AngularSpeed;
  return static_cast<float>(std::fmod(angle, FullTurn));
}

}  // namespace

void UpdateScene() {
  if (KeyState[VK_ESCAPE] != 0) Running = false;

  LightPhase = OrbitAngle(ElapsedMs);
  // Of the stored float32 angle, not of the wider product.
  const long double phase = LightPhase;
  LightPosition.x = static_cast<float>(std::cos(phase));
  LightPosition.y = static_cast<float>(std::sin(phase));
  LightPosition.z = 1.5f;
}
