// Height fields to normal maps. Only +, -, *, / and sqrt in double precision, uncontracted
// (the build compiles this file without fused multiply-adds), so that the texels are the
// same bytes on every machine.
#include "textures/normal_map.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "textures/image.h"

namespace {

// One component in [-1, 1] as a byte: 255 (0.5 + 0.5 c), to nearest.
std::uint8_t Encode(double c) {
  const double v = std::floor(127.5 * c + 128.0);
  return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

bool ParseStrength(const char* text, double* strength) {
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || errno == ERANGE || !std::isfinite(value) || !(value > 0) ||
      value > MaxStrength)
    return false;
  *strength = value;
  return true;
}

double Luminance(int r, int g, int b) {
  return (0.299 * r + 0.587 * g + 0.114 * b) / 255.0;
}

HeightField HeightsOfImage(const ParsedImage& image) {
  HeightField field;
  field.width = image.width;
  field.height = image.height;
  field.h.resize(static_cast<std::size_t>(image.width) * image.height);
  for (std::size_t i = 0; i < field.h.size(); ++i)
    field.h[i] = Luminance(image.pixels[3 * i], image.pixels[3 * i + 1], image.pixels[3 * i + 2]);
  return field;
}

TextureImage NormalMapOfHeights(const HeightField& field, double strength) {
  TextureImage map;
  map.width = field.width;
  map.height = field.height;
  map.pixels.reserve(static_cast<std::size_t>(field.width) * field.height * 3);
  for (int y = 0; y < field.height; ++y) {
    for (int x = 0; x < field.width; ++x) {
      // Central differences; the surface normal of z = strength * height.
      const double dx = (field.Wrapped(x + 1, y) - field.Wrapped(x - 1, y)) / 2 * strength;
      const double dy = (field.Wrapped(x, y + 1) - field.Wrapped(x, y - 1)) / 2 * strength;
      const double length = std::sqrt(dx * dx + dy * dy + 1);
      map.pixels.push_back(Encode(-dx / length));  // red: x
      map.pixels.push_back(Encode(-dy / length));  // green: y
      map.pixels.push_back(Encode(1 / length));    // blue: z
    }
  }
  return map;
}
