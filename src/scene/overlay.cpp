// The overlays: plain coloured lines and quads, untextured and unlit, drawn without the
// depth test so that nothing of the scene hides them. The text is the built-in bitmap font
// (scene/font.cpp).
#include "scene/overlay.h"

#include <algorithm>

#include "common/settings.h"
#include "gl/gl.h"
#include "scene/font.h"
#include "scene/models.h"
#include "scene/scene.h"
#include "scene/shaders.h"

bool ShowWireframe = false;
bool ShowVectors = false;

namespace {

// Texturing and lighting off on both units, depth test off.
void PlainColourState() {
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_CUBE_MAP_ARB);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
}

// Plain coloured primitives drawn by the renderer in use: the stages' immediate mode
// (colours given as they change), or the shaders' vertex buffers.
void DrawPlain(GLenum mode, const std::vector<PlainVertex>& vertices, bool inPixels) {
  if (CurrentRenderer == Renderer::Shaders) {
    DrawPlainWithShaders(mode, vertices, inPixels);
    return;
  }
  glBegin(mode);
  const float* colour = nullptr;
  for (const PlainVertex& v : vertices) {
    if (!colour || !std::equal(colour, colour + 4, v.colour)) {
      colour = v.colour;
      glColor4f(colour[0], colour[1], colour[2], colour[3]);
    }
    glVertex3f(v.position[0], v.position[1], v.position[2]);
  }
  glEnd();
}

void AddLine(std::vector<PlainVertex>* lines, const Vector3& from, const Vector3& to,
             const float* colour) {
  lines->push_back({{from.x, from.y, from.z}, {colour[0], colour[1], colour[2], colour[3]}});
  lines->push_back({{to.x, to.y, to.z}, {colour[0], colour[1], colour[2], colour[3]}});
}

const float Yellow[4] = {1, 1, 0, 1}, Red[4] = {1, 0, 0, 1}, Green[4] = {0, 1, 0, 1},
            Blue[4] = {0, 0, 1, 1}, White[4] = {1, 1, 1, 1};

// At a vertex its frame (T red, B green, N blue) and the direction to the light (white).
void AddVectors(std::vector<PlainVertex>* lines, const Vector3& at, const Vector3& t,
                const Vector3& b, const Vector3& n, const Vector3& light, float length) {
  const Vector3 axes[4] = {t, b, n, light};
  const float* colours[4] = {Red, Green, Blue, White};
  for (int k = 0; k < 4; ++k) {
    const Vector3 tip = MakeVector3(at.x + axes[k].x * length, at.y + axes[k].y * length,
                                    at.z + axes[k].z * length);
    AddLine(lines, at, tip, colours[k]);
  }
}

}  // namespace

void DrawGeometryOverlays() {
  if (!ShowWireframe && !ShowVectors) return;
  if (CurrentRenderer == Renderer::Stages) PlainColourState();
  std::vector<PlainVertex> lines;
  if (CurrentModel != Model::Wall) {
    // The models' triangles, and at every vertex its frame and the light vector, short
    // enough to stay apart on a dense mesh.
    for (const DrawnPart& part : DrawnParts()) {
      const Mesh& mesh = *part.mesh;
      if (ShowWireframe)
        for (std::size_t k = 0; k + 2 < mesh.triangles.size(); k += 3)
          for (int e = 0; e < 3; ++e)
            AddLine(&lines, mesh.vertices[mesh.triangles[k + e]].position,
                    mesh.vertices[mesh.triangles[k + (e + 1) % 3]].position, Yellow);
      if (ShowVectors)
        for (const MeshVertex& v : mesh.vertices)
          AddVectors(&lines, v.position, v.tangent, v.bitangent, v.normal,
                     NormalizeVector3(SubtractVector3(LightPosition, v.position)),
                     VectorOverlayLength / 4);
    }
  } else {
    // The quad as the two triangles it is drawn as: its outline and one diagonal.
    if (ShowWireframe) {
      for (int i = 0; i < 4; ++i)
        AddLine(&lines, WallVertices[i], WallVertices[(i + 1) % 4], Yellow);
      AddLine(&lines, WallVertices[0], WallVertices[2], Yellow);
    }
    // The wall's tangent frame is the world frame: T along s (+x), B along t (+y), N +z.
    if (ShowVectors)
      for (int i = 0; i < 4; ++i)
        AddVectors(&lines, WallVertices[i], MakeVector3(1, 0, 0), MakeVector3(0, 1, 0),
                   MakeVector3(0, 0, 1), LightVectors[i], VectorOverlayLength);
  }
  DrawPlain(GL_LINES, lines, false);
  if (CurrentRenderer == Renderer::Stages) glEnable(GL_DEPTH_TEST);
}

namespace {

// Primitives in window pixels, y down: through the shaders, or between the fixed pipeline's
// orthographic matrices, pushed and popped around them.
void DrawInPixels(GLenum mode, const std::vector<PlainVertex>& vertices) {
  if (CurrentRenderer == Renderer::Shaders) {
    DrawPlain(mode, vertices, true);
    return;
  }
  PlainColourState();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, ScreenWidth, ScreenHeight, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  DrawPlain(mode, vertices, true);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_DEPTH_TEST);
}

}  // namespace

PanelCorner CornerAwayFrom(int x, int y) {
  const bool left = x < ScreenWidth / 2, top = y < ScreenHeight / 2;
  return top ? (left ? PanelCorner::BottomRight : PanelCorner::BottomLeft)
             : (left ? PanelCorner::TopRight : PanelCorner::TopLeft);
}

void DrawTextPanel(const std::vector<std::string>& lines, PanelCorner corner) {
  const float scale = TextPanelScale;
  const float lineHeight = TextPanelLineHeight;
  const float margin = TextPanelMargin;
  int widest = 0;
  for (const std::string& line : lines) widest = std::max(widest, TextColumns(line));
  const float boxWidth = widest * scale + 2 * margin;
  const float boxHeight = lines.size() * lineHeight + 2 * margin;
  const bool right = corner == PanelCorner::TopRight || corner == PanelCorner::BottomRight;
  const bool bottom = corner == PanelCorner::BottomLeft || corner == PanelCorner::BottomRight;
  const float x0 = right ? ScreenWidth - boxWidth : 0, y0 = bottom ? ScreenHeight - boxHeight : 0;

  // Quads in window pixels, y down: the box, then the glyphs.
  std::vector<float> corners = {
      x0, y0, x0 + boxWidth, y0, x0 + boxWidth, y0 + boxHeight, x0, y0 + boxHeight};
  for (std::size_t i = 0; i < lines.size(); ++i)
    TextQuads(x0 + margin, y0 + margin + lineHeight * i, scale, lines[i], &corners);
  std::vector<PlainVertex> quads;
  const bool triangles = CurrentRenderer == Renderer::Shaders;  // no quads in a core context
  static const int AsTriangles[6] = {0, 1, 2, 0, 2, 3}, AsQuad[4] = {0, 1, 2, 3};
  const int* order = triangles ? AsTriangles : AsQuad;
  const int count = triangles ? 6 : 4;
  for (std::size_t q = 0; q * 8 < corners.size(); ++q) {
    // The box black and see-through, the text pale yellow.
    const float grey = q == 0 ? 0.0f : 1.0f, alpha = q == 0 ? TextPanelShade : 1.0f;
    for (int k = 0; k < count; ++k)
      quads.push_back({{corners[q * 8 + order[k] * 2], corners[q * 8 + order[k] * 2 + 1], 0},
                       {grey, grey, q == 0 ? 0.0f : 0.6f, alpha}});
  }
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  DrawInPixels(triangles ? GLenum{GL_TRIANGLES} : GLenum{GL_QUADS}, quads);
  glDisable(GL_BLEND);
}

void DrawPixelLines(const std::vector<PlainVertex>& lines) {
  DrawInPixels(GL_LINES, lines);
}
