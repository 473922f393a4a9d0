// Between reading a glTF file and handing out its model: one drawn primitive, its
// attributes where they lie (in the file's buffers, or copied out of them), and the steps
// that make it a placed part. A primitive that keeps the file's tangents is built straight
// from the file's buffers; one whose tangents are made here is copied out first, so that
// tinygltf's copy of the file can be let go before MikkTSpace runs.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "models/model.h"
#include "platform/platform.h"
#include "textures/texture.h"

// Room for count values in an empty array about to be filled, with large pages asked for when
// it is megabytes (a large model's arrays are written once, in order).
template <typename T>
void ReserveLarge(std::vector<T>* values, std::size_t count) {
  values->reserve(count);
  AdviseIfLarge(values->data(), count * sizeof(T));
}

// glTF's component types for the attributes read.
constexpr int FloatComponents = 5126, UnsignedByteComponents = 5121, UnsignedShortComponents = 5123;

// A per-vertex attribute where it lies: floats, or unsigned bytes or shorts normalized to
// 0..1, one element every stride bytes (stride 0: every vertex reads the same element).
struct VertexValues {
  const unsigned char* first = nullptr;
  std::size_t stride = 0;
  int componentType = FloatComponents;
  bool flipSecond = false;  // texture coordinates: (u, 1 - v)
};

inline float ValueAt(const VertexValues& values, std::size_t vertex, int component) {
  const unsigned char* at = values.first + vertex * values.stride;
  float value;
  if (values.componentType == UnsignedByteComponents) {
    value = at[component] / 255.0f;
  } else if (values.componentType == UnsignedShortComponents) {
    std::uint16_t word;
    std::memcpy(&word, at + 2 * component, 2);
    value = word / 65535.0f;
  } else {
    std::memcpy(&value, at + 4 * component, 4);  // buffers need not be aligned for floats
  }
  return component == 1 && values.flipSecond ? 1 - value : value;
}

// One triangle primitive under one node.
struct PrimitiveArrays {
  int node = -1, mesh = -1, primitive = -1;
  double matrix[16] = {};  // the node's world matrix, column-major, glTF's frame
  int normalImage = -1, colourImage = -1;
  // The part's vertices: sourceVertex[k] is the file's vertex that vertex k reads (empty:
  // vertex k itself); only vertices the triangles use are kept.
  std::size_t vertexCount = 0;
  std::vector<std::uint32_t> sourceVertex;
  std::vector<std::uint32_t> triangles;  // 3 each, counter-clockwise, into the part's vertices
  VertexValues positions, normals, tangents, texCoords, colourTexCoords;
  bool hasNormals = false, hasTangents = false, hasColourTexCoords = false;
  // Set by StageArrays: the arrays the values read instead of the file's buffers.
  bool staged = false;
  std::vector<float> stagedPositions, stagedNormals, stagedTexCoords, stagedColourTexCoords;
};

// Copies the attributes of a primitive whose tangents are made here out of the file's
// buffers: positions, normals (flat ones, three vertices a triangle, where it has none),
// texture coordinates as (s, t).
void StageArrays(PrimitiveArrays* arrays);

// Makes the part in the program's frame (not yet centred), letting go of the arrays. False,
// with why, when the node's transform takes a position out of float's range.
bool BuildPart(PrimitiveArrays* arrays, ModelPart* part, std::string* why);

// Centres the parts on the centre of their bounds and scales them to a largest extent of
// 2. False, with why, when the triangles have no extent.
bool PlaceModel(LoadedModel* model, std::string* why);

// Bakes a normal texture's scale into its texels: n' = normalize(s nx, s ny, nz).
void ScaleNormalMap(TextureImage* image, double scale);
