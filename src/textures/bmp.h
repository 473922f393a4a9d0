// The BMP reader: uncompressed 24-bit and 32-bit, bottom-up images, read into a
// red-green-blue pixel buffer of packed rows (padded rows in the file are unpadded, a 32-bit
// pixel's fourth byte is dropped). Which header fields are honoured for each is told in
// bmp.cpp; files the reader cannot serve safely are refused with a "BMP Unit" message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The largest width and height the reader accepts: the largest texture edge that GL
// implementations offer (Mesa's llvmpipe among them), far beyond any image this program
// loads. Larger sizes are refused before anything is allocated.
constexpr std::int32_t MaxBitmapEdge = 16384;

// What the parser makes of a BMP file's bytes.
struct ParsedBitmap {
  // Null for a served image; otherwise the text of the refusal, as the reader's message
  // shows it.
  const char* refusal = nullptr;
  // Whether the headers were whole (with the colour-table block of a 24-bit file, the masks
  // of a 32-bit one), which sets width and height.
  bool sizeKnown = false;
  std::int32_t width = 0;
  std::int32_t height = 0;
  // A served image's pixels, as ReadBitmapFile hands them back; empty for a refusal.
  std::unique_ptr<std::uint8_t[]> pixels;
};

// Parses the whole content of a BMP file, size bytes at bytes: header checks, the row
// layout, and the pixels decoded. Touches no file and shows no message; allocates nothing
// but the pixel buffer, which is never larger than size.
ParsedBitmap ParseBitmap(const std::uint8_t* bytes, std::size_t size);

// Reads the image at path. On success *pixels owns a buffer (for a 24-bit file, of the
// pixel-data size as read) whose first width x height x 3 bytes are red, green, blue
// pixels in packed rows, the file's first row first.
// On any failure *pixels is empty (the only failure signal) and one message box has been
// shown; *width and *height are set only once the headers have been read (sizeKnown).
void ReadBitmapFile(const char* path, std::int32_t* width, std::int32_t* height,
                    std::unique_ptr<std::uint8_t[]>* pixels);

// The file's bytes, as many as can be read; false when it cannot be opened.
bool ReadWholeFile(const char* path, std::vector<std::uint8_t>* bytes);

// Exchanges bytes 0 and 2 of each of pixelCount consecutive 3-byte groups, in place.
void SwapRedBlue(std::uint8_t* buffer, std::int32_t pixelCount);
