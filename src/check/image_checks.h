// The checks of one normal-map image: pure functions over its texels (no GL, no window), each
// naming a fault with the figures behind the verdict, or saying that it could not tell.
// docs/CHECKS.md lists every code, what it measures and the margins measured for it.
#pragma once

#include <vector>

#include "check/findings.h"
#include "textures/texture.h"

// What the checks measure over a map's texels, each texel read as the vector
// (c - 127.5) / 127.5 per channel. Shares are fractions of the texels measured: all of them,
// or in a map of more than MeasuredTexels an even sample of its rows (green_check.h).
struct NormalMapMeasures {
  long texels = 0;                 // measured
  double greyShare = 0;            // red, green and blue within 2 levels of each other
  double blueZeroShare = 0;        // blue at 0
  double blueFullShare = 0;        // blue at 255
  double steepShare = 0;           // x^2 + y^2 >= 0.1: a unit vector's blue is 7 to 248 there
  double lengthError = 0;          // mean |length - 1| of the vectors as stored
  double lengthErrorFromSrgb = 0;  // the same with the bytes decoded from sRGB first
  double lengthErrorToSrgb = 0;    // the same with the bytes encoded to sRGB first
  double notUnitShare = 0;         // |length - 1| > 0.1
  double meanLength = 0;
  double belowHalfShare = 0;  // blue 126 or less: z below 0 by more than the rounding
  double meanZ = 0;           // z of the mean of the unit directions
};

NormalMapMeasures MeasureNormalMap(const TextureImage& map);

// The findings for one map, a tangent-space normal map as the demo reads it (red +x, green
// +y up the picture, blue +z out of the surface); none when every check found it fine.
// Codes: height-map, two-channel, srgb-decoded, object-space, blue-below-half, not-unit,
// green-down, green-unknown.
std::vector<Finding> CheckNormalMapImage(const TextureImage& map);

// Rebuilds blue from red and green as sqrt(1 - x^2 - y^2) (0 where x^2 + y^2 > 1): what a
// two-channel (BC5) map needs before it can be used as a three-channel one.
void RebuildBlue(TextureImage* map);
