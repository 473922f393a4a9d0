// The texture stages' per-vertex terms from a mesh's frame arrays (the loops the compiler
// vectorises) against the single-vertex functions the probe predicts with, on random meshes
// and frames: the same arithmetic, so the same bits, at every length of mesh (the vector
// loops' remainders included) and at the awkward vertices (on the light, on the eye, facing
// away from the light, on the self-shadowing factor's bends).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "scene/scene.h"
#include "scene/scene_terms.h"

namespace {

bool SameBits(float a, float b) {
  if (std::isnan(a) && std::isnan(b)) return true;  // which NaN is the hardware's choice
  std::uint32_t x, y;
  std::memcpy(&x, &a, 4);
  std::memcpy(&y, &b, 4);
  return x == y;
}

Vector3 Unit(Vector3 v) {
  const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return MakeVector3(v.x / length, v.y / length, v.z / length);
}

// A mesh of random frames, some vertices placed where the terms take their special paths.
Mesh RandomMesh(std::size_t count, std::mt19937* random, Vector3 light, Vector3 eye) {
  std::uniform_real_distribution<float> any(-2, 2);
  Mesh mesh;
  for (std::size_t i = 0; i < count; ++i) {
    MeshVertex v;
    v.position = MakeVector3(any(*random), any(*random), any(*random));
    v.normal = Unit(MakeVector3(any(*random), any(*random), any(*random)));
    v.tangent = Unit(MakeVector3(any(*random), any(*random), any(*random)));
    v.bitangent = Unit(MakeVector3(any(*random), any(*random), any(*random)));
    switch (i % 11) {
      case 3:  // on the light: a zero vector
        v.position = light;
        break;
      case 5:  // on the eye
        v.position = eye;
        break;
      case 7:  // the normal square to the light: a factor of 0 or -0
        v.position = MakeVector3(light.x, light.y, light.z - 1);
        v.normal = MakeVector3(1, 0, 0);
        break;
      case 9:  // a cosine of exactly 1/8, where the factor reaches 1
        v.position = MakeVector3(light.x - 1, light.y, light.z - 0.5f);
        v.normal = MakeVector3(-0.0f, 0.0f, 0.25f);
        break;
    }
    mesh.vertices.push_back(v);
  }
  return mesh;
}

TEST(VertexTerms, ArraysGiveTheSingleVertexFunctionsBits) {
  std::mt19937 random(20261209);
  std::uniform_real_distribution<float> place(-1.5f, 1.5f), turn(-3, 3);
  int frames = 0;
  for (const std::size_t count : {1, 2, 3, 5, 8, 13, 1000, 1027}) {
    for (int frame = 0; frame < 4; ++frame, ++frames) {
      SCOPED_TRACE("mesh of " + std::to_string(count) + " vertices, frame " +
                   std::to_string(frame));
      LightPosition = MakeVector3(place(random), place(random), 1 + place(random));
      ResetCamera();
      if (frame % 2) OrbitCamera(turn(random), turn(random) / 4);
      const Mesh mesh = RandomMesh(count, &random, LightPosition, CameraEye());
      const FrameArrays arrays = FrameArraysOf(mesh);
      ASSERT_EQ(arrays.count, count);
      // Unnormalised, normalised (the wall), and the half-angle vector: alone, or with the
      // light's terms in one pass (normalised there: the wall's highlight).
      for (const int pass : {0, 1, 2}) {
        std::vector<VertexTerms> terms(3, VertexTerms{{9, 9, 9, 9}, {9, 9, 9, 9}});
        std::vector<VertexVector> half(5, VertexVector{{9, 9, 9, 9}});
        if (pass < 2) {
          LightAtVertices(arrays, pass == 1, &terms);
        } else if (frame % 2) {
          HalfAngleAtVertices(arrays, &half);
          terms.clear();
          LightAtVertices(arrays, true, &terms);
        } else {
          LightAndHalfAngleAtVertices(arrays, true, &terms, &half);
        }
        ASSERT_EQ(terms.size(), count);
        ASSERT_EQ(half.size(), pass == 2 ? count : 5);
        int wrong = 0;
        for (std::size_t i = 0; i < count && wrong < 3; ++i) {
          float vector[3], light[3];
          const float shade = TangentLight(mesh.vertices[i], pass == 1 || pass == 2, light);
          if (pass < 2)
            std::copy_n(light, 3, vector);
          else
            HalfAngle(mesh.vertices[i], vector);
          const VertexTerms& t = terms[i];
          const float* v = pass < 2 ? t.vector : half[i].vector;
          const bool same = SameBits(v[0], vector[0]) && SameBits(v[1], vector[1]) &&
                            SameBits(v[2], vector[2]) && SameBits(t.shade[0], shade) &&
                            SameBits(t.shade[1], shade) && SameBits(t.shade[2], shade) &&
                            t.shade[3] == 1 && (pass < 2 || SameBits(t.vector[0], light[0]));
          if (!same)
            ADD_FAILURE() << "pass " << pass << ", vertex " << i << ": (" << v[0] << ", " << v[1]
                          << ", " << v[2] << ") x " << t.shade[0] << " from the arrays, ("
                          << vector[0] << ", " << vector[1] << ", " << vector[2] << ") x " << shade
                          << " alone";
          wrong += !same;
        }
      }
    }
  }
  EXPECT_EQ(frames, 32);
  ResetCamera();
}

// The terms themselves, at vertices whose answers are known: the light straight above, so
// that the vector in the frame is (0, 0, cos) when normalised and the distance times that
// when not, and the factor on each of its three stretches.
TEST(VertexTerms, KnownVerticesGiveKnownTerms) {
  LightPosition = MakeVector3(0, 0, 2);
  ResetCamera();
  Mesh mesh;
  struct Case {
    Vector3 position, normal;
    float cosine;  // of the light's direction with the normal
  };
  const Case cases[] = {
      {{0, 0, 0}, {0, 0, 1}, 1},           {{0, 0, 0}, {1, 0, 0}, 0},
      {{0, 0, 0}, {0, 0, -1}, -1},         {{0, 0, 1}, {0.6f, 0, 0.8f}, 0.8f},
      {{0, 0, -2}, {0, 0.8f, 0.6f}, 0.6f}, {{0, 0, 0}, {0.99498744f, 0, 0.1f}, 0.1f}};
  for (const Case& c : cases) {
    MeshVertex v;
    v.position = c.position;
    v.normal = c.normal;
    v.tangent = MakeVector3(1, 0, 0);
    v.bitangent = MakeVector3(0, 1, 0);
    mesh.vertices.push_back(v);
  }
  std::vector<VertexTerms> unit, raw;
  LightAtVertices(FrameArraysOf(mesh), true, &unit);
  LightAtVertices(FrameArraysOf(mesh), false, &raw);
  for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
    SCOPED_TRACE(i);
    const float distance = 2 - mesh.vertices[i].position.z;
    const float c = cases[i].cosine;
    EXPECT_FLOAT_EQ(unit[i].vector[0], 0);
    EXPECT_FLOAT_EQ(unit[i].vector[1], 0);
    EXPECT_FLOAT_EQ(unit[i].vector[2], c);
    EXPECT_FLOAT_EQ(raw[i].vector[2], c * distance);
    const float factor = c <= 0 ? 0 : c >= 0.125f ? 1 : 8 * c;
    EXPECT_FLOAT_EQ(unit[i].shade[0], factor);
    EXPECT_FLOAT_EQ(raw[i].shade[0], factor);
  }
}

}  // namespace
