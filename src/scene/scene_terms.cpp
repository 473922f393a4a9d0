// What both renderers draw, worked out on the CPU from the scene's state: the per-vertex
// terms in each vertex's tangent frame, and the wall as a mesh.
#include "scene/scene_terms.h"

#include <algorithm>

#include "scene/scene.h"

// How far a surface facing the light at an angle whose cosine is c is let lit by the bump
// term: full from c = 1/8, falling to nothing at c = 0, so that bumps lit from behind the
// surface's own horizon stay dark.
float SelfShadow(float c) {
  return c <= 0 ? 0.0f : c >= 0.125f ? 1.0f : 8 * c;
}

// A world-space vector in the vertex's tangent frame: (d . T, d . B, d . N).
void InFrame(const MeshVertex& v, Vector3 d, float* out) {
  out[0] = d.x * v.tangent.x + d.y * v.tangent.y + d.z * v.tangent.z;
  out[1] = d.x * v.bitangent.x + d.y * v.bitangent.y + d.z * v.bitangent.z;
  out[2] = d.x * v.normal.x + d.y * v.normal.y + d.z * v.normal.z;
}

// The light vector at a vertex in its tangent frame, (L . T, L . B, L . N), unnormalised
// (the cube map normalises it per pixel) or, for the wall, normalised as the wall's own
// drawing does; returns the self-shadowing factor there.
float TangentLight(const MeshVertex& v, bool normalise, float* out) {
  Vector3 l = SubtractVector3(LightPosition, v.position);
  const float length = LengthVector3(l);
  if (normalise) l = ScaleVector3(l, 1 / length);
  InFrame(v, l, out);
  return SelfShadow(out[2] / (normalise ? 1 : length));
}

// The tangent-space light vector and the factor at every vertex of the mesh (as
// TangentLight gives them), into the caller's buffer, which keeps its storage from frame
// to frame.
void LightAtVertices(const Mesh& mesh, bool normalise, std::vector<VertexTerms>* terms) {
  terms->resize(mesh.vertices.size());
  for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
    VertexTerms& t = (*terms)[i];
    t.shade[0] = t.shade[1] = t.shade[2] = TangentLight(mesh.vertices[i], normalise, t.vector);
    t.shade[3] = 1;
  }
}

void HalfAngleAtVertices(const Mesh& mesh, std::vector<VertexTerms>* terms) {
  LightAtVertices(mesh, true, terms);
  const Vector3 eye = CameraEye();
  for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
    float view[3];
    InFrame(mesh.vertices[i], NormalizeVector3(SubtractVector3(eye, mesh.vertices[i].position)),
            view);
    for (int k = 0; k < 3; ++k) (*terms)[i].vector[k] += view[k];
  }
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
