// The image checks: one pass measures the texels (MeasureNormalMap), then each check reads
// its figures and gives a verdict, an info finding when the figures lie between the clean
// and the damaged maps measured (docs/CHECKS.md), or nothing when the map is clearly fine.
// A fault that changes how the texels must be read (two channels, the sRGB curve) is
// repaired in a copy before the checks after it, so that each fault is named once.
#include "check/image_checks.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "textures/green_check.h"

namespace {

// A grey image (red, green and blue within GreyLevels of each other) is a height map; no
// normal map is grey but in single texels (a unit vector with x = y = z has no relief).
constexpr int GreyLevels = 2;
constexpr double GreyVerdictShare = 0.98;
constexpr double GreyUnsureShare = 0.5;

// Blue at 0 or at 255 in this share of the texels is taken as a channel never filled in; at
// 255, only when this share of the texels is tilted steeply (x^2 + y^2 >= 0.1).
constexpr double FlatBlueShare = 0.99;
constexpr double TwoChannelShare = 0.01;

// The sRGB curve: a map whose vectors as stored are off unit length by more than
// UnitLengthError on average, and which one reading through the curve makes unit
// (CurveLengthError) this many times better.
constexpr double UnitLengthError = 0.02;
constexpr double CurveLengthError = 0.02;
constexpr double CurveRatio = 4.0;

// Object space: the mean direction's z within ObjectMeanZ of 0 (spread over the sphere, or
// about another axis); a tangent-space map's is TangentMeanZ or more, a map with its blue
// inverted has it at -TangentMeanZ or less; between them the check cannot tell.
constexpr double ObjectMeanZ = 0.4;
constexpr double TangentMeanZ = 0.6;

// Normals into the surface: a verdict from this share of the texels, an info finding from
// the smaller one (a few texels of a steep map can round there).
constexpr double BelowHalfVerdictShare = 0.01;
constexpr double BelowHalfUnsureShare = 0.001;
// Past this share the map is not read as a tangent-space map (no green check).
constexpr double BelowHalfMajority = 0.5;

// Vectors off unit length by more than NotUnitTolerance, in these shares of the texels. From
// the majority share on, the texels are no unit vectors at all (a colour map, or a map
// damaged past reading): an error, and no check that reads directions follows.
constexpr double NotUnitTolerance = 0.1;
constexpr double NotUnitVerdictShare = 0.05;
constexpr double NotUnitUnsureShare = 0.005;
constexpr double NotUnitMajority = 0.5;

// The sRGB curve both ways, on a value in [0, 1].
double FromSrgb(double c) {
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double ToSrgb(double c) {
  return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
}

// A byte's vector component, read as stored, through FromSrgb or through ToSrgb, and its
// square (the same products the sums would form, looked up instead).
struct Readings {
  double stored[256], fromSrgb[256], toSrgb[256];
  double storedSquare[256], fromSrgbSquare[256], toSrgbSquare[256];
  Readings() {
    for (int c = 0; c < 256; ++c) {
      stored[c] = (c - 127.5) / 127.5;
      fromSrgb[c] = 2 * FromSrgb(c / 255.0) - 1;
      toSrgb[c] = 2 * ToSrgb(c / 255.0) - 1;
      storedSquare[c] = stored[c] * stored[c];
      fromSrgbSquare[c] = fromSrgb[c] * fromSrgb[c];
      toSrgbSquare[c] = toSrgb[c] * toSrgb[c];
    }
  }
};

double Length(const double* squares, const std::uint8_t* texel) {
  return std::sqrt(squares[texel[0]] + squares[texel[1]] + squares[texel[2]]);
}

// The map's bytes passed through the curve (fromSrgb: decoded from sRGB to linear).
TextureImage ThroughCurve(const TextureImage& map, bool fromSrgb) {
  TextureImage out = map;
  std::uint8_t table[256];
  for (int c = 0; c < 256; ++c)
    table[c] = static_cast<std::uint8_t>(
        std::lround(255 * (fromSrgb ? FromSrgb(c / 255.0) : ToSrgb(c / 255.0))));
  for (std::uint8_t& c : out.pixels) c = table[c];
  return out;
}

double Percent(double share) {
  return 100 * share;
}

// Each check adds its finding, if any, and tells whether it gave a verdict.

bool CheckGrey(const NormalMapMeasures& m, std::vector<Finding>* findings) {
  const std::vector<Figure> figures = {{"grey_share", m.greyShare}};
  if (m.greyShare >= GreyVerdictShare) {
    findings->push_back(MakeFinding(
        "height-map", Severity::Error,
        FormatText(
            "the image is grey (%.1f%% of the texels): a height map, not a normal map; load it "
            "with --height-map or make normals from it with make_normal_map",
            Percent(m.greyShare)),
        figures));
    return true;
  }
  if (m.greyShare >= GreyUnsureShare)
    findings->push_back(MakeFinding(
        "height-map", Severity::Info,
        FormatText("could not tell whether this is a height map: %.1f%% of the texels are grey; a "
                   "height map is loaded with --height-map",
                   Percent(m.greyShare)),
        figures));
  return false;
}

bool CheckTwoChannels(const NormalMapMeasures& m, std::vector<Finding>* findings) {
  const bool low = m.blueZeroShare >= FlatBlueShare, high = m.blueFullShare >= FlatBlueShare;
  if (!low && !high) return false;
  const double share = low ? m.blueZeroShare : m.blueFullShare;
  const std::vector<Figure> figures = {
      {"blue", low ? 0.0 : 255.0}, {"blue_share", share}, {"steep_share", m.steepShare}};
  // Blue 0 throughout is wrong whatever red and green hold, and rebuilding it mends a map
  // whose blue was inverted too. Blue 255 is right for a nearly flat map: only texels
  // tilted steeply enough to need a blue of 248 or less tell.
  if (low || m.steepShare >= TwoChannelShare) {
    findings->push_back(MakeFinding(
        "two-channel", Severity::Warning,
        FormatText("blue is %d in %.1f%% of the texels (%.1f%% of them tilted steeply): a "
                   "two-channel (BC5) map; rebuild blue as sqrt(1 - x^2 - y^2)",
                   low ? 0 : 255, Percent(share), Percent(m.steepShare)),
        figures));
    return true;
  }
  if (m.steepShare > 0)
    findings->push_back(MakeFinding(
        "two-channel", Severity::Info,
        FormatText(
            "could not tell whether blue was left out: it is 255 in %.1f%% of the texels, and "
            "only %.2f%% of them are tilted steeply enough to tell",
            Percent(share), Percent(m.steepShare)),
        figures));
  return false;
}

// Which way the sRGB curve repairs the map: 0 none, +1 decoding from sRGB, -1 encoding. A
// verdict is added to the findings; an info finding (could not tell) is left in *unsure.
int CheckSrgb(const NormalMapMeasures& m, std::vector<Finding>* findings,
              std::vector<Finding>* unsure) {
  if (m.lengthError <= UnitLengthError) return 0;
  const bool decode = m.lengthErrorFromSrgb <= m.lengthErrorToSrgb;
  const double curve = decode ? m.lengthErrorFromSrgb : m.lengthErrorToSrgb;
  if (curve >= m.lengthError) return 0;  // the curve makes it worse: not a curve's fault
  const std::vector<Figure> figures = {{"length_error", m.lengthError},
                                       {"length_error_from_srgb", m.lengthErrorFromSrgb},
                                       {"length_error_to_srgb", m.lengthErrorToSrgb}};
  if (curve <= CurveLengthError && curve * CurveRatio <= m.lengthError) {
    findings->push_back(MakeFinding(
        "srgb-decoded", Severity::Error,
        decode
            ? FormatText("the texels are unit vectors only when decoded from sRGB (mean length "
                         "error %.3f as stored, %.3f decoded): the map was saved as sRGB colour; "
                         "save it as linear (non-colour) data",
                         m.lengthError, curve)
            : FormatText("the texels are unit vectors only when encoded to sRGB (mean length error "
                         "%.3f as stored, %.3f encoded): the map was decoded as sRGB colour before "
                         "it was saved; save it from the linear data",
                         m.lengthError, curve),
        figures));
    return decode ? 1 : -1;
  }
  unsure->push_back(MakeFinding(
      "srgb-decoded", Severity::Info,
      FormatText("could not tell whether the sRGB curve was applied: mean length error %.3f as "
                 "stored, %.3f through the curve",
                 m.lengthError, curve),
      figures));
  return 0;
}

// Whether the map is an object-space one (verdict true); *unsure when the check cannot tell.
bool CheckObjectSpace(const NormalMapMeasures& m, std::vector<Finding>* findings, bool* unsure) {
  *unsure = false;
  if (m.meanZ >= TangentMeanZ || m.meanZ <= -ObjectMeanZ) return false;  // about +z or -z
  const std::vector<Figure> figures = {{"mean_z", m.meanZ}, {"below_half_share", m.belowHalfShare}};
  if (m.meanZ < ObjectMeanZ) {
    findings->push_back(MakeFinding(
        "object-space", Severity::Error,
        FormatText("the directions spread away from +z (the mean direction's z is %.2f, %.1f%% of "
                   "them face into the surface): an object-space map; bake it in tangent space",
                   m.meanZ, Percent(m.belowHalfShare)),
        figures));
    return true;
  }
  *unsure = true;
  findings->push_back(MakeFinding(
      "object-space", Severity::Info,
      FormatText(
          "could not tell whether this is a tangent-space map: the mean direction's z is %.2f "
          "(a tangent-space map's is 0.6 or more, an object-space map's about 0)",
          m.meanZ),
      figures));
  return false;
}

void CheckBelowHalf(const NormalMapMeasures& m, std::vector<Finding>* findings) {
  const std::vector<Figure> figures = {{"share", m.belowHalfShare}};
  if (m.belowHalfShare >= BelowHalfVerdictShare)
    findings->push_back(MakeFinding(
        "blue-below-half", Severity::Warning,
        FormatText(
            "blue is below half in %.1f%% of the texels (normals pointing into the surface): "
            "they must point out of it (blue 128 or more); rebake the map, or invert its blue "
            "if all of "
            "it is low",
            Percent(m.belowHalfShare)),
        figures));
  else if (m.belowHalfShare >= BelowHalfUnsureShare)
    findings->push_back(MakeFinding(
        "blue-below-half", Severity::Info,
        FormatText("blue is below half in %.2f%% of the texels: too few to call it a fault "
                   "(compression and filtering can put a few there)",
                   Percent(m.belowHalfShare)),
        figures));
}

// Whether most texels are no unit vectors (an error, true).
bool CheckUnitLength(const NormalMapMeasures& m, std::vector<Finding>* findings) {
  const std::vector<Figure> figures = {{"share", m.notUnitShare}, {"mean_length", m.meanLength}};
  if (m.notUnitShare >= NotUnitMajority) {
    findings->push_back(MakeFinding(
        "not-unit", Severity::Error,
        FormatText("%.1f%% of the texels are more than %.0f%% off unit length (mean length %.3f): "
                   "not a normal map (a colour map?), or one damaged past reading",
                   Percent(m.notUnitShare), 100 * NotUnitTolerance, m.meanLength),
        figures));
    return true;
  }
  if (m.notUnitShare >= NotUnitVerdictShare)
    findings->push_back(MakeFinding(
        "not-unit", Severity::Warning,
        FormatText("%.1f%% of the texels are more than %.0f%% off unit length (mean length %.3f): "
                   "normalize the map's vectors",
                   Percent(m.notUnitShare), 100 * NotUnitTolerance, m.meanLength),
        figures));
  else if (m.notUnitShare >= NotUnitUnsureShare)
    findings->push_back(MakeFinding(
        "not-unit", Severity::Info,
        FormatText("%.2f%% of the texels are more than %.0f%% off unit length: too few to call the "
                   "map unnormalized (compression and filtering can do this)",
                   Percent(m.notUnitShare), 100 * NotUnitTolerance),
        figures));
  return false;
}

void CheckGreen(const TextureImage& map, bool unsure, std::vector<Finding>* findings) {
  const GreenFit fit = MeasureGreenFit(map);
  const int clear = ClearGreenFit(fit);
  const std::vector<Figure> figures = {{"curl_as_read", fit.asRead},
                                       {"curl_green_inverted", fit.flipped},
                                       {"squares", static_cast<double>(fit.texels)}};
  if (unsure && clear != 0) {
    findings->push_back(MakeFinding("green-unknown", Severity::Info,
                                    "not judged which way green points: the map may not be a "
                                    "tangent-space map",
                                    figures));
  } else if (clear < 0) {
    findings->push_back(MakeFinding(
        "green-down", Severity::Warning,
        FormatText(
            "green points down (mean curl %.4f as read, %.4f with green inverted): invert the "
            "green channel, or load the map with --flip-green",
            fit.asRead, fit.flipped),
        figures));
  } else if (clear == 0) {
    findings->push_back(MakeFinding(
        "green-unknown", Severity::Info,
        fit.texels == 0
            ? std::string("could not tell which way green points: no part of the map is both "
                          "8 texels wide and gentle enough to measure")
            : FormatText("could not tell which way green points (mean curl %.4f as read, %.4f with "
                         "green inverted): relief along the axes alone, or noise, fits both",
                         fit.asRead, fit.flipped),
        figures));
  }
}

}  // namespace

NormalMapMeasures MeasureNormalMap(const TextureImage& map) {
  static const Readings readings;
  NormalMapMeasures m;
  const std::size_t count = static_cast<std::size_t>(map.width) * map.height;
  if (count == 0 || map.pixels.size() < 3 * count) return m;
  long grey = 0, blueZero = 0, blueFull = 0, steep = 0, notUnit = 0, belowHalf = 0;
  double error = 0, errorFrom = 0, errorTo = 0, lengths = 0, meanZ = 0;
  const int step = MeasuredRowStep(map.width, map.height);
  std::size_t measured = 0;
  for (int y = 0; y < map.height; y += step) {
    const std::uint8_t* t = &map.pixels[3 * static_cast<std::size_t>(y) * map.width];
    measured += map.width;
    for (int x = 0; x < map.width; ++x, t += 3) {
      const int r = t[0], g = t[1], b = t[2];
      grey += std::abs(r - g) <= GreyLevels && std::abs(g - b) <= GreyLevels &&
              std::abs(r - b) <= GreyLevels;
      blueZero += b == 0;
      blueFull += b == 255;
      belowHalf += b <= 126;
      const double z = readings.stored[b];
      const double tilt = readings.storedSquare[r] + readings.storedSquare[g];
      steep += tilt >= 0.1;
      const double length = std::sqrt(tilt + readings.storedSquare[b]);
      lengths += length;
      error += std::fabs(length - 1);
      notUnit += std::fabs(length - 1) > NotUnitTolerance;
      errorFrom += std::fabs(Length(readings.fromSrgbSquare, t) - 1);
      errorTo += std::fabs(Length(readings.toSrgbSquare, t) - 1);
      if (length > 0) meanZ += z / length;
    }
  }
  const double n = static_cast<double>(measured);
  m.texels = static_cast<long>(measured);
  m.greyShare = grey / n;
  m.blueZeroShare = blueZero / n;
  m.blueFullShare = blueFull / n;
  m.steepShare = steep / n;
  m.lengthError = error / n;
  m.lengthErrorFromSrgb = errorFrom / n;
  m.lengthErrorToSrgb = errorTo / n;
  m.notUnitShare = notUnit / n;
  m.meanLength = lengths / n;
  m.belowHalfShare = belowHalf / n;
  m.meanZ = meanZ / n;
  return m;
}

std::vector<Finding> CheckNormalMapImage(const TextureImage& map) {
  std::vector<Finding> findings;
  NormalMapMeasures m = MeasureNormalMap(map);
  if (m.texels == 0 || CheckGrey(m, &findings)) return findings;
  // The curve first: a map saved as sRGB colour has blue at 255 wherever it was near it,
  // and would look like a two-channel one.
  std::vector<Finding> srgbUnsure;
  const int curve = CheckSrgb(m, &findings, &srgbUnsure);
  const TextureImage repaired = curve != 0 ? ThroughCurve(map, curve > 0) : TextureImage();
  const TextureImage& read = curve != 0 ? repaired : map;
  if (curve != 0) m = MeasureNormalMap(read);
  if (CheckTwoChannels(m, &findings)) {
    // Rebuilt, the vectors are unit and face out by construction: only green is left to
    // judge.
    TextureImage rebuilt = read;
    RebuildBlue(&rebuilt);
    CheckGreen(rebuilt, false, &findings);
    return findings;
  }
  // Directions mean nothing where most texels are no unit vectors; the curve's doubt
  // neither.
  std::vector<Finding> unitLength;
  if (CheckUnitLength(m, &unitLength)) {
    findings.insert(findings.end(), unitLength.begin(), unitLength.end());
    return findings;
  }
  findings.insert(findings.end(), srgbUnsure.begin(), srgbUnsure.end());
  bool unsure = false;
  const bool objectSpace = CheckObjectSpace(m, &findings, &unsure);
  if (!objectSpace) CheckBelowHalf(m, &findings);
  findings.insert(findings.end(), unitLength.begin(), unitLength.end());
  // A flip hint only for what is read as a tangent-space map.
  if (!objectSpace && m.belowHalfShare < BelowHalfMajority) CheckGreen(read, unsure, &findings);
  return findings;
}

void RebuildBlue(TextureImage* map) {
  for (std::size_t i = 0; i + 2 < map->pixels.size(); i += 3) {
    const double x = (map->pixels[i] - 127.5) / 127.5, y = (map->pixels[i + 1] - 127.5) / 127.5;
    const double z = std::sqrt(std::fmax(0.0, 1 - x * x - y * y));
    map->pixels[i + 2] = static_cast<std::uint8_t>(std::fmin(255.0, std::floor(127.5 * z + 128.0)));
  }
}
