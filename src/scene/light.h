// The scene's fixed-step update: the Escape test and the light's orbit, with the controls a
// user has over the light's motion.
#pragma once

#include <cstdint>

// The light's orbit angle in radians, within one turn of zero (see UpdateScene).
extern float LightPhase;

// How the light moves. At start-up (and after ResetLightMotion) it runs at the normal speed
// and height, its own clock is the program's clock, and the orbit is exactly the clock's
// function that UpdateScene describes.
struct LightMotionState {
  bool paused = false;
  int speedExponent = 0;        // speed 2^speedExponent times the normal, -4 to 4
  float height = 1.5f;          // 0.25 to 4, in steps of 0.25
  long double clockOffset = 0;  // the light's clock is reading x speed + clockOffset
  long double pausedClock = 0;  // the light's clock while paused
};
extern LightMotionState LightMotion;

constexpr int MaxSpeedExponent = 4;
constexpr float NormalLightHeight = 1.5f;
constexpr float MinLightHeight = 0.25f;
constexpr float MaxLightHeight = 4.0f;
constexpr float LightHeightStep = 0.25f;

// Clears Running while Escape is held, and puts LightPosition on its orbit from the light's
// clock: a unit circle at the light's height, 0.004 radian per millisecond of the light's
// clock, counter-clockwise from +z. Unchanged by the user, the light's clock is ElapsedMs.
void UpdateScene();

// The light's own clock at a reading of the program's clock.
long double LightClockAt(std::int32_t reading);

// The user's controls, each at the program's clock reading now. Pausing holds the light's
// clock; resuming goes on from where it stood. While paused, a step moves the light's clock
// by one simulation step at the current speed, back (-1) or on (+1). A speed change doubles
// or halves the speed within its range, and the light goes on from where it is. Height
// changes by one step within its range. Each returns whether it changed anything. A
// program clock that stands still (clockFrozen: every reading the same) holds the light's
// clock as a pause would, and a step then moves it the same way.
bool SetLightPaused(bool paused, std::int32_t now);
bool StepPausedLight(int direction, bool clockFrozen = false);
bool ChangeLightSpeed(int direction, std::int32_t now);
bool ChangeLightHeight(int direction);
void ResetLightMotion();

// The speed as a factor of the normal one (1/16 to 16).
long double LightSpeed();
