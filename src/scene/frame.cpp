// The frame: which renderer draws it (the texture stages, the shaders, or both side by
// side), their set-up, and the comparison of their frames. The renderers read the scene's
// state; only this file calls them, so that the scene's state knows nothing of them.
#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "common/settings.h"
#include "gl/gl.h"
#include "platform/platform.h"
#include "scene/maps.h"
#include "scene/scene.h"
#include "scene/shaders.h"
#include "scene/stages.h"
#include "textures/texture.h"

int SpecularPower() {
  // The power the stages reach on this GL; a core or ES context has no stages to ask, and
  // its shaders square as often as the power needs.
  return ContextKind == GLContextKind::Compatibility ? 1 << SpecularSquarings() : MaxSpecularPower;
}

namespace {

// The stages first: when their texture's chain is the shaders' the shaders draw with it, and
// the image goes to the stages alone; otherwise each renderer makes its own.
void ReplaceInRenderers(TextureImage image) {
  if (BumpTexture) {
    if (MakesOwnChain(image)) {
      ReplaceStagesNormalMap(std::move(image));
      image = TextureImage();
    } else {
      ReplaceStagesNormalMap(image);
    }
  }
  ReplaceShadersNormalMap(std::move(image));
}

}  // namespace

void InitScene() {
  NormalMapReplaced = ReplaceInRenderers;
  LightPosition = MakeVector3(0.5f, 0.0f, 1.0f);
  WallVertices[0] = MakeVector3(-1, -1, 0);
  WallVertices[1] = MakeVector3(1, -1, 0);
  WallVertices[2] = MakeVector3(1, 1, 0);
  WallVertices[3] = MakeVector3(-1, 1, 0);
  WallTexCoords[0] = MakeTexCoord2(0, 0);
  WallTexCoords[1] = MakeTexCoord2(1, 0);
  WallTexCoords[2] = MakeTexCoord2(1, 1);
  WallTexCoords[3] = MakeTexCoord2(0, 1);
  if (StartModelPath) {
    std::string refusal;
    if (!LoadFileModel(StartModelPath, &refusal)) {
      Platform.ShowMessageBox(refusal.c_str(), "Loading Model", MB_OK);
      std::exit(1);
    }
  }
  // Checked before it is loaded (a two-channel map is loaded with its blue rebuilt), from
  // the same decoded texels.
  CheckNormalMap();
  SharedBumpTexture = 0;
  if (ContextKind == GLContextKind::Compatibility) InitStages();
  if (CurrentRenderer == Renderer::Shaders || ContextKind != GLContextKind::Compatibility)
    InitShaders();
  ReleaseCheckedNormalMap();
  if (ColourMapRequired) {
    TextureImage colour;
    ReadTextureImage(ColourMapPath, true, &colour);  // ends the program when it cannot
  }
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
