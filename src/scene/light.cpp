// The light's motion: a function of the light's clock alone, so the number of update
// steps run in a frame changes nothing but the work done. The light's clock is the
// program's clock until the user pauses it, steps it or changes its speed.
#include "scene/light.h"

#include <cmath>
#include <cstdint>

#include "common/settings.h"
#include "common/state.h"
#include "platform/platform.h"
#include "scene/scene.h"

float LightPhase = 0.0f;
LightMotionState LightMotion;

namespace {

const long double AngularSpeed = 0.004L;  // radians per millisecond
const long double FullTurn = 6.283185307179586476925286766559L;

// The orbit angle for a reading of the light's clock, as stored in LightPhase.
float OrbitAngle(long double reading) {
  // The clock counts from the machine's start, so the raw angle reaches millions of
  // radians, where float32 steps are coarse enough to make the light jump (1/32 radian
  // after a day of uptime). Reducing by whole turns at extended precision before the
  // angle is narrowed keeps every step at 0.004 radian. fmodl is exact and keeps the
  // sign, and leaves angles below one turn (|reading| up to 1570 ms) as they are.
  const long double angle = reading * AngularSpeed;
  return static_cast<float>(std::fmod(angle, FullTurn));
}

}  // namespace

long double LightSpeed() {
  return std::ldexp(1.0L, LightMotion.speedExponent);
}

long double LightClockAt(std::int32_t reading) {
  if (LightMotion.paused) return LightMotion.pausedClock;
  // At the normal speed and no offset this is the reading itself, exactly.
  return static_cast<long double>(reading) * LightSpeed() + LightMotion.clockOffset;
}

void UpdateScene() {
  if (KeyState[VK_ESCAPE] != 0) Running = false;

  LightPhase = OrbitAngle(LightClockAt(ElapsedMs));
  // Of the stored float32 angle, not of the wider product.
  const long double phase = LightPhase;
  LightPosition.x = static_cast<float>(std::cos(phase));
  LightPosition.y = static_cast<float>(std::sin(phase));
  LightPosition.z = LightMotion.height;
}

bool SetLightPaused(bool paused, std::int32_t now) {
  if (paused == LightMotion.paused) return false;
  if (paused) {
    LightMotion.pausedClock = LightClockAt(now);
  } else {
    // Goes on from the held clock: the offset that makes the clock read it now.
    LightMotion.clockOffset =
        LightMotion.pausedClock - static_cast<long double>(now) * LightSpeed();
  }
  LightMotion.paused = paused;
  return true;
}

bool StepPausedLight(int direction, bool clockFrozen) {
  if (!(LightMotion.paused || clockFrozen) || direction == 0) return false;
  const long double step = (direction > 0 ? 1 : -1) * LightSpeed() * UpdateStepMs;
  // Running on a frozen clock, the offset is what moves the light's clock.
  (LightMotion.paused ? LightMotion.pausedClock : LightMotion.clockOffset) += step;
  return true;
}

bool ChangeLightSpeed(int direction, std::int32_t now) {
  const int exponent = LightMotion.speedExponent + (direction > 0 ? 1 : -1);
  if (direction == 0 || exponent < -MaxSpeedExponent || exponent > MaxSpeedExponent) return false;
  const long double clock = LightClockAt(now);
  LightMotion.speedExponent = exponent;
  if (!LightMotion.paused)
    LightMotion.clockOffset = clock - static_cast<long double>(now) * LightSpeed();
  return true;
}

bool ChangeLightHeight(int direction) {
  const float height = LightMotion.height + (direction > 0 ? 1 : -1) * LightHeightStep;
  if (direction == 0 || height < MinLightHeight || height > MaxLightHeight) return false;
  LightMotion.height = height;
  return true;
}

void ResetLightMotion() {
  LightMotion = LightMotionState();
}
