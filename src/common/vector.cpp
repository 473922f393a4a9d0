// Vector operations at extended precision (long double: the x87 64-bit significand on
// x86), narrowed to float32 exactly where a result is stored.
#include "common/vector.h"

#include <cmath>

TexCoord2 MakeTexCoord2(float s, float t) {
  return {s, t};
}

Vector3 MakeVector3(float x, float y, float z) {
  return {x, y, z};
}

Vector3 SubtractVector3(Vector3 a, Vector3 b) {
  using X = long double;
  return {static_cast<float>(X(a.x) - X(b.x)), static_cast<float>(X(a.y) - X(b.y)),
          static_cast<float>(X(a.z) - X(b.z))};
}

Vector3 ScaleVector3(Vector3 v, float k) {
  using X = long double;
  return {static_cast<float>(X(v.x) * k), static_cast<float>(X(v.y) * k),
          static_cast<float>(X(v.z) * k)};
}

float LengthVector3(Vector3 v) {
  using X = long double;
  // Squares and sum at extended precision: no overflow for any finite float32.
  const X sum = X(v.x) * X(v.x) + X(v.y) * X(v.y) + X(v.z) * X(v.z);
  return static_cast<float>(std::sqrt(sum));
}

Vector3 NormalizeVector3(Vector3 v) {
  const float length = LengthVector3(v);
  if (!(length != 0.0f) || length != length) return v;  // zero or NaN: unchanged
  // One division; every component is scaled by the float32 reciprocal.
  const float reciprocal = static_cast<float>(1.0L / length);
  return ScaleVector3(v, reciprocal);
}
