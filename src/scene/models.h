// Curved surfaces for the bump-mapped lighting: a sphere and a torus, tessellated once,
// with an analytic tangent frame at every vertex. T points along the texture's s
// direction, B along t, N out of the surface, and T x B = N, so a light vector expressed
// as (L . T, L . B, L . N) is in the same frame as the normal map's texels.
#pragma once

#include "models/mesh.h"

// A sphere of the radius about the origin: slices around the z axis, stacks from the
// south pole to the north. The normal map repeats repeatS times around, repeatT times
// from pole to pole.
Mesh MakeSphere(float radius, int slices, int stacks, int repeatS, int repeatT);

// A torus about the z axis: the tube's centre circle of radius major in the plane z = 0,
// the tube of radius minor. s runs around the z axis, t around the tube.
Mesh MakeTorus(float major, float minor, int slices, int rings, int repeatS, int repeatT);
