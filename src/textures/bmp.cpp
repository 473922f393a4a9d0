// The BMP reader. The layout it honours: a 14-byte file header and exactly 40 bytes of
// info header (whatever the header's own size field says), then a block of as many bytes
// as the colours-used field counts, skipped, then the pixel data (the pixel-data offset
// field is ignored) of the image-size field's length, or width x height x bits per pixel
// / 8 when that field is 0.
//
// Rows: a 24-bit row of width x 3 bytes that is not a multiple of 4 is stored padded to
// the next multiple of 4 in a standard file. Such rows are read padded, and the padding
// dropped, when the file holds them: the image-size field is 0 or width x height x 3 (as
// some writers put it) and the padded rows fit in the file, or the field is at least the
// padded size. With a field of 0 or width x height x 3 and only that many bytes in the file
// the rows are taken as packed. Rows that need no padding, and other bit counts, are read
// as they stand.
//
// What it refuses, each with one message before anything is allocated for the pixels: a
// file shorter than its headers, a colour table or pixel data the file does not hold, a
// width or height of 0 or less (top-down files included), an edge beyond MaxBitmapEdge, a
// pixel-data size that overflows 32 bits, pixel data shorter than width x height x 3
// (fewer than 24 bits per pixel, compressed data, an image-size field that is too small),
// and 24-bit rows that need padding with an image-size field between the packed and the
// padded size, which fits neither layout ("Unsupported bitmap row padding").
#include "textures/bmp.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

#ifdef _WIN32
// After the project's headers, whose names windows.h would otherwise turn into macros.
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = 40;
constexpr std::uint64_t HeadersSize = FileHeaderSize + InfoHeaderSize;

#ifdef _WIN32

// File access: read only, other readers allowed, writers not.
struct BitmapFile {
  HANDLE handle = INVALID_HANDLE_VALUE;
};

// Opens an existing file for reading; a directory or device cannot be opened as an image.
bool OpenBitmapFile(const char* path, BitmapFile* file) {
  HANDLE handle =
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return false;
  }
  file->handle = handle;
  return true;
}

std::uint64_t BitmapFileSize(const BitmapFile& file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.handle, &size) || size.QuadPart < 0) return 0;
  return static_cast<std::uint64_t>(size.QuadPart);
}

// Reads up to count bytes; fewer only at the end of the file or on an error.
std::size_t ReadBitmapBytes(const BitmapFile& file, void* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file.handle, static_cast<char*>(buffer) + done, chunk, &got, nullptr) || got == 0)
      break;
    done += got;
  }
  return done;
}

void CloseBitmapFile(BitmapFile* file) {
  if (file->handle != INVALID_HANDLE_VALUE) CloseHandle(file->handle);
  file->handle = INVALID_HANDLE_VALUE;
}

#else

// File access: POSIX calls, in the shape of the Win32 ones they stand for.
struct BitmapFile {
  int descriptor = -1;
};

// Opens a regular file for reading; a directory or device cannot be opened as an image.
bool OpenBitmapFile(const char* path, BitmapFile* file) {
  const std::string native = NativePath(path);
  const int descriptor = open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  struct stat info;
  if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(descriptor);
    return false;
  }
  file->descriptor = descriptor;
  return true;
}

std::uint64_t BitmapFileSize(const BitmapFile& file) {
  struct stat info;
  if (fstat(file.descriptor, &info) != 0 || info.st_size < 0) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

// Reads up to count bytes, as one ReadFile call does: fewer only at the end of the file
// or on an error. Returns the number of bytes read.
std::size_t ReadBitmapBytes(const BitmapFile& file, void* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = read(file.descriptor, static_cast<char*>(buffer) + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

void CloseBitmapFile(BitmapFile* file) {
  if (file->descriptor >= 0) close(file->descriptor);
  file->descriptor = -1;
}

#endif

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

void ShowReaderMessage(const std::string& text) {
  Platform.ShowMessageBox(text.c_str(), "BMP Unit", MB_OK);
}

// Checks the image's size fields and works out the pixel-data size. Returns the text of
// the refusal, or null when the image can be served.
const char* CheckImageSize(std::int32_t width, std::int32_t height, std::uint16_t bitsPerPixel,
                           std::uint32_t imageSize, std::uint64_t* dataSize) {
  if (width <= 0 || height <= 0) return "Unsupported bitmap size";
  static_assert(MaxBitmapEdge == 16384, "the refusal text names the limit");
  if (width > MaxBitmapEdge || height > MaxBitmapEdge)
    return "Bitmap too large (over 16384 x 16384)";
  const std::uint64_t pixelBytes = static_cast<std::uint64_t>(width) * height * 3;
  if (imageSize != 0) {
    *dataSize = imageSize;
  } else {
    // The product is a 32-bit integer: one that does not fit is refused, not wrapped.
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * height * bitsPerPixel;
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
const char* ChooseRowLayout(std::int32_t width, std::int32_t height, std::uint16_t bitsPerPixel,
                            std::uint32_t imageSize, std::uint64_t dataSize,
                            std::uint64_t available, std::uint64_t* readSize, bool* padded) {
  *readSize = dataSize;
  *padded = false;
  const std::uint64_t rowBytes = static_cast<std::uint64_t>(width) * 3;
  if (bitsPerPixel != 24 || rowBytes % 4 == 0) return nullptr;
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

}  // namespace

void ReadBitmapFile(const char* path, std::int32_t* width, std::int32_t* height,
                    std::unique_ptr<std::uint8_t[]>* pixels) {
  pixels->reset();
  BitmapFile file;
  if (!OpenBitmapFile(path, &file)) {
    ShowReaderMessage(std::string("Error opening \"") + path);
    return;
  }
  const std::uint64_t fileSize = BitmapFileSize(file);

  std::uint8_t headers[HeadersSize] = {};
  if (fileSize < HeadersSize || ReadBitmapBytes(file, headers, FileHeaderSize) != FileHeaderSize ||
      ReadBitmapBytes(file, headers + FileHeaderSize, InfoHeaderSize) != InfoHeaderSize) {
    ShowReaderMessage("Error reading bitmap header");
    CloseBitmapFile(&file);
    return;
  }
  const std::uint8_t* info = headers + FileHeaderSize;
  const std::int32_t fileWidth = FieldI32(info, 4);
  const std::int32_t fileHeight = FieldI32(info, 8);
  const std::uint16_t bitsPerPixel = FieldU16(info, 14);
  const std::uint32_t imageSize = FieldU32(info, 20);
  const std::uint32_t coloursUsed = FieldU32(info, 32);

  // The colour-table block: one byte per counted colour, read into four-byte entries and
  // never interpreted. A count the file cannot hold is refused before allocating.
  std::uint64_t remaining = fileSize - HeadersSize;
  if (coloursUsed > remaining) {
    ShowReaderMessage("Error reading palette");
    CloseBitmapFile(&file);
    return;
  }
  if (coloursUsed != 0) {
    std::vector<std::uint32_t> colourTable((coloursUsed + 3) / 4);
    if (ReadBitmapBytes(file, colourTable.data(), coloursUsed) != coloursUsed) {
      ShowReaderMessage("Error reading palette");
      CloseBitmapFile(&file);
      return;
    }
  }
  remaining -= coloursUsed;

  *width = fileWidth;
  *height = fileHeight;

  std::uint64_t dataSize = 0;
  if (const char* refusal =
          CheckImageSize(fileWidth, fileHeight, bitsPerPixel, imageSize, &dataSize)) {
    ShowReaderMessage(refusal);
    CloseBitmapFile(&file);
    return;
  }

  std::uint64_t readSize = 0;
  bool padded = false;
  if (const char* refusal = ChooseRowLayout(fileWidth, fileHeight, bitsPerPixel, imageSize,
                                            dataSize, remaining, &readSize, &padded)) {
    ShowReaderMessage(refusal);
    CloseBitmapFile(&file);
    return;
  }

  // Pixel data: allocated only when the file holds it all, and read with one call.
  const std::size_t size = static_cast<std::size_t>(readSize);
  std::unique_ptr<std::uint8_t[]> buffer;
  if (readSize <= remaining) {
    buffer.reset(new std::uint8_t[size]);
    if (ReadBitmapBytes(file, buffer.get(), size) != size) buffer.reset();
  }
  if (!buffer) {
    ShowReaderMessage("Error reading bitmap data");
    CloseBitmapFile(&file);
    return;
  }
  CloseBitmapFile(&file);

  if (padded) DropRowPadding(buffer.get(), fileWidth, fileHeight);
  SwapRedBlue(buffer.get(), fileWidth * fileHeight);
  *pixels = std::move(buffer);
}

void SwapRedBlue(std::uint8_t* buffer, std::int32_t pixelCount) {
  std::uint8_t* end = buffer + 3 * static_cast<std::ptrdiff_t>(pixelCount > 0 ? pixelCount : 0);
  for (std::uint8_t* pixel = buffer; pixel != end; pixel += 3) {
    const std::uint8_t blue = pixel[0];
    pixel[0] = pixel[2];
    pixel[2] = blue;
  }
}
