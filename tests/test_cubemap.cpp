// The normalization cube map without GL: face vectors against worked values, the byte
// encoding with ties to even, the stored bytes against worked texels, and every texel of
// every face checked the way GL will use it: decoded, it is a unit vector that GL's own
// face selection sends back to the same face and texel.
#include <gtest/gtest.h>

#include <cmath>

#include "gl/gl.h"
#include "gl/gl_loader.h"
#include "gl/recorder/gl_recorder.h"
#include "textures/cubemap.h"

namespace {

const GLenum FaceTargets[] = {0x8515, 0x8516, 0x8517, 0x8518, 0x8519, 0x851A};

void ExpectVector(const Vector3& v, float x, float y, float z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

TEST(CubeFaceVector, WorkedTexelsOfTheThirtyTwoTexelMap) {
  ExpectVector(CubeFaceVector(0, 32, 16, 15), 1, 0.03125f, -0.03125f);
  ExpectVector(CubeFaceVector(0, 32, 0, 0), 1, 0.96875f, 0.96875f);
  ExpectVector(CubeFaceVector(2, 32, 31, 0), 0.96875f, 1, -0.96875f);
  ExpectVector(CubeFaceVector(5, 32, 31, 31), -0.96875f, -0.96875f, -1);
}

TEST(CubeFaceVector, EveryFaceFollowsItsAxisTable) {
  // Column 0 and row 3 of a 4-texel face: sc = -0.75, tc = 0.75.
  ExpectVector(CubeFaceVector(0, 4, 0, 3), 1, -0.75f, 0.75f);
  ExpectVector(CubeFaceVector(1, 4, 0, 3), -1, -0.75f, -0.75f);
  ExpectVector(CubeFaceVector(2, 4, 0, 3), -0.75f, 1, 0.75f);
  ExpectVector(CubeFaceVector(3, 4, 0, 3), -0.75f, -1, -0.75f);
  ExpectVector(CubeFaceVector(4, 4, 0, 3), -0.75f, -0.75f, 1);
  ExpectVector(CubeFaceVector(5, 4, 0, 3), 0.75f, -0.75f, -1);
}

TEST(CubeFaceVector, SizeOneAndTwo) {
  const Vector3 centre = CubeFaceVector(3, 1, 0, 0);
  ExpectVector(centre, 0, -1, 0);
  ExpectVector(CubeFaceVector(5, 2, 0, 0), 0.5f, 0.5f, -1);
}

TEST(EncodeCubeComponent, EndsCentreAndTiesToEven) {
  EXPECT_EQ(EncodeCubeComponent(-1), 1);
  EXPECT_EQ(EncodeCubeComponent(0), 128);
  EXPECT_EQ(EncodeCubeComponent(-0.0f), 128);
  EXPECT_EQ(EncodeCubeComponent(1), 255);
  EXPECT_EQ(EncodeCubeComponent(0.5f), 192) << "191.5 goes to the even 192";
  EXPECT_EQ(EncodeCubeComponent(-0.5f), 64) << "64.5 goes to the even 64, not 65";
  EXPECT_EQ(EncodeCubeComponent(-0.96875f), 5);
  EXPECT_EQ(EncodeCubeComponent(-0.03125f), 124);
  EXPECT_EQ(EncodeCubeComponent(0.03125f), 132);
  EXPECT_EQ(EncodeCubeComponent(0.96875f), 251);
}

class CubeMapBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    InitGLBinding();
    Record();
  }
  void TearDown() override { StopRecordingGLCalls(); }

  // Every slot records, from a clean log; glGenTextures hands out 42 first.
  void Record() {
    StopRecordingGLCalls();
    RecordGLCalls();
    SetGLNextName("glGenTextures", 42);
  }

  // The recorded calls that carried pixel data, and the size of their faces.
  const GLCallList& Uploads() {
    uploads_.clear();
    for (const GLCall& call : RecordedGLCalls())
      if (!call.data.empty()) uploads_.push_back(call);
    return uploads_;
  }

  // The texel (x, y) of face f as uploaded, on faces of this size.
  std::vector<int> Texel(int face, int size, int x, int y) {
    const std::vector<std::uint8_t>& bytes = uploads_.at(face).data;
    const std::size_t at = (static_cast<std::size_t>(y) * size + x) * 3;
    return {bytes.at(at), bytes.at(at + 1), bytes.at(at + 2)};
  }

  // The calls of a map of 2-texel faces with these uploads between set-up and filters.
  GLCallList MapCalls(const GLCallList& faces, GLint minFilter) {
    GLuint nameOut = 0;
    GLCallList calls = {Expected::glGenTextures(1, &nameOut),
                        Expected::glEnable(0x8513),
                        Expected::glBindTexture(0x8513, 42),
                        Expected::glPixelStorei(0x0CF5, 1),
                        Expected::glTexParameteri(0x8513, 0x2802, 0x812F),
                        Expected::glTexParameteri(0x8513, 0x2803, 0x812F),
                        Expected::glTexParameteri(0x8513, 0x8072, 0x812F)};
    calls.insert(calls.end(), faces.begin(), faces.end());
    calls.push_back(Expected::glTexParameteri(0x8513, 0x2800, 0x2601));
    calls.push_back(Expected::glTexParameteri(0x8513, 0x2801, minFilter));
    calls.push_back(Expected::glDisable(0x8513));
    return calls;
  }

  GLCallList uploads_;
};

// The face uploads are checked argument by argument here; their bytes by the tests below.
TEST_F(CubeMapBuild, CallSequenceWithoutMipmaps) {
  EXPECT_EQ(CreateNormalizationCubeMap(2, false), 42u);
  ASSERT_EQ(Uploads().size(), 6u);
  GLCallList faces;
  for (int f = 0; f < 6; ++f)
    faces.push_back(Expected::glTexImage2D(FaceTargets[f], 0, 0x1907, 2, 2, 0, 0x1907, 0x1401,
                                           uploads_[f].data.data()));
  EXPECT_EQ(GLCallsText(RecordedGLCalls()), GLCallsText(MapCalls(faces, 0x2601)));
}

TEST_F(CubeMapBuild, CallSequenceWithMipmaps) {
  EXPECT_EQ(CreateNormalizationCubeMap(2, true), 42u);
  ASSERT_EQ(Uploads().size(), 6u);
  GLCallList faces;
  for (int f = 0; f < 6; ++f)
    faces.push_back(Expected::gluBuild2DMipmaps(FaceTargets[f], 0x1907, 2, 2, 0x1907, 0x1401,
                                                uploads_[f].data.data()));
  EXPECT_EQ(GLCallsText(RecordedGLCalls()), GLCallsText(MapCalls(faces, 0x2703)));
}

TEST_F(CubeMapBuild, SizeOneHoldsTheSixAxes) {
  CreateNormalizationCubeMap(1, false);
  ASSERT_EQ(Uploads().size(), 6u);
  EXPECT_EQ(Texel(0, 1, 0, 0), (std::vector<int>{255, 128, 128}));
  EXPECT_EQ(Texel(1, 1, 0, 0), (std::vector<int>{1, 128, 128}));
  EXPECT_EQ(Texel(2, 1, 0, 0), (std::vector<int>{128, 255, 128}));
  EXPECT_EQ(Texel(3, 1, 0, 0), (std::vector<int>{128, 1, 128}));
  EXPECT_EQ(Texel(4, 1, 0, 0), (std::vector<int>{128, 128, 255}));
  EXPECT_EQ(Texel(5, 1, 0, 0), (std::vector<int>{128, 128, 1}));
}

TEST_F(CubeMapBuild, TexelsHoldUnitVectors) {
  CreateNormalizationCubeMap(2, false);
  ASSERT_EQ(Uploads().size(), 6u);
  EXPECT_EQ(Texel(5, 2, 0, 0), (std::vector<int>{180, 180, 24}));

  CreateNormalizationCubeMap(32, false);
  ASSERT_EQ(Uploads().size(), 12u);
  uploads_.erase(uploads_.begin(), uploads_.begin() + 6);
  EXPECT_EQ(Texel(0, 32, 16, 15), (std::vector<int>{255, 132, 124}));
  EXPECT_EQ(Texel(0, 32, 0, 0), (std::vector<int>{203, 201, 201}));
  EXPECT_EQ(Texel(2, 32, 31, 0), (std::vector<int>{201, 203, 55}));
  EXPECT_EQ(Texel(5, 32, 31, 31), (std::vector<int>{55, 55, 53}));
}

// GL's face selection (the major axis of the direction) and the texel it lands in.
void SelectTexel(double rx, double ry, double rz, int size, int* face, int* x, int* y) {
  const double ax = std::fabs(rx), ay = std::fabs(ry), az = std::fabs(rz);
  double sc, tc, ma;
  if (ax >= ay && ax >= az) {
    *face = rx > 0 ? 0 : 1;
    sc = rx > 0 ? -rz : rz;
    tc = -ry;
    ma = ax;
  } else if (ay >= az) {
    *face = ry > 0 ? 2 : 3;
    sc = rx;
    tc = ry > 0 ? rz : -rz;
    ma = ay;
  } else {
    *face = rz > 0 ? 4 : 5;
    sc = rz > 0 ? rx : -rx;
    tc = -ry;
    ma = az;
  }
  *x = static_cast<int>(std::floor((sc / ma + 1) / 2 * size));
  *y = static_cast<int>(std::floor((tc / ma + 1) / 2 * size));
}

TEST_F(CubeMapBuild, EveryTexelLeadsGLBackToItself) {
  for (int size : {32, 5, 3}) {
    Record();
    CreateNormalizationCubeMap(size, false);
    ASSERT_EQ(Uploads().size(), 6u);
    for (int f = 0; f < 6; ++f) {
      ASSERT_EQ(uploads_[f].data.size(), static_cast<std::size_t>(size * size * 3));
      EXPECT_EQ(uploads_[f], Expected::glTexImage2D(0x8515 + f, 0, 0x1907, size, size, 0, 0x1907,
                                                    0x1401, uploads_[f].data.data()));
      EXPECT_EQ(uploads_[f].dataAddress, uploads_[0].dataAddress) << "one buffer";
      for (int x = 0; x < size; ++x) {
        for (int y = 0; y < size; ++y) {
          const std::vector<int> b = Texel(f, size, x, y);
          const double rx = (b[0] - 128) / 127.0, ry = (b[1] - 128) / 127.0,
                       rz = (b[2] - 128) / 127.0;
          const double length = std::sqrt(rx * rx + ry * ry + rz * rz);
          EXPECT_NEAR(length, 1.0, 0.015)
              << "size " << size << " face " << f << " (" << x << "," << y << ")";
          int face, sx, sy;
          SelectTexel(rx, ry, rz, size, &face, &sx, &sy);
          EXPECT_EQ(face, f) << "size " << size << " (" << x << "," << y << ")";
          EXPECT_EQ(sx, x) << "size " << size << " face " << f << " (" << x << "," << y << ")";
          EXPECT_EQ(sy, y) << "size " << size << " face " << f << " (" << x << "," << y << ")";
        }
      }
    }
  }
}

}  // namespace
