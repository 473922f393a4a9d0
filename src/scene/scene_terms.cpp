// What both renderers draw, worked out on the CPU from the scene's state: the terms of the
// shaders' per-pixel basis, the GL's own per-vertex lighting, the tangent view's colours, and
// the wall as a mesh (the per-vertex terms the stages are given are vertex_terms.cpp's).
#include "scene/scene_terms.h"

#include <algorithm>
#include <cmath>

#include "gl/gl.h"
#include "scene/scene.h"

PixelFrame InterpolatedFrame(const MeshVertex* const corners[3], const double weights[3]) {
  PixelFrame frame = {};
  for (int e = 0; e < 3; ++e) {
    const MeshVertex& v = *corners[e];
    const double b = weights[e];
    const Vector3 parts[3] = {v.position, v.normal, v.tangent};
    double* into[3] = {frame.position, frame.normal, frame.tangent};
    for (int k = 0; k < 3; ++k) {
      into[k][0] += b * parts[k].x;
      into[k][1] += b * parts[k].y;
      into[k][2] += b * parts[k].z;
    }
    frame.w += b * (Mirrored(v) ? -1 : 1);
  }
  frame.w = frame.w < 0 ? -1 : 1;
  return frame;
}

namespace {

double Dot(const double* a, const double* b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void Normalise(double* v) {
  const double length = std::sqrt(Dot(v, v));
  if (length > 0)
    for (int k = 0; k < 3; ++k) v[k] /= length;
}

}  // namespace

double PixelTerms(const PixelFrame& frame, bool normalise, bool half, double* out) {
  double n[3] = {frame.normal[0], frame.normal[1], frame.normal[2]};
  double t[3] = {frame.tangent[0], frame.tangent[1], frame.tangent[2]};
  Normalise(n);
  Normalise(t);
  const double b[3] = {frame.w * (n[1] * t[2] - n[2] * t[1]), frame.w * (n[2] * t[0] - n[0] * t[2]),
                       frame.w * (n[0] * t[1] - n[1] * t[0])};
  double l[3] = {LightPosition.x - frame.position[0], LightPosition.y - frame.position[1],
                 LightPosition.z - frame.position[2]};
  double unit[3] = {l[0], l[1], l[2]};
  Normalise(unit);
  const double* d = normalise || half ? unit : l;
  double vector[3] = {d[0], d[1], d[2]};
  if (half) {
    const Vector3 eye = CameraEye();
    double view[3] = {eye.x - frame.position[0], eye.y - frame.position[1],
                      eye.z - frame.position[2]};
    Normalise(view);
    for (int k = 0; k < 3; ++k) vector[k] += view[k];
  }
  out[0] = Dot(vector, t);
  out[1] = Dot(vector, b);
  out[2] = Dot(vector, n);
  return SelfShadow(static_cast<float>(Dot(unit, n)));
}

float VertexLighting(const MeshVertex& v) {
  const Vector3 l = NormalizeVector3(SubtractVector3(LightPosition, v.position));
  return std::max(0.0f, l.x * v.normal.x + l.y * v.normal.y + l.z * v.normal.z);
}

// The wall as a mesh of two triangles with the world's axes as its frame, for the lit
// view with colour.
Mesh WallMesh() {
  Mesh mesh;
  for (int i = 0; i < 4; ++i) {
    MeshVertex v;
    v.position = WallVertices[i];
    v.normal = MakeVector3(0, 0, 1);
    v.tangent = MakeVector3(1, 0, 0);
    v.bitangent = MakeVector3(0, 1, 0);
    v.texCoord = WallTexCoords[i];
    mesh.vertices.push_back(v);
  }
  mesh.triangles = {0, 1, 2, 0, 2, 3};
  return mesh;
}

bool Mirrored(const MeshVertex& v) {
  const Vector3 n = v.normal, t = v.tangent, b = v.bitangent;
  const float x = n.y * t.z - n.z * t.y, y = n.z * t.x - n.x * t.z, z = n.x * t.y - n.y * t.x;
  return x * b.x + y * b.y + z * b.z < 0;
}

void TangentColour(const MeshVertex& v, float* rgba) {
  const float shade = Mirrored(v) ? MirroredShade : 1.0f;
  rgba[0] = (0.5f + 0.5f * v.tangent.x) * shade;
  rgba[1] = (0.5f + 0.5f * v.tangent.y) * shade;
  rgba[2] = (0.5f + 0.5f * v.tangent.z) * shade;
  rgba[3] = 1;
}

void TangentColours(const Mesh& mesh, std::vector<float>* rgba) {
  rgba->resize(mesh.vertices.size() * 4);
  for (std::size_t i = 0; i < mesh.vertices.size(); ++i)
    TangentColour(mesh.vertices[i], &(*rgba)[i * 4]);
}

TextureImage FlatNormalMapImage() {
  return TextureImage{1, 1, {128, 128, 255}};
}

TextureImage FileModelImage(int image, bool normal) {
  if (image < 0 || static_cast<std::size_t>(image) >= FileModel.images.size())
    return FlatNormalMapImage();
  TextureImage texels = FileModel.images[image];
  if (normal && FlipGreenChannel)
    for (std::size_t i = 1; i < texels.pixels.size(); i += 3)
      texels.pixels[i] = static_cast<std::uint8_t>(255 - texels.pixels[i]);
  return texels;
}

GLuint FileTexture(FileTextureCache* cache, int image, bool normal,
                   GLuint (*make)(TextureImage image)) {
  if (cache->revision != FileModelRevision() || cache->flipped != FlipGreenChannel) {
    // The GL names are the renderer's to delete; they are let go of here in its context.
    for (const GLuint name : FileTextureNames(*cache))
      if (name != cache->flat) glDeleteTextures(1, &name);
    cache->normals.assign(FileModel.images.size(), 0);
    cache->colours.assign(FileModel.images.size(), 0);
    cache->revision = FileModelRevision();
    cache->flipped = FlipGreenChannel;
  }
  if (image < 0 || static_cast<std::size_t>(image) >= FileModel.images.size()) {
    if (!cache->flat) cache->flat = make(FlatNormalMapImage());
    return cache->flat;
  }
  GLuint& name = (normal ? cache->normals : cache->colours)[image];
  if (!name) name = make(FileModelImage(image, normal));
  return name;
}

std::vector<GLuint> FileTextureNames(const FileTextureCache& cache) {
  std::vector<GLuint> names;
  for (const std::vector<GLuint>* list : {&cache.normals, &cache.colours})
    for (const GLuint name : *list)
      if (name) names.push_back(name);
  if (cache.flat) names.push_back(cache.flat);
  return names;
}
