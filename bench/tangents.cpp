// The tangent generator's speed and memory against the reference's (npm mikktspace in
// WebAssembly, run by node), on the same meshes in the same run: spheres and tori with a
// seam and a mirrored half, from 10,000 to 2,000,000 triangles. For each mesh it prints
// our best time of a few runs on the clock and in CPU time, the peak of what the generator
// allocates, the reference's best times (taken inside node, around the call alone) and
// node's peak resident memory, the ratios, our CPU nanoseconds per triangle (flat when the
// work is linear), and the largest difference between the two generators' tangents (per
// component) with the signs that differ. One thread throughout; the CPU times are the
// fairer figures on a machine that others share (the load average is printed).
//
// Like the reference's WebAssembly memory, which only grows, the C library's heap is told
// to keep what is freed (no trimming, no fresh mappings for large blocks), so that the best
// of the runs is a warm call, as the reference's is. Our first call on each mesh, which
// touches new pages as a loader's one call would, is printed too ("first").
//
//   tangents_bench [--smoke] [--json FILE] [--work DIR] [--runs N]
//
// --smoke: the 10,000-triangle meshes once each, which fails (exit 1) when the reference
// cannot be run or the tangents differ by more than 0.001.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "heap_count.h"
#include "tangent_meshes.h"

namespace {

struct Row {
  std::string mesh;
  std::size_t triangles = 0;
  double oursSeconds = 0, oursCpuSeconds = 0, oursFirstCpuSeconds = 0;
  double referenceSeconds = 0, referenceCpuSeconds = 0;
  double oursPeakBytes = 0, referencePeakBytes = 0;
  double largestDifference = 0;
  std::size_t signsDiffering = 0;
};

double CpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec * 1e-9;
}

// The first figure of /proc/loadavg: how many tasks wanted the machine's cores.
std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string load;
  file >> load;
  return load.empty() ? "0" : load;
}

// Our best time of runs calls, on the clock and in CPU time, and the most the generator
// had allocated at once, its output included: GenerateTangentFrames, as the loader calls
// it (each distinct frame once); the frames are then spread to the corners for the
// comparison.
void TimeOurs(const TestMesh& mesh, int runs, Row& row, std::vector<float>& tangents) {
  const TangentMesh view = ViewOf(mesh);
  TangentFrames frames;
  row.oursSeconds = row.oursCpuSeconds = INFINITY;
  for (int run = 0; run < runs; ++run) {
    frames = TangentFrames();
    const std::size_t before = HeapNow;
    HeapPeak = before;
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    GenerateTangentFrames(view, &frames);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (run == 0) row.oursFirstCpuSeconds = CpuSeconds() - cpu;
    row.oursCpuSeconds = std::min(row.oursCpuSeconds, CpuSeconds() - cpu);
    row.oursSeconds = std::min(row.oursSeconds, took.count());
    row.oursPeakBytes = static_cast<double>(HeapPeak - before);
  }
  tangents.resize(12 * mesh.TriangleCount());
  for (std::size_t c = 0; c < frames.cornerFrame.size(); ++c)
    std::copy_n(&frames.frames[4 * std::size_t{frames.cornerFrame[c]}], 4, &tangents[4 * c]);
}

bool WriteJson(const std::string& path, const std::vector<Row>& rows, const std::string& loadBefore,
               const std::string& loadAfter) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (!file) return false;
  std::fprintf(file, "{\n  \"load_average_before\": %s,\n  \"load_average_after\": %s,\n",
               loadBefore.c_str(), loadAfter.c_str());
  std::fprintf(file, "  \"sizes\": [\n");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    std::fprintf(file, "    {\"mesh\": \"%s\", \"triangles\": %zu, ", r.mesh.c_str(), r.triangles);
    std::fprintf(file, "\"ours_s\": %.6f, \"reference_s\": %.6f, \"ratio\": %.2f, ", r.oursSeconds,
                 r.referenceSeconds, r.referenceSeconds / r.oursSeconds);
    std::fprintf(file, "\"ours_cpu_s\": %.6f, \"reference_cpu_s\": %.6f, \"cpu_ratio\": %.2f, ",
                 r.oursCpuSeconds, r.referenceCpuSeconds, r.referenceCpuSeconds / r.oursCpuSeconds);
    std::fprintf(file, "\"ours_first_cpu_s\": %.6f, \"first_cpu_ratio\": %.2f, ",
                 r.oursFirstCpuSeconds, r.referenceCpuSeconds / r.oursFirstCpuSeconds);
    std::fprintf(file, "\"ours_cpu_ns_per_triangle\": %.1f, \"ours_peak_bytes\": %.0f, ",
                 1e9 * r.oursCpuSeconds / r.triangles, r.oursPeakBytes);
    std::fprintf(file, "\"reference_peak_rss_bytes\": %.0f, ", r.referencePeakBytes);
    std::fprintf(file, "\"largest_difference\": %.3g, \"signs_differing\": %zu}%s\n",
                 r.largestDifference, r.signsDiffering, i + 1 < rows.size() ? "," : "");
  }
  std::fprintf(file, "  ]\n}\n");
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool smoke = false;
  std::string json, work = "tangent-bench";
  int runs = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--smoke") {
      smoke = true;
    } else if (arg == "--json" && i + 1 < argc) {
      json = argv[++i];
    } else if (arg == "--work" && i + 1 < argc) {
      work = argv[++i];
    } else if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr,
                   "usage: tangents_bench [--smoke] [--json FILE] [--work DIR] [--runs N]\n");
      return 2;
    }
  }
  std::vector<std::size_t> sizes = {10000, 30000, 100000, 300000, 1000000, 2000000};
  if (smoke) sizes = {10000}, runs = 1;

  // Freed memory stays with the process (see the top of the file).
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_MMAP_MAX, 0);

  const std::string loadBefore = LoadAverage();
  std::printf(
      "load average %s; times in ms, the best of %d runs (the reference's: of 3 up to\n"
      "100,000 triangles, else 1), \"first\" our first call; ratios: the reference's time\n"
      "over ours (wall, CPU, CPU over our first call's)\n",
      loadBefore.c_str(), runs);
  std::printf("%-6s %9s %7s %7s %7s %8s %8s %6s %6s %6s %6s %6s %6s %7s %5s\n", "mesh", "triangles",
              "ours", "cpu", "first", "ref", "ref cpu", "ratio", "cpu x", "first", "ns/tri", "MB",
              "ref MB", "largest", "signs");
  std::vector<Row> rows;
  bool failed = false;
  for (std::size_t size : sizes) {
    // 4 k^2 triangles either way: k rings (less the pole slivers) of 2k segments, or 2k
    // segments of k sides.
    const int k = static_cast<int>(std::lround(std::sqrt(size / 4.0)));
    for (int shape = 0; shape < 2; ++shape) {
      Row row;
      row.mesh = shape == 0 ? "sphere" : "torus";
      const TestMesh mesh =
          shape == 0 ? MakeSphere(k + 1, 2 * k, true, false) : MakeTorus(2 * k, k, true);
      row.triangles = mesh.TriangleCount();
      std::vector<float> ours;
      TimeOurs(mesh, runs, row, ours);
      // The reference once on the large meshes: it takes seconds there.
      const ReferenceRun reference =
          RunReference(mesh, work, row.triangles <= 100000 && !smoke ? 3 : 1);
      if (!reference.error.empty()) {
        std::fprintf(stderr, "tangents_bench: %s\n", reference.error.c_str());
        return 1;
      }
      row.referenceSeconds = reference.seconds;
      row.referenceCpuSeconds = reference.cpuSeconds;
      row.referencePeakBytes = reference.peakBytes;
      const TangentDifference d = CompareTangents(ours, reference.tangents);
      row.largestDifference = d.largest;
      row.signsDiffering = d.signsDiffering;
      failed = failed || !(d.largest <= 0.001) || d.signsDiffering != 0;
      std::printf(
          "%-6s %9zu %7.2f %7.2f %7.2f %8.1f %8.1f %6.1f %6.1f %6.1f %6.1f %6.1f %6.0f %7.2g "
          "%5zu\n",
          row.mesh.c_str(), row.triangles, 1e3 * row.oursSeconds, 1e3 * row.oursCpuSeconds,
          1e3 * row.oursFirstCpuSeconds, 1e3 * row.referenceSeconds, 1e3 * row.referenceCpuSeconds,
          row.referenceSeconds / row.oursSeconds, row.referenceCpuSeconds / row.oursCpuSeconds,
          row.referenceCpuSeconds / row.oursFirstCpuSeconds,
          1e9 * row.oursCpuSeconds / row.triangles, row.oursPeakBytes / 1e6,
          row.referencePeakBytes / 1e6, row.largestDifference, row.signsDiffering);
      std::fflush(stdout);
      rows.push_back(row);
    }
  }
  const std::string loadAfter = LoadAverage();
  std::printf("load average %s\n", loadAfter.c_str());
  if (!json.empty() && !WriteJson(json, rows, loadBefore, loadAfter)) {
    std::fprintf(stderr, "tangents_bench: could not write %s\n", json.c_str());
    return 1;
  }
  if (failed) std::fprintf(stderr, "tangents_bench: the tangents differ from the reference's\n");
  return failed ? 1 : 0;
}
