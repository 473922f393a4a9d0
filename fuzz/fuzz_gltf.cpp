// libFuzzer target over the glTF loader: each input is the whole of a .gltf or .glb file,
// loaded in memory from a folder with nothing else in it. A loaded model must hold
// triangles whose indices are in range, finite positions within the placed bounds, images
// as large as their sizes say and per-vertex arrays as long as the vertices; a refused file
// must come with one line that names it, and an empty model.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "models/model.h"
#include "platform/platform.h"

namespace {

const char* const Path = "fuzz/model.gltf";

bool Finite(Vector3 v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // No file a model names exists: the loader's file calls meet a missing file.
  Platform.KindOfPath = [](const char*) { return PathKind::Missing; };
  Platform.OpenFileForReading = [](const char*) { return NoFile; };
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  LoadedModel model;
  std::string refusal;
  // A quarter of a million triangles and 4 megapixels an image: larger ones are slow, not
  // wrong, and the limits are the loader's own checks.
  ModelLimits limits;
  limits.maxTriangles = 1u << 18;
  limits.maxImagePixels = 1u << 22;
  if (!LoadGltf(data, size, Path, &model, &refusal, limits)) {
    Check(refusal.rfind(std::string(Path) + ": ", 0) == 0 &&
          refusal.find('\n') == std::string::npos && model.parts.empty() && model.images.empty());
    return 0;
  }
  Check(refusal.empty() && !model.parts.empty() && model.triangleCount > 0 &&
        model.triangleCount <= limits.maxTriangles);
  for (const TextureImage& image : model.images)
    Check(image.width > 0 && image.height > 0 &&
          image.pixels.size() == static_cast<std::size_t>(image.width) * image.height * 3);
  for (const ModelPart& part : model.parts) {
    const std::size_t vertices = part.mesh.vertices.size();
    Check(part.mesh.triangles.size() % 3 == 0);
    for (std::uint32_t index : part.mesh.triangles) Check(index < vertices);
    for (const MeshVertex& v : part.mesh.vertices)
      Check(Finite(v.position) && std::fabs(v.position.x) <= 1.001f &&
            std::fabs(v.position.y) <= 1.001f && std::fabs(v.position.z) <= 1.001f);
    Check(part.normalImage < static_cast<int>(model.images.size()) &&
          part.colourImage < static_cast<int>(model.images.size()));
    Check(part.colourTexCoords.empty() || part.colourTexCoords.size() == vertices);
    Check(part.tangentsFromFile ? part.fileTangents.size() == vertices : part.fileTangents.empty());
  }
  return 0;
}
