// glTF 2.0 models, from a file's bytes to plain meshes in the program's frame, or one line
// that names the file and says why not. Shows no message and touches no GL; files are read
// through the platform table, and only from the model's own folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/vector.h"
#include "models/mesh.h"
#include "textures/image.h"
#include "textures/texture.h"

// A TANGENT value as the file has it, for a checker: xyz turned into the program's frame
// with its length as written, w as written.
struct FileTangent {
  Vector3 xyz;
  float w;
};

// One triangle primitive as drawn by one node.
struct ModelPart {
  // Placed in the program's frame: glTF's (x, y, z) at (-x, z, y), the whole model centred
  // and scaled to a largest extent of 2. texCoord is the normal texture's set, (u, 1 - v).
  Mesh mesh;
  int normalImage = -1;  // into LoadedModel::images, its scale baked in; -1: a flat map
  int colourImage = -1;  // the base colour image; -1: none
  // Per vertex, when the base colour texture uses another set than the normal texture;
  // empty when texCoord serves both.
  std::vector<TexCoord2> colourTexCoords;
  bool tangentsFromFile = false;          // false: MikkTSpace's, from the normal texture's set
  std::vector<FileTangent> fileTangents;  // per vertex when tangentsFromFile, else empty
  int fileNode = -1, fileMesh = -1, filePrimitive = -1;  // where it is in the file
};

struct LoadedModel {
  std::vector<ModelPart> parts;
  std::vector<TextureImage> images;   // RGB, bottom row first, as the renderers upload them
  std::size_t primitivesLeftOut = 0;  // points, lines, and primitives without positions
  std::size_t triangleCount = 0;
};

// What a file may ask for before it is refused: triangles drawn (all nodes together) and
// pixels per image.
constexpr std::uint64_t MaxModelTriangles = 1u << 24;
struct ModelLimits {
  std::uint64_t maxTriangles = MaxModelTriangles;
  std::uint64_t maxImagePixels = MaxImagePixels;
};

// Whether the bytes are a glTF file (a GLB's magic "glTF", or JSON), by content alone.
bool LooksLikeGltf(const std::uint8_t* bytes, std::size_t size);

// Loads a .gltf or .glb file's bytes; path names it in a refusal and its folder is where
// the files it names are read from. On success *model holds the model; on failure
// *refusal is one line, "path: what is wrong", and *model is empty.
bool LoadGltf(const std::uint8_t* bytes, std::size_t size, const char* path, LoadedModel* model,
              std::string* refusal, const ModelLimits& limits = ModelLimits());

// Reads the file at path through the platform table and loads it as LoadGltf does.
bool ReadModelFile(const char* path, LoadedModel* model, std::string* refusal);
