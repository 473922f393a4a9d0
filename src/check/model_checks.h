// The checks of a loaded model: pure functions over its parts and images (no GL, no
// window). They judge the tangents a file gives (handedness, length, angle to the normal,
// distance from MikkTSpace's), count mirrored triangles, run the image checks on its normal
// maps, and tell from the seams which tangent frame and green convention each normal map
// was baked for. docs/CHECKS.md lists every code and the margins measured for it.
#pragma once

#include <vector>

#include "check/findings.h"
#include "models/model.h"

// The file's tangents against MikkTSpace's at the triangle corners of the parts that carry
// TANGENT. Left out: corners of triangles with no area in space or in the texture, of
// triangles whose corners' handedness differ, and corners whose tangent has no direction
// across the normal.
struct TangentComparison {
  long corners = 0;
  long overOneDegree = 0;  // corners whose tangents are more than a degree apart
  double largestDegrees = 0;
  long handednessDiffers = 0;  // corners whose handedness differs from MikkTSpace's
};

struct ModelCheck {
  std::vector<Finding> findings;
  bool fileTangents = false;  // some part carries the file's tangents; then tangents is filled
  TangentComparison tangents;
};

// The findings for a model, and the comparison behind tangents-differ. Codes:
// tangent-w-invalid, tangent-not-unit, tangent-not-orthogonal, mixed-handedness,
// tangents-differ, mirrored-uv, tangents-generated (a part's `where`), baked-frame,
// baked-frame-unknown, green-down and the image checks' codes (a normal texture's `where`).
// Time: MikkTSpace's for the parts that carry tangents, then linear in the vertices and
// corners, and in the texels of the normal maps.
ModelCheck CheckModelInDetail(const LoadedModel& model);

// The findings alone: what the demo shows when it loads a model.
std::vector<Finding> CheckModel(const LoadedModel& model);
