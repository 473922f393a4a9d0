// bumpcheck: says what is wrong with normal maps, for pipelines and for people.
//
//   bumpcheck [--json] FILE...
//
// Each file (BMP, PNG, TGA or JPEG, read as the demo reads its maps) is checked as a
// tangent-space normal map (src/check/, docs/CHECKS.md). Plain text by default: one line
// per finding, "FILE: SEVERITY CODE: MESSAGE", or "FILE: ok (no findings)". With --json,
// one JSON object per file per line: {"file", "kind": "image", "findings": [{"code",
// "severity", "message", and the figures as numbers}]}, or {"file", "error"} for a file
// that could not be read.
//
// Exit codes: 0 when no file has a warning or an error; 3 when one has; 1 when a file
// could not be read (missing, not readable, a directory, or refused by the image reader),
// which outweighs 3; 2 for a bad command line, with nothing checked.
//
// The program needs no window and no GL: only the platform's file calls.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "check/findings.h"
#include "check/image_checks.h"
#include "platform/backend.h"
#include "platform/platform.h"
#include "textures/image.h"

namespace {

constexpr const char* UsageLine = "usage: bumpcheck [--json] FILE...\n";
constexpr const char* Help =
    "Checks normal maps (BMP, PNG, TGA, JPEG) and names what is wrong with each: green\n"
    "pointing down, the sRGB curve, a two-channel map, normals into the surface, vectors\n"
    "off unit length, an object-space map, a height map given as a normal map.\n"
    "  --json      one JSON object per file per line instead of text\n"
    "  -h, --help  show this text and exit\n"
    "Exit codes: 0 no warning or error, 3 a warning or an error, 1 a file could not be\n"
    "read, 2 a bad command line.\n";

// No image the reader serves is larger (a 16384 x 16384 BMP of 32-bit pixels and its
// headers); a larger file is refused before it is read.
constexpr std::uint64_t MaxFileBytes = 1ull << 30;

// A mistake in the command line: the reason and the usage line, exit code 2.
int UsageError(const std::string& text) {
  std::fprintf(stderr, "bumpcheck: %s\n%sTry 'bumpcheck --help' for more information.\n",
               text.c_str(), UsageLine);
  return 2;
}

// The file's bytes, or why they cannot be had.
std::string ReadFile(const char* path, std::vector<std::uint8_t>* bytes) {
  switch (Platform.KindOfPath(path)) {
    case PathKind::Missing:
      return "missing (no such file)";
    case PathKind::Directory:
      return "a directory, not a file";
    case PathKind::Other:
      return "not a regular file";
    case PathKind::File:
      break;
  }
  const PlatformFile file = Platform.OpenFileForReading(path);
  if (file == NoFile) return "not readable (it cannot be opened for reading)";
  const std::uint64_t size = Platform.FileSize(file);
  std::string reason;
  if (size > MaxFileBytes) {
    reason =
        "refused: the file is " + std::to_string(size) + " bytes, more than any image read (1 GiB)";
  } else {
    bytes->resize(static_cast<std::size_t>(size));
    if (Platform.ReadFromFile(file, bytes->data(), bytes->size()) != bytes->size())
      reason = "not readable (reading it stopped before its end)";
  }
  Platform.CloseFile(file, nullptr);
  return reason;
}

// Checks one file and prints what it found; returns its exit code (0, 1 or 3).
int CheckFile(const char* path, bool json) {
  std::vector<std::uint8_t> bytes;
  std::string reason = ReadFile(path, &bytes);
  ParsedImage image;
  if (reason.empty()) {
    image = ParseImage(bytes.data(), bytes.size());
    if (!image.refusal.empty()) reason = "refused: " + image.refusal;
  }
  if (!reason.empty()) {
    if (json)
      std::printf("%s\n", UnreadableJson(path, reason).c_str());
    else
      std::fprintf(stderr, "bumpcheck: %s: %s\n", path, reason.c_str());
    return 1;
  }
  const TextureImage map{image.width, image.height, std::move(image.pixels)};
  const std::vector<Finding> findings = CheckNormalMapImage(map);
  if (json) {
    std::printf("%s\n", FindingsJson(path, "image", findings).c_str());
  } else if (findings.empty()) {
    std::printf("%s: ok (no findings)\n", path);
  } else {
    for (const Finding& finding : findings)
      std::printf("%s: %s\n", path, FindingLine(finding).c_str());
  }
  return HasFault(findings) ? 3 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false, optionsEnded = false;
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (optionsEnded || argument[0] != '-' || argument[1] == '\0')
      files.push_back(argument);
    else if (std::strcmp(argument, "--") == 0)
      optionsEnded = true;
    else if (std::strcmp(argument, "--json") == 0)
      json = true;
    else if (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0)
      return std::printf("%s%s", UsageLine, Help) < 0 ? 1 : 0;
    else
      return UsageError(std::string("unknown option '") + argument + "'");
  }
  if (files.empty()) return UsageError("no file given");

  InstallPlatformFiles();
  int status = 0;
  for (const char* file : files) {
    const int fileStatus = CheckFile(file, json);
    // An unreadable file outweighs a fault found in another.
    if (fileStatus == 1 || (fileStatus == 3 && status == 0)) status = fileStatus;
    std::fflush(stdout);
  }
  return status;
}
