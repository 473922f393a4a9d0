// Writes the seed files of the glTF fuzzer into a directory: the shapes the loader's tests
// build (the wall quad with and without tangents and textures, as .glb and .gltf, a node
// hierarchy, strips and fans, points, missing normals, normalized coordinates).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "gltf_files.h"
#include "texture_files.h"

namespace {

void Write(const std::string& dir, const std::string& name,
           const std::vector<std::uint8_t>& bytes) {
  std::ofstream(dir + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_gltf_seeds DIRECTORY\n");
    return 2;
  }
  const std::string dir = argv[1];
  BmpFields fields;
  fields.width = fields.height = 2;
  const std::vector<std::uint8_t> image = BmpFile(fields, CountingBytes(2 * 2 * 3 + 4));

  for (int variant = 0; variant < 4; ++variant) {
    // With and without TANGENT, the normal texture on TEXCOORD_0 or _1 with a scale, and a
    // base colour.
    GltfDocument doc = NewGltf();
    GltfPrimitive quad = GltfWallQuad(variant % 2 == 0, variant / 2);
    const int texture = AddTexture(&doc, image);
    quad.material = AddMaterial(&doc, texture, variant == 3 ? 0.5 : 1, variant / 2, texture, 0);
    AddNode(&doc, {{"mesh", AddMesh(&doc, {quad})}});
    const std::string name = "wall" + std::to_string(variant);
    Write(dir, name + ".glb", GlbBytes(doc));
    Write(dir, name + ".gltf", GltfBytes(doc));
  }

  GltfDocument tree = NewGltf();
  GltfPrimitive strip = GltfWallQuad(true), fan = GltfWallQuad(false), points = GltfWallQuad(true),
                flat = GltfWallQuad(false);
  strip.mode = 5;
  strip.indices = {0, 1, 3, 2};
  strip.indexType = GltfUnsignedShort;
  fan.mode = 6;
  fan.indices.clear();
  points.mode = 0;
  flat.normals.clear();
  flat.indexType = GltfUnsignedByte;
  const int mesh = AddMesh(&tree, {strip, fan, points, flat});
  const double h = std::sqrt(0.5);
  const int child =
      AddNode(&tree, {{"mesh", mesh}, {"rotation", {0, 0, h, h}}, {"scale", {-2, 2, 2}}}, false);
  AddNode(&tree, {{"mesh", mesh},
                  {"matrix", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2, 0, 0, 1}},
                  {"children", {child}}});
  const std::uint16_t shorts[8] = {0, 65535, 65535, 65535, 65535, 0, 0, 0};
  tree.json["meshes"][0]["primitives"][1]["attributes"]["TEXCOORD_1"] =
      AddAccessor(&tree, shorts, 4, "VEC2", GltfUnsignedShort, true);
  Write(dir, "tree.glb", GlbBytes(tree));
  Write(dir, "tree.gltf", GltfBytes(tree));
  return 0;
}
