// Step scheduling and the millisecond clock, as pure functions.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "app/demo.h"

namespace {

const std::int32_t Step = 30;

TEST(PlanSteps, RunsOneStepMoreThanWholeStepsElapsed) {
  // 10 ms after the mark: one step, mark stays.
  EXPECT_EQ(PlanSteps(1010, 1000, Step).calls, 1);
  EXPECT_EQ(PlanSteps(1010, 1000, Step).mark, 1000);
  // Exactly one step length: two steps, mark moves to the reading.
  EXPECT_EQ(PlanSteps(1030, 1000, Step).calls, 2);
  EXPECT_EQ(PlanSteps(1030, 1000, Step).mark, 1030);
  // 65 ms: three steps, 5 ms left over.
  EXPECT_EQ(PlanSteps(1065, 1000, Step).calls, 3);
  EXPECT_EQ(PlanSteps(1065, 1000, Step).mark, 1060);
  // Same millisecond: one step.
  EXPECT_EQ(PlanSteps(1000, 1000, Step).calls, 1);
  EXPECT_EQ(PlanSteps(1000, 1000, Step).mark, 1000);
}

TEST(PlanSteps, ClockGoingBack) {
  // Back by less than a step: one step, mark stays.
  EXPECT_EQ(PlanSteps(990, 1000, Step).calls, 1);
  EXPECT_EQ(PlanSteps(990, 1000, Step).mark, 1000);
  // Back by a whole step or more: no step, mark stays.
  EXPECT_EQ(PlanSteps(970, 1000, Step).calls, 0);
  EXPECT_EQ(PlanSteps(970, 1000, Step).mark, 1000);
  EXPECT_EQ(PlanSteps(-5000, 1000, Step).calls, 0);
}

TEST(PlanSteps, ClockWrapGivesSmallPositiveDifference) {
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  const std::int32_t min = std::numeric_limits<std::int32_t>::min();
  // From max - 9 to min + 25 is 35 ms: two steps, 5 ms left over.
  const StepPlan plan = PlanSteps(min + 25, max - 9, Step);
  EXPECT_EQ(plan.calls, 2);
  EXPECT_EQ(plan.mark, min + 20);
  // And the next pass goes on from there undisturbed.
  EXPECT_EQ(PlanSteps(min + 40, plan.mark, Step).calls, 1);
}

TEST(PlanSteps, LongStallRunsEveryElapsedStep) {
  const StepPlan plan = PlanSteps(1000 + 3000 * Step + 7, 1000, Step);
  EXPECT_EQ(plan.calls, 3001);
  EXPECT_EQ(plan.mark, 1000 + 3000 * Step);
}

TEST(CounterToMs, TruncatesTowardZero) {
  EXPECT_EQ(CounterToMs(0, 1000000000), 0);
  EXPECT_EQ(CounterToMs(999999, 1000000000), 0);
  EXPECT_EQ(CounterToMs(1000000, 1000000000), 1);
  EXPECT_EQ(CounterToMs(12345678901, 1000000000), 12345);
  EXPECT_EQ(CounterToMs(-1999999, 1000000000), -1);
  EXPECT_EQ(CounterToMs(3579545 * 7 + 1, 3579545), 7000);
}

TEST(CounterToMs, KeepsLowThirtyTwoBits) {
  // 2^31 ms wraps to the smallest int32, 2^32 ms to 0.
  const std::int64_t ns = 1000000000;
  EXPECT_EQ(CounterToMs((std::int64_t(1) << 31) * 1000000, ns),
            std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(CounterToMs((std::int64_t(1) << 32) * 1000000 + 5000000, ns), 5);
}

TEST(CounterToMs, NoOverflowAfterLongUptime) {
  // A nanosecond counter after 200 days: count x 1000 would overflow 64 bits.
  const std::int64_t ns = 1000000000;
  const std::int64_t count = std::int64_t(200) * 86400 * ns + 123456789;
  const std::int64_t ms = std::int64_t(200) * 86400 * 1000 + 123;
  EXPECT_EQ(CounterToMs(count, ns), static_cast<std::int32_t>(static_cast<std::uint32_t>(ms)));
  // The largest counter value still gives the exact truncated reading.
  const std::int64_t top = std::numeric_limits<std::int64_t>::max();
  const std::int64_t topMs = top / ns * 1000 + (top % ns) / 1000000;
  EXPECT_EQ(CounterToMs(top, ns), static_cast<std::int32_t>(static_cast<std::uint32_t>(topMs)));
}

}  // namespace
