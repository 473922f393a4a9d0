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

#include "app/panel.h"
#include "common/settings.h"
#include "gl/gl.h"
#include "picture_geometry.h"
#include "platform/backend.h"
#include "scene/font.h"
#include "scene/maps.h"
#include "scene/overlay.h"
#include "scene/probe.h"
#include "scene/scene.h"
#include "textures/bmp.h"
#include "textures/texture.h"
#include "window/window.h"

namespace {

using namespace picture;

// A size x size 24-bit BMP of one texel, by default the flat normal (0, 0, 1).
void WriteFlatNormalMap(const std::string& path, int size,
                        std::array<std::uint8_t, 3> rgb = {128, 128, 255}) {
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
    file[i] = rgb[2];      // blue: z
    file[i + 1] = rgb[1];  // green: y
    file[i + 2] = rgb[0];  // red: x
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
  void TearDown() override {
    CurrentView = View::Lit;
    CurrentModel = Model::Wall;
    ShowColour = ShowSpecular = ForceTwoTextureUnits = false;
    ResetCamera();
    ShowWireframe = ShowVectors = ShowPanel = false;
  }

  // Renders a frame with the light at p, and the overlays that are on, and reads the back
  // buffer, bottom row first.
  std::vector<std::uint8_t> Render(V3 p) {
    LightPosition = {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
    RenderScene();
    DrawGeometryOverlays();
    if (PanelWanted()) DrawPanel(0);
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
// The teaching views, each against what it must show, computed here: the cube map's lookup
// of the interpolated light vector (3), the per-pixel term of the flat normal whatever the
// map holds (4), the interpolation of the GL's per-vertex lighting at the corners (5), and
// the normal map's texels (2), with and without its green channel flipped. Tolerances, in
// levels, as for the lit wall: half a level of rounding and the cube map's bytes, plus the
// filter's 8-bit weights, which matter more with the light this low (steeper changes
// between neighbouring cube texels); the per-vertex term has no texture.
TEST_F(ScenePicture, TeachingViewsShowEachTermOnItsOwn) {
  const std::string path = std::string(BUMPDEMO_ASSETS_DIR) + "/Textures/wall_bump.bmp";
  const GLuint flat = BumpTexture;
  BumpTexture = LoadTexture(true, path.c_str());  // relief that views 3 to 5 must not show
  const V3 light = {0.3, -0.2, 0.6};              // low, so the terms differ a lot
  V3 vectors[4];
  for (int i = 0; i < 4; ++i) vectors[i] = Unit(light - Corners[i]);

  double worst3 = 0, worst4 = 0, worst5 = 0;
  CurrentView = View::LightVectors;
  int checked = ForWallPixels(Render(light), light, [&](V3 p, const std::uint8_t* rgb) {
    double best = 1e9;
    for (const V3& l : InterpolatedVectors(p, vectors)) {
      const std::array<double, 3> c = CubeLookup(l);
      double worst = 0;
      for (int i = 0; i < 3; ++i) worst = std::max(worst, std::fabs(c[i] - rgb[i]));
      best = std::min(best, worst);
    }
    worst3 = std::max(worst3, best);
    EXPECT_LE(best, 2.0) << "light vectors at " << p.x << "," << p.y;
    return best <= 2.0;
  });
  EXPECT_GT(checked, 30000);

  CurrentView = View::Flat;
  checked = ForWallPixels(Render(light), light, [&](V3 p, const std::uint8_t* rgb) {
    double best = 1e9;
    for (const V3& l : InterpolatedVectors(p, vectors))
      best = std::min(best, std::fabs(Dot3({128, 128, 255}, l) - rgb[0]));
    worst4 = std::max(worst4, best);
    EXPECT_LE(best, 4.0) << "flat term at " << p.x << "," << p.y;
    return best <= 4.0;
  });
  EXPECT_GT(checked, 30000);
  const std::vector<std::uint8_t> flatView = Render(light);

  // Per vertex: max(N . L, 0) at each corner with N = +z, interpolated; below the light the
  // per-pixel flat term is far brighter than any interpolation of the corners can be.
  CurrentView = View::PerVertex;
  const std::vector<std::uint8_t> perVertex = Render(light);
  double corner[4];
  for (int i = 0; i < 4; ++i) corner[i] = std::max(0.0, vectors[i].z) * 255;
  checked = ForWallPixels(perVertex, light, [&](V3 p, const std::uint8_t* rgb) {
    double best = 1e9;
    V3 weights[4] = {{corner[0], 0, 0}, {corner[1], 0, 0}, {corner[2], 0, 0}, {corner[3], 0, 0}};
    for (const V3& v : InterpolatedVectors(p, weights))
      best = std::min(best, std::fabs(v.x - rgb[0]));
    worst5 = std::max(worst5, best);
    EXPECT_LE(best, 1.5) << "per-vertex term at " << p.x << "," << p.y;
    return best <= 1.5;
  });
  EXPECT_GT(checked, 30000);
  std::printf("largest differences: light vectors %.2f, flat %.2f, per vertex %.2f levels\n",
              worst3, worst4, worst5);
  double below[2];
  Project({light.x, light.y, 0}, &below[0], &below[1]);
  const int at = (static_cast<int>(below[1]) * Width + static_cast<int>(below[0])) * 3;
  EXPECT_GT(flatView[at], 240);
  EXPECT_LT(perVertex[at], *std::max_element(corner, corner + 4) + 2);
  EXPECT_GT(flatView[at], perVertex[at] + 60);

  // The normal map: each pixel lies within the texels around its sample point (the filter
  // only mixes neighbours), channel by channel; flipped, green is 255 - texel.
  std::int32_t w = 0, h = 0;
  std::unique_ptr<std::uint8_t[]> map;
  ReadBitmapFile(path.c_str(), &w, &h, &map);
  ASSERT_TRUE(map);
  CurrentView = View::NormalMap;
  for (const bool flipped : {false, true}) {
    SCOPED_TRACE(flipped ? "green flipped" : "as stored");
    if (flipped) {
      FlipGreenChannel = true;
      BumpTexture = LoadTexture(true, path.c_str());
      FlipGreenChannel = false;
    }
    int outside = 0;
    checked = ForWallPixels(Render(light), light, [&](V3 p, const std::uint8_t* rgb) {
      for (int c = 0; c < 3; ++c) {
        int lo, hi;
        TexelRange(map.get(), w, h, p, c, flipped && c == 1, &lo, &hi);
        if (rgb[c] + 1 < lo || rgb[c] > hi + 1) {
          ++outside;
          break;
        }
      }
      return true;
    });
    EXPECT_GT(checked, 30000);
    EXPECT_LT(outside, checked / 200) << outside << " of " << checked << " pixels off the map";
  }
  BumpTexture = flat;
}

// The overlays where the geometry puts them: the wireframe's diagonal, and at a corner the
// tangent frame (T red, B green, N blue) and the light vector (white); the panel in the top
// left corner, light text on a black box, and nothing of it elsewhere.
TEST_F(ScenePicture, OverlaysDrawWhereTheGeometrySays) {
  const V3 light = {1, 0, 1.5};
  const std::vector<std::uint8_t> plain = Render(light);
  ShowWireframe = ShowVectors = true;
  const std::vector<std::uint8_t> lines = Render(light);
  auto pixelAt = [&](const std::vector<std::uint8_t>& pixels, V3 p) {
    double x, y;
    Project(p, &x, &y);
    const std::uint8_t* rgb = &pixels[(static_cast<int>(y) * Width + static_cast<int>(x)) * 3];
    return std::array<int, 3>{rgb[0], rgb[1], rgb[2]};
  };
  // A pixel on the line from a to b, a third of the way along, shows the colour (its 3x3
  // neighbourhood, as lines land on either side of the exact point).
  auto lineHas = [&](V3 a, V3 b, std::array<int, 3> colour) {
    const V3 p = a + (b - a) * (1.0 / 3);
    double x, y;
    Project(p, &x, &y);
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        const int px = static_cast<int>(x) + dx, py = static_cast<int>(y) + dy;
        const std::uint8_t* rgb = &lines[(py * Width + px) * 3];
        if (rgb[0] == colour[0] && rgb[1] == colour[1] && rgb[2] == colour[2]) return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(lineHas(Corners[0], Corners[2], {255, 255, 0})) << "the diagonal";
  EXPECT_TRUE(lineHas(Corners[0], Corners[1], {255, 255, 0})) << "an edge";
  const double k = VectorOverlayLength;
  const V3 c = Corners[1];
  EXPECT_TRUE(lineHas(c, c + V3{k, 0, 0}, {255, 0, 0})) << "T";
  EXPECT_TRUE(lineHas(c, c + V3{0, k, 0}, {0, 255, 0})) << "B";
  EXPECT_TRUE(lineHas(c, c + V3{0, 0, k}, {0, 0, 255})) << "N";
  EXPECT_TRUE(lineHas(c, c + Unit(light - c) * k, {255, 255, 255})) << "the light vector";
  EXPECT_EQ(pixelAt(lines, {0.5, 0.5, 0}), pixelAt(plain, {0.5, 0.5, 0})) << "away from lines";

  ShowWireframe = ShowVectors = false;
  ShowPanel = true;
  // The box the lines need, from the font's metrics (outer: with room for any frame rate):
  // outside it nothing changes; inside, the text is pale yellow and the picture shows
  // through, darkened by the box's shade.
  auto check = [&](const std::vector<std::uint8_t>& drawn, bool right, bool bottom,
                   bool wallUnder) {
    const std::vector<std::string> panelLines = PanelLines(-1, "");
    std::size_t widest = 0;
    for (const std::string& line : panelLines) widest = std::max(widest, line.size());
    auto width = [&](std::size_t columns) {
      return static_cast<int>(columns) * FontAdvance * TextPanelScale + 2 * TextPanelMargin;
    };
    const int boxHeight =
        static_cast<int>(panelLines.size()) * TextPanelLineHeight + 2 * TextPanelMargin;
    int text = 0, changedElsewhere = 0, seenThrough = 0, darkened = 0;
    for (int py = 0; py < Height; ++py) {
      for (int px = 0; px < Width; ++px) {
        const int i = (py * Width + px) * 3;
        auto inBox = [&](int boxWidth) {
          return (right ? px >= Width - boxWidth : px < boxWidth) &&
                 (bottom ? py < boxHeight : py >= Height - boxHeight);
        };
        if (!inBox(width(widest + 4))) {
          changedElsewhere += drawn[i] != plain[i];
        } else if (!inBox(width(widest) - 1)) {
          continue;
        } else if (drawn[i] == 255 && drawn[i + 2] > 100 && drawn[i + 2] < 200) {
          ++text;
        } else if (plain[i] > 60 && drawn[i] == drawn[i + 1]) {
          ++seenThrough;
          darkened += std::abs(drawn[i] - plain[i] * (1 - TextPanelShade)) <= 2;
        }
      }
    }
    EXPECT_GT(text, 500) << "light yellow text";
    EXPECT_EQ(changedElsewhere, 0);
    if (wallUnder) {
      EXPECT_GT(seenThrough, 1000) << "the wall under the box";
    }
    EXPECT_EQ(darkened, seenThrough) << "darkened by the box's shade, no more";
  };
  check(Render(light), false, false, true);
  // A probe in the top left: the panel goes to the bottom right, the pixel stays in sight.
  CurrentProbe.set = true;
  CurrentProbe.x = 100;
  CurrentProbe.y = 100;
  check(Render(light), true, true, false);
  CurrentProbe = ActiveProbe();
}

// The sphere and the torus with a flat normal map: pixels where the surface faces the
// light are its analytic diffuse term, pixels behind the light's horizon are black (no
// light through the back), and the silhouette covers the pixels the geometry says: lit
// or dark surface inside it, black background outside. With the shipped map, whose
// bricks' edges lean towards a light behind the surface, the back stays black too.
TEST_F(ScenePicture, CurvedModelsMatchTheAnalyticDiffuseTermAndSilhouette) {
  // Margins from the tessellation: a 48 x 24 sphere or 64 x 24 torus lies within 0.9 % of
  // the radius of the true surface (the chord's sag, 1 - cos of half a cell), so a pixel
  // whose ray misses the surface grown by 1 % is background and one that meets it shrunk
  // by 1 % is surface. The diffuse term is compared where the surface faces the light by
  // a cosine of 0.2 or more (the self-shadowing factor is 1 there with room for the
  // interpolation). The tangent-space light vector is interpolated linearly across each
  // cell instead of turning with the surface: the frame turns by up to the cell's angle
  // (7.5 degrees on the sphere, 15 around the torus's tube), which moves the cosine by up
  // to sin(angle) / 2, on top of the wall's 4 levels. Behind the horizon by more than
  // sin(angle) in cosine, the factor is 0 at every corner of the pixel's triangle.
  const double pi = std::acos(-1.0);
  const struct {
    Model model;
    const char* name;
    double cellDegrees;
  } models[] = {{Model::Sphere, "sphere", 7.5}, {Model::Torus, "torus", 15}};
  const std::string shipped = std::string(BUMPDEMO_ASSETS_DIR) + "/Textures/wall_bump.bmp";
  const GLuint flat = BumpTexture;
  const GLuint bricks = LoadTexture(true, shipped.c_str());
  for (const auto& m : models) {
    const Model model = m.model;
    SCOPED_TRACE(m.name);
    const double tolerance = 4 + 255 * std::sin(m.cellDegrees * pi / 180) / 2;
    CurrentModel = model;
    int lit = 0, dark = 0, background = 0, worst = 0;
    // High in front, and low behind the model, so that much of what is seen faces away.
    for (const int pass : {0, 1, 2}) {
      const V3 light = pass == 0 ? V3{1, 0, 1.5} : V3{-1, -0.5, 0.25};
      BumpTexture = pass == 2 ? bricks : flat;
      const std::vector<std::uint8_t> pixels = Render(light);
      double markerX, markerY;
      Project(light, &markerX, &markerY);
      for (int py = 0; py < Height; ++py) {
        for (int px = 0; px < Width; ++px) {
          if (std::hypot(px + 0.5 - markerX, py + 0.5 - markerY) < 40) continue;
          const std::uint8_t* rgb = &pixels[(py * Width + px) * 3];
          V3 hit, outer;
          const double radius = model == Model::Sphere ? 0.7 : 0.25;
          const int grown = Trace(model, 0.01 * radius, px, py, &outer);
          if (grown < 0) continue;
          if (grown == 0) {
            ASSERT_EQ(rgb[0] + rgb[1] + rgb[2], 0) << "background at " << px << "," << py;
            ++background;
            continue;
          }
          // Near a silhouette (outer or inner) the grown and the shrunk surface are met at
          // different places, and the mesh may be either: not compared.
          if (Trace(model, -0.01 * radius, px, py, &hit) != 1) continue;
          if (std::sqrt(Dot(hit - outer, hit - outer)) > 0.02) continue;
          const double c = Dot(SurfaceNormal(model, hit), Unit(light - hit));
          if (c < -std::sin(m.cellDegrees * pi / 180)) {
            ASSERT_EQ(rgb[0], 0) << "lit behind the horizon at " << px << "," << py;
            ++dark;
          } else if (c > 0.2 && pass < 2) {
            const int difference = static_cast<int>(std::fabs(c * 255 - rgb[0]) + 0.5);
            worst = std::max(worst, difference);
            ASSERT_LE(difference, tolerance) << "diffuse term at " << px << "," << py;
            ++lit;
          }
        }
      }
    }
    std::printf(
        "%s: %d lit pixels (largest difference %d levels, allowed %.1f), %d dark, %d "
        "background\n",
        m.name, lit, worst, tolerance, dark, background);
    EXPECT_GT(lit, 5000);
    EXPECT_GT(dark, 1000);
  }
  BumpTexture = flat;
}

// With the colour map on, each wall pixel is the diffuse term times the colour map's texel
// there (within the texels around the sample point, as for the normal-map view), on the
// path through a third texture unit; the two-pass path for GLs with two units draws the
// same picture within the framebuffer's rounding of its second multiplication.
TEST_F(ScenePicture, ColourMapMultipliesTheDiffuseTermOnBothPaths) {
  const std::string path = std::string(BUMPDEMO_ASSETS_DIR) + "/Textures/wall_colour.bmp";
  ColourMapPath = path.c_str();
  std::int32_t w = 0, h = 0;
  std::unique_ptr<std::uint8_t[]> map;
  ReadBitmapFile(path.c_str(), &w, &h, &map);
  ASSERT_TRUE(map);
  const V3 light = {1, 0, 1.5};
  V3 vectors[4];
  for (int i = 0; i < 4; ++i) vectors[i] = Unit(light - Corners[i]);

  ShowColour = true;
  const std::vector<std::uint8_t> stages = Render(light);
  int outside = 0;
  int checked = ForWallPixels(stages, light, [&](V3 p, const std::uint8_t* rgb) {
    double lowDiffuse = 1e9, highDiffuse = -1e9;  // over both ways of splitting the quad
    for (const V3& l : InterpolatedVectors(p, vectors)) {
      lowDiffuse = std::min(lowDiffuse, Dot3({128, 128, 255}, l));
      highDiffuse = std::max(highDiffuse, Dot3({128, 128, 255}, l));
    }
    for (int c = 0; c < 3; ++c) {
      int lo, hi;
      TexelRange(map.get(), w, h, p, c, false, &lo, &hi);
      // The diffuse term within 4 levels, times the texel range.
      const double low = (lowDiffuse - 4) / 255 * lo - 1, high = (highDiffuse + 4) / 255 * hi + 1;
      if (rgb[c] < low || rgb[c] > high) {
        ++outside;
        break;
      }
    }
    return true;
  });
  EXPECT_GT(checked, 30000);
  EXPECT_LT(outside, checked / 200) << outside << " of " << checked << " pixels off";

  ForceTwoTextureUnits = true;
  const std::vector<std::uint8_t> passes = Render(light);
  int worst = 0;
  for (std::size_t i = 0; i < stages.size(); ++i)
    worst = std::max(worst, std::abs(stages[i] - passes[i]));
  EXPECT_LE(worst, 2) << "two passes against three units";
  ShowColour = false;
  EXPECT_NE(Render(light), stages) << "and without colour, another picture";
}

// The specular highlight on a flat-mapped sphere lies where the mirror direction says: the
// centre of its brightest pixels is within a few pixels of the centre of the pixels where
// the traced sphere's N . H, raised to the same power, is brightest. A black colour map
// takes the diffuse term out of the picture (the highlight is added after the colour), so
// the highlight is seen alone, unclipped. It follows the light, and moves with the camera.
TEST_F(ScenePicture, SpecularHighlightSitsWhereTheMirrorDirectionSays) {
  const std::string black = RunDir + "/Textures/black.bmp";
  WriteFlatNormalMap(black, 16, {0, 0, 0});
  const char* const shippedColour = ColourMapPath;
  ColourMapPath = black.c_str();
  ShowColour = true;
  CurrentModel = Model::Sphere;
  const int power = SpecularPower();
  ASSERT_EQ(power, 16) << "llvmpipe has the units for the full power";
  // The centre of the pixels within 10 % of the brightest, of a value per pixel.
  auto brightCentre = [](const std::vector<double>& value, double* x, double* y) {
    const double top = *std::max_element(value.begin(), value.end());
    double sx = 0, sy = 0, n = 0;
    for (int i = 0; i < Width * Height; ++i) {
      if (value[i] < 0.9 * top) continue;
      sx += i % Width + 0.5, sy += i / Width + 0.5, ++n;
    }
    *x = sx / n, *y = sy / n;
    return top;
  };
  auto highlight = [&](V3 light, double* x, double* y) {
    ShowSpecular = false;
    const std::vector<std::uint8_t> without = Render(light);
    ShowSpecular = true;
    const std::vector<std::uint8_t> with = Render(light);
    std::vector<double> added(Width * Height);
    for (int i = 0; i < Width * Height; ++i) added[i] = with[i * 3] - without[i * 3];
    return brightCentre(added, x, y);
  };
  for (const V3 light : {V3{1, 0, 1.5}, V3{0, 1, 0.75}}) {
    double x, y;
    const double top = highlight(light, &x, &y);
    EXPECT_GT(top, 200) << "a bright highlight";
    std::vector<double> expected(Width * Height, 0);
    for (int py = 0; py < Height; ++py) {
      for (int px = 0; px < Width; ++px) {
        V3 p;
        if (Trace(Model::Sphere, 0, px, py, &p) != 1) continue;
        const V3 h = Unit(Unit(light - p) + Unit(Eye - p));
        expected[py * Width + px] = std::pow(std::max(0.0, Dot(Unit(p), h)), power);
      }
    }
    double ex, ey;
    brightCentre(expected, &ex, &ey);
    std::printf("highlight at %.1f, %.1f; the mirror direction says %.1f, %.1f\n", x, y, ex, ey);
    EXPECT_LT(std::hypot(x - ex, y - ey), 4) << "light at " << light.x << "," << light.y;
  }
  double before[2], after[2];
  highlight({1, 0, 1.5}, &before[0], &before[1]);
  OrbitCamera(0.4f, 0);
  highlight({1, 0, 1.5}, &after[0], &after[1]);
  EXPECT_GT(std::hypot(after[0] - before[0], after[1] - before[1]), 10) << "moves with the camera";
  ColourMapPath = shippedColour;
}

// The camera dragged under the wall (a drag up of 200 pixels: elevation held at -85
// degrees) sees its back. The light above does not light it: views 1, 4 and 5 draw it
// black wherever the wall is, as this test's own camera projects it; views 2 and 3 show
// their texels from either side: the flat normal map's (128, 128, 255), and the cube map's
// lookup of the interpolated light vector.
TEST_F(ScenePicture, WallSeenFromBelowIsDarkInTheLitViews) {
  const V3 light = {1, 0, 1.5};
  V3 vectors[4];
  for (int i = 0; i < 4; ++i) vectors[i] = Unit(light - Corners[i]);
  OrbitCamera(0, -2.0f);
  ASSERT_LT(CameraEye().z, 0);
  const double el = Camera.elevation, az = Camera.azimuth, d = Camera.distance;
  const V3 eye = {d * std::cos(el) * std::cos(az), d * std::cos(el) * std::sin(az),
                  d * std::sin(el)};
  const V3 forward = Unit(V3{0, 0, 0} - eye);
  const V3 side = Unit(Cross(forward, V3{0, 0, 1}));
  const V3 up = Cross(side, forward);
  // The wall point under pixel (px, py), bottom row first, clear of the wall's edges.
  auto wallPoint = [&](int px, int py, V3* p) {
    const double xn = (px + 0.5) / Width * 2 - 1, yn = (py + 0.5) / Height * 2 - 1;
    const V3 dir = forward + side * (xn * TanHalfFov * Aspect) + up * (yn * TanHalfFov);
    if (dir.z <= 0) return false;
    *p = eye + dir * (-eye.z / dir.z);
    return std::fabs(p->x) < 0.98 && std::fabs(p->y) < 0.98;
  };
  const struct {
    View view;
    bool dark;
  } views[] = {{View::Lit, true},
               {View::Flat, true},
               {View::PerVertex, true},
               {View::NormalMap, false},
               {View::LightVectors, false}};
  for (const auto& v : views) {
    SCOPED_TRACE(static_cast<int>(v.view));
    CurrentView = v.view;
    for (const bool specular : {false, true}) {
      ShowSpecular = specular;
      const std::vector<std::uint8_t> pixels = Render(light);
      int wall = 0, wrong = 0;
      for (int py = 0; py < Height; ++py) {
        for (int px = 0; px < Width; ++px) {
          V3 p;
          if (!wallPoint(px, py, &p)) continue;
          ++wall;
          const std::uint8_t* rgb = &pixels[(py * Width + px) * 3];
          std::array<double, 3> expected = {0, 0, 0};
          double best = 1e9;
          if (v.view == View::NormalMap) expected = {128, 128, 255};
          for (const V3& l : InterpolatedVectors(p, vectors)) {
            if (v.view == View::LightVectors) expected = CubeLookup(l);
            double worst = 0;
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::fabs(expected[c] - rgb[c]));
            best = std::min(best, worst);
          }
          wrong += best > (v.dark ? 0 : 2);
        }
      }
      EXPECT_GT(wall, 20000) << "the wall fills much of the picture";
      EXPECT_EQ(wrong, 0) << "of " << wall << (v.dark ? " not black" : " not the texels");
    }
  }
}

// Without its file the colour map is not there, and the panel says so and where it was
// looked for; the picture stays the grey one without colour, the reader's one message is
// shown once, and asking again reads nothing. A file the reader refuses (text, though named
// .bmp) is said to be unreadable.
TEST_F(ScenePicture, MissingColourMapIsNamedOnThePanelAndChangesNothingElse) {
  const V3 light = {1, 0, 1.5};
  const std::vector<std::uint8_t> grey = Render(light);
  std::ofstream(RunDir + "/Textures/not_a_bitmap.bmp") << "not a bitmap";
  const struct {
    const char* path;
    const char* panel;
    const char* message;  // the reader's, whatever the file's name says
  } cases[] = {
      {"Textures\\wall_colour.bmp", "Colour: no map (Textures/wall_colour.bmp not found)",
       "Loading Textures: Error opening \"Textures/wall_colour.bmp\": there is no such file"},
      {"Textures\\not_a_bitmap.bmp", "Colour: no map (Textures/not_a_bitmap.bmp unreadable)",
       "Loading Textures: Unsupported image format (reads BMP, PNG, TGA and JPEG files)"},
  };
  // The panel's colour line, joined again where it was broken to fit the window.
  auto colourLine = [] {
    const std::vector<std::string> lines = PanelLines(-1, "");
    std::string line = lines[1];
    for (std::size_t i = 2; i < lines.size() && lines[i].rfind("  ", 0) == 0; ++i)
      line += lines[i].substr(1);
    return line;
  };
  const char* const shipped = ColourMapPath;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ColourMapPath = c.path;
    ShowColour = true;
    ::testing::internal::CaptureStderr();
    const std::vector<std::uint8_t> first = Render(light);
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    EXPECT_EQ(colourLine(), c.panel);
    ::testing::internal::CaptureStderr();
    const std::vector<std::uint8_t> second = Render(light);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "no second message";
    int worst = 0;
    for (std::size_t i = 0; i < grey.size(); ++i)
      worst = std::max({worst, std::abs(first[i] - grey[i]), std::abs(second[i] - grey[i])});
    EXPECT_LE(worst, 1) << "the grey picture";
  }
  ColourMapPath = shipped;
}

// Files dropped on the window replace the normal map in both renderers: a colour image as
// the normal map, a grey one as heights; one the reader refuses changes nothing; Y's flip of
// the green channel reaches the running map. View 2 shows the texel at the wall's centre,
// the middle of the window.
TEST_F(ScenePicture, DroppedImagesReplaceTheMapInBothRenderersAndGreenFlips) {
  CurrentView = View::NormalMap;
  auto centre = [&](Renderer renderer) {
    CurrentRenderer = renderer;
    const std::vector<std::uint8_t> pixels = Render({1, 0, 1.5});
    const std::uint8_t* rgb = &pixels[(Height / 2 * Width + Width / 2) * 3];
    return std::array<int, 3>{rgb[0], rgb[1], rgb[2]};
  };
  auto expectCentre = [&](std::array<int, 3> texel, const char* what) {
    for (const Renderer renderer : {Renderer::Stages, Renderer::Shaders}) {
      const std::array<int, 3> got = centre(renderer);
      for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(got[c], texel[c], 1) << what << ", channel " << c << ", "
                                         << (renderer == Renderer::Stages ? "stages" : "shaders");
    }
  };
  WriteFlatNormalMap(RunDir + "/tilted.bmp", 8, {170, 100, 230});
  EXPECT_EQ(LoadDroppedImage("tilted.bmp"), "Normal map: tilted.bmp");
  expectCentre({170, 100, 230}, "the dropped map");
  // The probe reads the running map too.
  EXPECT_EQ(PredictPixel(Width / 2, Height / 2).normalTexel, (std::array<int, 3>{170, 100, 230}));
  FlipGreenChannel = true;
  ReloadNormalMap();
  expectCentre({170, 155, 230}, "green flipped");
  EXPECT_EQ(PredictPixel(Width / 2, Height / 2).normalTexel, (std::array<int, 3>{170, 155, 230}));
  FlipGreenChannel = false;
  ReloadNormalMap();
  expectCentre({170, 100, 230}, "green as in the file");

  WriteFlatNormalMap(RunDir + "/grey.bmp", 8, {90, 90, 90});
  EXPECT_EQ(LoadDroppedImage("grey.bmp"), "Height map: grey.bmp");
  ASSERT_NE(HeightMapPath, nullptr);
  expectCentre({128, 128, 255}, "level heights: the flat normal");
  EXPECT_EQ(PredictPixel(Width / 2, Height / 2).normalTexel, (std::array<int, 3>{128, 128, 255}));

  std::ofstream(RunDir + "/notes.png") << "notes, not a picture";
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LoadDroppedImage("notes.png"),
            "Refused notes.png: Unsupported image format (reads BMP, PNG, TGA and JPEG files)");
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("Unsupported image format"),
            std::string::npos);
  expectCentre({128, 128, 255}, "the running map stays");
  // A height map flipped does not fit its convention: the check says so.
  FlipGreenChannel = true;
  ReloadNormalMap();
  EXPECT_EQ(NormalMapCheckLines().front(), "Check: warning green-down");
  FlipGreenChannel = false;
  ReloadNormalMap();
  EXPECT_EQ(NormalMapCheckLines().front(), "Check: made from heights, fits by construction");

  // A colour image dropped after a grey one is a normal map again; with --height-map given,
  // every drop is heights.
  EXPECT_EQ(LoadDroppedImage("tilted.bmp"), "Normal map: tilted.bmp");
  EXPECT_EQ(HeightMapPath, nullptr);
  expectCentre({170, 100, 230}, "a colour drop after a grey one");
  HeightMapGiven = true;
  EXPECT_EQ(LoadDroppedImage("tilted.bmp"), "Height map: tilted.bmp");
  expectCentre({128, 128, 255}, "with --height-map, heights");
  HeightMapGiven = false;

  HeightMapPath = nullptr;
  NormalMapPath = "Textures\\wall_bump.bmp";
  ReloadNormalMap();
  CurrentRenderer = Renderer::Stages;
}

// A map is decoded once for its check and both renderers: a dropped map, and the running one
// made again (Y), open the file once each, with the stages and the shaders set up, and both
// draw it.
int MapOpens = 0;
PlatformFile (*RealOpen)(const char*) = nullptr;

TEST_F(ScenePicture, AMapIsReadOnceForTheCheckAndBothRenderers) {
  CurrentView = View::NormalMap;
  CurrentRenderer = Renderer::Shaders;
  Render({1, 0, 1.5});  // the shaders set up beside the stages
  WriteFlatNormalMap(RunDir + "/once.bmp", 16, {150, 90, 240});
  RealOpen = Platform.OpenFileForReading;
  Platform.OpenFileForReading = [](const char* path) {
    MapOpens += std::string(path).find("once.bmp") != std::string::npos;
    return RealOpen(path);
  };
  EXPECT_EQ(LoadDroppedImage("once.bmp"), "Normal map: once.bmp");
  EXPECT_EQ(MapOpens, 1) << "dropped";
  FlipGreenChannel = true;
  ReloadNormalMap();
  EXPECT_EQ(MapOpens, 2) << "made again";
  FlipGreenChannel = false;
  Platform.OpenFileForReading = RealOpen;
  for (const Renderer renderer : {Renderer::Stages, Renderer::Shaders}) {
    CurrentRenderer = renderer;
    const std::vector<std::uint8_t> pixels = Render({1, 0, 1.5});
    const std::uint8_t* rgb = &pixels[(Height / 2 * Width + Width / 2) * 3];
    EXPECT_NEAR(rgb[0], 150, 1);
    EXPECT_NEAR(rgb[1], 255 - 90, 1) << "green flipped";
    EXPECT_NEAR(rgb[2], 240, 1);
  }
  NormalMapPath = "Textures\\wall_bump.bmp";
  ReloadNormalMap();
  CurrentRenderer = Renderer::Stages;
}

// The frame drawn before a long load: the note alone, pale text on the panel in the top left
// corner over black, wrapped to the window's width; the same with the shaders.
TEST_F(ScenePicture, LoadingFrameShowsTheNoteAlone) {
  const std::string note =
      "Loading /home/someone/maps/a-rather-long-name_normal.png (8192 x 8192 pixels) ...";
  for (const Renderer renderer : {Renderer::Stages, Renderer::Shaders}) {
    SCOPED_TRACE(renderer == Renderer::Stages ? "stages" : "shaders");
    CurrentRenderer = renderer;
    DrawLoadingFrame(note);
    glFinish();
    std::vector<std::uint8_t> pixels(Width * Height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, Width, Height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    int lowest = -1, rightmost = -1, outside = 0;
    for (int row = 0; row < Height; ++row)  // from the top
      for (int x = 0; x < Width; ++x) {
        const std::uint8_t* rgb = &pixels[((Height - 1 - row) * Width + x) * 3];
        const bool text = rgb[0] > 200 && rgb[1] > 200 && rgb[2] > 100 && rgb[2] < 200;
        if (text) lowest = std::max(lowest, row), rightmost = std::max(rightmost, x);
        outside += !text && (rgb[0] | rgb[1] | rgb[2]) != 0;
      }
    EXPECT_EQ(outside, 0) << "black but for the text";
    EXPECT_GT(lowest, TextPanelLineHeight) << "wrapped onto a second line";
    EXPECT_LT(lowest, 3 * TextPanelLineHeight + TextPanelMargin);
    EXPECT_GT(rightmost, Width / 2);
    EXPECT_LT(rightmost, Width - TextPanelMargin);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  CurrentRenderer = Renderer::Stages;
}

// The two renderers' full frames, drawn off screen and compared for the side-by-side panel:
// the shaders' picture is the stages' within a few levels (the flat map here), in every
// model; the window's own frame is left as it was drawn.
TEST_F(ScenePicture, RendererDifferenceIsMeasuredOffScreenAndSmall) {
  ShowSpecular = true;
  for (const Model model : {Model::Wall, Model::Sphere, Model::Torus}) {
    CurrentModel = model;
    const std::vector<std::uint8_t> before = Render({0.6, 0.3, 1.0});
    const RendererDifference difference = MeasureRendererDifference();
    EXPECT_GE(difference.largest, 0);
    EXPECT_LE(difference.largest, 8);
    EXPECT_LT(difference.share, 0.001);
    std::vector<std::uint8_t> after(before.size());
    glReadPixels(0, 0, Width, Height, GL_RGB, GL_UNSIGNED_BYTE, after.data());
    EXPECT_EQ(after, before) << "the window's frame untouched";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
}

}  // namespace
