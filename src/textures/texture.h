// Texture creation from image files: a BMP file becomes a bound GL texture, with or
// without a mipmap chain. An image that cannot be loaded ends the program.
#pragma once

#include "gl/gl_types.h"

// When true, images are uploaded with their green channel inverted (255 - g): normal maps
// made for the convention whose +y points down the picture.
extern bool FlipGreenChannel;

// Makes a new 2D texture from the BMP file at path, repeating on s and t, filtered
// linearly (trilinearly when mipmapped). Leaves it bound to GL_TEXTURE_2D, with 2D
// texturing disabled and the unpack alignment 1. Never returns on failure.
GLuint LoadTexture(bool mipmapped, const char* path);

// As LoadTexture, but an image that cannot be read leaves no texture and returns 0 (the
// reader has told the user why) instead of ending the program.
GLuint LoadTextureIfReadable(bool mipmapped, const char* path);

// Reads the file and uploads it to the texture bound to target (GL_TEXTURE_2D as an image,
// any other target as the first row only). Returns true; on failure it tells the user and
// ends the program with exit code 1.
bool UploadTextureImage(GLenum target, bool mipmapped, const char* path);
