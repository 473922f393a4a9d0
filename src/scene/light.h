// The scene's fixed-step update: the Escape test and the light's orbit.
#pragma once

extern float LightPhase;

void UpdateScene();
