// Which way a normal map's green channel points. A normal map made from a height field has
// slopes (-nx/nz, -ny/nz) that are the gradient of the heights, so their curl,
// d(sx)/dy - d(sy)/dx, is zero but for the 8-bit steps; read with green the wrong way round,
// the curl is twice the field's mixed derivative wherever the relief is not made of ridges
// along the axes. The check measures the mean curl both ways.
#pragma once

#include <string>

#include "textures/texture.h"

struct GreenFit {
  double asRead = 0;   // the mean |curl| of the slopes as the map is read
  double flipped = 0;  // the same with green inverted
  long texels = 0;     // the squares measured (those with no normal too steep)
};

GreenFit MeasureGreenFit(const TextureImage& map);

// The checks read every texel of a map of up to MeasuredTexels texels; a larger map is read
// on every k-th row (the green check: every k-th band of rows), k the smallest that brings
// the texels read under the limit: an even sample, whose time stops growing with the map.
constexpr long long MeasuredTexels = 1ll << 22;  // 2048 x 2048
int MeasuredRowStep(int width, int height);

// Which convention the map fits clearly better: +1 the one it is read in, -1 the other (green
// inverted), 0 when neither fits clearly (the check cannot tell).
int ClearGreenFit(const GreenFit& fit);
