// The light's motion: exact positions for clock readings within one orbit, the Escape
// test, and steady 0.004 radian steps at clock readings of a long-running machine.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "app/demo.h"
#include "scene/light.h"
#include "scene/scene.h"
#include "window/window.h"

namespace {

std::uint32_t Bits(float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  return u;
}

class LightMotion : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(KeyState, 0, sizeof KeyState);
    Running = true;
    LightPosition = {0.5f, 0, 1.0f};
    LightPhase = 0;
  }
  void TearDown() override {
    std::memset(KeyState, 0, sizeof KeyState);
    Running = false;
  }
  // The light after one update at a clock reading.
  Vector3 At(std::int32_t reading) {
    ElapsedMs = reading;
    UpdateScene();
    return LightPosition;
  }
};

// Bit for bit; expected values are written with nine significant digits, which identify a
// float32 uniquely.
::testing::AssertionResult SameBits(const Vector3& v, const Vector3& expected) {
  if (Bits(v.x) == Bits(expected.x) && Bits(v.y) == Bits(expected.y) &&
      Bits(v.z) == Bits(expected.z))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << ::testing::PrintToString(v.x) << ", " << ::testing::PrintToString(v.y) << ", "
         << ::testing::PrintToString(v.z);
}

TEST_F(LightMotion, ExactPositionsForReadingsZeroAndPlusMinus250) {
  EXPECT_TRUE(SameBits(At(0), {1, 0, 1.5f}));
  EXPECT_EQ(Bits(LightPhase), Bits(0.0f));

  EXPECT_TRUE(SameBits(At(250), {0.540302277f, 0.841470957f, 1.5f}));
  EXPECT_EQ(Bits(LightPhase), Bits(1.0f));  // 250 x 0.004 is exactly 1 after narrowing

  EXPECT_TRUE(SameBits(At(-250), {0.540302277f, -0.841470957f, 1.5f}));
  EXPECT_EQ(Bits(LightPhase), Bits(-1.0f));
}

TEST_F(LightMotion, WithinOneOrbitTheAngleIsTheNarrowedProduct) {
  // No reduction below one turn: the product at extended precision, narrowed once, and the
  // position from the cosine and sine of that float32 angle.
  for (std::int32_t reading = -1570; reading <= 1570; ++reading) {
    const Vector3 p = At(reading);
    const float angle = static_cast<float>(reading * 0.004L);
    ASSERT_EQ(Bits(LightPhase), Bits(angle)) << reading;
    ASSERT_EQ(Bits(p.x), Bits(static_cast<float>(std::cos(static_cast<long double>(angle)))))
        << reading;
    ASSERT_EQ(Bits(p.y), Bits(static_cast<float>(std::sin(static_cast<long double>(angle)))))
        << reading;
    ASSERT_EQ(p.z, 1.5f);
  }
}

TEST_F(LightMotion, CounterClockwiseAtFourRadiansPerSecond) {
  // A quarter turn takes 392.7 ms: from +x towards +y.
  const Vector3 quarter = At(393);
  EXPECT_NEAR(quarter.x, 0, 2e-3);
  EXPECT_NEAR(quarter.y, 1, 1e-5);
  // One whole orbit, 1570.8 ms, comes back to +x; past it the angle starts again from 0.
  const Vector3 turn = At(1571);
  EXPECT_NEAR(turn.x, 1, 1e-6);
  EXPECT_NEAR(turn.y, 1571 * 0.004 - 2 * M_PI, 1e-6);
  EXPECT_NEAR(LightPhase, 1571 * 0.004 - 2 * M_PI, 1e-6);
}

TEST_F(LightMotion, RepeatedCallsInOneFrameLeaveTheSameState) {
  At(98765);
  const Vector3 once = LightPosition;
  const float phase = LightPhase;
  for (int i = 0; i < 5; ++i) UpdateScene();
  EXPECT_TRUE(SameBits(LightPosition, once));
  EXPECT_EQ(Bits(LightPhase), Bits(phase));
}

TEST_F(LightMotion, EveryComponentIsOverwritten) {
  LightPosition = {NAN, NAN, NAN};
  EXPECT_TRUE(SameBits(At(0), {1, 0, 1.5f}));
}

TEST_F(LightMotion, EscapeHeldClearsRunningAndTheLightStillMoves) {
  KeyState[VK_ESCAPE] = 1;
  EXPECT_TRUE(SameBits(At(250), {0.540302277f, 0.841470957f, 1.5f}));
  EXPECT_FALSE(Running);

  Running = true;
  KeyState[VK_ESCAPE] = 0x80;  // any non-zero value counts
  At(0);
  EXPECT_FALSE(Running);
}

TEST_F(LightMotion, OtherKeysNeverEndTheLoopAndNothingRestartsIt) {
  KeyState[VK_ESCAPE - 1] = 1;
  KeyState[VK_ESCAPE + 1] = 1;
  At(0);
  EXPECT_TRUE(Running);
  // A cleared flag stays cleared once Escape is released.
  std::memset(KeyState, 0, sizeof KeyState);
  Running = false;
  At(250);
  EXPECT_FALSE(Running);
}

// Angle from one light position to the next about the orbit's centre.
double StepAngle(const Vector3& a, const Vector3& b) {
  return std::atan2(double(a.x) * b.y - double(a.y) * b.x, double(a.x) * b.x + double(a.y) * b.y);
}

// Each stored angle lies within half a float32 unit of the exact one, and angles below
// 2 pi are spaced at most 2^-21 apart, so each is off by up to 2^-22; each narrowed
// component moves the direction by up to about 2^-25 more. Two positions make the step
// off by at most twice the sum. Without the reduction, the steps at 100,000,000 ms are
// 0 or 1/32 radian.
const double StepTolerance = 2 * (std::ldexp(1.0, -22) + 2 * std::ldexp(1.0, -25));

TEST_F(LightMotion, LongUptimeStillMovesByStepsOf4Milliradians) {
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  const std::int32_t min = std::numeric_limits<std::int32_t>::min();
  // A day, 100,000,000 ms, and both ends of the 32-bit clock.
  for (std::int32_t start : {86400000, 100000000, max - 1000, min}) {
    Vector3 previous = At(start);
    for (std::int32_t k = 1; k <= 1000; ++k) {
      const std::int32_t reading = start + k;
      const Vector3 p = At(reading);
      ASSERT_NEAR(StepAngle(previous, p), 0.004, StepTolerance) << reading;
      ASSERT_LT(std::fabs(LightPhase), 2 * M_PI) << reading;
      previous = p;
    }
  }
}

TEST_F(LightMotion, LongUptimeKeepsTheLightWhereTheClockPutsIt) {
  // The exact angle reading x 0.004 reduced in double precision, as an independent check
  // that the reduction loses no whole step.
  for (std::int32_t reading : {100000000, 100000001, 2147483646, 2147483647, -2147483647 - 1}) {
    const double angle = std::fmod(reading * 0.004, 2 * M_PI);
    const Vector3 p = At(reading);
    EXPECT_NEAR(p.x, std::cos(angle), 1e-6) << reading;
    EXPECT_NEAR(p.y, std::sin(angle), 1e-6) << reading;
    EXPECT_NEAR(LightPhase, angle, 1e-6) << reading;
  }
}

}  // namespace
