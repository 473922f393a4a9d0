// The scene's fixed-step update. For now it does nothing; the light's orbit and the
// Escape test come with light motion.
#include "scene/light.h"

float LightPhase = 0.0f;

void UpdateScene() {}
