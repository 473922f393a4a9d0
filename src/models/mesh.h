// The one mesh type of the program: the built-in wall, the sphere, the torus and a loaded
// model's parts all come as a Mesh, so both renderers, the probe and the overlays serve
// every model. T points along the texture's s direction, B along t, N out of the surface.
#pragma once

#include <cstdint>
#include <vector>

#include "common/vector.h"

struct MeshVertex {
  Vector3 position;
  Vector3 normal;      // N, unit length
  Vector3 tangent;     // T, unit length, along increasing s
  Vector3 bitangent;   // B, unit length, along increasing t
  TexCoord2 texCoord;  // the normal map's coordinates, t increasing up the image
};

struct Mesh {
  std::vector<MeshVertex> vertices;
  std::vector<std::uint32_t> triangles;  // three indices each, counter-clockwise seen from outside
};
