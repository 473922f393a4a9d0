// The pixel probe. The prediction follows the GL's own steps for the pixel's centre: the
// mesh's corners through the camera's matrices to window coordinates, the triangle that
// covers the centre nearest the eye (the light marker drawn first), its barycentric weights
// corrected for perspective as the GL interpolates, the texture coordinates at the pixel
// and at its neighbours in the 2 x 2 block the rasteriser shades together (their
// differences give the level of detail, one per block), the normal map and the colour map
// filtered trilinearly from the mipmap chain the program uploaded, the cube map filtered
// bilinearly on the face the interpolated vector selects, and then the stages' arithmetic.
#include "scene/probe.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "check/findings.h"
#include "common/settings.h"
#include "gl/gl.h"
#include "scene/maps.h"
#include "scene/models.h"
#include "scene/overlay.h"
#include "scene/scene_terms.h"
#include "scene/shaders.h"
#include "textures/cubemap.h"
#include "textures/texture.h"

unsigned ProbeOmissions = OmitNone;
ActiveProbe CurrentProbe;

namespace {

using Texel = std::array<double, 3>;

// A mipmap chain as the program uploads it: the image, then each level halved as
// gluBuild2DMipmaps makes it (the shaders upload the same chain).
struct MipChain {
  std::vector<TextureImage> levels;
};

MipChain MakeChain(TextureImage image) {
  MipChain chain;
  chain.levels.push_back(std::move(image));
  for (;;) {
    TextureImage next = HalveImage(chain.levels.back());
    if (next.pixels.empty()) break;
    chain.levels.push_back(std::move(next));
  }
  return chain;
}

// The chain of the colour map at path, read once a path (its green never flipped: that is
// for normal maps); empty when it cannot be read.
const MipChain& ColourChain(const char* path) {
  static std::map<std::string, MipChain> chains;
  const auto found = chains.find(path);
  if (found != chains.end()) return found->second;
  const bool saved = FlipGreenChannel;
  FlipGreenChannel = false;
  TextureImage image;
  const bool read = ReadTextureImage(path, false, &image);
  FlipGreenChannel = saved;
  return chains[path] = read ? MakeChain(std::move(image)) : MipChain();
}

// The chain of the running normal map, as the renderers have it (from its file or its
// heights, green as flipped now), made again whenever the map has changed.
const MipChain& NormalMapChain() {
  static MipChain chain;
  static std::string key;
  const std::string now = std::to_string(NormalMapRevision()) + (FlipGreenChannel ? "1" : "0") +
                          (HeightMapPath ? std::string("h") + HeightMapPath : "n") + NormalMapPath;
  if (now != key) {
    key = now;
    TextureImage image;
    chain = ReadNormalMapImage(false, &image) ? MakeChain(std::move(image)) : MipChain();
  }
  return chain;
}

// A file model's image as a chain, made again when the model changes; a normal map's green
// flipped as the running map's is.
const MipChain& FileImageChain(int image, bool normal) {
  static std::map<int, MipChain> chains;
  static std::string key;
  const std::string now = std::to_string(FileModelRevision()) + (FlipGreenChannel ? "f" : "n");
  if (now != key) chains.clear(), key = now;
  const int index = normal ? image * 2 : image * 2 + 1;
  const auto found = chains.find(index);
  if (found != chains.end()) return found->second;
  TextureImage texels = FileModelImage(image, normal);
  return chains[index] = MakeChain(std::move(texels));
}

// The chains a part is drawn with: the running maps, or the file model's (the flat map for a
// part without a normal map, nothing for one without colour).
const MipChain& PartNormalChain(const DrawnPart& part) {
  return part.normalImage == RunningMap ? NormalMapChain() : FileImageChain(part.normalImage, true);
}
const MipChain& PartColourChain(const DrawnPart& part) {
  static const MipChain none;
  if (part.colourImage == RunningMap) return ColourChain(ColourMapPath);
  return part.colourImage == NoMap ? none : FileImageChain(part.colourImage, false);
}

// Texel (i, j) of a level, repeating; rows from t = 0 up, as uploaded.
Texel At(const TextureImage& level, int i, int j) {
  i = ((i % level.width) + level.width) % level.width;
  j = ((j % level.height) + level.height) % level.height;
  const std::uint8_t* p = &level.pixels[(static_cast<std::size_t>(j) * level.width + i) * 3];
  return {double(p[0]), double(p[1]), double(p[2])};
}

// The largest difference between texels of one channel that a filter blended: how far
// the weights' 8-bit steps can move its result.
struct Spread {
  double low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
  void Add(const Texel& texel) {
    for (int c = 0; c < 3; ++c)
      low[c] = std::min(low[c], texel[c]), high[c] = std::max(high[c], texel[c]);
  }
  int Largest() const {
    double most = 0;
    for (int c = 0; c < 3; ++c) most = std::max(most, high[c] - low[c]);
    return static_cast<int>(most);
  }
};

// GL_LINEAR on one level: the four texels around (s, t) weighted by their distances.
Texel Bilinear(const TextureImage& level, double s, double t, Spread* spread) {
  const double u = s * level.width - 0.5, v = t * level.height - 0.5;
  const int i = static_cast<int>(std::floor(u)), j = static_cast<int>(std::floor(v));
  const double fu = u - i, fv = v - j;
  Texel out = {0, 0, 0};
  for (int dj = 0; dj < 2; ++dj)
    for (int di = 0; di < 2; ++di) {
      const double w = (di ? fu : 1 - fu) * (dj ? fv : 1 - fv);
      const Texel texel = At(level, i + di, j + dj);
      spread->Add(texel);
      for (int c = 0; c < 3; ++c) out[c] += w * texel[c];
    }
  return out;
}

// GL_LINEAR_MIPMAP_LINEAR with GL_LINEAR magnification, at the level of detail lod: level
// 0 alone up to lod 0, else the two levels about it, the second weighted by lod's fraction.
Texel Trilinear(const MipChain& chain, double s, double t, double lod, int* level, double* weight,
                Spread* spread) {
  const int last = static_cast<int>(chain.levels.size()) - 1;
  if ((ProbeOmissions & OmitMipmaps) || lod <= 0 || last == 0) {
    *level = 0, *weight = 0;
    return Bilinear(chain.levels[0], s, t, spread);
  }
  if (lod >= last) {
    *level = last, *weight = 0;
    return Bilinear(chain.levels[last], s, t, spread);
  }
  *level = static_cast<int>(std::floor(lod));
  *weight = lod - *level;
  const Texel a = Bilinear(chain.levels[*level], s, t, spread);
  const Texel b = Bilinear(chain.levels[*level + 1], s, t, spread);
  Texel out;
  for (int c = 0; c < 3; ++c) out[c] = a[c] + (b[c] - a[c]) * *weight;
  return out;
}

// The filtered value as the 8-bit texture unit hands it on.
std::array<int, 3> Bytes(const Texel& texel) {
  std::array<int, 3> out;
  for (int c = 0; c < 3; ++c)
    out[c] = static_cast<int>(std::lrint(std::clamp(texel[c], 0.0, 255.0)));
  return out;
}

// The normalization cube map's faces, as CreateNormalizationCubeMap uploads them.
const TextureImage& CubeFace(int face) {
  static std::vector<TextureImage> faces;
  if (faces.empty()) {
    for (int f = 0; f < 6; ++f) {
      TextureImage image;
      image.width = image.height = 32;
      image.pixels.resize(32 * 32 * 3);
      NormalizationCubeFace(32, f, image.pixels.data());
      faces.push_back(std::move(image));
    }
  }
  return faces[face];
}

// The cube-map lookup in direction r: the face of r's major axis and its (s, t) as the
// cube-map rules give them, then GL_LINEAR on that face, clamped to its edge.
Texel CubeLookup(const std::array<double, 3>& r, int* face, double* u, double* v, Spread* spread) {
  const double ax = std::fabs(r[0]), ay = std::fabs(r[1]), az = std::fabs(r[2]);
  double sc, tc, ma;
  if (ax >= ay && ax >= az) {
    *face = r[0] > 0 ? 0 : 1, ma = ax, sc = r[0] > 0 ? -r[2] : r[2], tc = -r[1];
  } else if (ay >= az) {
    *face = r[1] > 0 ? 2 : 3, ma = ay, sc = r[0], tc = r[1] > 0 ? r[2] : -r[2];
  } else {
    *face = r[2] > 0 ? 4 : 5, ma = az, sc = r[2] > 0 ? r[0] : -r[0], tc = -r[1];
  }
  if (ma == 0) ma = 1;
  const double s = (sc / ma + 1) / 2, t = (tc / ma + 1) / 2;
  *u = s * 32 - 0.5, *v = t * 32 - 0.5;
  const int i = static_cast<int>(std::floor(*u)), j = static_cast<int>(std::floor(*v));
  const double fu = *u - i, fv = *v - j;
  const TextureImage& image = CubeFace(*face);
  Texel out = {0, 0, 0};
  for (int dj = 0; dj < 2; ++dj)
    for (int di = 0; di < 2; ++di) {
      const double w = (di ? fu : 1 - fu) * (dj ? fv : 1 - fv);
      const Texel texel = At(image, std::clamp(i + di, 0, 31), std::clamp(j + dj, 0, 31));
      spread->Add(texel);
      for (int c = 0; c < 3; ++c) out[c] += w * texel[c];
    }
  return out;
}

// The cube texel for a vector, or, with the cube map left out, the vector itself encoded.
std::array<int, 3> LightTexel(const std::array<double, 3>& r, int* face, double* u, double* v,
                              int* spread) {
  Spread blended;
  const Texel texel = CubeLookup(r, face, u, v, &blended);
  *spread = blended.Largest();
  if (ProbeOmissions & OmitCubeMap) {
    return Bytes({127.5 + 127.5 * r[0], 127.5 + 127.5 * r[1], 127.5 + 127.5 * r[2]});
  }
  return Bytes(texel);
}

// GL_DOT3_RGB: 4 x the sum of (a - 0.5)(b - 0.5) over the channels, clamped to [0, 1].
double Dot3(const std::array<double, 3>& a, const std::array<double, 3>& b) {
  double sum = 0;
  for (int c = 0; c < 3; ++c) sum += (a[c] - 0.5) * (b[c] - 0.5);
  return std::clamp(4 * sum, 0.0, 1.0);
}

std::array<double, 3> Unit(const std::array<int, 3>& bytes) {
  return {bytes[0] / 255.0, bytes[1] / 255.0, bytes[2] / 255.0};
}

int Level(double value) {
  return static_cast<int>(std::lrint(std::clamp(value, 0.0, 1.0) * 255));
}

// A 4 x 4 matrix, column-major as the GL keeps it, in double.
struct Matrix {
  double m[16];
};

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix r{};
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row)
      for (int k = 0; k < 4; ++k) r.m[c * 4 + row] += a.m[k * 4 + row] * b.m[c * 4 + k];
  return r;
}

// gluPerspective(60, width / height, 1, 60) times gluLookAt(eye, origin, +z), the matrices
// both renderers draw with.
Matrix CameraMatrix() {
  const double aspect = static_cast<double>(ScreenWidth) / ScreenHeight;
  const double f = 1 / std::tan(30 * 3.14159265358979323846 / 180);
  Matrix p{};
  p.m[0] = f / aspect, p.m[5] = f, p.m[10] = -61.0 / 59, p.m[11] = -1, p.m[14] = -120.0 / 59;
  const Vector3 e = CameraEye();
  const double ex = e.x, ey = e.y, ez = e.z;
  const double fl = std::sqrt(ex * ex + ey * ey + ez * ez);
  const double fx = -ex / fl, fy = -ey / fl, fz = -ez / fl;
  // side = forward x (0, 0, 1), up = side x forward
  double sx = fy, sy = -fx, sz = 0;
  const double sl = std::sqrt(sx * sx + sy * sy);
  sx /= sl, sy /= sl;
  const double ux = sy * fz - sz * fy, uy = sz * fx - sx * fz, uz = sx * fy - sy * fx;
  Matrix r = {{sx, ux, -fx, 0, sy, uy, -fy, 0, sz, uz, -fz, 0, 0, 0, 0, 1}};
  Matrix t = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -ex, -ey, -ez, 1}};
  return Multiply(p, Multiply(r, t));
}

// A corner in window coordinates (GL's: origin at the bottom left), its window depth and
// clip w.
struct WindowPoint {
  double x, y, z, w;
};

WindowPoint ToWindow(const Matrix& m, double x, double y, double z) {
  double clip[4];
  for (int row = 0; row < 4; ++row)
    clip[row] = m.m[row] * x + m.m[4 + row] * y + m.m[8 + row] * z + m.m[12 + row];
  const double w = clip[3];
  return {(clip[0] / w + 1) / 2 * ScreenWidth, (clip[1] / w + 1) / 2 * ScreenHeight,
          (clip[2] / w + 1) / 2, w};
}

// Window-space weights of (x, y) in triangle (a, b, c); false when the triangle has no
// area. Outside it some weight is negative.
bool ScreenWeights(const WindowPoint& a, const WindowPoint& b, const WindowPoint& c, double x,
                   double y, double* l) {
  const double area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
  if (area == 0) return false;
  l[0] = ((b.x - x) * (c.y - y) - (c.x - x) * (b.y - y)) / area;
  l[1] = ((c.x - x) * (a.y - y) - (a.x - x) * (c.y - y)) / area;
  l[2] = 1 - l[0] - l[1];
  return true;
}

// Window-space weights made perspective-correct: each divided by its corner's clip w.
void PerspectiveWeights(const double* l, const WindowPoint* p, double* b) {
  if (ProbeOmissions & OmitPerspective) {
    for (int k = 0; k < 3; ++k) b[k] = l[k];
    return;
  }
  const double sum = l[0] / p[0].w + l[1] / p[1].w + l[2] / p[2].w;
  for (int k = 0; k < 3; ++k) b[k] = l[k] / p[k].w / sum;
}

// The light marker as gluSphere(0.05, 15, 15) tessellates it, as triangles about the light.
std::vector<Vector3> MarkerTriangles() {
  const int slices = 15, stacks = 15;
  const double drho = 3.14159265358979323846 / stacks, dtheta = 2 * 3.14159265358979323846 / slices;
  auto point = [&](int i, int j) {
    const double rho = i * drho, theta = j == slices ? 0.0 : j * dtheta;
    return MakeVector3(static_cast<float>(LightPosition.x - std::sin(theta) * std::sin(rho) * 0.05),
                       static_cast<float>(LightPosition.y + std::cos(theta) * std::sin(rho) * 0.05),
                       static_cast<float>(LightPosition.z + std::cos(rho) * 0.05));
  };
  std::vector<Vector3> corners;
  for (int i = 0; i < stacks; ++i)
    for (int j = 0; j < slices; ++j)
      for (const auto& c :
           {std::make_pair(i, j), std::make_pair(i + 1, j), std::make_pair(i + 1, j + 1),
            std::make_pair(i, j), std::make_pair(i + 1, j + 1), std::make_pair(i, j + 1)})
        corners.push_back(point(c.first, c.second));
  return corners;
}

// The nearest depth at which the marker covers (x, y); 2 (beyond the far plane) if not.
double MarkerDepth(const Matrix& m, double x, double y) {
  const std::vector<Vector3> corners = MarkerTriangles();
  double nearest = 2;
  for (std::size_t k = 0; k + 2 < corners.size(); k += 3) {
    WindowPoint p[3];
    for (int e = 0; e < 3; ++e)
      p[e] = ToWindow(m, corners[k + e].x, corners[k + e].y, corners[k + e].z);
    double l[3];
    if (!ScreenWeights(p[0], p[1], p[2], x, y, l)) continue;
    if (l[0] < 0 || l[1] < 0 || l[2] < 0) continue;
    nearest = std::min(nearest, l[0] * p[0].z + l[1] * p[1].z + l[2] * p[2].z);
  }
  return nearest;
}

const char* SeenName(ProbeSeen seen) {
  switch (seen) {
    case ProbeSeen::Outside:
      return "outside";
    case ProbeSeen::Background:
      return "background";
    case ProbeSeen::Marker:
      return "marker";
    case ProbeSeen::Divider:
      return "divider";
    case ProbeSeen::WallBack:
      return "wall back";
    case ProbeSeen::Surface:
      break;
  }
  return "surface";
}

}  // namespace

ProbeTerms PredictPixel(int x, int y) {
  ProbeTerms out;
  out.x = x, out.y = y;
  out.model = CurrentModel;
  out.view = static_cast<int>(CurrentView);
  const bool compare = CompareRenderers && ContextKind == GLContextKind::Compatibility;
  out.renderer =
      compare ? (x < ScreenWidth / 2 ? Renderer::Stages : Renderer::Shaders) : CurrentRenderer;
  if (x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight) return out;
  out.seen = ProbeSeen::Background;
  // The divider side by side: a white quad from 1 pixel left of the middle to 1 right.
  if (compare && (x == ScreenWidth / 2 - 1 || x == ScreenWidth / 2)) {
    out.seen = ProbeSeen::Divider;
    out.predicted = {255, 255, 255};
    return out;
  }

  const Matrix camera = CameraMatrix();
  const double wx = x + 0.5, wy = ScreenHeight - y - 0.5;
  // Every part's covering triangle, the one nearest the eye; the depth test passes equal
  // depths, so a later triangle (or part) at the same depth wins.
  const std::vector<DrawnPart> parts = DrawnParts();
  std::vector<WindowPoint> points;
  double nearest = 2, l[3] = {};
  for (std::size_t p = 0; p < parts.size(); ++p) {
    const Mesh& candidate = *parts[p].mesh;
    points.clear();
    points.reserve(candidate.vertices.size());
    for (const MeshVertex& v : candidate.vertices)
      points.push_back(ToWindow(camera, v.position.x, v.position.y, v.position.z));
    // The stages' plain wall is one quad, which the GL splits along the same diagonal as
    // the wall's mesh, (0, 1, 2) and (0, 2, 3) (as the pictures show: the light vectors are
    // normalised at the corners, so the other diagonal would give other colours).
    const std::vector<std::uint32_t>& triangles = candidate.triangles;
    for (std::size_t k = 0; k + 2 < triangles.size(); k += 3) {
      double weights[3];
      const WindowPoint& a = points[triangles[k]];
      const WindowPoint& b = points[triangles[k + 1]];
      const WindowPoint& c = points[triangles[k + 2]];
      if (!ScreenWeights(a, b, c, wx, wy, weights)) continue;
      if (weights[0] < 0 || weights[1] < 0 || weights[2] < 0) continue;
      const double z = weights[0] * a.z + weights[1] * b.z + weights[2] * c.z;
      if (z < 0 || z > 1 || z > nearest) continue;
      nearest = z;
      out.part = static_cast<int>(p);
      out.triangle = static_cast<int>(k);
      std::copy(weights, weights + 3, l);
    }
  }
  const double marker = MarkerDepth(camera, wx, wy);
  if (marker < 2 && marker < nearest) {
    out.seen = ProbeSeen::Marker;
    out.predicted = {255, 255, 255};
    return out;
  }
  if (out.triangle < 0) return out;

  const DrawnPart& part = parts[out.part];
  const Mesh& mesh = *part.mesh;
  const bool curved = !part.wall;
  WindowPoint corner[3];
  const MeshVertex* v[3];
  for (int e = 0; e < 3; ++e) {
    out.corners[e] = static_cast<int>(mesh.triangles[out.triangle + e]);
    v[e] = &mesh.vertices[out.corners[e]];
    corner[e] = ToWindow(camera, v[e]->position.x, v[e]->position.y, v[e]->position.z);
    out.cornerTangents[e] = {v[e]->tangent.x, v[e]->tangent.y, v[e]->tangent.z};
    out.cornerW[e] = Mirrored(*v[e]) ? -1 : 1;
  }
  double b[3];
  PerspectiveWeights(l, corner, b);
  std::copy(b, b + 3, out.weights.begin());
  const Vector3 eye = CameraEye();
  out.depth = 0;
  for (int e = 0; e < 3; ++e) {
    const double dx = v[e]->position.x - eye.x, dy = v[e]->position.y - eye.y,
                 dz = v[e]->position.z - eye.z;
    out.depth += b[e] * std::sqrt(dx * dx + dy * dy + dz * dz);
  }
  out.seen = ProbeSeen::Surface;
  if (WallBackShown()) {
    out.seen = ProbeSeen::WallBack;
    out.predicted = {0, 0, 0};
    return out;
  }

  // Texture coordinates at a window point, from this triangle's plane: the normal map's
  // (the mesh's own) or the colour map's, where the part has a set of its own.
  const std::vector<TexCoord2>* colourSet = part.colourTexCoords;
  auto coordsAt = [&](double px, double py, bool colour, double* s, double* t) {
    double lw[3], bw[3];
    ScreenWeights(corner[0], corner[1], corner[2], px, py, lw);
    PerspectiveWeights(lw, corner, bw);
    *s = *t = 0;
    for (int e = 0; e < 3; ++e) {
      const TexCoord2& st = colour && colourSet ? (*colourSet)[out.corners[e]] : v[e]->texCoord;
      *s += bw[e] * st.s, *t += bw[e] * st.t;
    }
  };
  coordsAt(wx, wy, false, &out.s, &out.t);
  // The level of detail on a chain, one for each 2 x 2 block of pixels: the differences to
  // the next pixel along each axis from the block's first pixel (the rasteriser's top left,
  // its rows running down the window), the longer footprint in texels.
  auto levelOfDetail = [&](const MipChain& chain, bool colour) {
    const double bx = (x & ~1) + 0.5, by = ScreenHeight - (y & ~1) - 0.5;
    double s0, t0, s1, t1, s2, t2;
    coordsAt(bx, by, colour, &s0, &t0);
    coordsAt(bx + 1, by, colour, &s1, &t1);
    coordsAt(bx, by - 1, colour, &s2, &t2);
    const double w0 = chain.levels[0].width, h0 = chain.levels[0].height;
    const double rho = std::max(std::hypot((s1 - s0) * w0, (t1 - t0) * h0),
                                std::hypot((s2 - s0) * w0, (t2 - t0) * h0));
    return rho > 0 ? std::log2(rho) : -100;
  };

  // The tangent view: each corner's tangent as its colour, interpolated.
  if (CurrentView == View::Tangents) {
    std::array<double, 3> colour = {0, 0, 0};
    for (int e = 0; e < 3; ++e) {
      float rgba[4];
      TangentColour(*v[e], rgba);
      for (int c = 0; c < 3; ++c) colour[c] += b[e] * rgba[c];
    }
    for (int c = 0; c < 3; ++c) out.predicted[c] = Level(colour[c]);
    return out;
  }

  const MipChain& normals = PartNormalChain(part);
  if (normals.levels.empty()) return out;
  out.lod = levelOfDetail(normals, false);
  Spread normalSpread;
  out.normalTexel =
      Bytes(Trilinear(normals, out.s, out.t, out.lod, &out.level, &out.levelWeight, &normalSpread));
  out.normalSpread = normalSpread.Largest();
  if (ProbeOmissions & OmitNormalMap) out.normalTexel = {128, 128, 255};
  for (int c = 0; c < 3; ++c) out.normal[c] = (out.normalTexel[c] - 127.5) / 127.5;

  // The per-vertex terms the renderers hand the GL, interpolated; or, with the shaders'
  // per-pixel basis, the same terms worked out in the frame rebuilt at the pixel.
  double shade = 0;
  out.perPixelBasis = out.renderer == Renderer::Shaders && CurrentBasis == Basis::Pixel;
  if (out.perPixelBasis) {
    const PixelFrame frame = InterpolatedFrame(v, b);
    shade = PixelTerms(frame, !curved, false, out.light.data());
    if (ShowSpecular) PixelTerms(frame, !curved, true, out.half.data());
  } else {
    for (int e = 0; e < 3; ++e) {
      float light[3];
      shade += b[e] * TangentLight(*v[e], !curved, light);
      for (int c = 0; c < 3; ++c) out.light[c] += b[e] * light[c];
    }
  }
  for (int e = 0; e < 3; ++e) out.vertexLight += b[e] * VertexLighting(*v[e]);
  out.cubeTexel = LightTexel(out.light, &out.cubeFace, &out.cubeU, &out.cubeV, &out.cubeSpread);
  for (int c = 0; c < 3; ++c) out.cubeDirection[c] = (out.cubeTexel[c] - 128) / 127.0;

  const std::array<double, 3> n = Unit(out.normalTexel), c = Unit(out.cubeTexel);
  switch (CurrentView) {
    case View::NormalMap:
      out.predicted = out.normalTexel;
      return out;
    case View::LightVectors:
      out.predicted = out.cubeTexel;
      return out;
    case View::Flat: {
      const double flat = Dot3({0.5, 0.5, 1.0}, c);
      out.dot3 = Level(flat);
      out.predicted = {Level(flat), Level(flat), Level(flat)};
      return out;
    }
    case View::PerVertex:
      out.predicted.fill(Level(out.vertexLight));
      return out;
    case View::Lit:
    case View::Tangents:
      break;
  }

  const double dot3 = Dot3(n, c);
  out.dot3 = Level(dot3);
  out.shadowApplied = curved && !(ProbeOmissions & OmitShadow);
  out.shadow = out.shadowApplied ? shade : 1;
  std::array<double, 3> colour = {dot3 * out.shadow, dot3 * out.shadow, dot3 * out.shadow};
  if (ShowColour && !(ProbeOmissions & OmitColour)) {
    const MipChain& colours = PartColourChain(part);
    if (!colours.levels.empty()) {
      int level;
      double weight, s = out.s, t = out.t;
      if (colourSet) coordsAt(wx, wy, true, &s, &t);
      out.colourOn = true;
      Spread colourSpread;
      out.colourTexel = Bytes(
          Trilinear(colours, s, t, levelOfDetail(colours, true), &level, &weight, &colourSpread));
      out.colourSpread = colourSpread.Largest();
      for (int k = 0; k < 3; ++k) colour[k] *= out.colourTexel[k] / 255.0;
    }
  }
  std::array<int, 3> first;
  for (int k = 0; k < 3; ++k) first[k] = Level(colour[k]);
  out.predicted = first;
  if (!ShowSpecular || (ProbeOmissions & OmitSpecular)) return out;

  out.specularOn = true;
  if (!out.perPixelBasis) {
    for (int e = 0; e < 3; ++e) {
      float half[3];
      HalfAngle(*v[e], half);
      for (int k = 0; k < 3; ++k) out.half[k] += b[e] * half[k];
    }
  }
  int face;
  double u, w;
  out.halfTexel = LightTexel(out.half, &face, &u, &w, &out.halfSpread);
  double highlight = Dot3(n, Unit(out.halfTexel));
  out.halfDot3 = Level(highlight);
  out.specularPower = 1;
  while (out.specularPower < SpecularPower()) {
    highlight = std::min(1.0, highlight * highlight);
    out.specularPower *= 2;
  }
  if (out.shadowApplied) highlight *= shade;
  out.specular = Level(highlight);
  for (int k = 0; k < 3; ++k)
    // The stages add a second pass to the framebuffer's bytes; the shaders add in one.
    out.predicted[k] = out.renderer == Renderer::Stages ? std::min(255, first[k] + out.specular)
                                                        : Level(colour[k] + highlight);
  return out;
}

void ReadProbedPixel(ProbeTerms* terms) {
  if (terms->x < 0 || terms->y < 0 || terms->x >= ScreenWidth || terms->y >= ScreenHeight) return;
  std::uint8_t rgba[4] = {};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(terms->x, ScreenHeight - 1 - terms->y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  terms->actual = {rgba[0], rgba[1], rgba[2]};
  terms->actualRead = true;
}

namespace {

std::string Triple(const std::array<int, 3>& v) {
  char text[64];
  std::snprintf(text, sizeof text, "[%d, %d, %d]", v[0], v[1], v[2]);
  return text;
}

std::string Triple(const std::array<double, 3>& v) {
  char text[96];
  std::snprintf(text, sizeof text, "[%.4f, %.4f, %.4f]", v[0], v[1], v[2]);
  return text;
}

std::string Number(double value, const char* format = "%.4f") {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::string ProbeJson(const ProbeTerms& p) {
  const bool hit = p.seen == ProbeSeen::Surface;
  const bool lit = p.view == 1;
  std::string json = "{\"x\": " + std::to_string(p.x) + ", \"y\": " + std::to_string(p.y) +
                     ", \"hit\": " + (hit ? "true" : "false") + ", \"seen\": \"" +
                     SeenName(p.seen) + "\", \"model\": " + JsonQuoted(ModelName(p.model)) +
                     ", \"view\": " + std::to_string(p.view) + ", \"renderer\": \"" +
                     (p.renderer == Renderer::Stages ? "stages" : "shaders") + "\"";
  if (hit) {
    json += ", \"st\": [" + Number(p.s, "%.6f") + ", " + Number(p.t, "%.6f") + "]";
    json += ", \"part\": " + std::to_string(p.part) + ", \"corner_w\": [" +
            std::to_string(p.cornerW[0]) + ", " + std::to_string(p.cornerW[1]) + ", " +
            std::to_string(p.cornerW[2]) + "], \"corner_tangents\": [" +
            Triple(p.cornerTangents[0]) + ", " + Triple(p.cornerTangents[1]) + ", " +
            Triple(p.cornerTangents[2]) + "]";
    if (p.perPixelBasis) json += ", \"basis\": \"pixel\"";
    json += ", \"triangle\": " + std::to_string(p.triangle / 3) +
            ", \"weights\": " + Triple(p.weights) + ", \"lod\": " + Number(p.lod, "%.3f");
    json += ", \"normal_texel\": " + Triple(p.normalTexel) + ", \"normal\": " + Triple(p.normal);
    json += ", \"light_vector\": " + Triple(p.light) +
            ", \"cube_face\": " + std::to_string(p.cubeFace) +
            ", \"cube_texel\": " + Triple(p.cubeTexel) +
            ", \"cube_direction\": " + Triple(p.cubeDirection);
    json += ", \"dot3\": " + (lit || p.view == 4 ? std::to_string(p.dot3) : std::string("null"));
    json += ", \"shadow\": " + (lit ? Number(p.shadow) : std::string("null"));
    json += ", \"colour_texel\": " + (p.colourOn ? Triple(p.colourTexel) : std::string("null"));
    json += ", \"specular\": " + (p.specularOn ? std::to_string(p.specular) : std::string("null"));
    if (p.specularOn)
      json += ", \"half_vector\": " + Triple(p.half) + ", \"half_texel\": " + Triple(p.halfTexel) +
              ", \"half_dot3\": " + std::to_string(p.halfDot3) +
              ", \"specular_power\": " + std::to_string(p.specularPower);
    if (p.view == 5) json += ", \"vertex_light\": " + Number(p.vertexLight);
  }
  if (p.seen != ProbeSeen::Outside) json += ", \"predicted\": " + Triple(p.predicted);
  json += ", \"actual\": " + (p.actualRead ? Triple(p.actual) : std::string("null"));
  if (p.actualRead && p.seen != ProbeSeen::Outside) {
    int most = 0;
    for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(p.predicted[c] - p.actual[c]));
    json += ", \"difference\": " + std::to_string(most);
  }
  return json + "}";
}

std::vector<std::string> ProbeLines(const ProbeTerms& p) {
  // Two terms a line where they fit, so that the panel covers as little as it can.
  std::vector<std::string> lines;
  char text[160];
  std::snprintf(text, sizeof text, "Probe (%d, %d), P clears", p.x, p.y);
  lines.push_back(text);
  if (p.seen != ProbeSeen::Surface) {
    lines.push_back(p.seen == ProbeSeen::Outside    ? " outside the window"
                    : p.seen == ProbeSeen::Marker   ? " on the light marker (white)"
                    : p.seen == ProbeSeen::Divider  ? " on the divider (white)"
                    : p.seen == ProbeSeen::WallBack ? " on the wall's back (black)"
                                                    : " on the background (black)");
  } else {
    std::snprintf(text, sizeof text, " triangle %d, st %.4f %.4f, lod %.2f", p.triangle / 3, p.s,
                  p.t, p.lod);
    lines.push_back(text);
    std::snprintf(text, sizeof text, " weights %.3f %.3f %.3f", p.weights[0], p.weights[1],
                  p.weights[2]);
    lines.push_back(text);
    std::snprintf(text, sizeof text, " part %d, corners' w %+d %+d %+d%s", p.part, p.cornerW[0],
                  p.cornerW[1], p.cornerW[2], p.perPixelBasis ? ", frame per pixel" : "");
    lines.push_back(text);
    if (p.view == 6) {
      std::snprintf(text, sizeof text, " T %+.2f %+.2f %+.2f (corner 1)", p.cornerTangents[0][0],
                    p.cornerTangents[0][1], p.cornerTangents[0][2]);
      lines.push_back(text);
    }
    if (p.view == 1 || p.view == 2) {
      std::snprintf(text, sizeof text, " normal %3d %3d %3d = %+.2f %+.2f %+.2f", p.normalTexel[0],
                    p.normalTexel[1], p.normalTexel[2], p.normal[0], p.normal[1], p.normal[2]);
      lines.push_back(text);
    }
    if (p.view == 1 || p.view == 3 || p.view == 4) {
      std::snprintf(text, sizeof text, " light %+.3f %+.3f %+.3f", p.light[0], p.light[1],
                    p.light[2]);
      lines.push_back(text);
      std::snprintf(text, sizeof text, " cube %d: %3d %3d %3d = %+.2f %+.2f %+.2f", p.cubeFace,
                    p.cubeTexel[0], p.cubeTexel[1], p.cubeTexel[2], p.cubeDirection[0],
                    p.cubeDirection[1], p.cubeDirection[2]);
      lines.push_back(text);
    }
    if (p.view == 4) {
      std::snprintf(text, sizeof text, " DOT3 with the flat normal %d", p.dot3);
      lines.push_back(text);
    }
    if (p.view == 1) {
      std::snprintf(text, sizeof text, " DOT3 %d, shadow %.3f%s", p.dot3, p.shadow,
                    p.shadowApplied ? "" : " (none on the wall)");
      lines.push_back(text);
      std::string extra;
      if (p.colourOn) {
        std::snprintf(text, sizeof text, " colour %d %d %d", p.colourTexel[0], p.colourTexel[1],
                      p.colourTexel[2]);
        extra = text;
      }
      if (p.specularOn) {
        std::snprintf(text, sizeof text, "%s N.H %d ^%d = %d", extra.empty() ? "" : ",", p.halfDot3,
                      p.specularPower, p.specular);
        extra += text;
      }
      if (!extra.empty()) lines.push_back(extra);
    }
    if (p.view == 5) {
      std::snprintf(text, sizeof text, " per-vertex light %.3f", p.vertexLight);
      lines.push_back(text);
    }
  }
  if (p.seen == ProbeSeen::Outside) return lines;
  int most = 0;
  for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(p.predicted[c] - p.actual[c]));
  if (p.actualRead)
    std::snprintf(text, sizeof text, " predicted %d %d %d, drawn %d %d %d: %d off", p.predicted[0],
                  p.predicted[1], p.predicted[2], p.actual[0], p.actual[1], p.actual[2], most);
  else
    std::snprintf(text, sizeof text, " predicted %d %d %d", p.predicted[0], p.predicted[1],
                  p.predicted[2]);
  lines.push_back(text);
  return lines;
}

void UpdateCurrentProbe() {
  if (!CurrentProbe.set) return;
  CurrentProbe.terms = PredictPixel(CurrentProbe.x, CurrentProbe.y);
  ReadProbedPixel(&CurrentProbe.terms);
}

void DrawProbeMarker() {
  if (!CurrentProbe.set) return;
  // A cross of two lines 9 pixels long through the pixel's centre, with a gap of 2 pixels
  // about it so the probed pixel itself stays visible, in yellow.
  const float x = CurrentProbe.x + 0.5f, y = CurrentProbe.y + 0.5f;
  std::vector<PlainVertex> lines;
  for (const float sign : {-1.0f, 1.0f}) {
    lines.push_back({{x + sign * 2, y, 0}, {1, 1, 0, 1}});
    lines.push_back({{x + sign * 6, y, 0}, {1, 1, 0, 1}});
    lines.push_back({{x, y + sign * 2, 0}, {1, 1, 0, 1}});
    lines.push_back({{x, y + sign * 6, 0}, {1, 1, 0, 1}});
  }
  DrawPixelLines(lines);
}
