// From a primitive as the file has it to a part of the model in the program's frame: the
// arrays MikkTSpace takes copied out (flat normals where the file gives none), tangents
// (the file's, or MikkTSpace's with a vertex split where its corners' tangents differ), the
// node's transform with glTF's axes turned into the program's, and at the end the whole
// model centred and scaled. Arithmetic in double, stored as float.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/dvec.h"
#include "models/model_build.h"
#include "tangents/tangents.h"

namespace {

const std::uint32_t Unclaimed = 0xFFFFFFFFu;

using Vec = DVec;

Vec At(const float* values, std::size_t i) {
  return {values[3 * i], values[3 * i + 1], values[3 * i + 2]};
}
Vector3 Stored(Vec a) {
  return MakeVector3(static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(a.z));
}

// The node's linear part with glTF's axes turned into the program's: (x, y, z) is drawn at
// (-x, z, y), a rotation. Its columns, and their cross products, which map normals.
struct Frame {
  Vec column[3];
  Vec normalColumn[3];  // det(W) times the inverse transpose, column by column
  Vec translation;
  double sign;  // of the determinant: -1 when the node mirrors
};

Vec ToProgram(Vec a) {
  return {-a.x, a.z, a.y};
}

Frame FrameOf(const double* m) {
  Frame f;
  for (int c = 0; c < 3; ++c) f.column[c] = ToProgram({m[4 * c], m[4 * c + 1], m[4 * c + 2]});
  f.translation = ToProgram({m[12], m[13], m[14]});
  f.normalColumn[0] = Cross(f.column[1], f.column[2]);
  f.normalColumn[1] = Cross(f.column[2], f.column[0]);
  f.normalColumn[2] = Cross(f.column[0], f.column[1]);
  f.sign = Dot(f.column[0], f.normalColumn[0]) < 0 ? -1 : 1;
  return f;
}

Vec Apply(const Vec* columns, Vec a) {
  return Add(Add(Scale(columns[0], a.x), Scale(columns[1], a.y)), Scale(columns[2], a.z));
}

// A primitive's tangents made here, one per corner by MikkTSpace from its staged arrays,
// made one per vertex: a vertex keeps the tangent of its first corner, and a corner whose
// tangent differs gets a copy of the vertex (shared with the other corners that have that
// tangent). The triangles are renumbered in place; copies[k] is the vertex that vertex
// count + k copies, frames has 4 floats (xyz, w) per vertex.
void GeneratedTangents(PrimitiveArrays* a, std::vector<float>* frames,
                       std::vector<std::uint32_t>* copies) {
  const std::size_t vertexCount = a->vertexCount, corners = a->triangles.size();
  TangentMesh mesh;
  mesh.triangleCount = corners / 3;
  mesh.indices = a->triangles.data();
  mesh.vertexCount = vertexCount;
  mesh.positions = a->stagedPositions.data();
  mesh.normals = a->stagedNormals.data();
  mesh.texCoords = a->stagedTexCoords.data();
  // Each distinct frame once, and each corner's: a sixth of the room of a frame a corner.
  TangentFrames generated;
  GenerateTangentFrames(mesh, &generated);
  const std::vector<std::uint32_t>& cornerFrame = generated.cornerFrame;
  auto tangentOf = [&](std::uint32_t c) {
    return &generated.frames[4 * std::size_t{cornerFrame[c]}];
  };

  auto same = [&](std::uint32_t c, std::uint32_t d) {
    return cornerFrame[c] == cornerFrame[d] ||
           std::memcmp(tangentOf(c), tangentOf(d), 4 * sizeof(float)) == 0;
  };
  std::vector<std::uint32_t> claim(vertexCount, Unclaimed), firstCopy(vertexCount, Unclaimed);
  std::vector<std::uint32_t> copyCorner, nextCopy;
  for (std::uint32_t c = 0; c < corners; ++c) {
    const std::uint32_t v = a->triangles[c];
    if (claim[v] == Unclaimed) claim[v] = c;
    if (same(claim[v], c)) continue;
    std::uint32_t k = firstCopy[v], last = Unclaimed;
    for (; k != Unclaimed && !same(copyCorner[k], c); k = nextCopy[k]) last = k;
    if (k == Unclaimed) {
      k = static_cast<std::uint32_t>(copies->size());
      copies->push_back(v);
      copyCorner.push_back(c);
      nextCopy.push_back(Unclaimed);
      (last == Unclaimed ? firstCopy[v] : nextCopy[last]) = k;
    }
    a->triangles[c] = static_cast<std::uint32_t>(vertexCount + k);
  }
  // Every vertex kept is used, so every one has claimed a corner.
  frames->resize((vertexCount + copies->size()) * 4);
  for (std::size_t v = 0; v < vertexCount; ++v)
    std::copy_n(tangentOf(claim[v]), 4, &(*frames)[4 * v]);
  for (std::size_t k = 0; k < copies->size(); ++k)
    std::copy_n(tangentOf(copyCorner[k]), 4, &(*frames)[4 * (vertexCount + k)]);
}

Vec ValuesAt(const VertexValues& values, std::size_t vertex) {
  return {ValueAt(values, vertex, 0), ValueAt(values, vertex, 1), ValueAt(values, vertex, 2)};
}

VertexValues FloatValues(const std::vector<float>& values, int components) {
  VertexValues v;
  v.first = reinterpret_cast<const unsigned char*>(values.data());
  v.stride = components * sizeof(float);
  return v;
}

}  // namespace

void StageArrays(PrimitiveArrays* a) {
  // Without normals each corner becomes a vertex of its own, with its triangle's normal.
  const bool flat = !a->hasNormals;
  const std::size_t count = flat ? a->triangles.size() : a->vertexCount;
  auto source = [&](std::size_t k) -> std::size_t {
    const std::size_t vertex = flat ? a->triangles[k] : k;
    return a->sourceVertex.empty() ? vertex : a->sourceVertex[vertex];
  };
  auto stage = [&](const VertexValues& values, int components, std::vector<float>* out) {
    ReserveLarge(out, count * components);
    out->resize(count * components);
    for (std::size_t k = 0; k < count; ++k)
      for (int c = 0; c < components; ++c)
        (*out)[k * components + c] = ValueAt(values, source(k), c);
  };
  stage(a->positions, 3, &a->stagedPositions);
  stage(a->texCoords, 2, &a->stagedTexCoords);
  if (a->hasColourTexCoords) stage(a->colourTexCoords, 2, &a->stagedColourTexCoords);
  if (flat) {
    a->stagedNormals.resize(count * 3);
    for (std::size_t c = 0; c < count; c += 3) {
      const Vec p = At(a->stagedPositions.data(), c);
      const Vec n = Unit(Cross(Add(At(a->stagedPositions.data(), c + 1), Scale(p, -1)),
                               Add(At(a->stagedPositions.data(), c + 2), Scale(p, -1))));
      for (std::size_t k = c; k < c + 3; ++k) {
        a->stagedNormals[3 * k] = static_cast<float>(n.x);
        a->stagedNormals[3 * k + 1] = static_cast<float>(n.y);
        a->stagedNormals[3 * k + 2] = static_cast<float>(n.z);
      }
    }
    for (std::size_t c = 0; c < count; ++c) a->triangles[c] = static_cast<std::uint32_t>(c);
  } else {
    // Unit length, as the generator takes them (a file's may not be).
    stage(a->normals, 3, &a->stagedNormals);
    for (std::size_t k = 0; k < count; ++k) {
      const Vec n = Unit(At(a->stagedNormals.data(), k));
      a->stagedNormals[3 * k] = static_cast<float>(n.x);
      a->stagedNormals[3 * k + 1] = static_cast<float>(n.y);
      a->stagedNormals[3 * k + 2] = static_cast<float>(n.z);
    }
  }
  a->vertexCount = count;
  std::vector<std::uint32_t>().swap(a->sourceVertex);
  a->positions = FloatValues(a->stagedPositions, 3);
  a->normals = FloatValues(a->stagedNormals, 3);
  a->texCoords = FloatValues(a->stagedTexCoords, 2);
  a->colourTexCoords = FloatValues(a->stagedColourTexCoords, 2);
  a->hasNormals = true;
  a->hasTangents = false;  // a TANGENT without normals is ignored: flat normals make their own
  a->staged = true;
}

bool BuildPart(PrimitiveArrays* a, ModelPart* part, std::string* why) {
  part->fileNode = a->node;
  part->fileMesh = a->mesh;
  part->filePrimitive = a->primitive;
  part->normalImage = a->normalImage;
  part->colourImage = a->colourImage;
  part->tangentsFromFile = a->hasTangents;
  std::vector<float> frames;
  std::vector<std::uint32_t> copies;
  if (!a->hasTangents) GeneratedTangents(a, &frames, &copies);

  const Frame f = FrameOf(a->matrix);
  const std::size_t base = a->vertexCount, total = base + copies.size();
  // Reserved, not resized: each vertex is written once.
  ReserveLarge(&part->mesh.vertices, total);
  if (part->tangentsFromFile) ReserveLarge(&part->fileTangents, total);
  if (a->hasColourTexCoords) ReserveLarge(&part->colourTexCoords, total);
  for (std::size_t i = 0; i < total; ++i) {
    const std::size_t k = i < base ? i : copies[i - base];
    const std::size_t from = a->sourceVertex.empty() ? k : a->sourceVertex[k];
    MeshVertex v;
    v.position = Stored(Add(Apply(f.column, ValuesAt(a->positions, from)), f.translation));
    if (!std::isfinite(v.position.x) || !std::isfinite(v.position.y) ||
        !std::isfinite(v.position.z)) {
      *why = "node " + std::to_string(a->node) + "'s transform takes mesh " +
             std::to_string(a->mesh) + "'s positions out of the range of floats";
      return false;
    }
    const Vec n = Unit(Scale(Apply(f.normalColumn, ValuesAt(a->normals, from)), f.sign));
    const Vec written = a->hasTangents ? ValuesAt(a->tangents, from)
                                       : Vec{frames[4 * i], frames[4 * i + 1], frames[4 * i + 2]};
    const float handedness = a->hasTangents ? ValueAt(a->tangents, from, 3) : frames[4 * i + 3];
    const Vec t = Unit(Apply(f.column, written));
    // A mirroring node turns the handedness round.
    const double w = (handedness < 0 ? -1 : 1) * f.sign;
    v.normal = Stored(n);
    v.tangent = Stored(t);
    v.bitangent = Stored(Scale(Cross(n, t), w));
    v.texCoord = MakeTexCoord2(ValueAt(a->texCoords, from, 0), ValueAt(a->texCoords, from, 1));
    part->mesh.vertices.push_back(v);
    if (part->tangentsFromFile)
      part->fileTangents.push_back(
          {Stored(Scale(t, std::sqrt(Dot(written, written)))), handedness});
    if (a->hasColourTexCoords)
      part->colourTexCoords.push_back(MakeTexCoord2(ValueAt(a->colourTexCoords, from, 0),
                                                    ValueAt(a->colourTexCoords, from, 1)));
  }
  // A mirroring node turns the winding round too.
  if (f.sign < 0)
    for (std::size_t c = 0; c < a->triangles.size(); c += 3)
      std::swap(a->triangles[c + 1], a->triangles[c + 2]);
  part->mesh.triangles.swap(a->triangles);
  *a = PrimitiveArrays();
  return true;
}

bool PlaceModel(LoadedModel* model, std::string* why) {
  double low[3], high[3];
  for (int k = 0; k < 3; ++k) {
    low[k] = std::numeric_limits<double>::infinity();
    high[k] = -low[k];
  }
  // The bounds of what is drawn: a part keeps only vertices its triangles use.
  for (const ModelPart& part : model->parts)
    for (const MeshVertex& v : part.mesh.vertices) {
      const Vector3& p = v.position;
      const double xyz[3] = {p.x, p.y, p.z};
      for (int k = 0; k < 3; ++k) {
        low[k] = std::min(low[k], xyz[k]);
        high[k] = std::max(high[k], xyz[k]);
      }
    }
  const double extent = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
  if (!(extent > 0)) {
    *why = "its triangles have no extent (every vertex drawn is at one point)";
    return false;
  }
  const double scale = 2 / extent;
  const Vec centre = {(low[0] + high[0]) / 2, (low[1] + high[1]) / 2, (low[2] + high[2]) / 2};
  for (ModelPart& part : model->parts)
    for (MeshVertex& v : part.mesh.vertices)
      v.position =
          Stored(Scale(Add({v.position.x, v.position.y, v.position.z}, Scale(centre, -1)), scale));
  return true;
}

void ScaleNormalMap(TextureImage* image, double scale) {
  for (std::size_t i = 0; i + 2 < image->pixels.size(); i += 3) {
    std::uint8_t* texel = &image->pixels[i];
    // A texel c holds 2 c / 255 - 1 of a unit vector.
    Vec n = {texel[0] / 127.5 - 1, texel[1] / 127.5 - 1, texel[2] / 127.5 - 1};
    n = Unit({n.x * scale, n.y * scale, n.z});
    const double values[3] = {n.x, n.y, n.z};
    for (int k = 0; k < 3; ++k)
      texel[k] =
          static_cast<std::uint8_t>(std::lround(std::clamp((values[k] + 1) * 127.5, 0.0, 255.0)));
  }
}
