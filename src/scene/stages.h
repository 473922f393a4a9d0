// The texture-stage renderer (stages.cpp): the scene drawn by fixed-function GL.
#pragma once

#include "textures/texture.h"

// The fixed GL state, the two textures, the light marker's quadric and the wall geometry.
void InitStages();

// The bump texture made (again) from image, whose pixels it may take.
void ReplaceStagesNormalMap(TextureImage image);

// Draws one frame into the back buffer.
void RenderStages();

// How many units after the bump stages square N . H on this GL.
int SpecularSquarings();
