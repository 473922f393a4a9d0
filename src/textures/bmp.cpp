// The BMP reader. Two kinds of file are served: 24-bit and 32-bit, uncompressed and
// bottom-up.
//
// 24-bit files are read as the reader has always read them, which the shipped images and
// any map made for this program rely on: a 14-byte file header and exactly 40 bytes of
// info header (whatever the header's own size field says), then a block of as many bytes
// as the colours-used field counts, skipped, then the pixel data (the pixel-data offset
// field is ignored) of the image-size field's length, or width x height x 3 when that
// field is 0.
//
// 32-bit files (what ImageMagick writes for any picture with alpha) are found as the file
// says: the info header's own size, for BI_BITFIELDS the three masks that follow a 40-byte
// header (or lie within a larger one), and the pixel-data offset. Only the usual masks
// are read (red 0x00FF0000, green 0x0000FF00, blue 0x000000FF, alpha 0xFF000000 or none);
// the fourth byte of each pixel is dropped. Their rows are never padded.
//
// Rows: a 24-bit row of width x 3 bytes that is not a multiple of 4 is stored padded to
// the next multiple of 4 in a standard file. Such rows are read padded, and the padding
// dropped, when the file holds them: the image-size field is 0 or width x height x 3 (as
// some writers put it) and the padded rows fit in the file, or the field is at least the
// padded size. With a field of 0 or width x height x 3 and only that many bytes in the file
// the rows are taken as packed. Rows that need no padding are read as they stand.
//
// What it refuses, each with one text and before anything is allocated for the pixels: a
// file shorter than its headers, a colour table or pixel data the file does not hold, a
// width or height of 0 or less (top-down files included), an edge beyond MaxBitmapEdge, a
// pixel-data size that overflows 32 bits, pixel data shorter than width x height x 3 (an
// image-size field that is too small), 24-bit rows that need padding with an image-size
// field between the packed and the padded size, which fits neither layout ("Unsupported
// bitmap row padding"), and every other bit count, 32-bit compression or mask layout
// (UnsupportedFormat, which says what is read).
//
// ParseBitmap does all of this on bytes in memory; ReadBitmapFile reads the file whole,
// parses its bytes and shows the refusal, if any, as the reader's one message.
#include "textures/bmp.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = 40;
constexpr std::uint64_t HeadersSize = FileHeaderSize + InfoHeaderSize;

// Little-endian header fields.
std::uint32_t FieldU32(const std::uint8_t* bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) |
         static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

std::uint16_t FieldU16(const std::uint8_t* bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::int32_t FieldI32(const std::uint8_t* bytes, std::size_t offset) {
  const std::uint32_t raw = FieldU32(bytes, offset);
  return raw <= 0x7FFFFFFFu ? static_cast<std::int32_t>(raw)
                            : -static_cast<std::int32_t>(~raw) - 1;  // two's complement
}

// The refusal of every bit count, compression and mask layout the reader does not serve.
constexpr const char* UnsupportedFormat =
    "Unsupported bitmap format (reads 24- and 32-bit uncompressed images)";

// Checks width and height, whatever the bit count. Returns the text of the refusal, or
// null.
const char* CheckEdges(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return "Unsupported bitmap size";
  static_assert(MaxBitmapEdge == 16384, "the refusal text names the limit");
  if (width > MaxBitmapEdge || height > MaxBitmapEdge)
    return "Bitmap too large (over 16384 x 16384)";
  return nullptr;
}

// Works out the pixel-data size of a 24-bit image with checked edges. Returns the text of
// the refusal, or null when the image can be served.
const char* CheckImageSize(std::int32_t width, std::int32_t height, std::uint32_t imageSize,
                           std::uint64_t* dataSize) {
  const std::uint64_t pixelBytes = static_cast<std::uint64_t>(width) * height * 3;
  if (imageSize != 0) {
    *dataSize = imageSize;
  } else {
    // The product is a 32-bit integer: one that does not fit is refused, not wrapped.
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * height * 24;
    if (bits > 0x7FFFFFFFu) return "Bitmap data size out of range";
    *dataSize = bits / 8;
  }
  if (*dataSize < pixelBytes) return "Unsupported bitmap format";
  return nullptr;
}

// The bytes of one padded 24-bit row: width x 3 rounded up to a multiple of 4.
std::uint64_t PaddedRowBytes(std::int32_t width) {
  return (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4;
}

// Decides how the pixel data of a checked image are laid out. *readSize becomes the number
// of bytes to read; *padded tells whether rows are to be unpadded after reading. Returns
// the text of the refusal, or null.
const char* ChooseRowLayout(std::int32_t width, std::int32_t height, std::uint32_t imageSize,
                            std::uint64_t dataSize, std::uint64_t available,
                            std::uint64_t* readSize, bool* padded) {
  *readSize = dataSize;
  *padded = false;
  const std::uint64_t rowBytes = static_cast<std::uint64_t>(width) * 3;
  if (rowBytes % 4 == 0) return nullptr;
  const std::uint64_t packedSize = rowBytes * height;
  const std::uint64_t paddedSize = PaddedRowBytes(width) * height;
  if (imageSize == 0 || imageSize == packedSize) {
    if (paddedSize <= available) {
      *readSize = paddedSize;
      *padded = true;
    }
    return nullptr;
  }
  if (imageSize < paddedSize) return "Unsupported bitmap row padding";
  *padded = true;
  return nullptr;
}

// Moves each padded row of the buffer down onto the one before it, so that the rows are
// packed from the start of the buffer. The buffer holds height padded rows.
void DropRowPadding(std::uint8_t* buffer, std::int32_t width, std::int32_t height) {
  const std::size_t packed = static_cast<std::size_t>(width) * 3;
  const std::size_t stride = static_cast<std::size_t>(PaddedRowBytes(width));
  for (std::int32_t row = 1; row < height; ++row)
    std::memmove(buffer + row * packed, buffer + row * stride, packed);
}

constexpr std::uint32_t CompressionNone = 0;       // BI_RGB
constexpr std::uint32_t CompressionBitfields = 3;  // BI_BITFIELDS: masks say where each colour is

// A 32-bit file, found as its headers say (see the note at the top). The pixel buffer is
// width x height x 3 bytes, never more than the file's own size.
ParsedBitmap ParseDeepBitmap(const std::uint8_t* bytes, std::size_t size) {
  ParsedBitmap result;
  const std::uint8_t* info = bytes + FileHeaderSize;
  const std::uint32_t infoSize = FieldU32(info, 0);
  const std::uint32_t compression = FieldU32(info, 16);
  if (infoSize < InfoHeaderSize ||
      (compression != CompressionNone && compression != CompressionBitfields)) {
    result.refusal = UnsupportedFormat;
    return result;
  }
  // The masks lie within a header of 52 bytes or more; a 40-byte one is followed by them.
  // Either way they start at byte 54 of the file.
  std::uint64_t headersEnd = FileHeaderSize + static_cast<std::uint64_t>(infoSize);
  const bool masksInHeader = infoSize >= InfoHeaderSize + 12;
  if (compression == CompressionBitfields && !masksInHeader) {
    if (infoSize != InfoHeaderSize) {
      result.refusal = UnsupportedFormat;
      return result;
    }
    headersEnd += 12;
  }
  if (headersEnd > size) {
    result.refusal = "Error reading bitmap header";
    return result;
  }

  result.sizeKnown = true;
  result.width = FieldI32(info, 4);
  result.height = FieldI32(info, 8);
  result.refusal = CheckEdges(result.width, result.height);
  if (result.refusal) return result;

  if (compression == CompressionBitfields) {
    const std::uint32_t alpha = infoSize >= InfoHeaderSize + 16 ? FieldU32(bytes, 66) : 0;
    if (FieldU32(bytes, 54) != 0x00FF0000u || FieldU32(bytes, 58) != 0x0000FF00u ||
        FieldU32(bytes, 62) != 0x000000FFu || (alpha != 0 && alpha != 0xFF000000u)) {
      result.refusal = UnsupportedFormat;
      return result;
    }
  }

  // Pixel data that would overlap the headers, or that the file does not hold, is refused
  // before anything is allocated.
  const std::uint64_t offset = FieldU32(bytes, 10);
  const std::uint64_t pixelCount = static_cast<std::uint64_t>(result.width) * result.height;
  if (offset < headersEnd || offset > size || (size - offset) / 4 < pixelCount) {
    result.refusal = "Error reading bitmap data";
    return result;
  }
  const std::size_t count = static_cast<std::size_t>(pixelCount);
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[count * 3]);
  const std::uint8_t* from = bytes + offset;  // blue, green, red, unused
  for (std::size_t i = 0; i < count; ++i, from += 4) {
    buffer[3 * i] = from[2];
    buffer[3 * i + 1] = from[1];
    buffer[3 * i + 2] = from[0];
  }
  result.pixels = std::move(buffer);
  return result;
}

// The reader's one message for a file it cannot serve.
void ShowReaderMessage(const char* text) {
  Platform.ShowMessageBox(text, "BMP Unit", MB_OK);
}

}  // namespace

ParsedBitmap ParseBitmap(const std::uint8_t* bytes, std::size_t size) {
  ParsedBitmap result;
  if (size < HeadersSize) {
    result.refusal = "Error reading bitmap header";
    return result;
  }
  const std::uint8_t* info = bytes + FileHeaderSize;
  const std::uint16_t bitsPerPixel = FieldU16(info, 14);
  if (bitsPerPixel == 32) return ParseDeepBitmap(bytes, size);

  // Every other bit count takes the 24-bit reader's path as far as the edges, so its
  // refusals up to there are those it has always had.
  const std::int32_t width = FieldI32(info, 4);
  const std::int32_t height = FieldI32(info, 8);
  const std::uint32_t imageSize = FieldU32(info, 20);
  const std::uint32_t coloursUsed = FieldU32(info, 32);

  // The colour-table block: one byte per counted colour, skipped and never interpreted.
  std::uint64_t remaining = size - HeadersSize;
  if (coloursUsed > remaining) {
    result.refusal = "Error reading palette";
    return result;
  }
  remaining -= coloursUsed;
  const std::uint8_t* data = bytes + HeadersSize + coloursUsed;

  result.sizeKnown = true;
  result.width = width;
  result.height = height;

  result.refusal = CheckEdges(width, height);
  if (result.refusal) return result;
  if (bitsPerPixel != 24) {
    result.refusal = UnsupportedFormat;
    return result;
  }
  std::uint64_t dataSize = 0;
  result.refusal = CheckImageSize(width, height, imageSize, &dataSize);
  if (result.refusal) return result;

  std::uint64_t readSize = 0;
  bool padded = false;
  result.refusal =
      ChooseRowLayout(width, height, imageSize, dataSize, remaining, &readSize, &padded);
  if (result.refusal) return result;

  // Pixel data: allocated only when the bytes hold it all.
  if (readSize > remaining) {
    result.refusal = "Error reading bitmap data";
    return result;
  }
  const std::size_t count = static_cast<std::size_t>(readSize);
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[count]);
  std::memcpy(buffer.get(), data, count);
  if (padded) DropRowPadding(buffer.get(), width, height);
  SwapRedBlue(buffer.get(), width * height);
  result.pixels = std::move(buffer);
  return result;
}

bool ReadWholeFile(const char* path, std::vector<std::uint8_t>* bytes) {
  const PlatformFile file = Platform.OpenFileForReading(NativePath(path).c_str());
  if (file == NoFile) return false;
  // The whole file, as far as it can be read: the parser sees a file cut short where a
  // read stopped.
  const std::uint64_t fileSize = Platform.FileSize(file);
  bytes->resize(static_cast<std::size_t>(
      std::min<std::uint64_t>(fileSize, std::numeric_limits<std::size_t>::max())));
  bytes->resize(Platform.ReadFromFile(file, bytes->data(), bytes->size()));
  Platform.CloseFile(file, nullptr);
  return true;
}

void ReadBitmapFile(const char* path, std::int32_t* width, std::int32_t* height,
                    std::unique_ptr<std::uint8_t[]>* pixels) {
  pixels->reset();
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes)) {
    ShowReaderMessage((std::string("Error opening \"") + path).c_str());
    return;
  }

  ParsedBitmap parsed = ParseBitmap(bytes.data(), bytes.size());
  if (parsed.sizeKnown) {
    *width = parsed.width;
    *height = parsed.height;
  }
  if (parsed.refusal) {
    ShowReaderMessage(parsed.refusal);
    return;
  }
  *pixels = std::move(parsed.pixels);
}

void SwapRedBlue(std::uint8_t* buffer, std::int32_t pixelCount) {
  std::uint8_t* end = buffer + 3 * static_cast<std::ptrdiff_t>(pixelCount > 0 ? pixelCount : 0);
  for (std::uint8_t* pixel = buffer; pixel != end; pixel += 3) {
    const std::uint8_t blue = pixel[0];
    pixel[0] = pixel[2];
    pixel[2] = blue;
  }
}
