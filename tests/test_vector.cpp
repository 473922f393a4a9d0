// Vector math against exact float32 results: where values are narrowed, the one division
// of a normalisation, and lengths beyond the float32 range.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "common/vector.h"

namespace {

std::uint32_t Bits(float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  return u;
}

float FromBits(std::uint32_t u) {
  float f;
  std::memcpy(&f, &u, sizeof f);
  return f;
}

// Bit for bit, so that a negative zero or a NaN payload counts. The expected values are
// written with nine significant digits, which identify a float32 uniquely.
::testing::AssertionResult SameBits(const Vector3& v, const Vector3& expected) {
  if (Bits(v.x) == Bits(expected.x) && Bits(v.y) == Bits(expected.y) &&
      Bits(v.z) == Bits(expected.z))
    return ::testing::AssertionSuccess();
  char text[200];
  std::snprintf(text, sizeof text,
                "(%.9g, %.9g, %.9g) = %08x %08x %08x, expected (%.9g, %.9g, %.9g)", v.x, v.y, v.z,
                Bits(v.x), Bits(v.y), Bits(v.z), expected.x, expected.y, expected.z);
  return ::testing::AssertionFailure() << text;
}

TEST(VectorRecords, MakeCopiesEveryBitInArgumentOrder) {
  const float nan = FromBits(0x7fc01234);  // a NaN with a payload
  EXPECT_TRUE(SameBits(MakeVector3(-0.0f, nan, 1.5f), {-0.0f, nan, 1.5f}));
  const TexCoord2 t = MakeTexCoord2(-0.0f, 0.25f);
  EXPECT_EQ(Bits(t.s), 0x80000000u);
  EXPECT_EQ(Bits(t.t), Bits(0.25f));
}

TEST(SubtractVector3, ComponentwiseAndSafeOverItsOwnArgument) {
  Vector3 a = {5.0f, -2.5f, 1e-3f};
  const Vector3 b = {1.0f, 0.5f, 1e-3f};
  EXPECT_TRUE(SameBits(SubtractVector3(a, a), {0, 0, 0}));
  a = SubtractVector3(a, b);
  EXPECT_TRUE(SameBits(a, {4.0f, -3.0f, 0}));
  // The difference is narrowed to float32: 1 - 2^-30 rounds back to 1.
  EXPECT_EQ(SubtractVector3({1.0f, 0, 0}, {std::ldexp(1.0f, -30), 0, 0}).x, 1.0f);
}

TEST(ScaleVector3, NarrowsEachProduct) {
  EXPECT_TRUE(SameBits(ScaleVector3({1.0f, -2.0f, 3.0f}, 0.5f), {0.5f, -1.0f, 1.5f}));
  // Beyond the float32 range after narrowing.
  EXPECT_EQ(ScaleVector3({FLT_MAX, 0, 0}, 2.0f).x, std::numeric_limits<float>::infinity());
}

TEST(LengthVector3, ExactValues) {
  EXPECT_EQ(Bits(LengthVector3({1, 2, 2})), Bits(3.0f));
  EXPECT_EQ(Bits(LengthVector3({0, 1, 6})), Bits(6.08276272f));
  // The true length exceeds the float32 range: +infinity after narrowing.
  EXPECT_EQ(LengthVector3({3e38f, 3e38f, 0}), std::numeric_limits<float>::infinity());
}

TEST(LengthVector3, OfOneAxisIsExactlyTheMagnitudeForEveryFiniteFloat) {
  // Squares at extended precision neither overflow near FLT_MAX nor lose the smallest
  // subnormals. Every 257th bit pattern of both signs, and the extremes.
  for (std::uint64_t u = 0; u < 0x100000000ull; u += 257) {
    const float x = FromBits(static_cast<std::uint32_t>(u));
    if (!std::isfinite(x)) continue;
    ASSERT_EQ(Bits(LengthVector3({x, 0, 0})), Bits(std::fabs(x))) << std::hex << u;
  }
  for (float x : {FLT_MAX, -FLT_MAX, FLT_MIN, FLT_TRUE_MIN, -FLT_TRUE_MIN}) {
    EXPECT_EQ(LengthVector3({x, 0, 0}), std::fabs(x)) << x;
    EXPECT_EQ(LengthVector3({0, 0, x}), std::fabs(x)) << x;
  }
}

TEST(NormalizeVector3, NearestFloatsToTheUnitVector) {
  EXPECT_TRUE(SameBits(NormalizeVector3({3, 4, 0}), {0.600000024f, 0.800000012f, 0}));
}

TEST(NormalizeVector3, ScalesByOneFloat32ReciprocalNotByDivision) {
  // L = 6.08276272 and r = 1/L = 0.164398983; z = 6 r = 0.986393929, one unit in the last
  // place above the quotient 6 / L = 0.986393869.
  const Vector3 n = NormalizeVector3({0, 1, 6});
  EXPECT_TRUE(SameBits(n, {0, 0.164398983f, 0.986393929f}));
  const float quotient = static_cast<float>(6.0L / LengthVector3({0, 1, 6}));
  EXPECT_EQ(Bits(quotient), Bits(0.986393869f));
  EXPECT_EQ(Bits(n.z), Bits(quotient) + 1);
}

TEST(NormalizeVector3, ZeroAndNaNLengthsReturnTheVectorUnchanged) {
  EXPECT_TRUE(SameBits(NormalizeVector3({0, 0, 0}), {0, 0, 0}));
  EXPECT_TRUE(SameBits(NormalizeVector3({-0.0f, 0, -0.0f}), {-0.0f, 0, -0.0f}));
  const float nan = FromBits(0x7fc00abc);
  EXPECT_TRUE(SameBits(NormalizeVector3({nan, 2, 3}), {nan, 2, 3}));
  EXPECT_TRUE(SameBits(NormalizeVector3({1, 2, -nan}), {1, 2, -nan}));
}

TEST(NormalizeVector3, InfiniteLengthScalesToZero) {
  // 1 / infinity = 0, and every component is scaled by it.
  EXPECT_TRUE(SameBits(NormalizeVector3({3e38f, 3e38f, 0}), {0, 0, 0}));
}

// The per-corner light directions a frame computes, for the light's first position and
// for its position at a clock reading of 0.
TEST(LightDirections, FromTheWallCornersToTheLight) {
  const Vector3 corners[4] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  const Vector3 first = {0.5f, 0, 1.0f};
  EXPECT_TRUE(SameBits(NormalizeVector3(SubtractVector3(first, corners[0])),
                       {0.727606893f, 0.485071272f, 0.485071272f}));
  EXPECT_TRUE(SameBits(NormalizeVector3(SubtractVector3(first, corners[1])),
                       {-0.333333343f, 0.666666687f, 0.666666687f}));
  EXPECT_TRUE(SameBits(NormalizeVector3(SubtractVector3(first, corners[2])),
                       {-0.333333343f, -0.666666687f, 0.666666687f}));
  EXPECT_TRUE(SameBits(NormalizeVector3(SubtractVector3(first, corners[3])),
                       {0.727606893f, -0.485071272f, 0.485071272f}));

  const Vector3 atZero = {1, 0, 1.5f};
  EXPECT_TRUE(SameBits(NormalizeVector3(SubtractVector3(atZero, corners[0])),
                       {0.742781341f, 0.371390671f, 0.557085991f}));
  EXPECT_TRUE(SameBits(NormalizeVector3(SubtractVector3(atZero, corners[1])),
                       {0, 0.554700196f, 0.832050323f}));
}

}  // namespace
