// Meshes for the tangent tests and benchmark, and the reference run on them through node.
#include "tangent_meshes.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace {

constexpr double Pi = 3.14159265358979323846;

// u over a loop, a in [0, 1]: straight, or out over the first half and back over the second.
float LoopU(double a, bool mirrored) {
  return static_cast<float>(mirrored ? 2 * std::min(a, 1 - a) : a);
}

}  // namespace

TangentMesh ViewOf(const TestMesh& mesh) {
  TangentMesh view;
  view.triangleCount = mesh.TriangleCount();
  view.indices = mesh.indices.data();
  view.vertexCount = mesh.positions.size() / 3;
  view.positions = mesh.positions.data();
  view.normals = mesh.normals.data();
  view.texCoords = mesh.texCoords.data();
  return view;
}

std::vector<float> OurTangents(const TestMesh& mesh) {
  std::vector<float> tangents(12 * mesh.TriangleCount());
  GenerateTangents(ViewOf(mesh), tangents.data());
  return tangents;
}

std::uint32_t AddVertex(TestMesh& mesh, const float position[3], const float normal[3], float s,
                        float t) {
  const auto index = static_cast<std::uint32_t>(mesh.positions.size() / 3);
  mesh.positions.insert(mesh.positions.end(), position, position + 3);
  mesh.normals.insert(mesh.normals.end(), normal, normal + 3);
  mesh.texCoords.push_back(s);
  mesh.texCoords.push_back(t);
  return index;
}

void AddTriangle(TestMesh& mesh, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  const float* pa = &mesh.positions[3 * a];
  const float* pb = &mesh.positions[3 * b];
  const float* pc = &mesh.positions[3 * c];
  const double e1[3] = {pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
  const double e2[3] = {pc[0] - pa[0], pc[1] - pa[1], pc[2] - pa[2]};
  const double cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                           e1[0] * e2[1] - e1[1] * e2[0]};
  const float* n = &mesh.normals[3 * a];
  const bool flip = cross[0] * n[0] + cross[1] * n[1] + cross[2] * n[2] < 0;
  mesh.indices.insert(mesh.indices.end(), {a, flip ? c : b, flip ? b : c});
}

TestMesh MakeSphere(int rings, int segments, bool mirrored, bool withPoleSlivers) {
  TestMesh mesh;
  for (int i = 0; i <= rings; ++i) {
    for (int j = 0; j <= segments; ++j) {
      // Around from +x towards -z, so that u grows with the surface on the right hand.
      const double theta = Pi * i / rings, phi = 2 * Pi * (j == segments ? 0 : j) / segments;
      float p[3] = {static_cast<float>(std::sin(theta) * std::cos(phi)),
                    static_cast<float>(-std::cos(theta)),
                    static_cast<float>(-std::sin(theta) * std::sin(phi))};
      if (i == 0 || i == rings) p[0] = p[2] = 0, p[1] = i == 0 ? -1.0f : 1.0f;
      AddVertex(mesh, p, p, LoopU(static_cast<double>(j) / segments, mirrored),
                static_cast<float>(i) / rings);
    }
  }
  const auto at = [segments](int i, int j) {
    return static_cast<std::uint32_t>(i * (segments + 1) + j);
  };
  for (int i = 0; i < rings; ++i) {
    for (int j = 0; j < segments; ++j) {
      if (i > 0 || withPoleSlivers) AddTriangle(mesh, at(i, j), at(i, j + 1), at(i + 1, j + 1));
      if (i < rings - 1 || withPoleSlivers)
        AddTriangle(mesh, at(i, j), at(i + 1, j + 1), at(i + 1, j));
    }
  }
  return mesh;
}

TestMesh MakeTorus(int segments, int sides, bool mirrored) {
  TestMesh mesh;
  for (int i = 0; i <= sides; ++i) {
    for (int j = 0; j <= segments; ++j) {
      const double phi = 2 * Pi * (j == segments ? 0 : j) / segments;
      const double psi = 2 * Pi * (i == sides ? 0 : i) / sides;
      const double ring = 1 + 0.35 * std::cos(psi);
      const float p[3] = {static_cast<float>(ring * std::cos(phi)),
                          static_cast<float>(0.35 * std::sin(psi)),
                          static_cast<float>(-ring * std::sin(phi))};
      const float n[3] = {static_cast<float>(std::cos(psi) * std::cos(phi)),
                          static_cast<float>(std::sin(psi)),
                          static_cast<float>(-std::cos(psi) * std::sin(phi))};
      AddVertex(mesh, p, n, LoopU(static_cast<double>(j) / segments, mirrored),
                static_cast<float>(i) / sides);
    }
  }
  const auto at = [segments](int i, int j) {
    return static_cast<std::uint32_t>(i * (segments + 1) + j);
  };
  for (int i = 0; i < sides; ++i) {
    for (int j = 0; j < segments; ++j) {
      AddTriangle(mesh, at(i, j), at(i, j + 1), at(i + 1, j + 1));
      AddTriangle(mesh, at(i, j), at(i + 1, j + 1), at(i + 1, j));
    }
  }
  return mesh;
}

TestMesh MakeMirroredStrip(int quads) {
  TestMesh mesh;
  const float n[3] = {0, 0, 1};
  for (int j = 0; j <= quads; ++j) {
    for (int row = 0; row < 2; ++row) {
      const float p[3] = {static_cast<float>(j), static_cast<float>(row), 0};
      AddVertex(mesh, p, n, LoopU(static_cast<double>(j) / quads, true), static_cast<float>(row));
    }
  }
  for (std::uint32_t j = 0; j < static_cast<std::uint32_t>(quads); ++j) {
    AddTriangle(mesh, 2 * j, 2 * j + 2, 2 * j + 3);
    AddTriangle(mesh, 2 * j, 2 * j + 3, 2 * j + 1);
  }
  return mesh;
}

TestMesh MakeSplitCube() {
  TestMesh mesh;
  // Each face: its normal and the directions of increasing s and t on it.
  const float faces[6][3][3] = {
      {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
      {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
      {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}}};
  for (const auto& face : faces) {
    std::uint32_t corner[4];
    for (int k = 0; k < 4; ++k) {
      const float s = k == 1 || k == 2 ? 1.0f : 0.0f, t = k >= 2 ? 1.0f : 0.0f;
      float p[3];
      for (int a = 0; a < 3; ++a)
        p[a] = face[0][a] + (2 * s - 1) * face[1][a] + (2 * t - 1) * face[2][a];
      corner[k] = AddVertex(mesh, p, face[0], s, t);
    }
    AddTriangle(mesh, corner[0], corner[1], corner[2]);
    AddTriangle(mesh, corner[0], corner[2], corner[3]);
  }
  return mesh;
}

TestMesh MakeFan(int triangles, bool polar) {
  TestMesh mesh;
  const float apex[3] = {0, 0, 0.5f}, up[3] = {0, 0, 1};
  const std::uint32_t top = AddVertex(mesh, apex, up, 0.5f, polar ? 1.0f : 0.5f);
  const int half = triangles / 2;
  for (int j = 0; j <= triangles; ++j) {
    // The second half of the rim is the first's exact negation, so that opposite
    // triangles' s directions are exactly opposite.
    const int k = j % triangles;
    const double phi = 2 * Pi * (k % half) / triangles;
    const float sign = k < half ? 1.0f : -1.0f;
    const float p[3] = {sign * static_cast<float>(std::cos(phi)),
                        sign * static_cast<float>(std::sin(phi)), 0};
    float n[3] = {p[0], p[1], 1};
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (float& c : n) c /= length;
    if (polar)
      AddVertex(mesh, p, n, static_cast<float>(j) / triangles, 0);
    else
      AddVertex(mesh, p, n, 0.5f + 0.5f * p[0], 0.5f + 0.5f * p[1]);
  }
  for (std::uint32_t j = 1; j <= static_cast<std::uint32_t>(triangles); ++j)
    AddTriangle(mesh, top, j, j + 1);
  return mesh;
}

TestMesh MakeOddities() {
  TestMesh mesh;
  const float up[3] = {0, 0, 1};
  for (int y = 0; y <= 4; ++y) {
    for (int x = 0; x <= 4; ++x) {
      const float p[3] = {static_cast<float>(x), static_cast<float>(y), 0};
      // Slightly curved in texture space, so that the grid's frames differ.
      AddVertex(mesh, p, up, x / 4.0f + 0.01f * x * y, y / 4.0f + 0.02f * x * x);
    }
  }
  const auto g = [](int x, int y) { return static_cast<std::uint32_t>(5 * y + x); };
  auto vertex = [&mesh, &up](float x, float y, float z, float s, float t) {
    const float p[3] = {x, y, z};
    return AddVertex(mesh, p, up, s, t);
  };
  // Added as they are: several have no area to wind by.
  auto raw = [&mesh](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    mesh.indices.insert(mesh.indices.end(), {a, b, c});
  };
  // A third triangle on the edge (1,1)-(2,1), before the two grid triangles that share it
  // and running as the first of them does: it takes that one's place as the second's
  // neighbour.
  raw(g(2, 1), g(1, 1), vertex(1.5f, 0.5f, 1, 0.375f, 0.2f));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      raw(g(x, y), g(x + 1, y), g(x + 1, y + 1));
      raw(g(x, y), g(x + 1, y + 1), g(x, y + 1));
    }
  }
  raw(g(1, 1), g(1, 1), g(2, 2));  // two equal indices
  raw(g(3, 3), g(3, 3), g(3, 3));  // three
  // Collinear corners along the grid's lower edge, against the grid triangle there: it
  // joins the fans at (0,0) and (1,0).
  raw(g(2, 0), g(1, 0), g(0, 0));
  // Collinear corners with texture area, alone and from a grid corner.
  raw(vertex(0, -1, 0, 0, 0), vertex(1, -1, 0, 0.5f, 0.3f), vertex(2, -1, 0, 1, 0));
  raw(g(4, 0), vertex(5, 0, 0, 1.2f, 0.1f), vertex(6, 0, 0, 1.3f, -0.2f));
  // A corner at (2,2) with other texture coordinates: at one position with the grid's
  // vertex there, welded to nothing.
  raw(g(2, 2), vertex(2, 2, 0, 0.9f, 0.1f), g(3, 2));
  // No texture area, on the grid's edge (4,3)-(4,4).
  raw(g(4, 4), g(4, 3),
      vertex(5, 3.5f, 0, mesh.texCoords[2 * g(4, 4)], mesh.texCoords[2 * g(4, 4) + 1]));
  // A third triangle on the edge (1,2)-(2,2), after the two that share it and running as
  // the second does: the first pairs with the second, not with this one.
  raw(g(1, 2), g(2, 2), vertex(1.5f, 2.5f, -1, 0.4f, 0.6f));
  // On the grid's top edge (2,4)-(3,4), running the same way as the grid's triangle there:
  // not its neighbour.
  raw(g(3, 4), g(2, 4), vertex(2.5f, 4.5f, 0.5f, 0.9f, 0.9f));
  // Degenerate triangles far from the rest, and one corner equal in value to a grid vertex.
  raw(vertex(9, 9, 0, 0, 0), vertex(9, 9, 0, 0, 0), vertex(10, 9, 0, 1, 0));
  raw(vertex(3, 1, 0, 0.75f, 0.25f), vertex(3, 1, 0, 0.75f, 0.25f), vertex(9, 1, 0, 0.5f, 0.5f));
  return mesh;
}

TestMesh MakeNoisyGrid(int size, unsigned seed) {
  TestMesh mesh;
  std::mt19937 random(seed);
  auto uniform = [&random](double low, double high) {
    return static_cast<float>(low + (high - low) * (random() / 4294967296.0));
  };
  const float step = 1.0f / size;
  for (int y = 0; y <= size; ++y) {
    for (int x = 0; x <= size; ++x) {
      const float p[3] = {x * step + uniform(-0.3, 0.3) * step,
                          y * step + uniform(-0.3, 0.3) * step, uniform(-0.5, 0.5) * step};
      float n[3] = {uniform(-0.4, 0.4), uniform(-0.4, 0.4), 1};
      const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      for (float& c : n) c /= length;
      // Enough jitter in the texture coordinates to fold some triangles over (mirrored).
      AddVertex(mesh, p, n, x * step + uniform(-0.7, 0.7) * step,
                y * step + uniform(-0.7, 0.7) * step);
    }
  }
  const auto g = [size](int x, int y) { return static_cast<std::uint32_t>((size + 1) * y + x); };
  // A corner of a vertex's copy: equal in value (welded) or with its texture moved (a seam).
  auto corner = [&](std::uint32_t v) {
    const float r = uniform(0, 1);
    if (r > 0.2f) return v;
    const float p[3] = {mesh.positions[3 * v], mesh.positions[3 * v + 1],
                        mesh.positions[3 * v + 2]};
    const float n[3] = {mesh.normals[3 * v], mesh.normals[3 * v + 1], mesh.normals[3 * v + 2]};
    const float shift = r < 0.05f ? 0.5f : 0.0f;
    return AddVertex(mesh, p, n, mesh.texCoords[2 * v] + shift, mesh.texCoords[2 * v + 1]);
  };
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::uint32_t a = g(x, y), b = g(x + 1, y), c = g(x + 1, y + 1), d = g(x, y + 1);
      if (uniform(0, 1) < 0.5f) {
        mesh.indices.insert(mesh.indices.end(), {corner(a), corner(b), corner(c)});
        mesh.indices.insert(mesh.indices.end(), {corner(a), corner(c), corner(d)});
      } else {
        mesh.indices.insert(mesh.indices.end(), {corner(a), corner(b), corner(d)});
        mesh.indices.insert(mesh.indices.end(), {corner(b), corner(c), corner(d)});
      }
    }
  }
  return mesh;
}

TestMesh Unindexed(const TestMesh& mesh) {
  TestMesh out;
  for (std::uint32_t v : mesh.indices) {
    out.indices.push_back(AddVertex(out, &mesh.positions[3 * v], &mesh.normals[3 * v],
                                    mesh.texCoords[2 * v], mesh.texCoords[2 * v + 1]));
  }
  return out;
}

ReferenceRun RunReference(const TestMesh& mesh, const std::string& workDir, int repeat) {
  ReferenceRun run;
  const std::string node = BUMPDEMO_NODE;
  const std::string script = BUMPDEMO_TANGENT_REFERENCE;
  const std::string installed = script.substr(0, script.rfind('/')) + "/node_modules/mikktspace";
  if (node.empty() || access(node.c_str(), X_OK) != 0) {
    run.error = "node was not found when the build was configured (" + node +
                "): the reference tangents need it (install nodejs, then configure again)";
    return run;
  }
  std::error_code error;
  if (!std::filesystem::is_directory(installed, error)) {
    run.error = "the reference (npm mikktspace) is not installed at " + installed +
                ": run `npm ci` in tests/tangents (test.sh does)";
    return run;
  }
  std::filesystem::create_directories(workDir, error);
  const std::string stem = workDir + "/mesh-" + std::to_string(getpid());
  const std::string meshFile = stem + ".bin", tangentFile = stem + ".tangents";
  {
    std::ofstream file(meshFile, std::ios::binary);
    const std::uint32_t corners = static_cast<std::uint32_t>(mesh.indices.size());
    file.write(reinterpret_cast<const char*>(&corners), sizeof corners);
    std::vector<float> block;
    block.reserve(3 * std::size_t{corners});
    const std::vector<float>* arrays[3] = {&mesh.positions, &mesh.normals, &mesh.texCoords};
    const std::size_t widths[3] = {3, 3, 2};
    for (int a = 0; a < 3; ++a) {
      block.clear();
      for (std::uint32_t v : mesh.indices)
        for (std::size_t k = 0; k < widths[a]; ++k)
          block.push_back((*arrays[a])[widths[a] * v + k]);
      file.write(reinterpret_cast<const char*>(block.data()),
                 static_cast<std::streamsize>(block.size() * sizeof(float)));
    }
    if (!file) {
      run.error = "could not write " + meshFile;
      return run;
    }
  }
  const std::string command = "'" + node + "' '" + script + "' '" + meshFile + "' '" + tangentFile +
                              "' --repeat " + std::to_string(repeat) + " 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      output.append(buffer, got);
    const int status = pclose(pipe);
    if (status != 0) run.error = "the reference failed (" + command + "): " + output;
  } else {
    run.error = "could not start " + command;
  }
  if (run.error.empty() &&
      std::sscanf(output.c_str(), "{\"seconds\":%lf,\"cpuSeconds\":%lf,\"rssBytes\":%lf}",
                  &run.seconds, &run.cpuSeconds, &run.peakBytes) != 3)
    run.error = "the reference printed no timing: " + output;
  if (run.error.empty()) {
    std::ifstream file(tangentFile, std::ios::binary);
    run.tangents.resize(4 * mesh.indices.size());
    file.read(reinterpret_cast<char*>(run.tangents.data()),
              static_cast<std::streamsize>(run.tangents.size() * sizeof(float)));
    if (!file) run.error = "could not read the reference's tangents from " + tangentFile;
  }
  std::remove(meshFile.c_str());
  std::remove(tangentFile.c_str());
  if (!run.error.empty()) run.tangents.clear();
  return run;
}

TangentDifference CompareTangents(const std::vector<float>& ours,
                                  const std::vector<float>& reference) {
  TangentDifference d;
  const std::size_t corners = std::min(ours.size(), reference.size()) / 4;
  for (std::size_t c = 0; c < corners; ++c) {
    for (int k = 0; k < 3; ++k) {
      const double difference = std::fabs(double{ours[4 * c + k]} - reference[4 * c + k]);
      if (!(difference <= d.largest)) {  // NaN counts as the largest
        d.largest = std::isnan(difference) ? INFINITY : difference;
        d.worstCorner = c;
      }
    }
    if (ours[4 * c + 3] != reference[4 * c + 3] && d.signsDiffering++ == 0)
      d.firstSignDiffering = c;
  }
  return d;
}
