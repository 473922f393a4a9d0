// The model checks. The file's tangents are read vertex by vertex, then triangle by
// triangle against MikkTSpace's (made here on the placed mesh). Seams are found by
// numbering equal positions through a hash table and sorting only the edges whose both ends
// sit at a position more than one vertex shares; along each seam the normal map is sampled
// on both sides and turned into a direction through each candidate frame, and the frame
// whose directions meet best is the one the map was baked for.
#include "check/model_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "check/image_checks.h"
#include "common/dvec.h"
#include "tangents/tangents.h"

namespace {

// The file's tangents: w within HandednessTolerance of +1 or -1, xyz within UnitTolerance
// of unit length and within OrthogonalDegrees of perpendicular to the normal.
constexpr double HandednessTolerance = 1e-3;
constexpr double UnitTolerance = 0.01;
constexpr double OrthogonalDegrees = 1;

// tangents-differ: a warning when DifferShare of the corners are more than DifferDegrees
// from MikkTSpace's, or one corner's handedness differs.
constexpr double DifferDegrees = 1;
constexpr double DifferShare = 0.01;

// A seam: an edge whose two triangles meet at equal positions with normals within
// SeamNormalDegrees, and whose texture coordinates differ (by more than SeamGap at an end)
// or run opposite ways round (a mirror line).
constexpr double SeamNormalDegrees = 1;
constexpr double SeamGap = 1e-6;
// Samples along a seam edge: one per texel of its longer side, from 1 to MaxEdgeSamples.
constexpr int MaxEdgeSamples = 16;
// A verdict needs MinSeamSamples samples and one candidate that fits, and clearly: its mean
// mismatch at most FitOfRelief of the map's mean tilt at the seams, and every other
// candidate's at least FitRatio times its own and FitGapDegrees more.
constexpr long MinSeamSamples = 32;
// Nor can a map nearly flat along the seams (its mean tilt from +z under MinReliefDegrees).
constexpr double MinReliefDegrees = 1;
constexpr double FitOfRelief = 0.5;
constexpr double FitRatio = 1.5;
constexpr double FitGapDegrees = 0.5;

// (M_PI is not standard C++: Windows headers leave it out.)
constexpr double DegreesPerRadian = 180 / 3.14159265358979323846;

using Vec = DVec;

Vec V(const Vector3& a) {
  return {a.x, a.y, a.z};
}
Vec Lerp(Vec a, Vec b, double k) {
  return Add(a, Scale(Sub(b, a), k));
}
// The angle between two directions, in degrees (0 when either has no length).
double AngleDegrees(Vec a, Vec b) {
  return std::atan2(Length(Cross(a, b)), Dot(a, b)) * DegreesPerRadian;
}

Finding Make(const char* code, Severity severity, std::string where, std::string message,
             std::vector<Figure> figures) {
  return MakeFinding(code, severity, std::move(message), std::move(figures), std::move(where));
}

std::string PartName(const ModelPart& part) {
  return FormatText("mesh %d primitive %d (node %d)", part.fileMesh, part.filePrimitive,
                    part.fileNode);
}

double Percent(double share) {
  return 100 * share;
}

// -1 when the part's node mirrors: its bitangents then point against w x cross(N, T) as
// the file writes w.
double NodeSign(const ModelPart& part) {
  for (std::size_t v = 0; v < part.fileTangents.size(); ++v) {
    const MeshVertex& m = part.mesh.vertices[v];
    const double d = Dot(V(m.bitangent), Cross(V(m.normal), V(m.tangent)));
    if (std::fabs(d) > 1e-3) return (d < 0) == (part.fileTangents[v].w < 0) ? 1 : -1;
  }
  return 1;
}

// +1 when the texture runs the usual way round triangle t as seen along its normals (a
// MikkTSpace frame of w = +1), -1 when it is mirrored, 0 when the triangle has no area in
// space or in the texture.
int TextureHandedness(const Mesh& mesh, std::size_t t) {
  const MeshVertex& a = mesh.vertices[mesh.triangles[3 * t]];
  const MeshVertex& b = mesh.vertices[mesh.triangles[3 * t + 1]];
  const MeshVertex& c = mesh.vertices[mesh.triangles[3 * t + 2]];
  const double area =
      (double(b.texCoord.s) - a.texCoord.s) * (double(c.texCoord.t) - a.texCoord.t) -
      (double(c.texCoord.s) - a.texCoord.s) * (double(b.texCoord.t) - a.texCoord.t);
  const Vec normals = Add(Add(V(a.normal), V(b.normal)), V(c.normal));
  const double facing =
      Dot(Cross(Sub(V(b.position), V(a.position)), Sub(V(c.position), V(a.position))), normals);
  if (!(area != 0) || !(facing != 0) || !std::isfinite(area) || !std::isfinite(facing)) return 0;
  return (area > 0) == (facing > 0) ? 1 : -1;
}

// MikkTSpace's frames for the part as placed: 4 floats per corner (tangent, w).
std::vector<float> MikkFrames(const Mesh& mesh) {
  const std::size_t count = mesh.vertices.size();
  std::vector<float> positions(3 * count), normals(3 * count), texCoords(2 * count);
  for (std::size_t v = 0; v < count; ++v) {
    const MeshVertex& m = mesh.vertices[v];
    std::memcpy(&positions[3 * v], &m.position, sizeof(Vector3));
    std::memcpy(&normals[3 * v], &m.normal, sizeof(Vector3));
    std::memcpy(&texCoords[2 * v], &m.texCoord, sizeof(TexCoord2));
  }
  TangentMesh input;
  input.triangleCount = mesh.triangles.size() / 3;
  input.indices = mesh.triangles.data();
  input.vertexCount = count;
  input.positions = positions.data();
  input.normals = normals.data();
  input.texCoords = texCoords.data();
  std::vector<float> frames(4 * mesh.triangles.size());
  GenerateTangents(input, frames.data());
  return frames;
}

// The vertex checks of a part's file tangents: w, length, angle to the normal.
void CheckTangentValues(const ModelPart& part, std::vector<Finding>* findings) {
  long badW = 0, notUnit = 0, notOrthogonal = 0;
  double worstLength = 0, worstOff = 0;
  const double offLimit = std::sin(OrthogonalDegrees / DegreesPerRadian);
  for (std::size_t v = 0; v < part.fileTangents.size(); ++v) {
    const FileTangent& f = part.fileTangents[v];
    if (!std::isfinite(f.w) || std::fabs(std::fabs(f.w) - 1) > HandednessTolerance) ++badW;
    const Vec t = V(f.xyz);
    const double length = Length(t);
    if (!std::isfinite(length) || std::fabs(length - 1) > UnitTolerance) {
      ++notUnit;
      worstLength = std::isfinite(length) ? std::max(worstLength, std::fabs(length - 1)) : INFINITY;
    }
    if (!(length > 0) || !std::isfinite(length)) continue;  // no direction to judge
    // The sine of the angle off perpendicular; the angle itself only for the worst.
    const double off = std::fabs(Dot(t, V(part.mesh.vertices[v].normal))) / length;
    if (off > offLimit) {
      ++notOrthogonal;
      worstOff = std::max(worstOff, off);
    }
  }
  const double worstAngle = std::asin(std::min(1.0, worstOff)) * DegreesPerRadian;
  const double count = static_cast<double>(part.fileTangents.size());
  const std::string where = PartName(part);
  if (badW)
    findings->push_back(
        Make("tangent-w-invalid", Severity::Error, where,
             FormatText("%ld of %zu tangents (%.1f%%) have a w that is not +1 or -1: w gives the "
                        "handedness and must be one of them; write the sign of the frame there",
                        badW, part.fileTangents.size(), Percent(badW / count)),
             {{"vertices", double(badW)}, {"share", badW / count}}));
  if (notUnit)
    findings->push_back(Make(
        "tangent-not-unit", Severity::Warning, where,
        FormatText(
            "%ld of %zu tangents (%.1f%%) are more than %.0f%% off unit length (the largest by "
            "%.3g): normalize them (this program does; other renderers may not)",
            notUnit, part.fileTangents.size(), Percent(notUnit / count), 100 * UnitTolerance,
            worstLength),
        {{"vertices", double(notUnit)},
         {"share", notUnit / count},
         {"largest_error", worstLength}}));
  if (notOrthogonal)
    findings->push_back(
        Make("tangent-not-orthogonal", Severity::Warning, where,
             FormatText(
                 "%ld of %zu tangents (%.1f%%) are more than %.0f degree off perpendicular to the "
                 "normal (the largest by %.1f degrees): make them perpendicular to the normals the "
                 "file gives (MikkTSpace's are)",
                 notOrthogonal, part.fileTangents.size(), Percent(notOrthogonal / count),
                 OrthogonalDegrees, worstAngle),
             {{"vertices", double(notOrthogonal)},
              {"share", notOrthogonal / count},
              {"largest_deg", worstAngle}}));
}

// The triangle checks of a part's file tangents: one handedness per triangle, and the
// corners against MikkTSpace's (mikk).
void CompareTangents(const ModelPart& part, const std::vector<float>& mikk,
                     std::vector<Finding>* findings, TangentComparison* total) {
  const Mesh& mesh = part.mesh;
  const double sign = NodeSign(part);
  auto handedness = [&](std::uint32_t v) { return part.fileTangents[v].w < 0 ? -sign : sign; };
  long mixed = 0;
  TangentComparison c;
  // Cosines compared; the angle itself only for the largest.
  const double differCos = std::cos(DifferDegrees / DegreesPerRadian);
  double smallestCos = 2;
  Vec worst[2] = {};
  const std::size_t triangles = mesh.triangles.size() / 3;
  for (std::size_t t = 0; t < triangles; ++t) {
    const std::uint32_t* corner = &mesh.triangles[3 * t];
    const double h = handedness(corner[0]);
    if (handedness(corner[1]) != h || handedness(corner[2]) != h) {
      ++mixed;
      continue;
    }
    if (TextureHandedness(mesh, t) == 0) continue;
    for (int k = 0; k < 3; ++k) {
      const MeshVertex& m = mesh.vertices[corner[k]];
      const Vec n = V(m.normal), written = V(part.fileTangents[corner[k]].xyz);
      const Vec across = Sub(written, Scale(n, Dot(written, n)));
      const double length = Length(across);
      if (!(length > 0) || !std::isfinite(length)) continue;
      // MikkTSpace's tangents are unit length.
      const float* frame = &mikk[4 * (3 * t + k)];
      const Vec mikkTangent = {frame[0], frame[1], frame[2]};
      const double cosine = Dot(across, mikkTangent) / length;
      ++c.corners;
      c.overOneDegree += cosine < differCos;
      if (cosine < smallestCos) {
        smallestCos = cosine;
        worst[0] = across, worst[1] = mikkTangent;
      }
      c.handednessDiffers += (frame[3] < 0) != (h < 0);
    }
  }
  if (c.corners) c.largestDegrees = AngleDegrees(worst[0], worst[1]);
  const std::string where = PartName(part);
  if (mixed)
    findings->push_back(
        Make("mixed-handedness", Severity::Warning, where,
             FormatText(
                 "%ld of %zu triangles (%.2f%%) have corners of both handednesses (w +1 and -1): "
                 "the tangent frame inside them is undefined in glTF; split the vertices where the "
                 "texture is mirrored",
                 mixed, triangles, Percent(double(mixed) / triangles)),
             {{"triangles", double(mixed)}, {"share", double(mixed) / triangles}}));
  const double share = c.corners ? double(c.overOneDegree) / c.corners : 0;
  if (c.handednessDiffers || share >= DifferShare)
    findings->push_back(
        Make("tangents-differ", Severity::Warning, where,
             FormatText(
                 "the file's tangents are not MikkTSpace's: of %ld corners, %ld have the other "
                 "handedness and %.1f%% point more than %.0f degree apart (the largest %.1f "
                 "degrees); a map baked for MikkTSpace's frames (as most bakers do) is lit wrongly "
                 "through them",
                 c.corners, c.handednessDiffers, Percent(share), DifferDegrees, c.largestDegrees),
             {{"corners", double(c.corners)},
              {"over_1deg", share},
              {"largest_deg", c.largestDegrees},
              {"handedness_differs", double(c.handednessDiffers)}}));
  total->corners += c.corners;
  total->overOneDegree += c.overOneDegree;
  total->largestDegrees = std::max(total->largestDegrees, c.largestDegrees);
  total->handednessDiffers += c.handednessDiffers;
}

void CountMirrored(const ModelPart& part, std::vector<Finding>* findings) {
  const std::size_t triangles = part.mesh.triangles.size() / 3;
  long mirrored = 0;
  for (std::size_t t = 0; t < triangles; ++t) mirrored += TextureHandedness(part.mesh, t) < 0;
  if (mirrored == 0) return;
  const double share = double(mirrored) / triangles;
  findings->push_back(
      Make("mirrored-uv", Severity::Info, PartName(part),
           FormatText("%ld of %zu triangles (%.1f%%) have their texture mirrored (left-handed "
                      "frames, w = -1): a map baked for MikkTSpace's frames serves them; tangents "
                      "made another way may light them the wrong way round",
                      mirrored, triangles, Percent(share)),
           {{"triangles", double(mirrored)}, {"share", share}}));
}

// --- Seams ---

// One side of a seam: a part's two corners (3 t + k) at the edge's ends, in the order the
// other side's are.
struct SeamSide {
  std::uint32_t part;
  std::uint32_t corner[2];
};
struct Seam {
  SeamSide side[2];
};

// An edge of a triangle whose two ends sit at shared positions: key is the two position
// numbers, smaller first; corner is where the edge starts, numbered across the parts.
struct Edge {
  std::uint64_t key;
  std::uint32_t corner;
  std::uint32_t part;
};

std::uint32_t Bits(float value) {
  std::uint32_t bits;
  if (value == 0) value = 0;  // -0 is +0
  std::memcpy(&bits, &value, 4);
  return bits;
}

// A number per distinct position over every part's vertices (vertex v of part p is
// base[p] + v), and whether more than one vertex sits at it. Open addressing, no rehash:
// the table is made twice as large as the vertices.
void NumberPositions(const LoadedModel& model, const std::vector<std::size_t>& base,
                     std::vector<std::uint32_t>* ids, std::vector<std::uint8_t>* shared) {
  const std::size_t total = base.back();
  std::size_t size = 16;
  while (size < 2 * total) size *= 2;
  std::vector<std::uint32_t> slot(size, 0xFFFFFFFFu);  // the first vertex at a position
  std::vector<const Vector3*> position(total);
  ids->resize(total);
  shared->clear();
  for (std::size_t p = 0; p < model.parts.size(); ++p)
    for (std::size_t v = 0; v < model.parts[p].mesh.vertices.size(); ++v) {
      const std::size_t g = base[p] + v;
      const Vector3& at = model.parts[p].mesh.vertices[v].position;
      position[g] = &at;
      const std::uint32_t x = Bits(at.x), y = Bits(at.y), z = Bits(at.z);
      std::uint64_t hash =
          (x * 0x9E3779B97F4A7C15ull) ^ (y * 0xC2B2AE3D27D4EB4Full) ^ (z * 0x165667B19E3779F9ull);
      hash ^= hash >> 29;
      for (std::size_t i = hash & (size - 1);; i = (i + 1) & (size - 1)) {
        if (slot[i] == 0xFFFFFFFFu) {
          slot[i] = static_cast<std::uint32_t>(g);
          (*ids)[g] = static_cast<std::uint32_t>(shared->size());
          shared->push_back(0);
          break;
        }
        const Vector3& other = *position[slot[i]];
        if (Bits(other.x) == x && Bits(other.y) == y && Bits(other.z) == z) {
          (*ids)[g] = (*ids)[slot[i]];
          (*shared)[(*ids)[g]] = 1;
          break;
        }
      }
    }
}

// The seams of the model, by the normal image both sides show (seams between two images
// are left out).
std::vector<std::vector<Seam>> FindSeams(const LoadedModel& model) {
  std::vector<std::vector<Seam>> seams(model.images.size());
  std::vector<std::size_t> vertexBase = {0}, cornerBase = {0};
  for (const ModelPart& part : model.parts) {
    vertexBase.push_back(vertexBase.back() + part.mesh.vertices.size());
    cornerBase.push_back(cornerBase.back() + part.mesh.triangles.size());
  }
  std::vector<std::uint32_t> ids;
  std::vector<std::uint8_t> shared;
  NumberPositions(model, vertexBase, &ids, &shared);

  std::vector<Edge> edges;
  for (std::uint32_t p = 0; p < model.parts.size(); ++p) {
    const ModelPart& part = model.parts[p];
    if (part.normalImage < 0) continue;
    const std::vector<std::uint32_t>& triangles = part.mesh.triangles;
    for (std::size_t c = 0; c < triangles.size(); ++c) {
      const std::size_t next = c % 3 == 2 ? c - 2 : c + 1;
      const std::uint32_t a = ids[vertexBase[p] + triangles[c]];
      const std::uint32_t b = ids[vertexBase[p] + triangles[next]];
      if (a == b || !shared[a] || !shared[b]) continue;
      edges.push_back({std::uint64_t(std::min(a, b)) << 32 | std::max(a, b),
                       static_cast<std::uint32_t>(cornerBase[p] + c), p});
    }
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.key < b.key; });

  const double normalCos = std::cos(SeamNormalDegrees / DegreesPerRadian);
  for (std::size_t i = 0; i < edges.size();) {
    std::size_t j = i + 1;
    while (j < edges.size() && edges[j].key == edges[i].key) ++j;
    const bool pair = j - i == 2;
    const std::size_t first = i;
    i = j;
    if (!pair) continue;  // an open edge, or more than two triangles at it
    Seam seam;
    const MeshVertex* ends[2][2];
    std::uint32_t vertices[2][2];
    int handedness[2];
    for (int s = 0; s < 2; ++s) {
      const Edge& e = edges[first + s];
      const Mesh& mesh = model.parts[e.part].mesh;
      const std::uint32_t c = static_cast<std::uint32_t>(e.corner - cornerBase[e.part]);
      const std::uint32_t next = c % 3 == 2 ? c - 2 : c + 1;
      seam.side[s] = {e.part, {c, next}};
      handedness[s] = TextureHandedness(mesh, c / 3);
    }
    // The second side's ends in the order of the first's.
    const std::uint32_t startId =
        ids[vertexBase[seam.side[0].part] +
            model.parts[seam.side[0].part].mesh.triangles[seam.side[0].corner[0]]];
    if (ids[vertexBase[seam.side[1].part] +
            model.parts[seam.side[1].part].mesh.triangles[seam.side[1].corner[0]]] != startId)
      std::swap(seam.side[1].corner[0], seam.side[1].corner[1]);
    for (int s = 0; s < 2; ++s) {
      const Mesh& mesh = model.parts[seam.side[s].part].mesh;
      for (int k = 0; k < 2; ++k) {
        vertices[s][k] = mesh.triangles[seam.side[s].corner[k]];
        ends[s][k] = &mesh.vertices[vertices[s][k]];
      }
    }
    const int image = model.parts[seam.side[0].part].normalImage;
    if (image != model.parts[seam.side[1].part].normalImage || handedness[0] == 0 ||
        handedness[1] == 0)
      continue;
    if (seam.side[0].part == seam.side[1].part && vertices[0][0] == vertices[1][0] &&
        vertices[0][1] == vertices[1][1])
      continue;  // one vertex at each end: no seam
    bool smooth = true, apart = handedness[0] != handedness[1];
    for (int k = 0; k < 2; ++k) {
      smooth = smooth && Dot(V(ends[0][k]->normal), V(ends[1][k]->normal)) >= normalCos;
      apart = apart || std::fabs(ends[0][k]->texCoord.s - ends[1][k]->texCoord.s) > SeamGap ||
              std::fabs(ends[0][k]->texCoord.t - ends[1][k]->texCoord.t) > SeamGap;
    }
    if (smooth && apart) seams[image].push_back(seam);
  }
  return seams;
}

// The map's vector at (s, t), filtered linearly between texels and repeating, as the
// renderers sample it.
Vec SampleMap(const TextureImage& map, double s, double t) {
  const double x = s * map.width - 0.5, y = t * map.height - 0.5;
  const double fx = std::floor(x), fy = std::floor(y);
  const double ax = x - fx, ay = y - fy;
  auto wrap = [](double i, int size) {
    const long n = static_cast<long>(std::fmod(i, size));
    return n < 0 ? n + size : n;
  };
  const long x0 = wrap(fx, map.width), x1 = (x0 + 1) % map.width;
  const long y0 = wrap(fy, map.height), y1 = (y0 + 1) % map.height;
  auto texel = [&](long i, long j) {
    const std::uint8_t* p = &map.pixels[3 * (static_cast<std::size_t>(j) * map.width + i)];
    return Vec{(p[0] - 127.5) / 127.5, (p[1] - 127.5) / 127.5, (p[2] - 127.5) / 127.5};
  };
  return Lerp(Lerp(texel(x0, y0), texel(x1, y0), ax), Lerp(texel(x0, y1), texel(x1, y1), ax), ay);
}

// Candidate frames: the one the program uses (the file's tangents where a part has them,
// else MikkTSpace's) and MikkTSpace's; green up the picture or down it.
enum { ProgramFrame, MikkFrame };
enum { GreenUp, GreenDown };

struct Frame {
  Vec t, b, n;
};

Frame FrameAt(const ModelPart& part, const std::vector<float>& mikk, std::uint32_t corner,
              int which) {
  const MeshVertex& m = part.mesh.vertices[part.mesh.triangles[corner]];
  Frame f = {V(m.tangent), V(m.bitangent), V(m.normal)};
  if (which == MikkFrame && !mikk.empty()) {
    const float* frame = &mikk[4 * corner];
    f.t = {frame[0], frame[1], frame[2]};
    f.b = Scale(Cross(f.n, f.t), frame[3]);
  }
  return f;
}

// What the seams of one normal map measure: the mean angle between the directions the two
// sides give, for each candidate.
struct SeamFit {
  long edges = 0, samples = 0;
  double mismatch[2][2] = {};           // [frame][green], summed in degrees, then the mean
  double tilt = 0;                      // the map's mean angle from +z at the samples, degrees
  bool fileTangents = false;            // a part with the file's tangents is at a seam
  long corners = 0, cornersDiffer = 0;  // seam corners, and where the two frames differ
};

SeamFit MeasureSeams(const LoadedModel& model, const TextureImage& map,
                     const std::vector<Seam>& seams, const std::vector<std::vector<float>>& mikk) {
  SeamFit fit;
  fit.edges = static_cast<long>(seams.size());
  if (map.width <= 0 || map.height <= 0) return fit;
  for (const Seam& seam : seams) {
    Frame frames[2][2][2];  // [side][end][frame]
    TexCoord2 ends[2][2];
    double texels = 0;
    for (int s = 0; s < 2; ++s) {
      const SeamSide& side = seam.side[s];
      const ModelPart& part = model.parts[side.part];
      fit.fileTangents = fit.fileTangents || part.tangentsFromFile;
      for (int k = 0; k < 2; ++k) {
        ends[s][k] = part.mesh.vertices[part.mesh.triangles[side.corner[k]]].texCoord;
        for (int f = 0; f < 2; ++f)
          frames[s][k][f] = FrameAt(part, mikk[side.part], side.corner[k], f);
        ++fit.corners;
        const Frame& a = frames[s][k][ProgramFrame];
        const Frame& b = frames[s][k][MikkFrame];
        fit.cornersDiffer += AngleDegrees(a.t, b.t) > DifferDegrees || Dot(a.b, b.b) < 0;
      }
      texels = std::max(texels, std::hypot((double(ends[s][1].s) - ends[s][0].s) * map.width,
                                           (double(ends[s][1].t) - ends[s][0].t) * map.height));
    }
    const int count = std::clamp(static_cast<int>(std::ceil(texels)), 1, MaxEdgeSamples);
    for (int i = 0; i < count; ++i) {
      const double k = (i + 0.5) / count;
      Vec directions[2][2][2];  // [side][frame][green]
      for (int s = 0; s < 2; ++s) {
        const Vec n = SampleMap(map, ends[s][0].s + k * (ends[s][1].s - ends[s][0].s),
                                ends[s][0].t + k * (ends[s][1].t - ends[s][0].t));
        fit.tilt += AngleDegrees(n, {0, 0, 1}) / 2;
        for (int f = 0; f < 2; ++f) {
          const Vec t = Lerp(frames[s][0][f].t, frames[s][1][f].t, k);
          const Vec b = Lerp(frames[s][0][f].b, frames[s][1][f].b, k);
          const Vec normal = Lerp(frames[s][0][f].n, frames[s][1][f].n, k);
          const Vec across = Add(Scale(t, n.x), Scale(normal, n.z));
          directions[s][f][GreenUp] = Add(across, Scale(b, n.y));
          directions[s][f][GreenDown] = Sub(across, Scale(b, n.y));
        }
      }
      // A frame of values that are not finite meets nothing.
      for (int f = 0; f < 2; ++f)
        for (int g = 0; g < 2; ++g) {
          const double angle = AngleDegrees(directions[0][f][g], directions[1][f][g]);
          fit.mismatch[f][g] += std::isfinite(angle) ? angle : 180;
        }
      ++fit.samples;
    }
  }
  if (fit.samples) {
    for (auto& frame : fit.mismatch)
      for (double& m : frame) m /= fit.samples;
    fit.tilt /= fit.samples;
  }
  return fit;
}

// A frame and a green convention; frame is the one it is named as, measured the frame whose
// figures it has (they differ when the file's tangents are MikkTSpace's).
struct Candidate {
  int frame, measured, green;
  double mismatch;
};

// The verdict on which frame the map was baked for, from the seams' figures. Adds
// baked-frame or baked-frame-unknown, and green-down when green points down; returns
// whether the seams told which way green points.
bool JudgeFrame(const SeamFit& fit, const std::string& where, std::vector<Finding>* findings) {
  // The file's tangents stand apart only where they differ from MikkTSpace's at the seams.
  const bool twoFrames =
      fit.fileTangents && fit.cornersDiffer > DifferShare * static_cast<double>(fit.corners);
  const char* names[2] = {!fit.fileTangents ? "MikkTSpace's frames"
                          : twoFrames
                              ? "the file's tangents"
                              : "the file's tangents (MikkTSpace's, as near as the seams tell)",
                          "MikkTSpace's frames"};
  std::vector<Figure> figures = {{"seam_edges", double(fit.edges)},
                                 {"samples", double(fit.samples)},
                                 {"relief_deg", fit.tilt}};
  if (fit.fileTangents) {
    figures.push_back({"file_green_up_deg", fit.mismatch[ProgramFrame][GreenUp]});
    figures.push_back({"file_green_down_deg", fit.mismatch[ProgramFrame][GreenDown]});
  }
  figures.push_back({"mikktspace_green_up_deg", fit.mismatch[MikkFrame][GreenUp]});
  figures.push_back({"mikktspace_green_down_deg", fit.mismatch[MikkFrame][GreenDown]});

  if (fit.samples < MinSeamSamples) {
    findings->push_back(Make(
        "baked-frame-unknown", Severity::Info, where,
        fit.edges == 0
            ? std::string("could not tell which tangent frame the map was baked for: the model "
                          "has no seams (edges where the texture is cut but the surface and its "
                          "normals run on)")
            : FormatText("could not tell which tangent frame the map was baked for: %ld seam edges "
                         "give %ld samples, fewer than the %ld needed",
                         fit.edges, fit.samples, MinSeamSamples),
        figures));
    return false;
  }
  if (fit.tilt < MinReliefDegrees) {
    findings->push_back(
        Make("baked-frame-unknown", Severity::Info, where,
             FormatText(
                 "could not tell which tangent frame the map was baked for: it is nearly flat "
                 "along the %ld seam edges (mean tilt %.2f degrees), and any frame fits a flat map",
                 fit.edges, fit.tilt),
             figures));
    return false;
  }
  std::vector<Candidate> candidates;
  // Without two frames, the one frame is named as the program's.
  for (int f = twoFrames ? ProgramFrame : MikkFrame; f <= MikkFrame; ++f)
    for (int g : {GreenUp, GreenDown})
      candidates.push_back({twoFrames ? f : ProgramFrame, f, g, fit.mismatch[f][g]});
  std::sort(candidates.begin(), candidates.end(),
            [](const Candidate& a, const Candidate& b) { return a.mismatch < b.mismatch; });
  const Candidate& best = candidates[0];
  std::vector<Candidate> fitting;
  for (const Candidate& c : candidates)
    if (c.mismatch < FitRatio * best.mismatch || c.mismatch < best.mismatch + FitGapDegrees)
      fitting.push_back(c);
  auto name = [&](const Candidate& c) {
    return FormatText("%s with green %s (%.2f degrees)", names[c.frame],
                      c.green == GreenUp ? "up" : "down", c.mismatch);
  };
  bool greenDown = true, greenKnown = true;
  for (const Candidate& c : fitting) {
    greenDown = greenDown && c.green == GreenDown;
    greenKnown = greenKnown && c.green == fitting[0].green;
  }
  if (best.mismatch > FitOfRelief * fit.tilt) {
    findings->push_back(
        Make("baked-frame-unknown", Severity::Info, where,
             FormatText(
                 "could not tell which tangent frame the map was baked for: across %ld seam edges "
                 "none of the frames tried fits (the best, %s, is off by more than half the map's "
                 "mean tilt at the seams, %.1f degrees); the map was baked for frames of "
                 "another kind, or is not continuous across the seams",
                 fit.edges, name(best).c_str(), fit.tilt),
             figures));
    return false;
  }
  if (fitting.size() == 1) {
    const bool programs = best.frame == ProgramFrame && best.green == GreenUp;
    if (fit.fileTangents)
      figures.push_back({"fits_file_tangents", best.frame == ProgramFrame ? 1.0 : 0.0});
    figures.push_back({"fits_mikktspace", !twoFrames || best.frame == MikkFrame ? 1.0 : 0.0});
    figures.push_back({"green_up", best.green == GreenUp ? 1.0 : 0.0});
    std::string message = FormatText(
        "the map was baked for %s: across %ld seam edges the two sides meet best through "
        "them, next best %s (mean tilt of the map at the seams %.1f degrees)",
        name(best).c_str(), fit.edges, name(candidates[1]).c_str(), fit.tilt);
    if (best.frame != ProgramFrame)
      message +=
          "; the program lights it through the file's tangents: remove TANGENT from the file "
          "so that MikkTSpace's are used, or rebake the map for the file's tangents";
    else if (best.green == GreenDown)
      message += "; the program reads green up";
    findings->push_back(Make("baked-frame", programs ? Severity::Info : Severity::Warning, where,
                             message, figures));
  } else {
    std::string list;
    for (std::size_t i = 0; i < fitting.size(); ++i)
      list += (i == 0 ? "" : i + 1 == fitting.size() ? " and " : ", ") + name(fitting[i]);
    findings->push_back(
        Make("baked-frame-unknown", Severity::Info, where,
             FormatText(
                 "could not tell which tangent frame the map was baked for: across %ld seam edges "
                 "%s fit about as well (mean tilt of the map at the seams %.1f degrees)",
                 fit.edges, list.c_str(), fit.tilt),
             figures));
  }
  if (greenDown) {
    const double up = fit.mismatch[best.measured][GreenUp];
    findings->push_back(Make(
        "green-down", Severity::Warning, where,
        FormatText("green points down: across the seams the map fits green down (%.2f degrees) "
                   "and not up (%.2f) through %s: invert its green channel",
                   best.mismatch, up, names[best.frame]),
        {{"green_down_deg", best.mismatch}, {"green_up_deg", up}}));
  }
  return greenKnown;
}

}  // namespace

ModelCheck CheckModelInDetail(const LoadedModel& model) {
  ModelCheck check;
  std::vector<std::vector<float>> mikk(model.parts.size());
  for (std::size_t p = 0; p < model.parts.size(); ++p) {
    const ModelPart& part = model.parts[p];
    if (part.tangentsFromFile) {
      check.fileTangents = true;
      CheckTangentValues(part, &check.findings);
      mikk[p] = MikkFrames(part.mesh);
      CompareTangents(part, mikk[p], &check.findings, &check.tangents);
    } else if (part.normalImage >= 0) {
      check.findings.push_back(
          Make("tangents-generated", Severity::Info, PartName(part),
               "the part has a normal texture and no tangents: MikkTSpace made them, as glTF asks "
               "(a map baked for MikkTSpace's frames fits them)",
               {}));
    }
    CountMirrored(part, &check.findings);
  }
  const std::vector<std::vector<Seam>> seams = FindSeams(model);
  for (std::size_t i = 0; i < model.images.size(); ++i) {
    const ModelPart* user = nullptr;
    for (const ModelPart& part : model.parts)
      if (part.normalImage == static_cast<int>(i)) {
        user = &part;
        break;
      }
    if (!user) continue;  // a colour image
    const std::string where = "normal texture of " + PartName(*user);
    std::vector<Finding> frame;
    const bool greenKnown =
        JudgeFrame(MeasureSeams(model, model.images[i], seams[i], mikk), where, &frame);
    // The seams, where they tell, decide green over the map's own curl.
    for (Finding& finding : CheckNormalMapImage(model.images[i])) {
      if (greenKnown && (finding.code == "green-down" || finding.code == "green-unknown")) continue;
      finding.where = where;
      check.findings.push_back(std::move(finding));
    }
    check.findings.insert(check.findings.end(), frame.begin(), frame.end());
  }
  return check;
}

std::vector<Finding> CheckModel(const LoadedModel& model) {
  return CheckModelInDetail(model).findings;
}
