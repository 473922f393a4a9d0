// Built-in settings. The program reads no command line, environment or configuration
// file; these module-level defaults are all there is.
#pragma once

#include <cstdint>

extern bool Fullscreen;            // exclusive ScreenWidth x ScreenHeight mode; cleared on failure
extern std::int32_t ScreenWidth;   // window or display-mode width, and the viewport width
extern std::int32_t ScreenHeight;  // window or display-mode height, and the viewport height
extern std::int32_t ColorBits;     // colour depth of the display mode and the pixel format
extern bool VSync;                 // swap interval 1 when true, else 0
extern std::int32_t UpdateStepMs;  // length of one simulation step
extern const char* WindowTitle;    // window caption

// The GL context the window asks for: the compatibility profile (as always), OpenGL 3.3
// core, or OpenGL ES 3.0. Only a command-line option changes it.
enum class GLContextKind { Compatibility, Core, ES };
extern GLContextKind ContextKind;

// The contexts a platform can make, as bits 1 << GLContextKind, and the one it makes when
// no option names one. Every desktop makes all three; a browser makes ES alone.
struct ContextOffer {
  unsigned offered = 0b111;
  GLContextKind preferred = GLContextKind::Compatibility;
};
