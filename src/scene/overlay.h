// What can be drawn over the scene, each only when the user turns it on: the wall's
// triangles as lines, the vectors at each vertex (the light vector and the tangent frame),
// and a panel of text in the top left corner.
#pragma once

#include <string>
#include <vector>

#include "scene/shaders.h"

extern bool ShowWireframe;
extern bool ShowVectors;

// Draws the overlays that are on, over the frame RenderScene drew. Makes no GL call when
// none is on.
void DrawGeometryOverlays();

// Draws lines of text on a black box in the top left corner, in window pixels: each font
// pixel TextPanelScale pixels square, TextPanelMargin pixels of box around the text, one
// line every TextPanelLineHeight pixels.
void DrawTextPanel(const std::vector<std::string>& lines);
constexpr int TextPanelScale = 2;  // the font's pixels doubled, to be read at 640 x 480
constexpr int TextPanelMargin = 3 * TextPanelScale;
constexpr int TextPanelLineHeight = 9 * TextPanelScale;

// Draws lines (pairs of points) in window pixels, y down, over everything: texturing,
// lighting and the depth test off for them.
void DrawPixelLines(const std::vector<PlainVertex>& lines);

// How long the vectors at the vertices are drawn, in world units.
constexpr float VectorOverlayLength = 0.3f;
