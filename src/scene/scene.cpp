// The bump-mapped scene: the one-time GL state and data, and the drawing of one frame.
// The wall's texture frame is the world frame (s along x, t along y, normal along +z),
// so world-space light directions go to the texture stages unchanged.
#include "scene/scene.h"

#include "common/settings.h"
#include "gl/gl.h"
#include "log/log.h"
#include "textures/cubemap.h"
#include "textures/texture.h"

Vector3 LightPosition = {};
GLuint BumpTexture = 0;
GLuint NormalizationCubeMap = 0;
GLUquadric* LightQuadric = nullptr;
Vector3 WallVertices[4] = {};
TexCoord2 WallTexCoords[4] = {};
Vector3 LightVectors[4] = {};

void InitScene() {
  LightPosition = MakeVector3(0.5f, 0.0f, 1.0f);

  glClearColor(0, 0, 0, 1);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

  BumpTexture = LoadTexture(true, "Textures\\wall_bump.bmp");
  NormalizationCubeMap = CreateNormalizationCubeMap(32, false);

  LightQuadric = gluNewQuadric();
  if (LightQuadric) {
    gluQuadricDrawStyle(LightQuadric, GLU_FILL);
    gluQuadricNormals(LightQuadric, GLU_SMOOTH);
    gluQuadricTexture(LightQuadric, GL_FALSE);
  } else {
    // Out of memory in GLU: the wall is still worth drawing, without its light marker.
    WriteLog("gluNewQuadric failed: the light marker is not drawn", false);
  }

  glDisable(GL_TEXTURE_2D);

  WallVertices[0] = MakeVector3(-1, -1, 0);
  WallVertices[1] = MakeVector3(1, -1, 0);
  WallVertices[2] = MakeVector3(1, 1, 0);
  WallVertices[3] = MakeVector3(-1, 1, 0);
  WallTexCoords[0] = MakeTexCoord2(0, 0);
  WallTexCoords[1] = MakeTexCoord2(1, 0);
  WallTexCoords[2] = MakeTexCoord2(1, 1);
  WallTexCoords[3] = MakeTexCoord2(0, 1);
}

void RenderScene() {
  // Projection and camera, from the configured size (not the window's current one).
  glViewport(0, 0, ScreenWidth, ScreenHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double aspect = static_cast<double>(static_cast<long double>(ScreenWidth) / ScreenHeight);
  gluPerspective(60.0, aspect, 1.0, 60.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(2, 2, 2, 0, 0, 0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  // The light marker: a flat white sphere, drawn first so it hides the wall behind it.
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glTranslatef(LightPosition.x, LightPosition.y, LightPosition.z);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glDisable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_CUBE_MAP_ARB);
  glColor4f(1, 1, 1, 1);
  if (LightQuadric) gluSphere(LightQuadric, 0.05, 15, 15);
  glPopMatrix();

  // Unit 0 passes the normal-map texel on; unit 1 forms its dot product with the
  // normalised light direction looked up in the cube map.
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, BumpTexture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_REPLACE);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glEnable(GL_TEXTURE_CUBE_MAP_ARB);
  glBindTexture(GL_TEXTURE_CUBE_MAP_ARB, NormalizationCubeMap);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PREVIOUS_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_DOT3_RGB_ARB);

  for (int i = 0; i < 4; ++i)
    LightVectors[i] = NormalizeVector3(SubtractVector3(LightPosition, WallVertices[i]));

  glBegin(GL_QUADS);
  for (int i = 0; i < 4; ++i) {
    glMultiTexCoord2fv(GL_TEXTURE0_ARB, &WallTexCoords[i].s);
    glMultiTexCoord3fv(GL_TEXTURE1_ARB, &LightVectors[i].x);
    glVertex3fv(&WallVertices[i].x);
  }
  glEnd();
}
