// The image-loading entry point: which reader a file's bytes go to, and the conversion of
// stb_image's results to the BMP reader's layout.
#include "textures/image.h"

#include <cstring>

#include "platform/platform.h"
#include "textures/bmp.h"
#include "textures/stb_decode.h"

namespace {

const char* const Formats = "BMP, PNG, TGA and JPEG";

bool StartsWith(const std::uint8_t* bytes, std::size_t size, const char* magic, std::size_t n) {
  return size >= n && std::memcmp(bytes, magic, n) == 0;
}

void NoteGrey(ParsedImage* image) {
  image->grey = true;
  for (std::size_t i = 0; i + 2 < image->pixels.size() && image->grey; i += 3)
    image->grey =
        image->pixels[i] == image->pixels[i + 1] && image->pixels[i] == image->pixels[i + 2];
}

ParsedImage FromBitmap(const std::uint8_t* bytes, std::size_t size) {
  ParsedImage image;
  image.bitmap = true;
  ParsedBitmap parsed = ParseBitmap(bytes, size);
  if (parsed.refusal) {
    image.refusal = parsed.refusal;
    return image;
  }
  image.width = parsed.width;
  image.height = parsed.height;
  const std::uint8_t* first = parsed.pixels.get();
  image.pixels.assign(first, first + static_cast<std::size_t>(parsed.width) * parsed.height * 3);
  return image;
}

// Whether every Huffman table of a JPEG file counts at most 256 codes. stb_image 2.27 (Debian's)
// trusts the counts and writes past its table when they sum to more; such a file is refused
// here before stb sees it. The walk reads the file as stb does: from marker to marker,
// skipping what is not a marker (padding, and the entropy-coded data of a scan), and the
// tables of a Huffman segment one after the other for as long as its length lasts.
bool JpegHuffmanTablesFit(const std::uint8_t* bytes, std::size_t size) {
  std::size_t at = 2;  // after the start of image
  while (at + 1 < size) {
    const std::uint8_t marker = bytes[at + 1];
    if (bytes[at] != 0xFF || marker == 0xFF || marker == 0x00 || marker == 0x01 ||
        (marker >= 0xD0 && marker <= 0xD7)) {
      ++at;  // not a marker with a segment: go on looking
      continue;
    }
    if (marker == 0xD9 || at + 4 > size) return true;  // end of image, or of the file
    const long length = static_cast<long>(bytes[at + 2]) << 8 | bytes[at + 3];
    if (marker == 0xC4) {
      long left = length - 2;
      std::size_t table = at + 4;
      while (left > 0) {
        // stb reads zeros past the end of the file.
        long codes = 0;
        for (std::size_t i = table + 1; i <= table + 16; ++i) codes += i < size ? bytes[i] : 0;
        if (codes > 256) return false;
        table += 17 + codes;
        left -= 17 + codes;
      }
      if (left != 0) return true;  // stb refuses the segment
    }
    at += 2 + static_cast<std::size_t>(length);
  }
  return true;
}

// Whether a TGA file holds as many bytes as its pixels need (stb_image reads zeros past the
// end of the file, and would serve a file cut short as a picture): uncompressed, the pixels'
// bytes; run-length encoded, packets that cover every pixel, each a count byte and then one
// pixel (a run) or as many pixels as it counts (raw), walked to the end.
bool TgaHoldsItsPixels(const std::uint8_t* bytes, std::size_t size) {
  if (size < 18) return false;
  const std::uint64_t width = bytes[12] | bytes[13] << 8, height = bytes[14] | bytes[15] << 8;
  const std::uint64_t pixelBytes = (bytes[16] + 7u) / 8u;
  const std::uint64_t colourMap =
      bytes[1] ? static_cast<std::uint64_t>(bytes[5] | bytes[6] << 8) * ((bytes[7] + 7u) / 8u) : 0;
  const std::uint64_t pixels = width * height;
  std::uint64_t at = 18 + bytes[0] + colourMap;
  if (bytes[2] < 9) return size >= at + pixels * pixelBytes;
  for (std::uint64_t covered = 0; covered < pixels;) {
    if (at >= size) return false;
    const std::uint8_t packet = bytes[at];
    const std::uint64_t count = (packet & 0x7Fu) + 1u;
    at += 1 + (packet & 0x80u ? 1 : count) * pixelBytes;
    covered += count;
  }
  return at <= size;
}

std::string TooLarge(const char* format, long long width, long long height,
                     std::uint64_t maxPixels = MaxImagePixels) {
  const std::string size = std::string("Unsupported image size: the ") + format + " image is " +
                           std::to_string(width) + " x " + std::to_string(height) + " pixels; ";
  if (width > MaxBitmapEdge || height > MaxBitmapEdge)
    return size + "the largest side read is " + std::to_string(MaxBitmapEdge);
  return size + "the most read is " + std::to_string(maxPixels) + " pixels";
}

ParsedImage FromStb(const char* format, const std::uint8_t* bytes, std::size_t size,
                    std::uint64_t maxPixels) {
  ParsedImage image;
  int width = 0, height = 0, channels = 0;
  // A PNG's size is read from its header here: stb refuses to describe an image it would
  // not decode.
  const bool png = std::strcmp(format, "PNG") == 0;
  if (png && size >= 24 && std::memcmp(bytes + 12, "IHDR", 4) == 0) {
    auto be32 = [&](std::size_t at) {
      return static_cast<std::uint32_t>(bytes[at]) << 24 | bytes[at + 1] << 16 |
             bytes[at + 2] << 8 | bytes[at + 3];
    };
    if (be32(16) > static_cast<std::uint32_t>(MaxBitmapEdge) ||
        be32(20) > static_cast<std::uint32_t>(MaxBitmapEdge)) {
      image.refusal = TooLarge(format, be32(16), be32(20));
      return image;
    }
  }
  // Before stb reads the header, whose tables it builds as it goes.
  if (std::strcmp(format, "JPEG") == 0 && !JpegHuffmanTablesFit(bytes, size)) {
    image.refusal = "Error reading the JPEG image (a Huffman table counts over 256 codes)";
    return image;
  }
  if (!StbImageInfo(bytes, size, &width, &height, &channels)) {
    image.refusal = std::string("Error reading the ") + format + " image: its header is damaged";
    return image;
  }
  if (width <= 0 || height <= 0 || width > MaxBitmapEdge || height > MaxBitmapEdge ||
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > maxPixels) {
    image.refusal = TooLarge(format, width, height, maxPixels);
    return image;
  }
  if (std::strcmp(format, "TGA") == 0 && !TgaHoldsItsPixels(bytes, size)) {
    image.refusal = "Error reading the TGA image (the file is shorter than its pixels)";
    return image;
  }
  const StbImage decoded = StbDecode(bytes, size);
  if (decoded.failure) {
    // stb does not always say why (a file cut inside its first chunk, say).
    const std::string why = *decoded.failure ? decoded.failure : "its data is cut short or damaged";
    image.refusal = std::string("Error reading the ") + format + " image (" + why + ")";
    return image;
  }
  image.width = decoded.width;
  image.height = decoded.height;
  const int c = decoded.channels;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  ReservePixels(&image.pixels, rowBytes * height);
  std::vector<std::uint8_t> row(rowBytes);
  for (int y = 0; y < height; ++y) {
    // stb's rows run from the top; the bottom row comes first here.
    const std::size_t first = static_cast<std::size_t>(height - 1 - y) * width * c;
    if (!decoded.words && c == 3) {
      const std::uint8_t* in = decoded.Bytes() + first;
      image.pixels.insert(image.pixels.end(), in, in + rowBytes);
      continue;
    }
    // Grey (with or without alpha) spread to red, green and blue; alpha dropped; 16-bit
    // samples rounded to the nearest 8-bit level.
    const int green = c < 3 ? 0 : 1, blue = c < 3 ? 0 : 2;
    for (int x = 0; x < width; ++x) {
      const std::size_t in = first + static_cast<std::size_t>(x) * c;
      for (int k = 0; k < 3; ++k) {
        const std::size_t i = in + (k == 0 ? 0 : k == 1 ? green : blue);
        row[3 * x + k] =
            decoded.words ? static_cast<std::uint8_t>((decoded.Words()[i] * 255u + 32767u) / 65535u)
                          : decoded.Bytes()[i];
      }
    }
    image.pixels.insert(image.pixels.end(), row.begin(), row.end());
  }
  return image;
}

}  // namespace

ParsedImage ParseImage(const std::uint8_t* bytes, std::size_t size, std::uint64_t maxPixels) {
  ParsedImage image;
  if (StartsWith(bytes, size, "\x89PNG\r\n\x1a\n", 8))
    image = FromStb("PNG", bytes, size, maxPixels);
  else if (StartsWith(bytes, size, "\xFF\xD8\xFF", 3))
    image = FromStb("JPEG", bytes, size, maxPixels);
  else if (size < 2 || StartsWith(bytes, size, "BM", 2))
    image = FromBitmap(bytes, size);  // cut short, or a BMP: the BMP reader's to judge
  else if (StbLooksLikeTga(bytes, size))
    image = FromStb("TGA", bytes, size, maxPixels);
  else
    image.refusal = std::string("Unsupported image format (reads ") + Formats + " files)";
  if (image.refusal.empty()) NoteGrey(&image);
  return image;
}

void ReservePixels(std::vector<std::uint8_t>* pixels, std::size_t bytes) {
  pixels->reserve(pixels->size() + bytes);
  AdviseIfLarge(pixels->data() + pixels->size(), bytes);
}

bool ReadImageSize(const char* path, std::int32_t* width, std::int32_t* height) {
  const PlatformFile file = Platform.OpenFileForReading(NativePath(path).c_str());
  if (file == NoFile) return false;
  // A BMP's, PNG's or TGA's header is in its first bytes; a JPEG's frame header may come
  // after metadata, so more of it is read.
  std::vector<std::uint8_t> bytes(64);
  bytes.resize(Platform.ReadFromFile(file, bytes.data(), bytes.size()));
  if (StartsWith(bytes.data(), bytes.size(), "\xFF\xD8\xFF", 3)) {
    bytes.resize(256 * 1024);
    bytes.resize(64 + Platform.ReadFromFile(file, bytes.data() + 64, bytes.size() - 64));
  }
  Platform.CloseFile(file, nullptr);
  auto le32 = [&](std::size_t at) {
    return static_cast<std::int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                     static_cast<std::uint32_t>(bytes[at + 3]) << 24);
  };
  if (StartsWith(bytes.data(), bytes.size(), "BM", 2) && bytes.size() >= 26) {
    *width = le32(18);
    *height = le32(22) < 0 ? -le32(22) : le32(22);  // a top-down bitmap's is negative
    return true;
  }
  int w = 0, h = 0, channels = 0;
  if (!StbImageInfo(bytes.data(), bytes.size(), &w, &h, &channels)) return false;
  *width = w;
  *height = h;
  return true;
}

std::string DisplayPath(const char* path) {
  return std::strcmp(path, ShippedNormalMap) == 0 ? path : NativePath(path);
}

std::string OpenFailureReason(const char* path) {
  switch (Platform.KindOfPath(NativePath(path).c_str())) {
    case PathKind::Missing:
      return "there is no such file";
    case PathKind::Directory:
      return "it is a directory";
    case PathKind::File:
      return "it is not readable";
    case PathKind::Other:
      break;
  }
  return "it is not a regular file";
}

ParsedImage ReadImageFile(const char* path, bool showBoxes) {
  ParsedImage image;
  std::vector<std::uint8_t> bytes;
  if (ReadWholeFile(path, &bytes)) {
    image = ParseImage(bytes.data(), bytes.size());
  } else if (std::strcmp(path, ShippedNormalMap) == 0) {
    image.bitmap = true;
    image.refusal = std::string("Error opening \"") + path;
  } else {
    image.refusal = "Error opening \"" + DisplayPath(path) + "\": " + OpenFailureReason(path);
  }
  if (!image.refusal.empty() && showBoxes)
    Platform.ShowMessageBox(image.refusal.c_str(), image.bitmap ? "BMP Unit" : "Loading Textures",
                            MB_OK);
  return image;
}
