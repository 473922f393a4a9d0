// Tangent frames for a triangle mesh from its positions, normals and texture coordinates,
// as MikkTSpace makes them (the frames bakers such as Blender and Substance bake normal maps
// in, and the ones the glTF format assumes when a file carries none). The generator sees
// no file format: it takes plain arrays and hands back one tangent per triangle corner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct TangentMesh {
  std::size_t triangleCount = 0;           // under 700 million
  const std::uint32_t* indices = nullptr;  // 3 per triangle, each below vertexCount
  std::size_t vertexCount = 0;
  const float* positions = nullptr;  // 3 per vertex
  const float* normals = nullptr;    // 3 per vertex, unit length (taken as they are)
  // 2 per vertex, with t increasing up the image (the GL's convention; a glTF file's
  // coordinates are (u, 1 - v) here).
  const float* texCoords = nullptr;
};

// Writes 4 floats per triangle corner into out (4 x 3 x triangleCount in all), corner k of
// triangle i at out[(3 i + k) x 4]: the unit tangent along increasing s, then its sign w,
// +1 or -1, such that the bitangent, along increasing t, is w x cross(N, T).
//
// The frames are those of the reference MikkTSpace generator given the same triangles
// corner by corner: vertices equal in position, normal and texture coordinate are one
// vertex whatever their indices (-0 equals +0); a triangle with two corners at one position
// takes each corner's frame from the first other triangle with that vertex; a corner with
// nothing to go by keeps (1, 0, 0), w = -1. Single-threaded; time and memory linear in the
// triangles (GenerateTangentFrames below: about 49 bytes a triangle at its peak, its output
// included, on a mesh of one vertex to two triangles; this spreads that output to the
// corners). Values must be finite: with NaN or infinity the output is written but need not
// be the reference's.
void GenerateTangents(const TangentMesh& mesh, float* out);

// The same frames, each worked out once: frames holds 4 floats a frame (as above), and
// cornerFrame the frame of each corner (3 x triangleCount). The corners of one fan around a
// vertex share a frame: 4 bytes a corner and 16 a fan, where the frames spread to the corners
// take 16 a corner. What the loader calls, to hold less while a large model's frames are made.
struct TangentFrames {
  std::vector<float> frames;
  std::vector<std::uint32_t> cornerFrame;
};
void GenerateTangentFrames(const TangentMesh& mesh, TangentFrames* out);
