// Writes the seed images of the BMP fuzzer into a directory: the shapes the reader tests
// build (served images, colour tables, explicit image sizes, refused sizes and formats).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "texture_files.h"

namespace {

void Write(const std::string& dir, const std::string& name,
           const std::vector<std::uint8_t>& bytes) {
  std::ofstream(dir + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds DIRECTORY\n");
    return 2;
  }
  const std::string dir = argv[1];
  BmpFields plain;
  Write(dir, "plain_4x2.bmp", BmpFile(plain, CountingBytes(4 * 2 * 3)));
  BmpFields one;
  one.width = one.height = 1;
  Write(dir, "one_pixel.bmp", BmpFile(one, CountingBytes(3)));
  BmpFields table = plain;
  table.coloursUsed = 16;
  Write(dir, "colour_table.bmp", BmpFile(table, CountingBytes(16 + 4 * 2 * 3)));
  BmpFields sized = plain;
  sized.imageSize = 4 * 2 * 3 + 8;
  Write(dir, "image_size.bmp", BmpFile(sized, CountingBytes(sized.imageSize)));
  BmpFields odd = plain;
  odd.width = 3;
  odd.infoHeaderSize = 124;
  odd.pixelOffset = 138;
  Write(dir, "odd_width_v5.bmp", BmpFile(odd, CountingBytes(3 * 2 * 3)));
  BmpFields deep = plain;
  deep.bitsPerPixel = 32;
  Write(dir, "32_bits.bmp", BmpFile(deep, CountingBytes(4 * 2 * 4)));
  // 32-bit as ImageMagick writes it: a 124-byte header, BI_BITFIELDS, the usual masks.
  BmpFields v5 = deep;
  v5.infoHeaderSize = 124;
  v5.pixelOffset = 138;
  std::vector<std::uint8_t> v5File = BmpFile(v5, CountingBytes(84 + 4 * 2 * 4));
  const std::uint32_t masks[] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u};
  v5File[30] = 3;  // BI_BITFIELDS
  for (int m = 0; m < 4; ++m)
    for (int i = 0; i < 4; ++i)
      v5File[54 + 4 * m + i] = static_cast<std::uint8_t>(masks[m] >> (8 * i));
  Write(dir, "32_bits_v5_bitfields.bmp", v5File);
  BmpFields topDown = plain;
  topDown.height = -2;
  Write(dir, "top_down.bmp", BmpFile(topDown, CountingBytes(4 * 2 * 3)));
  BmpFields edge = plain;
  edge.width = 16384;
  edge.height = 1;
  Write(dir, "edge_short.bmp", BmpFile(edge, CountingBytes(64)));
  BmpFields header = plain;
  Write(dir, "headers_only.bmp", BmpHeaders(header));
  return 0;
}
