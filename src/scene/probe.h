// The pixel probe: for one window pixel, every term that made its colour, worked out on the
// CPU from the scene's own data (the mesh and the camera, the maps' texels, the filters the
// textures use, the cube map's faces), the pixel that prediction gives, and the pixel the GL
// drew, read back, to check it against.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "scene/scene.h"

// What the ray through the pixel's centre meets first.
enum class ProbeSeen { Outside, Background, Marker, Divider, WallBack, Surface };

struct ProbeTerms {
  int x = 0, y = 0;  // window pixel, origin at the top left
  ProbeSeen seen = ProbeSeen::Outside;
  Model model = Model::Wall;
  int view = 1;
  Renderer renderer = Renderer::Stages;

  // The surface point: its part (the mesh of the model it lies on), its triangle (the first
  // of its three indices into the mesh), the perspective-correct barycentric weights of its
  // corners, its distance from the eye; the corners' tangents and handedness w.
  int part = 0;
  int triangle = -1;
  std::array<std::array<double, 3>, 3> cornerTangents = {};
  std::array<int, 3> cornerW = {};
  bool perPixelBasis = false;  // the shaders' frame rebuilt at the pixel
  std::array<int, 3> corners = {};
  std::array<double, 3> weights = {};
  double depth = 0;
  double s = 0, t = 0;

  // The normal map as the texture unit filters it: the level of detail, the two mipmap
  // levels it blends and the weight of the second, the filtered texel and its normal.
  double lod = 0;
  int level = 0;
  double levelWeight = 0;
  std::array<int, 3> normalTexel = {};
  std::array<double, 3> normal = {};

  // The tangent-space light vector as interpolated, the cube-map face and texel position it
  // selects (texel units of the 32-texel face), the filtered texel and its direction.
  std::array<double, 3> light = {};
  int cubeFace = 0;
  double cubeU = 0, cubeV = 0;
  std::array<int, 3> cubeTexel = {};
  std::array<double, 3> cubeDirection = {};

  int dot3 = 0;       // the dot-product stage's result, 0 to 255
  double shadow = 1;  // the self-shadowing factor that multiplies it (1: none applied)
  bool shadowApplied = false;
  bool colourOn = false;
  std::array<int, 3> colourTexel = {};
  bool specularOn = false;
  int specularPower = 0;
  std::array<double, 3> half = {};    // the interpolated half-angle vector
  std::array<int, 3> halfTexel = {};  // its cube-map texel
  int halfDot3 = 0;                   // N . H as the stage forms it, 0 to 255
  int specular = 0;                   // the highlight added, 0 to 255
  double vertexLight = 0;             // view 5: the GL's per-vertex term, interpolated

  // The largest difference between blended texels of one channel, per filtered lookup:
  // how far the filter's 8-bit weight steps can move each result.
  int normalSpread = 0, cubeSpread = 0, colourSpread = 0, halfSpread = 0;

  std::array<int, 3> predicted = {};
  bool actualRead = false;
  std::array<int, 3> actual = {};
};

// The terms of pixel (x, y) for the frame RenderScene draws in the scene's state now.
ProbeTerms PredictPixel(int x, int y);

// Reads the pixel the GL drew at the probe's place in the back buffer (after RenderScene,
// before anything is drawn over it) into terms->actual. A pixel outside the window is
// left unread.
void ReadProbedPixel(ProbeTerms* terms);

// One JSON object on one line (no newline).
std::string ProbeJson(const ProbeTerms& terms);

// The panel's lines for the probe, each short enough for the panel's width.
std::vector<std::string> ProbeLines(const ProbeTerms& terms);

// For tests that check the check: terms left out of the prediction on purpose, as bits.
enum ProbeOmission : unsigned {
  OmitNone = 0,
  OmitNormalMap = 1u << 0,    // the flat normal instead of the normal map's texel
  OmitCubeMap = 1u << 1,      // 0.5 + 0.5 of the raw interpolated vector
  OmitPerspective = 1u << 2,  // window-space weights, as if no perspective correction
  OmitMipmaps = 1u << 3,      // level 0 only, whatever the footprint
  OmitShadow = 1u << 4,       // no self-shadowing factor
  OmitColour = 1u << 5,       // no colour map
  OmitSpecular = 1u << 6,     // no highlight
};
extern unsigned ProbeOmissions;

// The probe the user asked for with the mouse or --probe, shown each frame while set.
struct ActiveProbe {
  bool set = false;
  int x = 0, y = 0;
  ProbeTerms terms;
};
extern ActiveProbe CurrentProbe;

// Works out and reads back the current probe for the frame just drawn (call right after
// RenderScene); nothing when none is set.
void UpdateCurrentProbe();

// A small cross at the current probe's pixel, in window pixels; nothing when none is set.
void DrawProbeMarker();
