// Screenshots: glReadPixels through the entry-point table, then one of two encoders. PNG
// comes from stb_image_write (public domain, header-only, builds for Windows as it is),
// compiled in stb_image_write.cpp; the BMP writer is a few lines of our own.
#include "app/screenshot.h"

#include <stb_image_write.h>

#include <cstdio>
#include <cstring>

#include "common/settings.h"
#include "gl/gl.h"
#include "log/log.h"
#include "platform/platform.h"

namespace {

void Append(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(context);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

void Put16(std::vector<std::uint8_t>* out, std::size_t at, std::uint32_t value) {
  (*out)[at] = static_cast<std::uint8_t>(value);
  (*out)[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>* out, std::size_t at, std::uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}

bool EndsWithBmp(const char* path) {
  const std::size_t n = std::strlen(path);
  if (n < 4) return false;
  char ending[5] = {};
  for (int i = 0; i < 4; ++i) {
    const char c = path[n - 4 + i];
    ending[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return std::strcmp(ending, ".bmp") == 0;
}

}  // namespace

std::string ScreenshotTargetProblem(const std::string& path, const std::vector<KeptFile>& kept) {
  const std::string target = NativePath(path.c_str());
  if (Platform.KindOfPath(target.c_str()) == PathKind::Directory)
    return "'" + path + "' is a directory";
  const std::size_t slash = target.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? target.substr(0, 1)
                                                        : target.substr(0, slash);
  if (Platform.KindOfPath(folder.c_str()) != PathKind::Directory)
    return "the folder '" + folder + "' of '" + path + "' does not exist";
  for (const KeptFile& file : kept) {
    const std::string other = NativePath(file.path.c_str());
    if (Platform.SameFile(target.c_str(), other.c_str()))
      return "'" + path + "' is " + file.what + " (" + other + "); the picture must not replace it";
  }
  return "";
}

std::vector<std::uint8_t> EncodePng(const std::uint8_t* rgb, int width, int height) {
  std::vector<std::uint8_t> out;
  // The last row given is the picture's top row, which PNG stores first.
  stbi_flip_vertically_on_write(1);
  stbi_write_png_to_func(Append, &out, width, height, 3, rgb, width * 3);
  return out;
}

std::vector<std::uint8_t> EncodeBmp(const std::uint8_t* rgb, int width, int height) {
  const std::size_t row = static_cast<std::size_t>(width) * 3;
  const std::size_t padded = (row + 3) / 4 * 4;
  const std::size_t dataSize = padded * static_cast<std::size_t>(height);
  std::vector<std::uint8_t> out(54 + dataSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(&out, 2, static_cast<std::uint32_t>(out.size()));
  Put32(&out, 10, 54);
  Put32(&out, 14, 40);
  Put32(&out, 18, static_cast<std::uint32_t>(width));
  Put32(&out, 22, static_cast<std::uint32_t>(height));
  Put16(&out, 26, 1);
  Put16(&out, 28, 24);
  Put32(&out, 34, static_cast<std::uint32_t>(dataSize));
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* from = rgb + y * row;
    std::uint8_t* to = out.data() + 54 + y * padded;
    for (int x = 0; x < width; ++x) {  // blue, green, red
      to[x * 3] = from[x * 3 + 2];
      to[x * 3 + 1] = from[x * 3 + 1];
      to[x * 3 + 2] = from[x * 3];
    }
  }
  return out;
}

bool SaveScreenshot(const char* path, int width, int height, std::string* error) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (ContextKind == GLContextKind::ES) {
    // OpenGL ES reads RGBA bytes for certain: read those, then drop the alpha.
    std::vector<std::uint8_t> rgba(pixels.size() / 3 * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (std::size_t i = 0; i < pixels.size() / 3; ++i)
      for (int c = 0; c < 3; ++c) pixels[i * 3 + c] = rgba[i * 4 + c];
  } else {
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  }
  const std::vector<std::uint8_t> bytes = EndsWithBmp(path)
                                              ? EncodeBmp(pixels.data(), width, height)
                                              : EncodePng(pixels.data(), width, height);
  if (bytes.empty()) {
    *error = std::string("cannot encode the picture for ") + path;
    return false;
  }
  const std::string native = NativePath(path);
  int code = 0;
  const PlatformFile file = Platform.CreateFileForWriting(native.c_str(), &code);
  bool written = file != NoFile && Platform.WriteToFile(file, bytes.data(), bytes.size(), &code);
  if (file != NoFile) written = Platform.CloseFile(file, written ? &code : nullptr) && written;
  if (!written) {
    *error = std::string("cannot write ") + path + ": " + FileErrorText(code, native.c_str());
    return false;
  }
  return true;
}

std::string SaveNumberedScreenshot(const std::string& folder, int width, int height,
                                   std::string* error) {
  int code = 0;
  const std::string native = NativePath(folder.c_str());
  if (!Platform.MakeDirectory(native.c_str(), &code)) {
    *error = "cannot make the folder " + native + ": " + FileErrorText(code, native);
    return "";
  }
  for (int number = 1; number <= 9999; ++number) {
    char name[32];
    std::snprintf(name, sizeof name, "bumpdemo-%04d.png", number);
    const std::string path = native + "/" + name;
    if (Platform.KindOfPath(path.c_str()) != PathKind::Missing) continue;
    if (!SaveScreenshot(path.c_str(), width, height, error)) return "";
    // Said in full, so that the user finds it whichever folder they started in.
    const std::string full = Platform.FullPath(path.c_str());
    return full.empty() ? path : full;
  }
  *error = native + " holds bumpdemo-0001.png to bumpdemo-9999.png already";
  return "";
}
