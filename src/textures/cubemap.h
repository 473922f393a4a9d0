// The normalization cube map: a cube-map texture whose texels hold, as red-green-blue
// bytes, the unit direction from the cube's centre through each texel's centre.
#pragma once

#include <cstdint>

#include "common/vector.h"
#include "gl/gl_types.h"

// Builds the six faces of size x size texels, clamped to the edge and filtered linearly
// (trilinearly when mipmapped). Leaves the texture bound to GL_TEXTURE_CUBE_MAP_ARB, cube
// mapping disabled and the unpack alignment 1. Returns the texture's name.
GLuint CreateNormalizationCubeMap(std::int32_t size, bool mipmapped);

// The texels of one face (0 to 5: +x, -x, +y, -y, +z, -z), size x size red-green-blue
// bytes in rows, as CreateNormalizationCubeMap uploads them.
void NormalizationCubeFace(std::int32_t size, std::int32_t face, std::uint8_t* texels);

// The direction through the centre of texel (x, y) of face (0 to 5: +x, -x, +y, -y, +z,
// -z) as a point on the cube's surface: the face's own axis is exactly +1 or -1.
Vector3 CubeFaceVector(std::int32_t face, std::int32_t size, std::int32_t x, std::int32_t y);

// One component between -1 and 1 as a byte: 127 c + 128 rounded to nearest, ties to even.
std::uint8_t EncodeCubeComponent(float c);
