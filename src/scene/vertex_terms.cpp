// The per-vertex terms the texture stages are given each frame: the light and half-angle
// vectors in each vertex's tangent frame and the self-shadowing factor. One inline function
// a term serves both the single vertex (the probe) and the loops over a mesh's frame arrays,
// which the compiler turns into vector instructions (this file is built with -O3, without
// errno or trapping maths and without fused multiply-adds, so the two give the same bits).
#include <cmath>

#include "scene/scene.h"
#include "scene/scene_terms.h"

namespace {

// One vertex's frame as plain numbers: position, T, B, N.
struct Frame {
  float px, py, pz, tx, ty, tz, bx, by, bz, nx, ny, nz;
};

Frame FrameOf(const MeshVertex& v) {
  return {v.position.x,  v.position.y,  v.position.z,  v.tangent.x, v.tangent.y, v.tangent.z,
          v.bitangent.x, v.bitangent.y, v.bitangent.z, v.normal.x,  v.normal.y,  v.normal.z};
}

// The length of (x, y, z): the squares and their sum in double, the root rounded to float once
// (as the extended precision this replaced gives it: a float sum changes pixels of the
// references).
inline float Length(float x, float y, float z) {
  return static_cast<float>(std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y +
                                      static_cast<double>(z) * z));
}

// How far a surface facing the light at an angle whose cosine is c is let lit by the bump
// term: full from c = 1/8, falling to nothing at c = 0, so that bumps lit from behind the
// surface's own horizon stay dark.
inline float Shadow(float c) {
  return c <= 0 ? 0.0f : c >= 0.125f ? 1.0f : 8 * c;
}

// A vector in a vertex's frame and the self-shadowing factor there.
struct Term {
  float x, y, z, shade;
};

// (d . T, d . B, d . N).
inline Term InFrameOf(const Frame& f, float dx, float dy, float dz) {
  return {dx * f.tx + dy * f.ty + dz * f.tz, dx * f.bx + dy * f.by + dz * f.bz,
          dx * f.nx + dy * f.ny + dz * f.nz, 0};
}

// The light vector at the vertex in its frame, unnormalised (the cube map normalises it per
// pixel) or normalised (the wall, as its own drawing does), with the factor there.
inline Term LightTerm(const Frame& f, Vector3 light, bool normalise) {
  float lx = light.x - f.px, ly = light.y - f.py, lz = light.z - f.pz;
  const float length = Length(lx, ly, lz);
  if (normalise) {
    const float k = 1 / length;
    lx *= k, ly *= k, lz *= k;
  }
  Term term = InFrameOf(f, lx, ly, lz);
  term.shade = Shadow(normalise ? term.z : term.z / length);
  return term;
}

// The half-angle vector: the unit directions to the light and to the eye, each in the frame,
// added; with the factor (the normalised light's). A vertex at the eye keeps the zero vector
// it has there.
inline Term HalfAngleTerm(const Frame& f, Vector3 light, Vector3 eye) {
  const Term toLight = LightTerm(f, light, true);
  float vx = eye.x - f.px, vy = eye.y - f.py, vz = eye.z - f.pz;
  const float length = Length(vx, vy, vz);
  const float k = length != 0 && length == length ? 1 / length : 1.0f;
  const Term toEye = InFrameOf(f, vx * k, vy * k, vz * k);
  return {toLight.x + toEye.x, toLight.y + toEye.y, toLight.z + toEye.z, toLight.shade};
}

inline void StoreVector(const Term& term, float* out) {
  out[0] = term.x;
  out[1] = term.y;
  out[2] = term.z;
  out[3] = 0;
}

inline void Store(const Term& term, float* out) {
  out[0] = term.x;
  out[1] = term.y;
  out[2] = term.z;
  out[3] = 0;
  out[4] = term.shade;
  out[5] = term.shade;
  out[6] = term.shade;
  out[7] = 1;
}

// On x86-64 ELF systems GCC also compiles the loop for AVX2 (eight floats a vector), taken
// when the processor has it: the same operations, so the same bits, twice as wide. (Clang
// 14 takes no target_clones on a template; its builds, the fuzzers', keep one version.)
#if defined(__x86_64__) && defined(__ELF__) && defined(__GNUC__) && !defined(__clang__)
#define WIDER_VECTORS_TOO __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define WIDER_VECTORS_TOO
#endif

// The loop: each vertex's frame read from the arrays (through restricted pointers, which
// tell the compiler that nothing else writes them), its terms written as groups of floats:
// the light's into toLight (vector, an unused float, the factor three times and 1), the
// half-angle vector into half (and an unused float), either or both.
template <bool Light, bool Normalise, bool Half>
WIDER_VECTORS_TOO void TermsLoop(std::size_t count, const float* __restrict px,
                                 const float* __restrict py, const float* __restrict pz,
                                 const float* __restrict tx, const float* __restrict ty,
                                 const float* __restrict tz, const float* __restrict bx,
                                 const float* __restrict by, const float* __restrict bz,
                                 const float* __restrict nx, const float* __restrict ny,
                                 const float* __restrict nz, Vector3 light, Vector3 eye,
                                 float* __restrict toLight, float* __restrict half) {
  for (std::size_t i = 0; i < count; ++i) {
    const Frame f = {px[i], py[i], pz[i], tx[i], ty[i], tz[i],
                     bx[i], by[i], bz[i], nx[i], ny[i], nz[i]};
    if (Light) Store(LightTerm(f, light, Normalise), toLight + 8 * i);
    if (Half) StoreVector(HalfAngleTerm(f, light, eye), half + 4 * i);
  }
}

template <bool Light, bool Normalise, bool Half>
void Terms(const FrameArrays& f, std::vector<VertexTerms>* toLight,
           std::vector<VertexVector>* half) {
  static_assert(sizeof(VertexTerms) == 8 * sizeof(float), "eight floats a vertex");
  static_assert(sizeof(VertexVector) == 4 * sizeof(float), "four floats a vertex");
  if (Light) toLight->resize(f.count);
  if (Half) half->resize(f.count);
  if (f.count == 0) return;
  TermsLoop<Light, Normalise, Half>(
      f.count, f.position[0].data(), f.position[1].data(), f.position[2].data(),
      f.tangent[0].data(), f.tangent[1].data(), f.tangent[2].data(), f.bitangent[0].data(),
      f.bitangent[1].data(), f.bitangent[2].data(), f.normal[0].data(), f.normal[1].data(),
      f.normal[2].data(), LightPosition, Half ? CameraEye() : Vector3(),
      Light ? (*toLight)[0].vector : nullptr, Half ? (*half)[0].vector : nullptr);
}

}  // namespace

float SelfShadow(float c) {
  return Shadow(c);
}

void InFrame(const MeshVertex& v, Vector3 d, float* out) {
  const Term term = InFrameOf(FrameOf(v), d.x, d.y, d.z);
  out[0] = term.x, out[1] = term.y, out[2] = term.z;
}

float TangentLight(const MeshVertex& v, bool normalise, float* out) {
  const Term term = LightTerm(FrameOf(v), LightPosition, normalise);
  out[0] = term.x, out[1] = term.y, out[2] = term.z;
  return term.shade;
}

void HalfAngle(const MeshVertex& v, float* out) {
  const Term term = HalfAngleTerm(FrameOf(v), LightPosition, CameraEye());
  out[0] = term.x, out[1] = term.y, out[2] = term.z;
}

FrameArrays FrameArraysOf(const Mesh& mesh) {
  FrameArrays frames;
  frames.count = mesh.vertices.size();
  std::vector<float>* arrays[4] = {frames.position, frames.tangent, frames.bitangent,
                                   frames.normal};
  for (std::vector<float>* part : arrays)
    for (int k = 0; k < 3; ++k) part[k].resize(frames.count);
  for (std::size_t i = 0; i < frames.count; ++i) {
    const MeshVertex& v = mesh.vertices[i];
    const Vector3 parts[4] = {v.position, v.tangent, v.bitangent, v.normal};
    for (int p = 0; p < 4; ++p) {
      arrays[p][0][i] = parts[p].x;
      arrays[p][1][i] = parts[p].y;
      arrays[p][2][i] = parts[p].z;
    }
  }
  return frames;
}

void LightAtVertices(const FrameArrays& frames, bool normalise, std::vector<VertexTerms>* terms) {
  if (normalise)
    Terms<true, true, false>(frames, terms, nullptr);
  else
    Terms<true, false, false>(frames, terms, nullptr);
}

void HalfAngleAtVertices(const FrameArrays& frames, std::vector<VertexVector>* vectors) {
  Terms<false, true, true>(frames, nullptr, vectors);
}

void LightAndHalfAngleAtVertices(const FrameArrays& frames, bool normalise,
                                 std::vector<VertexTerms>* light, std::vector<VertexVector>* half) {
  if (normalise)
    Terms<true, true, true>(frames, light, half);
  else
    Terms<true, false, true>(frames, light, half);
}
