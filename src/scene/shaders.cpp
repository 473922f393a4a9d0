// The shaders renderer: the frame the texture stages draw, from vertex buffers and the
// GLSL programs in scene/shaders/ (built into the executable), with nothing of the
// fixed-function pipeline, no client arrays and no GLU. Each mesh goes to the GL once (its
// positions, frames and coordinates), and the vertex shader works out the per-vertex terms
// the stages get from the CPU, from the light's and the camera's positions: a frame costs
// the CPU the same whatever the model's size. The textures hold the same texels as the
// stages' (the same image, GLU's box-filtered mipmaps, the same normalization cube map).
// The matrices are gluPerspective's and gluLookAt's, worked out here.
#include "scene/shaders.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

#include "common/settings.h"
#include "gl/gl.h"
#include "log/log.h"
#include "platform/platform.h"
#include "scene/maps.h"
#include "scene/models.h"
#include "scene/scene.h"
#include "scene/scene_terms.h"
#include "scene/shader_sources.h"
#include "textures/cubemap.h"
#include "textures/texture.h"

namespace {

// A 4 x 4 matrix in GL's column-major order.
struct Matrix {
  float m[16];
};

// What the bump program's vertex shader takes per vertex (bump.vert's inputs, in order).
struct BumpVertex {
  float position[3];
  float normal[3];
  float tangent[3];
  float bitangent[3];
  float texcoord[2];
  float colourTexcoord[2];
};

struct Program {
  GLuint id = 0;
  GLint modelview = -1;
  GLint projection = -1;
  GLint light = -1;
  GLint eye = -1;
};

// What a bump program draws, fixed when it is compiled: one program per mode.
struct BumpMode {
  int view, shadow, colour, specular, squarings, normalise, basis;
  int Key() const {
    return (((((view * 2 + shadow) * 2 + colour) * 2 + specular) * 8 + squarings) * 2 + normalise) *
               2 +
           basis;
  }
};

// A mesh in the GL: its vertices and triangles in buffers, read through a vertex array.
struct MeshBuffers {
  GLuint arrays = 0, vertices = 0, indices = 0;
  GLsizei count = 0;
};

struct ShaderState {
  bool ready = false;
  std::map<int, Program> bump;  // by BumpMode::Key, compiled when first drawn
  Program plain;
  GLuint plainArrays = 0, plainBuffer = 0;
  // The current model's meshes in the GL, and which model and file they were made from.
  std::vector<MeshBuffers> meshes;
  int bufferedModel = -1;
  unsigned bufferedRevision = 0;
  GLuint normalMap = 0, cubeMap = 0, colourMap = 0;
  bool normalMapShared = false;  // normalMap is the stages' texture
  bool colourTried = false;
  // The file model's images as textures, the flat normal map for a part without one.
  FileTextureCache files;
  Matrix projection{}, modelview{};
  std::vector<PlainVertex> marker;  // gluSphere's vertices, as triangles
};
ShaderState Shaders;

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix r{};
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += a.m[k * 4 + row] * b.m[c * 4 + k];
      r.m[c * 4 + row] = sum;
    }
  return r;
}

Matrix Translation(float x, float y, float z) {
  Matrix t = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
  return t;
}

// gluPerspective's matrix, worked out in double as GLU does, then stored as the GL stores it.
Matrix Perspective(double fovy, double aspect, double zNear, double zFar) {
  const double radians = fovy / 2 * 3.14159265358979323846 / 180;
  const double cotangent = std::cos(radians) / std::sin(radians);
  const double depth = zFar - zNear;
  Matrix p{};
  p.m[0] = static_cast<float>(cotangent / aspect);
  p.m[5] = static_cast<float>(cotangent);
  p.m[10] = static_cast<float>(-(zFar + zNear) / depth);
  p.m[11] = -1;
  p.m[14] = static_cast<float>(-2 * zNear * zFar / depth);
  return p;
}

// gluLookAt's matrix for a camera at eye looking at the origin with +z up.
Matrix LookAtOrigin(Vector3 eye) {
  const Vector3 forward = NormalizeVector3(MakeVector3(-eye.x, -eye.y, -eye.z));
  const Vector3 upHint = MakeVector3(0, 0, 1);
  const Vector3 side = NormalizeVector3(MakeVector3(forward.y * upHint.z - forward.z * upHint.y,
                                                    forward.z * upHint.x - forward.x * upHint.z,
                                                    forward.x * upHint.y - forward.y * upHint.x));
  const Vector3 up =
      MakeVector3(side.y * forward.z - side.z * forward.y, side.z * forward.x - side.x * forward.z,
                  side.x * forward.y - side.y * forward.x);
  Matrix r = {{side.x, up.x, -forward.x, 0, side.y, up.y, -forward.y, 0, side.z, up.z, -forward.z,
               0, 0, 0, 0, 1}};
  return Multiply(r, Translation(-eye.x, -eye.y, -eye.z));
}

// A program the GL refuses ends the program: there is nothing to draw with.
[[noreturn]] void ShaderFailed(const std::string& what, const std::string& log) {
  WriteLog((what + ": " + log).c_str(), false);
  Platform.ShowMessageBox((what + "\n" + log).c_str(), "Error", MB_ICONERROR);
  std::exit(1);
}

// The one shader text for both GLSL dialects: only the version line and, for OpenGL ES,
// the default precision come before it.
GLuint Compile(GLenum type, const char* body, const char* name, const std::string& defines) {
  const std::string header =
      (ContextKind == GLContextKind::ES ? "#version 300 es\nprecision highp float;\n"
                                        : "#version 330 core\n") +
      defines;
  const std::string text = ShaderTextFilter ? ShaderTextFilter(header + body) : header + body;
  const GLchar* source = text.c_str();
  const GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint compiled = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  if (!compiled) {
    char log[2048] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    ShaderFailed(std::string("The GL cannot compile ") + name, log);
  }
  return shader;
}

Program Link(const char* vertex, const char* fragment, const char* name,
             std::initializer_list<const char*> attributes, const std::string& defines = "") {
  Program program;
  program.id = glCreateProgram();
  const GLuint vs = Compile(GL_VERTEX_SHADER, vertex, name, defines);
  const GLuint fs = Compile(GL_FRAGMENT_SHADER, fragment, name, defines);
  glAttachShader(program.id, vs);
  glAttachShader(program.id, fs);
  GLuint location = 0;
  for (const char* attribute : attributes) glBindAttribLocation(program.id, location++, attribute);
  glLinkProgram(program.id);
  GLint linked = 0;
  glGetProgramiv(program.id, GL_LINK_STATUS, &linked);
  if (!linked) {
    char log[2048] = {};
    glGetProgramInfoLog(program.id, sizeof log, nullptr, log);
    ShaderFailed(std::string("The GL cannot link ") + name, log);
  }
  glDeleteShader(vs);
  glDeleteShader(fs);
  program.modelview = glGetUniformLocation(program.id, "u_modelview");
  program.projection = glGetUniformLocation(program.id, "u_projection");
  return program;
}

// The bump program for the mode, linked with its texture units the first time it is asked for.
const Program& BumpProgram(const BumpMode& mode) {
  const auto found = Shaders.bump.find(mode.Key());
  if (found != Shaders.bump.end()) return found->second;
  auto flag = [](int on) { return on ? "true" : "false"; };
  const std::string defines =
      "#define VIEW " + std::to_string(mode.view) + "\n#define SHADOW " + flag(mode.shadow) +
      "\n#define COLOUR " + flag(mode.colour) + "\n#define SPECULAR " + flag(mode.specular) +
      "\n#define SQUARINGS " + std::to_string(mode.squarings) + "\n#define NORMALISE " +
      flag(mode.normalise) + "\n#define BASIS " + std::to_string(mode.basis) +
      "\n#define MIRRORED_SHADE " + std::to_string(MirroredShade) + "\n";
  Program program =
      Link(BumpVertexShader, BumpFragmentShader, "the bump-mapping shaders",
           {"a_position", "a_normal", "a_tangent", "a_bitangent", "a_texcoord", "a_colourTexcoord"},
           defines);
  program.light = glGetUniformLocation(program.id, "u_light");
  program.eye = glGetUniformLocation(program.id, "u_eye");
  glUseProgram(program.id);
  glUniform1i(glGetUniformLocation(program.id, "u_normalMap"), 0);
  glUniform1i(glGetUniformLocation(program.id, "u_cubeMap"), 1);
  glUniform1i(glGetUniformLocation(program.id, "u_colourMap"), 2);
  return Shaders.bump[mode.Key()] = program;
}

// Float attributes of a vertex layout, in location order: (component count, offset).
void Attributes(GLsizei stride, std::initializer_list<std::pair<GLint, std::size_t>> layout) {
  GLuint location = 0;
  for (const auto& attribute : layout) {
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location++, attribute.first, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(attribute.second));
  }
}

// A 2D texture of the image with its whole mipmap chain, as gluBuild2DMipmaps makes it for
// a power-of-two image (another size has the GL make its chain), repeating, trilinear.
GLuint MakeTexture(TextureImage image) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  const bool powerOfTwo =
      (image.width & (image.width - 1)) == 0 && (image.height & (image.height - 1)) == 0;
  if (powerOfTwo) {
    UploadMipmappedImage(std::move(image), GL_RGB8);
  } else {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image.pixels.data());
    glGenerateMipmap(GL_TEXTURE_2D);
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  return name;
}

GLuint MakeCubeMap(std::int32_t size) {
  std::vector<std::uint8_t> face(static_cast<std::size_t>(size) * size * 3);
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_CUBE_MAP, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
  for (std::int32_t f = 0; f < 6; ++f) {
    NormalizationCubeFace(size, f, face.data());
    glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, 0, GL_RGB8, size, size, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, face.data());
  }
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAX_LEVEL, 0);
  return name;
}

// The colour map, read when first needed, with the green channel as stored; 0 when it
// cannot be read (the reader has said why).
GLuint ColourMap() {
  if (!Shaders.colourTried) {
    Shaders.colourTried = true;
    const bool flip = FlipGreenChannel;
    FlipGreenChannel = false;
    TextureImage image;
    if (ReadTextureImage(ColourMapPath, false, &image))
      Shaders.colourMap = MakeTexture(std::move(image));
    FlipGreenChannel = flip;
    NoteColourMapRead(Shaders.colourMap != 0);
  }
  return Shaders.colourMap;
}

// The light marker: the points gluSphere(0.05, 15, 15) draws, as triangles, in white.
std::vector<PlainVertex> MarkerSphere() {
  const int slices = 15, stacks = 15;
  const float radius = 0.05f;
  const double drho = 3.14159265358979323846 / stacks, dtheta = 2 * 3.14159265358979323846 / slices;
  auto point = [&](int i, int j) {
    const double rho = i * drho, theta = (j == slices) ? 0.0 : j * dtheta;
    const float x = static_cast<float>(-std::sin(theta) * std::sin(rho));
    const float y = static_cast<float>(std::cos(theta) * std::sin(rho));
    const float z = static_cast<float>(std::cos(rho));
    return PlainVertex{{x * radius, y * radius, z * radius}, {1, 1, 1, 1}};
  };
  std::vector<PlainVertex> triangles;
  for (int i = 0; i < stacks; ++i)
    for (int j = 0; j < slices; ++j)
      for (const auto& corner :
           {std::make_pair(i, j), std::make_pair(i + 1, j), std::make_pair(i + 1, j + 1),
            std::make_pair(i, j), std::make_pair(i + 1, j + 1), std::make_pair(i, j + 1)})
        triangles.push_back(point(corner.first, corner.second));
  return triangles;
}

void DrawPlain(GLenum mode, const std::vector<PlainVertex>& vertices, const Matrix& modelview,
               const Matrix& projection) {
  if (vertices.empty()) return;
  glUseProgram(Shaders.plain.id);
  glUniformMatrix4fv(Shaders.plain.modelview, 1, GL_FALSE, modelview.m);
  glUniformMatrix4fv(Shaders.plain.projection, 1, GL_FALSE, projection.m);
  glBindVertexArray(Shaders.plainArrays);
  glBindBuffer(GL_ARRAY_BUFFER, Shaders.plainBuffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(PlainVertex)),
               vertices.data(), GL_STREAM_DRAW);
  glDrawArrays(mode, 0, static_cast<GLsizei>(vertices.size()));
}

// Leaves nothing bound that a fixed-function frame would trip over (client arrays read
// through a bound buffer; a program in use).
void Unbind() {
  glBindVertexArray(0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glUseProgram(0);
  glActiveTexture(GL_TEXTURE0);
}

// The running normal map as the shaders' texture: in a compatibility context the stages'
// own when its chain is the shaders' (SharedBumpTexture), otherwise one made from image
// (read when none is given).
void MakeNormalMap(TextureImage* image) {
  if (Shaders.normalMap && !Shaders.normalMapShared) glDeleteTextures(1, &Shaders.normalMap);
  Shaders.normalMapShared = ContextKind == GLContextKind::Compatibility && SharedBumpTexture;
  if (Shaders.normalMapShared) {
    Shaders.normalMap = SharedBumpTexture;
    return;
  }
  TextureImage read;
  if (!image) {
    ReadNormalMapImage(true, &read);
    image = &read;
  }
  Shaders.normalMap = MakeTexture(std::move(*image));
}

void ReleaseMeshes() {
  for (const MeshBuffers& mesh : Shaders.meshes) {
    const GLuint buffers[2] = {mesh.vertices, mesh.indices};
    glDeleteBuffers(2, buffers);
    glDeleteVertexArrays(1, &mesh.arrays);
  }
  Shaders.meshes.clear();
}

// The current model's meshes in the GL, uploaded when the model (or the file) changes.
const std::vector<MeshBuffers>& ModelBuffers(const std::vector<DrawnPart>& parts) {
  if (Shaders.bufferedModel == static_cast<int>(CurrentModel) &&
      Shaders.bufferedRevision == FileModelRevision() && Shaders.meshes.size() == parts.size())
    return Shaders.meshes;
  ReleaseMeshes();
  Shaders.bufferedModel = static_cast<int>(CurrentModel);
  Shaders.bufferedRevision = FileModelRevision();
  std::vector<BumpVertex> vertices;
  for (const DrawnPart& part : parts) {
    const Mesh& mesh = *part.mesh;
    vertices.resize(mesh.vertices.size());
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
      const MeshVertex& v = mesh.vertices[i];
      const TexCoord2 colour = part.colourTexCoords ? (*part.colourTexCoords)[i] : v.texCoord;
      vertices[i] = BumpVertex{{v.position.x, v.position.y, v.position.z},
                               {v.normal.x, v.normal.y, v.normal.z},
                               {v.tangent.x, v.tangent.y, v.tangent.z},
                               {v.bitangent.x, v.bitangent.y, v.bitangent.z},
                               {v.texCoord.s, v.texCoord.t},
                               {colour.s, colour.t}};
    }
    MeshBuffers buffers;
    glGenVertexArrays(1, &buffers.arrays);
    GLuint names[2] = {};
    glGenBuffers(2, names);
    buffers.vertices = names[0];
    buffers.indices = names[1];
    buffers.count = static_cast<GLsizei>(mesh.triangles.size());
    glBindVertexArray(buffers.arrays);
    glBindBuffer(GL_ARRAY_BUFFER, buffers.vertices);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(BumpVertex)),
                 vertices.data(), GL_STATIC_DRAW);
    Attributes(sizeof(BumpVertex), {{3, offsetof(BumpVertex, position)},
                                    {3, offsetof(BumpVertex, normal)},
                                    {3, offsetof(BumpVertex, tangent)},
                                    {3, offsetof(BumpVertex, bitangent)},
                                    {2, offsetof(BumpVertex, texcoord)},
                                    {2, offsetof(BumpVertex, colourTexcoord)}});
    // The vertex array keeps the index buffer bound.
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers.indices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(mesh.triangles.size() * sizeof(std::uint32_t)),
                 mesh.triangles.data(), GL_STATIC_DRAW);
    Shaders.meshes.push_back(buffers);
  }
  glBindVertexArray(0);
  return Shaders.meshes;
}

// The current model in the current view: each part with its maps, its per-vertex terms
// worked out by the vertex shader from the light's and the camera's positions.
void DrawModel() {
  const std::vector<DrawnPart> parts = DrawnParts();
  const std::vector<MeshBuffers>& buffers = ModelBuffers(parts);
  const bool lit = CurrentView == View::Lit;
  const bool specular = lit && ShowSpecular;
  int squarings = 0;
  while (specular && (1 << squarings) < SpecularPower()) ++squarings;
  const Vector3 eye = CameraEye();
  for (std::size_t p = 0; p < parts.size(); ++p) {
    const DrawnPart& part = parts[p];
    if (buffers[p].count == 0) continue;
    const GLuint colourMap =
        !(lit && ShowColour)             ? 0
        : part.colourImage == RunningMap ? ColourMap()
        : part.colourImage == NoMap
            ? 0
            : FileTexture(&Shaders.files, part.colourImage, false, MakeTexture);
    const GLuint normalMap = part.normalImage == RunningMap
                                 ? Shaders.normalMap
                                 : FileTexture(&Shaders.files, part.normalImage, true, MakeTexture);
    const int basis = CurrentBasis == Basis::Pixel ? 1 : 0;
    const Program& program = BumpProgram({static_cast<int>(CurrentView), lit && !part.wall,
                                          colourMap != 0, specular, squarings, part.wall, basis});
    glUseProgram(program.id);
    glUniformMatrix4fv(program.modelview, 1, GL_FALSE, Shaders.modelview.m);
    glUniformMatrix4fv(program.projection, 1, GL_FALSE, Shaders.projection.m);
    glUniform3f(program.light, LightPosition.x, LightPosition.y, LightPosition.z);
    glUniform3f(program.eye, eye.x, eye.y, eye.z);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, normalMap);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_CUBE_MAP, Shaders.cubeMap);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, colourMap ? colourMap : normalMap);
    glBindVertexArray(buffers[p].arrays);
    glDrawElements(GL_TRIANGLES, buffers[p].count, GL_UNSIGNED_INT, nullptr);
  }
}

}  // namespace

std::string (*ShaderTextFilter)(const std::string& text) = nullptr;

void ReleaseShaders() {
  if (!Shaders.ready) return;
  for (const auto& program : Shaders.bump) glDeleteProgram(program.second.id);
  glDeleteProgram(Shaders.plain.id);
  ReleaseMeshes();
  glDeleteBuffers(1, &Shaders.plainBuffer);
  glDeleteVertexArrays(1, &Shaders.plainArrays);
  std::vector<GLuint> textures = FileTextureNames(Shaders.files);
  textures.insert(textures.end(), {Shaders.normalMapShared ? 0u : Shaders.normalMap,
                                   Shaders.cubeMap, Shaders.colourMap});
  for (const GLuint name : textures)
    if (name) glDeleteTextures(1, &name);
  Shaders = ShaderState();
}

void InitShaderPrograms() {
  if (Shaders.ready) return;
  Shaders.ready = true;
  Shaders.plain =
      Link(PlainVertexShader, PlainFragmentShader, "the plain shaders", {"a_position", "a_colour"});
  // The first frame's mode is compiled now, so that the start-up holds its cost.
  const bool wall = CurrentModel == Model::Wall;
  BumpProgram(
      {static_cast<int>(CurrentView), 0, 0, 0, 0, wall, CurrentBasis == Basis::Pixel ? 1 : 0});

  glGenBuffers(1, &Shaders.plainBuffer);
  glGenVertexArrays(1, &Shaders.plainArrays);
  glBindVertexArray(Shaders.plainArrays);
  glBindBuffer(GL_ARRAY_BUFFER, Shaders.plainBuffer);
  Attributes(sizeof(PlainVertex),
             {{3, offsetof(PlainVertex, position)}, {4, offsetof(PlainVertex, colour)}});

  Shaders.cubeMap = MakeCubeMap(32);
  Shaders.marker = MarkerSphere();
  Unbind();
}

void InitShaders() {
  InitShaderPrograms();
  if (!Shaders.normalMap) MakeNormalMap(nullptr);
}

void ReplaceShadersNormalMap(TextureImage image) {
  if (Shaders.ready) MakeNormalMap(&image);
}

void RenderShaders() {
  InitShaders();
  glViewport(0, 0, ScreenWidth, ScreenHeight);
  glClearColor(0, 0, 0, 1);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDisable(GL_BLEND);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  const double aspect = static_cast<double>(static_cast<long double>(ScreenWidth) / ScreenHeight);
  Shaders.projection = Perspective(60.0, aspect, 1.0, 60.0);
  Shaders.modelview = LookAtOrigin(CameraEye());

  // The light marker first, so it hides the wall behind it.
  DrawPlain(
      GL_TRIANGLES, Shaders.marker,
      Multiply(Shaders.modelview, Translation(LightPosition.x, LightPosition.y, LightPosition.z)),
      Shaders.projection);

  for (int i = 0; i < 4; ++i)
    LightVectors[i] = NormalizeVector3(SubtractVector3(LightPosition, WallVertices[i]));
  if (WallBackShown()) {
    // The wall's back, unlit: plain black.
    std::vector<PlainVertex> back;
    for (const int i : {0, 1, 2, 0, 2, 3}) {
      const Vector3& v = WallVertices[i];
      back.push_back(PlainVertex{{v.x, v.y, v.z}, {0, 0, 0, 1}});
    }
    DrawPlain(GL_TRIANGLES, back, Shaders.modelview, Shaders.projection);
  } else {
    DrawModel();
  }
  Unbind();
}

void DrawPlainWithShaders(GLenum mode, const std::vector<PlainVertex>& vertices, bool inPixels) {
  InitShaderPrograms();
  glDisable(GL_DEPTH_TEST);
  if (inPixels) {
    // Window pixels, y down: glOrtho(0, width, height, 0, -1, 1).
    Matrix ortho = {
        {2.0f / ScreenWidth, 0, 0, 0, 0, -2.0f / ScreenHeight, 0, 0, 0, 0, -1, 0, -1, 1, 0, 1}};
    DrawPlain(mode, vertices, Translation(0, 0, 0), ortho);
  } else {
    DrawPlain(mode, vertices, Shaders.modelview, Shaders.projection);
  }
  glEnable(GL_DEPTH_TEST);
  Unbind();
}
