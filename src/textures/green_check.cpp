// The green channel's check: the slopes' curl by central differences, which is exactly zero
// for a map that central differences made from heights (as make_normal_map makes them).
#include "textures/green_check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// The verdict needs the other convention to fit this many times better, by at least the
// floor. Measured: maps made from smooth height fields fit their own convention 4 to 40
// times better than the other, with noise of 3 levels too; random normals fit both alike
// (0.045 and 0.046); a map of ridges along the axes alone would fit both alike too.
constexpr double Margin = 2.0;
constexpr double Floor = 0.002;
// Normals closer to the wall than this (nz) give slopes too steep to measure.
constexpr double SteepestNz = 0.25;
// The side of the squares around which the slopes are summed, in texels.
constexpr int Loop = 8;

}  // namespace

int MeasuredRowStep(int width, int height) {
  const long long texels = static_cast<long long>(width) * height;
  return texels <= MeasuredTexels
             ? 1
             : static_cast<int>((texels + MeasuredTexels - 1) / MeasuredTexels);
}

GreenFit MeasureGreenFit(const TextureImage& map) {
  GreenFit fit;
  const int w = map.width, h = map.height;
  if (w <= Loop || h <= Loop) return fit;
  // The slopes of the Loop + 1 rows that one band of squares spans; the rows a band shares
  // with the one before are kept, so that each row's slopes are worked out once.
  const std::size_t rows = Loop + 1;
  std::vector<double> sx(static_cast<std::size_t>(w) * rows), sy(sx.size());
  std::vector<std::uint8_t> valid(sx.size());
  auto at = [w](int x, int y) { return static_cast<std::size_t>(y) * w + x; };
  auto slopes = [&](int from, int to, int y0) {  // band rows [from, to) of the band at y0
    const std::uint8_t* texel = &map.pixels[3 * at(0, y0 + from)];
    for (std::size_t i = at(0, from); i < at(0, to); ++i, texel += 3) {
      const double nx = (texel[0] - 127.5) / 127.5;
      const double ny = (texel[1] - 127.5) / 127.5;
      const double nz = (texel[2] - 127.5) / 127.5;
      valid[i] = nz >= SteepestNz;
      if (!valid[i]) continue;
      sx[i] = -nx / nz;
      sy[i] = -ny / nz;
    }
  };
  // The circulation of the slopes around each square of Loop texels a side (the trapezoid
  // rule along its edges), per texel of its area: the mean curl inside. A wrong sign of
  // green leaves a circulation that grows with the area, the 8-bit steps and noise one
  // that grows with the square root of the perimeter.
  double asRead = 0, flipped = 0;
  const int step = Loop / 2 * MeasuredRowStep(w, h);
  for (int y0 = 0; y0 + Loop < h; y0 += step) {
    const int kept = y0 == 0 ? 0 : std::max(0, Loop + 1 - step);
    if (kept > 0) {
      const std::size_t from = at(0, step), count = at(0, kept);
      std::copy_n(sx.begin() + from, count, sx.begin());
      std::copy_n(sy.begin() + from, count, sy.begin());
      std::copy_n(valid.begin() + from, count, valid.begin());
    }
    slopes(kept, Loop + 1, y0);
    for (int x0 = 0; x0 + Loop < w; x0 += Loop / 2) {
      bool usable = true;
      double alongX = 0, alongY = 0;  // the sx and sy parts of the circulation
      for (int k = 0; k <= Loop && usable; ++k) {
        const double weight = (k == 0 || k == Loop) ? 0.5 : 1.0;
        const std::size_t bottom = at(x0 + k, 0), top = at(x0 + k, Loop);
        const std::size_t left = at(x0, k), right = at(x0 + Loop, k);
        usable = valid[bottom] && valid[top] && valid[left] && valid[right];
        alongX += weight * (sx[bottom] - sx[top]);
        alongY += weight * (sy[right] - sy[left]);
      }
      if (!usable) continue;
      const double area = static_cast<double>(Loop) * Loop;
      asRead += std::fabs(alongX + alongY) / area;
      flipped += std::fabs(alongX - alongY) / area;  // green inverted: sy changes sign
      ++fit.texels;
    }
  }
  if (fit.texels > 0) {
    fit.asRead = asRead / fit.texels;
    fit.flipped = flipped / fit.texels;
  }
  return fit;
}

int ClearGreenFit(const GreenFit& fit) {
  if (fit.texels == 0) return 0;
  if (fit.asRead >= Margin * fit.flipped && fit.asRead - fit.flipped >= Floor) return -1;
  if (fit.flipped >= Margin * fit.asRead && fit.flipped - fit.asRead >= Floor) return +1;
  return 0;
}
