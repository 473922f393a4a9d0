// What both renderers draw, worked out on the CPU once a frame from the scene's state: per
// vertex the light vector and the half-angle vector in the vertex's tangent frame, the
// self-shadowing factor and the GL's own per-vertex lighting term; and the wall as a mesh.
// For the renderers in scene/ only.
#pragma once

#include <cstddef>
#include <vector>

#include "scene/models.h"
#include "textures/texture.h"

// A mesh's vertex frames as separate arrays, one a component (positions, T, B, N), laid out
// for the loops that work out the per-vertex terms with the vector units; made once a mesh.
struct FrameArrays {
  std::size_t count = 0;
  std::vector<float> position[3], tangent[3], bitangent[3], normal[3];
};
FrameArrays FrameArraysOf(const Mesh& mesh);

// A vector given at each vertex in its tangent frame, and the self-shadowing factor there
// as a grey colour, laid out for GL's client arrays (eight floats a vertex, which the loops
// write as whole vectors). Worked out once per vertex and frame.
struct VertexTerms {
  float vector[4];  // x, y, z; the fourth is not read
  float shade[4];   // factor, factor, factor, 1
};

// How far a surface facing the light at an angle whose cosine is c is let lit by the bump
// term (see vertex_terms.cpp).
float SelfShadow(float c);

// A world-space vector in the vertex's tangent frame: (d . T, d . B, d . N).
void InFrame(const MeshVertex& v, Vector3 d, float* out);

// The light vector at a vertex in its tangent frame, unnormalised or normalised; returns
// the self-shadowing factor there. The arithmetic is the loops' below, to the bit.
float TangentLight(const MeshVertex& v, bool normalise, float* out);

// A vector alone at each vertex (x, y, z; the fourth float is not read): the half-angle
// vector, whose pass takes its self-shadowing factor from the light's terms.
struct VertexVector {
  float vector[4];
};

// TangentLight at every vertex of the frames, into the caller's buffer.
void LightAtVertices(const FrameArrays& frames, bool normalise, std::vector<VertexTerms>* terms);

// The half-angle vector at each vertex, the light's direction plus the eye's, in its tangent
// frame.
void HalfAngleAtVertices(const FrameArrays& frames, std::vector<VertexVector>* vectors);

// Both at once, as the two give them, reading each vertex's frame once: for the highlight,
// which draws the mesh lit and then adds its half-angle term.
void LightAndHalfAngleAtVertices(const FrameArrays& frames, bool normalise,
                                 std::vector<VertexTerms>* light, std::vector<VertexVector>* half);

// The half-angle vector at one vertex, as HalfAngleAtVertices gives it.
void HalfAngle(const MeshVertex& v, float* out);

// The frame at a point inside a triangle, as the shaders' per-pixel basis has it: the
// corners' positions, normals and tangents interpolated with the weights, and the sign of
// the interpolated handedness.
struct PixelFrame {
  double position[3], normal[3], tangent[3];
  double w;
};
PixelFrame InterpolatedFrame(const MeshVertex* const corners[3], const double weights[3]);

// In that frame rebuilt (N and T normalised, B = w N x T): the light vector (normalised
// when normalise is set, as on the wall) or, with half set, the half-angle vector, into out;
// returns the self-shadowing factor there.
double PixelTerms(const PixelFrame& frame, bool normalise, bool half, double* out);

// What the GL's own lighting computes at the vertex for a white point light and a white
// diffuse surface with no ambient term: max(N . L, 0), L the unit direction to the light.
float VertexLighting(const MeshVertex& v);

// The wall as a mesh of two triangles with the world's axes as its frame.
Mesh WallMesh();

// Whether the vertex's frame is mirrored: its B is -(N x T) (the handedness w = -1).
bool Mirrored(const MeshVertex& v);

// The tangent view's colour of a vertex (red, green, blue, 1): 0.5 + 0.5 T, scaled by
// MirroredShade where the frame is mirrored.
constexpr float MirroredShade = 0.4f;
void TangentColour(const MeshVertex& v, float* rgba);
// TangentColour at every vertex of the mesh, into the caller's buffer.
void TangentColours(const Mesh& mesh, std::vector<float>* rgba);

// A normal map of one texel, the flat normal (0, 0, 1): for a part that has none.
TextureImage FlatNormalMapImage();

// The file model's image as the renderers upload it: a normal map with green flipped as the
// running map is (Y works on a model's maps too), a colour map as stored; the flat normal
// map for an image index that is none.
TextureImage FileModelImage(int image, bool normal);

// A renderer's textures of the file model's images, made by make when first asked for and
// made again when the model or the green flip changes.
struct FileTextureCache {
  unsigned revision = 0;
  bool flipped = false;
  std::vector<GLuint> normals, colours;
  GLuint flat = 0;
};
GLuint FileTexture(FileTextureCache* cache, int image, bool normal,
                   GLuint (*make)(TextureImage image));
// The names of every texture in the cache (for a renderer that lets go of its own).
std::vector<GLuint> FileTextureNames(const FileTextureCache& cache);
