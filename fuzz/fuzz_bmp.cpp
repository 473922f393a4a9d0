// libFuzzer target over the BMP parser and the image-loading entry point (which also reads
// PNG, TGA and JPEG): each input is the whole content of a file, parsed in memory. A served
// image must come with no refusal and a buffer the full width x height x 3 bytes long; a
// refused one must come with the text of its one message and no pixels. The BMP parser's
// seeds start with "BM"; the entry point takes other formats by their first bytes, which
// the fuzzer finds from there.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "textures/bmp.h"
#include "textures/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ParsedBitmap parsed = ParseBitmap(data, size);
  if (parsed.pixels) {
    if (parsed.refusal || !parsed.sizeKnown || parsed.width <= 0 || parsed.height <= 0 ||
        parsed.width > MaxBitmapEdge || parsed.height > MaxBitmapEdge)
      std::abort();
    // Touch the last pixel byte the caller will hand to GL: out of bounds trips ASan.
    const std::size_t last = static_cast<std::size_t>(parsed.width) * parsed.height * 3 - 1;
    volatile std::uint8_t byte = parsed.pixels[last];
    (void)byte;
  } else if (!parsed.refusal || std::strlen(parsed.refusal) == 0) {
    std::abort();
  }

  // PNG and JPEG compress: a few bytes can describe hundreds of megabytes of pixels, whose
  // decoding is slow, not wrong. The entry point takes inputs up to 64 kB here, and images
  // up to 4 megapixels; larger inputs are the BMP parser's alone.
  if (size > 65536) return 0;
  const ParsedImage image = ParseImage(data, size, 1u << 22);
  if (image.refusal.empty()) {
    if (image.width <= 0 || image.height <= 0 || image.width > MaxBitmapEdge ||
        image.height > MaxBitmapEdge ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3)
      std::abort();
  } else if (!image.pixels.empty()) {
    std::abort();
  }
  return 0;
}
