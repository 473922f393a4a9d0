// Meshes for the tangent generator's tests and benchmark, and the reference generator (npm
// mikktspace, run by node) on the same meshes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tangents/tangents.h"

struct TestMesh {
  std::vector<float> positions;  // 3 per vertex
  std::vector<float> normals;    // 3 per vertex
  std::vector<float> texCoords;  // 2 per vertex, t up
  std::vector<std::uint32_t> indices;

  std::size_t TriangleCount() const { return indices.size() / 3; }
};

TangentMesh ViewOf(const TestMesh& mesh);
std::vector<float> OurTangents(const TestMesh& mesh);

// Adds a vertex and returns its index; adds a triangle wound counter-clockwise seen from
// the side its first vertex's normal points to.
std::uint32_t AddVertex(TestMesh& mesh, const float position[3], const float normal[3], float s,
                        float t);
void AddTriangle(TestMesh& mesh, std::uint32_t a, std::uint32_t b, std::uint32_t c);

// A unit sphere of rings x segments quads, u around (one seam where u = 0 meets u = 1),
// t from the south pole up; with mirrored, u runs 0 to 1 over the first half and back
// over the second, which is the first's mirror image. withPoleSlivers keeps the triangle of
// each pole quad whose two corners are both at the pole.
TestMesh MakeSphere(int rings, int segments, bool mirrored, bool withPoleSlivers);
// A torus (radii 1 and 0.35) of segments x sides quads, seams both ways, mirrored likewise.
TestMesh MakeTorus(int segments, int sides, bool mirrored);
// A strip of quads along x in the plane z = 0, facing +z: u grows over the first half of
// the strip and falls over the second, its mirror image.
TestMesh MakeMirroredStrip(int quads);
// A cube of 24 vertices: each face its own four, with its own normal and the whole texture.
TestMesh MakeSplitCube();
// A fan of triangles round one shared apex, which has one texture coordinate: with polar,
// u runs round the rim (the s directions turn all the way round the apex, some exactly
// opposite), otherwise the texture is laid flat on the fan.
TestMesh MakeFan(int triangles, bool polar);
// A grid of quads with its seams and oddities: triangles with two or three equal indices,
// three collinear corners, corners at one position, zero texture area, a third triangle
// on a shared edge, degenerate triangles far from the rest.
TestMesh MakeOddities();
// A jittered grid with texture coordinates and normals perturbed at random (seeded), some
// triangles mirrored, some sharing corners welded by value only.
TestMesh MakeNoisyGrid(int size, unsigned seed);
// The mesh with every corner a vertex of its own: equal in value, distinct in index.
TestMesh Unindexed(const TestMesh& mesh);

struct ReferenceRun {
  std::vector<float> tangents;  // 4 per corner
  double seconds = 0;           // the best time of the runs, inside node
  double cpuSeconds = 0;        // ... in CPU time
  double peakBytes = 0;         // node's peak resident memory
  std::string error;            // why there are no tangents
};

// The reference's tangents: writes the mesh's corners to a file in workDir, runs node on
// tests/tangents/reference.js, reads its answer. Fails (error set) with a clear message
// when node or the installed reference is missing.
ReferenceRun RunReference(const TestMesh& mesh, const std::string& workDir, int repeat = 1);

struct TangentDifference {
  double largest = 0;           // the largest difference of one component (x, y or z)
  std::size_t worstCorner = 0;  // where it is
  std::size_t signsDiffering = 0;
  std::size_t firstSignDiffering = 0;
};
TangentDifference CompareTangents(const std::vector<float>& ours,
                                  const std::vector<float>& reference);
