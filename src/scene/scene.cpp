// The bump-mapped scene's state: what is drawn (light, models, camera, view and modes),
// set up once, and each frame handed to the renderer in use: the texture stages
// (stages.cpp) or the shaders (shaders.cpp).
#include "scene/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "check/model_checks.h"
#include "common/settings.h"
#include "common/state.h"
#include "gl/gl.h"
#include "platform/platform.h"
#include "scene/font.h"
#include "scene/maps.h"
#include "scene/models.h"
#include "scene/overlay.h"
#include "scene/scene_terms.h"
#include "textures/bmp.h"
#include "textures/image.h"
#include "textures/texture.h"

Vector3 LightPosition = {};
GLuint BumpTexture = 0;
GLuint SharedBumpTexture = 0;
GLuint NormalizationCubeMap = 0;
GLUquadric* LightQuadric = nullptr;
Vector3 WallVertices[4] = {};
TexCoord2 WallTexCoords[4] = {};
Vector3 LightVectors[4] = {};
CameraState Camera;
View CurrentView = View::Lit;
View StartView = View::Lit;
Model CurrentModel = Model::Wall;
Model StartModel = Model::Wall;
bool ShowColour = false;
bool ShowSpecular = false;
bool StartSpecular = false;
bool StartColour = false;
bool ForceTwoTextureUnits = false;
const char* ColourMapPath = "Textures\\wall_colour.bmp";
bool ColourMapRequired = false;
ColourMapState ColourMapStatus = ColourMapState::NotRead;
const char* NormalMapPath = ShippedNormalMap;
const ViewRow Views[6] = {{View::Lit, "lit", true},
                          {View::NormalMap, "normal map", false},
                          {View::LightVectors, "light vectors", false},
                          {View::Flat, "flat", true},
                          {View::PerVertex, "per-vertex", true},
                          {View::Tangents, "tangents", false}};
Renderer CurrentRenderer = Renderer::Stages;
Renderer StartRenderer = Renderer::Stages;
bool CompareRenderers = false;
LoadedModel FileModel;
std::string FileModelPath;
const char* StartModelPath = nullptr;
Basis CurrentBasis = Basis::Vertex;
Basis StartBasis = Basis::Vertex;
bool StartCompareRenderers = false;

// The curved models, made when first drawn. Sizes keep the orbiting light outside them
// at every height; the tessellation gives a round silhouette and smooth light vectors.
// The normal map repeats so that bricks keep about their shape: the sphere's equator is
// twice its pole-to-pole length, the torus's mean circumference 2.4 times its tube's.
const Mesh& ModelMesh(Model model) {
  static const Mesh sphere = MakeSphere(0.7f, 48, 24, 4, 2);
  static const Mesh torus = MakeTorus(0.6f, 0.25f, 64, 24, 6, 2);
  return model == Model::Sphere ? sphere : torus;
}

namespace {
unsigned ModelRevision = 0;
std::vector<Finding> ModelFindings;
}  // namespace

unsigned FileModelRevision() {
  return ModelRevision;
}

bool LoadFileModel(const char* path, std::string* refusal) {
  LoadedModel model;
  if (!ReadModelFile(path, &model, refusal)) return false;
  FileModel = std::move(model);
  FileModelPath = path;
  ++ModelRevision;
  ModelFindings = CheckModel(FileModel);
  for (const Finding& finding : ModelFindings)
    PrintNote("bumpdemo: " + NativePath(path) + ": " + FindingLine(finding));
  return true;
}

std::vector<std::string> FileModelCheckLines() {
  std::string line;
  for (const Finding& finding : ModelFindings)
    if (line.find(" " + finding.code) == std::string::npos)  // each code once
      line += std::string(line.empty() ? "" : ";") + " " + SeverityName(finding.severity) + " " +
              finding.code;
  return {"Model check:" + (line.empty() ? std::string(" no fault found") : line)};
}

Model NextModel(Model model) {
  switch (model) {
    case Model::Wall:
      return Model::Sphere;
    case Model::Sphere:
      return Model::Torus;
    case Model::Torus:
      return FileModel.parts.empty() ? Model::Wall : Model::File;
    case Model::File:
      break;
  }
  return Model::Wall;
}

std::string ModelName(Model model) {
  switch (model) {
    case Model::Wall:
      return "wall";
    case Model::Sphere:
      return "sphere";
    case Model::Torus:
      return "torus";
    case Model::File:
      break;
  }
  const std::size_t slash = FileModelPath.find_last_of("/\\");
  return slash == std::string::npos ? FileModelPath : FileModelPath.substr(slash + 1);
}

std::vector<DrawnPart> DrawnParts() {
  static Mesh wall;
  std::vector<DrawnPart> parts;
  if (CurrentModel == Model::Wall) {
    wall = WallMesh();
    DrawnPart part;
    part.mesh = &wall;
    part.wall = true;
    parts.push_back(part);
  } else if (CurrentModel == Model::File) {
    for (const ModelPart& model : FileModel.parts) {
      DrawnPart part;
      part.mesh = &model.mesh;
      part.colourTexCoords = model.colourTexCoords.empty() ? nullptr : &model.colourTexCoords;
      part.normalImage = model.normalImage;
      part.colourImage = model.colourImage;
      parts.push_back(part);
    }
  } else {
    DrawnPart part;
    part.mesh = &ModelMesh(CurrentModel);
    parts.push_back(part);
  }
  return parts;
}

std::string LoadingNote(const char* path, bool model) {
  const std::string name = NativePath(path);
  if (model) {
    const PlatformFile file = Platform.OpenFileForReading(name.c_str());
    if (file == NoFile) return "";
    const std::uint64_t bytes = Platform.FileSize(file);
    Platform.CloseFile(file, nullptr);
    if (bytes < LongLoadModelBytes) return "";
    return "Loading " + name + " (" + std::to_string(bytes >> 20) + " MB) ...";
  }
  std::int32_t width = 0, height = 0;
  // An image too large to be read is refused at once: nothing to wait for.
  if (!ReadImageSize(path, &width, &height) ||
      static_cast<long long>(width) * height < LongLoadPixels || width > MaxBitmapEdge ||
      height > MaxBitmapEdge)
    return "";
  return "Loading " + name + " (" + std::to_string(width) + " x " + std::to_string(height) +
         " pixels) ...";
}

std::string StartLoadingNote() {
  std::string note;
  if (StartModelPath) note = LoadingNote(StartModelPath, true);
  const char* map = HeightMapPath ? HeightMapPath : NormalMapPath;
  const std::string mapNote = LoadingNote(map, false);
  if (!mapNote.empty()) note = note.empty() ? mapNote : note + "; " + mapNote;
  return note;
}

void DrawLoadingFrame(const std::string& note) {
  // Words to lines that fit the window.
  const int columns = (ScreenWidth - 2 * TextPanelMargin) / (FontAdvance * TextPanelScale);
  std::vector<std::string> lines(1);
  std::size_t start = 0;
  while (start < note.size()) {
    std::size_t end = note.find(' ', start);
    if (end == std::string::npos) end = note.size();
    const std::string word = note.substr(start, end - start);
    if (!lines.back().empty() && static_cast<int>(lines.back().size() + 1 + word.size()) > columns)
      lines.emplace_back();
    lines.back() += (lines.back().empty() ? "" : " ") + word;
    start = end + 1;
  }
  glViewport(0, 0, ScreenWidth, ScreenHeight);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawTextPanel(lines);
}

void NoteColourMapRead(bool loaded) {
  ColourMapStatus = loaded ? ColourMapState::Loaded : ColourMapState::Unreadable;
  if (!loaded && Platform.KindOfPath(NativePath(ColourMapPath).c_str()) == PathKind::Missing)
    ColourMapStatus = ColourMapState::NotFound;
}

bool WallBackShown() {
  return CurrentModel == Model::Wall && CurrentViewRow().lit && CameraBehindWall();
}

const ViewRow& CurrentViewRow() {
  return Views[static_cast<int>(CurrentView) - 1];
}

Vector3 CameraEye() {
  if (!Camera.moved) return MakeVector3(2, 2, 2);
  const double ground = Camera.distance * std::cos(Camera.elevation);
  return MakeVector3(static_cast<float>(ground * std::cos(Camera.azimuth)),
                     static_cast<float>(ground * std::sin(Camera.azimuth)),
                     static_cast<float>(Camera.distance * std::sin(Camera.elevation)));
}

void OrbitCamera(float azimuth, float elevation) {
  Camera.azimuth = std::remainder(Camera.azimuth + azimuth, 6.28318531f);
  Camera.elevation =
      std::clamp(Camera.elevation + elevation, -MaxCameraElevation, MaxCameraElevation);
  Camera.moved = true;
}

void ZoomCamera(int notches) {
  Camera.distance = std::clamp(Camera.distance * std::pow(0.9f, static_cast<float>(notches)),
                               MinCameraDistance, MaxCameraDistance);
  Camera.moved = true;
}

void ResetCamera() {
  Camera = CameraState();
}

bool CameraBehindWall() {
  return Camera.moved && CameraEye().z < 0;
}
