// The keys that change what the demo shows. Each acts once per press, and the stepping
// keys once more for each of the system's auto-repeats while held; none does anything
// until pressed, so a run left alone is the program as it always was.
#pragma once

#include <cstdint>

// Acts on the mouse and the keys since the last call, at the clock reading now. Dragging
// with the left button orbits the camera, the wheel moves it nearer or farther; 1 to 5 choose the
// view, M the model (wall, sphere, torus), Space pauses or resumes the light, Left and Right step
// it while paused or while the clock is frozen (Space then only notes that it cannot pause), +
// and - change its speed (and so the step), Up and Down its height, R goes back to the start-up
// state.
void HandleControlKeys(std::int32_t now);

// F12 asks for a screenshot of the frame; true once per press, when the frame is drawn.
bool TakeScreenshotRequest();

// Forgets which keys were down (for a fresh start, and for tests).
void ResetControlKeys();
