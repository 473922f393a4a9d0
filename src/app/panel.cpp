// The panel's text and its frame-rate average.
#include "app/panel.h"

#include <cmath>
#include <cstdio>

#include "scene/light.h"
#include "scene/overlay.h"
#include "scene/scene.h"

bool ShowPanel = false;

namespace {

const char* const ViewNames[] = {"lit", "normal map", "light vectors", "flat", "per-vertex"};
const char* const ModelNames[] = {"wall", "sphere", "torus"};

// The frame rate over the last half second or more.
std::int32_t WindowStart = 0;
int WindowFrames = -1;  // -1: no window started
double LastFps = -1;
std::int32_t LastDrawn = 0;

std::string PendingNote;
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

}  // namespace

std::vector<std::string> PanelLines(double fps, const std::string& note) {
  const int view = static_cast<int>(CurrentView);
  std::vector<std::string> lines = {
      "View " + std::to_string(view) + ": " + ViewNames[view - 1] + "    Model: " +
          ModelNames[static_cast<int>(CurrentModel)] + (ShowColour ? "    Colour" : "") +
          (ShowSpecular ? "    Specular ^" + std::to_string(SpecularPower()) : ""),
      fps < 0 ? std::string("Frames per second: ...") : Format("Frames per second: %.1f", fps),
      Format("Light: phase %.2f rad, height %.2f", LightPhase, LightMotion.height),
      Format("Speed: x%g", static_cast<double>(LightSpeed())) +
          (LightMotion.paused ? "  (paused)" : ""),
      "",
      "1-5 view   M model   D colour   S specular",
      "Space pause   Left/Right step",
      "+/- speed   Up/Down height",
      "W wireframe   V vectors   H/F1 panel",
      "Drag camera   Wheel nearer/farther",
      "F12 screenshot   R reset   Esc quit",
  };
  if (!note.empty()) lines.push_back(note);
  return lines;
}

void NoteOnPanel(const std::string& note, std::int32_t now) {
  PendingNote = note;
  NoteUntil = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) + 2000u);
}

bool PanelWanted() {
  return ShowPanel || !PendingNote.empty();
}

void DrawPanel(std::int32_t now) {
  if (Since(NoteUntil, now) >= 0) PendingNote.clear();
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
  if (ShowPanel)
    DrawTextPanel(PanelLines(LastFps, PendingNote));
  else if (!PendingNote.empty())
    DrawTextPanel({PendingNote});
}
