// The reference frames of the frame-rate benchmark, issued by direct calls into libGL and
// libGLU. Declared without GL types so that the table's side never sees the system GL
// headers.
#pragma once

// Makes the reference's own light-marker quadric (same settings as the scene's).
bool DirectInit();

// The scene's frame: projection, camera, marker and the bump-mapped wall, with the same
// texture names and geometry; then flush, finish and the error drain. The caller swaps.
void DirectSceneFrame(const float lightPosition[3], unsigned bumpTexture, unsigned cubeMap);

// The floor: clear colour and depth, flush and finish. The caller swaps.
void DirectFloorFrame();

// The GL renderer and version strings, read directly.
const char* DirectRenderer();
const char* DirectVersion();
