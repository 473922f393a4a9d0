// The shaders renderer (shaders.cpp): the same frame as the texture stages, drawn from
// vertex buffers by the GLSL programs in scene/shaders/, in a compatibility, OpenGL 3.3 core
// or OpenGL ES 3.0 context.
#pragma once

#include <string>
#include <vector>

#include "gl/gl_types.h"
#include "textures/texture.h"

// Compiles the programs and makes the buffers and the textures (the same images and cube
// map as the stages'), once; later calls do nothing. A program the GL refuses ends the
// program with the GL's own words. InitShaderPrograms does all of it but the normal map:
// what the plain drawings need (a note drawn before the map is loaded).
void InitShaders();
void InitShaderPrograms();

// The normal map's texture made again from image, whose pixels it may take (once the shaders
// are set up; in a compatibility context they may draw with the stages' texture instead).
void ReplaceShadersNormalMap(TextureImage image);

// Draws one frame into the back buffer.
void RenderShaders();

// For tests that put a fault into the shaders on purpose: each shader's text passes
// through this before it is compiled. ReleaseShaders deletes what InitShaders made, so that
// the next frame builds it anew.
extern std::string (*ShaderTextFilter)(const std::string& text);
void ReleaseShaders();

// A point of the plain drawings (the light marker, the overlays, the panel): a position
// and its colour.
struct PlainVertex {
  float position[3];
  float colour[4];
};

// Draws plain coloured primitives (GL_LINES or GL_TRIANGLES) without the depth test: in
// the scene's world with the camera of the frame, or in window pixels (y down).
void DrawPlainWithShaders(GLenum mode, const std::vector<PlainVertex>& vertices, bool inPixels);
