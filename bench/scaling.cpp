// How the program scales with the model: spheres and tori with a seam and a mirrored half
// (the tangent benchmark's meshes), of 10,000 to 2,000,000 triangles, written as .glb files
// without TANGENT (the loader makes MikkTSpace's) and with it (the loaded frames written back).
// For each size it measures
//   load      ReadModelFile, file to meshes in memory: the first, best and median time of a
//             few runs (the first maps its memory afresh, as the program's one load does; the
//             C library keeps blocks up to 32 MB for the runs after it), the file's megabytes
//             a second, and the peak heap above what the process held before (every operator
//             new counted) against the size of the file's arrays;
//   render    in one window on the GL (SDL's offscreen driver in bench.sh), each renderer in
//             the lit view, diffuse and with the highlight: frames per second of the main
//             loop's pass, and the program's own CPU work per pass with every GL slot on a
//             no-op (as frame_rate does), also per vertex;
//   start-up  the real executable started with --model FILE --frames 1 and the start-up
//             probe preloaded: exec to the swap of the main loop's first frame, and the
//             peak resident memory of the run (the probe's VmHWM at exit).
// Prints tables and writes the figures as JSON, which bench.sh plots.
//
//   scaling_bench --work DIR --demo EXE --probe LIB --assets DIR --json FILE [--sizes N,N,...]
//                 [--smoke]
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/demo.h"
#include "gl/gl.h"
#include "gl/recorder/gl_recorder.h"
#include "gltf_files.h"
#include "heap_count.h"
#include "log/log.h"
#include "models/model.h"
#include "platform/backend.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "scene/shaders.h"
#include "tangent_meshes.h"
#include "window/window.h"

namespace {

namespace fs = std::filesystem;

struct Options {
  std::string work, demo, probe, assets, json;
  std::vector<std::size_t> sizes = {10000, 30000, 100000, 300000, 1000000, 2000000};
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

// One mesh of the benchmark: its shape, the triangles asked for, its two files.
struct MeshFile {
  std::string shape;
  std::size_t triangles = 0;  // as made
  std::size_t vertices = 0;   // as loaded (vertices split where tangents differ)
  std::string plain, withTangents;
  double plainArrayMb = 0, tangentArrayMb = 0;
};

// The tangent benchmark's meshes: 4 k^2 triangles, k rings of 2k segments or 2k segments of
// k sides, a seam and a mirrored half.
TestMesh MakeShape(const std::string& shape, std::size_t size) {
  const int k = static_cast<int>(std::lround(std::sqrt(size / 4.0)));
  return shape == "sphere" ? MakeSphere(k + 1, 2 * k, true, false) : MakeTorus(2 * k, k, true);
}

// Writes the document as a .glb at path; the size of its arrays (buffer 0) in megabytes.
double WriteGlb(const GltfDocument& doc, const std::string& path) {
  const std::vector<std::uint8_t> bytes = GlbBytes(doc);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return doc.bin.size() / 1e6;
}

// The mesh without TANGENT, and with the tangents the loader made of it written back.
MeshFile WriteMeshFiles(const std::string& shape, std::size_t size, const std::string& dir) {
  MeshFile file;
  file.shape = shape;
  const std::string stem = dir + "/" + shape + "-" + std::to_string(size);
  file.plain = stem + ".glb";
  file.withTangents = stem + "-tangents.glb";
  {
    const TestMesh mesh = MakeShape(shape, size);
    file.triangles = mesh.TriangleCount();
    GltfPrimitive primitive;
    primitive.positions = mesh.positions;
    primitive.normals = mesh.normals;
    primitive.texCoords.resize(1);
    for (std::size_t v = 0; v < mesh.texCoords.size(); v += 2)
      primitive.texCoords[0].insert(primitive.texCoords[0].end(),
                                    {mesh.texCoords[v], 1 - mesh.texCoords[v + 1]});
    primitive.indices = mesh.indices;
    GltfDocument doc = NewGltf();
    AddNode(&doc, {{"mesh", AddMesh(&doc, {primitive})}});
    file.plainArrayMb = WriteGlb(doc, file.plain);
  }
  LoadedModel model;
  std::string refusal;
  if (!ReadModelFile(file.plain.c_str(), &model, &refusal)) {
    std::fprintf(stderr, "scaling_bench: %s\n", refusal.c_str());
    std::exit(1);
  }
  GltfPrimitive primitive;
  primitive.texCoords.resize(1);
  for (const ModelPart& part : model.parts) {
    const std::uint32_t base = static_cast<std::uint32_t>(primitive.positions.size() / 3);
    for (const MeshVertex& v : part.mesh.vertices) {
      const Vector3 n = v.normal, t = v.tangent, b = v.bitangent;
      const float mirrored = (n.y * t.z - n.z * t.y) * b.x + (n.z * t.x - n.x * t.z) * b.y +
                                         (n.x * t.y - n.y * t.x) * b.z <
                                     0
                                 ? -1.0f
                                 : 1.0f;
      primitive.positions.insert(primitive.positions.end(),
                                 {v.position.x, v.position.y, v.position.z});
      primitive.normals.insert(primitive.normals.end(), {n.x, n.y, n.z});
      primitive.tangents.insert(primitive.tangents.end(), {t.x, t.y, t.z, mirrored});
      primitive.texCoords[0].insert(primitive.texCoords[0].end(), {v.texCoord.s, 1 - v.texCoord.t});
    }
    for (const std::uint32_t index : part.mesh.triangles) primitive.indices.push_back(base + index);
    file.vertices += part.mesh.vertices.size();
  }
  GltfDocument doc = NewGltf();
  AddNode(&doc, {{"mesh", AddMesh(&doc, {primitive})}});
  file.tangentArrayMb = WriteGlb(doc, file.withTangents);
  return file;
}

struct LoadFigures {
  std::string shape;
  std::size_t triangles = 0;
  bool tangentsInFile = false;
  double fileMb = 0, arrayMb = 0, firstMs = 0, bestMs = 0, medianMs = 0, peakMb = 0;
};

LoadFigures MeasureLoad(const MeshFile& mesh, bool tangents, int runs) {
  LoadFigures f;
  f.shape = mesh.shape;
  f.triangles = mesh.triangles;
  f.tangentsInFile = tangents;
  const std::string path = tangents ? mesh.withTangents : mesh.plain;
  f.fileMb = fs::file_size(path) / 1e6;
  f.arrayMb = tangents ? mesh.tangentArrayMb : mesh.plainArrayMb;
  std::vector<double> ms;
  std::size_t peak = 0;
  for (int run = 0; run < runs; ++run) {
    LoadedModel model;
    std::string refusal;
    const std::size_t before = HeapNow;
    HeapPeak = HeapNow;
    const double start = Now();
    if (!ReadModelFile(path.c_str(), &model, &refusal)) {
      std::fprintf(stderr, "scaling_bench: %s\n", refusal.c_str());
      std::exit(1);
    }
    ms.push_back(1e3 * (Now() - start));
    peak = std::max(peak, HeapPeak - before);
  }
  f.firstMs = ms.front();
  f.bestMs = *std::min_element(ms.begin(), ms.end());
  f.medianMs = Median(ms);
  f.peakMb = peak / 1e6;
  return f;
}

struct RenderFigures {
  std::string shape, renderer, mode;
  std::size_t triangles = 0, vertices = 0;
  double fps = 0, ownUs = 0;
};

// Passes of the main loop for at least seconds (and at least count of them); per second.
double PassesPerSecond(double seconds, int count, std::int32_t* mark) {
  int done = 0;
  const double start = Now();
  while (done < count || Now() - start < seconds) {
    RunPass(mark);
    ++done;
  }
  return done / (Now() - start);
}

// The same passes with GL on the recorder's no-ops, without the swap and the event poll:
// microseconds of the program's own work per pass.
double OwnMicroseconds(double seconds, int count, std::int32_t* mark) {
  const PlatformOps saved = Platform;
  Platform.SwapGLBuffers = [](PlatformHandle) {};
  Platform.PeekAppMessage = [](PlatformMessage*) { return false; };
  DiscardGLCalls();
  const double perSecond = PassesPerSecond(seconds, count, mark);
  StopRecordingGLCalls();
  Platform = saved;
  return 1e6 / perSecond;
}

// Every mesh drawn by each renderer, diffuse and with the highlight, in one window.
std::vector<RenderFigures> MeasureRendering(const std::vector<MeshFile>& meshes,
                                            const Options& options) {
  std::vector<RenderFigures> figures;
  if (!CreateRenderWindow()) {
    std::fprintf(stderr, "scaling_bench: no window or GL context\n");
    std::exit(1);
  }
  SetLogFileName("system\\log.txt");
  ResetLog();
  Running = true;
  InitScene();
  InitShaders();
  ElapsedMs = GetTimeMs();
  std::int32_t mark = ElapsedMs;
  const double frameSeconds = options.smoke ? 0 : 0.5, ownSeconds = options.smoke ? 0 : 0.3;
  for (const MeshFile& mesh : meshes) {
    std::string refusal;
    if (!LoadFileModel(mesh.plain.c_str(), &refusal)) {
      std::fprintf(stderr, "scaling_bench: %s\n", refusal.c_str());
      std::exit(1);
    }
    CurrentModel = Model::File;
    CurrentView = View::Lit;
    for (const Renderer renderer : {Renderer::Stages, Renderer::Shaders})
      for (const bool specular : {false, true}) {
        CurrentRenderer = renderer;
        ShowSpecular = specular;
        // The first passes make what the renderer keeps (frame arrays, vertex buffers) and
        // let the driver compile its code for the state.
        PassesPerSecond(0, 2, &mark);
        RenderFigures f;
        f.shape = mesh.shape;
        f.triangles = mesh.triangles;
        f.vertices = mesh.vertices;
        f.renderer = renderer == Renderer::Stages ? "stages" : "shaders";
        f.mode = specular ? "specular" : "diffuse";
        f.fps = PassesPerSecond(frameSeconds, 3, &mark);
        f.ownUs = OwnMicroseconds(ownSeconds, 3, &mark);
        figures.push_back(f);
        std::printf("  %-6s %9zu %9zu %-8s %-9s %10.2f fps %12.1f us own %8.2f ns/vertex\n",
                    f.shape.c_str(), f.triangles, f.vertices, f.renderer.c_str(), f.mode.c_str(),
                    f.fps, f.ownUs, 1e3 * f.ownUs / f.vertices);
        std::fflush(stdout);
      }
  }
  ShowSpecular = false;
  CurrentRenderer = Renderer::Stages;
  CurrentModel = Model::Wall;
  DestroyRenderWindow();
  return figures;
}

long long NowNs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct StartFigures {
  std::string shape, renderer;
  std::size_t triangles = 0;
  double firstFrameMs = 0, peakMb = 0;
  bool ok = false;
};

// The executable started with the model, the probe preloaded, in the run directory dir:
// milliseconds from exec to the swap of the main loop's first frame; the peak resident
// memory of the run.
StartFigures StartOnce(const Options& options, const std::string& dir, const std::string& model,
                       bool shaders) {
  StartFigures f;
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
    if (shaders)
      execl(options.demo.c_str(), options.demo.c_str(), "--model", model.c_str(), "--frames", "1",
            "--renderer", "shaders", static_cast<char*>(nullptr));
    else
      execl(options.demo.c_str(), options.demo.c_str(), "--model", model.c_str(), "--frames", "1",
            static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid < 0) return f;
  int status = 0;
  rusage usage = {};
  const double start = Now();
  while (wait4(pid, &status, WNOHANG, &usage) != pid) {
    if (Now() - start > 120) kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::map<std::string, long long> value;
  std::ifstream in(probeOut);
  std::string key;
  long long number = 0;
  while (in >> key >> number) value[key] = number;
  const long long frame = value["frame_swap"] ? value["frame_swap"] : value["first_swap"];
  f.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && frame > value["exec"] && value["exec"];
  f.firstFrameMs = (frame - value["exec"]) / 1e6;
  f.peakMb = value["hwm_kb_exit"] * 1024.0 / 1e6;
  return f;
}

std::vector<StartFigures> MeasureStartUp(const std::vector<MeshFile>& meshes,
                                         const Options& options, const std::string& dir) {
  std::vector<StartFigures> figures;
  const int runs = options.smoke ? 1 : 3;
  for (const MeshFile& mesh : meshes) {
    if (mesh.shape != "sphere") continue;
    for (const bool shaders : {false, true}) {
      std::vector<double> ms, mb;
      StartFigures f;
      for (int run = 0; run < runs; ++run) {
        const StartFigures once = StartOnce(options, dir, mesh.plain, shaders);
        if (!once.ok) {
          std::fprintf(stderr, "scaling_bench: %s did not start with %s\n", options.demo.c_str(),
                       mesh.plain.c_str());
          std::exit(1);
        }
        ms.push_back(once.firstFrameMs);
        mb.push_back(once.peakMb);
      }
      f.shape = mesh.shape;
      f.triangles = mesh.triangles;
      f.renderer = shaders ? "shaders" : "stages";
      f.firstFrameMs = Median(ms);
      f.peakMb = Median(mb);
      f.ok = true;
      figures.push_back(f);
      std::printf("  %-6s %9zu %-8s %10.1f ms to the first frame %8.1f MB peak\n", f.shape.c_str(),
                  f.triangles, f.renderer.c_str(), f.firstFrameMs, f.peakMb);
      std::fflush(stdout);
    }
  }
  return figures;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--smoke") {
      options->smoke = true;
      options->sizes = {2000};
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
    } else if (arg == "--sizes" && hasValue) {
      options->sizes.clear();
      std::stringstream list(argv[++i]);
      for (std::string n; std::getline(list, n, ',');) options->sizes.push_back(std::stoul(n));
    } else {
      std::fprintf(stderr, "scaling_bench: unknown argument %s\n", arg.c_str());
      return false;
    }
  }
  if (options->work.empty() || options->demo.empty() || options->probe.empty() ||
      options->assets.empty() || options->json.empty()) {
    std::fprintf(stderr,
                 "usage: scaling_bench --work DIR --demo EXE --probe LIB --assets DIR --json FILE "
                 "[--sizes N,N,...] [--smoke]\n");
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
  fs::create_directories(work / "run" / "system", error);
  fs::remove_all(work / "run" / "Textures", error);
  fs::copy(fs::absolute(options.assets) / "Textures", work / "run" / "Textures",
           fs::copy_options::recursive, error);
  if (error) {
    std::fprintf(stderr, "scaling_bench: cannot make %s: %s\n", work.c_str(),
                 error.message().c_str());
    return 2;
  }
  InstallPlatformBackend();
  InitGLBinding();

  std::printf("meshes (spheres and tori with a seam and a mirrored half), written to %s\n",
              work.c_str());
  std::vector<MeshFile> meshes;
  for (const std::size_t size : options.sizes)
    for (const char* shape : {"sphere", "torus"})
      meshes.push_back(WriteMeshFiles(shape, size, work.string()));

  std::printf(
      "load: file to meshes in memory (ReadModelFile), the first, best and median of the runs;\n"
      "peak heap above the process before, against the file's arrays\n");
  std::vector<LoadFigures> loads;
  for (const MeshFile& mesh : meshes)
    for (const bool tangents : {false, true}) {
      const int runs = options.smoke ? 1 : mesh.triangles <= 300000 ? 5 : 3;
      const LoadFigures f = MeasureLoad(mesh, tangents, runs);
      loads.push_back(f);
      std::printf(
          "  %-6s %9zu %-10s %7.1f MB %8.1f ms first %8.1f ms best (%6.0f MB/s) %8.1f ms median "
          "%8.1f MB peak = %.2f x the arrays\n",
          f.shape.c_str(), f.triangles, tangents ? "TANGENT" : "MikkTSpace", f.fileMb, f.firstMs,
          f.bestMs, f.fileMb / (f.bestMs / 1e3), f.medianMs, f.peakMb, f.peakMb / f.arrayMb);
      std::fflush(stdout);
    }

  if (chdir((work / "run").c_str()) != 0) return 2;
  std::printf(
      "render: frames per second, and the program's own CPU work per pass (GL on no-ops)\n");
  const std::vector<RenderFigures> renders = MeasureRendering(meshes, options);
  std::printf("start-up: exec to the swap of the first frame, median of runs\n");
  const std::vector<StartFigures> starts = MeasureStartUp(meshes, options, (work / "run").string());

  FILE* out = std::fopen(options.json.c_str(), "w");
  if (!out) {
    std::fprintf(stderr, "scaling_bench: cannot write %s\n", options.json.c_str());
    return 1;
  }
  std::fprintf(out, "{\n  \"load\": [");
  for (std::size_t i = 0; i < loads.size(); ++i) {
    const LoadFigures& f = loads[i];
    std::fprintf(out,
                 "%s\n    {\"mesh\": \"%s\", \"triangles\": %zu, \"tangents_in_file\": %s, "
                 "\"file_mb\": %.3f, \"array_mb\": %.3f, \"first_ms\": %.3f, \"best_ms\": %.3f, "
                 "\"median_ms\": %.3f, \"mb_per_s\": %.1f, \"first_mb_per_s\": %.1f, "
                 "\"peak_mb\": %.3f, \"peak_over_arrays\": %.3f}",
                 i ? "," : "", f.shape.c_str(), f.triangles, f.tangentsInFile ? "true" : "false",
                 f.fileMb, f.arrayMb, f.firstMs, f.bestMs, f.medianMs, f.fileMb / (f.bestMs / 1e3),
                 f.fileMb / (f.firstMs / 1e3), f.peakMb, f.peakMb / f.arrayMb);
  }
  std::fprintf(out, "\n  ],\n  \"render\": [");
  for (std::size_t i = 0; i < renders.size(); ++i) {
    const RenderFigures& f = renders[i];
    std::fprintf(out,
                 "%s\n    {\"mesh\": \"%s\", \"triangles\": %zu, \"vertices\": %zu, "
                 "\"renderer\": \"%s\", \"mode\": \"%s\", \"fps\": %.3f, \"ms_per_frame\": %.4f, "
                 "\"own_us\": %.3f, \"own_ns_per_vertex\": %.3f}",
                 i ? "," : "", f.shape.c_str(), f.triangles, f.vertices, f.renderer.c_str(),
                 f.mode.c_str(), f.fps, 1e3 / f.fps, f.ownUs, 1e3 * f.ownUs / f.vertices);
  }
  std::fprintf(out, "\n  ],\n  \"startup\": [");
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const StartFigures& f = starts[i];
    std::fprintf(out,
                 "%s\n    {\"mesh\": \"%s\", \"triangles\": %zu, \"renderer\": \"%s\", "
                 "\"first_frame_ms\": %.3f, \"peak_rss_mb\": %.3f}",
                 i ? "," : "", f.shape.c_str(), f.triangles, f.renderer.c_str(), f.firstFrameMs,
                 f.peakMb);
  }
  std::fprintf(out, "\n  ]\n}\n");
  std::fclose(out);
  return 0;
}
