// stb_image (public domain or MIT, Debian libstb-dev) for PNG, TGA and JPEG only, its
// functions static to this file. The BMP reader is the program's own.
#include "textures/stb_decode.h"

#include <climits>
#include <cstdlib>

#include "platform/platform.h"

namespace {

// stb's blocks from malloc, a large one (a decoded image, or the inflated data it is
// filtered from) with large pages asked for before stb fills it.
void* StbAllocate(std::size_t size) {
  void* block = std::malloc(size);
  if (block) AdviseIfLarge(block, size);
  return block;
}

}  // namespace

#define STBI_MALLOC(size) StbAllocate(size)
#define STBI_REALLOC(block, size) std::realloc(block, size)
#define STBI_FREE(block) std::free(block)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_TGA
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#include <stb_image.h>

namespace {

int Length(std::size_t size) {
  return size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}

}  // namespace

bool StbLooksLikeTga(const std::uint8_t* bytes, std::size_t size) {
  stbi__context context;
  stbi__start_mem(&context, bytes, Length(size));
  return stbi__tga_test(&context) != 0;
}

bool StbImageInfo(const std::uint8_t* bytes, std::size_t size, int* width, int* height,
                  int* channels) {
  return stbi_info_from_memory(bytes, Length(size), width, height, channels) != 0;
}

StbImage StbDecode(const std::uint8_t* bytes, std::size_t size) {
  StbImage image;
  image.words = stbi_is_16_bit_from_memory(bytes, Length(size)) != 0;
  if (image.words)
    image.samples.reset(stbi_load_16_from_memory(bytes, Length(size), &image.width, &image.height,
                                                 &image.channels, 0));
  else
    image.samples.reset(stbi_load_from_memory(bytes, Length(size), &image.width, &image.height,
                                              &image.channels, 0));
  if (!image.samples) {
    const char* reason = stbi_failure_reason();
    image.failure = reason ? reason : "";  // failed all the same
  }
  return image;
}
