// Recording functions for the GL and GLU slots that texture loading and the cube map use:
// each call is written down by name with its arguments, and every image handed over is
// copied (tightly packed RGB bytes), so a test can check the exact sequence without GL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gl/gl_types.h"

struct RecordedUpload {
  std::string call;  // glTexImage1D, glTexImage2D, gluBuild1DMipmaps or gluBuild2DMipmaps
  GLenum target;
  GLint internalFormat;
  GLsizei width, height;  // height 1 for the one-dimensional calls
  const void* pixels;     // the address handed over
  std::vector<std::uint8_t> bytes;
};

struct TextureRecording {
  std::vector<std::string> calls;  // "glName(arg,...)", enums in hex
  std::vector<RecordedUpload> uploads;
  GLuint nextName = 42;  // what glGenTextures hands out
};

extern TextureRecording Recording;

// Points the texture slots at the recorders and clears the recording. Restore the table
// with InstallEntryPointStubs().
void InstallTextureRecorder();

// The recorded calls joined by spaces.
std::string RecordedCalls();
