// Image files for the texture tests: BMP headers with chosen fields, and files written to
// a scratch directory of this process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The header fields the reader looks at, and the two it must ignore.
struct BmpFields {
  std::int32_t width = 4;
  std::int32_t height = 2;
  std::uint16_t bitsPerPixel = 24;
  std::uint32_t imageSize = 0;
  std::uint32_t coloursUsed = 0;
  std::uint32_t infoHeaderSize = 40;
  std::uint32_t pixelOffset = 54;
};

// The 54 header bytes: file header and 40-byte info header, little-endian.
std::vector<std::uint8_t> BmpHeaders(const BmpFields& fields);

// Headers followed by the given bytes.
std::vector<std::uint8_t> BmpFile(const BmpFields& fields, const std::vector<std::uint8_t>& body);

// count bytes 0, 1, 2, ... (mod 251, so no simple pattern repeats within a row).
std::vector<std::uint8_t> CountingBytes(std::size_t count, std::uint8_t start = 1);

// A scratch directory of this process, made on first use.
std::string ScratchDir();

// Writes bytes to name inside the scratch directory; returns the full path.
std::string WriteScratchFile(const std::string& name, const std::vector<std::uint8_t>& bytes);

// The whole content of a file.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
