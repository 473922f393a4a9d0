// Value operations on the two geometry records. Arithmetic is at extended precision and
// narrowed to float32 only where a result is stored.
#pragma once

#include <cstddef>

struct Vector3 {
  float x, y, z;
};

struct TexCoord2 {
  float s, t;
};

// A pointer to either record is handed to GL calls that take an array of floats.
static_assert(sizeof(Vector3) == 3 * sizeof(float), "Vector3 is three packed floats");
static_assert(offsetof(Vector3, y) == sizeof(float) && offsetof(Vector3, z) == 2 * sizeof(float),
              "Vector3 fields are x, y, z in order");
static_assert(sizeof(TexCoord2) == 2 * sizeof(float), "TexCoord2 is two packed floats");
static_assert(offsetof(TexCoord2, t) == sizeof(float), "TexCoord2 fields are s, t in order");

TexCoord2 MakeTexCoord2(float s, float t);
Vector3 MakeVector3(float x, float y, float z);
Vector3 SubtractVector3(Vector3 a, Vector3 b);
Vector3 ScaleVector3(Vector3 v, float k);
float LengthVector3(Vector3 v);
Vector3 NormalizeVector3(Vector3 v);
