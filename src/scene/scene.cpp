// The scene. For now InitScene sets the clear colour and RenderScene only clears the
// frame; the wall and the light marker come with the scene itself.
#include "scene/scene.h"

#include "gl/gl.h"

Vector3 LightPosition = {};
GLuint BumpTexture = 0;
GLuint NormalizationCubeMap = 0;
GLUquadric* LightQuadric = nullptr;
Vector3 WallVertices[4] = {};
TexCoord2 WallTexCoords[4] = {};
Vector3 LightVectors[4] = {};

void InitScene() {
  glClearColor(0, 0, 0, 1);
}

void RenderScene() {
  glViewport(0, 0, 640, 480);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
