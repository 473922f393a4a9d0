// The tangent generator: every corner's frame against the reference generator's (npm
// mikktspace, WebAssembly, run by node) on meshes made here, each component within 0.001
// and the same sign; and, without the reference, the frames' handedness and the welding
// of equal vertices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tangent_meshes.h"

namespace {

const std::string WorkDir = BUMPDEMO_TANGENT_WORK_DIR;
constexpr double Tolerance = 0.001;  // per component of the tangent

struct NamedMesh {
  const char* name;
  TestMesh mesh;
};

void ExpectReferenceFrames(const NamedMesh& test) {
  SCOPED_TRACE(test.name);
  const ReferenceRun reference = RunReference(test.mesh, WorkDir);
  ASSERT_EQ(reference.error, "");
  const std::vector<float> ours = OurTangents(test.mesh);
  const TangentDifference d = CompareTangents(ours, reference.tangents);
  std::printf("%s: largest difference %.3g, %zu signs differ\n", test.name, d.largest,
              d.signsDiffering);
  const float* o = &ours[4 * d.worstCorner];
  const float* r = &reference.tangents[4 * d.worstCorner];
  EXPECT_LE(d.largest, Tolerance) << "corner " << d.worstCorner << ": ours (" << o[0] << ", "
                                  << o[1] << ", " << o[2] << "), the reference's (" << r[0] << ", "
                                  << r[1] << ", " << r[2] << ")";
  EXPECT_EQ(d.signsDiffering, 0u) << "first at corner " << d.firstSignDiffering;
}

// The strip with the copies of its vertices in the second half of triangles: equal in value
// but for the sign of the normal's zero components, which compare equal.
TestMesh StripWithSignedZeroCopies() {
  TestMesh mesh = MakeMirroredStrip(6);
  for (std::size_t corner = mesh.indices.size() / 2; corner < mesh.indices.size(); ++corner) {
    const std::uint32_t v = mesh.indices[corner];
    const float n[3] = {-0.0f, -0.0f, 1.0f};
    mesh.indices[corner] = AddVertex(mesh, &mesh.positions[3 * v], n, mesh.texCoords[2 * v],
                                     mesh.texCoords[2 * v + 1]);
  }
  return mesh;
}

TEST(TangentsAgainstReference, SmallMeshes) {
  const NamedMesh meshes[] = {
      {"sphere with a seam", MakeSphere(12, 24, false, false)},
      {"sphere with a seam and degenerate pole triangles", MakeSphere(9, 16, false, true)},
      {"sphere with a mirrored half", MakeSphere(12, 24, true, false)},
      {"torus with a mirrored half", MakeTorus(24, 12, true)},
      {"strip with mirrored halves", MakeMirroredStrip(8)},
      {"strip with copies of its vertices, -0 for 0", StripWithSignedZeroCopies()},
      {"cube with split normals", MakeSplitCube()},
      {"fan of 64, flat texture", MakeFan(64, false)},
      {"fan of 8, polar texture", MakeFan(8, true)},
      {"fan of 64, polar texture", MakeFan(64, true)},
      {"degenerate and zero-area triangles", MakeOddities()},
      {"noisy grid", MakeNoisyGrid(40, 7)},
      {"sphere, every corner a vertex of its own", Unindexed(MakeSphere(12, 24, true, false))},
  };
  for (const NamedMesh& test : meshes) ExpectReferenceFrames(test);
}

TEST(TangentsAgainstReference, HundredThousandTriangles) {
  NamedMesh test = {"sphere of 100,000 triangles, mirrored half",
                    MakeSphere(201, 250, true, false)};
  ASSERT_EQ(test.mesh.TriangleCount(), 100000u);
  ExpectReferenceFrames(test);
}

TEST(TangentsAgainstReference, MillionTriangles) {
  NamedMesh test = {"torus of 1,000,000 triangles, mirrored half", MakeTorus(1000, 500, true)};
  ASSERT_EQ(test.mesh.TriangleCount(), 1000000u);
  ExpectReferenceFrames(test);
}

// A mirrored texture gives its frames the other handedness: w = -1 where u runs back, +1
// where it runs forward, and the tangent along increasing u either way.
TEST(Tangents, MirroredHalvesHaveOppositeSigns) {
  struct Case {
    const char* name;
    TestMesh mesh;
    bool mirrored;
    bool strip;  // along x, mirrored at x = 4; otherwise round y, mirrored where z > 0
  };
  const Case cases[] = {
      {"strip", MakeMirroredStrip(8), true, true},
      {"sphere", MakeSphere(8, 16, true, false), true, false},
      {"torus", MakeTorus(16, 8, true), true, false},
      {"plain torus", MakeTorus(16, 8, false), false, false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const TestMesh& mesh = test.mesh;
    const std::vector<float> tangents = OurTangents(mesh);
    for (std::size_t t = 0; t < mesh.TriangleCount(); ++t) {
      float centre[3] = {0, 0, 0};
      for (int k = 0; k < 3; ++k)
        for (int a = 0; a < 3; ++a)
          centre[a] += mesh.positions[3 * mesh.indices[3 * t + k] + a] / 3;
      const bool back = test.mirrored && (test.strip ? centre[0] > 4 : centre[2] > 0);
      for (int k = 0; k < 3; ++k) {
        const std::size_t c = 3 * t + k;
        const float* p = &mesh.positions[3 * mesh.indices[c]];
        const float* tangent = &tangents[4 * c];
        EXPECT_EQ(tangent[3], back ? -1.0f : 1.0f) << "triangle " << t << " corner " << k;
        // Where u grows: +x along the strip, round the y axis from +x towards -z on the loops.
        float along[3] = {1, 0, 0};
        if (!test.strip) {
          const float radius = std::hypot(p[0], p[2]);
          if (radius < 1e-3f) continue;  // a pole
          along[0] = p[2] / radius, along[2] = -p[0] / radius;
        }
        const float sign = back ? -1.0f : 1.0f;
        EXPECT_GT(sign * (tangent[0] * along[0] + tangent[1] * along[1] + tangent[2] * along[2]),
                  0.9f)
            << "triangle " << t << " corner " << k;
      }
    }
  }
}

// Each face of the split cube has the whole texture: its tangent is its own direction of
// increasing s, exactly, with w = +1, whatever the neighbouring faces.
TEST(Tangents, CubeFacesTakeTheirOwnDirections) {
  const TestMesh cube = MakeSplitCube();
  const std::vector<float> tangents = OurTangents(cube);
  for (std::size_t c = 0; c < cube.indices.size(); ++c) {
    // The face's direction of increasing s: from its corner at s = 0 to the one at s = 1.
    const std::size_t face = c / 6;
    const float* p0 = &cube.positions[3 * (4 * face)];
    const float* p1 = &cube.positions[3 * (4 * face + 1)];
    for (int a = 0; a < 3; ++a)
      EXPECT_FLOAT_EQ(tangents[4 * c + a], (p1[a] - p0[a]) / 2) << "corner " << c << " axis " << a;
    EXPECT_EQ(tangents[4 * c + 3], 1.0f) << "corner " << c;
  }
}

// Vertices are one when equal in position, normal and texture coordinate, whatever their
// indices: a mesh gives the same bits with every corner a vertex of its own. Unequal by
// one ulp, a copy is a vertex apart, and its triangle leaves the fan.
TEST(Tangents, VerticesAreWeldedByValue) {
  const TestMesh meshes[] = {MakeOddities(), MakeNoisyGrid(12, 3), MakeFan(8, true)};
  for (const TestMesh& mesh : meshes) {
    const std::vector<float> shared = OurTangents(mesh), apart = OurTangents(Unindexed(mesh));
    ASSERT_EQ(shared.size(), apart.size());
    EXPECT_EQ(std::memcmp(shared.data(), apart.data(), shared.size() * sizeof(float)), 0);
  }
  // The polar fan's apex is one vertex for all its triangles; nudged in one, it is two.
  TestMesh fan = MakeFan(8, true);
  const std::vector<float> before = OurTangents(fan);
  fan.indices[0] = AddVertex(fan, &fan.positions[0], &fan.normals[0],
                             std::nextafter(fan.texCoords[0], 1.0f), fan.texCoords[1]);
  const std::vector<float> after = OurTangents(fan);
  EXPECT_NE(std::memcmp(before.data(), after.data(), 4 * sizeof(float)), 0);
}

// With degenerate triangles alone (where the reference fails), every corner keeps the
// frame of a corner no fan reaches: +x, w = -1.
TEST(Tangents, DegenerateTrianglesAloneKeepTheDefault) {
  TestMesh mesh;
  const float p[3] = {1, 2, 3}, q[3] = {1, 2, 4}, n[3] = {0, 1, 0};
  const std::uint32_t a = AddVertex(mesh, p, n, 0, 0), b = AddVertex(mesh, q, n, 1, 0);
  const std::uint32_t c = AddVertex(mesh, p, n, 0, 1);
  mesh.indices = {a, a, b, a, b, c, b, b, b};
  const std::vector<float> tangents = OurTangents(mesh);
  for (std::size_t corner = 0; corner < 9; ++corner) {
    EXPECT_EQ(tangents[4 * corner + 0], 1.0f);
    EXPECT_EQ(tangents[4 * corner + 1], 0.0f);
    EXPECT_EQ(tangents[4 * corner + 2], 0.0f);
    EXPECT_EQ(tangents[4 * corner + 3], -1.0f);
  }
}

// Values that are not finite change no control flow that could fail: every corner is still
// written, with a sign of +1 or -1 (the sanitizer build checks the memory as well).
TEST(Tangents, NotFiniteValuesStillGiveEveryCornerASign) {
  TestMesh mesh = MakeNoisyGrid(8, 5);
  const float bad[] = {NAN, INFINITY, -INFINITY};
  for (std::size_t i = 0; i < 12; ++i) {
    std::vector<float>& values = i % 3 == 0   ? mesh.positions
                                 : i % 3 == 1 ? mesh.normals
                                              : mesh.texCoords;
    values[(i * 37) % values.size()] = bad[i % 3];
  }
  std::vector<float> tangents(12 * mesh.TriangleCount(), 0.0f);
  GenerateTangents(ViewOf(mesh), tangents.data());
  for (std::size_t c = 0; c < mesh.indices.size(); ++c)
    EXPECT_TRUE(tangents[4 * c + 3] == 1.0f || tangents[4 * c + 3] == -1.0f) << "corner " << c;
}

}  // namespace
