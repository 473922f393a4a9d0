// glTF models with the real executable: the wall as a glTF quad draws the built-in wall's
// picture in both renderers (its tangents from the file or from MikkTSpace, its normal map
// on either coordinate set); a torus with a seam and a mirrored half, its tangents made by
// MikkTSpace, is drawn alike by both renderers and predicted by the probe, its mirrored
// corners' w -1; a file the loader refuses ends the program with one line and writes nothing.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "demo_process.h"
#include "gltf_files.h"
#include "scene/models.h"
#include "textures/image.h"

namespace fs = std::filesystem;

namespace {

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// The shipped normal map as a PNG file's bytes (top row first, as PNG stores it).
std::vector<std::uint8_t> ShippedMapPng(const std::string& runDir) {
  const std::string bmp = ReadFile(runDir + "/Textures/wall_bump.bmp");
  const ParsedImage image =
      ParseImage(reinterpret_cast<const std::uint8_t*>(bmp.data()), bmp.size());
  EXPECT_EQ(image.refusal, "");
  const std::size_t row = static_cast<std::size_t>(image.width) * 3;
  std::vector<std::uint8_t> top(image.pixels.size());
  for (int y = 0; y < image.height; ++y)
    std::copy_n(&image.pixels[y * row], row, &top[(image.height - 1 - y) * row]);
  std::vector<std::uint8_t> png;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<std::uint8_t>*>(context);
        out->insert(out->end(), static_cast<std::uint8_t*>(data),
                    static_cast<std::uint8_t*>(data) + size);
      },
      &png, image.width, image.height, 3, top.data(), static_cast<int>(row));
  return png;
}

// One frame at a frozen clock saved as NAME.png; the run's standard output.
std::string Capture(const std::string& dir, const std::string& name,
                    std::vector<std::string> args) {
  args.insert(args.end(), {"--time", "300", "--frames", "2", "--screenshot", name + ".png"});
  const DemoResult result = RunDemoProcess(OffscreenRun(dir), args);
  EXPECT_EQ(result.exitCode, 0) << name << ": " << result.err;
  return result.out;
}

// Whether the picture matrix's metric passes got against reference, both in dir.
bool WithinMatrixMetric(const std::string& dir, const std::string& reference,
                        const std::string& got) {
  const std::string root = dir + "/compare-" + got;
  fs::create_directories(root + "/ref");
  fs::create_directories(root + "/got");
  fs::copy_file(dir + "/" + reference + ".png", root + "/ref/case.png",
                fs::copy_options::overwrite_existing);
  fs::copy_file(dir + "/" + got + ".png", root + "/got/case.png",
                fs::copy_options::overwrite_existing);
  std::ofstream(root + "/ref/cases.txt") << "case\n";
  const std::string command = std::string("'") + PICTURE_COMPARE + "' '" + root + "/ref' '" + root +
                              "/got' '" + root + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

TEST(EndToEndModels, TheGltfWallDrawsTheBuiltInWallsPicture) {
  const std::string dir = MakeRunDir();
  const std::vector<std::uint8_t> png = ShippedMapPng(dir);
  const struct {
    const char* file;
    bool tangents;
    int normalSet;
  } walls[] = {{"wall-tangents.glb", true, 0}, {"wall-mikktspace.gltf", false, 1}};
  for (const auto& wall : walls) {
    GltfDocument doc = NewGltf();
    const int material = AddMaterial(&doc, AddTexture(&doc, png), 1.0, wall.normalSet);
    GltfPrimitive quad = GltfWallQuad(wall.tangents, wall.normalSet);
    quad.material = material;
    AddNode(&doc, {{"mesh", AddMesh(&doc, {quad})}});
    WriteBytes(dir + "/" + wall.file, wall.tangents ? GlbBytes(doc) : GltfBytes(doc));
  }
  for (const char* renderer : {"stages", "shaders"})
    for (const char* mode : {"--view=1", "--specular"}) {
      const std::string reference = std::string("builtin-") + renderer + mode;
      Capture(dir, reference, {"--renderer", renderer, mode});
      for (const auto& wall : walls) {
        SCOPED_TRACE(std::string(wall.file) + " " + renderer + " " + mode);
        const std::string got = std::string(wall.file) + "-" + renderer + mode;
        Capture(dir, got, {"--renderer", renderer, mode, "--model", wall.file});
        EXPECT_TRUE(WithinMatrixMetric(dir, reference, got));
      }
    }
  fs::remove_all(dir);
}

// A field of a JSON line ("" when missing): the text after "name": up to the next comma at
// the same depth.
std::string Field(const std::string& line, const std::string& name) {
  const std::size_t at = line.find("\"" + name + "\": ");
  if (at == std::string::npos) return "";
  std::size_t end = at + name.size() + 4;
  int depth = 0;
  const std::size_t start = end;
  for (; end < line.size(); ++end) {
    const char c = line[end];
    if (c == '[' || c == '{') ++depth;
    if (c == ']' || c == '}') {
      if (depth == 0) break;
      --depth;
    }
    if (c == ',' && depth == 0) break;
  }
  return line.substr(start, end - start);
}

TEST(EndToEndModels, BothRenderersAndTheProbeAgreeOnAMirroredTorus) {
  const std::string dir = MakeRunDir();
  // The torus in glTF's frame ((X, Y, Z) at (-X, Z, Y)), its second half mirrored in s, no
  // tangents: MikkTSpace makes them, w = -1 on the mirrored half.
  const Mesh torus = MakeTorus(0.6f, 0.25f, 64, 24, 4, 2);
  GltfPrimitive primitive;
  std::vector<float> uv;
  for (const MeshVertex& v : torus.vertices) {
    primitive.positions.insert(primitive.positions.end(),
                               {-v.position.x, v.position.z, v.position.y});
    primitive.normals.insert(primitive.normals.end(), {-v.normal.x, v.normal.z, v.normal.y});
    const float s = v.texCoord.s > 2 ? 4 - v.texCoord.s : v.texCoord.s;
    uv.insert(uv.end(), {s, 1 - v.texCoord.t});
  }
  primitive.texCoords.push_back(uv);
  primitive.indices = torus.triangles;
  GltfDocument doc = NewGltf();
  primitive.material = AddMaterial(&doc, AddTexture(&doc, ShippedMapPng(dir)), 1.0, 0);
  AddNode(&doc, {{"mesh", AddMesh(&doc, {primitive})}});
  WriteBytes(dir + "/torus.glb", GlbBytes(doc));
  // The model's checks, said when it is loaded: MikkTSpace made its tangents, and half its
  // triangles are mirrored.
  const std::string notes = Capture(dir, "torus", {"--model", "torus.glb"});
  for (const char* code : {"info tangents-generated", "info mirrored-uv"})
    EXPECT_NE(notes.find("bumpdemo: torus.glb: " + std::string(code)), std::string::npos) << notes;

  std::vector<std::string> probes;
  for (int y = 140; y < 360; y += 20)
    for (int x = 180; x < 480; x += 25)
      probes.push_back("--probe=" + std::to_string(x) + "," + std::to_string(y));
  for (const char* view : {"1", "6"}) {
    SCOPED_TRACE(std::string("view ") + view);
    int mirrored = 0, upright = 0;
    for (const char* renderer : {"stages", "shaders"}) {
      std::vector<std::string> args = {"--model", "torus.glb",  "--view",
                                       view,      "--renderer", renderer};
      args.insert(args.end(), probes.begin(), probes.end());
      const std::string out = Capture(dir, std::string("torus-") + renderer + view, args);
      std::istringstream lines(out);
      int hits = 0;
      for (std::string line; std::getline(lines, line);) {
        if (Field(line, "hit") != "true") continue;
        ++hits;
        EXPECT_LE(std::stoi(Field(line, "difference")), 24) << line;
        const std::string w = Field(line, "corner_w");
        mirrored += w == "[-1, -1, -1]";
        upright += w == "[1, 1, 1]";
      }
      EXPECT_GT(hits, 30) << out;
    }
    EXPECT_GT(mirrored, 0) << "the mirrored half has w = -1";
    EXPECT_GT(upright, 0);
    EXPECT_TRUE(WithinMatrixMetric(dir, std::string("torus-stages") + view,
                                   std::string("torus-shaders") + view));
  }
  fs::remove_all(dir);
}

TEST(EndToEndModels, ARefusedModelEndsTheProgramWithOneLineAndWritesNothing) {
  const std::string dir = MakeRunDir();
  std::ofstream(dir + "/broken.gltf") << "{\"asset\": {\"version\": \"2.0\"}, \"meshes\": [";
  const struct {
    const char* file;
    const char* says;
  } cases[] = {
      {"broken.gltf", "Loading Model: broken.gltf: "},
      {"missing.glb", "Loading Model: missing.glb: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Snapshot before = TakeSnapshot(dir);
    const DemoResult result = RunDemoProcess(
        OffscreenRun(dir), {"--model", c.file, "--frames", "1", "--screenshot", "shot.png"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind(c.says, 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    Snapshot after = TakeSnapshot(dir);
    after.erase("system/log.txt");
    Snapshot expected = before;
    expected.erase("system/log.txt");
    EXPECT_EQ(after, expected) << "no picture written";
  }
  fs::remove_all(dir);
}

}  // namespace
