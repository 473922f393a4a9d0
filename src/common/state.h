// The running program's shared state, read and written across layers: the clock reading
// of the current frame, the main loop's run flag and the key-state table.
#pragma once

#include <cstdint>
#include <string>

extern std::int32_t ElapsedMs;      // clock reading of the current frame, in milliseconds
extern bool Running;                // the main loop runs while it is true
extern std::uint8_t KeyState[256];  // 1 while the key of that virtual-key code is down
// The auto-repeated key-downs of each key since the controls last took them (a held key
// stays 1 in KeyState; the repeats come on top, at the system's key-repeat rate).
extern int KeyRepeats[256];

// The mouse as the window procedure last heard it: the pointer in client pixels, whether
// the left button is down, a probe click not yet taken, and the wheel's turn not yet taken (away
// from the user positive).
struct MouseInput {
  int x = 0, y = 0;
  bool leftDown = false;
  int wheelDelta = 0;  // WHEEL_DELTA (120) a notch; finer wheels send less
  // A probe asked for (a right click, or Ctrl with a left click) and not yet taken: where.
  bool probeClicked = false;
  int probeX = 0, probeY = 0;
};
extern MouseInput Mouse;

// The file last dropped on the window, not yet taken by the controls; empty for none.
extern std::string DroppedFile;

// Where the program's notes go (a map's check, a saved picture): standard output, or
// standard error while standard output is kept for machine-readable lines alone (--probe's
// JSON).
extern bool NotesToStandardError;
// Writes the text as one line there, and flushes it.
void PrintNote(const std::string& text);
