// The normalization cube map. Each texel stores the face vector scaled to unit length, so
// that the dot-product stage against a normal map gives the cosine of the light angle
// (a vector on the cube's surface is up to 1.7 long and would saturate the result).
#include "textures/cubemap.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "gl/gl.h"

Vector3 CubeFaceVector(std::int32_t face, std::int32_t size, std::int32_t x, std::int32_t y) {
  using X = long double;
  // Texel centres in [0, 1], then in [-1, 1]; each narrowed to float32.
  const float s = static_cast<float>((X(x) + 0.5L) / size);
  const float t = static_cast<float>((X(y) + 0.5L) / size);
  const float sc = static_cast<float>(2.0L * s - 1.0L);
  const float tc = static_cast<float>(2.0L * t - 1.0L);
  // The inverse of GL's major-axis face selection.
  switch (face) {
    case 0:
      return MakeVector3(1.0f, -tc, -sc);
    case 1:
      return MakeVector3(-1.0f, -tc, sc);
    case 2:
      return MakeVector3(sc, 1.0f, tc);
    case 3:
      return MakeVector3(sc, -1.0f, -tc);
    case 4:
      return MakeVector3(sc, -tc, 1.0f);
    default:
      return MakeVector3(-sc, -tc, -1.0f);
  }
}

std::uint8_t EncodeCubeComponent(float c) {
  // Converted in the floating-point unit's mode, nearest with ties to even.
  const long rounded = std::lrint(127.0L * c + 128.0L);
  return static_cast<std::uint8_t>(rounded & 0xFF);
}

void NormalizationCubeFace(std::int32_t size, std::int32_t face, std::uint8_t* texels) {
  const std::size_t edge = static_cast<std::size_t>(size);
  for (std::int32_t x = 0; x < size; ++x) {
    for (std::int32_t y = 0; y < size; ++y) {
      const Vector3 v = NormalizeVector3(CubeFaceVector(face, size, x, y));
      std::uint8_t* texel = &texels[(static_cast<std::size_t>(y) * edge + x) * 3];
      texel[0] = EncodeCubeComponent(v.x);
      texel[1] = EncodeCubeComponent(v.y);
      texel[2] = EncodeCubeComponent(v.z);
    }
  }
}

GLuint CreateNormalizationCubeMap(std::int32_t size, bool mipmapped) {
  const std::size_t edge = static_cast<std::size_t>(size);
  std::vector<std::uint8_t> image(edge * edge * 3);  // one buffer serves all six faces

  GLuint name = 0;
  glGenTextures(1, &name);
  glEnable(GL_TEXTURE_CUBE_MAP_ARB);
  glBindTexture(GL_TEXTURE_CUBE_MAP_ARB, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);

  for (std::int32_t face = 0; face < 6; ++face) {
    NormalizationCubeFace(size, face, image.data());
    const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB + face;
    if (mipmapped)
      gluBuild2DMipmaps(target, GL_RGB, size, size, GL_RGB, GL_UNSIGNED_BYTE, image.data());
    else
      glTexImage2D(target, 0, GL_RGB, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE, image.data());
  }
  std::vector<std::uint8_t>().swap(image);  // released before the filters are set

  glTexParameteri(GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_MIN_FILTER,
                  mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
  glDisable(GL_TEXTURE_CUBE_MAP_ARB);
  return name;
}
