// Program start-up, the main loop with its fixed simulation step, and the clock.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/state.h"

// Set from the command line; at their defaults the program runs until the user ends it,
// on the machine's clock, and saves nothing.
extern bool ClockFrozen;  // every clock reading is FrozenClockMs
extern std::int32_t FrozenClockMs;
extern std::int32_t FrameLimit;       // > 0: the loop ends after this many frames
extern const char* ScreenshotPath;    // non-null: the last frame's picture is saved there
extern std::string ScreenshotFolder;  // where F12 saves its pictures
// --probe X,Y: after the last frame, each pixel's terms as a JSON line on standard output.
extern std::vector<std::pair<int, int>> HeadlessProbes;

// Start-up, loop and teardown. Returns the exit code: 0, or 1 when no window could be made
// or the picture could not be saved (the window closed first, or the file not written).
int RunDemo();

// GLU's words for a GL error code (as gluErrorString gives them), for contexts without GLU.
const char* GLErrorText(unsigned int code);

// The high-resolution counter in milliseconds, low 32 bits.
std::int32_t GetTimeMs();

// The clock reading of a frame: GetTimeMs, or the frozen reading.
std::int32_t ReadClock();

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
