// A height field turned into a normal map: the one implementation of the demo's
// --height-map and of the make_normal_map tool, so that both make the same texels.
#pragma once

#include <cstddef>
#include <vector>

#include "textures/texture.h"

struct ParsedImage;

// How many texels a height of 1 stands out of the wall, unless asked otherwise.
constexpr double DefaultStrength = 6.0;
constexpr double MaxStrength = 1000.0;

struct HeightField {
  int width = 0, height = 0;
  std::vector<double> h;  // row 0 is the bottom of the picture
  double& At(int x, int y) { return h[static_cast<std::size_t>(y) * width + x]; }
  // Wraps around, as the texture repeats.
  double Wrapped(int x, int y) const {
    x = (x % width + width) % width;
    y = (y % height + height) % height;
    return h[static_cast<std::size_t>(y) * width + x];
  }
};

// A strength as text: a finite decimal number greater than 0 and at most MaxStrength.
bool ParseStrength(const char* text, double* strength);

// The luminance of a colour in [0, 1]: the height a grey level (or a colour) stands for.
double Luminance(int r, int g, int b);

// An image's pixels as heights, row for row.
HeightField HeightsOfImage(const ParsedImage& image);

// The normal map of z = strength x height: central differences, wrapping around; each texel
// 0.5 + 0.5 n, red +x to the right, green +y up the picture, blue +z out of the wall.
TextureImage NormalMapOfHeights(const HeightField& field, double strength);
