// The one image-loading entry point of the program and its normal-map tool: BMP files by the
// program's own reader (its results, its messages), PNG, TGA and JPEG by stb_image, chosen by
// the file's content, not its name. Every image comes out as red, green, blue pixels in
// packed rows, the bottom row first (as a bottom-up BMP has them): alpha is dropped, grey
// is spread to the three channels, 16-bit channels are rounded to 8 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ParsedImage {
  // Empty for a served image; otherwise the text of the refusal.
  std::string refusal;
  // Read (or refused) by the BMP reader, whose messages have their own caption.
  bool bitmap = false;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;  // width x height x 3 bytes
  bool grey = false;                 // every pixel has red = green = blue
};

// Parses a whole file's bytes. Touches no file and shows no message; an image larger than
// MaxBitmapEdge on a side, or a PNG, TGA or JPEG of more than maxPixels pixels, is refused
// before its pixels are allocated.
constexpr std::uint64_t MaxImagePixels = 16384ull * 16384ull;
ParsedImage ParseImage(const std::uint8_t* bytes, std::size_t size,
                       std::uint64_t maxPixels = MaxImagePixels);

// Reserves room for bytes more bytes in pixels, to be appended (insert, push_back), never
// cleared first; a large block with large pages asked of the system (AdviseIfLarge).
void ReservePixels(std::vector<std::uint8_t>* pixels, std::size_t bytes);

// The normal map the program reads when no option names another: a file it cannot open is
// reported in the BMP reader's own words, as it always has been.
constexpr const char* ShippedNormalMap = "Textures\\wall_bump.bmp";

// Reads the file at path and parses it. With showBoxes, a file that cannot be opened or is
// refused is reported in one message box: a BMP file's refusal as the BMP reader reports it
// ("BMP Unit"), anything else under the caption "Loading Textures", a file that cannot be
// opened with the reason (missing, a directory, not readable); refusal holds the text either
// way.
ParsedImage ReadImageFile(const char* path, bool showBoxes);

// The size of the image in the file at path from its first bytes, without decoding it: for
// a note before a long load. False when the file cannot be read or its header does not tell.
bool ReadImageSize(const char* path, std::int32_t* width, std::int32_t* height);

// A path as messages show it: the shipped normal map as it is written, any other in the
// host's own form.
std::string DisplayPath(const char* path);

// Why the file at path cannot be opened, in a few words: there is no such file, it is a
// directory, or it is not readable.
std::string OpenFailureReason(const char* path);
