// MikkTSpace tangent frames (Mikkelsen 2008), made the way the reference generator makes them
// so that a normal map baked under its frames reads back right here. The steps and their
// float arithmetic follow the reference's documented behaviour, to the last bit on the
// meshes of the tests; the bookkeeping is this file's own: equal vertices welded by hashing,
// shared edges found by one counting sort, each corner's fan walked with an explicit stack.
// Time and memory grow linearly with the corners (only a fan whose frames spread round more
// than half a turn has its members compared pairwise).
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tangents/tangents.h"

namespace {

// Triangle flags.
constexpr std::uint8_t Degenerate = 1;        // two corners at one position
constexpr std::uint8_t GroupWithAny = 2;      // no usable texture gradient: joins any fan
constexpr std::uint8_t OrientPreserving = 4;  // texture space keeps the surface's handedness
constexpr std::uint8_t InFan = 8;             // InFan << k: corner k is in a fan
constexpr std::uint8_t AnyInFan = InFan * 7;

constexpr std::int32_t None = -1;

// The cosine below which two frames of one fan are kept apart: the reference's default angle
// of 180 degrees, so only frames that point exactly opposite ways are split.
constexpr float SplitCosine = -1.0f;

struct Vec3 {
  float x, y, z;
};

// The state of one call: flat arrays indexed by triangle (t), corner (3 t + k) or welded
// vertex, allocated once.
struct Work {
  const TangentMesh* mesh = nullptr;
  TangentFrames* out = nullptr;
  std::vector<std::uint32_t> vertexOf;  // per corner: the first vertex equal to its own
  std::vector<std::uint8_t> flags;      // per triangle
  std::vector<std::int32_t> neighbour;  // per corner k: the triangle across edge k, k + 1
  // Scratch space that one step leaves to the next, so that the pages are touched once: at
  // least 2 per vertex (the weld's hash table, then the edges' bucket starts) and one per
  // vertex (each vertex's first equal one, then each vertex's first good corner).
  std::vector<std::uint32_t> scratch;
  std::vector<std::uint32_t> vertexScratch;
};

// One triangle of a fan being evaluated, with what its frame contributes.
struct FanMember {
  std::uint32_t triangle;
  std::uint32_t corner;  // 0, 1 or 2
  bool any;              // GroupWithAny: shares a frame with every member
  Vec3 s;                // unit direction of increasing s in the plane of the fan's normal
  Vec3 tInPlane;         // direction of increasing t in that plane, before normalising
  Vec3 t;                // ... normalised, worked out only when the fan needs it
  Vec3 weighted;         // s times the corner's angle (zero for a GroupWithAny triangle)
};

// Scratch space for the fans, reused from one fan to the next.
struct FanScratch {
  std::vector<std::uint32_t> corners;  // the fan's corners, in the order they were reached
  std::vector<std::int32_t> stack;     // triangles still to visit
  std::vector<FanMember> members;      // the fan's members, by triangle
  std::vector<std::uint32_t> sharing;  // the members one member shares a frame with
};

// The small vector operations are inline: called instead, with the vectors passed through
// registers piece by piece, they made the fans take twice as long (GCC 12, -O2).
inline Vec3 Add(Vec3 a, Vec3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 Sub(Vec3 a, Vec3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 Scale(float k, Vec3 v) {
  return {k * v.x, k * v.y, k * v.z};
}
inline float Dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline float Length(Vec3 v) {
  return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}
inline bool NotZero(float v) {
  return std::fabs(v) > FLT_MIN;
}
inline bool NotZero(Vec3 v) {
  return NotZero(v.x) || NotZero(v.y) || NotZero(v.z);
}
inline bool SameVec3(Vec3 a, Vec3 b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

// v scaled to unit length, or v itself when it is (nearly) zero.
inline Vec3 Normalized(Vec3 v) {
  return NotZero(v) ? Scale(1.0f / Length(v), v) : v;
}

// v without its component along the unit normal n, then normalised.
inline Vec3 InPlane(Vec3 v, Vec3 n) {
  return Normalized(Sub(v, Scale(Dot(n, v), n)));
}

inline Vec3 Position(const Work& w, std::uint32_t vertex) {
  const float* p = w.mesh->positions + 3 * std::size_t{vertex};
  return {p[0], p[1], p[2]};
}
inline Vec3 Normal(const Work& w, std::uint32_t vertex) {
  const float* n = w.mesh->normals + 3 * std::size_t{vertex};
  return {n[0], n[1], n[2]};
}

std::size_t NextCorner(std::size_t c) {
  return c % 3 == 2 ? c - 2 : c + 1;
}
std::size_t PreviousCorner(std::size_t c) {
  return c % 3 == 0 ? c + 2 : c - 1;
}

// The bits of a float with -0 taken as +0, which compares equal to it.
std::uint32_t HashBits(float v) {
  std::uint32_t bits = 0;
  if (v != 0.0f) std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

// Vertices equal in position, normal and texture coordinate are one vertex to the
// reference, whatever their indices: each vertex maps to the first one equal to it, found
// through an open-addressed hash table of the 8 floats. Then each corner's vertex.
void WeldVertices(Work& w) {
  const TangentMesh& m = *w.mesh;
  const std::size_t vertexCount = m.vertexCount;
  std::size_t tableSize = 16;
  while (tableSize < 2 * vertexCount) tableSize *= 2;
  constexpr std::uint32_t Empty = UINT32_MAX;
  std::vector<std::uint32_t>& table = w.scratch;
  std::vector<std::uint32_t>& first = w.vertexScratch;
  table.assign(tableSize, Empty);
  first.resize(vertexCount);
  auto attributes = [&m](std::size_t v, float a[8]) {
    std::memcpy(a, m.positions + 3 * v, 3 * sizeof(float));
    std::memcpy(a + 3, m.normals + 3 * v, 3 * sizeof(float));
    std::memcpy(a + 6, m.texCoords + 2 * v, 2 * sizeof(float));
  };
  for (std::size_t v = 0; v < vertexCount; ++v) {
    float a[8];
    attributes(v, a);
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (float f : a) h = (h ^ HashBits(f)) * 0xFF51AFD7ED558CCDull;
    std::size_t slot = static_cast<std::size_t>(h ^ (h >> 29)) & (tableSize - 1);
    first[v] = static_cast<std::uint32_t>(v);
    for (;; slot = (slot + 1) & (tableSize - 1)) {
      if (table[slot] == Empty) {
        table[slot] = static_cast<std::uint32_t>(v);
        break;
      }
      float b[8];
      attributes(table[slot], b);
      bool equal = true;
      for (int i = 0; i < 8 && equal; ++i) equal = a[i] == b[i];
      if (equal) {
        first[v] = table[slot];
        break;
      }
    }
  }
  const std::size_t corners = 3 * m.triangleCount;
  w.vertexOf.resize(corners);
  for (std::size_t c = 0; c < corners; ++c) w.vertexOf[c] = first[m.indices[c]];
}

// A triangle: degenerate or not, the unit directions of increasing s and t along it, its
// handedness, and whether its texture gradient is too small to use. The unscaled directions
// carry the sign of the texture area; the sign is taken out with the length. Worked out
// again wherever a fan needs the directions, rather than kept: 24 bytes a triangle fewer
// while the fans are made.
struct TriangleFrame {
  Vec3 s = {0, 0, 0}, t = {0, 0, 0};
  std::uint8_t flags = 0;
};

inline TriangleFrame TriangleFrameOf(const Work& w, std::size_t f) {
  const TangentMesh& m = *w.mesh;
  TriangleFrame frame;
  const std::uint32_t* v = &w.vertexOf[3 * f];
  const Vec3 p1 = Position(w, v[0]), p2 = Position(w, v[1]), p3 = Position(w, v[2]);
  if (SameVec3(p1, p2) || SameVec3(p1, p3) || SameVec3(p2, p3)) {
    frame.flags = Degenerate;
    return frame;
  }
  const float* t1 = m.texCoords + 2 * std::size_t{v[0]};
  const float* t2 = m.texCoords + 2 * std::size_t{v[1]};
  const float* t3 = m.texCoords + 2 * std::size_t{v[2]};
  const float t21x = t2[0] - t1[0], t21y = t2[1] - t1[1];
  const float t31x = t3[0] - t1[0], t31y = t3[1] - t1[1];
  const Vec3 d1 = Sub(p2, p1), d2 = Sub(p3, p1);
  const float signedArea = t21x * t31y - t21y * t31x;
  const Vec3 s = Sub(Scale(t31y, d1), Scale(t21y, d2));
  const Vec3 t = Add(Scale(-t31x, d1), Scale(t21x, d2));
  frame.flags = GroupWithAny;
  if (signedArea > 0) frame.flags |= OrientPreserving;
  if (NotZero(signedArea)) {
    const float area = std::fabs(signedArea);
    const float lengthS = Length(s), lengthT = Length(t);
    const float sign = signedArea > 0 ? 1.0f : -1.0f;
    if (NotZero(lengthS)) frame.s = Scale(sign / lengthS, s);
    if (NotZero(lengthT)) frame.t = Scale(sign / lengthT, t);
    if (NotZero(lengthS / area) && NotZero(lengthT / area)) frame.flags &= ~GroupWithAny;
  }
  return frame;
}

void SetUpTriangles(Work& w) {
  const std::size_t count = w.mesh->triangleCount;
  w.flags.resize(count);
  for (std::size_t f = 0; f < count; ++f) w.flags[f] = TriangleFrameOf(w, f).flags;
}

// Pairs the triangles across each shared edge of welded vertices. The edges of the
// non-degenerate triangles are bucketed by their lower vertex with a stable counting sort,
// so that each bucket lists its edges by triangle; there each edge not yet paired takes
// the first later one to the same higher vertex that runs the other way and is not yet
// paired (what the reference does where more than two triangles share an edge). A bucket
// holds about as many edges as its vertex has triangles; a large one is sorted by the
// higher vertex first, to stay clear of quadratic time. An edge is its first corner, with
// Forward set when it runs from the lower vertex to the higher.
constexpr std::uint32_t Forward = 0x80000000u;

void PairEdges(Work& w, std::uint32_t* edge, std::size_t count) {
  const std::uint32_t* v = w.vertexOf.data();
  auto high = [v](std::uint32_t e) {
    e &= ~Forward;
    return std::max(v[e], v[NextCorner(e)]);
  };
  auto unpaired = [&w](std::uint32_t e) { return w.neighbour[e & ~Forward] == None; };
  auto pair = [&w](std::uint32_t a, std::uint32_t b) {
    a &= ~Forward, b &= ~Forward;
    w.neighbour[a] = static_cast<std::int32_t>(b / 3);
    w.neighbour[b] = static_cast<std::int32_t>(a / 3);
  };
  if (count <= 32) {
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t a = edge[i];
      if (!unpaired(a)) continue;
      const std::uint32_t to = high(a);
      for (std::size_t j = i + 1; j < count; ++j) {
        const std::uint32_t b = edge[j];
        if (((a ^ b) & Forward) && high(b) == to && unpaired(b)) {
          pair(a, b);
          break;
        }
      }
    }
    return;
  }
  std::stable_sort(edge, edge + count,
                   [&high](std::uint32_t a, std::uint32_t b) { return high(a) < high(b); });
  for (std::size_t run = 0, end = 0; run < count; run = end) {
    const std::uint32_t to = high(edge[run]);
    end = run + 1;
    while (end < count && high(edge[end]) == to) ++end;
    // next[d]: where the next unpaired edge running forward (d = 1) or back may be; every
    // edge of that direction between the one being paired and it is paired already.
    std::size_t next[2] = {run, run};
    for (std::size_t i = run; i < end; ++i) {
      const std::uint32_t a = edge[i];
      if (!unpaired(a)) continue;
      const std::uint32_t wanted = (a & Forward) ^ Forward;
      std::size_t& j = next[wanted ? 1 : 0];
      j = std::max(j, i + 1);
      while (j < end && (edge[j] & Forward) != wanted) ++j;
      if (j < end) pair(a, edge[j++]);
    }
  }
}

void FindNeighbours(Work& w) {
  const std::size_t count = w.mesh->triangleCount;
  const std::uint32_t* v = w.vertexOf.data();
  w.neighbour.assign(3 * count, None);
  std::vector<std::uint32_t>& start = w.scratch;
  start.assign(w.mesh->vertexCount + 1, 0);
  for (std::size_t f = 0; f < count; ++f) {
    if (w.flags[f] & Degenerate) continue;
    const std::uint32_t* c = v + 3 * f;
    ++start[std::min(c[0], c[1]) + 1];
    ++start[std::min(c[1], c[2]) + 1];
    ++start[std::min(c[2], c[0]) + 1];
  }
  for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
  std::vector<std::uint32_t> edges(start.back());
  for (std::size_t f = 0; f < count; ++f) {
    if (w.flags[f] & Degenerate) continue;
    for (std::uint32_t k = 0; k < 3; ++k) {
      const std::uint32_t a = v[3 * f + k], b = v[3 * f + (k == 2 ? 0 : k + 1)];
      const auto corner = static_cast<std::uint32_t>(3 * f + k);
      edges[start[std::min(a, b)]++] = a < b ? corner | Forward : corner;
    }
  }
  // Each bucket now ends where the next begins.
  for (std::size_t bucket = 0, begin = 0; bucket + 1 < start.size(); begin = start[bucket++])
    if (start[bucket] - begin > 1) PairEdges(w, edges.data() + begin, start[bucket] - begin);
}

// Whether two members of a fan share a frame: always when one has no texture gradient,
// otherwise unless their s or t directions point exactly opposite ways.
bool ShareFrame(const FanMember& a, const FanMember& b) {
  if (a.any || b.any || a.triangle == b.triangle) return true;
  return Dot(a.s, b.s) > SplitCosine && Dot(a.t, b.t) > SplitCosine;
}

// Whether u lies more than 0.01 (as a cosine) along m, mm being m's squared length; false
// for a zero, tiny, huge or not finite u, whose test then falls to the exact one.
inline bool WithinCone(Vec3 u, Vec3 m, float mm) {
  const float along = Dot(u, m);
  return along > 0 && along * along > 1e-4f * Dot(u, u) * mm;
}

// Whether every pair of the fan's members shares a frame, known without comparing every
// pair: two directions that both lie more than 0.01 along the fan's summed direction are
// far from the 0.0011 of exactly opposite that their unit vectors' float dot product needs
// to reach -1. A member outside that cone is compared with every other, exactly. Fills in
// each member's normalised t.
bool AllShareFrame(FanMember* fan, std::size_t count) {
  Vec3 sumS = {0, 0, 0}, sumT = {0, 0, 0};
  for (std::size_t i = 0; i < count; ++i) {
    if (fan[i].any) continue;
    sumS = Add(sumS, fan[i].s);
    sumT = Add(sumT, fan[i].tInPlane);
  }
  const float ss = Dot(sumS, sumS), tt = Dot(sumT, sumT);
  auto inCone = [&](const FanMember& m) {
    return m.any || (WithinCone(m.s, sumS, ss) && WithinCone(m.tInPlane, sumT, tt));
  };
  if (std::all_of(fan, fan + count, inCone)) return true;
  for (std::size_t i = 0; i < count; ++i) fan[i].t = Normalized(fan[i].tInPlane);
  for (std::size_t i = 0; i < count; ++i) {
    if (inCone(fan[i])) continue;
    for (std::size_t j = 0; j < count; ++j)
      if (!ShareFrame(fan[i], fan[j])) return false;
  }
  return true;
}

// The corners of one fan: the triangles around one welded vertex, of one handedness,
// reached across shared edges from the first one (whose corner is fanCorner). Walked depth
// first, the edge after the corner before the edge before it, as the reference recurses: a
// GroupWithAny triangle takes the handedness of the first fan that reaches it.
void CollectFan(Work& w, std::size_t fanCorner, bool preserving, FanScratch& scratch) {
  const std::uint32_t vertex = w.vertexOf[fanCorner];
  std::vector<std::uint32_t>& corners = scratch.corners;
  std::vector<std::int32_t>& stack = scratch.stack;
  corners.clear();
  auto add = [&](std::size_t c) {
    w.flags[c / 3] |= static_cast<std::uint8_t>(InFan << (c % 3));
    corners.push_back(static_cast<std::uint32_t>(c));
    const std::int32_t before = w.neighbour[PreviousCorner(c)], after = w.neighbour[c];
    if (before != None) stack.push_back(before);
    if (after != None) stack.push_back(after);
  };
  add(fanCorner);
  while (!stack.empty()) {
    const std::size_t f = static_cast<std::size_t>(stack.back());
    stack.pop_back();
    std::size_t c = 3 * f;
    while (w.vertexOf[c] != vertex) ++c;
    std::uint8_t& flags = w.flags[f];
    if (flags & (InFan << (c - 3 * f))) continue;
    if ((flags & GroupWithAny) && !(flags & AnyInFan))
      flags = static_cast<std::uint8_t>((flags & ~OrientPreserving) |
                                        (preserving ? OrientPreserving : 0));
    if (((flags & OrientPreserving) != 0) != preserving) continue;
    add(c);
  }
}

// The unit tangent of a fan's members (by triangle) whose positions are listed: their s
// directions summed, each weighted by the angle of its corner, normalised.
inline Vec3 FanTangent(const FanMember* fan, const std::uint32_t* members, std::size_t count) {
  Vec3 sum = {0, 0, 0};
  for (std::size_t i = 0; i < count; ++i) sum = Add(sum, fan[members[i]].weighted);
  return Normalized(sum);
}

// Works out and writes the tangent of every corner of a fan. Each member's frame is the
// angle-weighted mean over the members it shares a frame with; with the reference's
// default angle that is the whole fan unless two frames point exactly opposite ways.
void EvaluateFan(Work& w, bool preserving, FanScratch& scratch) {
  // By triangle: the order of the reference's sums.
  std::vector<std::uint32_t>& corners = scratch.corners;
  if (!std::is_sorted(corners.begin(), corners.end())) std::sort(corners.begin(), corners.end());
  const std::size_t count = corners.size();
  if (scratch.members.size() < count) scratch.members.resize(count);
  FanMember* fan = scratch.members.data();
  const Vec3 n = Normal(w, w.vertexOf[corners[0]]);
  for (std::size_t i = 0; i < count; ++i) {
    FanMember& m = fan[i];
    const std::size_t c = corners[i];
    m.triangle = static_cast<std::uint32_t>(c / 3);
    const TriangleFrame directions = TriangleFrameOf(w, m.triangle);
    const Vec3 t = directions.t;
    m.corner = static_cast<std::uint32_t>(c % 3);
    m.any = (w.flags[m.triangle] & GroupWithAny) != 0;
    m.s = InPlane(directions.s, n);
    m.tInPlane = Sub(t, Scale(Dot(n, t), n));
    m.weighted = {0, 0, 0};
    if (m.any) continue;
    const Vec3 p = Position(w, w.vertexOf[c]);
    const Vec3 toPrevious = InPlane(Sub(Position(w, w.vertexOf[PreviousCorner(c)]), p), n);
    const Vec3 toNext = InPlane(Sub(Position(w, w.vertexOf[NextCorner(c)]), p), n);
    float cosine = Dot(toPrevious, toNext);
    cosine = cosine > 1.0f ? 1.0f : cosine < -1.0f ? -1.0f : cosine;  // NaN stays NaN
    m.weighted = Scale(static_cast<float>(std::acos(static_cast<double>(cosine))), m.s);
  }
  const float sign = preserving ? 1.0f : -1.0f;
  std::vector<float>& frames = w.out->frames;
  std::uint32_t* cornerFrame = w.out->cornerFrame.data();
  auto frame = [&](Vec3 tangent) {
    frames.insert(frames.end(), {tangent.x, tangent.y, tangent.z, sign});
    return static_cast<std::uint32_t>(frames.size() / 4 - 1);
  };
  std::vector<std::uint32_t>& sharing = scratch.sharing;
  if (AllShareFrame(fan, count)) {
    sharing.resize(count);
    for (std::size_t i = 0; i < count; ++i) sharing[i] = static_cast<std::uint32_t>(i);
    const std::uint32_t shared = frame(FanTangent(fan, sharing.data(), count));
    for (std::uint32_t c : corners) cornerFrame[c] = shared;
    return;
  }
  // Some frames point opposite ways: each member's mean over its own set.
  for (std::size_t i = 0; i < count; ++i) {
    sharing.clear();
    for (std::size_t j = 0; j < count; ++j)
      if (ShareFrame(fan[i], fan[j])) sharing.push_back(static_cast<std::uint32_t>(j));
    cornerFrame[corners[i]] = frame(FanTangent(fan, sharing.data(), sharing.size()));
  }
}

// Every fan, in the order the reference makes them: by triangle, then corner, each started
// from a triangle with a texture gradient whose corner is in no fan yet.
void BuildFans(Work& w) {
  FanScratch scratch;
  for (std::size_t f = 0; f < w.flags.size(); ++f) {
    for (std::size_t k = 0; k < 3; ++k) {
      const std::uint8_t flags = w.flags[f];
      if (flags & (Degenerate | GroupWithAny)) break;
      if (flags & (InFan << k)) continue;
      const bool preserving = (flags & OrientPreserving) != 0;
      CollectFan(w, 3 * f + k, preserving, scratch);
      EvaluateFan(w, preserving, scratch);
    }
  }
}

// A degenerate triangle's corner takes the frame of the first corner of a non-degenerate
// triangle at the same welded vertex, if there is one.
void CopyToDegenerateCorners(Work& w) {
  const std::size_t corners = w.vertexOf.size();
  bool any = false;
  for (std::size_t f = 0; f < w.flags.size() && !any; ++f) any = (w.flags[f] & Degenerate) != 0;
  if (!any) return;
  constexpr std::uint32_t NoCorner = UINT32_MAX;
  std::vector<std::uint32_t>& firstCorner = w.vertexScratch;
  firstCorner.assign(w.mesh->vertexCount, NoCorner);
  for (std::size_t c = 0; c < corners; ++c) {
    std::uint32_t& first = firstCorner[w.vertexOf[c]];
    if (!(w.flags[c / 3] & Degenerate) && first == NoCorner) first = static_cast<std::uint32_t>(c);
  }
  for (std::size_t c = 0; c < corners; ++c) {
    const std::uint32_t from = firstCorner[w.vertexOf[c]];
    if ((w.flags[c / 3] & Degenerate) && from != NoCorner)
      w.out->cornerFrame[c] = w.out->cornerFrame[from];
  }
}

}  // namespace

void GenerateTangentFrames(const TangentMesh& mesh, TangentFrames* out) {
  // Frame 0 is the reference's default, which a corner no fan reaches keeps: +x, mirrored.
  out->frames.assign({1.0f, 0.0f, 0.0f, -1.0f});
  out->cornerFrame.clear();
  if (mesh.triangleCount == 0) return;
  Work w;
  w.mesh = &mesh;
  w.out = out;
  WeldVertices(w);
  SetUpTriangles(w);
  FindNeighbours(w);
  // The weld's table and the edges' buckets are done with before the frames take room.
  std::vector<std::uint32_t>().swap(w.scratch);
  out->cornerFrame.assign(3 * mesh.triangleCount, 0);
  // About one fan a vertex, and some more where mirrored halves and seams split them.
  out->frames.reserve(4 * (mesh.vertexCount + mesh.vertexCount / 4 + 16));
  BuildFans(w);
  CopyToDegenerateCorners(w);
}

void GenerateTangents(const TangentMesh& mesh, float* out) {
  TangentFrames frames;
  GenerateTangentFrames(mesh, &frames);
  for (std::size_t c = 0; c < 3 * mesh.triangleCount; ++c)
    std::memcpy(out + 4 * c, &frames.frames[4 * std::size_t{frames.cornerFrame[c]}],
                4 * sizeof(float));
}
