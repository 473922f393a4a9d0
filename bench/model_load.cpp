// Loading a large glTF model: writes a .glb of a grid of about --triangles triangles
// (positions, normals, texture coordinates, with or without TANGENT, 32-bit indices) and
// reads it with ReadModelFile, the way the program does, --runs times. Prints the speed
// (the file's megabytes a second, best and median) and the peak memory of a load: the most
// heap it held at once above what the process held before it (every operator new and
// delete counted), next to the size of the file's arrays and of the model handed out.
//
//   model_load [--triangles N] [--runs N] [--no-tangents] [--json FILE] [--smoke]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "gltf_files.h"
#include "heap_count.h"
#include "models/model.h"
#include "platform/backend.h"
#include "texture_files.h"

namespace {

// A gently waved grid of side x side quads in glTF's frame, two triangles each.
GltfPrimitive Grid(int side, bool tangents) {
  GltfPrimitive grid;
  const int n = side + 1;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const float u = static_cast<float>(i) / side, v = static_cast<float>(j) / side;
      grid.positions.insert(grid.positions.end(), {u, 0.05f * std::sin(20 * u), v});
      grid.normals.insert(grid.normals.end(), {0, 1, 0});
      if (tangents) grid.tangents.insert(grid.tangents.end(), {1, 0, 0, 1});
    }
  grid.texCoords.resize(1);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i)
      grid.texCoords[0].insert(grid.texCoords[0].end(),
                               {static_cast<float>(i) / side, static_cast<float>(j) / side});
  for (int j = 0; j < side; ++j)
    for (int i = 0; i < side; ++i) {
      const std::uint32_t a = j * n + i, b = a + 1, c = a + n, d = c + 1;
      grid.indices.insert(grid.indices.end(), {a, c, b, b, c, d});
    }
  return grid;
}

}  // namespace

int main(int argc, char** argv) {
  long triangles = 1000000;
  int runs = 5;
  bool tangents = true;
  const char* json = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--triangles" && i + 1 < argc)
      triangles = std::atol(argv[++i]);
    else if (a == "--runs" && i + 1 < argc)
      runs = std::atoi(argv[++i]);
    else if (a == "--no-tangents")
      tangents = false;
    else if (a == "--json" && i + 1 < argc)
      json = argv[++i];
    else if (a == "--smoke")
      triangles = 2000, runs = 1;
    else {
      std::fprintf(stderr,
                   "usage: model_load [--triangles N] [--runs N] [--no-tangents] [--json FILE] "
                   "[--smoke]\n");
      return 2;
    }
  }
  InstallPlatformFiles();
  const int side = std::max(1, static_cast<int>(std::lround(std::sqrt(triangles / 2.0))));
  std::string path;
  std::size_t fileBytes = 0, arrayBytes = 0;
  {
    GltfDocument doc = NewGltf();
    AddNode(&doc, {{"mesh", AddMesh(&doc, {Grid(side, tangents)})}});
    arrayBytes = doc.bin.size();
    const std::vector<std::uint8_t> glb = GlbBytes(doc);
    fileBytes = glb.size();
    path = WriteScratchFile("large.glb", glb);
  }

  std::vector<double> seconds;
  std::size_t peakBytes = 0;
  std::size_t modelBytes = 0, loadedTriangles = 0;
  for (int run = 0; run < runs; ++run) {
    LoadedModel model;
    std::string refusal;
    const std::size_t before = HeapNow;
    HeapPeak = HeapNow;
    const auto start = std::chrono::steady_clock::now();
    if (!ReadModelFile(path.c_str(), &model, &refusal)) {
      std::fprintf(stderr, "model_load: %s\n", refusal.c_str());
      return 1;
    }
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    peakBytes = std::max(peakBytes, HeapPeak - before);
    loadedTriangles = model.triangleCount;
    modelBytes = 0;
    for (const ModelPart& part : model.parts)
      modelBytes += part.mesh.vertices.size() * sizeof(MeshVertex) +
                    part.mesh.triangles.size() * sizeof(std::uint32_t) +
                    part.fileTangents.size() * sizeof(FileTangent);
  }
  std::sort(seconds.begin(), seconds.end());
  const double mb = fileBytes / 1e6, median = seconds[seconds.size() / 2];
  const double peakMb = peakBytes / 1e6;
  std::printf("model_load: %zu triangles, %s, file %.1f MB (arrays %.1f MB), model %.1f MB\n",
              loadedTriangles, tangents ? "TANGENT in the file" : "MikkTSpace tangents", mb,
              arrayBytes / 1e6, modelBytes / 1e6);
  std::printf("  load: best %.0f ms (%.0f MB/s), median %.0f ms (%.0f MB/s) of %d\n",
              seconds.front() * 1e3, mb / seconds.front(), median * 1e3, mb / median, runs);
  std::printf(
      "  peak memory above the process before the load: %.1f MB = %.2f x the arrays, "
      "%.2f x the model\n",
      peakMb, peakMb / (arrayBytes / 1e6), peakMb / (modelBytes / 1e6));
  if (json) {
    std::ofstream out(json);
    out << "{\"triangles\": " << loadedTriangles << ", \"tangents_in_file\": " << tangents
        << ", \"file_mb\": " << mb << ", \"array_mb\": " << arrayBytes / 1e6
        << ", \"model_mb\": " << modelBytes / 1e6 << ", \"best_ms\": " << seconds.front() * 1e3
        << ", \"median_ms\": " << median * 1e3 << ", \"peak_mb\": " << peakMb << "}\n";
  }
  return 0;
}
