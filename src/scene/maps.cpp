// The normal map's source, its replacement, and the checks of the map as it is drawn.
#include "scene/maps.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "check/image_checks.h"
#include "common/state.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "textures/image.h"
#include "textures/normal_map.h"

const char* HeightMapPath = nullptr;
double HeightMapStrength = DefaultStrength;
bool HeightMapGiven = false;
bool StartFlipGreen = false;
bool RebuildBlueGiven = false;
void (*NormalMapReplaced)(TextureImage image) = nullptr;

namespace {

unsigned Revision = 0;
// The running map's findings, and whether its blue is rebuilt from red and green.
std::vector<Finding> Findings;
bool BlueRebuilt = false;

void FlipGreen(TextureImage* image) {
  for (std::size_t i = 1; i < image->pixels.size(); i += 3)
    image->pixels[i] = static_cast<std::uint8_t>(255 - image->pixels[i]);
}

// The normal map made from the height map at path.
bool ReadHeightMap(const char* path, bool required, TextureImage* image) {
  const ParsedImage heights = ReadImageFile(path, true);
  if (!heights.refusal.empty()) {
    if (!required) return false;
    const std::string text = "Unable to load " + DisplayPath(path);
    Platform.ShowMessageBox(text.c_str(), "Loading Textures", MB_OK);
    std::exit(1);
  }
  *image = NormalMapOfHeights(HeightsOfImage(heights), HeightMapStrength);
  if (FlipGreenChannel) FlipGreen(image);
  return true;
}

// Hands the image to every renderer set up so far.
void Replace(TextureImage image) {
  ++Revision;
  if (NormalMapReplaced) NormalMapReplaced(std::move(image));
}

// The map's texels as the last check read them (green flipped, blue rebuilt as it is drawn),
// kept for the renderer that loads it next, so that a file is decoded once for both.
TextureImage Checked;

// Paths of dropped files, kept for as long as they are the source.
std::string DroppedNormalMap, DroppedHeightMap;

}  // namespace

bool ReadNormalMapImage(bool required, TextureImage* image) {
  if (HeightMapPath) return ReadHeightMap(HeightMapPath, required, image);
  if (!Checked.pixels.empty()) {
    *image = std::move(Checked);
    Checked = TextureImage();
    return true;
  }
  if (!ReadTextureImage(NormalMapPath, required, image)) return false;
  if (BlueRebuilt) RebuildBlue(image);
  return true;
}

bool NormalMapIsFileAsItIs() {
  return !HeightMapPath && !BlueRebuilt;
}

void ReleaseCheckedNormalMap() {
  Checked = TextureImage();
}

namespace {

// ReloadNormalMap, with the file's image already read when given.
void Reload(ParsedImage* read) {
  CheckNormalMapRead(read);
  TextureImage image;
  if (ReadNormalMapImage(false, &image)) Replace(std::move(image));
}

}  // namespace

void ReloadNormalMap() {
  Reload(nullptr);
}

std::string LoadDroppedImage(const char* path) {
  ParsedImage dropped = ReadImageFile(path, true);
  if (!dropped.refusal.empty()) return "Refused " + std::string(path) + ": " + dropped.refusal;
  if (HeightMapGiven || dropped.grey) {
    DroppedHeightMap = path;
    HeightMapPath = DroppedHeightMap.c_str();
  } else {
    DroppedNormalMap = path;
    NormalMapPath = DroppedNormalMap.c_str();
    HeightMapPath = nullptr;
  }
  // The image read here is the one checked and drawn: the file is not read again.
  Reload(HeightMapPath ? nullptr : &dropped);
  return (HeightMapPath ? "Height map: " : "Normal map: ") + std::string(path);
}

void CheckNormalMap() {
  CheckNormalMapRead(nullptr);
}

void CheckNormalMapRead(ParsedImage* read) {
  Findings.clear();
  BlueRebuilt = false;
  Checked = TextureImage();
  const std::string source = NativePath(HeightMapPath ? HeightMapPath : NormalMapPath);
  if (HeightMapPath) {
    // Made here from heights, its green fits by construction: only a flip can spoil it.
    if (FlipGreenChannel) {
      Finding flipped;
      flipped.code = "green-down";
      flipped.severity = Severity::Warning;
      flipped.message =
          "made from heights, green points up by construction: the flip (Y, --flip-green) turns "
          "the relief the wrong way round";
      Findings.push_back(flipped);
    }
  } else {
    ParsedImage map = read ? std::move(*read) : ReadImageFile(NormalMapPath, false);
    if (!map.refusal.empty()) return;  // loading it says why
    TextureImage image{map.width, map.height, {}};
    image.pixels.swap(map.pixels);
    if (FlipGreenChannel) FlipGreen(&image);
    Findings = CheckNormalMapImage(image);
    // The remedy as this program offers it: Y flips the running map either way.
    for (Finding& finding : Findings) {
      const std::size_t at = finding.message.find(": invert the green channel");
      if (finding.code == "green-down" && at != std::string::npos)
        finding.message.replace(at, std::string::npos,
                                FlipGreenChannel ? ", with green flipped: press Y, or leave out "
                                                   "--flip-green"
                                                 : ": press Y, or load the map with --flip-green");
    }
    // A two-channel map draws black until its blue is rebuilt: it is, saying so.
    BlueRebuilt = RebuildBlueGiven;
    for (const Finding& finding : Findings)
      BlueRebuilt |= finding.code == "two-channel" && finding.severity != Severity::Info;
    if (BlueRebuilt) RebuildBlue(&image);
    Checked = std::move(image);
  }
  for (const Finding& finding : Findings)
    PrintNote("bumpdemo: " + source + ": " + FindingLine(finding));
  if (BlueRebuilt)
    PrintNote("bumpdemo: " + source + ": blue rebuilt from red and green as sqrt(1 - x^2 - y^2)" +
              (RebuildBlueGiven ? " (--rebuild-blue)" : ""));
}

std::vector<std::string> NormalMapCheckLines() {
  std::string line;
  for (const Finding& finding : Findings)
    line +=
        std::string(line.empty() ? "" : "; ") + SeverityName(finding.severity) + " " + finding.code;
  std::vector<std::string> lines = {
      "Check: " + (line.empty() ? std::string(HeightMapPath ? "made from heights, fits by "
                                                              "construction"
                                                            : "no fault found")
                                : line)};
  if (BlueRebuilt) lines.push_back("Check: blue rebuilt from red and green");
  return lines;
}

unsigned NormalMapRevision() {
  return Revision;
}
