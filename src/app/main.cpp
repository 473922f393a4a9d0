// Program entry: the command line first (a bad one ends the program before anything else
// happens), then the platform backend and the GL binding, then the demo.
#include <cstdio>

#include "app/command_line.h"
#include "app/demo.h"
#include "app/panel.h"
#include "app/screenshot.h"
#include "common/settings.h"
#include "gl/gl.h"
#include "platform/backend.h"
#include "scene/maps.h"
#include "scene/probe.h"
#include "scene/scene.h"
#include "textures/texture.h"

namespace {

// Hands the options to the modules they concern. Paths stay owned by the command line.
void Apply(const CommandLine& line) {
  if (line.fullscreen) Fullscreen = true;
  if (line.vsync) VSync = true;
  StartView = CurrentView = static_cast<View>(line.view);
  StartModel = CurrentModel = static_cast<Model>(line.model);
  if (!line.modelFile.empty()) StartModelPath = line.modelFile.c_str();
  StartBasis = CurrentBasis = line.pixelBasis ? Basis::Pixel : Basis::Vertex;
  StartColour = ShowColour = line.colour;
  StartSpecular = ShowSpecular = line.specular;
  if (!line.normalMap.empty()) NormalMapPath = line.normalMap.c_str();
  if (!line.colourMap.empty()) ColourMapPath = line.colourMap.c_str();
  ColourMapRequired = !line.colourMap.empty();
  if (!line.heightMap.empty()) HeightMapPath = line.heightMap.c_str();
  HeightMapGiven = !line.heightMap.empty();
  RebuildBlueGiven = line.rebuildBlue;
  if (line.strength > 0) HeightMapStrength = line.strength;
  StartFlipGreen = FlipGreenChannel = line.flipGreen;
  ClockFrozen = line.freezeClock;
  FrozenClockMs = line.timeMs;
  FrameLimit = line.frames;
  if (!line.screenshot.empty()) ScreenshotPath = line.screenshot.c_str();
  if (!line.screenshotDir.empty()) ScreenshotFolder = line.screenshotDir;
  ContextKind = static_cast<GLContextKind>(line.context);
  if (line.shaders) StartRenderer = CurrentRenderer = Renderer::Shaders;
  StartCompareRenderers = CompareRenderers = line.compare;
  HeadlessProbes = line.probes;
  NotesToStandardError = !line.probes.empty();
  // The last probe is also marked in the window, with its terms on the panel.
  if (!line.probes.empty()) {
    CurrentProbe.set = true;
    CurrentProbe.x = line.probes.back().first;
    CurrentProbe.y = line.probes.back().second;
    ShowPanel = true;
  }
}

}  // namespace

int main(int argc, char** argv) {
  static const CommandLine line = ParseCommandLine(argc, argv, BackendContexts());
  switch (line.action) {
    case CommandLine::Action::Help:
      std::fputs(UsageText(), stdout);
      return 0;
    case CommandLine::Action::Version:
      std::fputs(VersionText(), stdout);
      return 0;
    case CommandLine::Action::Error:
      std::fprintf(stderr, "bumpdemo: %s\n%s\n", line.error.c_str(), HelpHint);
      return 2;
    case CommandLine::Action::Run:
      break;
  }
  Apply(line);
  InstallPlatformBackend();  // fills the table only: no window, no file touched yet
  if (ScreenshotPath) {
    // Refused before a window opens: a screenshot never replaces a file the program uses.
    const std::string problem = ScreenshotTargetProblem(
        ScreenshotPath, {{"the normal map", NormalMapPath},
                         {"the height map", HeightMapPath ? HeightMapPath : ""},
                         {"the colour map", ColourMapPath},
                         {"the model", StartModelPath ? StartModelPath : ""},
                         {"the log file", "system\\log.txt"}});
    if (!problem.empty()) {
      std::fprintf(stderr, "bumpdemo: option '--screenshot': %s\n%s\n", problem.c_str(), HelpHint);
      return 2;
    }
  }

  InitGLBinding();
  return RunDemo();
}
