// Program start-up, the main loop with its fixed simulation step, and the clock.
#pragma once

#include <cstdint>

#include "common/state.h"

// Start-up, loop and teardown.
void RunDemo();

// The high-resolution counter in milliseconds, low 32 bits.
std::int32_t GetTimeMs();

// The counter reading count at frequency freq in whole milliseconds, truncated toward
// zero, low 32 bits. Exact for every count: it never forms count x 1000.
std::int32_t CounterToMs(std::int64_t count, std::int64_t freq);

// How many simulation steps a pass runs, and where the update mark moves.
struct StepPlan {
  std::int32_t calls;
  std::int32_t mark;
};
StepPlan PlanSteps(std::int32_t elapsedMs, std::int32_t mark, std::int32_t stepMs);

// One pass of the main loop; the quit request ends it at once and clears Running.
void RunPass(std::int32_t* mark);
