// The bump-mapped scene: its globals, the one-time set-up and the drawing of a frame.
#pragma once

#include "common/vector.h"
#include "gl/gl_types.h"

extern Vector3 LightPosition;
extern GLuint BumpTexture;
extern GLuint NormalizationCubeMap;
extern GLUquadric* LightQuadric;
extern Vector3 WallVertices[4];
extern TexCoord2 WallTexCoords[4];
extern Vector3 LightVectors[4];

// Fixed GL state, the two textures, the light marker's quadric and the wall geometry.
void InitScene();

// Draws one frame into the back buffer.
void RenderScene();
