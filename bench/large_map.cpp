// A large normal map (8192 x 8192 unless asked otherwise) given with --normal-map: its parts
// one by one, in this process, and the real executable's start-up with it.
//   the parts  the file read; stb_image's decode, and the conversion to the program's layout
//              (rows bottom first, three channels) that ParseImage adds to it; the checks; one
//              copy of the image (what each copy the program no longer makes cost); the mipmap
//              chain halved in place; gluBuild2DMipmaps's upload, for comparison, and the
//              upload with the program's chain (UploadMipmappedImage: room for the chain made
//              once), which takes the image over as the program's does. Each
//              with its time and the resident memory it adds at its peak (the peak reset
//              through /proc/self/clear_refs, less what was resident before).
//   start-up   bumpdemo --normal-map FILE --frames 1, with each renderer, the start-up probe
//              preloaded: exec to the frame with the note, and to the main loop's first frame
//              (the probe's first swap and frame swap); the peak resident memory (the probe's VmHWM
//              at exit).
// The map is made from an analytic relief (sums of sines: no finding) and written as a PNG
// once into the work directory. Prints the figures and writes them as JSON.
//
//   large_map_bench --work DIR --demo EXE --probe LIB --assets DIR --json FILE [--side N]
//                   [--runs N] [--smoke]
#include <fcntl.h>
#include <signal.h>
#include <stb_image_write.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "check/image_checks.h"
#include "gl/gl.h"
#include "log/log.h"
#include "platform/backend.h"
#include "textures/bmp.h"
#include "textures/image.h"
#include "textures/stb_decode.h"
#include "textures/texture.h"
#include "window/window.h"

namespace {

namespace fs = std::filesystem;

struct Options {
  std::string work, demo, probe, assets, json;
  int side = 8192, runs = 3;
  bool smoke = false;
};

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// The process's resident memory now (VmRSS) or its peak (VmHWM), in megabytes.
double ResidentMb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::size_t length = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, length, field) == 0) return std::atof(line.c_str() + length) * 1024 / 1e6;
  return 0;
}

void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

struct Part {
  std::string name, text;
  double ms = 0, addedMb = 0;
};

// Times one part and the resident memory it adds at its peak.
Part Measure(const char* name, const char* text, const std::function<void()>& work) {
  Part part;
  part.name = name;
  part.text = text;
  const double before = ResidentMb("VmRSS:");
  ResetPeak();
  const double start = Now();
  work();
  part.ms = 1e3 * (Now() - start);
  part.addedMb = ResidentMb("VmHWM:") - before;
  std::printf("  %-52s %9.1f ms %9.1f MB\n", text, part.ms, part.addedMb);
  std::fflush(stdout);
  return part;
}

// The relief z = h(x, y) over the whole map (period 256 texels, features in every
// direction) as a normal map, strength 6 texels, 0.5 + 0.5 n per channel; rows top first.
std::vector<std::uint8_t> Relief(int side) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(side) * side * 3);
  const double k = 2 * M_PI / 256, strength = 6;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const double dx = 0.5 * 3 * k * std::cos(3 * k * x) * std::sin(2 * k * y) -
                        0.3 * k * std::sin(k * (x + 2 * y));
      const double dy = 0.5 * 2 * k * std::sin(3 * k * x) * std::cos(2 * k * y) -
                        0.3 * 2 * k * std::sin(k * (x + 2 * y));
      double n[3] = {-strength * dx, strength * dy, 1};  // rows top first: y runs down
      const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      std::uint8_t* texel = &rgb[3 * (static_cast<std::size_t>(y) * side + x)];
      for (int c = 0; c < 3; ++c)
        texel[c] = static_cast<std::uint8_t>(std::lround(127.5 + 127.5 * n[c] / length));
    }
  return rgb;
}

long long NowNs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Start {
  double noteMs = 0, frameMs = 0, peakMb = 0;
  bool ok = false;
};

Start StartOnce(const Options& options, const std::string& dir, const std::string& map,
                bool shaders) {
  Start start;
  const std::string probeOut = dir + "/probe.txt";
  fs::remove(probeOut);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    unsetenv("DISPLAY");
    setenv("LD_PRELOAD", options.probe.c_str(), 1);
    setenv("STARTUP_PROBE_OUT", probeOut.c_str(), 1);
    setenv("STARTUP_PROBE_EXEC_NS", std::to_string(NowNs()).c_str(), 1);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 1);
    const char* renderer = shaders ? "shaders" : "stages";
    execl(options.demo.c_str(), options.demo.c_str(), "--normal-map", map.c_str(), "--frames", "1",
          "--renderer", renderer, static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid < 0) return start;
  int status = 0;
  rusage usage = {};
  const double begun = Now();
  while (wait4(pid, &status, WNOHANG, &usage) != pid) {
    if (Now() - begun > 120) kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::map<std::string, long long> value;
  std::ifstream in(probeOut);
  std::string key;
  long long number = 0;
  while (in >> key >> number) value[key] = number;
  const long long exec = value["exec"];
  const long long frame = value["frame_swap"] ? value["frame_swap"] : value["first_swap"];
  start.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && exec && frame > exec;
  start.noteMs = (value["first_swap"] - exec) / 1e6;
  start.frameMs = (frame - exec) / 1e6;
  start.peakMb = value["hwm_kb_exit"] * 1024.0 / 1e6;
  return start;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--smoke") {
      options->smoke = true;
      options->side = 4096;  // still announced as a long load
      options->runs = 1;
    } else if (arg == "--work" && hasValue) {
      options->work = argv[++i];
    } else if (arg == "--demo" && hasValue) {
      options->demo = argv[++i];
    } else if (arg == "--probe" && hasValue) {
      options->probe = argv[++i];
    } else if (arg == "--assets" && hasValue) {
      options->assets = argv[++i];
    } else if (arg == "--json" && hasValue) {
      options->json = argv[++i];
    } else if (arg == "--side" && hasValue) {
      options->side = std::max(256, std::atoi(argv[++i]));
    } else if (arg == "--runs" && hasValue) {
      options->runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "large_map_bench: unknown argument %s\n", arg.c_str());
      return false;
    }
  }
  if (options->work.empty() || options->demo.empty() || options->probe.empty() ||
      options->assets.empty() || options->json.empty()) {
    std::fprintf(stderr,
                 "usage: large_map_bench --work DIR --demo EXE --probe LIB --assets DIR --json "
                 "FILE [--side N] [--runs N] [--smoke]\n");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return 2;
  std::error_code error;
  const fs::path work = fs::absolute(options.work);
  options.demo = fs::absolute(options.demo).string();
  options.probe = fs::absolute(options.probe).string();
  options.json = fs::absolute(options.json).string();
  const fs::path run = work / "run";
  fs::create_directories(run / "system", error);
  fs::remove_all(run / "Textures", error);
  fs::copy(fs::absolute(options.assets) / "Textures", run / "Textures", fs::copy_options::recursive,
           error);
  if (error) {
    std::fprintf(stderr, "large_map_bench: cannot make %s: %s\n", run.c_str(),
                 error.message().c_str());
    return 2;
  }
  const int side = options.side;
  const std::string map = (work / ("relief-" + std::to_string(side) + ".png")).string();
  if (!fs::exists(map)) {
    std::printf("writing %s ...\n", map.c_str());
    std::fflush(stdout);
    const std::vector<std::uint8_t> rgb = Relief(side);
    stbi_write_png_compression_level = 2;
    std::string png;
    auto append = [](void* to, void* data, int size) {
      static_cast<std::string*>(to)->append(static_cast<const char*>(data), size);
    };
    if (!stbi_write_png_to_func(append, &png, side, side, 3, rgb.data(), side * 3) ||
        !(std::ofstream(map, std::ios::binary) << png)) {
      std::fprintf(stderr, "large_map_bench: cannot write %s\n", map.c_str());
      return 1;
    }
  }
  if (chdir(run.c_str()) != 0) return 2;
  InstallPlatformBackend();
  InitGLBinding();
  if (!CreateRenderWindow()) {
    std::fprintf(stderr, "large_map_bench: no window or GL context\n");
    return 1;
  }
  SetLogFileName("system\\log.txt");
  ResetLog();

  const double fileMb = fs::file_size(map) / 1e6;
  std::printf("%s: %d x %d, %.1f MB; the parts in this process (%.1f MB resident before)\n",
              map.c_str(), side, side, fileMb, ResidentMb("VmRSS:"));
  std::vector<Part> parts;
  std::vector<std::uint8_t> bytes;
  parts.push_back(Measure("read", "the file read", [&] { ReadWholeFile(map.c_str(), &bytes); }));
  parts.push_back(Measure("decode", "stb_image's decode", [&] {
    const StbImage decoded = StbDecode(bytes.data(), bytes.size());
    if (decoded.failure) std::exit(1);
  }));
  ParsedImage parsed;
  parts.push_back(Measure("parse", "ParseImage: the decode and the conversion",
                          [&] { parsed = ParseImage(bytes.data(), bytes.size()); }));
  std::vector<std::uint8_t>().swap(bytes);
  TextureImage image{parsed.width, parsed.height, {}};
  image.pixels.swap(parsed.pixels);
  std::size_t findings = 0;
  parts.push_back(Measure("checks", "CheckNormalMapImage",
                          [&] { findings = CheckNormalMapImage(image).size(); }));
  TextureImage copy;
  parts.push_back(Measure("copy", "one copy of the image", [&] { copy = image; }));
  parts.push_back(Measure("chain", "the mipmap chain, halved in place", [&] {
    while (copy.width > 1 || copy.height > 1) HalveInPlace(&copy);
  }));
  copy = TextureImage();
  GLuint texture = 0;
  parts.push_back(Measure("glu", "gluBuild2DMipmaps, as the shipped map loads", [&] {
    texture = LoadTextureFromImage(true, image);
    glFinish();
  }));
  glDeleteTextures(1, &texture);
  // Last: the image is handed over, as the program hands it (halved in place as it goes).
  parts.push_back(Measure("upload", "LoadMipmappedTexture (the chain made once)", [&] {
    texture = LoadMipmappedTexture(std::move(image));
    glFinish();
  }));
  glDeleteTextures(1, &texture);
  DestroyRenderWindow();
  if (findings != 0) {
    std::fprintf(stderr, "large_map_bench: the relief's map has findings\n");
    return 1;
  }

  std::printf(
      "the program started with it (median of %d): exec to the note's frame and to the "
      "first frame; peak resident memory\n",
      options.runs);
  Start starts[2];
  for (int shaders = 0; shaders < 2; ++shaders) {
    std::vector<double> note, frame, peak;
    for (int i = 0; i < options.runs; ++i) {
      const Start once = StartOnce(options, run.string(), map, shaders);
      if (!once.ok) {
        std::fprintf(stderr, "large_map_bench: %s did not start with %s\n", options.demo.c_str(),
                     map.c_str());
        return 1;
      }
      note.push_back(once.noteMs);
      frame.push_back(once.frameMs);
      peak.push_back(once.peakMb);
    }
    starts[shaders] = {Median(note), Median(frame), Median(peak), true};
    std::printf("  %-8s %9.1f ms to the note %9.1f ms to the first frame %9.1f MB peak\n",
                shaders ? "shaders" : "stages", starts[shaders].noteMs, starts[shaders].frameMs,
                starts[shaders].peakMb);
  }

  FILE* out = std::fopen(options.json.c_str(), "w");
  if (!out) return 1;
  std::fprintf(out, "{\n  \"side\": %d,\n  \"file_mb\": %.3f,\n  \"parts\": [", side, fileMb);
  for (std::size_t i = 0; i < parts.size(); ++i)
    std::fprintf(out, "%s\n    {\"part\": \"%s\", \"ms\": %.3f, \"added_mb\": %.3f}", i ? "," : "",
                 parts[i].name.c_str(), parts[i].ms, parts[i].addedMb);
  std::fprintf(out, "\n  ],\n  \"startup\": [");
  for (int shaders = 0; shaders < 2; ++shaders)
    std::fprintf(out,
                 "%s\n    {\"renderer\": \"%s\", \"note_ms\": %.3f, \"first_frame_ms\": %.3f, "
                 "\"peak_rss_mb\": %.3f}",
                 shaders ? "," : "", shaders ? "shaders" : "stages", starts[shaders].noteMs,
                 starts[shaders].frameMs, starts[shaders].peakMb);
  std::fprintf(out, "\n  ]\n}\n");
  std::fclose(out);
  return 0;
}
