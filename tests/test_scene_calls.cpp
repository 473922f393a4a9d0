// Scene set-up and one frame as exact GL call sequences (through the GL-call recorder),
// and the per-corner light vectors as float32 values.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/settings.h"
#include "fake_platform.h"
#include "gl/recorder/gl_recorder.h"
#include "log/log.h"
#include "scene/scene.h"

namespace fs = std::filesystem;

namespace {

// A run directory holding the shipped normal map, as the working directory.
class SceneCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakePlatform();
    char pattern[] = "/tmp/bumpdemo-scene-XXXXXX";
    dir_ = mkdtemp(pattern);
    fs::copy(fs::path(BUMPDEMO_ASSETS_DIR) / "Textures", dir_ + "/Textures");
    fs::create_directory(dir_ + "/system");
    previous_ = fs::current_path();
    fs::current_path(dir_);
    SetLogFileName("system\\log.txt");
    ResetLog();
    RecordGLCalls();
  }
  void TearDown() override {
    StopRecordingGLCalls();
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }
  std::string dir_;
  fs::path previous_;
};

TEST_F(SceneCalls, InitSceneSetsTheFixedStateThenTexturesThenTheQuadric) {
  InitScene();
  const GLCallList calls = RecordedGLCalls();
  ASSERT_GT(calls.size(), 11u);
  const GLCallList head(calls.begin(), calls.begin() + 6);
  EXPECT_EQ(GLCallsText(head), GLCallsText({
                                   Expected::glClearColor(0, 0, 0, 1),
                                   Expected::glClearDepth(1.0),
                                   Expected::glEnable(GL_DEPTH_TEST),
                                   Expected::glDepthFunc(GL_LEQUAL),
                                   Expected::glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST),
                                   Expected::glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST),
                               }));
  // Texture loading comes next: the normal map, then the cube map.
  EXPECT_EQ(calls[6].name, "glGenTextures");
  const GLCallList tail(calls.end() - 5, calls.end());
  EXPECT_EQ(GLCallsText(tail), GLCallsText({
                                   Expected::gluNewQuadric(),
                                   Expected::gluQuadricDrawStyle(LightQuadric, GLU_FILL),
                                   Expected::gluQuadricNormals(LightQuadric, GLU_SMOOTH),
                                   Expected::gluQuadricTexture(LightQuadric, GL_FALSE),
                                   Expected::glDisable(GL_TEXTURE_2D),
                               }));
  EXPECT_EQ(BumpTexture, 1u);
  EXPECT_EQ(NormalizationCubeMap, 2u);
  EXPECT_NE(LightQuadric, nullptr);
  // The scene data.
  EXPECT_EQ(LightPosition.x, 0.5f);
  EXPECT_EQ(LightPosition.y, 0.0f);
  EXPECT_EQ(LightPosition.z, 1.0f);
  const float corners[4][3] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  const float st[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(WallVertices[i].x, corners[i][0]);
    EXPECT_EQ(WallVertices[i].y, corners[i][1]);
    EXPECT_EQ(WallVertices[i].z, corners[i][2]);
    EXPECT_EQ(WallTexCoords[i].s, st[i][0]);
    EXPECT_EQ(WallTexCoords[i].t, st[i][1]);
  }
}

// The 46 calls of one frame for the light at its first position.
GLCallList ExpectedFrame(const Vector3 vectors[4]) {
  GLCallList frame = {
      Expected::glViewport(0, 0, 640, 480),
      Expected::glMatrixMode(GL_PROJECTION),
      Expected::glLoadIdentity(),
      Expected::gluPerspective(60.0, 4.0 / 3.0, 1.0, 60.0),
      Expected::glMatrixMode(GL_MODELVIEW),
      Expected::glLoadIdentity(),
      Expected::gluLookAt(2, 2, 2, 0, 0, 0, 0, 0, 1),
      Expected::glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT),
      Expected::glMatrixMode(GL_MODELVIEW),
      Expected::glPushMatrix(),
      Expected::glTranslatef(0.5f, 0.0f, 1.0f),
      Expected::glActiveTextureARB(GL_TEXTURE0_ARB),
      Expected::glDisable(GL_TEXTURE_2D),
      Expected::glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE),
      Expected::glActiveTextureARB(GL_TEXTURE1_ARB),
      Expected::glDisable(GL_TEXTURE_CUBE_MAP_ARB),
      Expected::glColor4f(1, 1, 1, 1),
      Expected::gluSphere(LightQuadric, 0.05, 15, 15),
      Expected::glPopMatrix(),
      Expected::glActiveTextureARB(GL_TEXTURE0_ARB),
      Expected::glEnable(GL_TEXTURE_2D),
      Expected::glBindTexture(GL_TEXTURE_2D, 1),
      Expected::glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB),
      Expected::glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE),
      Expected::glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_REPLACE),
      Expected::glActiveTextureARB(GL_TEXTURE1_ARB),
      Expected::glEnable(GL_TEXTURE_CUBE_MAP_ARB),
      Expected::glBindTexture(GL_TEXTURE_CUBE_MAP_ARB, 2),
      Expected::glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB),
      Expected::glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PREVIOUS_ARB),
      Expected::glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE),
      Expected::glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_DOT3_RGB_ARB),
      Expected::glBegin(GL_QUADS),
  };
  const GLfloat st[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const GLfloat xyz[4][3] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  for (int i = 0; i < 4; ++i) {
    frame.push_back(Expected::glMultiTexCoord2fv(GL_TEXTURE0_ARB, st[i]));
    frame.push_back(Expected::glMultiTexCoord3fv(GL_TEXTURE1_ARB, &vectors[i].x));
    frame.push_back(Expected::glVertex3fv(xyz[i]));
  }
  frame.push_back(Expected::glEnd());
  return frame;
}

TEST_F(SceneCalls, OneFrameIsTheFortySixCallsInOrder) {
  InitScene();
  ClearRecordedGLCalls();
  RenderScene();
  // The first frame's light vectors, as float32.
  const Vector3 vectors[4] = {{0.727606893f, 0.485071272f, 0.485071272f},
                              {-0.333333343f, 0.666666687f, 0.666666687f},
                              {-0.333333343f, -0.666666687f, 0.666666687f},
                              {0.727606893f, -0.485071272f, 0.485071272f}};
  const GLCallList expected = ExpectedFrame(vectors);
  EXPECT_EQ(expected.size(), 46u);
  EXPECT_EQ(GLCallsText(RecordedGLCalls()), GLCallsText(expected));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(LightVectors[i].x, vectors[i].x) << i;
    EXPECT_EQ(LightVectors[i].y, vectors[i].y) << i;
    EXPECT_EQ(LightVectors[i].z, vectors[i].z) << i;
  }
  // The next frame is drawn the same way.
  ClearRecordedGLCalls();
  RenderScene();
  EXPECT_EQ(GLCallsText(RecordedGLCalls()), GLCallsText(expected));
}

TEST_F(SceneCalls, LightVectorsOnTheOrbitAtClockZero) {
  InitScene();
  LightPosition = {1, 0, 1.5f};
  RenderScene();
  EXPECT_EQ(LightVectors[1].x, 0.0f);
  EXPECT_EQ(LightVectors[1].y, 0.554700196f);
  EXPECT_EQ(LightVectors[1].z, 0.832050323f);
  EXPECT_EQ(LightVectors[0].x, 0.742781341f);
  EXPECT_EQ(LightVectors[0].y, 0.371390671f);
  EXPECT_EQ(LightVectors[0].z, 0.557085991f);
}

TEST_F(SceneCalls, WithoutAQuadricTheWallIsDrawnWithoutItsMarker) {
  SetGLNewObjectsNull(true);
  InitScene();
  EXPECT_EQ(LightQuadric, nullptr);
  for (const std::string& name : RecordedGLCallNames()) EXPECT_NE(name.rfind("gluQuadric", 0), 0u);
  ClearRecordedGLCalls();
  RenderScene();
  const std::vector<std::string> names = RecordedGLCallNames();
  EXPECT_EQ(names.size(), 45u);
  for (const std::string& name : names) EXPECT_NE(name, "gluSphere");
  EXPECT_EQ(names.back(), "glEnd");
  std::ifstream log("system/log.txt", std::ios::binary);
  std::stringstream content;
  content << log.rdbuf();
  EXPECT_EQ(content.str(), "gluNewQuadric failed: the light marker is not drawn\r\n");
}

}  // namespace
