// The scene's picture as the tests compute it themselves, from the camera, the projection
// and the lighting model, never from GL: the default camera's rays and projection, the
// wall's corners and the interpolation of the light vectors across them, the normalisation
// cube map and its filtered lookup, the dot-product stage, the texels a filter may mix, and
// the curved models traced as true surfaces.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "scene/scene.h"

namespace picture {

inline const int Width = 640, Height = 480;

struct V3 {
  double x, y, z;
};
inline V3 operator+(V3 a, V3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline V3 operator-(V3 a, V3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator*(V3 a, double k) {
  return {a.x * k, a.y * k, a.z * k};
}
inline double Dot(V3 a, V3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline V3 Cross(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline V3 Unit(V3 a) {
  return a * (1.0 / std::sqrt(Dot(a, a)));
}

// The camera: eye (2, 2, 2) looking at the origin with +z up, 60 degrees vertical field
// of view, aspect 4/3.
inline const V3 Eye = {2, 2, 2};
inline const V3 Forward = Unit(V3{0, 0, 0} - Eye);
inline const V3 Side = Unit(Cross(Forward, V3{0, 0, 1}));
inline const V3 Up = Cross(Side, Forward);
inline const double TanHalfFov = std::tan(30.0 * M_PI / 180.0);
inline const double Aspect = 4.0 / 3.0;

// Where the ray through the centre of pixel (px, py) meets the plane z = 0.
inline bool WallPoint(int px, int py, V3* point) {
  const double xn = (px + 0.5) / Width * 2 - 1, yn = (py + 0.5) / Height * 2 - 1;
  const V3 dir = Forward + Side * (xn * TanHalfFov * Aspect) + Up * (yn * TanHalfFov);
  if (dir.z >= 0) return false;
  *point = Eye + dir * (-Eye.z / dir.z);
  return true;
}

// The pixel at which a world point appears.
inline void Project(V3 p, double* px, double* py) {
  const V3 d = p - Eye;
  const double depth = Dot(d, Forward);
  *px = (Dot(d, Side) / depth / (TanHalfFov * Aspect) + 1) / 2 * Width;
  *py = (Dot(d, Up) / depth / TanHalfFov + 1) / 2 * Height;
}

inline const V3 Corners[4] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};

// The light vector interpolated at p inside triangle (a, b, c) of the corners, or false
// when p is outside it.
inline bool Interpolate(V3 p, int a, int b, int c, const V3 vectors[4], V3* out) {
  const V3 A = Corners[a], B = Corners[b], C = Corners[c];
  const double det = (B.x - A.x) * (C.y - A.y) - (C.x - A.x) * (B.y - A.y);
  const double wb = ((p.x - A.x) * (C.y - A.y) - (C.x - A.x) * (p.y - A.y)) / det;
  const double wc = ((B.x - A.x) * (p.y - A.y) - (p.x - A.x) * (B.y - A.y)) / det;
  const double wa = 1 - wb - wc;
  if (wa < -1e-9 || wb < -1e-9 || wc < -1e-9) return false;
  *out = vectors[a] * wa + vectors[b] * wb + vectors[c] * wc;
  return true;
}

// The cube map as this test builds it itself: on each face of 32 x 32 texels, texel
// (x, y) holds the unit direction through its centre, each component c stored as the
// byte nearest to 127 c + 128 (ties to even).
inline const int CubeSize = 32;

inline V3 FaceDirection(int face, double sc, double tc) {
  switch (face) {
    case 0:
      return {1, -tc, -sc};
    case 1:
      return {-1, -tc, sc};
    case 2:
      return {sc, 1, tc};
    case 3:
      return {sc, -1, -tc};
    case 4:
      return {sc, -tc, 1};
    default:
      return {-sc, -tc, -1};
  }
}

inline std::array<double, 3> CubeTexel(int face, int x, int y) {
  const V3 d =
      Unit(FaceDirection(face, 2 * (x + 0.5) / CubeSize - 1, 2 * (y + 0.5) / CubeSize - 1));
  return {std::nearbyint(127 * d.x + 128), std::nearbyint(127 * d.y + 128),
          std::nearbyint(127 * d.z + 128)};
}

// A linear-filtered cube-map lookup in direction r, with clamp-to-edge wrapping: the face
// and its s, t as the cube-map texturing rules select them. Bytes, as doubles.
inline std::array<double, 3> CubeLookup(V3 r) {
  const double ax = std::fabs(r.x), ay = std::fabs(r.y), az = std::fabs(r.z);
  int face;
  double sc, tc, ma;
  if (ax >= ay && ax >= az) {
    face = r.x > 0 ? 0 : 1, ma = ax, sc = r.x > 0 ? -r.z : r.z, tc = -r.y;
  } else if (ay >= az) {
    face = r.y > 0 ? 2 : 3, ma = ay, sc = r.x, tc = r.y > 0 ? r.z : -r.z;
  } else {
    face = r.z > 0 ? 4 : 5, ma = az, sc = r.z > 0 ? r.x : -r.x, tc = -r.y;
  }
  const double u = (sc / ma + 1) / 2 * CubeSize - 0.5, v = (tc / ma + 1) / 2 * CubeSize - 0.5;
  const int i0 = static_cast<int>(std::floor(u)), j0 = static_cast<int>(std::floor(v));
  const double fu = u - i0, fv = v - j0;
  auto clampIndex = [](int k) { return std::clamp(k, 0, CubeSize - 1); };
  std::array<double, 3> out = {0, 0, 0};
  for (int dj = 0; dj < 2; ++dj) {
    for (int di = 0; di < 2; ++di) {
      const double w = (di ? fu : 1 - fu) * (dj ? fv : 1 - fv);
      const std::array<double, 3> texel = CubeTexel(face, clampIndex(i0 + di), clampIndex(j0 + dj));
      for (int c = 0; c < 3; ++c) out[c] += w * texel[c];
    }
  }
  return out;
}

// The dot-product stage for normal-map bytes n and the cube-map lookup in direction l,
// as a framebuffer level.
inline double Dot3(const std::array<int, 3>& n, V3 l) {
  const std::array<double, 3> c = CubeLookup(l);
  double sum = 0;
  for (int i = 0; i < 3; ++i) sum += (n[i] / 255.0 - 0.5) * (c[i] / 255.0 - 0.5);
  return std::clamp(4 * sum, 0.0, 1.0) * 255;
}

// The light vector interpolated at wall point p, for both ways of splitting the quad.
inline std::vector<V3> InterpolatedVectors(V3 p, const V3 vectors[4]) {
  std::vector<V3> found;
  const int splits[4][3] = {{0, 1, 2}, {0, 2, 3}, {0, 1, 3}, {1, 2, 3}};
  for (const auto& t : splits) {
    V3 l;
    if (Interpolate(p, t[0], t[1], t[2], vectors, &l)) found.push_back(l);
  }
  return found;
}

// The least and the most that channel c of a w x h map (repeating, bottom row first) holds
// around the texel under wall point p: the filters mix no texels from farther away. With
// invert, the channel's bytes as 255 - byte.
inline void TexelRange(const std::uint8_t* map, int w, int h, V3 p, int c, bool invert, int* lo,
                       int* hi) {
  const double u = (p.x + 1) / 2 * w - 0.5, v = (p.y + 1) / 2 * h - 0.5;
  *lo = 255, *hi = 0;
  for (int dy = -2; dy <= 3; ++dy) {
    for (int dx = -2; dx <= 3; ++dx) {
      const int tx = (static_cast<int>(std::floor(u)) + dx + w) % w;
      const int ty = (static_cast<int>(std::floor(v)) + dy + h) % h;
      int texel = map[(ty * w + tx) * 3 + c];
      if (invert) texel = 255 - texel;
      *lo = std::min(*lo, texel), *hi = std::max(*hi, texel);
    }
  }
}

// Wall pixels clear of the edges and of the light marker, with their wall points.
template <typename Check>
inline int ForWallPixels(const std::vector<std::uint8_t>& pixels, V3 light, Check check) {
  double markerX, markerY;
  Project(light, &markerX, &markerY);
  int checked = 0;
  for (int py = 0; py < Height; ++py) {
    for (int px = 0; px < Width; ++px) {
      V3 p;
      if (!WallPoint(px, py, &p) || std::fabs(p.x) > 0.98 || std::fabs(p.y) > 0.98) continue;
      if (std::hypot(px + 0.5 - markerX, py + 0.5 - markerY) < 40) continue;
      if (!check(p, &pixels[(py * Width + px) * 3])) return checked;
      ++checked;
    }
  }
  return checked;
}

// The curved models as surfaces the test traces itself: signed distances of the sphere
// (radius 0.7) and the torus (0.6 and 0.25) grown or shrunk by margin, and their normals.
inline double SphereDistance(V3 p, double margin) {
  return std::sqrt(Dot(p, p)) - (0.7 + margin);
}
inline double TorusDistance(V3 p, double margin) {
  return std::hypot(std::hypot(p.x, p.y) - 0.6, p.z) - (0.25 + margin);
}
inline V3 SurfaceNormal(Model model, V3 p) {
  if (model == Model::Sphere) return Unit(p);
  const double d = std::hypot(p.x, p.y);
  return Unit(p - V3{p.x / d * 0.6, p.y / d * 0.6, 0});
}

// The first point where the ray through pixel (px, py) meets the surface, by sphere
// tracing: 1 with the point, 0 when it misses, -1 when a grazing ray does not settle.
inline int Trace(Model model, double margin, int px, int py, V3* hit) {
  const double xn = (px + 0.5) / Width * 2 - 1, yn = (py + 0.5) / Height * 2 - 1;
  const V3 dir = Unit(Forward + Side * (xn * TanHalfFov * Aspect) + Up * (yn * TanHalfFov));
  double t = 0;
  for (int i = 0; i < 2000; ++i) {
    if (t > 10) return 0;
    const V3 p = Eye + dir * t;
    const double d = model == Model::Sphere ? SphereDistance(p, margin) : TorusDistance(p, margin);
    if (d < 1e-6) {
      *hit = p;
      return 1;
    }
    t += d;
  }
  return -1;
}

}  // namespace picture
