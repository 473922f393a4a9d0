// Texture creation from image files (BMP, PNG, TGA, JPEG): an image becomes a bound GL
// texture, with or without a mipmap chain. An image that cannot be loaded ends the program.
#pragma once

#include <cstdint>
#include <vector>

#include "gl/gl_types.h"

// An image as the renderers upload it: width x height red, green, blue pixels in packed
// rows, the bottom row first.
struct TextureImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;
};

// When true, images are uploaded with their green channel inverted (255 - g): normal maps
// made for the convention whose +y points down the picture.
extern bool FlipGreenChannel;

// Makes a new 2D texture from the image file at path, repeating on s and t, filtered
// linearly (trilinearly when mipmapped). Leaves it bound to GL_TEXTURE_2D, with 2D
// texturing disabled and the unpack alignment 1. Never returns on failure.
GLuint LoadTexture(bool mipmapped, const char* path);

// As LoadTexture, but an image that cannot be read leaves no texture and returns 0 (the
// reader has told the user why) instead of ending the program.
GLuint LoadTextureIfReadable(bool mipmapped, const char* path);

// An image read for a renderer that uploads it itself: width x height red, green, blue
// pixels in packed rows, the bottom row first, green flipped when FlipGreenChannel
// says so. With required set, an image that cannot be read ends the program as
// LoadTexture does; otherwise it returns false (the reader has told the user why).
bool ReadTextureImage(const char* path, bool required, TextureImage* image);

// As LoadTexture, from an image already in memory (taken as it is: no green flip).
GLuint LoadTextureFromImage(bool mipmapped, const TextureImage& image);

// As LoadTextureFromImage(true, image): the same texels, the same state left. For a
// power-of-two image no larger than the GL's largest texture (MakesOwnChain) the chain is
// made here (UploadMipmappedImage: one copy of the image, halved in place, and room for the
// chain made once), which for such an image is the chain gluBuild2DMipmaps makes.
GLuint LoadMipmappedTexture(TextureImage image);
bool MakesOwnChain(const TextureImage& image);

// The level below a level of a mipmap chain, as gluBuild2DMipmaps makes it for a
// power-of-two image: each texel the rounded mean of the 2 x 2 texels above it
// ((a + b + c + d + 2) / 4); along a 1-texel-wide edge the mean of 2, truncated. Empty for a
// 1 x 1 level.
TextureImage HalveImage(const TextureImage& level);
// The same, written over the start of level's own pixels (no second copy of a large image).
void HalveInPlace(TextureImage* level);

// Uploads the image and every level below it (HalveImage's, made in place: no second copy of
// a large image) to the texture bound to GL_TEXTURE_2D, in internalFormat, with the minifying
// filter set to GL_LINEAR_MIPMAP_LINEAR first, so that the GL makes room for the whole chain
// once. The texels are gluBuild2DMipmaps's for a power-of-two image no larger than the GL's
// largest texture.
void UploadMipmappedImage(TextureImage image, GLint internalFormat);

// Reads the file and uploads it to the texture bound to target (GL_TEXTURE_2D as an image,
// any other target as the first row only). Returns true; on failure it tells the user and
// ends the program with exit code 1.
bool UploadTextureImage(GLenum target, bool mipmapped, const char* path);
