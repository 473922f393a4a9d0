// The normalization cube map without GL: face vectors against worked values, the byte
// encoding with ties to even, the stored bytes against worked texels, and every texel of
// every face checked the way GL will use it: decoded, it is a unit vector that GL's own
// face selection sends back to the same face and texel.
#include <gtest/gtest.h>

#include <cmath>

#include "gl/gl.h"
#include "gl/gl_loader.h"
#include "texture_recorder.h"
#include "textures/cubemap.h"

namespace {

const char* const FaceTargets[] = {"8515", "8516", "8517", "8518", "8519", "851A"};

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
    InstallTextureRecorder();
  }
  void TearDown() override { InstallEntryPointStubs(); }

  // The texel (x, y) of face f as uploaded.
  std::vector<int> Texel(int face, int x, int y) {
    const RecordedUpload& u = Recording.uploads.at(face);
    const std::size_t at = (static_cast<std::size_t>(y) * u.width + x) * 3;
    return {u.bytes.at(at), u.bytes.at(at + 1), u.bytes.at(at + 2)};
  }
};

TEST_F(CubeMapBuild, CallSequenceWithoutMipmaps) {
  EXPECT_EQ(CreateNormalizationCubeMap(2, false), 42u);
  std::string faces;
  for (int f = 0; f < 6; ++f)
    faces += std::string("glTexImage2D(") + FaceTargets[f] + ",0,6407,2,2,0,1907,1401) ";
  EXPECT_EQ(RecordedCalls(),
            "glGenTextures(1) glEnable(8513) glBindTexture(8513,42) glPixelStorei(0CF5,1) "
            "glTexParameteri(8513,2802,812F) glTexParameteri(8513,2803,812F) "
            "glTexParameteri(8513,8072,812F) " +
                faces +
                "glTexParameteri(8513,2800,2601) glTexParameteri(8513,2801,2601) "
                "glDisable(8513)");
}

TEST_F(CubeMapBuild, CallSequenceWithMipmaps) {
  EXPECT_EQ(CreateNormalizationCubeMap(2, true), 42u);
  std::string faces;
  for (int f = 0; f < 6; ++f)
    faces += std::string("gluBuild2DMipmaps(") + FaceTargets[f] + ",6407,2,2,1907,1401) ";
  EXPECT_EQ(RecordedCalls(),
            "glGenTextures(1) glEnable(8513) glBindTexture(8513,42) glPixelStorei(0CF5,1) "
            "glTexParameteri(8513,2802,812F) glTexParameteri(8513,2803,812F) "
            "glTexParameteri(8513,8072,812F) " +
                faces +
                "glTexParameteri(8513,2800,2601) glTexParameteri(8513,2801,2703) "
                "glDisable(8513)");
}

TEST_F(CubeMapBuild, SizeOneHoldsTheSixAxes) {
  CreateNormalizationCubeMap(1, false);
  ASSERT_EQ(Recording.uploads.size(), 6u);
  EXPECT_EQ(Texel(0, 0, 0), (std::vector<int>{255, 128, 128}));
  EXPECT_EQ(Texel(1, 0, 0), (std::vector<int>{1, 128, 128}));
  EXPECT_EQ(Texel(2, 0, 0), (std::vector<int>{128, 255, 128}));
  EXPECT_EQ(Texel(3, 0, 0), (std::vector<int>{128, 1, 128}));
  EXPECT_EQ(Texel(4, 0, 0), (std::vector<int>{128, 128, 255}));
  EXPECT_EQ(Texel(5, 0, 0), (std::vector<int>{128, 128, 1}));
}

TEST_F(CubeMapBuild, TexelsHoldUnitVectors) {
  CreateNormalizationCubeMap(2, false);
  ASSERT_EQ(Recording.uploads.size(), 6u);
  EXPECT_EQ(Texel(5, 0, 0), (std::vector<int>{180, 180, 24}));

  CreateNormalizationCubeMap(32, false);
  ASSERT_EQ(Recording.uploads.size(), 12u);
  Recording.uploads.erase(Recording.uploads.begin(), Recording.uploads.begin() + 6);
  EXPECT_EQ(Texel(0, 16, 15), (std::vector<int>{255, 132, 124}));
  EXPECT_EQ(Texel(0, 0, 0), (std::vector<int>{203, 201, 201}));
  EXPECT_EQ(Texel(2, 31, 0), (std::vector<int>{201, 203, 55}));
  EXPECT_EQ(Texel(5, 31, 31), (std::vector<int>{55, 55, 53}));
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
    InstallTextureRecorder();
    CreateNormalizationCubeMap(size, false);
    ASSERT_EQ(Recording.uploads.size(), 6u);
    for (int f = 0; f < 6; ++f) {
      EXPECT_EQ(Recording.uploads[f].target, GLenum(0x8515 + f));
      EXPECT_EQ(Recording.uploads[f].pixels, Recording.uploads[0].pixels) << "one buffer";
      for (int x = 0; x < size; ++x) {
        for (int y = 0; y < size; ++y) {
          const std::vector<int> b = Texel(f, x, y);
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
