// The glTF loader on files the tests make (tests/gltf_files.h): the wall quad coming out as
// the built-in wall, node transforms, strips and fans, what is left out, flat normals, the
// normal texture's scale, a .gltf with its files beside it, and every kind of bad input
// refused in one line that names the file and the fault.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "gltf_files.h"
#include "models/model.h"
#include "texture_files.h"

namespace {

// The built-in wall: corners counter-clockwise from (-1, -1, 0), coordinates from (0, 0),
// T = (1, 0, 0), B = (0, 1, 0), N = (0, 0, 1).
Mesh TheWall() {
  Mesh wall;
  const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (const auto& c : corners)
    wall.vertices.push_back({MakeVector3(c[0], c[1], 0), MakeVector3(0, 0, 1), MakeVector3(1, 0, 0),
                             MakeVector3(0, 1, 0), MakeTexCoord2((c[0] + 1) / 2, (c[1] + 1) / 2)});
  wall.triangles = {0, 1, 2, 0, 2, 3};
  return wall;
}

// A w x h PNG of the given RGB texels, top row first.
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

// A document drawing one mesh of the primitives from one root node.
GltfDocument OneMesh(const std::vector<GltfPrimitive>& primitives) {
  GltfDocument doc = NewGltf();
  AddNode(&doc, {{"mesh", AddMesh(&doc, primitives)}});
  return doc;
}

std::size_t Le(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
}

LoadedModel Load(const std::vector<std::uint8_t>& bytes, const char* path = "test.glb") {
  LoadedModel model;
  std::string refusal;
  EXPECT_TRUE(LoadGltf(bytes.data(), bytes.size(), path, &model, &refusal)) << refusal;
  EXPECT_EQ(refusal, "");
  return model;
}

void ExpectNear(Vector3 a, Vector3 b, const std::string& what, float tolerance = 1e-6f) {
  EXPECT_NEAR(a.x, b.x, tolerance) << what;
  EXPECT_NEAR(a.y, b.y, tolerance) << what;
  EXPECT_NEAR(a.z, b.z, tolerance) << what;
}

// Whether each triangle turns counter-clockwise about its vertices' normal.
bool CounterClockwise(const Mesh& mesh) {
  for (std::size_t c = 0; c < mesh.triangles.size(); c += 3) {
    const Vector3 p = mesh.vertices[mesh.triangles[c]].position;
    const Vector3 a = SubtractVector3(mesh.vertices[mesh.triangles[c + 1]].position, p);
    const Vector3 b = SubtractVector3(mesh.vertices[mesh.triangles[c + 2]].position, p);
    const Vector3 n = mesh.vertices[mesh.triangles[c]].normal;
    if ((a.y * b.z - a.z * b.y) * n.x + (a.z * b.x - a.x * b.z) * n.y +
            (a.x * b.y - a.y * b.x) * n.z <=
        0)
      return false;
  }
  return true;
}

TEST(Gltf, WallQuadComesOutAsTheWall) {
  InstallFakePlatform();
  const Mesh wall = TheWall();
  const std::vector<std::uint8_t> flat = Png(1, 1, {128, 128, 255});
  struct Case {
    const char* name;
    bool tangents;
    int normalSet;  // -1: no normal texture
    bool binary;
  };
  const Case cases[] = {{"TANGENT, .glb", true, -1, true},
                        {"MikkTSpace, .gltf", false, -1, false},
                        {"TANGENT, normal texture on TEXCOORD_1", true, 1, true},
                        {"MikkTSpace, normal texture on TEXCOORD_1", false, 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GltfDocument doc = NewGltf();
    GltfPrimitive quad = GltfWallQuad(c.tangents, std::max(c.normalSet, 0));
    if (c.normalSet >= 0) quad.material = AddMaterial(&doc, AddTexture(&doc, flat), 1, c.normalSet);
    AddNode(&doc, {{"mesh", AddMesh(&doc, {quad})}});
    const LoadedModel model = Load(c.binary ? GlbBytes(doc) : GltfBytes(doc));
    ASSERT_EQ(model.parts.size(), 1u);
    const ModelPart& part = model.parts[0];
    EXPECT_EQ(model.triangleCount, 2u);
    EXPECT_EQ(part.tangentsFromFile, c.tangents);
    EXPECT_EQ(part.normalImage, c.normalSet >= 0 ? 0 : -1);
    EXPECT_EQ(part.mesh.triangles, wall.triangles);
    ASSERT_EQ(part.mesh.vertices.size(), 4u);
    for (int i = 0; i < 4; ++i) {
      const MeshVertex& v = part.mesh.vertices[i];
      const MeshVertex& w = wall.vertices[i];
      const std::string corner = "corner " + std::to_string(i);
      // Placement and coordinates exactly; MikkTSpace's frame within rounding.
      EXPECT_EQ(v.position.x, w.position.x) << corner;
      EXPECT_EQ(v.position.y, w.position.y) << corner;
      EXPECT_EQ(v.position.z, w.position.z) << corner;
      EXPECT_EQ(v.texCoord.s, w.texCoord.s) << corner;
      EXPECT_EQ(v.texCoord.t, w.texCoord.t) << corner;
      ExpectNear(v.normal, w.normal, corner, 0);
      ExpectNear(v.tangent, w.tangent, corner, c.tangents ? 0 : 1e-6f);
      ExpectNear(v.bitangent, w.bitangent, corner, c.tangents ? 0 : 1e-6f);
      if (c.tangents) {
        ExpectNear(part.fileTangents[i].xyz, MakeVector3(1, 0, 0), corner, 0);
        EXPECT_EQ(part.fileTangents[i].w, 1.0f);
      }
    }
    EXPECT_EQ(part.fileTangents.empty(), !c.tangents);
  }
}

// A triangle under three nodes: a matrix, TRS under it, and none.
TEST(Gltf, NodesPlaceTheirMeshesThroughTheHierarchy) {
  InstallFakePlatform();
  GltfPrimitive triangle;
  triangle.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  triangle.normals = {0, 0, 1, 0, 0, 1, 0, 0, 1};
  triangle.tangents = {1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1};
  triangle.texCoords = {{0, 1, 1, 1, 0, 0}};
  GltfDocument doc = NewGltf();
  const int mesh = AddMesh(&doc, {triangle});
  const double h = std::sqrt(0.5);
  // Node 0: scale 2, then a quarter turn about z; its parent, node 1, moves it 2 along x.
  const int child =
      AddNode(&doc, {{"mesh", mesh}, {"rotation", {0, 0, h, h}}, {"scale", {2, 2, 2}}}, false);
  AddNode(&doc, {{"mesh", mesh},
                 {"matrix", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2, 0, 0, 1}},
                 {"children", {child}}});
  AddNode(&doc, {{"mesh", mesh}});
  const LoadedModel model = Load(GlbBytes(doc));
  ASSERT_EQ(model.parts.size(), 3u);
  // glTF's world positions, worked out by hand, parents first. They span x 0..3 and y
  // 0..2, drawn at (-x, z, y): centred on (-1.5, 0, 1) and scaled by 2 / 3.
  const int nodes[3] = {1, 2, 0};
  const float world[3][6] = {{2, 0, 3, 0, 2, 1}, {0, 0, 1, 0, 0, 1}, {2, 0, 2, 2, 0, 0}};
  for (int p = 0; p < 3; ++p) {
    const ModelPart& part = model.parts[p];
    EXPECT_EQ(part.fileNode, nodes[p]);
    for (int i = 0; i < 3; ++i) {
      const float x = world[p][2 * i], y = world[p][2 * i + 1];
      ExpectNear(part.mesh.vertices[i].position,
                 MakeVector3((-x + 1.5f) * 2 / 3, 0, (y - 1) * 2 / 3),
                 "node " + std::to_string(nodes[p]) + " vertex " + std::to_string(i));
    }
  }
  // The child's tangent turned with it: glTF's +y, the program's +z.
  ExpectNear(model.parts[2].mesh.vertices[0].tangent, MakeVector3(0, 0, 1), "turned tangent");
  ExpectNear(model.parts[2].fileTangents[0].xyz, MakeVector3(0, 0, 1), "turned file tangent");
}

// A node that mirrors keeps the wall's normal and its bitangent up the image; its tangent
// and winding turn round.
TEST(Gltf, MirroringNodeTurnsWindingAndHandedness) {
  InstallFakePlatform();
  GltfDocument doc = NewGltf();
  AddNode(&doc, {{"mesh", AddMesh(&doc, {GltfWallQuad(true)})}, {"scale", {-1, 1, 1}}});
  const LoadedModel model = Load(GlbBytes(doc));
  ASSERT_EQ(model.parts.size(), 1u);
  const ModelPart& part = model.parts[0];
  EXPECT_TRUE(CounterClockwise(part.mesh));
  EXPECT_EQ(part.mesh.triangles, (std::vector<std::uint32_t>{0, 2, 1, 0, 3, 2}));
  for (const MeshVertex& v : part.mesh.vertices) {
    ExpectNear(v.normal, MakeVector3(0, 0, 1), "N");
    ExpectNear(v.tangent, MakeVector3(-1, 0, 0), "T");
    ExpectNear(v.bitangent, MakeVector3(0, 1, 0), "B");
  }
  ExpectNear(part.mesh.vertices[0].position, MakeVector3(1, -1, 0), "corner 0");
  EXPECT_EQ(part.fileTangents[0].w, 1.0f);  // as written
}

// The wall as a strip (unsigned short indices) and as a fan (no indices), with normalized
// texture coordinates; points and lines beside them are left out and counted.
TEST(Gltf, StripsAndFansBecomeTrianglesPointsAndLinesAreCounted) {
  InstallFakePlatform();
  GltfPrimitive strip = GltfWallQuad(true), fan = GltfWallQuad(true), points = GltfWallQuad(true),
                lines = GltfWallQuad(true);
  strip.mode = 5;
  strip.indices = {0, 1, 3, 2};
  strip.indexType = GltfUnsignedShort;
  fan.mode = 6;
  fan.indices.clear();
  points.mode = 0;
  lines.mode = 1;
  GltfDocument doc = OneMesh({strip, fan, points, lines});
  // The fan's coordinates as normalized unsigned shorts, the strip's as unsigned bytes.
  const std::uint16_t shorts[8] = {0, 65535, 65535, 65535, 65535, 0, 0, 0};
  const std::uint8_t bytes[8] = {0, 255, 255, 255, 255, 0, 0, 0};
  auto& primitives = doc.json["meshes"][0]["primitives"];
  primitives[1]["attributes"]["TEXCOORD_0"] =
      AddAccessor(&doc, shorts, 4, "VEC2", GltfUnsignedShort, true);
  primitives[0]["attributes"]["TEXCOORD_0"] =
      AddAccessor(&doc, bytes, 4, "VEC2", GltfUnsignedByte, true);
  const LoadedModel model = Load(GlbBytes(doc));
  ASSERT_EQ(model.parts.size(), 2u);
  EXPECT_EQ(model.primitivesLeftOut, 2u);
  EXPECT_EQ(model.triangleCount, 4u);
  EXPECT_EQ(model.parts[0].mesh.triangles, (std::vector<std::uint32_t>{0, 1, 3, 1, 2, 3}));
  EXPECT_EQ(model.parts[1].mesh.triangles, (std::vector<std::uint32_t>{1, 2, 0, 2, 3, 0}));
  const Mesh wall = TheWall();
  for (const ModelPart& part : model.parts) {
    EXPECT_TRUE(CounterClockwise(part.mesh));
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(part.mesh.vertices[i].texCoord.s, wall.vertices[i].texCoord.s);
      EXPECT_EQ(part.mesh.vertices[i].texCoord.t, wall.vertices[i].texCoord.t);
    }
  }
}

// Two primitives sharing one set of accessors each keep only the vertices their triangles
// use, and a vertex no triangle uses, far away, moves nothing.
TEST(Gltf, PartsKeepOnlyTheVerticesTheirTrianglesUse) {
  InstallFakePlatform();
  GltfPrimitive first = GltfWallQuad(true);
  first.positions.insert(first.positions.end(), {100, 100, 100});
  first.normals.insert(first.normals.end(), {0, 1, 0});
  first.tangents.insert(first.tangents.end(), {-1, 0, 0, 1});
  first.texCoords[0].insert(first.texCoords[0].end(), {0, 0});
  GltfPrimitive second = first;
  first.indices = {0, 1, 2};
  second.indices = {2, 3, 0};
  GltfDocument doc = OneMesh({first, second});
  auto& primitives = doc.json["meshes"][0]["primitives"];
  primitives[1]["attributes"] = primitives[0]["attributes"];
  const LoadedModel model = Load(GlbBytes(doc));
  ASSERT_EQ(model.parts.size(), 2u);
  const Mesh wall = TheWall();
  const int corners[2][3] = {{0, 1, 2}, {0, 2, 3}};  // the wall's, in the file's order
  for (int p = 0; p < 2; ++p) {
    const Mesh& mesh = model.parts[p].mesh;
    ASSERT_EQ(mesh.vertices.size(), 3u);
    for (int i = 0; i < 3; ++i)
      ExpectNear(mesh.vertices[i].position, wall.vertices[corners[p][i]].position,
                 "part " + std::to_string(p) + " vertex " + std::to_string(i), 0);
  }
  EXPECT_EQ(model.parts[1].mesh.triangles, (std::vector<std::uint32_t>{1, 2, 0}));
}

// Without NORMAL each triangle gets its own normal, so its vertices are split, and a
// TANGENT is ignored.
TEST(Gltf, MissingNormalsAreFlatPerTriangle) {
  InstallFakePlatform();
  GltfPrimitive fold;
  fold.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 1};
  fold.tangents = {1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1};
  fold.texCoords = {{0, 1, 1, 1, 0, 0, 1, 0}};
  fold.indices = {0, 1, 2, 1, 3, 2};
  const LoadedModel model = Load(GlbBytes(OneMesh({fold})));
  ASSERT_EQ(model.parts.size(), 1u);
  const ModelPart& part = model.parts[0];
  EXPECT_FALSE(part.tangentsFromFile);
  EXPECT_TRUE(part.fileTangents.empty());
  ASSERT_EQ(part.mesh.vertices.size(), 6u);
  // glTF's (0, 0, 1) and (-1, -1, 1) / sqrt 3, drawn at (-x, z, y).
  const float k = 1 / std::sqrt(3.0f);
  const Vector3 normals[2] = {MakeVector3(0, 1, 0), MakeVector3(k, k, -k)};
  for (int c = 0; c < 6; ++c)
    ExpectNear(part.mesh.vertices[part.mesh.triangles[c]].normal, normals[c / 3],
               "corner " + std::to_string(c));
  EXPECT_TRUE(CounterClockwise(part.mesh));
}

// The normal texture's scale is baked into its texels, one image per image and scale.
TEST(Gltf, NormalTextureScaleIsBakedOncePerScale) {
  InstallFakePlatform();
  GltfDocument doc = NewGltf();
  // (204, 128, 230) holds (0.6, 0.004, 0.804).
  const int texture = AddTexture(&doc, Png(1, 1, {204, 128, 230}));
  std::vector<GltfPrimitive> quads;
  for (double scale : {1.0, 0.5, 2.0, 0.5}) {
    quads.push_back(GltfWallQuad(true));
    quads.back().material = AddMaterial(&doc, texture, scale, 0);
  }
  AddNode(&doc, {{"mesh", AddMesh(&doc, quads)}});
  const LoadedModel model = Load(GlbBytes(doc));
  ASSERT_EQ(model.images.size(), 3u);
  ASSERT_EQ(model.parts.size(), 4u);
  EXPECT_EQ(model.parts[3].normalImage, model.parts[1].normalImage);
  // Worked out by hand: (0.3, 0.002, 0.804) and (1.2, 0.008, 0.804), normalized.
  const int expected[3][3] = {{204, 128, 230}, {172, 128, 247}, {233, 128, 198}};
  for (int i = 0; i < 3; ++i) {
    const TextureImage& image = model.images[model.parts[i].normalImage];
    ASSERT_EQ(image.pixels.size(), 3u);
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(image.pixels[c], expected[i][c], i == 0 ? 0 : 1) << "scale case " << i;
  }
}

// A .gltf with its buffer and its image in files of its folder, read through the platform.
TEST(Gltf, GltfReadsItsFilesFromItsFolder) {
  InstallFakePlatform();
  const std::string folder = ScratchDir() + "/beside";
  std::filesystem::create_directories(folder + "/textures");
  std::filesystem::create_directories(folder + "/sub");
  GltfDocument doc = NewGltf();
  GltfPrimitive quad = GltfWallQuad(true);
  const int texture = AddTexture(&doc, {});
  quad.material = AddMaterial(&doc, -1, 1, 0, texture, 0);
  AddNode(&doc, {{"mesh", AddMesh(&doc, {quad})}});
  doc.json["images"][0] = {{"uri", "textures/red%20over%20blue.png"}};
  // Red over blue: the bottom row, blue, comes first.
  WriteScratchFile("beside/textures/red over blue.png", Png(1, 2, {255, 0, 0, 0, 0, 255}));
  WriteScratchFile("beside/wall.bin", doc.bin);
  const std::string path = WriteScratchFile("beside/wall.gltf", GltfBytes(doc, "sub/../wall.bin"));
  LoadedModel model;
  std::string refusal;
  ASSERT_TRUE(ReadModelFile(path.c_str(), &model, &refusal)) << refusal;
  ASSERT_EQ(model.parts.size(), 1u);
  EXPECT_EQ(model.parts[0].colourImage, 0);
  EXPECT_EQ(model.parts[0].normalImage, -1);
  ASSERT_EQ(model.images.size(), 1u);
  EXPECT_EQ(model.images[0].pixels, (std::vector<std::uint8_t>{0, 0, 255, 255, 0, 0}));
  EXPECT_EQ(model.parts[0].mesh.vertices[2].position.x, 1.0f);
}

// The first float of an accessor's data.
void SetFirstFloat(GltfDocument* doc, int accessor, float value) {
  const int view = doc->json["accessors"][accessor]["bufferView"];
  const std::size_t offset = doc->json["bufferViews"][view]["byteOffset"];
  std::memcpy(&doc->bin[offset], &value, sizeof value);
}

// Every kind of bad input, each refused in one line naming the file and what is wrong.
TEST(Gltf, BadInputIsRefusedInOneLine) {
  InstallFakePlatform();
  const std::string folder = ScratchDir() + "/refused";
  std::filesystem::create_directories(folder);
  const std::string outside = WriteScratchFile("outside.bin", std::vector<std::uint8_t>(400));
  const std::string path = folder + "/model.gltf";
  // A good file: the wall with TANGENT and a normal texture. Accessors 0 to 3: POSITION,
  // NORMAL, TANGENT, TEXCOORD_0; 4 the indices; buffer view 0 the image.
  auto good = [](GltfPrimitive quad = GltfWallQuad(true), std::vector<std::uint8_t> image = {}) {
    GltfDocument doc = NewGltf();
    quad.material = AddMaterial(
        &doc, AddTexture(&doc, image.empty() ? Png(1, 1, {128, 128, 255}) : image), 1, 0);
    AddNode(&doc, {{"mesh", AddMesh(&doc, {quad})}});
    return doc;
  };
  auto glb = [](const GltfDocument& doc, std::function<void(std::vector<std::uint8_t>*)> change) {
    std::vector<std::uint8_t> bytes = GlbBytes(doc);
    change(&bytes);
    return bytes;
  };
  auto changed = [&](std::function<void(GltfDocument*)> change) {
    GltfDocument doc = good();
    change(&doc);
    return GlbBytes(doc);
  };
  auto withJson = [&](const char* pointer, const nlohmann::json& value) {
    return changed(
        [=](GltfDocument* doc) { doc->json[nlohmann::json::json_pointer(pointer)] = value; });
  };
  auto required = [&](const char* name) { return withJson("/extensionsRequired", {name}); };
  GltfPrimitive outOfRange = GltfWallQuad(true), points = GltfWallQuad(true);
  outOfRange.indices = {0, 1, 7};
  points.mode = 0;
  const std::string json = "{\"asset\": {\"version\": \"2.0\"}, \"meshes\": [}";
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* words;
    std::uint64_t maxTriangles = MaxModelTriangles;
  };
  const Case cases[] = {
      {"not glTF", Png(1, 1, {0, 0, 0}), "neither a GLB file nor glTF JSON"},
      {"malformed JSON", std::vector<std::uint8_t>(json.begin(), json.end()),
       "its JSON is malformed (at byte 42)"},
      {"JSON too deep", withJson("/extras", nlohmann::json::parse(std::string(100, '[') + std::string(100, ']'))),
       "nests deeper than 64 levels"},
      {"glTF 1.0", withJson("/asset/version", "1.0"), "it is glTF \"1.0\"; glTF 2.0 files are read"},
      {"glTF 1.0 binary", glb(good(), [](auto* b) { (*b)[4] = 1; }), "a glTF 1.0 binary file"},
      {"Draco", required("KHR_draco_mesh_compression"),
       "it needs Draco mesh compression (KHR_draco_mesh_compression), which this program does not read"},
      {"quantization", required("KHR_mesh_quantization"), "quantized meshes (KHR_mesh_quantization)"},
      {"meshopt", required("EXT_meshopt_compression"), "meshopt compression (EXT_meshopt_compression)"},
      {"GLB length", glb(good(), [](auto* b) { (*b)[8] += 4; }), "its GLB header gives a length of"},
      {"JSON chunk length", glb(good(), [](auto* b) { (*b)[14] = 0x7F; }),
       "its JSON chunk's length (8324"},
      {"BIN chunk length", glb(good(), [](auto* b) { (*b)[20 + Le(*b, 12) + 2] = 0x7F; }),
       "its second GLB chunk's length (8323"},
      {"index out of range", GlbBytes(good(outOfRange)),
       "mesh 0, primitive 0 uses vertex index 7, out of range (POSITION has 4 vertices)"},
      {"accessor past its view", withJson("/accessors/0/count", 5),
       "accessor 0 (POSITION of mesh 0, primitive 0) (5 elements of 12 bytes from byte 0) reaches "
       "past the end of buffer view 1 (48 bytes)"},
      {"a billion elements", withJson("/accessors/0/count", 1000000000), "(1000000000 elements of 12"},
      {"view past its buffer", withJson("/bufferViews/1/byteOffset", 1000000),
       "buffer view 1 (48 bytes from byte 1000000) reaches past the end of buffer 0"},
      {"image view past its buffer", withJson("/bufferViews/0/byteOffset", 1u << 30),
       "image 0's buffer view (69 bytes from byte 1073741824) reaches past the end of its buffer"},
      {"accessor names no view", withJson("/accessors/1/bufferView", 99),
       "accessor 1 (NORMAL of mesh 0, primitive 0) names buffer view 99, which does not exist"},
      {"NaN position", changed([](GltfDocument* d) { SetFirstFloat(d, 0, std::nanf("")); }),
       "mesh 0, primitive 0's POSITION holds a value that is not a finite number"},
      {"infinite position", changed([](GltfDocument* d) { SetFirstFloat(d, 0, HUGE_VALF); }),
       "POSITION holds a value that is not a finite number"},
      {"node cycle", changed([](GltfDocument* d) {
         d->json["nodes"][0]["children"] = {1};
         d->json["nodes"].push_back({{"children", {0}}});
       }),
       "its node graph has a cycle through node 0"},
      {"two parents", changed([](GltfDocument* d) {
         d->json["nodes"].push_back({{"children", {0}}});
         d->json["scenes"][0]["nodes"].push_back(1);
       }),
       "node 0 is reached twice in the scene"},
      {"no triangles", GlbBytes(good(points)), "it has no triangles to draw (points or lines left out: 1)"},
      {"POSITION as VEC2", withJson("/accessors/0/type", "VEC2"), "holds VEC2 values; POSITION takes VEC3"},
      {"bytes as coordinates", withJson("/accessors/3/componentType", GltfUnsignedByte),
       "TEXCOORD_0 takes float, or normalized unsigned byte or short"},
      {"float indices", withJson("/accessors/4/componentType", GltfFloat),
       "holds float components; indices takes unsigned byte, unsigned short or unsigned int"},
      {"sparse", withJson("/accessors/0/sparse", {{"count", 1},
                                                   {"indices", {{"bufferView", 1}, {"componentType", 5125}}},
                                                   {"values", {{"bufferView", 1}}}}),
       "accessor 0 (POSITION of mesh 0, primitive 0) is sparse, which this program does not read"},
      {"image refused", GlbBytes(good(GltfWallQuad(true), {'n', 'o', 't', ' ', 'a', 'n', 'y'})),
       "image 0: Unsupported image format"},
      {"too many triangles", GlbBytes(good()), "it draws more than 1 triangles", 1},
      {"missing buffer", GltfBytes(good(), "missing.bin"), "the file \"missing.bin\" it names is missing"},
      {"missing image", [&] {
         GltfDocument doc = good();
         doc.json["images"][0] = {{"uri", "missing.png"}};
         return GltfBytes(doc);
       }(),
       "image 0 cannot be read: the file \"missing.png\" is missing"},
      {"buffer outside the folder", GltfBytes(good(), "../outside.bin"),
       "the file \"../outside.bin\" it names is outside the model's folder"},
      {"absolute buffer path", GltfBytes(good(), outside), "it names is outside the model's folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedModel model;
    model.triangleCount = 99;
    std::string refusal;
    ModelLimits limits;
    limits.maxTriangles = c.maxTriangles;
    EXPECT_FALSE(LoadGltf(c.bytes.data(), c.bytes.size(), path.c_str(), &model, &refusal, limits));
    EXPECT_EQ(refusal.rfind(path + ": ", 0), 0u) << refusal;
    EXPECT_NE(refusal.find(c.words), std::string::npos) << refusal;
    EXPECT_EQ(refusal.find('\n'), std::string::npos) << refusal;
    EXPECT_TRUE(model.parts.empty() && model.images.empty() && model.triangleCount == 0);
  }
}

TEST(Gltf, LooksLikeGltfByContent) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"glTF\x02", true}, {"\xEF\xBB\xBF \r\n\t{\"asset\"", true},
      {"{", true},        {"\x89PNG\r\n", false},
      {"BM", false},      {"", false},
      {"  [1]", false}};
  for (const auto& c : cases)
    EXPECT_EQ(LooksLikeGltf(reinterpret_cast<const std::uint8_t*>(c.first.data()), c.first.size()),
              c.second)
        << c.first;
}

}  // namespace
