// The reference frames, issued straight into libGL and libGLU (linked, not loaded), so
// that no entry-point table or loop bookkeeping stands between the caller and the driver.
// It mirrors the program's RenderScene call for call.
#include "direct_frame.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

static GLUquadric* DirectQuadric = nullptr;

bool DirectInit() {
  DirectQuadric = gluNewQuadric();
  if (!DirectQuadric) return false;
  gluQuadricDrawStyle(DirectQuadric, GLU_FILL);
  gluQuadricNormals(DirectQuadric, GLU_SMOOTH);
  gluQuadricTexture(DirectQuadric, GL_FALSE);
  return true;
}

void DirectSceneFrame(const float lightPosition[3], unsigned bumpTexture, unsigned cubeMap) {
  static const float wallVertices[4][3] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  static const float wallTexCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

  glViewport(0, 0, 640, 480);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60.0, 640.0 / 480.0, 1.0, 60.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(2, 2, 2, 0, 0, 0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glTranslatef(lightPosition[0], lightPosition[1], lightPosition[2]);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glDisable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_CUBE_MAP_ARB);
  glColor4f(1, 1, 1, 1);
  gluSphere(DirectQuadric, 0.05, 15, 15);
  glPopMatrix();

  glActiveTextureARB(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, bumpTexture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_REPLACE);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glEnable(GL_TEXTURE_CUBE_MAP_ARB);
  glBindTexture(GL_TEXTURE_CUBE_MAP_ARB, cubeMap);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PREVIOUS_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_DOT3_RGB_ARB);

  // The unit direction from each corner to the light, as the scene computes it.
  float lightVectors[4][3];
  for (int i = 0; i < 4; ++i) {
    const float x = lightPosition[0] - wallVertices[i][0];
    const float y = lightPosition[1] - wallVertices[i][1];
    const float z = lightPosition[2] - wallVertices[i][2];
    const float reciprocal = static_cast<float>(1.0L / std::sqrt(x * x + y * y + z * z));
    lightVectors[i][0] = x * reciprocal;
    lightVectors[i][1] = y * reciprocal;
    lightVectors[i][2] = z * reciprocal;
  }

  glBegin(GL_QUADS);
  for (int i = 0; i < 4; ++i) {
    glMultiTexCoord2fv(GL_TEXTURE0_ARB, wallTexCoords[i]);
    glMultiTexCoord3fv(GL_TEXTURE1_ARB, lightVectors[i]);
    glVertex3fv(wallVertices[i]);
  }
  glEnd();

  glFlush();
  glFinish();
  while (glGetError() != GL_NO_ERROR) {
  }
}

void DirectFloorFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glFlush();
  glFinish();
}

const char* DirectRenderer() {
  const GLubyte* text = glGetString(GL_RENDERER);
  return text ? reinterpret_cast<const char*>(text) : "";
}

const char* DirectVersion() {
  const GLubyte* text = glGetString(GL_VERSION);
  return text ? reinterpret_cast<const char*>(text) : "";
}
