// stb_image's decoders (PNG, TGA, JPEG), compiled in a file of their own with their names
// kept private to it, so that nothing else that links stb_image meets them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

enum class StbFormat { Png, Tga, Jpeg };

struct StbImage {
  const char* failure = nullptr;  // stb's reason when it could not decode
  int width = 0, height = 0, channels = 0;
  bool words = false;  // 16 bits a sample
  // width x height x channels samples, top row first: stb's own buffer, handed over as it is
  // (a large image is not copied on its way out).
  std::unique_ptr<void, void (*)(void*)> samples{nullptr, std::free};
  const std::uint8_t* Bytes() const { return static_cast<const std::uint8_t*>(samples.get()); }
  const std::uint16_t* Words() const { return static_cast<const std::uint16_t*>(samples.get()); }
};

// Whether stb takes the bytes for a TGA file.
bool StbLooksLikeTga(const std::uint8_t* bytes, std::size_t size);

// The image's size and channel count without decoding it; false when stb cannot tell.
bool StbImageInfo(const std::uint8_t* bytes, std::size_t size, int* width, int* height,
                  int* channels);

// Decodes the image in its own channels, 8 or 16 bits a sample.
StbImage StbDecode(const std::uint8_t* bytes, std::size_t size);
