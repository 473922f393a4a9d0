// The generated entry-point list: the families and their slot counts, the lookup kinds,
// one slot per name, the GLU set in its binding order, and the entry points the program
// calls, with their published signatures.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <type_traits>

#include "gl/gl.h"

namespace {

std::map<std::string, int> FamilyCounts() {
  std::size_t count = 0;
  const EntryPointInfo* entries = EntryPoints(&count);
  std::map<std::string, int> counts;
  for (std::size_t i = 0; i < count; ++i) ++counts[entries[i].family];
  return counts;
}

TEST(GLProcList, FamiliesHaveTheirSlotCounts) {
  std::map<std::string, int> expected = {
      {"GL_VERSION_1_1", 336},
      {"GL_VERSION_1_2", 38},
      {"GL_VERSION_1_3", 46},
      {"GL_VERSION_1_4", 45},
      {"GL_VERSION_1_5", 19},
      {"GL_VERSION_2_0", 92},
      // What the shaders renderer needs: GL 3.3 core and ES 3.0's own commands.
      {"GL_VERSION_2_1", 6},
      {"GL_VERSION_3_0", 84},
      {"GL_VERSION_3_1", 12},
      {"GL_VERSION_3_2", 19},
      {"GL_VERSION_3_3", 58},
      {"GL_ES_VERSION_3_0", 19},
      {"GLU", 51},
      {"GL_ARB", 204},
      {"GL_EXT", 188},
      {"GL_NV", 162},
      {"GL_ATI", 88},
      {"GL_SUN", 56},
      {"GL_SGIX", 50},
      {"GL_MESA", 25},
      {"GL_SGIS", 21},
      {"GL_APPLE", 20},
      {"GL_IBM", 10},
      {"GL_SGI", 7},
      {"GL_HP", 6},
      {"GL_INTEL", 4},
      {"GL_WIN", 2},
      {"GL_3DFX", 1},
      {"GL_INGR", 1},
      {"GL_PGI", 1},
      {"GL_SUNX", 1},
  };
  int total = 1672;
#ifdef _WIN32
  expected.insert({{"WGL_ARB", 19},
                   {"WGL_EXT", 17},
                   {"WGL_I3D", 30},
                   {"WGL_OML", 6},
                   {"WGL_NV", 2},
                   {"WGL_ARB_create_context", 1}});
  total = 1747;
#endif
  EXPECT_EQ(FamilyCounts(), expected);
  std::size_t count = 0;
  EntryPoints(&count);
  EXPECT_EQ(count, static_cast<std::size_t>(total));
}

TEST(GLProcList, EveryNameHasOneSlotAndItsOwnStub) {
  std::size_t count = 0;
  const EntryPointInfo* entries = EntryPoints(&count);
  std::set<std::string> names;
  std::set<void*> stubs, slots;
  for (std::size_t i = 0; i < count; ++i) {
    EXPECT_TRUE(names.insert(entries[i].name).second) << entries[i].name;
    EXPECT_NE(entries[i].stub, nullptr);
    stubs.insert(entries[i].stub);
    slots.insert(entries[i].slot);
    EXPECT_EQ(FindEntryPoint(entries[i].name), &entries[i]);
  }
  EXPECT_EQ(stubs.size(), count);
  EXPECT_EQ(slots.size(), count);
  EXPECT_EQ(FindEntryPoint("glNoSuchEntryPoint"), nullptr);
}

// GL 2.0 and later, which a Windows GL library never exports, and wglClampColorARB.
TEST(GLProcList, OnlyGL20AndLaterAndWglClampColorARBUseTheDriverAlone) {
  std::size_t count = 0;
  const EntryPointInfo* entries = EntryPoints(&count);
  int driverOnly = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string family = entries[i].family;
    const bool later = family == "GL_ES_VERSION_3_0" ||
                       (family.rfind("GL_VERSION_", 0) == 0 && family >= "GL_VERSION_2_0");
    const bool clamp = std::strcmp(entries[i].name, "wglClampColorARB") == 0;
    EXPECT_EQ(entries[i].driverOnly, later || clamp) << entries[i].name;
    driverOnly += entries[i].driverOnly;
  }
#ifdef _WIN32
  EXPECT_EQ(driverOnly, 291);
#else
  EXPECT_EQ(driverOnly, 290);
#endif
}

TEST(GLProcList, CoreFamiliesFollowTheRegistryWithTheImagingSubsetIn12) {
  EXPECT_STREQ(FindEntryPoint("glAccum")->family, "GL_VERSION_1_1");
  EXPECT_STREQ(FindEntryPoint("glBindTexture")->family, "GL_VERSION_1_1");
  EXPECT_STREQ(FindEntryPoint("glDrawRangeElements")->family, "GL_VERSION_1_2");
  EXPECT_STREQ(FindEntryPoint("glColorTable")->family, "GL_VERSION_1_2");
  EXPECT_STREQ(FindEntryPoint("glResetMinmax")->family, "GL_VERSION_1_2");
  EXPECT_STREQ(FindEntryPoint("glBlendColor")->family, "GL_VERSION_1_2");
  EXPECT_STREQ(FindEntryPoint("glBlendEquation")->family, "GL_VERSION_1_2");
  EXPECT_STREQ(FindEntryPoint("glActiveTexture")->family, "GL_VERSION_1_3");
  EXPECT_STREQ(FindEntryPoint("glWindowPos3sv")->family, "GL_VERSION_1_4");
  EXPECT_STREQ(FindEntryPoint("glGenQueries")->family, "GL_VERSION_1_5");
  EXPECT_STREQ(FindEntryPoint("glUseProgram")->family, "GL_VERSION_2_0");
  EXPECT_EQ(FindEntryPoint("glGetVertexAttribdv"), nullptr);
  EXPECT_STREQ(FindEntryPoint("glGetVertexAttribdvARB")->family, "GL_ARB");
  EXPECT_STREQ(FindEntryPoint("glUniformMatrix2x3fv")->family, "GL_VERSION_2_1");
  EXPECT_STREQ(FindEntryPoint("glGenVertexArrays")->family, "GL_VERSION_3_0");
  EXPECT_STREQ(FindEntryPoint("glBindFramebuffer")->family, "GL_VERSION_3_0");
  EXPECT_STREQ(FindEntryPoint("glDrawArraysInstanced")->family, "GL_VERSION_3_1");
  EXPECT_STREQ(FindEntryPoint("glFenceSync")->family, "GL_VERSION_3_2");
  EXPECT_STREQ(FindEntryPoint("glBindSampler")->family, "GL_VERSION_3_3");
  EXPECT_STREQ(FindEntryPoint("glClearDepthf")->family, "GL_ES_VERSION_3_0");
  // Nothing past 3.3 but ES 3.0's own.
  EXPECT_EQ(FindEntryPoint("glDispatchCompute"), nullptr);
}

TEST(GLProcList, HandWrittenNamesAreThere) {
  EXPECT_STREQ(FindEntryPoint("glDrawRangeElementsWIN")->signature,
               "void (GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type, "
               "const void* indices)");
  EXPECT_STREQ(FindEntryPoint("glAddSwapHintRectWIN")->signature,
               "void (GLint x, GLint y, GLsizei width, GLsizei height)");
  EXPECT_STREQ(FindEntryPoint("glFinishTextureSUNX")->family, "GL_SUNX");
#ifdef _WIN32
  EXPECT_TRUE(FindEntryPoint("wglClampColorARB")->driverOnly);
  EXPECT_STREQ(FindEntryPoint("wglSwapIntervalEXT")->family, "WGL_EXT");
#else
  EXPECT_EQ(FindEntryPoint("wglSwapIntervalEXT"), nullptr) << "WGL exists only on Windows";
#endif
}

TEST(GLProcList, GLUSlotsAreTheFiftyOneNamesInBindingOrder) {
  const char* const expected[] = {"gluBeginCurve",
                                  "gluBeginPolygon",
                                  "gluBeginSurface",
                                  "gluBeginTrim",
                                  "gluBuild1DMipmaps",
                                  "gluBuild2DMipmaps",
                                  "gluCylinder",
                                  "gluDeleteNurbsRenderer",
                                  "gluDeleteQuadric",
                                  "gluDeleteTess",
                                  "gluDisk",
                                  "gluEndCurve",
                                  "gluEndPolygon",
                                  "gluEndSurface",
                                  "gluEndTrim",
                                  "gluErrorString",
                                  "gluGetNurbsProperty",
                                  "gluGetString",
                                  "gluGetTessProperty",
                                  "gluLoadSamplingMatrices",
                                  "gluLookAt",
                                  "gluNewNurbsRenderer",
                                  "gluNewQuadric",
                                  "gluNewTess",
                                  "gluNextContour",
                                  "gluNurbsCallback",
                                  "gluNurbsCurve",
                                  "gluNurbsProperty",
                                  "gluNurbsSurface",
                                  "gluOrtho2D",
                                  "gluPartialDisk",
                                  "gluPerspective",
                                  "gluPickMatrix",
                                  "gluProject",
                                  "gluPwlCurve",
                                  "gluQuadricCallback",
                                  "gluQuadricDrawStyle",
                                  "gluQuadricNormals",
                                  "gluQuadricOrientation",
                                  "gluQuadricTexture",
                                  "gluScaleImage",
                                  "gluSphere",
                                  "gluTessBeginContour",
                                  "gluTessBeginPolygon",
                                  "gluTessCallback",
                                  "gluTessEndContour",
                                  "gluTessEndPolygon",
                                  "gluTessNormal",
                                  "gluTessProperty",
                                  "gluTessVertex",
                                  "gluUnProject"};
  std::size_t count = 0;
  const EntryPointInfo* entries = EntryPoints(&count);
  std::vector<std::string> glu;
  for (std::size_t i = 0; i < count; ++i)
    if (std::strcmp(entries[i].family, "GLU") == 0) glu.push_back(entries[i].name);
  EXPECT_EQ(glu, std::vector<std::string>(std::begin(expected), std::end(expected)));
}

// The entry points the program calls, with their published OpenGL 1.3, GLU 1.3 and
// extension signatures.
// The slot's type spelled out, calling convention included.
#define HAS_SIGNATURE(name, ret, params) std::is_same_v<decltype(name), ret(GLAPIENTRY*) params>

static_assert(HAS_SIGNATURE(glEnable, void, (GLenum)));
static_assert(HAS_SIGNATURE(glDisable, void, (GLenum)));
static_assert(HAS_SIGNATURE(glBindTexture, void, (GLenum, GLuint)));
static_assert(HAS_SIGNATURE(glPixelStorei, void, (GLenum, GLint)));
static_assert(HAS_SIGNATURE(glTexParameteri, void, (GLenum, GLenum, GLint)));
static_assert(HAS_SIGNATURE(glGenTextures, void, (GLsizei, GLuint*)));
static_assert(HAS_SIGNATURE(glTexImage2D, void,
                            (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                             const void*)));
static_assert(HAS_SIGNATURE(glTexImage1D, void,
                            (GLenum, GLint, GLint, GLsizei, GLint, GLenum, GLenum, const void*)));
static_assert(HAS_SIGNATURE(glClearColor, void, (GLfloat, GLfloat, GLfloat, GLfloat)));
static_assert(HAS_SIGNATURE(glClearDepth, void, (GLdouble)));
static_assert(HAS_SIGNATURE(glDepthFunc, void, (GLenum)));
static_assert(HAS_SIGNATURE(glHint, void, (GLenum, GLenum)));
static_assert(HAS_SIGNATURE(glViewport, void, (GLint, GLint, GLsizei, GLsizei)));
static_assert(HAS_SIGNATURE(glMatrixMode, void, (GLenum)));
static_assert(HAS_SIGNATURE(glLoadIdentity, void, ()));
static_assert(HAS_SIGNATURE(glClear, void, (GLbitfield)));
static_assert(HAS_SIGNATURE(glPushMatrix, void, ()));
static_assert(HAS_SIGNATURE(glPopMatrix, void, ()));
static_assert(HAS_SIGNATURE(glTranslatef, void, (GLfloat, GLfloat, GLfloat)));
static_assert(HAS_SIGNATURE(glColor4f, void, (GLfloat, GLfloat, GLfloat, GLfloat)));
static_assert(HAS_SIGNATURE(glBegin, void, (GLenum)));
static_assert(HAS_SIGNATURE(glEnd, void, ()));
static_assert(HAS_SIGNATURE(glVertex3fv, void, (const GLfloat*)));
static_assert(HAS_SIGNATURE(glTexEnvi, void, (GLenum, GLenum, GLint)));
static_assert(HAS_SIGNATURE(glActiveTextureARB, void, (GLenum)));
static_assert(HAS_SIGNATURE(glMultiTexCoord2fv, void, (GLenum, const GLfloat*)));
static_assert(HAS_SIGNATURE(glMultiTexCoord3fv, void, (GLenum, const GLfloat*)));
static_assert(HAS_SIGNATURE(glFlush, void, ()));
static_assert(HAS_SIGNATURE(glFinish, void, ()));
static_assert(HAS_SIGNATURE(glGetError, GLenum, ()));
static_assert(HAS_SIGNATURE(gluBuild1DMipmaps, GLint,
                            (GLenum, GLint, GLsizei, GLenum, GLenum, const void*)));
static_assert(HAS_SIGNATURE(gluBuild2DMipmaps, GLint,
                            (GLenum, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*)));
static_assert(HAS_SIGNATURE(gluNewQuadric, GLUquadric*, ()));
static_assert(HAS_SIGNATURE(gluQuadricNormals, void, (GLUquadric*, GLenum)));
static_assert(HAS_SIGNATURE(gluQuadricTexture, void, (GLUquadric*, GLboolean)));
static_assert(HAS_SIGNATURE(gluQuadricDrawStyle, void, (GLUquadric*, GLenum)));
static_assert(HAS_SIGNATURE(gluPerspective, void, (GLdouble, GLdouble, GLdouble, GLdouble)));
static_assert(HAS_SIGNATURE(gluLookAt, void,
                            (GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble,
                             GLdouble, GLdouble)));
static_assert(HAS_SIGNATURE(gluSphere, void, (GLUquadric*, GLdouble, GLint, GLint)));
static_assert(HAS_SIGNATURE(gluErrorString, const GLubyte*, (GLenum)));
#ifdef _WIN32
static_assert(HAS_SIGNATURE(wglSwapIntervalEXT, BOOL, (int)));
static_assert(HAS_SIGNATURE(wglSwapBuffersMscOML, INT64, (HDC, INT64, INT64, INT64)));
#endif

TEST(GLProcList, TheProgramsEntryPointsAreInTheirFamilies) {
  const std::map<std::string, std::string> called = {
      {"glEnable", "GL_VERSION_1_1"},
      {"glDisable", "GL_VERSION_1_1"},
      {"glBindTexture", "GL_VERSION_1_1"},
      {"glPixelStorei", "GL_VERSION_1_1"},
      {"glTexParameteri", "GL_VERSION_1_1"},
      {"glGenTextures", "GL_VERSION_1_1"},
      {"glTexImage2D", "GL_VERSION_1_1"},
      {"glTexImage1D", "GL_VERSION_1_1"},
      {"glClearColor", "GL_VERSION_1_1"},
      {"glClearDepth", "GL_VERSION_1_1"},
      {"glDepthFunc", "GL_VERSION_1_1"},
      {"glHint", "GL_VERSION_1_1"},
      {"glViewport", "GL_VERSION_1_1"},
      {"glMatrixMode", "GL_VERSION_1_1"},
      {"glLoadIdentity", "GL_VERSION_1_1"},
      {"glClear", "GL_VERSION_1_1"},
      {"glPushMatrix", "GL_VERSION_1_1"},
      {"glPopMatrix", "GL_VERSION_1_1"},
      {"glTranslatef", "GL_VERSION_1_1"},
      {"glColor4f", "GL_VERSION_1_1"},
      {"glBegin", "GL_VERSION_1_1"},
      {"glEnd", "GL_VERSION_1_1"},
      {"glVertex3fv", "GL_VERSION_1_1"},
      {"glTexEnvi", "GL_VERSION_1_1"},
      {"glActiveTextureARB", "GL_ARB"},
      {"glMultiTexCoord2fv", "GL_VERSION_1_3"},
      {"glMultiTexCoord3fv", "GL_VERSION_1_3"},
      {"glFlush", "GL_VERSION_1_1"},
      {"glFinish", "GL_VERSION_1_1"},
      {"glGetError", "GL_VERSION_1_1"},
      {"gluBuild1DMipmaps", "GLU"},
      {"gluBuild2DMipmaps", "GLU"},
      {"gluNewQuadric", "GLU"},
      {"gluQuadricNormals", "GLU"},
      {"gluQuadricTexture", "GLU"},
      {"gluQuadricDrawStyle", "GLU"},
      {"gluPerspective", "GLU"},
      {"gluLookAt", "GLU"},
      {"gluSphere", "GLU"},
      {"gluErrorString", "GLU"},
  };
  EXPECT_EQ(called.size(), 40u);  // and wglSwapIntervalEXT, in Windows builds
  for (const auto& [name, family] : called) {
    const EntryPointInfo* entry = FindEntryPoint(name.c_str());
    ASSERT_NE(entry, nullptr) << name;
    EXPECT_EQ(entry->family, family) << name;
    EXPECT_FALSE(entry->driverOnly) << name;
  }
}

}  // namespace
