// The normal map's source, replacement and green channel.
#include "scene/maps.h"

#include <cstdio>
#include <cstdlib>

#include "common/state.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "textures/green_check.h"
#include "textures/image.h"
#include "textures/normal_map.h"

const char* HeightMapPath = nullptr;
double HeightMapStrength = DefaultStrength;
bool HeightMapGiven = false;
bool StartFlipGreen = false;
void (*NormalMapReplaced)(const TextureImage& image) = nullptr;

namespace {

std::string Verdict;
unsigned Revision = 0;

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
void Replace(const TextureImage& image) {
  ++Revision;
  if (NormalMapReplaced) NormalMapReplaced(image);
}

// Paths of dropped files, kept for as long as they are the source.
std::string DroppedNormalMap, DroppedHeightMap;

}  // namespace

bool ReadNormalMapImage(bool required, TextureImage* image) {
  if (HeightMapPath) return ReadHeightMap(HeightMapPath, required, image);
  return ReadTextureImage(NormalMapPath, required, image);
}

void ReloadNormalMap() {
  TextureImage image;
  if (ReadNormalMapImage(false, &image)) Replace(image);
  CheckGreenChannel();
}

std::string LoadDroppedImage(const char* path) {
  const ParsedImage dropped = ReadImageFile(path, true);
  if (!dropped.refusal.empty()) return "Refused " + std::string(path) + ": " + dropped.refusal;
  TextureImage image;
  if (HeightMapGiven || dropped.grey) {
    DroppedHeightMap = path;
    HeightMapPath = DroppedHeightMap.c_str();
    image = NormalMapOfHeights(HeightsOfImage(dropped), HeightMapStrength);
  } else {
    DroppedNormalMap = path;
    NormalMapPath = DroppedNormalMap.c_str();
    HeightMapPath = nullptr;
    image = TextureImage{dropped.width, dropped.height, dropped.pixels};
  }
  if (FlipGreenChannel) FlipGreen(&image);
  Replace(image);
  CheckGreenChannel();
  return (HeightMapPath ? "Height map: " : "Normal map: ") + std::string(path);
}

void CheckGreenChannel() {
  Verdict.clear();
  if (HeightMapPath) {
    if (FlipGreenChannel)
      Verdict =
          "a map made from heights has green pointing up by construction: flipping it (Y, "
          "--flip-green) turns its relief the wrong way round";
  } else {
    const ParsedImage map = ReadImageFile(NormalMapPath, false);
    if (!map.refusal.empty()) return;
    TextureImage image{map.width, map.height, map.pixels};
    if (FlipGreenChannel) FlipGreen(&image);
    Verdict = GreenVerdict(MeasureGreenFit(image), FlipGreenChannel);
  }
  if (!Verdict.empty()) PrintNote("bumpdemo: " + Verdict);
}

unsigned NormalMapRevision() {
  return Revision;
}

const std::string& GreenChannelVerdict() {
  return Verdict;
}
