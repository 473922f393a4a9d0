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

void Line(const Vector3& from, const Vector3& direction, float length) {
  glVertex3f(from.x, from.y, from.z);
  glVertex3f(from.x + direction.x * length, from.y + direction.y * length,
             from.z + direction.z * length);
}

// The curved models' triangles, and at every vertex its frame and the light vector, short
// enough to stay apart on the dense mesh.
void DrawMeshOverlays(const Mesh& mesh) {
  if (ShowWireframe) {
    glColor4f(1, 1, 0, 1);
    glBegin(GL_LINES);
    for (std::size_t k = 0; k + 2 < mesh.triangles.size(); k += 3) {
      for (int e = 0; e < 3; ++e) {
        const Vector3& a = mesh.vertices[mesh.triangles[k + e]].position;
        const Vector3& b = mesh.vertices[mesh.triangles[k + (e + 1) % 3]].position;
        glVertex3f(a.x, a.y, a.z);
        glVertex3f(b.x, b.y, b.z);
      }
    }
    glEnd();
  }
  if (ShowVectors) {
    const float length = VectorOverlayLength / 4;
    glBegin(GL_LINES);
    for (const MeshVertex& v : mesh.vertices) {
      glColor4f(1, 0, 0, 1);
      Line(v.position, v.tangent, length);
      glColor4f(0, 1, 0, 1);
      Line(v.position, v.bitangent, length);
      glColor4f(0, 0, 1, 1);
      Line(v.position, v.normal, length);
      glColor4f(1, 1, 1, 1);
      Line(v.position, NormalizeVector3(SubtractVector3(LightPosition, v.position)), length);
    }
    glEnd();
  }
}

}  // namespace

void DrawGeometryOverlays() {
  if (!ShowWireframe && !ShowVectors) return;
  PlainColourState();
  if (CurrentModel != Model::Wall) {
    DrawMeshOverlays(ModelMesh(CurrentModel));
    glEnable(GL_DEPTH_TEST);
    return;
  }
  if (ShowWireframe) {
    // The quad as the two triangles it is drawn as: its outline and one diagonal.
    glColor4f(1, 1, 0, 1);
    glBegin(GL_LINE_LOOP);
    for (const Vector3& v : WallVertices) glVertex3f(v.x, v.y, v.z);
    glEnd();
    glBegin(GL_LINES);
    glVertex3f(WallVertices[0].x, WallVertices[0].y, WallVertices[0].z);
    glVertex3f(WallVertices[2].x, WallVertices[2].y, WallVertices[2].z);
    glEnd();
  }
  if (ShowVectors) {
    // The wall's tangent frame is the world frame: T along s (+x), B along t (+y), N +z.
    const Vector3 t = MakeVector3(1, 0, 0), b = MakeVector3(0, 1, 0), n = MakeVector3(0, 0, 1);
    glBegin(GL_LINES);
    for (int i = 0; i < 4; ++i) {
      glColor4f(1, 0, 0, 1);
      Line(WallVertices[i], t, VectorOverlayLength);
      glColor4f(0, 1, 0, 1);
      Line(WallVertices[i], b, VectorOverlayLength);
      glColor4f(0, 0, 1, 1);
      Line(WallVertices[i], n, VectorOverlayLength);
      glColor4f(1, 1, 1, 1);
      Line(WallVertices[i], LightVectors[i], VectorOverlayLength);
    }
    glEnd();
  }
  glEnable(GL_DEPTH_TEST);
}

void DrawTextPanel(const std::vector<std::string>& lines) {
  PlainColourState();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  // Window pixels, y down, as the font builds its quads.
  glOrtho(0, ScreenWidth, ScreenHeight, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  const float scale = TextPanelScale;
  const float lineHeight = TextPanelLineHeight;
  const float margin = TextPanelMargin;
  int widest = 0;
  for (const std::string& line : lines) widest = std::max(widest, TextColumns(line));
  const float boxWidth = widest * scale + 2 * margin;
  const float boxHeight = lines.size() * lineHeight + 2 * margin;
  glColor4f(0, 0, 0, 1);
  glBegin(GL_QUADS);
  glVertex2f(0, 0);
  glVertex2f(boxWidth, 0);
  glVertex2f(boxWidth, boxHeight);
  glVertex2f(0, boxHeight);
  glEnd();

  glColor4f(1, 1, 0.6f, 1);
  for (std::size_t i = 0; i < lines.size(); ++i)
    DrawText(margin, margin + lineHeight * i, scale, lines[i]);

  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_DEPTH_TEST);
}
