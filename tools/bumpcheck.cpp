// bumpcheck: says what is wrong with normal maps and with the models that use them, for
// pipelines and for people.
//
//   bumpcheck [--json] FILE...
//
// Each file is told apart by its content. An image (BMP, PNG, TGA or JPEG, read as the demo
// reads its maps) is checked as a tangent-space normal map; a glTF model (.gltf or .glb,
// read as the demo loads one) has its tangents, its seams and its normal maps checked
// (src/check/, docs/CHECKS.md). Plain text by default: one line per finding, "FILE:
// SEVERITY CODE (WHERE): MESSAGE", or "FILE: ok (no findings)". With --json, one JSON object
// per file per line: {"file", "kind": "image" or "model", "findings": [{"code", "severity",
// "message", "where" for a model's, and the figures as numbers}]}, for a model whose
// primitives carry TANGENT also "tangents": {"corners", "over_1deg", "largest_deg",
// "handedness_differs"}, or {"file", "error"} for a file that could not be read.
//
// Exit codes: 0 when no file has a warning or an error; 3 when one has; 1 when a file
// could not be read (missing, not readable, a directory, or refused by the image reader or
// the model loader), which outweighs 3; 2 for a bad command line, with nothing checked.
//
// The program needs no window and no GL: only the platform's file calls.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "check/findings.h"
#include "check/image_checks.h"
#include "check/model_checks.h"
#include "models/model.h"
#include "platform/backend.h"
#include "platform/platform.h"
#include "textures/image.h"

namespace {

constexpr const char* UsageLine = "usage: bumpcheck [--json] FILE...\n";
constexpr const char* Help =
    "Checks normal maps (BMP, PNG, TGA, JPEG) and names what is wrong with each: green\n"
    "pointing down, the sRGB curve, a two-channel map, normals into the surface, vectors\n"
    "off unit length, an object-space map, a height map given as a normal map. Checks glTF\n"
    "models (.gltf, .glb): their tangents, their normal maps, and from the seams which\n"
    "tangent frame and green convention each map was baked for.\n"
    "  --json      one JSON object per file per line instead of text\n"
    "  -h, --help  show this text and exit\n"
    "Exit codes: 0 no warning or error, 3 a warning or an error, 1 a file could not be\n"
    "read, 2 a bad command line.\n";

// No image the reader serves is larger (a 16384 x 16384 BMP of 32-bit pixels and its
// headers), and a model's file is read up to the same size; a larger file is refused
// before it is read.
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
    reason = "refused: the file is " + std::to_string(size) + " bytes, more than the 1 GiB read";
  } else {
    bytes->resize(static_cast<std::size_t>(size));
    if (Platform.ReadFromFile(file, bytes->data(), bytes->size()) != bytes->size())
      reason = "not readable (reading it stopped before its end)";
  }
  Platform.CloseFile(file, nullptr);
  return reason;
}

// Prints a file's findings; returns its exit code (0 or 3).
int Report(const char* path, const char* kind, const std::vector<Finding>& findings, bool json,
           const std::vector<FigureGroup>& groups = {}) {
  if (json) {
    std::printf("%s\n", FindingsJson(path, kind, findings, groups).c_str());
  } else if (findings.empty()) {
    std::printf("%s: ok (no findings)\n", path);
  } else {
    for (const Finding& finding : findings)
      std::printf("%s: %s\n", path, FindingLine(finding).c_str());
  }
  return HasFault(findings) ? 3 : 0;
}

// A glTF model's findings, or why it was refused (the loader's line less its file name).
std::string CheckModelFile(const char* path, const std::vector<std::uint8_t>& bytes, bool json,
                           int* status) {
  LoadedModel model;
  std::string refusal;
  if (!LoadGltf(bytes.data(), bytes.size(), path, &model, &refusal)) {
    const std::string prefix = std::string(path) + ": ";
    return "refused: " + (refusal.compare(0, prefix.size(), prefix) == 0
                              ? refusal.substr(prefix.size())
                              : refusal);
  }
  const ModelCheck check = CheckModelInDetail(model);
  std::vector<FigureGroup> groups;
  if (check.fileTangents) {
    const TangentComparison& t = check.tangents;
    groups.push_back({"tangents",
                      {{"corners", double(t.corners)},
                       {"over_1deg", t.corners ? double(t.overOneDegree) / t.corners : 0.0},
                       {"largest_deg", t.largestDegrees},
                       {"handedness_differs", double(t.handednessDiffers)}}});
  }
  *status = Report(path, "model", check.findings, json, groups);
  return "";
}

// Checks one file and prints what it found; returns its exit code (0, 1 or 3).
int CheckFile(const char* path, bool json) {
  std::vector<std::uint8_t> bytes;
  std::string reason = ReadFile(path, &bytes);
  int status = 0;
  if (reason.empty() && LooksLikeGltf(bytes.data(), bytes.size())) {
    reason = CheckModelFile(path, bytes, json, &status);
    if (reason.empty()) return status;
  }
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
  return Report(path, "image", CheckNormalMapImage(map), json);
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
