// The panel's text and its frame-rate average.
#include "app/panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/demo.h"
#include "common/settings.h"
#include "scene/font.h"
#include "scene/light.h"
#include "scene/maps.h"
#include "scene/overlay.h"
#include "scene/probe.h"
#include "scene/scene.h"
#include "textures/texture.h"

bool ShowPanel = false;

namespace {

// The frame rate over the last half second or more.
std::int32_t WindowStart = 0;
int WindowFrames = -1;  // -1: no window started
double LastFps = -1;
std::int32_t LastDrawn = 0;

std::string PendingNote;

// The two renderers' frames compared, every half second while side by side is shown.
RendererDifference Difference;
std::int32_t MeasuredAt = 0;
std::int32_t NoteUntil = 0;

// Milliseconds from then to now on the wrapping 32-bit clock.
std::int32_t Since(std::int32_t then, std::int32_t now) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                   static_cast<std::uint32_t>(then));
}

std::string Format(const char* format, double a, double b = 0) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// Who draws the frame, and in which context; G switches only where both can draw.
std::string RendererLine() {
  if (CompareRenderers && ContextKind == GLContextKind::Compatibility)
    return Difference.largest < 0
               ? std::string("Side by side: stages | shaders, measuring")
               : Format(
                     "Side by side: stages | shaders, largest difference %g, %.3f %% of "
                     "pixels over 2 levels",
                     Difference.largest, Difference.share * 100);
  if (CurrentRenderer == Renderer::Stages) return "Renderer: texture stages (G: shaders)";
  switch (ContextKind) {
    case GLContextKind::Compatibility:
      return "Renderer: shaders, GLSL 3.30 (G: stages)";
    case GLContextKind::Core:
      return "Renderer: shaders, GLSL 3.30 core (no stages here)";
    case GLContextKind::ES:
      break;
  }
  return "Renderer: shaders, GLSL ES 3.00 (no stages here)";
}

// The normal map's source, and which way its green channel is read.
std::string MapLine() {
  std::string path = HeightMapPath ? HeightMapPath : NormalMapPath;
  std::replace(path.begin(), path.end(), '\\', '/');
  std::string line = HeightMapPath ? "Normal map: from heights " + path +
                                         Format(", strength %g", HeightMapStrength)
                                   : "Normal map: " + path;
  return line + (FlipGreenChannel ? ", green flipped (Y)" : "");
}

// A line per setting, each as it stands: what is shown, the light and its clock.
std::vector<std::string> StateLines() {
  const int view = static_cast<int>(CurrentView);
  const bool lit = CurrentView == View::Lit;
  const char* const onlyLit = lit ? "" : " (seen in view 1)";
  std::string colour = "Colour: off";
  if (ShowColour) {
    std::string path = ColourMapPath;
    std::replace(path.begin(), path.end(), '\\', '/');
    colour = ColourMapStatus == ColourMapState::NotFound ? "Colour: no map (" + path + " not found)"
             : ColourMapStatus == ColourMapState::Unreadable
                 ? "Colour: no map (" + path + " unreadable)"
                 : std::string("Colour: on") + onlyLit;
  }
  const long double speed = LightSpeed();
  std::string clock = Format("Speed: x%g", static_cast<double>(speed));
  if (ClockFrozen || LightMotion.paused)
    clock += std::string(ClockFrozen ? " (" : " (paused: ") +
             Format("Left/Right step %g ms)", static_cast<double>(speed * UpdateStepMs));
  std::vector<std::string> lines = {
      "View " + std::to_string(view) + ": " + CurrentViewRow().name +
          "   Model: " + ModelName(CurrentModel),
      colour,
      MapLine(),
      ShowSpecular ? "Specular: on, power " + std::to_string(SpecularPower()) + onlyLit
                   : std::string("Specular: off"),
      std::string("Wireframe: ") + (ShowWireframe ? "on" : "off") +
          "   Vectors: " + (ShowVectors ? "on" : "off"),
      !Camera.moved ? std::string("Camera: as at start")
      : CurrentModel == Model::Wall && CameraBehindWall()
          ? std::string("Camera: behind the wall, whose back is unlit")
          : Format("Camera: moved, %.2f from the centre", Camera.distance),
      Format("Light: phase %.2f rad, height %.2f", LightPhase, LightMotion.height),
      RendererLine(),
  };
  // A file's model: what of it is drawn, and how its frames are carried.
  if (CurrentModel == Model::File) {
    std::size_t fromFile = 0;
    for (const ModelPart& part : FileModel.parts) fromFile += part.tangentsFromFile;
    lines.push_back(
        Format("Model: %.0f parts, %.0f triangles", FileModel.parts.size(),
               FileModel.triangleCount) +
        (FileModel.primitivesLeftOut
             ? Format(", %.0f primitives left out (points, lines)", FileModel.primitivesLeftOut)
             : std::string()));
    for (const std::string& check : FileModelCheckLines()) lines.push_back(check);
    lines.push_back(Format("Tangents: %.0f parts from the file, %.0f MikkTSpace", fromFile,
                           FileModel.parts.size() - fromFile));
  }
  if (CurrentBasis == Basis::Pixel || CurrentModel == Model::File)
    lines.push_back(std::string("Basis: per ") +
                    (CurrentBasis == Basis::Pixel ? "pixel" : "vertex") +
                    (CurrentRenderer == Renderer::Stages && CurrentBasis == Basis::Pixel
                         ? " (shaders; the stages per vertex)"
                         : "") +
                    " (B)");
  if (CurrentView == View::Tangents)
    lines.push_back("Tangents: RGB = 0.5 + 0.5 T; darker: mirrored");
  for (const std::string& check : NormalMapCheckLines()) lines.push_back(check);
  if (ClockFrozen)
    lines.push_back("Clock frozen at " + std::to_string(FrozenClockMs) +
                    " ms (Space does nothing)");
  lines.push_back(clock);
  return lines;
}

// The lines as the panel fits them in the window: a line too wide is broken at its last
// space that fits (or at the edge where there is none), and goes on, indented, below.
std::vector<std::string> FitToWindow(const std::vector<std::string>& lines) {
  const std::size_t columns = std::max<std::size_t>(
      8,
      static_cast<std::size_t>((ScreenWidth - 2 * TextPanelMargin) / TextPanelScale / FontAdvance));
  const std::string indent = "  ";
  std::vector<std::string> fitted;
  for (const std::string& line : lines) {
    std::string rest = line;
    std::size_t start = 0;  // where the text begins after the indent
    while (rest.size() > columns) {
      std::size_t cut = rest.rfind(' ', columns);
      if (cut == std::string::npos || cut <= start) cut = columns;
      fitted.push_back(rest.substr(0, cut));
      const std::size_t next = rest.find_first_not_of(' ', cut);
      rest = next == std::string::npos ? std::string() : indent + rest.substr(next);
      start = indent.size();
    }
    if (!rest.empty() || start == 0) fitted.push_back(rest);
  }
  return fitted;
}

}  // namespace

std::vector<std::string> PanelLines(double fps, const std::string& note) {
  std::vector<std::string> lines = StateLines();
  // A probe's terms take the place of everything but the view and the model, so that the
  // panel leaves most of the picture in sight.
  if (CurrentProbe.set) {
    lines.resize(1);
    const std::vector<std::string> probe = ProbeLines(CurrentProbe.terms);
    lines.insert(lines.end(), probe.begin(), probe.end());
    if (!note.empty()) lines.push_back(note);
    return FitToWindow(lines);
  }
  lines.push_back(fps < 0 ? std::string("Frames per second: ...")
                          : Format("Frames per second: %.1f", fps));
  // The keys that act here: G and C only where the context has both renderers.
  const bool both = ContextKind == GLContextKind::Compatibility;
  const std::vector<std::string> keys = {
      "",
      "1-6 view   M model   D colour   S specular",
      std::string(ClockFrozen ? "" : "Space pause   ") + "Left/Right step   +/- speed",
      "Up/Down height   W wireframe   V vectors",
      both ? "G renderer   C side by side   Y green" : "Y green   H/F1 panel",
      "Drag camera   Wheel nearer/farther   B basis",
      "Right click, Ctrl+click probe   P clear",
      std::string(both ? "H/F1 panel   " : "") + "F12 shot   R reset   Esc quit",
  };
  lines.insert(lines.end(), keys.begin(), keys.end());
  if (!note.empty()) lines.push_back(note);
  return FitToWindow(lines);
}

void NoteOnPanel(const std::string& note, std::int32_t now) {
  PendingNote = note;
  NoteUntil = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) + 2000u);
}

const std::string& PanelNote() {
  return PendingNote;
}

bool PanelWanted() {
  return ShowPanel || !PendingNote.empty();
}

void DrawPanel(std::int32_t now) {
  if (Since(NoteUntil, now) >= 0) PendingNote.clear();
  if (!CompareRenderers) {
    Difference = RendererDifference();
  } else if (ShowPanel && (Difference.largest < 0 || Since(MeasuredAt, now) >= 500)) {
    Difference = MeasureRendererDifference();
    MeasuredAt = now;
  }
  // Frames counted only while drawn: a pause of more than a second starts a new average.
  if (WindowFrames >= 0 && Since(LastDrawn, now) > 1000) {
    WindowFrames = -1;
    LastFps = -1;
  }
  LastDrawn = now;
  if (WindowFrames < 0) {
    WindowStart = now;
    WindowFrames = 0;
  } else if (++WindowFrames, Since(WindowStart, now) >= 500) {
    LastFps = WindowFrames * 1000.0 / Since(WindowStart, now);
    WindowStart = now;
    WindowFrames = 0;
  }
  // Away from a probed pixel, so that the pixel and its cross stay in sight.
  const PanelCorner corner =
      CurrentProbe.set ? CornerAwayFrom(CurrentProbe.x, CurrentProbe.y) : PanelCorner::TopLeft;
  if (ShowPanel)
    DrawTextPanel(PanelLines(LastFps, PendingNote), corner);
  else if (!PendingNote.empty())
    DrawTextPanel(FitToWindow({PendingNote}), corner);
}
