// The normal-map checks on maps the test makes: normal maps of known height fields (round
// bumps, bricks, smooth noise), each damaged in one way a map goes wrong (green inverted,
// passed through the sRGB curve, blue zeroed or left full, turned into object space by a
// sphere's frames, noise added, blue inverted) and the grey height image itself. Each
// damage must give exactly its finding and the clean maps none; a sweep over many random
// fields prints the margins between clean and damaged figures (docs/CHECKS.md).
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "check/findings.h"
#include "check/image_checks.h"
#include "textures/green_check.h"
#include "textures/image.h"
#include "textures/normal_map.h"

namespace {

enum class Kind { Bumps, Bricks, Noise };
const char* const KindNames[] = {"bumps", "bricks", "noise"};

// Periodic value noise: a random lattice of cells a side, smoothly interpolated.
double ValueNoise(const std::vector<double>& lattice, int cells, double x, double y) {
  const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
  auto s = [](double t) { return t * t * (3 - 2 * t); };
  const double fx = s(x - cx), fy = s(y - cy);
  auto at = [&](int i, int j) {
    return lattice[static_cast<std::size_t>(((cy + j) % cells + cells) % cells) * cells +
                   ((cx + i) % cells + cells) % cells];
  };
  const double bottom = at(0, 0) + (at(1, 0) - at(0, 0)) * fx;
  const double top = at(0, 1) + (at(1, 1) - at(0, 1)) * fx;
  return bottom + (top - bottom) * fy;
}

// A height field of the kind, size x size texels, tiling, heights about 0 to 1.
HeightField Field(Kind kind, int size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  HeightField field;
  field.width = field.height = size;
  field.h.assign(static_cast<std::size_t>(size) * size, 0);
  auto noise = [&](int cellSize, double amplitude) {
    const int cells = std::max(1, size / cellSize);
    std::vector<double> lattice(static_cast<std::size_t>(cells) * cells);
    for (double& v : lattice) v = unit(random);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x)
        field.At(x, y) += amplitude * ValueNoise(lattice, cells, x * cells / double(size),
                                                 y * cells / double(size));
  };
  if (kind == Kind::Bumps) {
    const int count = 8 + static_cast<int>(unit(random) * 16);
    for (int k = 0; k < count; ++k) {
      const double cx = unit(random) * size, cy = unit(random) * size;
      const double radius = 3 + unit(random) * size / 10.0, height = 0.5 + unit(random) * 0.5;
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
          double dx = std::fabs(x - cx), dy = std::fabs(y - cy);
          dx = std::min(dx, size - dx);
          dy = std::min(dy, size - dy);
          field.At(x, y) += height * std::exp(-(dx * dx + dy * dy) / (2 * radius * radius));
        }
    }
  } else if (kind == Kind::Bricks) {
    // A running bond whose courses divide the size; rounded edges and a rough face.
    const int course = size / (4 + static_cast<int>(unit(random) * 5));
    const int length = 2 * course, mortar = 2 + static_cast<int>(unit(random) * 3);
    const double bevel = 2 + unit(random) * 3;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const int row = y / course, shift = (row % 2) * course;
        const double u = (x + shift) % length, v = y % course;
        const double edge = std::min({u, length - u, v, course - v}) - mortar / 2.0;
        field.At(x, y) = edge <= 0 ? 0.1 : 0.1 + 0.7 * std::min(1.0, edge / bevel);
      }
    noise(std::max(2, size / 32), 0.08);
  } else {
    noise(size / 8, 0.6);
    noise(size / 16, 0.3);
    noise(std::max(2, size / 32), 0.15);
  }
  return field;
}

// The damages, each on a copy of a clean map.
TextureImage Each(TextureImage map, const std::function<void(std::uint8_t*)>& change) {
  for (std::size_t i = 0; i + 2 < map.pixels.size(); i += 3) change(&map.pixels[i]);
  return map;
}

TextureImage GreenInverted(const TextureImage& map) {
  return Each(map, [](std::uint8_t* t) { t[1] = static_cast<std::uint8_t>(255 - t[1]); });
}

// The bytes through the sRGB curve: encoded (a linear map saved as sRGB colour) or decoded.
TextureImage ThroughSrgb(const TextureImage& map, bool encode) {
  return Each(map, [encode](std::uint8_t* t) {
    for (int c = 0; c < 3; ++c) {
      const double v = t[c] / 255.0;
      const double out = encode
                             ? (v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055)
                             : (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
      t[c] = static_cast<std::uint8_t>(std::lround(255 * out));
    }
  });
}

TextureImage BlueSetTo(const TextureImage& map, std::uint8_t blue) {
  return Each(map, [blue](std::uint8_t* t) { t[2] = blue; });
}

TextureImage BlueInverted(const TextureImage& map) {
  return Each(map, [](std::uint8_t* t) { t[2] = static_cast<std::uint8_t>(255 - t[2]); });
}

TextureImage Noisy(const TextureImage& map, double levels, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> gauss(0, levels);
  return Each(map, [&](std::uint8_t* t) {
    for (int c = 0; c < 3; ++c)
      t[c] = static_cast<std::uint8_t>(std::clamp(std::lround(t[c] + gauss(random)), 0L, 255L));
  });
}

std::uint8_t Byte(double c) {
  return static_cast<std::uint8_t>(std::clamp(std::floor(127.5 * c + 128.0), 0.0, 255.0));
}

// The map wrapped round a sphere (s the longitude, t the latitude), each texel's vector
// turned from the sphere's tangent frame at that point into the sphere's object space.
TextureImage ObjectSpace(const TextureImage& map) {
  TextureImage out = map;
  for (int j = 0; j < map.height; ++j)
    for (int i = 0; i < map.width; ++i) {
      const double phi = 2 * M_PI * (i + 0.5) / map.width;
      const double theta = M_PI * ((j + 0.5) / map.height - 0.5);
      const double n[3] = {std::cos(theta) * std::cos(phi), std::cos(theta) * std::sin(phi),
                           std::sin(theta)};
      const double t[3] = {-std::sin(phi), std::cos(phi), 0};
      const double b[3] = {-std::sin(theta) * std::cos(phi), -std::sin(theta) * std::sin(phi),
                           std::cos(theta)};
      std::uint8_t* texel = &out.pixels[3 * (static_cast<std::size_t>(j) * map.width + i)];
      const double x = (texel[0] - 127.5) / 127.5, y = (texel[1] - 127.5) / 127.5,
                   z = (texel[2] - 127.5) / 127.5;
      for (int c = 0; c < 3; ++c) texel[c] = Byte(x * t[c] + y * b[c] + z * n[c]);
    }
  return out;
}

// The height field itself as a grey image, its range stretched over 0 to 255.
TextureImage GreyHeights(const HeightField& field) {
  const auto [low, high] = std::minmax_element(field.h.begin(), field.h.end());
  TextureImage out{field.width, field.height, {}};
  for (const double h : field.h) {
    const auto grey = static_cast<std::uint8_t>(std::lround(255 * (h - *low) / (*high - *low)));
    out.pixels.insert(out.pixels.end(), {grey, grey, grey});
  }
  return out;
}

// The map through a JPEG file of the given quality, as the program reads one back.
TextureImage ThroughJpeg(const TextureImage& map, int quality) {
  std::vector<std::uint8_t> topDown, file;
  const std::size_t row = 3 * static_cast<std::size_t>(map.width);
  for (int y = map.height - 1; y >= 0; --y)
    topDown.insert(topDown.end(), map.pixels.begin() + y * row, map.pixels.begin() + (y + 1) * row);
  auto append = [](void* context, void* data, int size) {
    auto* bytes = static_cast<std::uint8_t*>(data);
    static_cast<std::vector<std::uint8_t>*>(context)->insert(
        static_cast<std::vector<std::uint8_t>*>(context)->end(), bytes, bytes + size);
  };
  stbi_write_jpg_to_func(append, &file, map.width, map.height, 3, topDown.data(), quality);
  const ParsedImage read = ParseImage(file.data(), file.size());
  return TextureImage{read.width, read.height, read.pixels};
}

struct Damage {
  const char* name;
  std::function<TextureImage(const TextureImage& map, const HeightField& field)> make;
  const char* code;  // the one finding it must give; "" for none
  // Whether the damage harms the clean map at all: blue 255 is right, within 7 levels, on a
  // map with fewer than 1% of its texels tilted past 18 degrees.
  bool (*harms)(const NormalMapMeasures& clean) = nullptr;
  // The one info finding that may come with it: noise hides the curl of gentle relief.
  const char* mayAlsoSay = nullptr;
  // Named only where it harms the map past the check's tolerance: a JPEG's chroma
  // subsampling puts steep maps' vectors off unit length, gentle maps' hardly.
  bool sometimes = false;
};

const std::vector<Damage>& Damages() {
  static const std::vector<Damage> damages = {
      {"clean", [](const TextureImage& m, const HeightField&) { return m; }, ""},
      {"clean, noise of 1.5 levels",
       [](const TextureImage& m, const HeightField&) { return Noisy(m, 1.5, 5); }, ""},
      {"clean, JPEG quality 95",
       [](const TextureImage& m, const HeightField&) { return ThroughJpeg(m, 95); }, ""},
      {"green inverted", [](const TextureImage& m, const HeightField&) { return GreenInverted(m); },
       "green-down"},
      {"sRGB-encoded",
       [](const TextureImage& m, const HeightField&) { return ThroughSrgb(m, true); },
       "srgb-decoded"},
      {"sRGB-decoded",
       [](const TextureImage& m, const HeightField&) { return ThroughSrgb(m, false); },
       "srgb-decoded"},
      {"blue zeroed", [](const TextureImage& m, const HeightField&) { return BlueSetTo(m, 0); },
       "two-channel"},
      {"blue full", [](const TextureImage& m, const HeightField&) { return BlueSetTo(m, 255); },
       "two-channel", [](const NormalMapMeasures& clean) { return clean.steepShare >= 0.01; }},
      {"object space", [](const TextureImage& m, const HeightField&) { return ObjectSpace(m); },
       "object-space"},
      {"noise of 12 levels",
       [](const TextureImage& m, const HeightField&) { return Noisy(m, 12, 9); }, "not-unit",
       nullptr, "green-unknown"},
      {"blue inverted", [](const TextureImage& m, const HeightField&) { return BlueInverted(m); },
       "blue-below-half"},
      {"JPEG quality 75",
       [](const TextureImage& m, const HeightField&) { return ThroughJpeg(m, 75); }, "not-unit",
       nullptr, nullptr, true},
      {"grey heights", [](const TextureImage&, const HeightField& f) { return GreyHeights(f); },
       "height-map"},
  };
  return damages;
}

std::string Listed(const std::vector<Finding>& findings) {
  std::string text;
  for (const Finding& f : findings) text += "  " + FindingLine(f) + "\n";
  return text.empty() ? "  (none)\n" : text;
}

// Each damage gives exactly its finding, on every kind of field; the clean maps none.
TEST(ImageChecks, EachDamageGetsExactlyItsFinding) {
  for (const Kind kind : {Kind::Bumps, Kind::Bricks, Kind::Noise}) {
    const HeightField field = Field(kind, 128, 11);
    const TextureImage map = NormalMapOfHeights(field, DefaultStrength);
    for (const Damage& damage : Damages()) {
      if (damage.sometimes) continue;  // the sweep below measures how often
      const std::vector<Finding> findings = CheckNormalMapImage(damage.make(map, field));
      SCOPED_TRACE(std::string(KindNames[static_cast<int>(kind)]) + ", " + damage.name + ":\n" +
                   Listed(findings));
      if (*damage.code == '\0') {
        EXPECT_TRUE(findings.empty());
        continue;
      }
      std::vector<Finding> faults;
      for (const Finding& finding : findings) {
        if (finding.severity != Severity::Info)
          faults.push_back(finding);
        else if (!damage.mayAlsoSay || finding.code != damage.mayAlsoSay)
          ADD_FAILURE() << "an info finding it should not give";
      }
      if (faults.size() != 1u) {
        ADD_FAILURE() << "not one fault named";
        continue;
      }
      EXPECT_EQ(faults[0].code, damage.code);
      EXPECT_FALSE(faults[0].figures.empty());
    }
  }
}

TextureImage ReadAsset(const char* name) {
  std::ifstream in(std::string(BUMPDEMO_ASSETS_DIR) + "/Textures/" + name, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  const ParsedImage image = ParseImage(bytes.data(), bytes.size());
  EXPECT_EQ(image.refusal, "") << name;
  return TextureImage{image.width, image.height, image.pixels};
}

// The shipped maps, read from their files as the program reads them: the brick wall is
// clean, and with its green inverted points down; the colour map given as a normal map holds
// no unit vectors.
TEST(ImageChecks, TheShippedMaps) {
  const TextureImage map = ReadAsset("wall_bump.bmp");
  EXPECT_TRUE(CheckNormalMapImage(map).empty()) << Listed(CheckNormalMapImage(map));
  const std::vector<Finding> flipped = CheckNormalMapImage(GreenInverted(map));
  ASSERT_EQ(flipped.size(), 1u) << Listed(flipped);
  EXPECT_EQ(flipped[0].code, "green-down");
  EXPECT_EQ(flipped[0].severity, Severity::Warning);
  const std::vector<Finding> colour = CheckNormalMapImage(ReadAsset("wall_colour.bmp"));
  ASSERT_EQ(colour.size(), 1u) << Listed(colour);
  EXPECT_EQ(colour[0].code, "not-unit");
  EXPECT_EQ(colour[0].severity, Severity::Error);
}

std::vector<std::string> Codes(const std::vector<Finding>& findings) {
  std::vector<std::string> codes;
  for (const Finding& f : findings)
    codes.push_back(f.code + (f.severity == Severity::Info ? " (info)" : ""));
  return codes;
}

// Two faults at once: a fault that changes how the texels must be read (two channels, the
// sRGB curve) is repaired before green is judged; a map that is no tangent-space map gets
// no flip hint; a grey image gets nothing but its own finding. RebuildBlue gives back the
// clean map's blue.
TEST(ImageChecks, FaultsTogetherAndRebuildingBlue) {
  const HeightField field = Field(Kind::Bricks, 128, 3);
  const TextureImage map = NormalMapOfHeights(field, DefaultStrength);
  const TextureImage flipped = GreenInverted(map);
  using List = std::vector<std::string>;
  EXPECT_EQ(Codes(CheckNormalMapImage(BlueSetTo(flipped, 0))), (List{"two-channel", "green-down"}));
  EXPECT_EQ(Codes(CheckNormalMapImage(ThroughSrgb(flipped, true))),
            (List{"srgb-decoded", "green-down"}));
  EXPECT_EQ(Codes(CheckNormalMapImage(ObjectSpace(flipped))), (List{"object-space"}));
  EXPECT_EQ(Codes(CheckNormalMapImage(BlueInverted(flipped))), (List{"blue-below-half"}));

  TextureImage rebuilt = BlueSetTo(map, 0);
  RebuildBlue(&rebuilt);
  int worst = 0;
  for (std::size_t i = 2; i < map.pixels.size(); i += 3)
    worst = std::max(worst, std::abs(rebuilt.pixels[i] - map.pixels[i]));
  EXPECT_LE(worst, 1) << "levels between the rebuilt blue and the clean map's";
  EXPECT_TRUE(CheckNormalMapImage(rebuilt).empty()) << Listed(CheckNormalMapImage(rebuilt));
}

// A map of more than MeasuredTexels is judged on every k-th row (band of rows): a clean
// bricks map tiled past the limit stays clean and keeps its measures, and each fault put into
// it is still named. Rows between the sampled ones are not read: grey there changes nothing.
TEST(ImageChecks, LargeMapsAreJudgedOnASampleOfRows) {
  const TextureImage tile = NormalMapOfHeights(Field(Kind::Bricks, 256, 5), DefaultStrength);
  TextureImage large{9 * 256, 8 * 256, {}};
  ASSERT_GT(static_cast<long long>(large.width) * large.height, MeasuredTexels);
  ASSERT_EQ(MeasuredRowStep(large.width, large.height), 2);
  large.pixels.reserve(static_cast<std::size_t>(large.width) * large.height * 3);
  for (int y = 0; y < large.height; ++y)
    for (int x = 0; x < large.width; ++x) {
      const std::uint8_t* t = &tile.pixels[3 * ((y % 256) * 256 + x % 256)];
      large.pixels.insert(large.pixels.end(), t, t + 3);
    }
  TextureImage evenRows{256, 128, {}};
  for (int y = 0; y < 256; y += 2)
    evenRows.pixels.insert(evenRows.pixels.end(), &tile.pixels[3 * 256 * y],
                           &tile.pixels[3 * 256 * (y + 1)]);
  const NormalMapMeasures even = MeasureNormalMap(evenRows), sampled = MeasureNormalMap(large);
  EXPECT_EQ(sampled.texels, static_cast<long>(large.width) * large.height / 2);
  EXPECT_NEAR(sampled.meanZ, even.meanZ, 1e-9) << "the tiles' even rows";
  EXPECT_NEAR(sampled.lengthError, even.lengthError, 1e-9);
  EXPECT_NEAR(sampled.steepShare, even.steepShare, 1e-9);
  EXPECT_TRUE(CheckNormalMapImage(large).empty()) << Listed(CheckNormalMapImage(large));
  TextureImage oddRowsGrey = large;
  for (int y = 1; y < large.height; y += 2)
    std::fill_n(&oddRowsGrey.pixels[3 * static_cast<std::size_t>(y) * large.width], 3 * large.width,
                90);
  EXPECT_EQ(MeasureNormalMap(oddRowsGrey).greyShare, 0);
  using List = std::vector<std::string>;
  EXPECT_EQ(Codes(CheckNormalMapImage(GreenInverted(large))), (List{"green-down"}));
  EXPECT_EQ(Codes(CheckNormalMapImage(BlueSetTo(large, 0))), (List{"two-channel"}));
  EXPECT_EQ(Codes(CheckNormalMapImage(BlueInverted(large))), (List{"blue-below-half"}));
}

// The finding a check gives when it cannot tell.
std::string UnsureCode(const std::string& code) {
  return code == "green-down" ? "green-unknown" : code;
}

// Over many random fields of every kind, size and strength: each damage is named, or its
// check says it could not tell, and no check names a fault a map does not have. Prints how
// often each check could not tell and the range of every figure per damage: the margins of
// docs/CHECKS.md.
TEST(ImageChecks, NoFalseVerdictsOverRandomFields) {
#ifdef BUMPDEMO_SWEEP_FIELDS
  constexpr int Fields = BUMPDEMO_SWEEP_FIELDS;
#else
  constexpr int Fields = 90;
#endif
  std::mt19937 random(2024);
  struct Range {
    double low = INFINITY, high = -INFINITY;
    void Add(double v) { low = std::min(low, v), high = std::max(high, v); }
  };
  const char* const names[] = {"grey",      "blue=0",   "blue=255",   "steep",  "len.err",
                               "curve.err", "not-unit", "below-half", "mean z", "curl ratio"};
  constexpr int Columns = sizeof names / sizeof names[0];
  struct Tally {
    int verdicts = 0, unsure = 0, wrong = 0, harmless = 0, infos = 0;
    std::set<std::string> infoCodes;
    Range figures[Columns];
  };
  std::vector<Tally> tallies(Damages().size());
  for (int f = 0; f < Fields; ++f) {
    const Kind kind = static_cast<Kind>(f % 3);
    const int size = 64 + 32 * static_cast<int>(random() % 5);
    const double strength = 2 + (random() % 1000) / 1000.0 * 8;
    const std::uint32_t seed = random();
    const HeightField field = Field(kind, size, seed);
    const TextureImage map = NormalMapOfHeights(field, strength);
    const NormalMapMeasures clean = MeasureNormalMap(map);
    for (std::size_t d = 0; d < Damages().size(); ++d) {
      const Damage& damage = Damages()[d];
      Tally& tally = tallies[d];
      if (damage.harms && !damage.harms(clean)) {
        ++tally.harmless;
        continue;
      }
      const TextureImage damaged = damage.make(map, field);
      const std::vector<Finding> findings = CheckNormalMapImage(damaged);
      bool named = false, unsure = false, wrong = false;
      for (const Finding& finding : findings) {
        if (finding.severity != Severity::Info)
          (finding.code == damage.code ? named : wrong) = true;
        else if (*damage.code && finding.code == UnsureCode(damage.code))
          unsure = true;
      }
      const bool missed = *damage.code && !damage.sometimes && !named && !unsure;
      tally.verdicts += named;
      tally.unsure += !named && unsure;
      tally.wrong += wrong || missed;
      tally.infos += std::any_of(findings.begin(), findings.end(),
                                 [](const Finding& f) { return f.severity == Severity::Info; });
      for (const Finding& f : findings)
        if (f.severity == Severity::Info) tally.infoCodes.insert(f.code);
      if (wrong || missed)
        ADD_FAILURE() << KindNames[static_cast<int>(kind)] << " " << size << " strength "
                      << strength << " seed " << seed << ", " << damage.name << ":\n"
                      << Listed(findings);
      const NormalMapMeasures m = MeasureNormalMap(damaged);
      const GreenFit green = MeasureGreenFit(damaged);
      const double values[Columns] = {
          m.greyShare,     m.blueZeroShare,
          m.blueFullShare, m.steepShare,
          m.lengthError,   std::min(m.lengthErrorFromSrgb, m.lengthErrorToSrgb),
          m.notUnitShare,  m.belowHalfShare,
          m.meanZ,         green.flipped > 0 ? green.asRead / green.flipped : INFINITY};
      for (int c = 0; c < Columns; ++c) tally.figures[c].Add(values[c]);
    }
  }
  std::printf("%d random fields (bumps, bricks, noise; 64 to 192 texels; strength 2 to 10)\n",
              Fields);
  for (std::size_t d = 0; d < Damages().size(); ++d) {
    const Tally& t = tallies[d];
    std::string infoCodes;
    for (const std::string& code : t.infoCodes) infoCodes += " " + code;
    std::printf("%-26s named %3d, could not tell %3d, wrong %d, harmless %d; %d with info%s\n",
                Damages()[d].name, t.verdicts, t.unsure, t.wrong, t.harmless, t.infos,
                infoCodes.c_str());
    for (int c = 0; c < Columns; ++c)
      std::printf("    %-10s %9.4f .. %9.4f\n", names[c], t.figures[c].low, t.figures[c].high);
  }
}

}  // namespace
