// The bump-mapped scene's state: what is drawn (light, models, camera, view and modes),
// set up once, and each frame handed to the renderer in use: the texture stages
// (stages.cpp) or the shaders (shaders.cpp).
#include "scene/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/settings.h"
#include "gl/gl.h"
#include "platform/platform.h"
#include "scene/maps.h"
#include "scene/models.h"
#include "scene/shaders.h"
#include "scene/stages.h"
#include "textures/image.h"
#include "textures/texture.h"

Vector3 LightPosition = {};
GLuint BumpTexture = 0;
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
const ViewRow Views[5] = {{View::Lit, "lit", true},
                          {View::NormalMap, "normal map", false},
                          {View::LightVectors, "light vectors", false},
                          {View::Flat, "flat", true},
                          {View::PerVertex, "per-vertex", true}};
Renderer CurrentRenderer = Renderer::Stages;
Renderer StartRenderer = Renderer::Stages;
bool CompareRenderers = false;
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

int SpecularPower() {
  // The power the stages reach on this GL; a core or ES context has no stages to ask, and
  // its shaders square as often as the power needs.
  return ContextKind == GLContextKind::Compatibility ? 1 << SpecularSquarings() : MaxSpecularPower;
}

void InitScene() {
  LightPosition = MakeVector3(0.5f, 0.0f, 1.0f);
  WallVertices[0] = MakeVector3(-1, -1, 0);
  WallVertices[1] = MakeVector3(1, -1, 0);
  WallVertices[2] = MakeVector3(1, 1, 0);
  WallVertices[3] = MakeVector3(-1, 1, 0);
  WallTexCoords[0] = MakeTexCoord2(0, 0);
  WallTexCoords[1] = MakeTexCoord2(1, 0);
  WallTexCoords[2] = MakeTexCoord2(1, 1);
  WallTexCoords[3] = MakeTexCoord2(0, 1);
  if (ContextKind == GLContextKind::Compatibility) InitStages();
  if (CurrentRenderer == Renderer::Shaders || ContextKind != GLContextKind::Compatibility)
    InitShaders();
  if (ColourMapRequired) {
    TextureImage colour;
    ReadTextureImage(ColourMapPath, true, &colour);  // ends the program when it cannot
  }
  CheckGreenChannel();
}

void RenderScene() {
  if (CompareRenderers && ContextKind == GLContextKind::Compatibility) {
    // The stages' whole frame, then the shaders' frame clipped to the right half, each
    // pixel as its renderer draws it; the divider is drawn over the seam.
    RenderStages();
    glEnable(GL_SCISSOR_TEST);
    glScissor(ScreenWidth / 2, 0, ScreenWidth - ScreenWidth / 2, ScreenHeight);
    RenderShaders();
    glDisable(GL_SCISSOR_TEST);
    const float x = static_cast<float>(ScreenWidth / 2);
    std::vector<PlainVertex> divider;
    for (const float corner : {0.0f, 1.0f})
      for (const float y : {0.0f, static_cast<float>(ScreenHeight)})
        divider.push_back({{x - 1 + corner * 2, y, 0}, {1, 1, 1, 1}});
    DrawPlainWithShaders(GL_TRIANGLE_STRIP, {divider[0], divider[1], divider[2], divider[3]}, true);
    return;
  }
  if (CurrentRenderer == Renderer::Shaders)
    RenderShaders();
  else
    RenderStages();
}

RendererDifference MeasureRendererDifference() {
  RendererDifference difference;
  if (ContextKind != GLContextKind::Compatibility) return difference;
  const int w = ScreenWidth, h = ScreenHeight;
  GLuint framebuffer = 0, buffers[2] = {};
  glGenFramebuffers(1, &framebuffer);
  glGenRenderbuffers(2, buffers);
  glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
  glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
    std::vector<std::uint8_t> frames[2];
    for (int k = 0; k < 2; ++k) {
      if (k == 0)
        RenderStages();
      else
        RenderShaders();
      frames[k].resize(static_cast<std::size_t>(w) * h * 4);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, frames[k].data());
    }
    std::size_t over = 0;
    difference.largest = 0;
    for (std::size_t i = 0; i < frames[0].size(); i += 4) {
      int most = 0;
      for (int c = 0; c < 3; ++c)
        most = std::max(most, std::abs(frames[0][i + c] - frames[1][i + c]));
      difference.largest = std::max(difference.largest, most);
      over += most > 2;
    }
    difference.share = static_cast<double>(over) / (static_cast<double>(w) * h);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteRenderbuffers(2, buffers);
  return difference;
}
