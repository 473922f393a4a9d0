// The program's command line: what each option asks for, checked before anything else
// happens. Started without options the program runs as it always has.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/settings.h"

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  std::string error;  // with Action::Error: one line saying what is wrong

  bool fullscreen = false;    // --fullscreen
  bool vsync = false;         // --vsync
  int view = 1;               // --view N, 1 to ViewCount
  int model = 0;              // --model wall|sphere|torus|FILE: 0, 1, 2, 3
  std::string modelFile;      // with model 3: the glTF file
  bool pixelBasis = false;    // --basis pixel
  bool colour = false;        // --colour
  bool specular = false;      // --specular
  std::string normalMap;      // --normal-map FILE; empty: the built-in path
  std::string colourMap;      // --colour-map FILE; empty: the built-in path
  std::string heightMap;      // --height-map FILE: the normal map made from heights
  double strength = 0;        // --strength S with --height-map; 0: the default
  bool flipGreen = false;     // --flip-green
  bool rebuildBlue = false;   // --rebuild-blue
  bool freezeClock = false;   // --time MS given
  std::int32_t timeMs = 0;    // the frozen clock reading
  std::int32_t frames = 0;    // --frames N; 0: until the user ends the program
  std::string screenshot;     // --screenshot FILE (.png or .bmp); empty: none
  std::string screenshotDir;  // --screenshot-dir DIR: where F12 saves; empty: screenshots
  bool shaders = false;       // --renderer shaders (implied by a core or ES context)
  int context = 0;            // --context compat|core|es: 0, 1, 2
  bool compare = false;       // --compare: the stages left, the shaders right
  // --probe X,Y (repeatable): window pixels, origin at the top left, probed after the last
  // frame
  std::vector<std::pair<int, int>> probes;
};

constexpr int ViewCount = 6;

// Reads argv[1] to argv[argc - 1]. Options take their value as the next argument or after
// "=" (--view=3). -h/--help and --version win over everything after them.
CommandLine ParseCommandLine(int argc, const char* const* argv, ContextOffer offer = {});

// The usage text for --help, and the name and version for --version, each ending in a
// newline.
const char* UsageText();
const char* VersionText();

// The hint that follows every error line.
constexpr const char* HelpHint = "Try 'bumpdemo --help'.";
