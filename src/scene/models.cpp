// Tessellation of the sphere and the torus on a (slices + 1) x (stacks + 1) grid of
// parameters: the first and the last column share their positions and frames (the seam)
// and differ only in s, so a texture that repeats a whole number of times meets itself
// there. Frames come from the parametric derivatives, not from the triangles.
#include "scene/models.h"

#include <cmath>

namespace {

const double Pi = 3.14159265358979323846;

Vector3 V(double x, double y, double z) {
  return MakeVector3(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

// Two triangles for each cell of a grid of (columns + 1) x (rows + 1) vertices, row by
// row, counter-clockwise seen from where the normals point.
void GridTriangles(int columns, int rows, std::vector<std::uint32_t>* triangles) {
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < columns; ++i) {
      const std::uint32_t a = static_cast<std::uint32_t>(j * (columns + 1) + i);
      const std::uint32_t b = a + 1;
      const std::uint32_t c = a + static_cast<std::uint32_t>(columns + 1);
      const std::uint32_t d = c + 1;
      triangles->insert(triangles->end(), {a, b, d, a, d, c});
    }
  }
}

}  // namespace

Mesh MakeSphere(float radius, int slices, int stacks, int repeatS, int repeatT) {
  Mesh mesh;
  for (int j = 0; j <= stacks; ++j) {
    const double t = static_cast<double>(j) / stacks;
    const double theta = Pi * t - Pi / 2;  // latitude
    for (int i = 0; i <= slices; ++i) {
      const double s = static_cast<double>(i) / slices;
      const double phi = 2 * Pi * (i == slices ? 0 : s);  // the seam's two columns agree
      const double cp = std::cos(phi), sp = std::sin(phi), ct = std::cos(theta),
                   st = std::sin(theta);
      MeshVertex v;
      v.normal = V(ct * cp, ct * sp, st);
      v.position = V(radius * ct * cp, radius * ct * sp, radius * st);
      v.tangent = V(-sp, cp, 0);                // d/dphi, normalised; defined at the poles too
      v.bitangent = V(-st * cp, -st * sp, ct);  // d/dtheta, normalised
      v.texCoord = MakeTexCoord2(static_cast<float>(s * repeatS), static_cast<float>(t * repeatT));
      mesh.vertices.push_back(v);
    }
  }
  GridTriangles(slices, stacks, &mesh.triangles);
  return mesh;
}

Mesh MakeTorus(float major, float minor, int slices, int rings, int repeatS, int repeatT) {
  Mesh mesh;
  for (int j = 0; j <= rings; ++j) {
    const double t = static_cast<double>(j) / rings;
    const double v = 2 * Pi * (j == rings ? 0 : t);
    for (int i = 0; i <= slices; ++i) {
      const double s = static_cast<double>(i) / slices;
      const double u = 2 * Pi * (i == slices ? 0 : s);
      const double cu = std::cos(u), su = std::sin(u), cv = std::cos(v), sv = std::sin(v);
      const double ring = major + minor * cv;
      MeshVertex vertex;
      vertex.position = V(ring * cu, ring * su, minor * sv);
      vertex.normal = V(cv * cu, cv * su, sv);
      vertex.tangent = V(-su, cu, 0);                // d/du, normalised
      vertex.bitangent = V(-sv * cu, -sv * su, cv);  // d/dv, normalised
      vertex.texCoord =
          MakeTexCoord2(static_cast<float>(s * repeatS), static_cast<float>(t * repeatT));
      mesh.vertices.push_back(vertex);
    }
  }
  GridTriangles(slices, rings, &mesh.triangles);
  return mesh;
}
