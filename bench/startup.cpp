// Start-up benchmark, measured from outside the programs: the time from loading to the
// first buffer swap (the swap probe, interposed with LD_PRELOAD, times it) and the peak
// resident memory (wait4's rusage), for the real executable and for a minimal SDL
// program that opens a 640 x 480 GL window and swaps once. The demo runs on until a
// SIGTERM, which SDL turns into a quit request, so it ends through its own teardown.
//
//   startup --demo EXE --minimal EXE --probe LIB --assets DIR --json FILE [--runs N] [--smoke]
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Run {
  bool ok = false;
  double firstSwapMs = 0;
  double peakRssMb = 0;
};

// Runs the program in dir with the probe preloaded; a demo gets SIGTERM after termAfter
// seconds, and anything still alive after 30 s is killed.
Run RunOnce(const std::string& exe, const std::string& dir, const std::string& probe,
            double termAfter) {
  Run run;
  const std::string probeOut = dir + "/swap_probe.txt";
  std::filesystem::remove(probeOut);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    setenv("LD_PRELOAD", probe.c_str(), 1);
    setenv("SWAP_PROBE_OUT", probeOut.c_str(), 1);
    execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid < 0) return run;
  const auto start = std::chrono::steady_clock::now();
  bool termed = false;
  int status = 0;
  rusage usage = {};
  for (;;) {
    const pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (termAfter >= 0 && seconds >= termAfter && !termed) {
      kill(pid, SIGTERM);
      termed = true;
    }
    if (seconds > 30) kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::ifstream in(probeOut);
  long swaps = 0;
  double micros = -1;
  if (in >> swaps >> micros && swaps > 0 && micros >= 0) {
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.firstSwapMs = micros / 1000.0;
    run.peakRssMb = usage.ru_maxrss / 1024.0;  // ru_maxrss is in KiB
  }
  return run;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  std::string demo, minimal, probe, assets, json = "build/bench/startup.json";
  int runs = 7;
  bool smoke = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--smoke")
      smoke = true;
    else if (arg == "--demo" && hasValue)
      demo = argv[++i];
    else if (arg == "--minimal" && hasValue)
      minimal = argv[++i];
    else if (arg == "--probe" && hasValue)
      probe = argv[++i];
    else if (arg == "--assets" && hasValue)
      assets = argv[++i];
    else if (arg == "--json" && hasValue)
      json = argv[++i];
    else if (arg == "--runs" && hasValue)
      runs = std::max(1, std::atoi(argv[++i]));
    else {
      std::fprintf(stderr, "startup: unknown argument %s\n", arg.c_str());
      return 2;
    }
  }
  if (demo.empty() || minimal.empty() || probe.empty() || assets.empty()) {
    std::fprintf(stderr, "startup: --demo, --minimal, --probe and --assets are required\n");
    return 2;
  }
  if (smoke) runs = 1;

  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path jsonPath = fs::absolute(json);
  fs::create_directories(jsonPath.parent_path(), error);
  const fs::path dir = jsonPath.parent_path() / ("startup-" + std::to_string(getpid()));
  fs::create_directories(dir / "system", error);
  fs::copy(fs::absolute(assets) / "Textures", dir / "Textures", fs::copy_options::recursive, error);
  if (error) {
    std::fprintf(stderr, "startup: cannot make %s\n", dir.c_str());
    return 2;
  }
  demo = fs::absolute(demo).string();
  minimal = fs::absolute(minimal).string();
  probe = fs::absolute(probe).string();

  // Alternating, so that both see the same machine.
  std::vector<double> swapMs[2], rssMb[2];
  int failures = 0;
  for (int i = 0; i < runs; ++i) {
    for (int which = 0; which < 2; ++which) {
      const Run run = which == 0 ? RunOnce(demo, dir.string(), probe, 1.5)
                                 : RunOnce(minimal, dir.string(), probe, -1);
      if (!run.ok) {
        ++failures;
        continue;
      }
      swapMs[which].push_back(run.firstSwapMs);
      rssMb[which].push_back(run.peakRssMb);
    }
  }
  fs::remove_all(dir, error);

  const char* names[2] = {"bumpdemo", "minimal_sdl"};
  std::printf("start-up to the first swap and peak RSS, %d runs each\n", runs);
  std::printf("  %-12s %14s %14s %12s\n", "program", "first swap ms", "min..max", "peak RSS MB");
  for (int which = 0; which < 2; ++which) {
    if (swapMs[which].empty()) continue;
    std::printf("  %-12s %14.1f %6.1f..%-7.1f %12.1f\n", names[which], Median(swapMs[which]),
                *std::min_element(swapMs[which].begin(), swapMs[which].end()),
                *std::max_element(swapMs[which].begin(), swapMs[which].end()),
                Median(rssMb[which]));
  }
  if (failures) std::printf("  %d runs failed (no swap or a non-zero exit)\n", failures);

  FILE* out = std::fopen(jsonPath.c_str(), "w");
  if (!out) return 1;
  std::fprintf(out, "{\n  \"runs\": %d,\n  \"failures\": %d", runs, failures);
  for (int which = 0; which < 2; ++which) {
    std::fprintf(out,
                 ",\n  \"%s\": {\"first_swap_ms_median\": %.3f, \"peak_rss_mb_median\": %.2f, "
                 "\"first_swap_ms\": [",
                 names[which], Median(swapMs[which]), Median(rssMb[which]));
    for (std::size_t i = 0; i < swapMs[which].size(); ++i)
      std::fprintf(out, "%s%.3f", i ? ", " : "", swapMs[which][i]);
    std::fprintf(out, "]}");
  }
  std::fprintf(out, "\n}\n");
  std::fclose(out);
  return failures ? 1 : 0;
}
