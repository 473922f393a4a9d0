// The picture matrix's references (tests/golden/, made by the program itself) against the
// picture computed here: each must show what the camera, the light's place at its clock
// reading, the shipped maps and the lighting model say, within the tolerances of the live
// picture tests, so that a wrong picture in what these checks cover cannot become a
// reference.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "picture_geometry.h"
#include "textures/bmp.h"

namespace {

using namespace picture;

struct Case {
  std::string name;
  Model model = Model::Wall;
  int view = 1;
  bool colour = false, specular = false;
  int timeMs = 0;
};

// The references' directory: the committed one, or BUMPDEMO_GOLDEN_DIR from the
// environment (scripts/make_golden.sh checks new references before it replaces the old).
std::string GoldenDir() {
  const char* dir = std::getenv("BUMPDEMO_GOLDEN_DIR");
  return dir && *dir ? dir : BUMPDEMO_GOLDEN_DIR;
}

std::vector<Case> ReadCases() {
  std::vector<Case> cases;
  std::ifstream in(GoldenDir() + "/cases.txt");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    Case c;
    if (!(words >> c.name) || c.name[0] == '#') continue;
    std::string option;
    while (words >> option) {
      if (option == "--model") {
        std::string m;
        words >> m;
        c.model = m == "sphere" ? Model::Sphere : m == "torus" ? Model::Torus : Model::Wall;
      } else if (option == "--view") {
        words >> c.view;
      } else if (option == "--time") {
        words >> c.timeMs;
      } else {
        c.colour |= option == "--colour";
        c.specular |= option == "--specular";
      }
    }
    cases.push_back(c);
  }
  return cases;
}

// A reference's pixels, bottom row first as GL reads them.
std::vector<std::uint8_t> LoadReference(const std::string& name) {
  const std::string path = GoldenDir() + "/" + name + ".png";
  int w = 0, h = 0, channels = 0;
  std::unique_ptr<unsigned char, void (*)(void*)> data(
      stbi_load(path.c_str(), &w, &h, &channels, 3), stbi_image_free);
  if (!data || w != Width || h != Height) return {};
  std::vector<std::uint8_t> pixels(Width * Height * 3);
  for (int y = 0; y < Height; ++y)
    std::copy_n(data.get() + (Height - 1 - y) * Width * 3, Width * 3, &pixels[y * Width * 3]);
  return pixels;
}

// The light at a frozen clock reading: the unit circle at height 1.5, 0.004 radian per ms.
V3 LightAt(int ms) {
  const double angle = 0.004 * ms;
  return {std::cos(angle), std::sin(angle), 1.5};
}

struct Map {
  std::int32_t w = 0, h = 0;
  std::unique_ptr<std::uint8_t[]> texels;
};
Map ReadMap(const char* file) {
  std::ifstream in(std::string(BUMPDEMO_ASSETS_DIR) + "/Textures/" + file, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  ParsedBitmap parsed = ParseBitmap(bytes.data(), bytes.size());
  Map map;
  map.w = parsed.width, map.h = parsed.height;
  map.texels = std::move(parsed.pixels);
  return map;
}

// What the rays through the pixels meet, per curved model: the surface grown by 1 % of its
// radius (missed: background), and the point on the surface shrunk by 1 % where both agree
// (away from silhouettes, where the mesh may lie on either side).
struct Rays {
  std::vector<int> grown;  // Trace's result
  std::vector<bool> inside;
  std::vector<V3> hit;
};
const Rays& RaysOf(Model model) {
  static std::map<Model, Rays> cache;
  Rays& rays = cache[model];
  if (!rays.grown.empty()) return rays;
  const double radius = model == Model::Sphere ? 0.7 : 0.25;
  rays.grown.resize(Width * Height), rays.inside.resize(Width * Height),
      rays.hit.resize(Width * Height);
  for (int py = 0; py < Height; ++py) {
    for (int px = 0; px < Width; ++px) {
      const int i = py * Width + px;
      V3 outer, hit;
      rays.grown[i] = Trace(model, 0.01 * radius, px, py, &outer);
      rays.inside[i] = rays.grown[i] == 1 && Trace(model, -0.01 * radius, px, py, &hit) == 1 &&
                       std::sqrt(Dot(hit - outer, hit - outer)) <= 0.02;
      rays.hit[i] = hit;
    }
  }
  return rays;
}

// Within 40 pixels of the light marker's centre.
bool NearMarker(V3 light, int px, int py) {
  double mx, my;
  Project(light, &mx, &my);
  return std::hypot(px + 0.5 - mx, py + 0.5 - my) < 40;
}

class GoldenReferences : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Cases = ReadCases();
    for (const Case& c : Cases) Pictures[c.name] = LoadReference(c.name);
  }
  static std::vector<Case> Cases;
  static std::map<std::string, std::vector<std::uint8_t>> Pictures;
};
std::vector<Case> GoldenReferences::Cases;
std::map<std::string, std::vector<std::uint8_t>> GoldenReferences::Pictures;

// Every case has a reference of the window's size, and the light marker is white where the
// light's clock reading puts it (unless a curved model stands in front of it); around the
// model (traced) and the marker there is nothing but black.
TEST_F(GoldenReferences, EachShowsTheMarkerAtItsClockAndNothingOffTheModel) {
  ASSERT_EQ(Cases.size(), 42u);
  for (const Case& c : Cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t>& pixels = Pictures[c.name];
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(Width * Height * 3)) << "no reference";
    const V3 light = LightAt(c.timeMs);
    double mx, my;
    Project(light, &mx, &my);
    const int at = static_cast<int>(my) * Width + static_cast<int>(mx);
    bool hidden = false;
    if (c.model != Model::Wall) {
      const Rays& rays = RaysOf(c.model);
      const V3 d = rays.hit[at] - Eye, toLight = light - Eye;
      hidden = rays.grown[at] == 1 && Dot(d, d) < Dot(toLight, toLight);
    }
    if (!hidden) {
      EXPECT_EQ(pixels[at * 3] + pixels[at * 3 + 1] + pixels[at * 3 + 2], 3 * 255)
          << "no white marker at " << mx << "," << my;
    }
    int background = 0, drawn = 0;
    for (int py = 0; py < Height; ++py) {
      for (int px = 0; px < Width; ++px) {
        if (NearMarker(light, px, py)) continue;
        const int i = py * Width + px;
        bool off;
        if (c.model == Model::Wall) {
          V3 p;
          off = !WallPoint(px, py, &p) || std::fabs(p.x) > 1.02 || std::fabs(p.y) > 1.02;
        } else {
          off = RaysOf(c.model).grown[i] == 0;
        }
        const int sum = pixels[i * 3] + pixels[i * 3 + 1] + pixels[i * 3 + 2];
        if (off) {
          ASSERT_EQ(sum, 0) << "not background at " << px << "," << py;
          ++background;
        } else {
          drawn += sum > 0;
        }
      }
    }
    EXPECT_GT(background, 150000);
    EXPECT_GT(drawn, 3000) << "the model is drawn";
  }
}

// The wall, view by view, with the shipped maps, against the terms computed here: within 4
// levels of the dot-product stage over the texels a filter may mix and both quad splits
// (lit), within a level of those texels (normal map), within 2 levels of the cube map's
// lookup (light vectors), 4 of the flat normal's term (flat) and 1.5 of the corners'
// interpolated N . L (per vertex); with the colour map, the lit term times the colour
// texels. At most 0.5 % of the pixels may fall outside (where the light marker's halo or
// the filters' mipmaps reach farther than the texels counted here).
TEST_F(GoldenReferences, WallShowsEachViewsTerm) {
  const Map bump = ReadMap("wall_bump.bmp"), colour = ReadMap("wall_colour.bmp");
  ASSERT_TRUE(bump.texels && colour.texels);
  int cases = 0;
  for (const Case& c : Cases) {
    if (c.model != Model::Wall || c.specular) continue;
    SCOPED_TRACE(c.name);
    ++cases;
    const V3 light = LightAt(c.timeMs);
    V3 vectors[4];
    for (int i = 0; i < 4; ++i) vectors[i] = Unit(light - Corners[i]);
    double corner[4];
    for (int i = 0; i < 4; ++i) corner[i] = std::max(0.0, vectors[i].z) * 255;
    // The range of the lit term over the texels around p and both splits.
    auto litRange = [&](V3 p, double* low, double* high) {
      std::array<int, 3> lo, hi;
      for (int ch = 0; ch < 3; ++ch)
        TexelRange(bump.texels.get(), bump.w, bump.h, p, ch, false, &lo[ch], &hi[ch]);
      *low = 255, *high = 0;
      for (const V3& l : InterpolatedVectors(p, vectors)) {
        // Dot3 is linear in the normal before its clamp: its extremes over the box of
        // texel values lie at the box's corners.
        for (int k = 0; k < 8; ++k) {
          const double v =
              Dot3({k & 1 ? hi[0] : lo[0], k & 2 ? hi[1] : lo[1], k & 4 ? hi[2] : lo[2]}, l);
          *low = std::min(*low, v), *high = std::max(*high, v);
        }
      }
    };
    int outside = 0;
    const int checked = ForWallPixels(Pictures[c.name], light, [&](V3 p, const std::uint8_t* rgb) {
      bool ok = true;
      if (c.colour) {
        double low, high;
        litRange(p, &low, &high);
        for (int ch = 0; ch < 3; ++ch) {
          int lo, hi;
          TexelRange(colour.texels.get(), colour.w, colour.h, p, ch, false, &lo, &hi);
          ok &= rgb[ch] >= (low - 4) / 255 * lo - 1 && rgb[ch] <= (high + 4) / 255 * hi + 1;
        }
      } else if (c.view == 1) {
        double low, high;
        litRange(p, &low, &high);
        ok = rgb[0] >= low - 4 && rgb[0] <= high + 4;
      } else if (c.view == 2) {
        for (int ch = 0; ch < 3; ++ch) {
          int lo, hi;
          TexelRange(bump.texels.get(), bump.w, bump.h, p, ch, false, &lo, &hi);
          ok &= rgb[ch] + 1 >= lo && rgb[ch] <= hi + 1;
        }
      } else {
        double best = 1e9;
        V3 weights[4];
        for (int i = 0; i < 4; ++i) weights[i] = {corner[i], 0, 0};
        const std::vector<V3> sources = InterpolatedVectors(p, c.view == 5 ? weights : vectors);
        for (const V3& l : sources) {
          double worst = 0;
          if (c.view == 3) {
            const std::array<double, 3> cube = CubeLookup(l);
            for (int ch = 0; ch < 3; ++ch) worst = std::max(worst, std::fabs(cube[ch] - rgb[ch]));
          } else if (c.view == 4) {
            worst = std::fabs(Dot3({128, 128, 255}, l) - rgb[0]);
          } else {
            worst = std::fabs(l.x - rgb[0]);
          }
          best = std::min(best, worst);
        }
        ok = best <= (c.view == 3 ? 2.0 : c.view == 4 ? 4.0 : 1.5);
      }
      outside += !ok;
      return true;
    });
    EXPECT_GT(checked, 30000);
    EXPECT_LE(outside, checked / 200) << outside << " of " << checked << " wall pixels off";
  }
  EXPECT_EQ(cases, 12);
}

// The sphere and the torus: in the flat and the per-vertex view, where the surface faces
// the light by a cosine of 0.2 or more, the analytic diffuse term (within the live test's
// tolerance for the interpolation across a cell: of the tangent frame, or of GL's lighting
// at the corners); in those views and every lit picture (with colour and specular too),
// black behind the light's horizon.
TEST_F(GoldenReferences, CurvedModelsShowTheDiffuseTermAndDarkBacks) {
  const double pi = std::acos(-1.0);
  int cases = 0, totalLit = 0, totalDark = 0;
  for (const Case& c : Cases) {
    if (c.model == Model::Wall || c.view == 2 || c.view == 3) continue;
    SCOPED_TRACE(c.name);
    ++cases;
    const double cell = (c.model == Model::Sphere ? 7.5 : 15) * pi / 180;
    const double tolerance = 4 + 255 * std::sin(cell) / 2;
    const V3 light = LightAt(c.timeMs);
    const Rays& rays = RaysOf(c.model);
    const std::vector<std::uint8_t>& pixels = Pictures[c.name];
    int lit = 0, dark = 0;
    for (int py = 0; py < Height; ++py) {
      for (int px = 0; px < Width; ++px) {
        const int i = py * Width + px;
        if (!rays.inside[i] || NearMarker(light, px, py)) continue;
        const V3 hit = rays.hit[i];
        const double cosine = Dot(SurfaceNormal(c.model, hit), Unit(light - hit));
        if (cosine < -std::sin(cell)) {
          ASSERT_EQ(pixels[i * 3], 0) << "lit behind the horizon at " << px << "," << py;
          ++dark;
        } else if (cosine > 0.2 && c.view >= 4) {
          ASSERT_LE(std::fabs(cosine * 255 - pixels[i * 3]), tolerance)
              << "diffuse term at " << px << "," << py;
          ++lit;
        }
      }
    }
    totalLit += lit, totalDark += dark;
  }
  EXPECT_EQ(cases, 20);
  // The light stands on the eye's side at one reading and behind the models at the other.
  EXPECT_GT(totalLit, 30000);
  EXPECT_GT(totalDark, 30000);
}

// The specular term is added on top of the lit picture: never darker anywhere, and bright
// somewhere on every model at every clock reading.
TEST_F(GoldenReferences, SpecularAddsToTheLitPicture) {
  int cases = 0;
  for (const Case& c : Cases) {
    if (!c.specular) continue;
    SCOPED_TRACE(c.name);
    ++cases;
    std::string lit = c.name;
    lit.replace(lit.find("highlight"), 9, "lit");
    const std::vector<std::uint8_t>& with = Pictures[c.name];
    const std::vector<std::uint8_t>& without = Pictures[lit];
    ASSERT_EQ(with.size(), without.size());
    int darker = 0, added = 0;
    for (std::size_t i = 0; i < with.size(); ++i) {
      darker += with[i] + 1 < without[i];
      added = std::max(added, with[i] - without[i]);
    }
    EXPECT_EQ(darker, 0);
    EXPECT_GT(added, 60);
  }
  EXPECT_EQ(cases, 6);
}

}  // namespace
