// Texture loading: LoadTexture sets up a 2D texture object around one upload by
// UploadTextureImage, which reads the BMP file and hands its pixels to GL or GLU.
#include "textures/texture.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "gl/gl.h"
#include "platform/platform.h"
#include "textures/bmp.h"

bool FlipGreenChannel = false;

namespace {

// Reads the file and uploads it; an image that cannot be read ends the program when it is
// required, else returns false.
bool Upload(GLenum target, bool mipmapped, const char* path, bool required);

GLuint MakeTexture(bool mipmapped, const char* path, bool required) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  // Wrap modes before the upload, filters after it.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  if (!Upload(GL_TEXTURE_2D, mipmapped, path, required)) {
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &name);
    return 0;
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
  glDisable(GL_TEXTURE_2D);
  return name;
}

bool Upload(GLenum target, bool mipmapped, const char* path, bool required) {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::unique_ptr<std::uint8_t[]> pixels;
  ReadBitmapFile(path, &width, &height, &pixels);
  if (!pixels && !required) return false;  // the reader has shown why
  if (!pixels) {
    // The reader has shown why; the program cannot go on without the image.
    const std::string text = std::string("Unable to load ") + path;
    Platform.ShowMessageBox(text.c_str(), "Loading Textures", MB_OK);
    std::exit(1);
  }

  if (FlipGreenChannel) {
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i) pixels[i * 3 + 1] = 255 - pixels[i * 3 + 1];
  }

  // The internal format is the component count 3; every other target is one-dimensional.
  if (target == GL_TEXTURE_2D) {
    if (mipmapped)
      gluBuild2DMipmaps(target, 3, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.get());
    else
      glTexImage2D(target, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.get());
  } else {
    if (mipmapped)
      gluBuild1DMipmaps(target, 3, width, GL_RGB, GL_UNSIGNED_BYTE, pixels.get());
    else
      glTexImage1D(target, 0, 3, width, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.get());
  }
  return true;  // the pixel buffer is released here, once GL has taken the data
}

}  // namespace

GLuint LoadTexture(bool mipmapped, const char* path) {
  return MakeTexture(mipmapped, path, true);
}

GLuint LoadTextureIfReadable(bool mipmapped, const char* path) {
  return MakeTexture(mipmapped, path, false);
}

bool UploadTextureImage(GLenum target, bool mipmapped, const char* path) {
  return Upload(target, mipmapped, path, true);
}
