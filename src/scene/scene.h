// The bump-mapped scene: its globals, the one-time set-up and the drawing of a frame.
#pragma once

#include <string>
#include <vector>

#include "common/vector.h"
#include "gl/gl_types.h"
#include "models/model.h"

extern Vector3 LightPosition;
extern GLuint BumpTexture;
// The stages' normal-map texture when its chain is the one the shaders make (a power-of-two
// map whose chain the program made): in a compatibility context the shaders draw with it
// rather than hold a second copy. 0 otherwise.
extern GLuint SharedBumpTexture;
extern GLuint NormalizationCubeMap;
extern GLUquadric* LightQuadric;
extern Vector3 WallVertices[4];
extern TexCoord2 WallTexCoords[4];
extern Vector3 LightVectors[4];

// What the wall shows. Lit is the bump-mapped picture; the others take it apart: the
// normal map's texels as colour (unit 0 alone), the cube map's lookup of the interpolated
// light vector as colour (unit 1 alone), the per-pixel dot product with the flat normal
// (0, 0, 1), the GL's own per-vertex lighting of the same quad, and each vertex's tangent as
// colour (0.5 + 0.5 T), darker where the frame is mirrored (w < 0).
enum class View { Lit = 1, NormalMap, LightVectors, Flat, PerVertex, Tangents };
extern View CurrentView;

// The views as rows: the name the panel gives each and whether it is lit (a lit view draws
// the back of the wall dark, as a light in front of a surface does not light its back).
// Each renderer draws a row its own way: the stages by its set-up function (stages.cpp),
// the shaders by the program compiled for it (shaders.cpp).
struct ViewRow {
  View view;
  const char* name;
  bool lit;
};
extern const ViewRow Views[6];
const ViewRow& CurrentViewRow();
extern View StartView;  // the view at start-up, and after the user's reset

// What is lit: the flat wall, or a surface whose light vectors are carried into each
// vertex's tangent frame: the sphere, the torus, or a model read from a glTF file.
enum class Model { Wall, Sphere, Torus, File };
extern Model CurrentModel;
extern Model StartModel;  // the model at start-up, and after the user's reset

// The camera orbits the model's centre at a distance, +z up. Until the user moves it, it
// looks from (2, 2, 2) exactly, as it always has.
struct CameraState {
  bool moved = false;
  float azimuth = 0.785398163f;    // about +z, from +x: 45 degrees
  float elevation = 0.615479709f;  // above the plane z = 0: atan(1 / sqrt(2))
  float distance = 3.46410162f;    // sqrt(12)
};
extern CameraState Camera;
constexpr float MaxCameraElevation = 1.48352986f;  // 85 degrees, short of the poles
// Far enough that the near plane (1 from the eye) never cuts into a model (the torus
// reaches 0.85 from the centre) and opens its inside to view.
constexpr float MinCameraDistance = 2.0f;
constexpr float MaxCameraDistance = 8.0f;

// Turns the camera about the centre by the angles in radians (elevation held within
// +/- MaxCameraElevation), and moves it nearer (notches > 0) or farther, by 10 % a notch
// within the distance limits.
void OrbitCamera(float azimuth, float elevation);
void ZoomCamera(int notches);
void ResetCamera();
// Where the camera is: (2, 2, 2) until the user moves it.
Vector3 CameraEye();

// The colour map multiplies the lit term when on (the D key, --colour); it is read from
// ColourMapPath when first needed. Tests may pretend the GL has two texture units only,
// so that the extra factors take the second-pass path.
extern bool ShowColour;
// The specular highlight (the S key, --specular): N . H raised to SpecularPower(), added.
extern bool ShowSpecular;
extern bool StartSpecular;
constexpr int MaxSpecularPower = 16;
// The power the GL's texture units allow (16 needs six).
int SpecularPower();
extern bool StartColour;  // at start-up, and after the user's reset
extern const char* ColourMapPath;
// Named on the command line: a colour map that cannot be read ends the program at start-up,
// as a normal map does, rather than leaving colour off without a word.
extern bool ColourMapRequired;
extern bool ForceTwoTextureUnits;
// What became of the colour map: not read yet, loaded, or not loaded because the file is
// not there or cannot be read as an image (the reader has shown why). Read once a path.
enum class ColourMapState { NotRead, Loaded, NotFound, Unreadable };
extern ColourMapState ColourMapStatus;
// What a renderer's read of the colour map came to: the status for the panel (no file
// there, or one the reader refused; the reader's message has said why).
void NoteColourMapRead(bool loaded);

// The mesh of the sphere or the torus, made on first use.
const Mesh& ModelMesh(Model model);

// The model read from a file (--model FILE, or a glTF file dropped on the window), drawn as
// Model::File; no parts until one is read.
extern LoadedModel FileModel;
extern std::string FileModelPath;
// The glTF file named on the command line, read by InitScene; one it refuses ends the
// program (exit code 1) after a message that names the file and says why.
extern const char* StartModelPath;
// Counts the models read: a renderer's copy of the file model's buffers and textures is stale
// when this has changed.
unsigned FileModelRevision();
// Reads the glTF file at path (through the platform's files); on success it becomes the file
// model (the one before is let go) and true is returned; otherwise *refusal says why, in one
// line that names the file, and the running model stays.
bool LoadFileModel(const char* path, std::string* refusal);
// The checks of the file model as it was loaded (its tangents, its seams, its maps), each
// finding printed as a note when the model is loaded; the panel's line of their codes.
std::vector<std::string> FileModelCheckLines();
// The model after this one as M steps through them: wall, sphere, torus, and the file model
// when there is one.
Model NextModel(Model model);
// A model's name for the panel and the probe: "wall", "sphere", "torus" or the file's name.
std::string ModelName(Model model);

// Where a drawn mesh's maps come from: the running normal map (the wall, the sphere and the
// torus) or the flat normal (0, 0, 1) of a part without one; the running colour map or none;
// otherwise an index into FileModel.images.
enum : int { RunningMap = -2, NoMap = -1 };

// One mesh as it is drawn, with its maps. The wall's light vectors are normalised at its
// corners as the wall has always been lit; every other model's are not (the cube map
// normalises per pixel) and are multiplied by the self-shadowing factor.
struct DrawnPart {
  const Mesh* mesh = nullptr;
  const std::vector<TexCoord2>* colourTexCoords = nullptr;  // null: the mesh's own
  int normalImage = RunningMap;                             // RunningMap, NoMap (flat) or index
  int colourImage = RunningMap;                             // RunningMap, NoMap or an index
  bool wall = false;
};

// The current model's meshes as drawn (the wall as a mesh of two triangles).
std::vector<DrawnPart> DrawnParts();

// How the shaders carry the light and half-angle vectors into the tangent frame: per vertex
// (as the texture stages do, the default) or per pixel, the frame interpolated and rebuilt
// at each pixel, as a MikkTSpace baker expects.
enum class Basis { Vertex, Pixel };
extern Basis CurrentBasis;
extern Basis StartBasis;

// The normal map InitScene loads (a path relative to the run directory).
extern const char* NormalMapPath;

// Who draws the frame: the texture stages (the fixed-function frame, as always) or GLSL
// shaders from vertex buffers. A core or ES context has only the shaders.
enum class Renderer { Stages, Shaders };
extern Renderer CurrentRenderer;
extern Renderer StartRenderer;  // at start-up, and after the user's reset

// The light and the wall geometry; the renderers' GL state and textures: the stages' in a
// compatibility context, the shaders' when they draw.
void InitScene();

// Whether the camera looks at the wall's back (from below the plane z = 0). The lit views
// draw the back dark: a light in front of a surface does not light its back.
bool CameraBehindWall();
// Whether the frame shows the wall's back in a lit view, which both renderers draw black.
bool WallBackShown();

// A note on a file whose loading takes long, for standard output and a frame drawn before
// the load ("Loading FILE (8192 x 8192 pixels) ..."): an image of at least LongLoadPixels
// pixels, a model file of at least LongLoadModelBytes bytes; "" for anything quicker.
constexpr long long LongLoadPixels = 4096ll * 4096;
constexpr unsigned long long LongLoadModelBytes = 32ull << 20;
std::string LoadingNote(const char* path, bool model);
// The note on what InitScene is about to read (the model, then the normal or height map),
// "" when none of it takes long.
std::string StartLoadingNote();
// Clears the back buffer and draws the note on the panel (the caller swaps); needs no
// normal map, so that it can be drawn before one is loaded.
void DrawLoadingFrame(const std::string& note);

// Draws one frame into the back buffer with the renderer in use; side by side, the stages
// on the left half and the shaders on the right, with a thin divider.
void RenderScene();

// Side by side (the C key, --compare): only in a compatibility context, which has both.
extern bool CompareRenderers;
extern bool StartCompareRenderers;  // at start-up, and after the user's reset

// How far the two renderers' full frames differ: the largest difference of any channel of
// any pixel, and the share of pixels with a channel more than 2 levels apart. Draws both
// frames off screen (framebuffer objects), reads them back; touches no window pixel.
struct RendererDifference {
  int largest = -1;  // -1: not measured
  double share = 0;  // 0 to 1
};
RendererDifference MeasureRendererDifference();
