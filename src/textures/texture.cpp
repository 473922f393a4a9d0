// Texture loading: LoadTexture sets up a 2D texture object around one upload by
// UploadTextureImage, which reads the image file and hands its pixels to GL or GLU.
#include "textures/texture.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "gl/gl.h"
#include "platform/platform.h"
#include "textures/image.h"

bool FlipGreenChannel = false;

namespace {

// Reads the file and uploads it (or uploads the image given instead); an image that cannot
// be read ends the program when it is required, else returns false.
bool Upload(GLenum target, bool mipmapped, const char* path, bool required,
            const TextureImage* given = nullptr);

GLuint MakeTexture(bool mipmapped, const char* path, bool required,
                   const TextureImage* given = nullptr) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  // Wrap modes before the upload, filters after it.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  if (!Upload(GL_TEXTURE_2D, mipmapped, path, required, given)) {
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

// Reads the image with the reader's messages: false (or, when required, the end of the
// program after "Loading Textures" says so) when it cannot be read. The green channel is
// flipped as FlipGreenChannel says.
bool ReadImage(const char* path, bool required, std::int32_t* width, std::int32_t* height,
               std::unique_ptr<std::uint8_t[]>* pixels) {
  const ParsedImage image = ReadImageFile(path, true);
  if (!image.refusal.empty() && !required) return false;  // the reader has shown why
  if (!image.refusal.empty()) {
    // The reader has shown why; the program cannot go on without the image.
    const std::string text = "Unable to load " + DisplayPath(path);
    Platform.ShowMessageBox(text.c_str(), "Loading Textures", MB_OK);
    std::exit(1);
  }
  *width = image.width;
  *height = image.height;
  pixels->reset(new std::uint8_t[image.pixels.size()]);
  std::copy(image.pixels.begin(), image.pixels.end(), pixels->get());
  if (FlipGreenChannel) {
    const std::size_t count = static_cast<std::size_t>(*width) * static_cast<std::size_t>(*height);
    for (std::size_t i = 0; i < count; ++i) (*pixels)[i * 3 + 1] = 255 - (*pixels)[i * 3 + 1];
  }
  return true;
}

bool Upload(GLenum target, bool mipmapped, const char* path, bool required,
            const TextureImage* given) {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::unique_ptr<std::uint8_t[]> pixels;
  if (given) {
    width = given->width;
    height = given->height;
    pixels.reset(new std::uint8_t[given->pixels.size()]);
    std::copy(given->pixels.begin(), given->pixels.end(), pixels.get());
  } else if (!ReadImage(path, required, &width, &height, &pixels)) {
    return false;
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

GLuint LoadTextureFromImage(bool mipmapped, const TextureImage& image) {
  return MakeTexture(mipmapped, nullptr, true, &image);
}

bool ReadTextureImage(const char* path, bool required, TextureImage* image) {
  std::unique_ptr<std::uint8_t[]> pixels;
  if (!ReadImage(path, required, &image->width, &image->height, &pixels)) return false;
  const std::uint8_t* first = pixels.get();
  image->pixels.assign(first, first + static_cast<std::size_t>(image->width) * image->height * 3);
  return true;
}

TextureImage HalveImage(const TextureImage& level) {
  TextureImage half;
  if (level.width <= 1 && level.height <= 1) return half;
  half.width = level.width > 1 ? level.width / 2 : 1;
  half.height = level.height > 1 ? level.height / 2 : 1;
  half.pixels.resize(static_cast<std::size_t>(half.width) * half.height * 3);
  const int dx = level.width > 1 ? 1 : 0, dy = level.height > 1 ? 1 : 0;
  for (int y = 0; y < half.height; ++y) {
    for (int x = 0; x < half.width; ++x) {
      for (int c = 0; c < 3; ++c) {
        auto at = [&](int u, int v) {
          return level.pixels[(static_cast<std::size_t>(v) * level.width + u) * 3 + c];
        };
        const int x0 = x * (dx + 1), y0 = y * (dy + 1);
        const int sum = dx && dy
                            ? at(x0, y0) + at(x0 + 1, y0) + at(x0, y0 + 1) + at(x0 + 1, y0 + 1) + 2
                            : 2 * (at(x0, y0) + at(x0 + dx, y0 + dy));
        half.pixels[(static_cast<std::size_t>(y) * half.width + x) * 3 + c] =
            static_cast<std::uint8_t>(sum / 4);
      }
    }
  }
  return half;
}

bool UploadTextureImage(GLenum target, bool mipmapped, const char* path) {
  return Upload(target, mipmapped, path, true);
}
