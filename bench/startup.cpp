// Start-up benchmark, measured from outside the programs: the time from exec to the first
// buffer swap broken down by phase, and the resident memory at the first swap broken down
// by owner (both from the start-up probe, bench/startup_probe.c, preloaded), and the peak
// resident memory of the whole run (wait4's rusage), for
//   bumpdemo           the real executable, as started with no options;
//   startup_reference  the same window, textures and first frame by direct SDL, libGL
//                      and libGLU calls (bench/startup_reference.cpp);
//   minimal_sdl        a 640 x 480 GL window swapped once, nothing drawn;
//   bumpdemo_core, bumpdemo_es  the real executable with --context core or es: the shaders
//                      renderer in an OpenGL 3.3 core or an OpenGL ES 3.0 context.
// The programs run in turn, so that all see the same machine. The first two run on until
// a SIGTERM, which SDL turns into a quit request, so they end through their teardown.
//
//   startup --demo EXE --reference EXE --minimal EXE --probe LIB --assets DIR --json FILE
//           [--runs N] [--smoke]
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int ProgramCount = 5;
const char* const ProgramNames[ProgramCount] = {"bumpdemo", "startup_reference", "minimal_sdl",
                                                "bumpdemo_core", "bumpdemo_es"};
// The option each program is started with (the last two are bumpdemo's).
const char* const ProgramOptions[ProgramCount] = {nullptr, nullptr, nullptr, "--context=core",
                                                  "--context=es"};

// The phases, between the probe's marks; the minimal program polls no event, so its
// set-up is empty and its first frame runs from the context to the swap.
constexpr int PhaseCount = 6;
const char* const PhaseNames[PhaseCount] = {"load",    "before_window", "window",
                                            "context", "set_up",        "first_frame"};
const char* const PhaseText[PhaseCount] = {"load (exec: linked libraries mapped)",
                                           "to the window (main, SDL, GL/GLU dlopen)",
                                           "SDL_CreateWindow",
                                           "context (SDL_GL_CreateContext)",
                                           "set-up (state, textures)",
                                           "first frame (to the swap)"};

constexpr int OwnerCount = 12;
const char* const OwnerNames[OwnerCount] = {
    "program",   "llvm", "gallium_driver", "gl_glu_egl", "sdl",   "c_cxx_runtime",
    "other_lib", "heap", "anon_code",      "anon_data",  "stack", "other"};
const char* const OwnerText[OwnerCount] = {"the executable",
                                           "libLLVM",
                                           "gallium driver",
                                           "libGL/GLU/EGL/GLX",
                                           "libSDL2",
                                           "C/C++ runtime",
                                           "other libraries (X11, ...)",
                                           "[heap]",
                                           "anonymous, executable (JIT)",
                                           "anonymous, data",
                                           "[stack]",
                                           "other mappings"};

struct Run {
  bool ok = false;
  double phaseMs[PhaseCount] = {};
  double dlopenMs[PhaseCount] = {};
  double firstSwapMs = 0;
  double ownerKb[OwnerCount] = {};
  double firstSwapKb = 0;  // the sum of the owners' resident memory
  double peakKb = 0;       // wait4: the whole run
};

long long NowNs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Runs the program in dir with the probe preloaded; one that loops gets SIGTERM after
// termAfter seconds, and anything still alive after 30 s is killed.
Run RunOnce(const std::string& exe, const char* option, const std::string& dir,
            const std::string& probe, double termAfter) {
  Run run;
  const std::string probeOut = dir + "/startup_probe.txt";
  std::filesystem::remove(probeOut);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    setenv("LD_PRELOAD", probe.c_str(), 1);
    setenv("STARTUP_PROBE_OUT", probeOut.c_str(), 1);
    setenv("STARTUP_PROBE_EXEC_NS", std::to_string(NowNs()).c_str(), 1);
    execl(exe.c_str(), exe.c_str(), option, static_cast<char*>(nullptr));
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
  std::map<std::string, long long> value;
  std::ifstream in(probeOut);
  std::string key;
  long long number = 0;
  while (in >> key >> number) value[key] = number;
  const long long exec = value["exec"], swap = value["first_swap"];
  if (value["swaps"] <= 0 || exec <= 0 || swap <= exec || value["context_end"] <= 0) return run;
  // The marks in order; the minimal program's missing poll closes an empty set-up.
  long long marks[PhaseCount + 1] = {
      exec,
      value["loaded"],
      value["window_begin"],
      value["window_end"],
      value["context_end"],
      value["first_poll"] ? value["first_poll"] : value["context_end"],
      swap};
  for (int i = 0; i < PhaseCount; ++i) {
    if (marks[i + 1] < marks[i]) return run;  // a boundary out of order: not a start-up we know
    run.phaseMs[i] = (marks[i + 1] - marks[i]) / 1e6;
    run.dlopenMs[i] = value["dlopen_ns_" + std::to_string(i)] / 1e6;
  }
  run.firstSwapMs = (swap - exec) / 1e6;
  for (int i = 0; i < OwnerCount; ++i) {
    run.ownerKb[i] = static_cast<double>(value[std::string("rss_kb_") + OwnerNames[i]]);
    run.firstSwapKb += run.ownerKb[i];
  }
  run.peakKb = static_cast<double>(usage.ru_maxrss);  // KiB
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && run.firstSwapKb > 0;
  return run;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

struct Stats {
  double median = 0, low = 0, high = 0;
};

Stats Of(const std::vector<double>& values) {
  Stats s;
  if (values.empty()) return s;
  s.median = Median(values);
  s.low = *std::min_element(values.begin(), values.end());
  s.high = *std::max_element(values.begin(), values.end());
  return s;
}

template <typename Get>
Stats Over(const std::vector<Run>& runs, Get get) {
  std::vector<double> values;
  for (const Run& run : runs) values.push_back(get(run));
  return Of(values);
}

void WriteStats(FILE* out, const char* key, const Stats& s) {
  std::fprintf(out, "\"%s\": {\"median\": %.3f, \"min\": %.3f, \"max\": %.3f}", key, s.median,
               s.low, s.high);
}

}  // namespace

int main(int argc, char** argv) {
  std::string exe[ProgramCount], probe, assets, json = "build/bench/startup.json";
  int runs = 7;
  bool smoke = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--smoke")
      smoke = true;
    else if (arg == "--demo" && hasValue)
      exe[0] = argv[++i];
    else if (arg == "--reference" && hasValue)
      exe[1] = argv[++i];
    else if (arg == "--minimal" && hasValue)
      exe[2] = argv[++i];
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
  if (exe[0].empty() || exe[1].empty() || exe[2].empty() || probe.empty() || assets.empty()) {
    std::fprintf(stderr,
                 "startup: --demo, --reference, --minimal, --probe and --assets are required\n");
    return 2;
  }
  if (smoke) runs = 1;
  exe[3] = exe[4] = exe[0];

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
  for (std::string& path : exe) path = fs::absolute(path).string();
  probe = fs::absolute(probe).string();

  std::vector<Run> done[ProgramCount];
  int failures = 0;
  for (int i = 0; i < runs; ++i) {
    for (int which = 0; which < ProgramCount; ++which) {
      // The order turns each run, so that no program always follows the same one.
      const int k = (which + i) % ProgramCount;
      const Run run = RunOnce(exe[k], ProgramOptions[k], dir.string(), probe, k == 2 ? -1 : 1.5);
      if (!run.ok) {
        std::fprintf(stderr,
                     "startup: a run of %s failed (no swap, no probe report or a "
                     "non-zero exit)\n",
                     ProgramNames[k]);
        ++failures;
        continue;
      }
      done[k].push_back(run);
    }
  }
  fs::remove_all(dir, error);

  Stats phase[ProgramCount][PhaseCount], dlopen[ProgramCount][PhaseCount], total[ProgramCount],
      owner[ProgramCount][OwnerCount], atSwap[ProgramCount], peak[ProgramCount];
  for (int k = 0; k < ProgramCount; ++k) {
    for (int i = 0; i < PhaseCount; ++i) {
      phase[k][i] = Over(done[k], [i](const Run& r) { return r.phaseMs[i]; });
      dlopen[k][i] = Over(done[k], [i](const Run& r) { return r.dlopenMs[i]; });
    }
    total[k] = Over(done[k], [](const Run& r) { return r.firstSwapMs; });
    for (int i = 0; i < OwnerCount; ++i)
      owner[k][i] = Over(done[k], [i](const Run& r) { return r.ownerKb[i] / 1024; });
    atSwap[k] = Over(done[k], [](const Run& r) { return r.firstSwapKb / 1024; });
    peak[k] = Over(done[k], [](const Run& r) { return r.peakKb / 1024; });
  }

  std::printf(
      "start-up to the first swap, %d runs each (medians; dlopen time within each "
      "phase in brackets)\n",
      runs);
  std::printf("  %-42s", "phase, ms");
  for (int k = 0; k < ProgramCount; ++k) std::printf(" %18s", ProgramNames[k]);
  std::printf("\n");
  for (int i = 0; i < PhaseCount; ++i) {
    std::printf("  %-42s", PhaseText[i]);
    for (int k = 0; k < ProgramCount; ++k)
      std::printf(" %9.1f [%6.1f]", phase[k][i].median, dlopen[k][i].median);
    std::printf("\n");
  }
  std::printf("  %-42s", "first swap (min..max)");
  for (int k = 0; k < ProgramCount; ++k)
    std::printf(" %5.1f (%.0f..%.0f)", total[k].median, total[k].low, total[k].high);
  std::printf("\n  %-42s\n", "owner of resident memory at the first swap, MB");
  for (int i = 0; i < OwnerCount; ++i) {
    std::printf("  %-42s", OwnerText[i]);
    for (int k = 0; k < ProgramCount; ++k) std::printf(" %18.2f", owner[k][i].median);
    std::printf("\n");
  }
  std::printf("  %-42s", "resident at the first swap");
  for (int k = 0; k < ProgramCount; ++k) std::printf(" %18.2f", atSwap[k].median);
  std::printf("\n  %-42s", "peak resident, whole run (wait4)");
  for (int k = 0; k < ProgramCount; ++k) std::printf(" %18.2f", peak[k].median);
  const double timeRatio = total[1].median > 0 ? total[0].median / total[1].median : 0;
  const double memoryRatio = peak[1].median > 0 ? peak[0].median / peak[1].median : 0;
  std::printf("\n  bumpdemo / reference: first swap %.3f, peak resident %.3f\n", timeRatio,
              memoryRatio);
  if (failures) std::printf("  %d runs failed\n", failures);

  FILE* out = std::fopen(jsonPath.c_str(), "w");
  if (!out) return 1;
  std::fprintf(out, "{\n  \"runs\": %d,\n  \"failures\": %d,\n", runs, failures);
  std::fprintf(out,
               "  \"ratio_first_swap_program_reference\": %.4f,\n"
               "  \"ratio_peak_rss_program_reference\": %.4f,\n  \"programs\": {",
               timeRatio, memoryRatio);
  for (int k = 0; k < ProgramCount; ++k) {
    std::fprintf(out, "%s\n    \"%s\": {\n      ", k ? "," : "", ProgramNames[k]);
    WriteStats(out, "first_swap_ms", total[k]);
    std::fprintf(out, ",\n      \"first_swap_ms_runs\": [");
    for (std::size_t i = 0; i < done[k].size(); ++i)
      std::fprintf(out, "%s%.3f", i ? ", " : "", done[k][i].firstSwapMs);
    std::fprintf(out, "],\n      \"phases_ms\": {");
    for (int i = 0; i < PhaseCount; ++i) {
      std::fprintf(out, "%s\n        ", i ? "," : "");
      WriteStats(out, PhaseNames[i], phase[k][i]);
    }
    std::fprintf(out, "\n      },\n      \"dlopen_ms_median\": {");
    for (int i = 0; i < PhaseCount; ++i)
      std::fprintf(out, "%s\"%s\": %.3f", i ? ", " : "", PhaseNames[i], dlopen[k][i].median);
    std::fprintf(out, "},\n      \"rss_at_first_swap_mb_median\": {");
    for (int i = 0; i < OwnerCount; ++i)
      std::fprintf(out, "%s\"%s\": %.3f", i ? ", " : "", OwnerNames[i], owner[k][i].median);
    std::fprintf(out, "},\n      ");
    WriteStats(out, "rss_at_first_swap_mb", atSwap[k]);
    std::fprintf(out, ",\n      ");
    WriteStats(out, "peak_rss_mb", peak[k]);
    std::fprintf(out, "\n    }");
  }
  std::fprintf(out, "\n  }\n}\n");
  std::fclose(out);
  return failures ? 1 : 0;
}
