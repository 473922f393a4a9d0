// The pixel probe on real GL (Mesa's llvmpipe through SDL's offscreen driver): its
// prediction of each pixel from the scene's own data against the pixel the GL drew, for a
// grid of pixels over every model, view, mode and renderer; and the same check failing
// when a term is left out of the prediction or out of the drawing on purpose.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/settings.h"
#include "gl/gl.h"
#include "platform/backend.h"
#include "scene/probe.h"
#include "scene/scene.h"
#include "scene/shader_sources.h"
#include "scene/shaders.h"
#include "window/window.h"

namespace fs = std::filesystem;

namespace {

class Probe : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    unsetenv("DISPLAY");
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    char dir[] = "/tmp/bumpdemo-probe-XXXXXX";
    RunDir = mkdtemp(dir);
    fs::copy(fs::path(BUMPDEMO_ASSETS_DIR) / "Textures", RunDir + "/Textures");
    fs::create_directory(RunDir + "/system");
    ASSERT_EQ(chdir(RunDir.c_str()), 0);
    InstallPlatformBackend();
    InitGLBinding();
    ASSERT_TRUE(CreateRenderWindow());
    InitScene();
  }
  static void TearDownTestSuite() {
    DestroyRenderWindow();
    fs::remove_all(RunDir);
  }
  void TearDown() override {
    CurrentView = View::Lit;
    CurrentModel = Model::Wall;
    CurrentRenderer = Renderer::Stages;
    ShowColour = ShowSpecular = false;
    ProbeOmissions = OmitNone;
    ShaderTextFilter = nullptr;
    ReleaseShaders();
    ResetCamera();
  }
  static inline std::string RunDir;
};

// The tolerance of one probe, in levels, worked out here from the terms the probe reports:
// half a level for the framebuffer's rounding (one where the stages round the first pass
// before the highlight is blended on), plus each filtered texel's error carried through
// the arithmetic that uses it. A filtered texel is good to TexelError bytes: llvmpipe
// steps the bilinear weights and the mipmap blend in 1/256ths, so each of the three
// blends (along s, along t, between the levels) may move the result by up to 1/256 of the
// largest difference between the texels it blends, and the unit hands the result on as a
// byte (half a byte more). The GL may round the other way: one byte in all.
double TexelError(int spread) {
  return 1.0 + 3.0 * spread / 256;
}

double Tolerance(const ProbeTerms& p) {
  if (p.seen != ProbeSeen::Surface) return 0.5;
  const double en = TexelError(p.normalSpread) / 255, el = TexelError(p.cubeSpread) / 255;
  // The change of GL_DOT3_RGB's 4 sum (a - .5)(b - .5) for errors ea in a and eb in b.
  auto dot3Error = [](const std::array<int, 3>& a, double ea, const std::array<int, 3>& b,
                      double eb) {
    double d = 0;
    for (int c = 0; c < 3; ++c)
      d += 4 * (ea * std::fabs(b[c] / 255.0 - 0.5) + eb * std::fabs(a[c] / 255.0 - 0.5));
    return d;
  };
  switch (p.view) {
    case 2:
      return 0.5 + en * 255;
    case 3:
      return 0.5 + el * 255;
    case 4:
      return 0.5 + 2 * el * 255;  // 4 x (1 - 0.5) x the cube texel's blue
    case 5:
      return 1.0;
    default:
      break;
  }
  const double dot3 = p.dot3 / 255.0;
  double colour = 1, dColour = 0;
  if (p.colourOn) {
    colour = *std::max_element(p.colourTexel.begin(), p.colourTexel.end()) / 255.0;
    dColour = TexelError(p.colourSpread) / 255;
  }
  double error =
      (dot3Error(p.normalTexel, en, p.cubeTexel, el) * colour + dot3 * dColour) * p.shadow;
  double rounding = 0.5;
  if (p.specularOn) {
    // h^p: its slope p h^(p-1) times the error of N . H, which its two texels carry.
    const double h = std::min(1.0, p.halfDot3 / 255.0 + dot3Error(p.normalTexel, en, p.halfTexel,
                                                                  TexelError(p.halfSpread) / 255));
    const double slope = p.specularPower * std::pow(h, p.specularPower - 1);
    error += slope * dot3Error(p.normalTexel, en, p.halfTexel, TexelError(p.halfSpread) / 255) *
             p.shadow;
    if (p.renderer == Renderer::Stages) rounding = 1.0;
  }
  return rounding + error * 255;
}

struct Agreement {
  int probed = 0, compared = 0, over = 0, worst = 0, offAtAll = 0;
  double worstMargin = -1e9;  // largest difference minus tolerance
  double medianTolerance = 0;
  std::string firstOver;
};

// Probes a grid of pixels (every 16th, alternating odd and even columns and rows so both
// places in the rasteriser's 2 x 2 blocks are met) in the frame drawn now, and compares the
// prediction with the read-back. Pixels whose neighbours see something else (a silhouette,
// the marker's edge, a fold of the torus) are left out: the GL's edge rules decide them.
Agreement CompareGrid() {
  RenderScene();
  glFinish();
  std::vector<std::uint8_t> frame(ScreenWidth * ScreenHeight * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, ScreenWidth, ScreenHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
  Agreement a;
  std::vector<double> tolerances;
  for (int gy = 0; gy < 30; ++gy) {
    for (int gx = 0; gx < 40; ++gx) {
      const int x = gx * 16 + 5 + gy % 2, y = gy * 16 + 5 + gx % 2;
      ProbeTerms p = PredictPixel(x, y);
      ++a.probed;
      bool edge = false;
      for (const auto& d : {std::make_pair(-1, 0), std::make_pair(1, 0), std::make_pair(0, -1),
                            std::make_pair(0, 1)}) {
        const ProbeTerms q = PredictPixel(x + d.first, y + d.second);
        edge |= q.seen != p.seen || std::fabs(q.depth - p.depth) > 0.02;
      }
      // A centre on the edge between two triangles of the mesh: the GL's tie rule may give
      // it to the other, whose plane gives other derivatives and so another mipmap blend.
      edge |= p.seen == ProbeSeen::Surface &&
              *std::min_element(p.weights.begin(), p.weights.end()) < 0.002;
      if (edge) continue;
      const std::uint8_t* rgba = &frame[((ScreenHeight - 1 - y) * ScreenWidth + x) * 4];
      p.actual = {rgba[0], rgba[1], rgba[2]};
      p.actualRead = true;
      ++a.compared;
      int most = 0;
      for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(p.predicted[c] - p.actual[c]));
      const double tolerance = Tolerance(p);
      if (p.seen == ProbeSeen::Surface) tolerances.push_back(tolerance);
      a.worst = std::max(a.worst, most);
      a.offAtAll += most > 0;
      a.worstMargin = std::max(a.worstMargin, most - tolerance);
      if (most > tolerance && a.over++ == 0) a.firstOver = ProbeJson(p);
    }
  }
  if (!tolerances.empty()) {
    std::nth_element(tolerances.begin(), tolerances.begin() + tolerances.size() / 2,
                     tolerances.end());
    a.medianTolerance = tolerances[tolerances.size() / 2];
  }
  return a;
}

struct Mode {
  Model model;
  View view;
  bool colour, specular;
  Renderer renderer;
};

std::vector<Mode> AllModes() {
  std::vector<Mode> modes;
  for (const Renderer r : {Renderer::Stages, Renderer::Shaders})
    for (const Model m : {Model::Wall, Model::Sphere, Model::Torus})
      for (int v = 1; v <= 5; ++v)
        for (const bool on : {false, true}) modes.push_back({m, static_cast<View>(v), on, on, r});
  return modes;
}

void Apply(const Mode& m) {
  CurrentModel = m.model;
  CurrentView = m.view;
  ShowColour = m.colour;
  ShowSpecular = m.specular;
  CurrentRenderer = m.renderer;
  LightPosition = MakeVector3(0.55f, 0.35f, 1.1f);
}

std::string Name(const Mode& m) {
  const char* models[] = {"wall", "sphere", "torus"};
  return std::string(models[static_cast<int>(m.model)]) + " view " +
         std::to_string(static_cast<int>(m.view)) + (m.colour ? " colour+specular" : "") +
         (m.renderer == Renderer::Stages ? " stages" : " shaders");
}

TEST_F(Probe, PredictionMatchesTheDrawnPixelEverywhere) {
  for (const Mode& m : AllModes()) {
    Apply(m);
    const Agreement a = CompareGrid();
    std::printf(
        "%-38s compared %4d of %4d, off %4d, worst %3d, worst margin %+.1f, median tolerance "
        "%.1f\n",
        Name(m).c_str(), a.compared, a.probed, a.offAtAll, a.worst, a.worstMargin,
        a.medianTolerance);
    EXPECT_GT(a.compared, m.model == Model::Wall ? 400 : 150) << Name(m);
    EXPECT_EQ(a.over, 0) << Name(m) << ": " << a.firstOver;
  }
}

// A text replacement in the shaders, for the faults put into the drawing.
std::vector<std::pair<std::string, std::string>> Replacements;
std::string ReplaceInShaders(const std::string& text) {
  std::string out = text;
  for (const auto& r : Replacements)
    for (std::size_t at = out.find(r.first); at != std::string::npos;
         at = out.find(r.first, at + r.second.size()))
      out.replace(at, r.first.size(), r.second);
  return out;
}

// Each term left out of the prediction, and each left out of the drawing, in a mode where
// the term shows: the check above must find pixels beyond their tolerance.
TEST_F(Probe, LeavingOutAnyTermFailsTheCheck) {
  const Mode wallLit = {Model::Wall, View::Lit, false, false, Renderer::Stages};
  const Mode wallBoth = {Model::Wall, View::Lit, true, true, Renderer::Stages};
  const Mode wallNormals = {Model::Wall, View::NormalMap, false, false, Renderer::Stages};
  const Mode sphereLit = {Model::Sphere, View::Lit, false, false, Renderer::Stages};
  const Mode torusLit = {Model::Torus, View::Lit, false, false, Renderer::Stages};
  auto shaders = [](Mode m) {
    m.renderer = Renderer::Shaders;
    return m;
  };
  struct Fault {
    const char* name;
    Mode mode;
    unsigned omission;                                         // out of the prediction
    std::vector<std::pair<std::string, std::string>> drawing;  // out of the shaders' drawing
    bool linearNormalMap;  // the stages' normal map without its mipmaps
  };
  const std::vector<Fault> faults = {
      {"prediction without the normal map", wallLit, OmitNormalMap, {}, false},
      {"prediction without the cube map", sphereLit, OmitCubeMap, {}, false},
      {"prediction without perspective correction", wallNormals, OmitPerspective, {}, false},
      {"prediction without mipmaps", wallNormals, OmitMipmaps, {}, false},
      {"prediction without self-shadowing", torusLit, OmitShadow, {}, false},
      {"prediction without the colour map", wallBoth, OmitColour, {}, false},
      {"prediction without the highlight", wallBoth, OmitSpecular, {}, false},
      {"drawing without the normal map",
       shaders(wallLit),
       OmitNone,
       {{"vec3 normal = texture(u_normalMap, v_texcoord).rgb;",
         "vec3 normal = vec3(0.5, 0.5, 1.0);"}},
       false},
      {"drawing without the cube map",
       shaders(sphereLit),
       OmitNone,
       {{"vec3 light = texture(u_cubeMap, lightVector).rgb;",
         "vec3 light = 0.5 + 0.5 * lightVector;"}},
       false},
      {"drawing without perspective correction",
       shaders(wallNormals),
       OmitNone,
       {{"out vec2 v_texcoord;", "noperspective out vec2 v_texcoord;"},
        {"\nin vec2 v_texcoord;", "\nnoperspective in vec2 v_texcoord;"}},
       false},
      {"drawing without mipmaps (shaders)",
       shaders(wallNormals),
       OmitNone,
       {{"texture(u_normalMap, v_texcoord)", "textureLod(u_normalMap, v_texcoord, 0.0)"}},
       false},
      {"drawing without mipmaps (stages)", wallNormals, OmitNone, {}, true},
      {"drawing without self-shadowing",
       shaders(torusLit),
       OmitNone,
       {{"colour *= shade;", ""}},
       false},
      {"drawing without the colour map",
       shaders(wallBoth),
       OmitNone,
       {{"colour *= texture(u_colourMap, v_colourTexcoord).rgb;", ""}},
       false},
      {"drawing without the highlight",
       shaders(wallBoth),
       OmitNone,
       {{"colour = clamp(colour + highlight, 0.0, 1.0);", ""}},
       false},
  };
  for (const Fault& f : faults) {
    Apply(f.mode);
    ProbeOmissions = f.omission;
    Replacements = f.drawing;
    for (const auto& r : f.drawing)
      ASSERT_NE((std::string(BumpVertexShader) + BumpFragmentShader).find(r.first),
                std::string::npos)
          << f.name << ": the fault edits no text";
    ShaderTextFilter = f.drawing.empty() ? nullptr : ReplaceInShaders;
    ReleaseShaders();
    if (f.linearNormalMap) {
      glBindTexture(GL_TEXTURE_2D, BumpTexture);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
    const Agreement a = CompareGrid();
    if (f.linearNormalMap) {
      glBindTexture(GL_TEXTURE_2D, BumpTexture);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    }
    std::printf("%-46s %4d of %4d pixels beyond tolerance, worst %3d\n", f.name, a.over, a.compared,
                a.worst);
    EXPECT_GT(a.over, 0) << f.name;
    EXPECT_GT(a.compared, 150) << f.name;
  }
}

}  // namespace
