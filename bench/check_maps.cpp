// The normal-map checks' time and memory: CheckNormalMapImage on maps of 256 to 4096 texels
// a side, made from a sum of sines (relief in every direction, no finding), the median of
// several runs per size, in milliseconds and nanoseconds per texel, with the part the
// green channel's check takes, and the resident memory a check adds to the map's own (the
// peak, reset before it through /proc/self/clear_refs, less the memory before it).
//
//   check_maps [--runs N] [--largest SIDE] [--smoke]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "check/image_checks.h"
#include "textures/green_check.h"
#include "textures/normal_map.h"

namespace {

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

// The process's resident memory now, or its peak, in megabytes (Linux's /proc).
double ResidentMegabytes(const char* field) {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return 0;
  char line[256];
  double kilobytes = 0;
  const std::size_t length = std::strlen(field);
  while (std::fgets(line, sizeof line, status))
    if (std::strncmp(line, field, length) == 0) kilobytes = std::atof(line + length);
  std::fclose(status);
  return kilobytes / 1024;
}

void ResetPeak() {
  if (std::FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", refs);
    std::fclose(refs);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5, largest = 4096;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
    else if (std::strcmp(argv[i], "--largest") == 0 && i + 1 < argc)
      largest = std::max(256, std::atoi(argv[++i]));
    else if (std::strcmp(argv[i], "--smoke") == 0)
      runs = 1, largest = 256;
    else
      return std::fprintf(stderr, "usage: check_maps [--runs N] [--largest SIDE] [--smoke]\n"), 2;
  }
  std::printf("%6s %10s %12s %10s %10s %9s %9s\n", "side", "check ms", "ns/texel", "green ms",
              "findings", "map MB", "added MB");
  for (int side = 256; side <= largest; side *= 2) {
    const TextureImage map = SinesMap(side);
    std::size_t findings = 0;
    const double before = ResidentMegabytes("VmRSS:");
    ResetPeak();
    findings = CheckNormalMapImage(map).size();
    const double added = ResidentMegabytes("VmHWM:") - before;
    const double check = MedianMs(runs, [&] { findings = CheckNormalMapImage(map).size(); });
    const double green = MedianMs(runs, [&] { MeasureGreenFit(map); });
    std::printf("%6d %10.1f %12.1f %10.1f %10zu %9.1f %9.1f\n", side, check,
                1e6 * check / (static_cast<double>(side) * side), green, findings,
                map.pixels.size() / 1048576.0, added);
    if (findings != 0) return std::fprintf(stderr, "check_maps: the clean map has findings\n"), 1;
  }
  return 0;
}
