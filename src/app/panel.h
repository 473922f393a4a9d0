// The on-screen panel: what the demo is showing and how to change it, with the frame rate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern bool ShowPanel;

// The panel's lines for the state now; fps < 0 shows no figure yet.
std::vector<std::string> PanelLines(double fps, const std::string& note);

// Whether the panel is shown or a note is pending.
bool PanelWanted();

// Counts a frame at the real clock reading now and draws the panel, or the pending note
// alone. The frame rate is averaged over half a second.
void DrawPanel(std::int32_t now);

// Shows a note on the panel (for two seconds from now), with the panel or without it.
void NoteOnPanel(const std::string& note, std::int32_t now);
// The note shown now; empty when there is none.
const std::string& PanelNote();
