// Image files for the texture tests.
#include "texture_files.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

std::string Scratch;
pid_t ScratchOwner = 0;

// Only the process that made the directory removes it (death-test children exit too).
void RemoveScratch() {
  if (getpid() == ScratchOwner) {
    std::error_code ignored;
    std::filesystem::remove_all(Scratch, ignored);
  }
}

void PutU16(std::vector<std::uint8_t>* bytes, std::size_t at, std::uint16_t value) {
  (*bytes)[at] = static_cast<std::uint8_t>(value);
  (*bytes)[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::vector<std::uint8_t>* bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> BmpHeaders(const BmpFields& f) {
  std::vector<std::uint8_t> bytes(54, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutU32(&bytes, 2, 54 + f.imageSize);
  PutU32(&bytes, 10, f.pixelOffset);
  PutU32(&bytes, 14, f.infoHeaderSize);
  PutU32(&bytes, 18, static_cast<std::uint32_t>(f.width));
  PutU32(&bytes, 22, static_cast<std::uint32_t>(f.height));
  PutU16(&bytes, 26, 1);
  PutU16(&bytes, 28, f.bitsPerPixel);
  PutU32(&bytes, 34, f.imageSize);
  PutU32(&bytes, 38, 2835);
  PutU32(&bytes, 42, 2835);
  PutU32(&bytes, 46, f.coloursUsed);
  return bytes;
}

std::vector<std::uint8_t> BmpFile(const BmpFields& fields, const std::vector<std::uint8_t>& body) {
  std::vector<std::uint8_t> bytes = BmpHeaders(fields);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

std::vector<std::uint8_t> CountingBytes(std::size_t count, std::uint8_t start) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>((start + i) % 251);
  return bytes;
}

std::string ScratchDir() {
  if (Scratch.empty()) {
    char pattern[] = "/tmp/bumpdemo-textures-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    Scratch = pattern;
    ScratchOwner = getpid();
    std::atexit(RemoveScratch);
  }
  return Scratch;
}

std::string WriteScratchFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const std::string path = ScratchDir() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}
