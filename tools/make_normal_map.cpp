// Makes the wall's normal map: a height field turned into a 24-bit, bottom-up BMP with
// unpadded rows (the layout the program's reader serves), or a PNG when the output's name
// ends in .png, each texel 0.5 + 0.5 n with +x to the right, +y up the picture (texture t)
// and +z out of the wall. The program's --height-map makes the same texels (one
// implementation, textures/normal_map.cpp).
//
//   make_normal_map [--force] [--strength K] [--colour COLOUR] OUTPUT [HEIGHTMAP]
//
// The output comes first (the order the shipped map's instructions have always used); a
// file that exists is never replaced unless --force is given, so that a height map named
// first, as cp and convert would take it, survives. An output whose name ends in neither
// .bmp nor .png is refused: the file would not hold what its name says.
//
// With --colour it also writes a colour map of the same size from the same heights: grey
// mortar in the low parts, brick red on the faces, each face a little lighter or darker
// as it stands higher or lower.
//
// Every argument is checked before anything is read or written: a bad one ends the tool
// with exit code 2, and the output may never be the height map itself (by any path), nor
// an existing file without --force.
// Other failures (an unreadable or unsupported height map, an unwritable output) end it
// with exit code 1. Nothing is written unless the whole map could be made.
//
// The height map, if given, holds grey levels (or colours, whose luminance counts): a PNG,
// TGA or JPEG file, read by the program's own entry point (ParseImage), or an uncompressed
// 8-bit paletted, 24-bit or 32-bit BMP, its width a multiple of 4. 24- and 32-bit BMPs are
// decoded by the program's BMP reader, so the tool takes what the demo takes; 8-bit files,
// which the demo does not read, are decoded here. Without one the tool draws a
// 256 x 256 brick wall in a running bond with mortar grooves and a rough surface; it
// tiles seamlessly, and its output is the same bytes on every machine (integer hashing
// for the roughness, and only +, -, *, / and sqrt in double precision, uncontracted).
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "textures/bmp.h"
#include "textures/image.h"
#include "textures/normal_map.h"

// The program's PNG writer (stb_image_write, compiled into the program's library).
#include <stb_image_write.h>

namespace {

// The options, once: the usage line and the option lines of --help come from these rows,
// and the README shows that text (a test compares them).
struct OptionRow {
  const char* name;   // "--strength"
  const char* value;  // "K"; null for a flag
  const char* help;   // continuation lines after '\n'
};
const OptionRow Options[] = {
    {"--force", nullptr, "replace OUTPUT and COLOUR if they exist (never the height map)"},
    {"--strength", "K",
     "how many texels the highest point stands out of the wall, more than 0\nand at most 1000 "
     "(default 6)"},
    {"--colour", "COLOUR",
     "also write a colour map from the same heights: mortar grey\nin the low parts, brick red "
     "on the faces (.bmp or .png)"},
    {"-h, --help", nullptr, "show this text and exit"},
};

std::string UsageText() {
  std::string usage = "usage: make_normal_map";
  for (const OptionRow& row : Options)
    if (row.name[0] == '-' && row.name[1] == '-')
      usage += std::string(" [") + row.name + (row.value ? std::string(" ") + row.value : "") + "]";
  usage +=
      " OUTPUT [HEIGHTMAP]\n"
      "Writes a normal map to OUTPUT (the first file named; a PNG if its name ends in .png,\n"
      "a 24-bit BMP if it ends in .bmp): from HEIGHTMAP (the second; a PNG, TGA or JPEG file,\n"
      "or an uncompressed 8-bit paletted, 24-bit or 32-bit BMP whose width is a multiple of\n"
      "4) if given, else a 256 x 256 brick wall.\n";
  const std::size_t column = 18;
  for (const OptionRow& row : Options) {
    std::string head =
        std::string("  ") + row.name + (row.value ? std::string(" ") + row.value : "");
    head.resize(std::max(column, head.size() + 1), ' ');
    std::string help = row.help;
    for (std::size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1))
      help.insert(at + 1, std::string(column, ' '));
    usage += head + help + "\n";
  }
  return usage;
}

[[noreturn]] void Fail(const std::string& text) {
  std::fprintf(stderr, "make_normal_map: %s\n", text.c_str());
  std::exit(1);
}

// A mistake in the command line: the reason, a pointer to the usage, exit code 2.
[[noreturn]] void UsageError(const std::string& text) {
  std::fprintf(stderr, "make_normal_map: %s\nTry 'make_normal_map --help' for more information.\n",
               text.c_str());
  std::exit(2);
}

// The strength argument: a whole decimal number, finite, in (0, MaxStrength].
double ParseStrength(const char* text) {
  const std::string refusal = std::string("--strength needs a number greater than 0 and at most ") +
                              "1000, not '" + text + "'";
  double value = 0;
  if (!::ParseStrength(text, &value)) UsageError(refusal);
  return value;
}

// Whether path ends in suffix (lower case), whatever the case of its letters.
bool EndsWith(const char* path, const char* suffix) {
  const std::size_t n = std::strlen(path), k = std::strlen(suffix);
  if (n < k) return false;
  for (std::size_t i = 0; i < k; ++i)
    if (std::tolower(static_cast<unsigned char>(path[n - k + i])) != suffix[i]) return false;
  return true;
}

// Whether both paths name one existing file, whatever the spelling of each path: the same
// device and inode (volume and file index on Windows).
bool SameFile(const char* a, const char* b) {
  if (std::strcmp(a, b) == 0) return true;
#ifdef _WIN32
  auto identity = [](const char* path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(handle, info) != 0;
    CloseHandle(handle);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION first, second;
  return identity(a, &first) && identity(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
#else
  struct stat first, second;
  return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
#endif
}

// Whether something is at path (a dangling link included), so that writing would replace
// or follow it.
bool Exists(const char* path) {
#ifdef _WIN32
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
#else
  struct stat info;
  return lstat(path, &info) == 0;
#endif
}

// A small integer hash (a PRNG indexed by position): the same numbers everywhere.
std::uint32_t Hash32(std::uint32_t a, std::uint32_t b, std::uint32_t seed) {
  std::uint32_t v = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
  v ^= v >> 16;
  v *= 0x7FEB352Du;
  v ^= v >> 15;
  v *= 0x846CA68Bu;
  v ^= v >> 16;
  return v;
}

// A number in [-1, 1) from the hash.
double Noise(std::uint32_t a, std::uint32_t b, std::uint32_t seed) {
  return (Hash32(a, b, seed) >> 8) / 8388608.0 - 1.0;
}

double Smooth(double t) {
  return t * t * (3 - 2 * t);
}

// Value noise on a lattice of cell pixels that divides the 256-pixel period.
double ValueNoise(double x, double y, int cell, std::uint32_t seed) {
  const int cells = 256 / cell;
  const int cx = static_cast<int>(x) / cell, cy = static_cast<int>(y) / cell;
  const double fx = Smooth((x - cx * cell) / cell), fy = Smooth((y - cy * cell) / cell);
  auto corner = [&](int i, int j) {
    return Noise(static_cast<std::uint32_t>((cx + i) % cells),
                 static_cast<std::uint32_t>((cy + j) % cells), seed);
  };
  const double bottom = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * fx;
  const double top = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * fx;
  return bottom + (top - bottom) * fy;
}

// The brick wall: 64 x 32 bricks, every other course shifted by half a brick, 6-pixel
// mortar joints with 4-pixel rounded brick edges, chipped edges and a rough face.
HeightField BrickWall() {
  const int size = 256, brickLength = 64, courseHeight = 32;
  const double mortarHalf = 3.0, bevel = 4.0;
  HeightField field;
  field.width = field.height = size;
  field.h.resize(size * size);
  for (int y = 0; y < size; ++y) {
    const int course = y / courseHeight;
    const int shift = (course % 2) * (brickLength / 2);
    for (int x = 0; x < size; ++x) {
      const int along = (x + shift) % size;
      const int brick = along / brickLength;
      const double u = along % brickLength + 0.5, v = y % courseHeight + 0.5;
      // Distance from the pixel centre to the nearest joint's centre line, roughened so the
      // edges look worn rather than ruled.
      double d = std::fmin(std::fmin(u, brickLength - u), std::fmin(v, courseHeight - v));
      d += 0.9 * ValueNoise(x + 0.5, y + 0.5, 4, 11);
      const double mortar = 0.08 + 0.03 * Noise(x, y, 23) + 0.03 * ValueNoise(x, y, 8, 29);
      const double face =
          0.80 +
          0.05 * Noise(static_cast<std::uint32_t>(brick), static_cast<std::uint32_t>(course), 37) +
          0.035 * ValueNoise(x, y, 16, 41) + 0.02 * ValueNoise(x, y, 4, 43) +
          0.012 * Noise(x, y, 47);
      double height;
      if (d <= mortarHalf)
        height = mortar;
      else if (d >= mortarHalf + bevel)
        height = face;
      else
        height = mortar + (face - mortar) * Smooth((d - mortarHalf) / bevel);
      field.At(x, y) = height;
    }
  }
  return field;
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  if (at + 4 > b.size()) Fail("height map: header cut short");
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  if (at + 2 > b.size()) Fail("height map: header cut short");
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void Put32(std::vector<std::uint8_t>* b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// An 8-bit paletted height map, which the program's reader does not serve: the colour
// table after the info header, rows padded to 4 bytes from the pixel-data offset.
HeightField ReadPalettedHeightMap(const std::vector<std::uint8_t>& b, int width, int rawHeight) {
  const std::uint32_t offset = U32(b, 10), infoSize = U32(b, 14), colours = U32(b, 46);
  const int height = rawHeight < 0 ? -rawHeight : rawHeight;
  const std::size_t rowBytes = (static_cast<std::size_t>(width) + 3) / 4 * 4;
  if (offset > b.size() || (b.size() - offset) / rowBytes < static_cast<std::size_t>(height))
    Fail("height map: pixel data cut short");
  std::vector<double> palette(256, 0.0);
  const std::size_t count = colours ? colours : 256, start = 14 + infoSize;
  if (count > 256 || start + count * 4 > offset) Fail("height map: bad colour table");
  for (std::size_t i = 0; i < count; ++i)
    palette[i] = Luminance(b[start + 4 * i + 2], b[start + 4 * i + 1], b[start + 4 * i]);

  HeightField field;
  field.width = width;
  field.height = height;
  field.h.resize(static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* p = &b[offset + row * rowBytes];
    const int y = rawHeight < 0 ? height - 1 - row : row;  // top-down files start at the top
    for (int x = 0; x < width; ++x) field.At(x, y) = palette[p[x]];
  }
  return field;
}

// Reads an uncompressed 8-bit paletted, 24-bit or 32-bit BMP, bottom-up or top-down, as
// heights in [0, 1].
HeightField ReadHeightMap(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) Fail(std::string("cannot open ") + path);
  std::vector<std::uint8_t> b;
  std::uint8_t chunk[65536];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
    b.insert(b.end(), chunk, chunk + got);
  std::fclose(file);
  if (b.size() < 2 || b[0] != 'B' || b[1] != 'M') {
    // PNG, TGA or JPEG: the program's own entry point reads them, as the demo does.
    const ParsedImage image = ParseImage(b.data(), b.size());
    if (!image.refusal.empty()) Fail("height map: " + image.refusal);
    return HeightsOfImage(image);
  }
  if (b.size() < 54) Fail("height map: header cut short");
  const std::uint32_t offset = U32(b, 10), infoSize = U32(b, 14);
  const std::int32_t width = static_cast<std::int32_t>(U32(b, 18));
  const std::int32_t rawHeight = static_cast<std::int32_t>(U32(b, 22));
  const std::uint16_t bpp = U16(b, 28);
  const std::uint32_t compression = U32(b, 30);
  // A 32-bit file's compression and masks are the reader's to judge.
  if ((bpp != 8 && bpp != 24 && bpp != 32) || (bpp != 32 && (infoSize < 40 || compression != 0)))
    Fail("height map: only uncompressed 8-bit paletted, 24-bit or 32-bit files are read");
  if (width <= 0 || width > 16384 || rawHeight == 0 || rawHeight < -16384 || rawHeight > 16384)
    Fail("height map: unsupported size");
  if (width % 4 != 0) Fail("height map: the width must be a multiple of 4");
  if (bpp == 8) return ReadPalettedHeightMap(b, width, rawHeight);

  // The reader serves bottom-up files, and takes 24-bit pixels from right after a 40-byte
  // header: a top-down file is handed over as bottom-up (its rows then come top row
  // first), and a 24-bit file's own pixels are put where the reader looks.
  const int height = rawHeight < 0 ? -rawHeight : rawHeight;
  std::vector<std::uint8_t> bytes;
  if (bpp == 24) {
    if (offset > b.size()) Fail("height map: pixel data cut short");
    bytes.assign(b.begin(), b.begin() + 54);
    Put32(&bytes, 10, 54);
    Put32(&bytes, 14, 40);
    Put32(&bytes, 34, 0);  // the size from width and height
    Put32(&bytes, 46, 0);  // no colour-table block
    bytes.insert(bytes.end(), b.begin() + offset, b.end());
  } else {
    bytes = b;
  }
  Put32(&bytes, 22, static_cast<std::uint32_t>(height));
  const ParsedBitmap parsed = ParseBitmap(bytes.data(), bytes.size());
  if (parsed.refusal) Fail(std::string("height map: ") + parsed.refusal);

  HeightField field;
  field.width = width;
  field.height = height;
  field.h.resize(static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* p = &parsed.pixels[static_cast<std::size_t>(row) * width * 3];
    const int y = rawHeight < 0 ? height - 1 - row : row;  // top-down files start at the top
    for (int x = 0; x < width; ++x, p += 3) field.At(x, y) = Luminance(p[0], p[1], p[2]);
  }
  return field;
}

// The 54 header bytes of a 24-bit, bottom-up BMP of the field's size, rows unpadded.
std::vector<std::uint8_t> BmpHeader(const HeightField& field) {
  const std::uint32_t w = field.width, h = field.height, dataSize = w * h * 3;
  std::vector<std::uint8_t> out(54, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, 54 + dataSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);  // positive: bottom-up
  out[26] = 1;
  out[28] = 24;
  put32(34, dataSize);
  put32(38, 2835);
  put32(42, 2835);
  return out;
}

std::size_t WriteBmp(const std::vector<std::uint8_t>& out, const char* path) {
  std::FILE* file = std::fopen(path, "wb");
  if (!file) Fail(std::string("cannot write ") + path);
  const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  if (std::fclose(file) != 0 || !written) Fail(std::string("cannot write ") + path);
  return out.size();
}

// A picture of red, green, blue pixels (the bottom row first) as a file's bytes: a 24-bit
// BMP, or a PNG when the file's name ends in .png.
std::vector<std::uint8_t> Encoded(const HeightField& field, const std::vector<std::uint8_t>& rgb,
                                  const char* path) {
  const bool png = EndsWith(path, ".png");
  const std::size_t row = static_cast<std::size_t>(field.width) * 3;
  if (png) {
    // PNG rows run from the top.
    std::vector<std::uint8_t> top(rgb.size());
    for (int y = 0; y < field.height; ++y)
      std::memcpy(&top[(field.height - 1 - y) * row], &rgb[y * row], row);
    std::vector<std::uint8_t> out;
    auto append = [](void* context, void* data, int size) {
      auto* bytes = static_cast<std::uint8_t*>(data);
      static_cast<std::vector<std::uint8_t>*>(context)->insert(
          static_cast<std::vector<std::uint8_t>*>(context)->end(), bytes, bytes + size);
    };
    if (!stbi_write_png_to_func(append, &out, field.width, field.height, 3, top.data(),
                                static_cast<int>(row)))
      Fail(std::string("cannot encode ") + path);
    return out;
  }
  std::vector<std::uint8_t> out = BmpHeader(field);
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    out.push_back(rgb[i + 2]);  // blue, green, red
    out.push_back(rgb[i + 1]);
    out.push_back(rgb[i]);
  }
  return out;
}

// A colour channel in [0, 1] as a byte, to nearest.
std::uint8_t Channel(double c) {
  return static_cast<std::uint8_t>(std::floor(255 * std::fmin(std::fmax(c, 0.0), 1.0) + 0.5));
}

// Mortar where the field is low, brick where it is high, blended over the bevel; a face's
// shade follows its height about the bricks' mean of 0.8.
std::vector<std::uint8_t> MakeColourMap(const HeightField& field) {
  std::vector<std::uint8_t> out;
  const double mortar[3] = {0.62, 0.60, 0.56}, brick[3] = {0.62, 0.27, 0.18};
  for (int y = 0; y < field.height; ++y) {
    for (int x = 0; x < field.width; ++x) {
      const double h = field.Wrapped(x, y);
      const double t = Smooth(std::fmin(std::fmax((h - 0.2) / 0.5, 0.0), 1.0));
      const double shade = 1 + 2.5 * (h - 0.8) * t;
      double rgb[3];
      for (int c = 0; c < 3; ++c) rgb[c] = (mortar[c] + (brick[c] - mortar[c]) * t) * shade;
      for (int c = 0; c < 3; ++c) out.push_back(Channel(rgb[c]));
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  double strength = 6.0;  // height 1 stands this many texels out of the wall
  const char* colourPath = nullptr;
  bool force = false;
  std::vector<const char*> paths;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (optionsEnded || argument[0] != '-' || argument[1] == '\0') {
      paths.push_back(argument);
    } else if (std::strcmp(argument, "--") == 0) {
      optionsEnded = true;
    } else if (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0) {
      std::fputs(UsageText().c_str(), stdout);
      return 0;
    } else if (std::strcmp(argument, "--force") == 0) {
      force = true;
    } else if (std::strcmp(argument, "--strength") == 0) {
      if (i + 1 >= argc) UsageError("--strength needs a value");
      strength = ParseStrength(argv[++i]);
    } else if (std::strcmp(argument, "--colour") == 0) {
      if (i + 1 >= argc || argv[i + 1][0] == '-') UsageError("--colour needs a file name");
      colourPath = argv[++i];
    } else {
      UsageError(std::string("unknown option '") + argument + "'");
    }
  }
  if (paths.empty()) UsageError("no output file given");
  // The file is written in the format its name says, or not at all.
  for (const char* output : {paths[0], colourPath})
    if (output && !EndsWith(output, ".bmp") && !EndsWith(output, ".png"))
      UsageError(std::string("'") + output +
                 "' does not end in .bmp or .png, the formats the tool writes");
  if (paths.size() > 2)
    UsageError(std::string("too many arguments, from '") + paths[2] +
               "' on (one output and at most one height map)");
  if (paths.size() == 2 && SameFile(paths[0], paths[1]))
    UsageError(std::string("the output '") + paths[0] +
               "' is the height map itself; name a new file for the normal map");

  if (colourPath && SameFile(colourPath, paths[0]))
    UsageError(std::string("the colour map '") + colourPath + "' is the normal map's file too");
  if (colourPath && paths.size() == 2 && SameFile(colourPath, paths[1]))
    UsageError(std::string("the colour map '") + colourPath +
               "' is the height map itself; name a new file for it");

  // An existing file is replaced only on request: the output is the first file named, and a
  // height map named first (as cp and convert take their files) must not be lost.
  if (!force && Exists(paths[0]))
    UsageError(std::string(paths[0]) +
               " exists; it is the OUTPUT argument (the first; the height map comes second); "
               "use --force to replace it");
  if (!force && colourPath && Exists(colourPath))
    UsageError(std::string(colourPath) +
               " exists; it is the --colour output; use --force to replace it");

  const HeightField field = paths.size() == 2 ? ReadHeightMap(paths[1]) : BrickWall();
  // Both maps are made before either is written.
  const std::vector<std::uint8_t> normals =
      Encoded(field, NormalMapOfHeights(field, strength).pixels, paths[0]);
  const std::vector<std::uint8_t> colours =
      colourPath ? Encoded(field, MakeColourMap(field), colourPath) : std::vector<std::uint8_t>();
  for (const auto& [path, bytes] :
       {std::make_pair(paths[0], &normals), std::make_pair(colourPath, &colours)}) {
    if (!path) continue;
    WriteBmp(*bytes, path);
    std::printf("make_normal_map: wrote %s (%d x %d, %zu bytes)\n", path, field.width, field.height,
                bytes->size());
  }
  return 0;
}
