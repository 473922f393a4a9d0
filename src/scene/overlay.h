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

// Which corner of the window a panel of text stands in.
enum class PanelCorner { TopLeft, TopRight, BottomLeft, BottomRight };

// The corner farthest from window pixel (x, y): where a panel leaves that pixel in sight.
PanelCorner CornerAwayFrom(int x, int y);

// Draws lines of text on a box in a corner of the window, in window pixels: each font pixel
// TextPanelScale pixels square, TextPanelMargin pixels of box around the text, one line
// every TextPanelLineHeight pixels. The box darkens what lies under it by
// TextPanelShade, so that the picture stays in sight behind the text.
void DrawTextPanel(const std::vector<std::string>& lines,
                   PanelCorner corner = PanelCorner::TopLeft);
constexpr float TextPanelShade = 0.6f;  // the box's opacity
constexpr int TextPanelScale = 2;       // the font's pixels doubled, to be read at 640 x 480
constexpr int TextPanelMargin = 3 * TextPanelScale;
constexpr int TextPanelLineHeight = 9 * TextPanelScale;

// Draws lines (pairs of points) in window pixels, y down, over everything: texturing,
// lighting and the depth test off for them.
void DrawPixelLines(const std::vector<PlainVertex>& lines);

// How long the vectors at the vertices are drawn, in world units.
constexpr float VectorOverlayLength = 0.3f;
