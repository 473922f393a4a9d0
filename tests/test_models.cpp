// The curved models' tessellation: at every vertex of the sphere and the torus an
// orthonormal, right-handed frame whose N is the surface's normal, whose T follows
// increasing s and B increasing t; seams whose two columns agree but for s; triangles
// wound counter-clockwise seen from outside.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "scene/models.h"

namespace {

struct D3 {
  double x, y, z;
};
D3 Of(Vector3 v) {
  return {v.x, v.y, v.z};
}
D3 Minus(D3 a, D3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double Dot(D3 a, D3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
D3 Cross(D3 a, D3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Distance(D3 a, D3 b) {
  return std::sqrt(Dot(Minus(a, b), Minus(a, b)));
}

struct Model {
  std::string name;
  Mesh mesh;
  int columns, rows, repeatS, repeatT;
  D3 (*surfaceNormal)(D3 position);  // the analytic normal at a point of the surface
};

D3 SphereNormal(D3 p) {
  const double r = std::sqrt(Dot(p, p));
  return {p.x / r, p.y / r, p.z / r};
}
D3 TorusNormal(D3 p) {
  const double d = std::hypot(p.x, p.y);
  const D3 centre = {p.x / d * 0.6, p.y / d * 0.6, 0};  // on the tube's centre circle
  const D3 n = Minus(p, centre);
  const double r = std::sqrt(Dot(n, n));
  return {n.x / r, n.y / r, n.z / r};
}

TEST(Models, FramesSeamsAndWindingHoldEverywhere) {
  const Model models[] = {
      {"sphere", MakeSphere(0.7f, 48, 24, 4, 2), 48, 24, 4, 2, SphereNormal},
      {"torus", MakeTorus(0.6f, 0.25f, 64, 24, 6, 2), 64, 24, 6, 2, TorusNormal},
  };
  for (const Model& m : models) {
    SCOPED_TRACE(m.name);
    const auto& v = m.mesh.vertices;
    ASSERT_EQ(v.size(), static_cast<std::size_t>((m.columns + 1) * (m.rows + 1)));
    const double tight = 1e-5;
    for (int j = 0; j <= m.rows; ++j) {
      for (int i = 0; i <= m.columns; ++i) {
        const MeshVertex& a = v[j * (m.columns + 1) + i];
        const D3 n = Of(a.normal), t = Of(a.tangent), b = Of(a.bitangent), p = Of(a.position);
        SCOPED_TRACE("vertex " + std::to_string(i) + "," + std::to_string(j));
        EXPECT_NEAR(Dot(n, n), 1, tight);
        EXPECT_NEAR(Dot(t, t), 1, tight);
        EXPECT_NEAR(Dot(b, b), 1, tight);
        EXPECT_NEAR(Dot(t, b), 0, tight);
        EXPECT_NEAR(Dot(t, n), 0, tight);
        EXPECT_NEAR(Dot(b, n), 0, tight);
        EXPECT_LT(Distance(Cross(t, b), n), tight) << "right-handed: T x B = N";
        // N is the surface's normal (away from the poles, where every frame is allowed).
        if (std::hypot(p.x, p.y) > 1e-3) {
          EXPECT_LT(Distance(n, m.surfaceNormal(p)), 1e-5);
        }
        // T follows increasing s and B increasing t: the next vertex lies ahead.
        if (i < m.columns) {
          const D3 step = Minus(Of(v[j * (m.columns + 1) + i + 1].position), p);
          if (Dot(step, step) > 1e-10) {
            EXPECT_GT(Dot(step, t), 0.9 * std::sqrt(Dot(step, step)));
          }
        }
        if (j < m.rows) {
          const D3 step = Minus(Of(v[(j + 1) * (m.columns + 1) + i].position), p);
          if (Dot(step, step) > 1e-10) {
            EXPECT_GT(Dot(step, b), 0.9 * std::sqrt(Dot(step, step)));
          }
        }
        // Texture coordinates: s and t grow with i and j, to the repeat counts.
        EXPECT_FLOAT_EQ(a.texCoord.s, static_cast<float>(m.repeatS) * i / m.columns);
        EXPECT_FLOAT_EQ(a.texCoord.t, static_cast<float>(m.repeatT) * j / m.rows);
      }
      // The seam: the last column is the first again, frame and all, s whole turns on.
      const MeshVertex& first = v[j * (m.columns + 1)];
      const MeshVertex& last = v[j * (m.columns + 1) + m.columns];
      EXPECT_EQ(Distance(Of(first.position), Of(last.position)), 0);
      EXPECT_EQ(Distance(Of(first.tangent), Of(last.tangent)), 0);
      EXPECT_EQ(Distance(Of(first.bitangent), Of(last.bitangent)), 0);
      EXPECT_EQ(last.texCoord.s - first.texCoord.s, m.repeatS);
    }
    // Every triangle indexes the mesh and faces outwards.
    const auto& tri = m.mesh.triangles;
    ASSERT_EQ(tri.size(), static_cast<std::size_t>(m.columns * m.rows * 6));
    int degenerate = 0;
    for (std::size_t k = 0; k < tri.size(); k += 3) {
      ASSERT_LT(tri[k + 2], v.size());
      const D3 a = Of(v[tri[k]].position), b = Of(v[tri[k + 1]].position),
               c = Of(v[tri[k + 2]].position);
      const D3 face = Cross(Minus(b, a), Minus(c, a));
      if (Dot(face, face) < 1e-14) {
        ++degenerate;  // at a pole two corners coincide
        continue;
      }
      const D3 normal = Of(v[tri[k]].normal);
      EXPECT_GT(Dot(face, normal), 0) << "triangle " << k / 3 << " faces inwards";
    }
    EXPECT_EQ(degenerate, m.name == "sphere" ? 2 * m.columns : 0);
  }
}

}  // namespace
