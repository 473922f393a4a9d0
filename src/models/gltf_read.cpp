// Reading what a glTF file draws out of tinygltf's model. First a plan: the default scene
// walked (each node once, so a cycle or a second parent is refused), each triangle
// primitive's accessors checked against their buffer views and buffers, the triangles
// counted against the limit. Then the images, and then the arrays, each allocated once at
// its final size and filled straight from the file's buffers.
#include "models/gltf_read.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

const std::uint32_t NoIndex = 0xFFFFFFFFu;

std::string Number(std::uint64_t n) {
  return std::to_string(n);
}

std::string PrimitiveName(int mesh, int primitive) {
  return "mesh " + std::to_string(mesh) + ", primitive " + std::to_string(primitive);
}

// Whether index names one of count things; an out-of-range index is named in why.
bool InRange(int index, std::size_t count, const std::string& what, std::string* why) {
  if (index >= 0 && static_cast<std::size_t>(index) < count) return true;
  *why = what + " " + std::to_string(index) + ", which does not exist (the file has " +
         Number(count) + ")";
  return false;
}

// 4 x 4 matrices, column-major as glTF writes them.
struct Matrix {
  double m[16];
};

Matrix Identity() {
  Matrix a = {};
  a.m[0] = a.m[5] = a.m[10] = a.m[15] = 1;
  return a;
}

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix c;
  for (int column = 0; column < 4; ++column)
    for (int row = 0; row < 4; ++row) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += a.m[k * 4 + row] * b.m[column * 4 + k];
      c.m[column * 4 + row] = sum;
    }
  return c;
}

// A node's own transform: its matrix, or translation x rotation x scale.
bool LocalMatrix(const tinygltf::Node& node, int index, Matrix* local, std::string* why) {
  const std::vector<double>* fields[] = {&node.matrix, &node.translation, &node.rotation,
                                         &node.scale};
  const std::size_t sizes[] = {16, 3, 4, 3};
  const char* names[] = {"matrix", "translation", "rotation", "scale"};
  for (int i = 0; i < 4; ++i)
    if (!fields[i]->empty() && fields[i]->size() != sizes[i]) {
      *why = "node " + std::to_string(index) + "'s " + names[i] + " has " +
             Number(fields[i]->size()) + " numbers, not " + Number(sizes[i]);
      return false;
    }
  *local = Identity();
  if (!node.matrix.empty()) {
    for (int i = 0; i < 16; ++i) local->m[i] = node.matrix[i];
    return true;
  }
  double x = 0, y = 0, z = 0, w = 1;
  if (!node.rotation.empty()) {
    x = node.rotation[0], y = node.rotation[1], z = node.rotation[2], w = node.rotation[3];
    const double length = std::sqrt(x * x + y * y + z * z + w * w);
    if (length > 0) x /= length, y /= length, z /= length, w /= length;
  }
  // The unit quaternion's rotation, column by column.
  const double rotation[9] = {
      1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),
      2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),
      2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y)};
  for (int column = 0; column < 3; ++column) {
    const double s = node.scale.empty() ? 1 : node.scale[column];
    for (int row = 0; row < 3; ++row) local->m[column * 4 + row] = rotation[column * 3 + row] * s;
  }
  for (int row = 0; row < 3 && !node.translation.empty(); ++row)
    local->m[12 + row] = node.translation[row];
  return true;
}

struct DrawnNode {
  int node;
  Matrix world;
};

// The default scene's nodes that have a mesh, with their world matrices, parents first.
bool WalkScene(const tinygltf::Model& file, std::vector<DrawnNode>* drawn, std::string* why) {
  if (file.scenes.empty()) {
    *why = "it has no scene to draw";
    return false;
  }
  const int sceneIndex = file.defaultScene < 0 ? 0 : file.defaultScene;
  if (!InRange(sceneIndex, file.scenes.size(), "its default scene is scene", why)) return false;
  const std::size_t nodeCount = file.nodes.size();
  std::vector<std::uint32_t> parent(nodeCount, NoIndex);
  std::vector<bool> reached(nodeCount, false);
  std::vector<Matrix> world(nodeCount);
  std::vector<int> queue;  // nodes in the order reached, parents before children
  queue.reserve(nodeCount);
  auto reach = [&](int node, std::uint32_t from, const std::string& what) {
    if (!InRange(node, nodeCount, what, why)) return false;
    if (reached[node]) {
      bool cycle = false;
      for (std::uint32_t up = from; up != NoIndex && !cycle; up = parent[up])
        cycle = static_cast<int>(up) == node;
      *why = cycle ? "its node graph has a cycle through node " + std::to_string(node)
                   : "node " + std::to_string(node) +
                         " is reached twice in the scene (a node has at most one parent)";
      return false;
    }
    Matrix local;
    if (!LocalMatrix(file.nodes[node], node, &local, why)) return false;
    reached[node] = true;
    parent[node] = from;
    world[node] = from == NoIndex ? local : Multiply(world[from], local);
    queue.push_back(node);
    return true;
  };
  for (int root : file.scenes[sceneIndex].nodes)
    if (!reach(root, NoIndex, "scene " + std::to_string(sceneIndex) + " names node")) return false;
  for (std::size_t head = 0; head < queue.size(); ++head) {
    const int node = queue[head];
    for (int child : file.nodes[node].children)
      if (!reach(child, static_cast<std::uint32_t>(node),
                 "node " + std::to_string(node) + " names child node"))
        return false;
  }
  for (int node : queue)
    if (file.nodes[node].mesh != -1) {
      if (!InRange(file.nodes[node].mesh, file.meshes.size(),
                   "node " + std::to_string(node) + " names mesh", why))
        return false;
      drawn->push_back({node, world[node]});
    }
  return true;
}

// An accessor's elements where they lie in their buffer.
struct AccessorView {
  const unsigned char* first = nullptr;
  std::size_t count = 0;
  std::size_t stride = 0;
  std::size_t elementSize = 0;
  int componentType = 0;
  bool normalized = false;
};

std::size_t ComponentSize(int type) {
  switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
      return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
      return 2;
    case TINYGLTF_COMPONENT_TYPE_INT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
      return 4;
    default:
      return 0;  // not a glTF component type (tinygltf lets doubles through)
  }
}

const char* ComponentName(int type) {
  switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
      return "byte";
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
      return "unsigned byte";
    case TINYGLTF_COMPONENT_TYPE_SHORT:
      return "short";
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
      return "unsigned short";
    case TINYGLTF_COMPONENT_TYPE_INT:
      return "int";
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
      return "unsigned int";
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
      return "float";
    default:
      return "unknown";
  }
}

int ComponentCount(int type) {
  switch (type) {
    case TINYGLTF_TYPE_SCALAR:
      return 1;
    case TINYGLTF_TYPE_VEC2:
      return 2;
    case TINYGLTF_TYPE_VEC3:
      return 3;
    case TINYGLTF_TYPE_VEC4:
      return 4;
    default:
      return 0;  // matrices: no attribute read here takes them
  }
}

const char* TypeName(int components) {
  const char* names[] = {"matrix", "SCALAR", "VEC2", "VEC3", "VEC4"};
  return names[components];
}

// What an attribute (or the indices) may be: its element type, and which component types.
struct AttributeKind {
  const char* name;
  int components;
  bool floats;            // float
  bool normalizedShorts;  // normalized unsigned byte or short
  bool unsignedIntegers;  // unsigned byte, short or int (indices)
  const char* allowed;    // for the refusal
};

const AttributeKind Positions = {"POSITION", 3, true, false, false, "float"};
const AttributeKind Normals = {"NORMAL", 3, true, false, false, "float"};
const AttributeKind Tangents = {"TANGENT", 4, true, false, false, "float"};
const AttributeKind TexCoords = {"TEXCOORD", 2,     true,
                                 true,       false, "float, or normalized unsigned byte or short"};
const AttributeKind Indices = {"indices", 1,    false,
                               false,     true, "unsigned byte, unsigned short or unsigned int"};

// Checks the accessor that an attribute of a primitive names, and where its elements lie.
bool ViewAccessor(const tinygltf::Model& file, int index, const AttributeKind& kind,
                  const std::string& attribute, const std::string& primitive, AccessorView* view,
                  std::string* why) {
  if (!InRange(index, file.accessors.size(),
               primitive + " names for its " + attribute + " accessor", why))
    return false;
  const tinygltf::Accessor& accessor = file.accessors[index];
  const std::string name =
      "accessor " + std::to_string(index) + " (" + attribute + " of " + primitive + ")";
  const int components = ComponentCount(accessor.type);
  const int type = accessor.componentType;
  const bool unsignedShort = type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE ||
                             type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
  if (components != kind.components) {
    *why = name + " holds " + TypeName(components) + " values; " + attribute + " takes " +
           TypeName(kind.components);
    return false;
  }
  if (!((kind.floats && type == TINYGLTF_COMPONENT_TYPE_FLOAT) ||
        (kind.normalizedShorts && unsignedShort && accessor.normalized) ||
        (kind.unsignedIntegers && !accessor.normalized &&
         (unsignedShort || type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)))) {
    *why = name + " holds " + (accessor.normalized ? "normalized " : "") + ComponentName(type) +
           " components; " + attribute + " takes " + kind.allowed;
    return false;
  }
  if (accessor.sparse.isSparse) {
    *why = name + " is sparse, which this program does not read";
    return false;
  }
  if (accessor.bufferView < 0) {
    *why = name + " has no buffer view";
    return false;
  }
  if (!InRange(accessor.bufferView, file.bufferViews.size(), name + " names buffer view", why))
    return false;
  const tinygltf::BufferView& bufferView = file.bufferViews[accessor.bufferView];
  const std::string viewName = "buffer view " + std::to_string(accessor.bufferView);
  if (!InRange(bufferView.buffer, file.buffers.size(), viewName + " names buffer", why))
    return false;
  const std::size_t bufferSize = file.buffers[bufferView.buffer].data.size();
  if (bufferView.byteOffset > bufferSize ||
      bufferView.byteLength > bufferSize - bufferView.byteOffset) {
    *why = viewName + " (" + Number(bufferView.byteLength) + " bytes from byte " +
           Number(bufferView.byteOffset) + ") reaches past the end of buffer " +
           std::to_string(bufferView.buffer) + " (" + Number(bufferSize) + " bytes)";
    return false;
  }
  view->elementSize = ComponentSize(type) * components;
  view->stride = bufferView.byteStride ? bufferView.byteStride : view->elementSize;
  if (bufferView.byteStride && view->stride < view->elementSize) {
    *why = viewName + "'s stride of " + Number(view->stride) + " bytes is shorter than " + name +
           "'s elements of " + Number(view->elementSize);
    return false;
  }
  // The last element ends within the view: offset + stride (count - 1) + size <= length,
  // without overflow.
  const std::size_t length = bufferView.byteLength;
  const std::size_t offset = accessor.byteOffset;
  if (accessor.count > 0 &&
      (offset > length || length - offset < view->elementSize ||
       (accessor.count - 1) > (length - offset - view->elementSize) / view->stride)) {
    *why = name + " (" + Number(accessor.count) + " elements of " + Number(view->elementSize) +
           " bytes from byte " + Number(offset) + ") reaches past the end of " + viewName + " (" +
           Number(length) + " bytes)";
    return false;
  }
  view->first = file.buffers[bufferView.buffer].data.data() + bufferView.byteOffset + offset;
  view->count = accessor.count;
  view->componentType = type;
  view->normalized = accessor.normalized;
  return true;
}

// Whether every value of a float accessor is a finite number (normalized integers are).
bool AllFinite(const AccessorView& view, int components) {
  if (view.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT) return true;
  bool finite = true;
  const unsigned char* element = view.first;
  for (std::size_t i = 0; i < view.count; ++i, element += view.stride)
    for (int c = 0; c < components; ++c) {
      float value;
      std::memcpy(&value, element + 4 * c, 4);
      finite &= std::isfinite(value);
    }
  return finite;
}

VertexValues ValuesOf(const AccessorView& view, bool flipSecond = false) {
  VertexValues values;
  values.first = view.first;
  values.stride = view.stride;
  values.componentType = view.componentType;
  values.flipSecond = flipSecond;
  return values;
}

std::uint32_t IndexAt(const AccessorView* view, std::size_t i) {
  if (!view) return static_cast<std::uint32_t>(i);
  const unsigned char* at = view->first + i * view->stride;
  switch (view->componentType) {
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
      return at[0];
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
      std::uint16_t value;
      std::memcpy(&value, at, 2);
      return value;
    }
    default: {
      std::uint32_t value;
      std::memcpy(&value, at, 4);
      return value;
    }
  }
}

std::size_t TriangleCount(int mode, std::size_t count) {
  if (mode == TINYGLTF_MODE_TRIANGLES) return count / 3;
  return count >= 3 ? count - 2 : 0;  // strips and fans
}

// The triangles of a list, strip or fan, counter-clockwise as glTF orders them.
void Triangulate(int mode, const AccessorView* indices, std::size_t triangles, std::uint32_t* out) {
  for (std::size_t i = 0; i < triangles; ++i, out += 3) {
    if (mode == TINYGLTF_MODE_TRIANGLES) {
      for (int k = 0; k < 3; ++k) out[k] = IndexAt(indices, 3 * i + k);
    } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
      const std::size_t odd = i % 2;  // every other triangle of a strip turns the other way
      out[0] = IndexAt(indices, i);
      out[1] = IndexAt(indices, i + 1 + odd);
      out[2] = IndexAt(indices, i + 2 - odd);
    } else {
      out[0] = IndexAt(indices, i + 1);
      out[1] = IndexAt(indices, i + 2);
      out[2] = IndexAt(indices, 0);
    }
  }
}

// One drawn primitive, checked and sized, before anything of it is read.
struct Plan {
  int node, mesh, primitive;
  const Matrix* world;
  int mode;
  std::size_t triangles;
  AccessorView positions, normals, tangents, texCoords, colourTexCoords, indices;
  bool hasNormals = false, hasTangents = false, hasTexCoords = false, hasColourTexCoords = false,
       hasIndices = false;
  int normalUse = -1, colourUse = -1;  // into the image uses
};

// An image as a part shows it: a normal texture with its scale, or a base colour.
struct ImageUse {
  int source;
  bool normal;
  double scale;
};

int UseOf(std::vector<ImageUse>* uses, const ImageUse& use) {
  for (std::size_t i = 0; i < uses->size(); ++i) {
    const ImageUse& u = (*uses)[i];
    if (u.source == use.source && u.normal == use.normal && (!use.normal || u.scale == use.scale))
      return static_cast<int>(i);
  }
  uses->push_back(use);
  return static_cast<int>(uses->size() - 1);
}

// The image a material's texture shows: -1 for no texture, or one without an image source.
bool TextureSource(const tinygltf::Model& file, int texture, const std::string& what, int* source,
                   std::string* why) {
  *source = -1;
  if (texture == -1) return true;
  if (!InRange(texture, file.textures.size(), what + " is texture", why)) return false;
  const int image = file.textures[texture].source;
  if (image == -1) return true;
  if (!InRange(image, file.images.size(),
               "texture " + std::to_string(texture) + "'s source is image", why))
    return false;
  *source = image;
  return true;
}

// Checks one primitive of a drawn node and adds its plan; points, lines and primitives
// without positions are counted as left out.
bool PlanPrimitive(const tinygltf::Model& file, const DrawnNode& drawn, int primitiveIndex,
                   std::vector<Plan>* plans, std::vector<ImageUse>* uses, LoadedModel* model,
                   std::string* why) {
  const int meshIndex = file.nodes[drawn.node].mesh;
  const tinygltf::Primitive& primitive = file.meshes[meshIndex].primitives[primitiveIndex];
  const std::string name = PrimitiveName(meshIndex, primitiveIndex);
  Plan plan;
  plan.node = drawn.node;
  plan.mesh = meshIndex;
  plan.primitive = primitiveIndex;
  plan.world = &drawn.world;
  plan.mode = primitive.mode;
  if (plan.mode < TINYGLTF_MODE_POINTS || plan.mode > TINYGLTF_MODE_TRIANGLE_FAN) {
    *why = name + " has mode " + std::to_string(plan.mode) + ", which glTF does not define";
    return false;
  }
  const auto position = primitive.attributes.find("POSITION");
  if (plan.mode < TINYGLTF_MODE_TRIANGLES || position == primitive.attributes.end()) {
    ++model->primitivesLeftOut;
    return true;
  }
  if (!ViewAccessor(file, position->second, Positions, "POSITION", name, &plan.positions, why))
    return false;
  // Another attribute, when the primitive has it: as many elements as POSITION.
  auto viewAttribute = [&](const std::string& attribute, const AttributeKind& kind,
                           AccessorView* view, bool* has) {
    const auto found = primitive.attributes.find(attribute);
    *has = found != primitive.attributes.end();
    if (!*has) return true;
    if (!ViewAccessor(file, found->second, kind, attribute, name, view, why)) return false;
    if (view->count == plan.positions.count) return true;
    *why = name + "'s " + attribute + " has " + Number(view->count) + " elements, POSITION " +
           Number(plan.positions.count);
    return false;
  };
  plan.hasIndices = primitive.indices != -1;
  if (plan.hasIndices &&
      !ViewAccessor(file, primitive.indices, Indices, "indices", name, &plan.indices, why))
    return false;
  plan.triangles =
      TriangleCount(plan.mode, plan.hasIndices ? plan.indices.count : plan.positions.count);
  if (plan.triangles == 0) return true;
  if (!viewAttribute("NORMAL", Normals, &plan.normals, &plan.hasNormals)) return false;
  // Without normals a TANGENT is ignored: the flat normals make their own tangents.
  if (plan.hasNormals && !viewAttribute("TANGENT", Tangents, &plan.tangents, &plan.hasTangents))
    return false;

  // The material's normal and base colour textures, and the coordinate sets they read.
  int normalSource = -1, colourSource = -1, normalSet = 0, colourSet = 0;
  double scale = 1;
  if (primitive.material != -1) {
    if (!InRange(primitive.material, file.materials.size(), name + "'s material is material", why))
      return false;
    const tinygltf::Material& material = file.materials[primitive.material];
    const std::string materialName = "material " + std::to_string(primitive.material);
    if (!TextureSource(file, material.normalTexture.index, materialName + "'s normal texture",
                       &normalSource, why) ||
        !TextureSource(file, material.pbrMetallicRoughness.baseColorTexture.index,
                       materialName + "'s base colour texture", &colourSource, why))
      return false;
    normalSet = material.normalTexture.texCoord;
    colourSet = material.pbrMetallicRoughness.baseColorTexture.texCoord;
    scale = material.normalTexture.scale;
    if (!std::isfinite(scale)) {
      *why = materialName + "'s normal texture scale is not a finite number";
      return false;
    }
  }
  const int mainSet = normalSource >= 0 || colourSource < 0 ? normalSet : colourSet;
  auto viewSet = [&](int set, bool required, AccessorView* view, bool* has) {
    const std::string attribute = "TEXCOORD_" + std::to_string(set);
    if (!viewAttribute(attribute, TexCoords, view, has)) return false;
    if (*has || !required) return true;
    *why = "its material's textures read " + attribute + ", which " + name + " lacks";
    return false;
  };
  if (!viewSet(mainSet, normalSource >= 0 || colourSource >= 0, &plan.texCoords,
               &plan.hasTexCoords))
    return false;
  if (colourSource >= 0 && colourSet != mainSet &&
      !viewSet(colourSet, true, &plan.colourTexCoords, &plan.hasColourTexCoords))
    return false;
  if (normalSource >= 0) plan.normalUse = UseOf(uses, {normalSource, true, scale});
  if (colourSource >= 0) plan.colourUse = UseOf(uses, {colourSource, false, 1});
  plans->push_back(plan);
  return true;
}

// The images the plans use, each made once: the last use of a file's image takes its
// pixels, others copy them.
void MakeImages(tinygltf::Model* file, const std::vector<ImageUse>& uses, LoadedModel* model) {
  std::vector<int> usesLeft(file->images.size(), 0);
  for (const ImageUse& use : uses) ++usesLeft[use.source];
  model->images.resize(uses.size());
  for (std::size_t i = 0; i < uses.size(); ++i) {
    tinygltf::Image& source = file->images[uses[i].source];
    TextureImage& image = model->images[i];
    image.width = source.width;
    image.height = source.height;
    if (--usesLeft[uses[i].source] == 0)
      image.pixels.swap(source.image);
    else
      image.pixels = source.image;
    if (uses[i].normal && uses[i].scale != 1) ScaleNormalMap(&image, uses[i].scale);
  }
}

// Reads a planned primitive: its triangles, checked and renumbered to the vertices they
// use, and where its attributes lie; staged when its tangents are made here.
bool ReadPlan(const Plan& plan, PrimitiveArrays* a, std::string* why) {
  const std::string name = PrimitiveName(plan.mesh, plan.primitive);
  const std::size_t vertices = plan.positions.count;
  a->node = plan.node;
  a->mesh = plan.mesh;
  a->primitive = plan.primitive;
  std::memcpy(a->matrix, plan.world->m, sizeof a->matrix);
  a->normalImage = plan.normalUse;
  a->colourImage = plan.colourUse;

  ReserveLarge(&a->triangles, plan.triangles * 3);
  a->triangles.resize(plan.triangles * 3);
  Triangulate(plan.mode, plan.hasIndices ? &plan.indices : nullptr, plan.triangles,
              a->triangles.data());
  std::vector<std::uint32_t> newIndex(vertices, 0);  // 1 for a vertex used, then its number
  for (std::uint32_t index : a->triangles) {
    if (index >= vertices) {
      *why = name + " uses vertex index " + Number(index) + ", out of range (POSITION has " +
             Number(vertices) + " vertices)";
      return false;
    }
    newIndex[index] = 1;
  }
  // The vertices used, in the file's order.
  std::uint32_t used = 0;
  for (std::uint32_t& n : newIndex) n = n ? used++ : 0;
  a->vertexCount = used;
  if (used < vertices) {
    a->sourceVertex.resize(used);
    for (std::uint32_t& index : a->triangles) {
      const std::uint32_t kept = newIndex[index];
      a->sourceVertex[kept] = index;
      index = kept;
    }
  }

  const std::pair<const AccessorView*, const char*> checked[] = {
      {&plan.positions, "POSITION"},
      {plan.hasNormals ? &plan.normals : nullptr, "NORMAL"},
      {plan.hasTangents ? &plan.tangents : nullptr, "TANGENT"},
      {plan.hasTexCoords ? &plan.texCoords : nullptr, "texture coordinates"},
      {plan.hasColourTexCoords ? &plan.colourTexCoords : nullptr, "texture coordinates"}};
  const int components[] = {3, 3, 4, 2, 2};
  for (int i = 0; i < 5; ++i)
    if (checked[i].first && !AllFinite(*checked[i].first, components[i])) {
      *why = name + "'s " + checked[i].second + " holds a value that is not a finite number";
      return false;
    }
  // Without coordinates every vertex reads (0, 1), which is (s, t) = (0, 0).
  static const float noCoordinates[2] = {0, 1};
  a->positions = ValuesOf(plan.positions);
  a->hasNormals = plan.hasNormals;
  if (plan.hasNormals) a->normals = ValuesOf(plan.normals);
  a->hasTangents = plan.hasTangents;
  if (plan.hasTangents) a->tangents = ValuesOf(plan.tangents);
  a->texCoords.first = reinterpret_cast<const unsigned char*>(noCoordinates);
  a->texCoords.flipSecond = true;
  if (plan.hasTexCoords) a->texCoords = ValuesOf(plan.texCoords, true);
  a->hasColourTexCoords = plan.hasColourTexCoords;
  if (plan.hasColourTexCoords) a->colourTexCoords = ValuesOf(plan.colourTexCoords, true);
  if (!a->hasNormals || !a->hasTangents) StageArrays(a);
  return true;
}

}  // namespace

bool ReadDrawnPrimitives(tinygltf::Model* file, const ModelLimits& limits,
                         std::vector<PrimitiveArrays>* drawn, LoadedModel* model,
                         std::string* why) {
  std::vector<DrawnNode> nodes;
  if (!WalkScene(*file, &nodes, why)) return false;
  std::vector<Plan> plans;
  std::vector<ImageUse> uses;
  std::uint64_t triangles = 0, vertices = 0;
  for (const DrawnNode& node : nodes) {
    const std::size_t count = file->meshes[file->nodes[node.node].mesh].primitives.size();
    for (std::size_t p = 0; p < count; ++p) {
      const std::size_t planned = plans.size();
      if (!PlanPrimitive(*file, node, static_cast<int>(p), &plans, &uses, model, why)) return false;
      if (plans.size() == planned) continue;  // left out, or no triangles
      // Drawn vertices: those the triangles use, or three a triangle for flat normals.
      const Plan& plan = plans.back();
      triangles += plan.triangles;
      vertices += plan.hasNormals
                      ? std::min<std::uint64_t>(plan.positions.count, 3 * plan.triangles)
                      : 3 * plan.triangles;
      if (triangles > limits.maxTriangles || vertices > 3 * limits.maxTriangles) {
        *why = "it draws more than " + Number(limits.maxTriangles) +
               " triangles or three times as many vertices, the most this program draws";
        return false;
      }
    }
  }
  if (triangles == 0) {
    *why = "it has no triangles to draw";
    if (model->primitivesLeftOut)
      *why += " (points or lines left out: " + Number(model->primitivesLeftOut) + ")";
    return false;
  }
  MakeImages(file, uses, model);
  file->images.clear();
  drawn->resize(plans.size());
  for (std::size_t i = 0; i < plans.size(); ++i)
    if (!ReadPlan(plans[i], &(*drawn)[i], why)) return false;
  return true;
}
