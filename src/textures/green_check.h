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

// Which convention the map fits clearly better: +1 the one it is read in, -1 the other (green
// inverted), 0 when neither fits clearly (the check cannot tell).
int ClearGreenFit(const GreenFit& fit);
