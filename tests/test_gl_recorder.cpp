// The GL-call recorder: routing slots, the rendering of arguments, the results it gives,
// forwarding to what a slot held, and putting the slots back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl/gl_loader.h"
#include "gl/recorder/gl_recorder.h"

namespace {

class GLRecorder : public ::testing::Test {
 protected:
  void SetUp() override { InitGLBinding(); }
  void TearDown() override {
    StopRecordingGLCalls();
    DriverLookupProc = nullptr;
  }
};

void* Stub(const char* name) {
  return FindEntryPoint(name)->stub;
}

TEST_F(GLRecorder, RecordsCallsInOrderWithTheirArguments) {
  RecordGLCalls();
  const GLfloat corner[3] = {1, -2.5f, 0.1f};
  glEnable(GL_DEPTH_TEST);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(0.1f, 0, 0.5f, 1);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glVertex3fv(corner);
  gluQuadricTexture(nullptr, GL_TRUE);
  gluPerspective(45, 640.0 / 480.0, 0.1, 100);

  const GLCallList calls = RecordedGLCalls();
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[0].name, "glEnable");
  EXPECT_EQ(calls[0].args, (std::vector<std::string>{"0x0B71"}));
  EXPECT_EQ(calls[1].args, (std::vector<std::string>{"0x4100"}));
  EXPECT_EQ(calls[2].args, (std::vector<std::string>{"0.1", "0", "0.5", "1"}));
  EXPECT_EQ(calls[3].args, (std::vector<std::string>{"0x2300", "0x2200", "7681"}));
  EXPECT_EQ(calls[4].args, (std::vector<std::string>{"{1, -2.5, 0.1}"}));
  EXPECT_EQ(calls[5].args, (std::vector<std::string>{"null", "GL_TRUE"}));
  EXPECT_EQ(GLCallText(calls[6]), "gluPerspective(45, 1.3333333333333333, 0.1, 100)");

  EXPECT_EQ(calls, (GLCallList{Expected::glEnable(GL_DEPTH_TEST),
                               Expected::glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT),
                               Expected::glClearColor(0.1f, 0, 0.5f, 1),
                               Expected::glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE),
                               Expected::glVertex3fv(corner),
                               Expected::gluQuadricTexture(nullptr, GL_TRUE),
                               Expected::gluPerspective(45, 640.0 / 480.0, 0.1, 100)}));
  EXPECT_NE(calls[2], Expected::glClearColor(0.1f, 0, 0.5f, 0.99999994f));
  EXPECT_EQ(RecordedGLCallNames(),
            (std::vector<std::string>{"glEnable", "glClear", "glClearColor", "glTexEnvi",
                                      "glVertex3fv", "gluQuadricTexture", "gluPerspective"}));
}

TEST_F(GLRecorder, FloatsAndDoublesReadBackExactly) {
  RecordGLCalls({"glColor4f", "glClearDepth"});
  const float values[4] = {1.0f / 3, 1e-38f, -0.0f, 16777217.0f};
  glColor4f(values[0], values[1], values[2], values[3]);
  glClearDepth(1.0 / 3);
  const GLCallList calls = RecordedGLCalls();
  for (int i = 0; i < 4; ++i) {
    const float back = std::strtof(calls[0].args[i].c_str(), nullptr);
    EXPECT_EQ(std::memcmp(&back, &values[i], sizeof back), 0) << calls[0].args[i];
  }
  EXPECT_EQ(calls[0].args[2], "-0");
  EXPECT_EQ(std::strtod(calls[1].args[0].c_str(), nullptr), 1.0 / 3);
}

TEST_F(GLRecorder, ArraysSizedByAnotherArgumentAndStringsAreCapturedByValue) {
  RecordGLCalls();
  const GLuint names[3] = {5, 9, 4000000000u};
  glDeleteTextures(2, names);
  glDeleteTextures(3, names);
  glMultiTexCoord2fv(GL_TEXTURE1_ARB, nullptr);
  glGetUniformLocation(1, "lightPosition");
  const GLdouble identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  glLoadMatrixd(identity);
  EXPECT_EQ(GLCallsText(RecordedGLCalls()),
            "glDeleteTextures(2, {5, 9})\n"
            "glDeleteTextures(3, {5, 9, 4000000000})\n"
            "glMultiTexCoord2fv(0x84C1, null)\n"
            "glGetUniformLocation(1, \"lightPosition\")\n"
            "glLoadMatrixd({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})\n");
}

TEST_F(GLRecorder, PixelDataIsCapturedUnderTheRecordedUnpackAlignment) {
  RecordGLCalls();
  std::vector<GLubyte> pixels(3 * 4 + 9);  // 3 x 2 RGB rows padded to 4 bytes, last unpadded
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<GLubyte>(i * 7);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 3, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 3, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, 3, 2, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 3, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);

  const GLCallList calls = RecordedGLCalls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0].data, pixels);
  EXPECT_EQ(calls[0].args[8].rfind("{21 bytes #", 0), 0u) << calls[0].args[8];
  EXPECT_EQ(calls[2].data, std::vector<GLubyte>(pixels.begin(), pixels.begin() + 18));
  EXPECT_EQ(calls[3].data, calls[2].data);
  EXPECT_EQ(calls[4].args[8], "null");
  // Expectations built from the same bytes match; other bytes do not.
  EXPECT_EQ(calls[2], Expected::glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 3, 2, 0, GL_RGB,
                                             GL_UNSIGNED_BYTE, pixels.data()));
  std::vector<GLubyte> other = pixels;
  other[17] ^= 1;
  EXPECT_NE(calls[2], Expected::glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 3, 2, 0, GL_RGB,
                                             GL_UNSIGNED_BYTE, other.data()));
}

TEST_F(GLRecorder, RoutesOnlyTheNamedSlotsAndPutsThemBack) {
  RecordGLCalls({"glEnable", "glBegin"});
  EXPECT_NE(reinterpret_cast<void*>(glEnable), Stub("glEnable"));
  EXPECT_EQ(reinterpret_cast<void*>(glDisable), Stub("glDisable"));
  glEnable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  EXPECT_EQ(RecordedGLCalls(),
            (GLCallList{Expected::glEnable(GL_TEXTURE_2D), Expected::glBegin(GL_QUADS)}));
  StopRecordingGLCalls();
  EXPECT_EQ(reinterpret_cast<void*>(glEnable), Stub("glEnable"));
  EXPECT_EQ(reinterpret_cast<void*>(glBegin), Stub("glBegin"));
  EXPECT_TRUE(RecordedGLCalls().empty());
}

TEST_F(GLRecorder, GivesSensibleResults) {
  RecordGLCalls();
  GLuint first[2] = {}, second = 0;
  glGenTextures(2, first);
  glGenTextures(1, &second);
  EXPECT_EQ(first[0], 1u);
  EXPECT_EQ(first[1], 2u);
  EXPECT_EQ(second, 3u);
  GLuint buffer = 0;
  glGenBuffersARB(1, &buffer);
  EXPECT_EQ(buffer, 1u) << "names count per entry point";
  EXPECT_EQ(glGenLists(3), 1u);
  EXPECT_EQ(glGenLists(1), 4u);

  EXPECT_EQ(glGetError(), GL_NO_ERROR);
  QueueGLErrors({GL_INVALID_ENUM, GL_OUT_OF_MEMORY});
  EXPECT_EQ(glGetError(), GL_INVALID_ENUM);
  EXPECT_EQ(glGetError(), GL_OUT_OF_MEMORY);
  EXPECT_EQ(glGetError(), GL_NO_ERROR);

  EXPECT_STREQ(reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM)), "invalid enumerant");
  EXPECT_EQ(gluErrorString(12345), nullptr);
  EXPECT_NE(glGetString(GL_VERSION), nullptr);

  GLUquadric* quadric = gluNewQuadric();
  EXPECT_NE(quadric, nullptr);
  gluSphere(quadric, 0.1, 16, 16);
  EXPECT_EQ(RecordedGLCalls().back(), Expected::gluSphere(quadric, 0.1, 16, 16));
  SetGLNewObjectsNull(true);
  EXPECT_EQ(gluNewQuadric(), nullptr);
  EXPECT_EQ(gluNewTess(), nullptr);

  SetGLResult("glIsEnabled", GL_TRUE);
  EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), GL_TRUE);
  const GLubyte text[] = "1.5 test";
  SetGLResult("glGetString", text);
  EXPECT_EQ(glGetString(GL_VERSION), text);

  EXPECT_EQ(RecordedGLCalls()[0], (GLCall{"glGenTextures", {"2", "ptr"}, {}}));
}

TEST_F(GLRecorder, StopResetsTheResultsForTheNextRecording) {
  RecordGLCalls();
  GLuint name = 0;
  glGenTextures(1, &name);
  QueueGLErrors({GL_INVALID_VALUE});
  SetGLNewObjectsNull(true);
  StopRecordingGLCalls();

  RecordGLCalls();
  glGenTextures(1, &name);
  EXPECT_EQ(name, 1u);
  EXPECT_EQ(glGetError(), GL_NO_ERROR);
  EXPECT_NE(gluNewQuadric(), nullptr);
  EXPECT_EQ(TakeRecordedGLCalls().size(), 3u);
  EXPECT_TRUE(RecordedGLCalls().empty());
}

TEST_F(GLRecorder, DiscardingLogsNothingAnswersZeroAndPutsEverySlotBack) {
  DiscardGLCalls();
  std::size_t count = 0;
  const EntryPointInfo* entries = EntryPoints(&count);
  for (std::size_t i = 0; i < count; ++i)
    ASSERT_NE(*entries[i].slot, entries[i].stub) << entries[i].name;
  QueueGLErrors({GL_INVALID_ENUM});
  SetGLResult("glIsEnabled", GL_TRUE);
  GLuint name = 77;
  glGenTextures(1, &name);
  glEnable(GL_DEPTH_TEST);
  EXPECT_EQ(name, 77u) << "no name written";
  EXPECT_EQ(glGetError(), GL_NO_ERROR);
  EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), GL_FALSE);
  EXPECT_EQ(glGenLists(2), 0u);
  EXPECT_EQ(gluNewQuadric(), nullptr);
  EXPECT_EQ(glGetString(GL_VERSION), nullptr);
  EXPECT_TRUE(RecordedGLCalls().empty());
  StopRecordingGLCalls();
  for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(*entries[i].slot, entries[i].stub);

  RecordGLCalls();
  SetGLNextName("glGenTextures", 42);
  glGenTextures(1, &name);
  EXPECT_EQ(name, 42u);
}

GLenum GLAPIENTRY ErrorFromDriver() {
  return GL_STACK_OVERFLOW;
}
int DriverLookups = 0;
void* GLAPIENTRY CountingDriverLookup(const char* name) {
  ++DriverLookups;
  return std::strcmp(name, "glGetError") == 0 ? reinterpret_cast<void*>(&ErrorFromDriver) : nullptr;
}

TEST_F(GLRecorder, ForwardsToTheStubAndKeepsRecordingAfterItBinds) {
  DriverLookupProc = CountingDriverLookup;
  DriverLookups = 0;
  RecordGLCalls({"glGetError"});
  ForwardRecordedGLCalls(true);
  EXPECT_EQ(glGetError(), GL_STACK_OVERFLOW);
  EXPECT_EQ(glGetError(), GL_STACK_OVERFLOW);
  EXPECT_EQ(DriverLookups, 1) << "the stub bound the entry once";
  EXPECT_EQ(RecordedGLCallNames(), (std::vector<std::string>{"glGetError", "glGetError"}));
  StopRecordingGLCalls();
  EXPECT_EQ(reinterpret_cast<void*>(glGetError), reinterpret_cast<void*>(&ErrorFromDriver));
}

TEST(GLRecorderDeathTest, AnUnknownNameStopsTheTest) {
  EXPECT_DEATH(RecordGLCalls({"glEnabel"}), "no entry point named glEnabel");
}

}  // namespace
