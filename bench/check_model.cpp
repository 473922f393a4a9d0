// The model checks' time and memory on a large model: a torus of about --triangles
// triangles cut into texture islands of 16 x 16 quads (seams along every island's edge),
// written as a .glb with or without TANGENT and loaded as the program loads it, with a
// normal map of 2048 x 2048 texels put in place of the file's. Prints the median of --runs
// checks (CheckModelInDetail) next to what it contains: MikkTSpace's own time on the same
// mesh (spent only when the file has tangents) and the image checks on the map; the rest
// is the tangents' values, the seams and their samples. Memory: the most heap the check
// held at once above what the process held before it (every operator new counted).
//
//   check_model [--triangles N] [--runs N] [--smoke]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "check/image_checks.h"
#include "check/model_checks.h"
#include "gltf_files.h"
#include "heap_count.h"
#include "models/model.h"
#include "tangents/tangents.h"
#include "textures/normal_map.h"

namespace {

constexpr int IslandSide = 16;

// A torus of around x across quads (radii 1 and 0.4), islands of IslandSide quads a side
// laid out in a square atlas, every other one turned a quarter.
GltfPrimitive Torus(int around, int across, bool tangents) {
  GltfPrimitive torus;
  torus.texCoords.resize(1);
  const int islandsAround = around / IslandSide, islandsAcross = across / IslandSide;
  const int cells = static_cast<int>(std::ceil(std::sqrt(double(islandsAround) * islandsAcross)));
  for (int qj = 0; qj < islandsAcross; ++qj)
    for (int qi = 0; qi < islandsAround; ++qi) {
      const int island = qj * islandsAround + qi;
      const double cellU = double(island % cells) / cells, cellV = double(island / cells) / cells;
      const bool turned = (qi + qj) % 2 != 0;
      const auto first = static_cast<std::uint32_t>(torus.positions.size() / 3);
      for (int j = 0; j <= IslandSide; ++j)
        for (int i = 0; i <= IslandSide; ++i) {
          const int gi = (qi * IslandSide + i) % around, gj = (qj * IslandSide + j) % across;
          const double theta = 2 * M_PI * gi / around, phi = 2 * M_PI * gj / across;
          const double n[3] = {std::cos(phi) * std::cos(theta), std::sin(phi),
                               std::cos(phi) * std::sin(theta)};
          torus.positions.insert(torus.positions.end(),
                                 {float(std::cos(theta) + 0.4 * n[0]), float(0.4 * n[1]),
                                  float(std::sin(theta) + 0.4 * n[2])});
          torus.normals.insert(torus.normals.end(), {float(n[0]), float(n[1]), float(n[2])});
          // The tangent along the texture's u: round the ring, or round the tube when turned.
          const double t[3] = {turned ? -std::sin(phi) * std::cos(theta) : -std::sin(theta),
                               turned ? std::cos(phi) : 0,
                               turned ? -std::sin(phi) * std::sin(theta) : std::cos(theta)};
          if (tangents)
            torus.tangents.insert(torus.tangents.end(), {float(t[0]), float(t[1]), float(t[2]), 1});
          const double a = double(turned ? j : i) / IslandSide,
                       b = double(turned ? i : j) / IslandSide;
          torus.texCoords[0].insert(
              torus.texCoords[0].end(),
              {float(cellU + (0.05 + 0.9 * a) / cells), float(cellV + (0.05 + 0.9 * b) / cells)});
        }
      for (int j = 0; j < IslandSide; ++j)
        for (int i = 0; i < IslandSide; ++i) {
          const std::uint32_t a = first + j * (IslandSide + 1) + i, b = a + 1,
                              c = a + IslandSide + 1, d = c + 1;
          torus.indices.insert(torus.indices.end(), {a, d, b, a, c, d});
        }
    }
  return torus;
}

TextureImage SinesMap(int side) {
  HeightField field;
  field.width = field.height = side;
  field.h.resize(static_cast<std::size_t>(side) * side);
  const double k = 2 * M_PI / 256;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      field.At(x, y) =
          0.5 * std::sin(3 * k * x) * std::sin(2 * k * y) + 0.3 * std::cos(k * (x + 2 * y));
  return NormalMapOfHeights(field, DefaultStrength);
}

template <typename F>
double MedianMs(int runs, F work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// MikkTSpace on the part's placed arrays, as the check runs it: its arrays and its output
// made new each time.
void Mikk(const Mesh& mesh) {
  std::vector<float> positions, normals, texCoords;
  for (const MeshVertex& v : mesh.vertices) {
    positions.insert(positions.end(), {v.position.x, v.position.y, v.position.z});
    normals.insert(normals.end(), {v.normal.x, v.normal.y, v.normal.z});
    texCoords.insert(texCoords.end(), {v.texCoord.s, v.texCoord.t});
  }
  TangentMesh input;
  input.triangleCount = mesh.triangles.size() / 3;
  input.indices = mesh.triangles.data();
  input.vertexCount = mesh.vertices.size();
  input.positions = positions.data();
  input.normals = normals.data();
  input.texCoords = texCoords.data();
  std::vector<float> out(4 * mesh.triangles.size());
  GenerateTangents(input, out.data());
}

}  // namespace

int main(int argc, char** argv) {
  long triangles = 1000000;
  int runs = 5, side = 2048;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--triangles") == 0 && i + 1 < argc)
      triangles = std::atol(argv[++i]);
    else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
    else if (std::strcmp(argv[i], "--smoke") == 0)
      triangles = 20000, runs = 1, side = 256;
    else
      return std::fprintf(stderr, "usage: check_model [--triangles N] [--runs N] [--smoke]\n"), 2;
  }
  // 2 x around x across triangles, around = 2 across, both whole islands.
  const int across =
      std::max(1, static_cast<int>(std::lround(std::sqrt(triangles / 4.0) / IslandSide))) *
      IslandSide;
  const TextureImage map = SinesMap(side);
  std::printf("%9s %8s %8s %8s %10s %10s %10s %10s %11s %8s\n", "triangles", "TANGENT", "seams",
              "samples", "check ms", "mikk ms", "image ms", "rest ms", "rest ns/tri", "peak MB");
  for (bool tangents : {false, true}) {
    LoadedModel model;
    {
      GltfDocument doc = NewGltf();
      GltfPrimitive torus = Torus(2 * across, across, tangents);
      AddNode(&doc, {{"mesh", AddMesh(&doc, {torus})}});
      const std::vector<std::uint8_t> glb = GlbBytes(doc);
      std::string refusal;
      if (!LoadGltf(glb.data(), glb.size(), "torus.glb", &model, &refusal))
        return std::fprintf(stderr, "check_model: %s\n", refusal.c_str()), 1;
    }
    model.images.push_back(map);
    model.parts[0].normalImage = 0;
    const std::size_t before = HeapNow;
    HeapPeak = HeapNow;
    ModelCheck check = CheckModelInDetail(model);
    const double peak = (HeapPeak - before) / 1e6;
    const double total = MedianMs(runs, [&] { check = CheckModelInDetail(model); });
    const double mikk = tangents ? MedianMs(runs, [&] { Mikk(model.parts[0].mesh); }) : 0;
    const double image = MedianMs(runs, [&] { CheckNormalMapImage(map); });
    double seams = 0, samples = 0;
    for (const Finding& f : check.findings)
      if (f.code == "baked-frame" || f.code == "baked-frame-unknown")
        for (const Figure& figure : f.figures) {
          if (figure.name == "seam_edges") seams = figure.value;
          if (figure.name == "samples") samples = figure.value;
        }
    const double rest = total - mikk - image;
    std::printf("%9zu %8s %8.0f %8.0f %10.1f %10.1f %10.1f %10.1f %11.1f %8.1f\n",
                model.triangleCount, tangents ? "yes" : "no", seams, samples, total, mikk, image,
                rest, 1e6 * rest / model.triangleCount, peak);
  }
  return 0;
}
