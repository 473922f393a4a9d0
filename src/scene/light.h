// The scene's fixed-step update: the Escape test and the light's orbit.
#pragma once

// The light's orbit angle in radians, within one turn of zero (see UpdateScene).
extern float LightPhase;

// Clears Running while Escape is held, and puts LightPosition on its orbit from ElapsedMs:
// a unit circle at height 1.5, 0.004 radian per millisecond, counter-clockwise from +z.
void UpdateScene();
