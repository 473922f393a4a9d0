// Texture loading: LoadTexture sets up a 2D texture object around one upload by
// UploadTextureImage, which reads the image file and hands its pixels to GL or GLU.
#include "textures/texture.h"

#include <cstdlib>
#include <string>
#include <utility>

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
// flipped as FlipGreenChannel says. The reader's pixels are taken over, not copied.
bool ReadImage(const char* path, bool required, TextureImage* image) {
  ParsedImage parsed = ReadImageFile(path, true);
  if (!parsed.refusal.empty() && !required) return false;  // the reader has shown why
  if (!parsed.refusal.empty()) {
    // The reader has shown why; the program cannot go on without the image.
    const std::string text = "Unable to load " + DisplayPath(path);
    Platform.ShowMessageBox(text.c_str(), "Loading Textures", MB_OK);
    std::exit(1);
  }
  image->width = parsed.width;
  image->height = parsed.height;
  image->pixels.swap(parsed.pixels);
  if (FlipGreenChannel)
    for (std::size_t i = 1; i < image->pixels.size(); i += 3)
      image->pixels[i] = static_cast<std::uint8_t>(255 - image->pixels[i]);
  return true;
}

bool Upload(GLenum target, bool mipmapped, const char* path, bool required,
            const TextureImage* given) {
  TextureImage read;
  if (!given) {
    if (!ReadImage(path, required, &read)) return false;
    given = &read;
  }
  const std::int32_t width = given->width, height = given->height;
  const std::uint8_t* pixels = given->pixels.data();

  // The internal format is the component count 3; every other target is one-dimensional.
  if (target == GL_TEXTURE_2D) {
    if (mipmapped)
      gluBuild2DMipmaps(target, 3, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    else
      glTexImage2D(target, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  } else {
    if (mipmapped)
      gluBuild1DMipmaps(target, 3, width, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    else
      glTexImage1D(target, 0, 3, width, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  }
  return true;  // the pixels read are released here, once GL has taken the data
}

}  // namespace

// Each texel of the level below is written after the texels it is made from have been read,
// and never where a texel still to be read lies.
void HalveInPlace(TextureImage* level) {
  const int w = level->width, h = level->height;
  const int halfW = w > 1 ? w / 2 : 1, halfH = h > 1 ? h / 2 : 1;
  const std::size_t dx = w > 1 ? 3 : 0, dy = h > 1 ? static_cast<std::size_t>(w) * 3 : 0;
  std::uint8_t* p = level->pixels.data();
  std::size_t out = 0;
  for (int y = 0; y < halfH; ++y) {
    const std::uint8_t* row = p + static_cast<std::size_t>(y) * 2 * dy;
    for (int x = 0; x < halfW; ++x, row += 2 * dx) {
      for (int c = 0; c < 3; ++c) {
        const int sum = dx && dy ? row[c] + row[dx + c] + row[dy + c] + row[dx + dy + c] + 2
                                 : 2 * (row[c] + row[dx + dy + c]);
        p[out++] = static_cast<std::uint8_t>(sum / 4);
      }
    }
  }
  level->width = halfW;
  level->height = halfH;
  level->pixels.resize(out);
}

GLuint LoadTexture(bool mipmapped, const char* path) {
  return MakeTexture(mipmapped, path, true);
}

GLuint LoadTextureIfReadable(bool mipmapped, const char* path) {
  return MakeTexture(mipmapped, path, false);
}

GLuint LoadTextureFromImage(bool mipmapped, const TextureImage& image) {
  return MakeTexture(mipmapped, nullptr, true, &image);
}

bool MakesOwnChain(const TextureImage& image) {
  static GLint largest = 0;
  if (!largest) glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  const auto fits = [](std::int32_t side) {
    return side > 0 && (side & (side - 1)) == 0 && side <= largest;
  };
  return fits(image.width) && fits(image.height);
}

GLuint LoadMipmappedTexture(TextureImage image) {
  if (!MakesOwnChain(image)) return LoadTextureFromImage(true, image);
  GLuint name = 0;
  glGenTextures(1, &name);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  UploadMipmappedImage(std::move(image), 3);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glDisable(GL_TEXTURE_2D);
  return name;
}

bool ReadTextureImage(const char* path, bool required, TextureImage* image) {
  return ReadImage(path, required, image);
}

TextureImage HalveImage(const TextureImage& level) {
  if (level.width <= 1 && level.height <= 1) return TextureImage();
  TextureImage half = level;
  HalveInPlace(&half);
  return half;
}

void UploadMipmappedImage(TextureImage image, GLint internalFormat) {
  // A mipmapping filter before the first level: the GL then makes room for the whole chain
  // at once, rather than for level 0 and again for all of them when level 1 comes.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (GLint level = 0;; ++level) {
    glTexImage2D(GL_TEXTURE_2D, level, internalFormat, image.width, image.height, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, image.pixels.data());
    if (image.width <= 1 && image.height <= 1) break;
    HalveInPlace(&image);
  }
}

bool UploadTextureImage(GLenum target, bool mipmapped, const char* path) {
  return Upload(target, mipmapped, path, true);
}
