// The curved models' corners as drawn: each corner of every triangle carries its own
// vertex's position, texture coordinates, tangent-space light vector (or half-angle
// vector, in the highlight's pass) and self-shadowing factor, on the texture-stage path
// and on the two-unit path, whichever model was drawn before. GL runs on the recorder's
// no-op slots, with a client-array state of the test's own in place of the array calls,
// which expands each draw into its corners. The expected values are worked out here in
// double precision from the mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "gl/recorder/gl_recorder.h"
#include "picture_geometry.h"
#include "scene/models.h"
#include "scene/scene.h"

namespace {

using picture::V3;

V3 Of(Vector3 v) {
  return {v.x, v.y, v.z};
}
V3 InFrame(const MeshVertex& v, V3 d) {
  return {Dot(d, Of(v.tangent)), Dot(d, Of(v.bitangent)), Dot(d, Of(v.normal))};
}
double SelfShadow(double c) {
  return c <= 0 ? 0 : c >= 0.125 ? 1 : 8 * c;
}

// What one glDrawElements(GL_TRIANGLES) drew: per corner, the attributes its index
// selects from the client arrays that were on.
struct Corner {
  std::vector<double> position, texCoord, vector, colour, normal, colourCoord;
};
typedef std::vector<Corner> Batch;

// A GL's client-array state, as far as the scene uses it, in place of the recorder's
// no-ops for those calls; each draw's corners go to Drawn.
struct Array {
  bool on = false;
  GLint size = 0;
  GLsizei stride = 0;
  const void* pointer = nullptr;
};
struct ClientState {
  GLenum clientUnit = GL_TEXTURE0_ARB;
  Array vertex, colour, normal, coords[8];
  std::vector<Batch> drawn;
};
ClientState Client;

Array& ArrayOf(GLenum name) {
  if (name == GL_VERTEX_ARRAY) return Client.vertex;
  if (name == GL_COLOR_ARRAY) return Client.colour;
  if (name == GL_NORMAL_ARRAY) return Client.normal;
  return Client.coords[Client.clientUnit - GL_TEXTURE0_ARB];
}
void Point(Array* array, GLint size, GLsizei stride, const void* pointer) {
  array->size = size, array->stride = stride, array->pointer = pointer;
}
std::vector<double> Fetch(const Array& array, std::uint32_t index) {
  if (!array.on) return {};
  const GLsizei stride = array.stride ? array.stride : array.size * sizeof(float);
  const float* values = reinterpret_cast<const float*>(
      static_cast<const unsigned char*>(array.pointer) + index * stride);
  return std::vector<double>(values, values + array.size);
}

void InstallClientArrays() {
  Client = ClientState();
  glClientActiveTextureARB = [](GLenum unit) { Client.clientUnit = unit; };
  glEnableClientState = [](GLenum name) { ArrayOf(name).on = true; };
  glDisableClientState = [](GLenum name) { ArrayOf(name).on = false; };
  glVertexPointer = [](GLint size, GLenum, GLsizei stride, const void* pointer) {
    Point(&Client.vertex, size, stride, pointer);
  };
  glColorPointer = [](GLint size, GLenum, GLsizei stride, const void* pointer) {
    Point(&Client.colour, size, stride, pointer);
  };
  glTexCoordPointer = [](GLint size, GLenum, GLsizei stride, const void* pointer) {
    Point(&ArrayOf(GL_TEXTURE_COORD_ARRAY), size, stride, pointer);
  };
  glNormalPointer = [](GLenum, GLsizei stride, const void* pointer) {
    Point(&Client.normal, 3, stride, pointer);
  };
  glDrawElements = [](GLenum mode, GLsizei count, GLenum type, const void* indices) {
    EXPECT_EQ(mode, static_cast<GLenum>(GL_TRIANGLES));
    EXPECT_EQ(type, static_cast<GLenum>(GL_UNSIGNED_INT));
    Batch batch;
    for (GLsizei i = 0; i < count; ++i) {
      const std::uint32_t index = static_cast<const std::uint32_t*>(indices)[i];
      Corner c;
      c.position = Fetch(Client.vertex, index);
      c.texCoord = Fetch(Client.coords[0], index);
      c.vector = Fetch(Client.coords[1], index);
      c.colour = Fetch(Client.colour, index);
      c.normal = Fetch(Client.normal, index);
      // The colour map's coordinates: on unit 3 with the self-shadowing stage, else 2.
      c.colourCoord = Fetch(Client.coords[3].on ? Client.coords[3] : Client.coords[2], index);
      batch.push_back(c);
    }
    Client.drawn.push_back(batch);
  };
}

// After a frame every array is off again and unit 0 is the client-active unit.
void ExpectClientArraysOff(const std::string& where) {
  EXPECT_EQ(Client.clientUnit, static_cast<GLenum>(GL_TEXTURE0_ARB)) << where;
  bool on = Client.vertex.on || Client.colour.on || Client.normal.on;
  for (const Array& a : Client.coords) on = on || a.on;
  EXPECT_FALSE(on) << where;
}

class MeshCorners : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakePlatform();
    RecordGLCalls();
    InstallClientArrays();
    // The unit count the scene asks for once: eight, as llvmpipe has.
    glGetIntegerv = [](GLenum name, GLint* value) {
      if (name == GL_MAX_TEXTURE_UNITS_ARB) *value = 8;
    };
    BumpTexture = 1;
    NormalizationCubeMap = 2;
    LightQuadric = nullptr;
    CurrentView = View::Lit;
    ShowColour = false;
  }
  void TearDown() override {
    StopRecordingGLCalls();
    CurrentModel = Model::Wall;
    ShowSpecular = false;
    ForceTwoTextureUnits = false;
    ResetCamera();
  }
};

// Checks every corner of a batch against the mesh: the light vector unnormalised (the
// diffuse pass) or the half-angle vector (the highlight's pass), and the factor where a
// colour is given.
void ExpectCorners(const Batch& batch, const Mesh& mesh, bool half, bool withVector,
                   const std::string& where) {
  ASSERT_EQ(batch.size(), mesh.triangles.size()) << where;
  const V3 light = Of(LightPosition), eye = Of(CameraEye());
  int wrong = 0;
  for (std::size_t k = 0; k < batch.size() && wrong < 5; ++k) {
    const MeshVertex& v = mesh.vertices[mesh.triangles[k]];
    const Corner& c = batch[k];
    const V3 l = light - Of(v.position);
    const V3 inFrame = InFrame(v, half ? Unit(l) : l);
    const V3 view = InFrame(v, Unit(eye - Of(v.position)));
    const V3 expected =
        half ? V3{inFrame.x + view.x, inFrame.y + view.y, inFrame.z + view.z} : inFrame;
    const double factor = SelfShadow(Dot(Unit(l), Of(v.normal)));
    bool ok = c.position == std::vector<double>{v.position.x, v.position.y, v.position.z} &&
              c.texCoord == std::vector<double>{v.texCoord.s, v.texCoord.t};
    if (withVector)
      ok = ok && c.vector.size() == 3 && std::abs(c.vector[0] - expected.x) < 1e-5 &&
           std::abs(c.vector[1] - expected.y) < 1e-5 && std::abs(c.vector[2] - expected.z) < 1e-5;
    if (!c.colour.empty())
      ok = ok && std::abs(c.colour[0] - factor) < 1e-4 && c.colour[1] == c.colour[0] &&
           c.colour[2] == c.colour[0];
    if (!ok) {
      ++wrong;
      ADD_FAILURE() << where << ", corner " << k << " (vertex " << mesh.triangles[k]
                    << "): expected vector (" << expected.x << ", " << expected.y << ", "
                    << expected.z << "), factor " << factor << "; drew vector "
                    << (c.vector.size() == 3
                            ? std::to_string(c.vector[0]) + ", " + std::to_string(c.vector[1]) +
                                  ", " + std::to_string(c.vector[2])
                            : "none")
                    << (c.colour.empty() ? "" : ", colour " + std::to_string(c.colour[0]));
    }
  }
}

TEST_F(MeshCorners, EveryCornerCarriesItsOwnVertexTerms) {
  const Model order[] = {Model::Sphere, Model::Torus, Model::Sphere};
  int frame = 0;
  for (const bool twoUnits : {false, true}) {
    for (const bool specular : {false, true}) {
      for (const Model model : order) {
        ForceTwoTextureUnits = twoUnits;
        ShowSpecular = specular;
        CurrentModel = model;
        // A light that moves from frame to frame, and a camera moved on odd frames.
        LightPosition = MakeVector3(std::cos(0.7f * frame), std::sin(0.7f * frame), 1.5f);
        ResetCamera();
        if (frame % 2) OrbitCamera(0.4f, -0.2f);
        ++frame;
        Client.drawn.clear();
        RenderScene();
        const std::vector<Batch>& batches = Client.drawn;
        const Mesh& mesh = ModelMesh(model);
        const std::string where = std::string(model == Model::Sphere ? "sphere" : "torus") +
                                  (specular ? " with highlight" : "") +
                                  (twoUnits ? ", two units" : ", eight units");
        // The diffuse pass; on two units its factor in a second pass; then the highlight.
        const std::size_t expected = 1 + (twoUnits ? 1 : 0) + (specular ? 1 : 0);
        ASSERT_EQ(batches.size(), expected) << where;
        ExpectCorners(batches[0], mesh, false, true, where + ", diffuse pass");
        // On eight units the factor rides in the diffuse pass's colour.
        EXPECT_EQ(batches[0][0].colour.empty(), twoUnits) << where;
        if (twoUnits) {
          ExpectCorners(batches[1], mesh, false, false, where + ", factor pass");
          EXPECT_FALSE(batches[1][0].colour.empty()) << where;
        }
        if (specular) ExpectCorners(batches.back(), mesh, true, true, where + ", highlight pass");
        ExpectClientArraysOff(where);
      }
    }
  }
}

// The per-vertex view hands GL each vertex's own normal (GL's lighting needs it), and the
// colour map gets each vertex's own coordinates on its unit; on eight units both ride in
// the one draw.
TEST_F(MeshCorners, NormalsAndColourCoordinatesAreEachVertexsOwn) {
  const char* const shipped = ColourMapPath;
  ColourMapPath = BUMPDEMO_ASSETS_DIR "/Textures/wall_colour.bmp";
  for (const Model model : {Model::Sphere, Model::Torus}) {
    CurrentModel = model;
    const Mesh& mesh = ModelMesh(model);
    for (const bool perVertex : {true, false}) {
      CurrentView = perVertex ? View::PerVertex : View::Lit;
      ShowColour = !perVertex;
      Client.drawn.clear();
      RenderScene();
      ASSERT_EQ(Client.drawn.size(), 1u);
      const Batch& batch = Client.drawn[0];
      ASSERT_EQ(batch.size(), mesh.triangles.size());
      int wrong = 0;
      for (std::size_t k = 0; k < batch.size(); ++k) {
        const MeshVertex& v = mesh.vertices[mesh.triangles[k]];
        const std::vector<double>& got = perVertex ? batch[k].normal : batch[k].colourCoord;
        const std::vector<double> expected =
            perVertex ? std::vector<double>{v.normal.x, v.normal.y, v.normal.z}
                      : std::vector<double>{v.texCoord.s, v.texCoord.t};
        wrong += got != expected;
      }
      EXPECT_EQ(wrong, 0) << (perVertex ? "normals" : "colour coordinates") << " of the "
                          << (model == Model::Sphere ? "sphere" : "torus");
      ExpectClientArraysOff("after the frame");
    }
  }
  ShowColour = false;
  ColourMapPath = shipped;
}

}  // namespace
