// Tangent frames for a triangle mesh from its positions, normals and texture coordinates,
// as MikkTSpace makes them (the frames bakers such as Blender and Substance bake normal maps
// in, and the ones the glTF format assumes when a file carries none). The generator sees
// no file format: it takes plain arrays and hands back one tangent per triangle corner.
#pragma once

#include <cstddef>
#include <cstdint>

struct TangentMesh {
  std::size_t triangleCount = 0;
  const std::uint32_t* indices = nullptr;  // 3 per triangle, into the arrays below
  std::size_t vertexCount = 0;
  const float* positions = nullptr;  // 3 per vertex
  const float* normals = nullptr;    // 3 per vertex
  // 2 per vertex, with t increasing up the image (the GL's convention; a glTF file's
  // coordinates are (u, 1 - v) here).
  const float* texCoords = nullptr;
};

// Writes 4 floats per triangle corner into out (4 x 3 x triangleCount in all), corner k of
// triangle i at out[(3 i + k) x 4]: the unit tangent along increasing s, then its sign w,
// +1 or -1, such that the bitangent, along increasing t, is w x cross(N, T).
void GenerateTangents(const TangentMesh& mesh, float* out);
