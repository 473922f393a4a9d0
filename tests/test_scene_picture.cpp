// The picture on real GL: frames rendered by Mesa (SDL's offscreen driver), read back and
// checked against values computed here from the camera, the projection and the lighting
// model, never against values read from GL.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "common/settings.h"
#include "gl/gl.h"
#include "platform/backend.h"
#include "scene/scene.h"
#include "textures/bmp.h"
#include "textures/texture.h"
#include "window/window.h"

namespace {

const int Width = 640, Height = 480;

struct V3 {
  double x, y, z;
};
V3 operator+(V3 a, V3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, double k) {
  return {a.x * k, a.y * k, a.z * k};
}
double Dot(V3 a, V3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 Cross(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
V3 Unit(V3 a) {
  return a * (1.0 / std::sqrt(Dot(a, a)));
}

// The camera: eye (2, 2, 2) looking at the origin with +z up, 60 degrees vertical field
// of view, aspect 4/3.
const V3 Eye = {2, 2, 2};
const V3 Forward = Unit(V3{0, 0, 0} - Eye);
const V3 Side = Unit(Cross(Forward, V3{0, 0, 1}));
const V3 Up = Cross(Side, Forward);
const double TanHalfFov = std::tan(30.0 * M_PI / 180.0);
const double Aspect = 4.0 / 3.0;

// Where the ray through the centre of pixel (px, py) meets the plane z = 0.
bool WallPoint(int px, int py, V3* point) {
  const double xn = (px + 0.5) / Width * 2 - 1, yn = (py + 0.5) / Height * 2 - 1;
  const V3 dir = Forward + Side * (xn * TanHalfFov * Aspect) + Up * (yn * TanHalfFov);
  if (dir.z >= 0) return false;
  *point = Eye + dir * (-Eye.z / dir.z);
  return true;
}

// The pixel at which a world point appears.
void Project(V3 p, double* px, double* py) {
  const V3 d = p - Eye;
  const double depth = Dot(d, Forward);
  *px = (Dot(d, Side) / depth / (TanHalfFov * Aspect) + 1) / 2 * Width;
  *py = (Dot(d, Up) / depth / TanHalfFov + 1) / 2 * Height;
}

const V3 Corners[4] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};

// The light vector interpolated at p inside triangle (a, b, c) of the corners, or false
// when p is outside it.
bool Interpolate(V3 p, int a, int b, int c, const V3 vectors[4], V3* out) {
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
const int CubeSize = 32;

V3 FaceDirection(int face, double sc, double tc) {
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

std::array<double, 3> CubeTexel(int face, int x, int y) {
  const V3 d =
      Unit(FaceDirection(face, 2 * (x + 0.5) / CubeSize - 1, 2 * (y + 0.5) / CubeSize - 1));
  return {std::nearbyint(127 * d.x + 128), std::nearbyint(127 * d.y + 128),
          std::nearbyint(127 * d.z + 128)};
}

// A linear-filtered cube-map lookup in direction r, with clamp-to-edge wrapping: the face
// and its s, t as the cube-map texturing rules select them. Bytes, as doubles.
std::array<double, 3> CubeLookup(V3 r) {
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
double Dot3(const std::array<int, 3>& n, V3 l) {
  const std::array<double, 3> c = CubeLookup(l);
  double sum = 0;
  for (int i = 0; i < 3; ++i) sum += (n[i] / 255.0 - 0.5) * (c[i] / 255.0 - 0.5);
  return std::clamp(4 * sum, 0.0, 1.0) * 255;
}

void WriteFlatNormalMap(const std::string& path, int size) {
  std::vector<std::uint8_t> file(54 + size * size * 3, 0);
  auto put32 = [&](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<std::uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, size);
  put32(22, size);
  file[26] = 1;
  file[28] = 24;
  for (std::size_t i = 54; i < file.size(); i += 3) {
    file[i] = 255;      // blue: z
    file[i + 1] = 128;  // green: y
    file[i + 2] = 128;  // red: x
  }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(file.data()), file.size());
}

class ScenePicture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    unsetenv("DISPLAY");
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    char dir[] = "/tmp/bumpdemo-scene-XXXXXX";
    RunDir = mkdtemp(dir);
    mkdir((RunDir + "/Textures").c_str(), 0755);
    mkdir((RunDir + "/system").c_str(), 0755);
    WriteFlatNormalMap(RunDir + "/Textures/wall_bump.bmp", 64);
    ASSERT_EQ(chdir(RunDir.c_str()), 0);
    InstallPlatformBackend();
    InitGLBinding();
    ASSERT_TRUE(CreateRenderWindow());
    InitScene();
  }
  static void TearDownTestSuite() { DestroyRenderWindow(); }

  // Renders a frame with the light at p and reads the back buffer, bottom row first.
  std::vector<std::uint8_t> Render(V3 p) {
    LightPosition = {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
    RenderScene();
    glFinish();
    std::vector<std::uint8_t> pixels(Width * Height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, Width, Height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    EXPECT_EQ(glGetError(), GL_NO_ERROR);
    return pixels;
  }
  static std::string RunDir;
};
std::string ScenePicture::RunDir;

TEST_F(ScenePicture, FlatWallMatchesTheAnalyticDiffuseTerm) {
  const V3 light = {1, 0, 1.5};
  const std::vector<std::uint8_t> pixels = Render(light);
  V3 vectors[4];
  for (int i = 0; i < 4; ++i) vectors[i] = Unit(light - Corners[i]);
  double markerX, markerY;
  Project(light, &markerX, &markerY);

  // Tolerance, in framebuffer levels: half a level for the framebuffer's rounding, one
  // for the cube map's bytes (half a byte on z, doubled by the stage), and one and a half
  // for the filter: llvmpipe keeps filter weights to 8 bits, and neighbouring cube texels
  // differ by up to about 8 levels here.
  const double tolerance = 0.5 + 1.0 + 1.5;
  int checked = 0, worst = 0;
  for (int py = 0; py < Height; ++py) {
    for (int px = 0; px < Width; ++px) {
      const std::uint8_t* rgb = &pixels[(py * Width + px) * 3];
      V3 p;
      const bool onPlane = WallPoint(px, py, &p);
      const bool inside = onPlane && std::fabs(p.x) < 1 && std::fabs(p.y) < 1;
      const double margin = 0.02;  // pixels this close to an edge may be either
      const bool edge =
          onPlane && std::fabs(std::fabs(p.x) - 1) < margin && std::fabs(p.y) < 1 + margin;
      const bool edgeY =
          onPlane && std::fabs(std::fabs(p.y) - 1) < margin && std::fabs(p.x) < 1 + margin;
      if (edge || edgeY) continue;
      if (std::hypot(px + 0.5 - markerX, py + 0.5 - markerY) < 40) continue;  // the marker
      if (!inside) {
        ASSERT_EQ(rgb[0] + rgb[1] + rgb[2], 0) << "outside the wall at " << px << "," << py;
        continue;
      }
      // The quad may be split along either diagonal; accept what either split gives.
      double best = 1e9;
      const int splits[4][3] = {{0, 1, 2}, {0, 2, 3}, {0, 1, 3}, {1, 2, 3}};
      for (const auto& t : splits) {
        V3 l;
        if (!Interpolate(p, t[0], t[1], t[2], vectors, &l)) continue;
        best = std::min(best, std::fabs(Dot3({128, 128, 255}, l) - rgb[0]));
      }
      EXPECT_LE(best, tolerance) << "at pixel " << px << "," << py << " got " << int(rgb[0]);
      if (best > tolerance) return;
      EXPECT_EQ(rgb[0], rgb[1]);
      EXPECT_EQ(rgb[1], rgb[2]);
      worst = std::max(worst, static_cast<int>(std::ceil(best)));
      ++checked;
    }
  }
  EXPECT_GT(checked, 30000);
  std::printf("checked %d wall pixels, largest difference %d levels\n", checked, worst);
}

TEST_F(ScenePicture, MarkerIsWhiteAndHidesTheWallBehindIt) {
  // Seen from the eye, this light lies in front of the wall's centre.
  const V3 light = {1.2, 1.2, 1.2};
  const std::vector<std::uint8_t> pixels = Render(light);
  double mx, my;
  Project(light, &mx, &my);
  const int px = static_cast<int>(mx), py = static_cast<int>(my);
  const std::uint8_t* centre = &pixels[(py * Width + px) * 3];
  EXPECT_EQ(centre[0], 255);
  EXPECT_EQ(centre[1], 255);
  EXPECT_EQ(centre[2], 255);
  // The wall point behind the marker's centre, seen from the eye, is lit grey on the flat
  // wall but shows white: the marker hides it.
  V3 behind;
  ASSERT_TRUE(WallPoint(px, py, &behind));
  ASSERT_LT(std::fabs(behind.x), 1);
  ASSERT_LT(std::fabs(behind.y), 1);
  const V3 l = Unit(light - behind);
  EXPECT_LT(Dot3({128, 128, 255}, l), 250) << "the wall there would not be white";
}

// Mean brightness of wall pixels whose normal-map texel faces +x, and of those facing -x.
void MeanByFacing(const std::vector<std::uint8_t>& pixels, const std::vector<std::uint8_t>& map,
                  int mapWidth, int mapHeight, double* towardPlusX, double* towardMinusX) {
  double sum[2] = {0, 0};
  int count[2] = {0, 0};
  for (int py = 0; py < Height; ++py) {
    for (int px = 0; px < Width; ++px) {
      V3 p;
      if (!WallPoint(px, py, &p) || std::fabs(p.x) > 0.98 || std::fabs(p.y) > 0.98) continue;
      const int tx = static_cast<int>((p.x + 1) / 2 * mapWidth);
      const int ty = static_cast<int>((p.y + 1) / 2 * mapHeight);
      const int nx = map[(ty * mapWidth + tx) * 3];  // red: the normal's x
      const int side = nx > 128 + 48 ? 0 : nx < 128 - 48 ? 1 : -1;
      if (side < 0) continue;
      sum[side] += pixels[(py * Width + px) * 3];
      ++count[side];
    }
  }
  ASSERT_GT(count[0], 200);
  ASSERT_GT(count[1], 200);
  *towardPlusX = sum[0] / count[0];
  *towardMinusX = sum[1] / count[1];
}

TEST_F(ScenePicture, ShippedNormalMapShowsTheReliefAndFollowsTheLight) {
  const std::string path = std::string(BUMPDEMO_ASSETS_DIR) + "/Textures/wall_bump.bmp";
  std::int32_t w = 0, h = 0;
  std::unique_ptr<std::uint8_t[]> map;
  ReadBitmapFile(path.c_str(), &w, &h, &map);
  ASSERT_TRUE(map);
  const std::vector<std::uint8_t> texels(map.get(), map.get() + w * h * 3);
  const GLuint flat = BumpTexture;
  BumpTexture = LoadTexture(true, path.c_str());

  // The light on the +x side of its orbit, then on the -x side.
  const std::vector<std::uint8_t> east = Render({1, 0, 1.5});
  const std::vector<std::uint8_t> west = Render({-1, 0, 1.5});
  double eastPlus, eastMinus, westPlus, westMinus;
  MeanByFacing(east, texels, w, h, &eastPlus, &eastMinus);
  MeanByFacing(west, texels, w, h, &westPlus, &westMinus);
  std::printf("light at +x: edges facing +x %.1f, facing -x %.1f; light at -x: %.1f, %.1f\n",
              eastPlus, eastMinus, westPlus, westMinus);
  EXPECT_GT(eastPlus, eastMinus + 20) << "edges facing the light are brighter";
  EXPECT_GT(westMinus, westPlus + 20) << "and it turns round when the light does";

  int changed = 0;
  for (std::size_t i = 0; i < east.size(); i += 3) changed += std::abs(east[i] - west[i]) > 8;
  EXPECT_GT(changed, 20000) << "the picture changes as the light moves";
  BumpTexture = flat;
}

}  // namespace
