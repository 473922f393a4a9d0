// glTF files for the loader's tests and the fuzzer's seeds, made from plain arrays: a
// document (its JSON, which a test may change at will) and buffer 0's bytes, written out as
// a .glb, or as a .gltf whose buffer is a file beside it or a data: URI.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

struct GltfDocument {
  nlohmann::json json;
  std::vector<std::uint8_t> bin;  // buffer 0
};

// glTF's component types.
constexpr int GltfUnsignedByte = 5121, GltfUnsignedShort = 5123, GltfUnsignedInt = 5125,
              GltfFloat = 5126;

// One primitive's attributes, in glTF's own frame and conventions.
struct GltfPrimitive {
  std::vector<float> positions;               // 3 per vertex
  std::vector<float> normals;                 // 3 per vertex, or none
  std::vector<float> tangents;                // 4 per vertex, or none
  std::vector<std::vector<float>> texCoords;  // TEXCOORD_0, _1, ...: 2 per vertex (u, v)
  std::vector<std::uint32_t> indices;         // none: drawn in order
  int indexType = GltfUnsignedInt;
  int mode = 4;
  int material = -1;
};

// The built-in wall as a glTF quad with normals (and tangents): the program's (X, Y, Z) is
// glTF's (-X, Z, Y), its (s, t) glTF's (u, 1 - v). With normalSet 1 the coordinates are
// TEXCOORD_1 and TEXCOORD_0 holds others.
GltfPrimitive GltfWallQuad(bool tangents, int normalSet = 0);

// Version 2.0, buffer 0 and scene 0, nothing in them.
GltfDocument NewGltf();

// New bytes at the end of buffer 0 (from a 4-byte boundary) as a buffer view; its index.
int AddBufferView(GltfDocument* doc, const void* bytes, std::size_t size);
// An accessor of count elements over new bytes; its index.
int AddAccessor(GltfDocument* doc, const void* bytes, std::size_t count, const char* type,
                int componentType, bool normalized = false);
// A mesh of the primitives; its index.
int AddMesh(GltfDocument* doc, const std::vector<GltfPrimitive>& primitives);
// A node (its JSON: "mesh", "matrix", "children", ...); a root is listed in scene 0.
int AddNode(GltfDocument* doc, const nlohmann::json& node, bool root = true);
// An image held in buffer 0, with a texture that shows it; the texture's index.
int AddTexture(GltfDocument* doc, const std::vector<std::uint8_t>& imageBytes);
// A material with a normal texture (scale, coordinate set) and a base colour texture, each
// left out for a texture of -1; its index.
int AddMaterial(GltfDocument* doc, int normalTexture, double scale, int normalSet,
                int colourTexture = -1, int colourSet = 0);

std::vector<std::uint8_t> GlbBytes(const GltfDocument& doc);
// The JSON, with buffer 0 at binUri, or in a data: URI when binUri is empty.
std::vector<std::uint8_t> GltfBytes(const GltfDocument& doc, const std::string& binUri = "");
