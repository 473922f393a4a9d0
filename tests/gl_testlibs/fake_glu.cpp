// A stand-in GLU library for the loading tests: it exports every GLU name of the table
// except gluNurbsCurve, so a test sees both bound and missing GLU slots. A few functions
// have their real signatures and note their calls; the rest only exist, and the tests
// compare their addresses without calling them.
#include <cstdio>
#include <string>

#include "gl/gl_types.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string Calls;
char Quadric;
const GLubyte ErrorText[] = "fake glu error";

void Note(const std::string& call) {
  if (!Calls.empty()) Calls += ' ';
  Calls += call;
}

}  // namespace

FAKE_EXPORT void FakeGLUReset() {
  Calls.clear();
}
FAKE_EXPORT const char* FakeGLUCalls() {
  return Calls.c_str();
}
FAKE_EXPORT void* FakeGLUQuadric() {
  return &Quadric;
}

FAKE_EXPORT void GLAPIENTRY gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX,
                                      GLdouble centerY, GLdouble centerZ, GLdouble upX,
                                      GLdouble upY, GLdouble upZ) {
  char line[400];
  std::snprintf(line, sizeof line,
                "gluLookAt(%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g)", eyeX, eyeY,
                eyeZ, centerX, centerY, centerZ, upX, upY, upZ);
  Note(line);
}
FAKE_EXPORT GLUquadric* GLAPIENTRY gluNewQuadric() {
  Note("gluNewQuadric()");
  return reinterpret_cast<GLUquadric*>(&Quadric);
}
FAKE_EXPORT const GLubyte* GLAPIENTRY gluErrorString(GLenum error) {
  Note("gluErrorString(" + std::to_string(error) + ")");
  return ErrorText;
}
FAKE_EXPORT void GLAPIENTRY gluSphere(GLUquadric* quad, GLdouble radius, GLint slices,
                                      GLint stacks) {
  char line[200];
  std::snprintf(line, sizeof line, "gluSphere(%s,%.17g,%d,%d)",
                quad == reinterpret_cast<GLUquadric*>(&Quadric) ? "quadric" : "other", radius,
                slices, stacks);
  Note(line);
}

#define FAKE_GLU(name)                 \
  FAKE_EXPORT void GLAPIENTRY name() { \
    Note(#name);                       \
  }
FAKE_GLU(gluBeginCurve)
FAKE_GLU(gluBeginPolygon)
FAKE_GLU(gluBeginSurface)
FAKE_GLU(gluBeginTrim)
FAKE_GLU(gluBuild1DMipmaps)
FAKE_GLU(gluBuild2DMipmaps)
FAKE_GLU(gluCylinder)
FAKE_GLU(gluDeleteNurbsRenderer)
FAKE_GLU(gluDeleteQuadric)
FAKE_GLU(gluDeleteTess)
FAKE_GLU(gluDisk)
FAKE_GLU(gluEndCurve)
FAKE_GLU(gluEndPolygon)
FAKE_GLU(gluEndSurface)
FAKE_GLU(gluEndTrim)
FAKE_GLU(gluGetNurbsProperty)
FAKE_GLU(gluGetString)
FAKE_GLU(gluGetTessProperty)
FAKE_GLU(gluLoadSamplingMatrices)
FAKE_GLU(gluNewNurbsRenderer)
FAKE_GLU(gluNewTess)
FAKE_GLU(gluNextContour)
FAKE_GLU(gluNurbsCallback)
FAKE_GLU(gluNurbsProperty)
FAKE_GLU(gluNurbsSurface)
FAKE_GLU(gluOrtho2D)
FAKE_GLU(gluPartialDisk)
FAKE_GLU(gluPerspective)
FAKE_GLU(gluPickMatrix)
FAKE_GLU(gluProject)
FAKE_GLU(gluPwlCurve)
FAKE_GLU(gluQuadricCallback)
FAKE_GLU(gluQuadricDrawStyle)
FAKE_GLU(gluQuadricNormals)
FAKE_GLU(gluQuadricOrientation)
FAKE_GLU(gluQuadricTexture)
FAKE_GLU(gluScaleImage)
FAKE_GLU(gluTessBeginContour)
FAKE_GLU(gluTessBeginPolygon)
FAKE_GLU(gluTessCallback)
FAKE_GLU(gluTessEndContour)
FAKE_GLU(gluTessEndPolygon)
FAKE_GLU(gluTessNormal)
FAKE_GLU(gluTessProperty)
FAKE_GLU(gluTessVertex)
FAKE_GLU(gluUnProject)
