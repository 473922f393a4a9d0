// The model checks on glTF files the test makes and loads as the program does: a torus cut
// into eight texture islands (each turned a quarter from its neighbours, one mirrored),
// its tangents as MikkTSpace makes them and then damaged one way each, and normal maps
// baked here from a bumpy surface (a height function of position) into MikkTSpace's frames
// or those of another texture set, green up and down. Each damage gives exactly its
// finding, each bake the verdict that names its frame and green, and a sweep over random
// surfaces prints the margins of docs/CHECKS.md.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "check/model_checks.h"
#include "gltf_files.h"
#include "models/model.h"
#include "tangents/tangents.h"

namespace {

struct P3 {
  double x, y, z;
};
P3 operator+(P3 a, P3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
P3 operator-(P3 a, P3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
P3 operator*(P3 a, double k) {
  return {a.x * k, a.y * k, a.z * k};
}
double Dot(P3 a, P3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
P3 Cross(P3 a, P3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
P3 Unit(P3 a) {
  return a * (1 / std::sqrt(Dot(a, a)));
}

// A mesh in glTF's frame: per vertex a position, a normal, (u, v) in the map's set and in
// another set laid out another way, and its island.
struct TestMesh {
  std::vector<P3> positions, normals;
  std::vector<double> uv, otherUv;
  std::vector<int> island;
  std::vector<std::uint32_t> indices;
};

// A torus (radii 1 and 0.4) of 48 x 24 quads cut into 4 x 2 islands of 12 x 12, each in its
// cell of a 4 x 2 atlas and turned a quarter from its neighbours; with mirror, island 6
// is mirrored. The other set turns each island a quarter the other way, and mirrors none.
TestMesh Torus(bool mirror) {
  TestMesh m;
  const int around = 48, across = 24, side = 12;
  const double margin = 0.06;
  for (int island = 0; island < 8; ++island) {
    const int qi = island % 4, qj = island / 4, turn = (qi + qj) % 4;
    const auto first = static_cast<std::uint32_t>(m.positions.size());
    for (int j = 0; j <= side; ++j)
      for (int i = 0; i <= side; ++i) {
        // Angles from the grid's numbers, so that a vertex two islands share is equal.
        const int gi = (qi * side + i) % around, gj = (qj * side + j) % across;
        const double theta = 2 * M_PI * gi / around, phi = 2 * M_PI * gj / across;
        const P3 n = {std::cos(phi) * std::cos(theta), std::sin(phi),
                      std::cos(phi) * std::sin(theta)};
        m.positions.push_back(P3{std::cos(theta), 0, std::sin(theta)} + n * 0.4);
        m.normals.push_back(n);
        m.island.push_back(island);
        double a = double(i) / side, b = double(j) / side;
        if (mirror && island == 6) a = 1 - a;
        for (int t = 0; t < turn; ++t) std::tie(a, b) = std::make_pair(1 - b, a);
        const auto place = [&](std::vector<double>* uv, double a, double b) {
          uv->push_back((qi + margin + (1 - 2 * margin) * a) / 4);
          uv->push_back((qj + margin + (1 - 2 * margin) * b) / 2);
        };
        place(&m.uv, a, b);
        // The other set turns the islands another way: a quarter turn from the map's set.
        a = double(i) / side, b = double(j) / side;
        for (int t = 0; t < (3 * qi + qj + 1) % 4; ++t) std::tie(a, b) = std::make_pair(1 - b, a);
        place(&m.otherUv, a, b);
      }
    for (int j = 0; j < side; ++j)
      for (int i = 0; i < side; ++i) {
        const std::uint32_t a = first + j * (side + 1) + i, b = a + 1, c = a + side + 1, d = c + 1;
        for (std::vector<std::uint32_t> t : {std::vector<std::uint32_t>{a, b, d}, {a, d, c}}) {
          // Counter-clockwise seen from outside.
          const P3 facing =
              Cross(m.positions[t[1]] - m.positions[t[0]], m.positions[t[2]] - m.positions[t[0]]);
          if (Dot(facing, m.normals[t[0]]) < 0) std::swap(t[1], t[2]);
          m.indices.insert(m.indices.end(), t.begin(), t.end());
        }
      }
  }
  return m;
}

// MikkTSpace's frames from the map's set or the other, one per vertex (every corner of a
// vertex has the same here): tangent and w, 4 floats, in glTF's frame.
std::vector<float> MikkTangents(const TestMesh& m, bool otherSet) {
  std::vector<float> positions, normals, texCoords;
  const std::vector<double>& uv = otherSet ? m.otherUv : m.uv;
  for (std::size_t v = 0; v < m.positions.size(); ++v) {
    const P3 &p = m.positions[v], &n = m.normals[v];
    positions.insert(positions.end(), {float(p.x), float(p.y), float(p.z)});
    normals.insert(normals.end(), {float(n.x), float(n.y), float(n.z)});
    texCoords.insert(texCoords.end(), {float(uv[2 * v]), float(1 - uv[2 * v + 1])});
  }
  TangentMesh mesh;
  mesh.triangleCount = m.indices.size() / 3;
  mesh.indices = m.indices.data();
  mesh.vertexCount = m.positions.size();
  mesh.positions = positions.data();
  mesh.normals = normals.data();
  mesh.texCoords = texCoords.data();
  std::vector<float> corners(4 * m.indices.size()), out(4 * m.positions.size());
  GenerateTangents(mesh, corners.data());
  for (std::size_t c = 0; c < m.indices.size(); ++c)
    std::copy_n(&corners[4 * c], 4, &out[4 * m.indices[c]]);
  return out;
}

// Each vertex's tangent turned about its normal by degrees (a function of the vertex).
std::vector<float> Turned(const TestMesh& m, std::vector<float> tangents,
                          const std::function<double(std::size_t)>& degrees) {
  for (std::size_t v = 0; v < m.positions.size(); ++v) {
    const double a = degrees(v) * M_PI / 180;
    const P3 t = {tangents[4 * v], tangents[4 * v + 1], tangents[4 * v + 2]};
    const P3 r = t * std::cos(a) + Cross(m.normals[v], t) * std::sin(a);
    tangents[4 * v] = float(r.x), tangents[4 * v + 1] = float(r.y),
                 tangents[4 * v + 2] = float(r.z);
  }
  return tangents;
}

// The bumpy surface: heights a sum of sines of position, slopes about strength.
struct Surface {
  std::vector<P3> wave;
  std::vector<double> phase;
  double amplitude = 0;
};

Surface RandomSurface(std::uint32_t seed, double strength) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  Surface s;
  for (int i = 0; i < 6; ++i) {
    const double z = 2 * unit(random) - 1, a = 2 * M_PI * unit(random);
    const double r = std::sqrt(1 - z * z), k = 6 + 8 * unit(random);
    s.wave.push_back(P3{r * std::cos(a), r * std::sin(a), z} * k);
    s.phase.push_back(2 * M_PI * unit(random));
  }
  s.amplitude = strength / (10 * std::sqrt(3.0));
  return s;
}

P3 HeightGradient(const Surface& s, P3 p) {
  P3 g = {0, 0, 0};
  for (std::size_t i = 0; i < s.wave.size(); ++i)
    g = g + s.wave[i] * (s.amplitude * std::cos(Dot(s.wave[i], p) + s.phase[i]));
  return g;
}

std::vector<std::uint8_t> Png(int w, int h, const std::vector<std::uint8_t>& topDown) {
  std::vector<std::uint8_t> out;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::vector<std::uint8_t>*>(context);
        bytes->insert(bytes->end(), static_cast<std::uint8_t*>(data),
                      static_cast<std::uint8_t*>(data) + size);
      },
      &out, w, h, 3, topDown.data(), w * 3);
  return out;
}

// The surface's normals baked into the map's texture set through the frames (tangent and
// w per vertex, interpolated as a renderer does), as a PNG of 512 x 256 texels: each
// texel inside a triangle, then 8 texels of margin grown round the islands.
std::vector<std::uint8_t> Bake(const TestMesh& m, const std::vector<float>& frames,
                               const Surface& surface, bool greenDown) {
  const int w = 512, h = 256;
  std::vector<P3> texels(std::size_t(w) * h, P3{0, 0, 1});
  std::vector<char> filled(texels.size(), 0);
  for (std::size_t t = 0; t < m.indices.size(); t += 3) {
    const std::uint32_t* v = &m.indices[t];
    double x[3], y[3];
    P3 tangent[3], bitangent[3];
    for (int k = 0; k < 3; ++k) {
      x[k] = m.uv[2 * v[k]] * w, y[k] = m.uv[2 * v[k] + 1] * h;
      const float* f = &frames[4 * v[k]];
      tangent[k] = {f[0], f[1], f[2]};
      bitangent[k] = Cross(m.normals[v[k]], tangent[k]) * f[3];
    }
    const double area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
    for (int r = int(std::min({y[0], y[1], y[2]})); r <= int(std::max({y[0], y[1], y[2]})); ++r)
      for (int c = int(std::min({x[0], x[1], x[2]})); c <= int(std::max({x[0], x[1], x[2]})); ++c) {
        const double px = c + 0.5, py = r + 0.5;
        double l[3];
        for (int k = 0; k < 3; ++k) {
          const int a = (k + 1) % 3, b = (k + 2) % 3;
          l[k] = ((x[b] - x[a]) * (py - y[a]) - (px - x[a]) * (y[b] - y[a])) / area;
        }
        if (l[0] < -1e-9 || l[1] < -1e-9 || l[2] < -1e-9 || r < 0 || r >= h || c < 0 || c >= w)
          continue;
        P3 p = {0, 0, 0}, n = p, tt = p, bb = p;
        for (int k = 0; k < 3; ++k) {
          p = p + m.positions[v[k]] * l[k];
          n = n + m.normals[v[k]] * l[k];
          tt = tt + tangent[k] * l[k];
          bb = bb + bitangent[k] * l[k];
        }
        const P3 smooth = Unit(n), g = HeightGradient(surface, p);
        const P3 bumped = Unit(smooth - (g - smooth * Dot(g, smooth)));
        // The texel the renderer's normalize(x T + y B + z N) turns into the bumped normal.
        const double det = Dot(tt, Cross(bb, n));
        P3 e = Unit(
            P3{Dot(bumped, Cross(bb, n)), Dot(tt, Cross(bumped, n)), Dot(tt, Cross(bb, bumped))} *
            (1 / det));
        if (greenDown) e.y = -e.y;
        texels[std::size_t(r) * w + c] = e;
        filled[std::size_t(r) * w + c] = 1;
      }
  }
  for (int pass = 0; pass < 8; ++pass) {
    std::vector<char> next = filled;
    for (int r = 0; r < h; ++r)
      for (int c = 0; c < w; ++c) {
        if (filled[std::size_t(r) * w + c]) continue;
        P3 sum = {0, 0, 0};
        for (int dr = -1; dr <= 1; ++dr)
          for (int dc = -1; dc <= 1; ++dc) {
            const int rr = r + dr, cc = c + dc;
            if (rr >= 0 && rr < h && cc >= 0 && cc < w && filled[std::size_t(rr) * w + cc])
              sum = sum + texels[std::size_t(rr) * w + cc];
          }
        if (Dot(sum, sum) > 0) {
          texels[std::size_t(r) * w + c] = Unit(sum);
          next[std::size_t(r) * w + c] = 1;
        }
      }
    filled.swap(next);
  }
  std::vector<std::uint8_t> bytes;
  for (const P3& e : texels)
    for (double c : {e.x, e.y, e.z})
      bytes.push_back(std::uint8_t(std::clamp(std::floor(127.5 * c + 128), 0.0, 255.0)));
  return Png(w, h, bytes);
}

// The mesh loaded from a .glb, with the tangents (4 per vertex) and the normal map given,
// drawn by a node of the JSON given.
LoadedModel Load(const TestMesh& m, const std::vector<float>& tangents,
                 const std::vector<std::uint8_t>& png, nlohmann::json node = {}) {
  GltfDocument doc = NewGltf();
  GltfPrimitive primitive;
  for (std::size_t v = 0; v < m.positions.size(); ++v) {
    const P3 &p = m.positions[v], &n = m.normals[v];
    primitive.positions.insert(primitive.positions.end(), {float(p.x), float(p.y), float(p.z)});
    primitive.normals.insert(primitive.normals.end(), {float(n.x), float(n.y), float(n.z)});
  }
  primitive.tangents = tangents;
  primitive.texCoords = {std::vector<float>(m.uv.begin(), m.uv.end())};
  primitive.indices = m.indices;
  if (!png.empty()) primitive.material = AddMaterial(&doc, AddTexture(&doc, png), 1, 0);
  node["mesh"] = AddMesh(&doc, {primitive});
  AddNode(&doc, node);
  const std::vector<std::uint8_t> bytes = GlbBytes(doc);
  LoadedModel model;
  std::string refusal;
  EXPECT_TRUE(LoadGltf(bytes.data(), bytes.size(), "torus.glb", &model, &refusal)) << refusal;
  return model;
}

std::string Listed(const std::vector<Finding>& findings) {
  std::string text;
  for (const Finding& f : findings) text += "  " + FindingLine(f) + "\n";
  return text.empty() ? "  (none)\n" : text;
}

std::vector<std::string> Codes(const std::vector<Finding>& findings) {
  std::vector<std::string> codes;
  for (const Finding& f : findings)
    codes.push_back(f.code + (f.severity == Severity::Info ? " (info)" : ""));
  std::sort(codes.begin(), codes.end());
  return codes;
}

double FigureOf(const Finding& finding, const std::string& name) {
  for (const Figure& f : finding.figures)
    if (f.name == name) return f.value;
  ADD_FAILURE() << finding.code << " has no figure " << name;
  return NAN;
}

const Finding* Find(const std::vector<Finding>& findings, const std::string& code) {
  for (const Finding& f : findings)
    if (f.code == code) return &f;
  return nullptr;
}

}  // namespace

// MikkTSpace's tangents written into the file, then damaged one way each: every damage
// gives exactly its finding, with the figure that counts it; the clean torus gives none,
// and under a mirroring node only mirrored-uv.
TEST(ModelChecks, EachTangentDamageGetsExactlyItsFinding) {
  const TestMesh plain = Torus(false), mirrored = Torus(true);
  const std::vector<float> mikk = MikkTangents(plain, false);
  const auto changed = [&](const std::function<void(std::size_t v, float* t)>& change) {
    std::vector<float> t = mikk;
    for (std::size_t v = 0; v < plain.positions.size(); ++v) change(v, &t[4 * v]);
    return t;
  };
  const auto tilted = [&](std::size_t v, float* t) {
    const double a = 5 * M_PI / 180;
    const P3 r = P3{t[0], t[1], t[2]} * std::cos(a) + plain.normals[v] * std::sin(a);
    t[0] = float(r.x), t[1] = float(r.y), t[2] = float(r.z);
  };
  // Island 1's vertex (6, 6): inside it, six triangles round it.
  const std::size_t inner = 169 + 6 * 13 + 6;
  struct Expected {
    const char* figure;
    double value, tolerance;
  };
  struct Case {
    const char* name;
    std::vector<float> tangents;
    std::vector<std::string> codes;
    Expected expected;
    const TestMesh* mesh = nullptr;  // the plain torus unless given
    nlohmann::json node = {};
  };
  const Case cases[] = {
      {"clean", mikk, {}, {}},
      {"clean, mirrored by its node",
       mikk,
       {"mirrored-uv (info)"},
       {"triangles", 2304, 0},
       nullptr,
       {{"scale", {-1, 1, 1}}}},
      {"clean, island 6 mirrored",
       MikkTangents(mirrored, false),
       {"mirrored-uv (info)"},
       {"triangles", 288, 0},
       &mirrored},
      {"w flipped on island 2",
       changed([&](std::size_t v, float* t) {
         if (plain.island[v] == 2) t[3] = -t[3];
       }),
       {"tangents-differ"},
       {"handedness_differs", 864, 0}},
      {"w flipped at one vertex",
       changed([&](std::size_t v, float* t) {
         if (v == inner) t[3] = -t[3];
       }),
       {"mixed-handedness"},
       {"triangles", 6, 0}},
      {"turned 10 degrees",
       Turned(plain, mikk, [](std::size_t) { return 10.0; }),
       {"tangents-differ"},
       {"largest_deg", 10, 0.01}},
      {"10% too long",
       changed([](std::size_t, float* t) {
         for (int k = 0; k < 3; ++k) t[k] *= 1.1f;
       }),
       {"tangent-not-unit"},
       {"largest_error", 0.1, 1e-5}},
      {"tilted 5 degrees to the normal",
       changed(tilted),
       {"tangent-not-orthogonal"},
       {"largest_deg", 5, 0.01}},
      {"w of 0.5 on island 3",
       changed([&](std::size_t v, float* t) {
         if (plain.island[v] == 3) t[3] *= 0.5f;
       }),
       {"tangent-w-invalid"},
       {"vertices", 169, 0}},
  };
  for (const Case& c : cases) {
    const ModelCheck check =
        CheckModelInDetail(Load(c.mesh ? *c.mesh : plain, c.tangents, {}, c.node));
    SCOPED_TRACE(std::string(c.name) + ":\n" + Listed(check.findings));
    EXPECT_EQ(Codes(check.findings), c.codes);
    EXPECT_TRUE(check.fileTangents);
    // Every corner compared, but those of the triangles with both handednesses.
    const bool mixed = Find(check.findings, "mixed-handedness") != nullptr;
    EXPECT_EQ(check.tangents.corners, 6912 - (mixed ? 3 * 6 : 0));
    // The clean tangents come back through the loader as MikkTSpace makes them.
    if (Find(check.findings, "tangents-differ") == nullptr &&
        !Find(check.findings, "mixed-handedness")) {
      EXPECT_LT(check.tangents.largestDegrees, 0.01);
    }
    if (c.expected.figure && !check.findings.empty()) {
      EXPECT_NEAR(FigureOf(check.findings[0], c.expected.figure), c.expected.value,
                  c.expected.tolerance);
      EXPECT_EQ(check.findings[0].where, "mesh 0 primitive 0 (node 0)");
    }
  }
}

namespace {

// The frames a file carries or a map is baked for: none, MikkTSpace's, MikkTSpace's from the
// other texture set, or MikkTSpace's turned about the normal by Case::turn on islands 0, 2,
// 4 and 6 and the other way on the others.
enum class Frames { None, Mikk, Other, Turned };
const char* const FrameNames[] = {"none", "MikkTSpace", "the other set's", "turned"};

// What the verdict must say: the frame it names, or that it cannot tell.
enum class Verdict { Mikk, File, Unknown };

struct BakeCase {
  Frames inFile, bakedFor;
  bool greenDown;
  Verdict verdict;
  double turn = 0;    // degrees, for Frames::Turned
  bool flat = false;  // the map: no relief at all
};

const std::vector<BakeCase>& BakeCases() {
  static const std::vector<BakeCase> cases = {
      {Frames::None, Frames::Mikk, false, Verdict::Mikk},
      {Frames::None, Frames::Mikk, true, Verdict::Mikk},
      {Frames::Mikk, Frames::Mikk, false, Verdict::Mikk},
      {Frames::Mikk, Frames::Mikk, true, Verdict::Mikk},
      {Frames::Other, Frames::Other, false, Verdict::File},
      {Frames::Other, Frames::Other, true, Verdict::File},
      {Frames::Other, Frames::Mikk, false, Verdict::Mikk},
      {Frames::Other, Frames::Mikk, true, Verdict::Mikk},
      {Frames::Turned, Frames::Turned, false, Verdict::File, 10},
      {Frames::Turned, Frames::Mikk, true, Verdict::Mikk, 10},
      // Neither frame the seams can try: no verdict.
      {Frames::None, Frames::Other, false, Verdict::Unknown},
      {Frames::None, Frames::Mikk, false, Verdict::Unknown, 0, true},
  };
  return cases;
}

std::string BakeName(const BakeCase& c) {
  return std::string("in the file ") + FrameNames[int(c.inFile)] + ", baked for " +
         (c.flat ? "nothing (flat)" : FrameNames[int(c.bakedFor)]) + ", green " +
         (c.greenDown ? "down" : "up") +
         (c.turn ? ", turned " + std::to_string(int(c.turn)) + " degrees" : "");
}

std::vector<float> FramesOf(const TestMesh& m, Frames frames, double turn) {
  if (frames == Frames::None) return {};
  if (frames == Frames::Other) return MikkTangents(m, true);
  const std::vector<float> mikk = MikkTangents(m, false);
  if (frames == Frames::Mikk) return mikk;
  return Turned(m, mikk, [&](std::size_t v) { return m.island[v] % 2 ? -turn : turn; });
}

// The case's model checked; the maps baked for the surface are kept in *maps by what they
// were baked for.
std::vector<Finding> CheckBaked(const TestMesh& m, const BakeCase& c, const Surface& surface,
                                std::map<std::string, std::vector<std::uint8_t>>* maps) {
  const std::string key = std::to_string(int(c.bakedFor)) + " " + std::to_string(c.greenDown) +
                          " " + std::to_string(c.bakedFor == Frames::Turned ? c.turn : 0) + " " +
                          std::to_string(c.flat);
  std::vector<std::uint8_t>& map = (*maps)[key];
  if (map.empty()) {
    Surface flat = surface;
    flat.amplitude = 0;
    map = Bake(m, FramesOf(m, c.bakedFor, c.turn), c.flat ? flat : surface, c.greenDown);
  }
  return CheckModel(Load(m, FramesOf(m, c.inFile, c.turn), map));
}

// Whether the findings give the case's verdict: baked-frame naming its frame and green (a
// warning when the program would light the map otherwise) and green-down when green points
// down, or baked-frame-unknown. Says what is wrong in *why.
bool GivesVerdict(const BakeCase& c, const std::vector<Finding>& findings, std::string* why) {
  const Finding* verdict = Find(findings, "baked-frame");
  const Finding* unknown = Find(findings, "baked-frame-unknown");
  if (c.verdict == Verdict::Unknown || !verdict) {
    *why = c.verdict == Verdict::Unknown ? (verdict ? "a verdict" : "") : "no verdict";
    return c.verdict == Verdict::Unknown ? !verdict && unknown : false;
  }
  const bool file = c.inFile != Frames::None && FigureOf(*verdict, "fits_file_tangents") == 1;
  const bool mikk = FigureOf(*verdict, "fits_mikktspace") == 1;
  const bool up = FigureOf(*verdict, "green_up") == 1;
  const bool programs = (c.inFile == Frames::None || file) && up;
  const bool right = (c.verdict == Verdict::File ? file : mikk) && up == !c.greenDown &&
                     verdict->severity == (programs ? Severity::Info : Severity::Warning) &&
                     (Find(findings, "green-down") != nullptr) == c.greenDown && !unknown;
  *why = right ? "" : "the wrong verdict";
  return right;
}

}  // namespace

// Maps baked for each frame and green on the torus: the verdict names them, a warning when
// the program would light the map otherwise, and green-down when green points down; a map
// baked for no frame the seams can try, or with no relief, gets baked-frame-unknown.
TEST(ModelChecks, TheVerdictNamesTheFrameAndGreenTheMapWasBakedFor) {
  const TestMesh m = Torus(true);
  const Surface surface = RandomSurface(7, 0.6);
  std::map<std::string, std::vector<std::uint8_t>> maps;
  for (const BakeCase& c : BakeCases()) {
    const std::vector<Finding> findings = CheckBaked(m, c, surface, &maps);
    std::string why;
    EXPECT_TRUE(GivesVerdict(c, findings, &why)) << BakeName(c) << ": " << why << "\n"
                                                 << Listed(findings);
    // Green named once: the seams' verdict stands for the map's own.
    const long greens = std::count_if(findings.begin(), findings.end(), [](const Finding& f) {
      return f.code.rfind("green-", 0) == 0;
    });
    if (c.verdict != Verdict::Unknown) {
      EXPECT_EQ(greens, c.greenDown ? 1 : 0) << BakeName(c) << "\n" << Listed(findings);
    }
    for (const Finding& f : findings) {
      if (f.code == "baked-frame" || f.code == "baked-frame-unknown") {
        EXPECT_EQ(f.where, "normal texture of mesh 0 primitive 0 (node 0)");
      }
    }
  }
}

// Over random surfaces, gentle to steep: every case gets its verdict or, at worst, says it
// cannot tell; none gets a wrong one. Prints, per case, how often each and the range of the
// figures the thresholds sit between (docs/CHECKS.md).
TEST(ModelChecks, NoFalseVerdictsOverRandomSurfaces) {
  const TestMesh m = Torus(true);
  std::vector<BakeCase> cases = BakeCases();
  for (double turn : {2.0, 4.0, 6.0}) {
    cases.push_back({Frames::Turned, Frames::Mikk, false, Verdict::Mikk, turn});
    cases.push_back({Frames::Turned, Frames::Turned, false, Verdict::File, turn});
  }
  struct Range {
    double low = INFINITY, high = -INFINITY;
    void Add(double v) { low = std::min(low, v), high = std::max(high, v); }
  };
  struct Tally {
    int right = 0, unknown = 0, wrong = 0;
    Range best, ratio, relief;
  };
  std::vector<Tally> tallies(cases.size());
  std::mt19937 random(2025);
#ifdef BUMPDEMO_SWEEP_SURFACES
  const int surfaces = BUMPDEMO_SWEEP_SURFACES;
#else
  const int surfaces = 10;
#endif
  for (int s = 0; s < surfaces; ++s) {
    const double strength = 0.1 + 1.1 * s / (surfaces - 1);
    const Surface surface = RandomSurface(random(), strength);
    std::map<std::string, std::vector<std::uint8_t>> maps;
    for (std::size_t i = 0; i < cases.size(); ++i) {
      const std::vector<Finding> findings = CheckBaked(m, cases[i], surface, &maps);
      std::string why;
      const bool right = GivesVerdict(cases[i], findings, &why);
      Tally& t = tallies[i];
      const bool unknown =
          !right && Find(findings, "baked-frame-unknown") && !Find(findings, "baked-frame");
      t.right += right;
      t.unknown += unknown;
      t.wrong += !right && !unknown;
      if (!right && !unknown)
        ADD_FAILURE() << BakeName(cases[i]) << ", strength " << strength << ": " << why << "\n"
                      << Listed(findings);
      const Finding* f = Find(findings, "baked-frame");
      if (!f) f = Find(findings, "baked-frame-unknown");
      std::vector<double> fits;
      for (const Figure& g : f->figures)
        if (g.name.find("_green_") != std::string::npos) fits.push_back(g.value);
      std::sort(fits.begin(), fits.end());
      const double relief = FigureOf(*f, "relief_deg");
      t.relief.Add(relief);
      t.best.Add(fits[0] / relief);
      // The next best that is not the same frame under another name.
      const auto next = std::upper_bound(fits.begin(), fits.end(), fits[0] + 1e-9);
      if (next != fits.end()) t.ratio.Add(*next / fits[0]);
    }
  }
  std::printf("%d random surfaces, slopes 0.1 to 1.2\n", surfaces);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Tally& t = tallies[i];
    std::printf("%-72s right %2d, unknown %2d, wrong %d\n", BakeName(cases[i]).c_str(), t.right,
                t.unknown, t.wrong);
    std::printf(
        "    relief %5.1f .. %5.1f deg; best / relief %.3f .. %.3f; next / best %.2f .. %.2f\n",
        t.relief.low, t.relief.high, t.best.low, t.best.high, t.ratio.low, t.ratio.high);
  }
}
