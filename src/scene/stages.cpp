// The texture-stage renderer: the frame as fixed-function GL draws it, dot-product bump
// mapping in the texture environment's combiners, with GLU for the matrices, the mipmaps
// and the light marker. Started with no options, every frame the program draws is this.
// The wall's texture frame is the world frame (s along x, t along y, normal along +z), so
// world-space light directions go to the texture stages unchanged.
#include "scene/stages.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/settings.h"
#include "gl/gl.h"
#include "log/log.h"
#include "scene/maps.h"
#include "scene/models.h"
#include "scene/scene.h"
#include "scene/scene_terms.h"
#include "textures/cubemap.h"
#include "textures/image.h"
#include "textures/texture.h"

namespace {

// The active unit forms the dot product of the previous stage's colour with the
// normalised light direction looked up in the cube map.
void SetUpDot3Stage() {
  glEnable(GL_TEXTURE_CUBE_MAP_ARB);
  glBindTexture(GL_TEXTURE_CUBE_MAP_ARB, NormalizationCubeMap);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PREVIOUS_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_DOT3_RGB_ARB);
}

// Unit 0 passes the normal-map texel on; unit 1 forms its dot product with the light
// direction.
void SetUpBumpStages(GLuint normalMap) {
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, normalMap);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_REPLACE);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  SetUpDot3Stage();
}

// The stages and state of the views that take the lit picture apart, one function a
// view. The light marker leaves both units disabled and unit 1 active.

// The texel itself: unit 0 replaces the colour, unit 1 is off.
void SetUpNormalMapView() {
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, BumpTexture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

// Unit 0 off, unit 1 shows the cube map's lookup.
void SetUpLightVectorView() {
  glEnable(GL_TEXTURE_CUBE_MAP_ARB);
  glBindTexture(GL_TEXTURE_CUBE_MAP_ARB, NormalizationCubeMap);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

// Unit 0 off, so unit 1's previous colour is the primary colour: the flat normal (0, 0, 1)
// encoded as a texel is (0.5, 0.5, 1).
void SetUpFlatView() {
  glColor4f(0.5f, 0.5f, 1.0f, 1.0f);
  SetUpDot3Stage();
}

// A white point light at the light's position (given under the camera's modelview, so in
// world space), a white diffuse surface, no ambient term: at each corner the GL computes
// max(N . L, 0) and interpolates the four results across the quad.
void SetUpPerVertexView() {
  const GLfloat position[4] = {LightPosition.x, LightPosition.y, LightPosition.z, 1};
  const GLfloat white[4] = {1, 1, 1, 1};
  const GLfloat black[4] = {0, 0, 0, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
  glLightfv(GL_LIGHT0, GL_AMBIENT, black);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHTING);
  glNormal3f(0, 0, 1);
}

void SetUpLitView() {
  SetUpBumpStages(BumpTexture);
}

// Both units off (as the light marker left them): each vertex's colour, its tangent.
void SetUpTangentView() {}

// Each view's stages, in the order of the views (1 to 6).
void (*const ViewStages[])() = {SetUpLitView,  SetUpNormalMapView, SetUpLightVectorView,
                                SetUpFlatView, SetUpPerVertexView, SetUpTangentView};

// The texture units the GL offers (at least the two the program needs).
int TextureUnits() {
  static const int units = [] {
    GLint count = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &count);
    return count;
  }();
  return ForceTwoTextureUnits ? 2 : units;
}

// How many units after the bump stages square N . H: enough for MaxSpecularPower, or as
// many as the GL has.
}  // namespace

int SpecularSquarings() {
  int squarings = 0;
  while (squarings + 2 < TextureUnits() && (1 << squarings) < MaxSpecularPower) ++squarings;
  return squarings;
}

namespace {

// A unit after the bump stages that multiplies what came before by its source: the
// primary colour (the self-shadowing factor; the unit's texture is never sampled, but a
// unit combines only while enabled) or its texture (the colour map).
void SetUpFactorStage(GLenum unit, GLuint texture, GLenum source) {
  glActiveTextureARB(unit);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PREVIOUS_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, source);
}

// The colour map, read when first asked for (and again if ColourMapPath names another
// file); 0 when it cannot be read (the reader has said why), and colour then stays off.
// Loaded on unit 0, with the green channel as stored: the normal map's convention is not
// the colour map's.
GLuint ColourTexture() {
  static GLuint texture = 0;
  static std::string loaded;
  static bool tried = false;
  if (!tried || loaded != ColourMapPath) {
    tried = true;
    loaded = ColourMapPath;
    if (texture) glDeleteTextures(1, &texture);
    const bool flip = FlipGreenChannel;
    FlipGreenChannel = false;
    glActiveTextureARB(GL_TEXTURE0_ARB);
    texture = LoadTextureIfReadable(true, ColourMapPath);
    FlipGreenChannel = flip;
    NoteColourMapRead(texture != 0);
  }
  return texture;
}

// The file model's images as textures (stages' own: gluBuild2DMipmaps' chains), each made
// when first drawn on unit 0.
FileTextureCache Files;

GLuint MakeFileTexture(TextureImage image) {
  glActiveTextureARB(GL_TEXTURE0_ARB);
  return LoadTextureFromImage(true, image);
}

// The part's normal map and colour map (0: none) as textures.
GLuint PartNormalMap(const DrawnPart& part) {
  return part.normalImage == RunningMap
             ? BumpTexture
             : FileTexture(&Files, part.normalImage, true, MakeFileTexture);
}
GLuint PartColourMap(const DrawnPart& part) {
  if (part.colourImage == RunningMap) return ColourTexture();
  return part.colourImage == NoMap ? 0
                                   : FileTexture(&Files, part.colourImage, false, MakeFileTexture);
}

// Each drawn mesh's frames as arrays, made when the mesh is first drawn and kept: the
// built-in meshes for the program's life, a file model's until another is read. The wall's
// are made each frame (four vertices, which the tests may move).
struct KeptFrames {
  unsigned revision = 0;
  std::vector<std::pair<const Mesh*, FrameArrays>> meshes;
  FrameArrays wall;
};
KeptFrames Frames;

// The per-vertex terms of the part being drawn, kept from frame to frame for their storage:
// the light's, and with the highlight the half-angle's.
struct PartTerms {
  std::vector<VertexTerms> light;
  std::vector<VertexVector> half;
};
PartTerms Terms;

const FrameArrays& FramesOf(const DrawnPart& part) {
  if (part.wall) return Frames.wall = FrameArraysOf(*part.mesh);
  if (Frames.revision != FileModelRevision()) {
    Frames.meshes.clear();
    Frames.revision = FileModelRevision();
  }
  for (const auto& kept : Frames.meshes)
    if (kept.first == part.mesh) return kept.second;
  Frames.meshes.emplace_back(part.mesh, FrameArraysOf(*part.mesh));
  return Frames.meshes.back().second;
}

// What DrawTriangles hands GL per vertex besides the position and the normal map's
// coordinates on unit 0.
struct VertexArrays {
  const float* vectors = nullptr;  // x, y, z on unit 1, every vectorStride bytes
  GLsizei vectorStride = 0;
  const VertexTerms* shades = nullptr;      // the terms whose factors are the primary colour
  GLenum coordsUnit = 0;                    // the colour map's coordinates on this unit, when set
  const TexCoord2* colourCoords = nullptr;  // the colour map's own set; null: the mesh's
  bool colourOnUnit0 = false;               // unit 0 takes the colour map's coordinates
  const float* colours = nullptr;           // 4 per vertex, as the primary colour
  bool normals = false;
};

// The mesh's triangles in one call, from client arrays (a curved model has thousands of
// corners: one call for them all, not several calls per corner). Leaves every array off
// and unit 0 the client-active unit.
void DrawTriangles(const Mesh& mesh, const VertexArrays& arrays) {
  const GLsizei stride = sizeof(MeshVertex);
  const MeshVertex& first = mesh.vertices.front();
  const GLenum units[3] = {GL_TEXTURE0_ARB, arrays.vectors ? GL_TEXTURE1_ARB : 0u,
                           arrays.coordsUnit};
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, stride, &first.position.x);
  for (const GLenum unit : units) {
    if (!unit) continue;
    glClientActiveTextureARB(unit);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    const bool colourCoords = unit == arrays.coordsUnit || arrays.colourOnUnit0;
    if (unit == GL_TEXTURE1_ARB)
      glTexCoordPointer(3, GL_FLOAT, arrays.vectorStride, arrays.vectors);
    else if (colourCoords && arrays.colourCoords)
      glTexCoordPointer(2, GL_FLOAT, sizeof(TexCoord2), &arrays.colourCoords->s);
    else
      glTexCoordPointer(2, GL_FLOAT, stride, &first.texCoord.s);
  }
  if (arrays.shades || arrays.colours) {
    glEnableClientState(GL_COLOR_ARRAY);
    if (arrays.colours)
      glColorPointer(4, GL_FLOAT, 0, arrays.colours);
    else
      glColorPointer(4, GL_FLOAT, sizeof(VertexTerms), arrays.shades->shade);
  }
  if (arrays.normals) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, stride, &first.normal.x);
  }
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.triangles.size()), GL_UNSIGNED_INT,
                 mesh.triangles.data());
  if (arrays.normals) glDisableClientState(GL_NORMAL_ARRAY);
  if (arrays.shades || arrays.colours) glDisableClientState(GL_COLOR_ARRAY);
  for (int k = 2; k >= 0; --k) {
    if (!units[k]) continue;
    glClientActiveTextureARB(units[k]);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  }
  glDisableClientState(GL_VERTEX_ARRAY);
}

// A mesh in the current view: per vertex, the normal map's coordinates on unit 0 and the
// tangent-space light vector on unit 1. In the lit view the bump term is multiplied by the
// self-shadowing factor (curved models) and by the colour map (when on): in further units
// where the GL has enough, else in a second pass that multiplies the framebuffer by
// blending (the depth test lets the equal depths through).
void DrawMesh(const DrawnPart& part) {
  const Mesh& mesh = *part.mesh;
  if (mesh.vertices.empty()) return;
  if (CurrentView == View::Tangents) {
    static std::vector<float> colours;
    TangentColours(mesh, &colours);
    VertexArrays arrays;
    arrays.colours = colours.data();
    DrawTriangles(mesh, arrays);
    return;
  }
  const bool curved = !part.wall;
  const bool lit = CurrentView == View::Lit;
  // A file model's part brings its own normal map (the views that show it bind it).
  if (part.normalImage != RunningMap && (lit || CurrentView == View::NormalMap)) {
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_2D, PartNormalMap(part));
    if (lit) glActiveTextureARB(GL_TEXTURE1_ARB);
  }
  const bool shadow = lit && curved;
  const GLuint colour = lit && ShowColour ? PartColourMap(part) : 0;
  const int factors = (shadow ? 1 : 0) + (colour ? 1 : 0);
  const bool inStages = factors > 0 && TextureUnits() >= 2 + factors;
  const GLenum colourUnit = shadow ? GL_TEXTURE3_ARB : GL_TEXTURE2_ARB;
  if (inStages && shadow) SetUpFactorStage(GL_TEXTURE2_ARB, BumpTexture, GL_PRIMARY_COLOR_ARB);
  if (inStages && colour) SetUpFactorStage(colourUnit, colour, GL_TEXTURE);

  // With the highlight, its half-angle terms are worked out in the same pass over the frames.
  std::vector<VertexTerms>& terms = Terms.light;
  if (lit && ShowSpecular)
    LightAndHalfAngleAtVertices(FramesOf(part), !curved, &terms, &Terms.half);
  else
    LightAtVertices(FramesOf(part), !curved, &terms);
  VertexArrays arrays;
  arrays.vectors = terms.front().vector;
  arrays.vectorStride = sizeof(VertexTerms);
  arrays.shades = inStages && shadow ? terms.data() : nullptr;
  arrays.coordsUnit = inStages && colour ? colourUnit : 0;
  arrays.colourCoords = part.colourTexCoords ? part.colourTexCoords->data() : nullptr;
  arrays.normals = CurrentView == View::PerVertex;
  DrawTriangles(mesh, arrays);
  if (inStages) {
    for (int k = factors; k >= 1; --k) {
      glActiveTextureARB(GL_TEXTURE1_ARB + k);
      glDisable(GL_TEXTURE_2D);
    }
    glActiveTextureARB(GL_TEXTURE1_ARB);  // as the wall's own drawing leaves it
    return;
  }
  if (factors == 0) return;

  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_CUBE_MAP_ARB);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  if (colour) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, colour);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  } else {
    glDisable(GL_TEXTURE_2D);
  }
  glEnable(GL_BLEND);
  glBlendFunc(GL_DST_COLOR, GL_ZERO);
  VertexArrays factorArrays;
  factorArrays.shades = shadow ? terms.data() : nullptr;
  factorArrays.colourCoords = arrays.colourCoords;
  factorArrays.colourOnUnit0 = colour != 0;
  if (!shadow) glColor4f(1, 1, 1, 1);
  DrawTriangles(mesh, factorArrays);
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glActiveTextureARB(GL_TEXTURE1_ARB);
}

// The highlight, added to what DrawMesh drew: units 0 and 1 form N . H per pixel, the
// normal map's normal with the half-angle vector between the directions to the light and
// to the eye (given per vertex in its tangent frame, normalised per pixel by the cube
// map), and each further unit squares it, up to the power MaxSpecularPower: 16 with the
// six units that takes, less where the GL has fewer. On curved models the self-shadowing
// factor multiplies it, in one more unit where there is one. Added by blending.
void DrawSpecular(const DrawnPart& part) {
  const Mesh& mesh = *part.mesh;
  if (mesh.vertices.empty()) return;
  const bool curved = !part.wall;
  const GLuint normalMap = PartNormalMap(part);
  const int squarings = SpecularSquarings();
  const bool shadowStage = curved && squarings + 2 < TextureUnits();
  SetUpBumpStages(normalMap);
  for (int k = 0; k < squarings; ++k)
    SetUpFactorStage(GL_TEXTURE2_ARB + k, BumpTexture, GL_PREVIOUS_ARB);
  if (shadowStage) SetUpFactorStage(GL_TEXTURE2_ARB + squarings, BumpTexture, GL_PRIMARY_COLOR_ARB);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);

  // Worked out by DrawMesh with the light's terms, whose factors the highlight takes too.
  VertexArrays arrays;
  arrays.vectors = Terms.half.front().vector;
  arrays.vectorStride = sizeof(VertexVector);
  arrays.shades = shadowStage ? Terms.light.data() : nullptr;
  DrawTriangles(mesh, arrays);

  glDisable(GL_BLEND);
  for (int k = squarings + (shadowStage ? 1 : 0); k >= 1; --k) {
    glActiveTextureARB(GL_TEXTURE1_ARB + k);
    glDisable(GL_TEXTURE_2D);
  }
  glActiveTextureARB(GL_TEXTURE1_ARB);
}

}  // namespace

void InitStages() {
  glClearColor(0, 0, 0, 1);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

  if (std::strcmp(NormalMapPath, ShippedNormalMap) == 0 && NormalMapIsFileAsItIs()) {
    BumpTexture = LoadTexture(true, NormalMapPath);
  } else {
    TextureImage image;
    ReadNormalMapImage(true, &image);
    BumpTexture = 0;  // none yet in this context
    ReplaceStagesNormalMap(std::move(image));
  }
  NormalizationCubeMap = CreateNormalizationCubeMap(32, false);

  LightQuadric = gluNewQuadric();
  if (LightQuadric) {
    gluQuadricDrawStyle(LightQuadric, GLU_FILL);
    gluQuadricNormals(LightQuadric, GLU_SMOOTH);
    gluQuadricTexture(LightQuadric, GL_FALSE);
  } else {
    // Out of memory in GLU: the wall is still worth drawing, without its light marker.
    WriteLog("gluNewQuadric failed: the light marker is not drawn", false);
  }

  glDisable(GL_TEXTURE_2D);
}

void ReplaceStagesNormalMap(TextureImage image) {
  if (BumpTexture) glDeleteTextures(1, &BumpTexture);
  const bool own = MakesOwnChain(image);
  BumpTexture = LoadMipmappedTexture(std::move(image));
  SharedBumpTexture = own ? BumpTexture : 0;
}

void RenderStages() {
  // Projection and camera, from the configured size (not the window's current one).
  glViewport(0, 0, ScreenWidth, ScreenHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double aspect = static_cast<double>(static_cast<long double>(ScreenWidth) / ScreenHeight);
  gluPerspective(60.0, aspect, 1.0, 60.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (Camera.moved) {
    const Vector3 eye = CameraEye();
    gluLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 0, 1);
  } else {
    gluLookAt(2, 2, 2, 0, 0, 0, 0, 0, 1);
  }
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  // The light marker: a flat white sphere, drawn first so it hides the wall behind it.
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glTranslatef(LightPosition.x, LightPosition.y, LightPosition.z);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glDisable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_CUBE_MAP_ARB);
  glColor4f(1, 1, 1, 1);
  if (LightQuadric) gluSphere(LightQuadric, 0.05, 15, 15);
  glPopMatrix();

  // The colour map is read, when first needed, before the stages are set: loading a
  // texture leaves its unit's texturing off.
  if (ShowColour && CurrentView == View::Lit) ColourTexture();

  for (int i = 0; i < 4; ++i)
    LightVectors[i] = NormalizeVector3(SubtractVector3(LightPosition, WallVertices[i]));

  // The wall's back in the lit views: plain black (the marker left texturing off on both
  // units). The normal-map and light-vector views show their texels from either side.
  if (WallBackShown()) {
    glColor4f(0, 0, 0, 1);
    glBegin(GL_QUADS);
    for (const Vector3& v : WallVertices) glVertex3fv(&v.x);
    glEnd();
    return;
  }

  // A file model's textures are made before the stages are set: loading a texture leaves
  // its unit's texturing off.
  if (CurrentModel == Model::File)
    for (const DrawnPart& part : DrawnParts()) {
      PartNormalMap(part);
      if (ShowColour && CurrentView == View::Lit) PartColourMap(part);
    }

  ViewStages[static_cast<int>(CurrentView) - 1]();

  const bool specular = ShowSpecular && CurrentView == View::Lit;
  if (CurrentModel != Model::Wall || (ShowColour && CurrentView == View::Lit) || specular ||
      CurrentView == View::Tangents) {
    for (const DrawnPart& part : DrawnParts()) {
      DrawMesh(part);
      if (specular) DrawSpecular(part);
    }
    if (CurrentView == View::PerVertex) glDisable(GL_LIGHTING);
    return;
  }

  glBegin(GL_QUADS);
  for (int i = 0; i < 4; ++i) {
    glMultiTexCoord2fv(GL_TEXTURE0_ARB, &WallTexCoords[i].s);
    glMultiTexCoord3fv(GL_TEXTURE1_ARB, &LightVectors[i].x);
    glVertex3fv(&WallVertices[i].x);
  }
  glEnd();

  // Per-vertex lighting must not reach the next frame's light marker.
  if (CurrentView == View::PerVertex) glDisable(GL_LIGHTING);
}
