// Recording functions for the texture slots of the entry-point table.
#include "texture_recorder.h"

#include <cstdio>

#include "gl/gl.h"

TextureRecording Recording;

namespace {

std::string Hex(GLenum value) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X", value);
  return text;
}

void Record(const std::string& call) {
  Recording.calls.push_back(call);
}

void Upload(const char* call, GLenum target, GLint internalFormat, GLsizei width, GLsizei height,
            GLenum format, GLenum type, const void* pixels) {
  RecordedUpload upload{call, target, internalFormat, width, height, pixels, {}};
  if (format == GL_RGB && type == GL_UNSIGNED_BYTE && width > 0 && height > 0) {
    const auto* bytes = static_cast<const std::uint8_t*>(pixels);
    upload.bytes.assign(bytes, bytes + static_cast<std::size_t>(width) * height * 3);
  }
  Recording.uploads.push_back(upload);
}

void GLAPIENTRY RecordGenTextures(GLsizei n, GLuint* names) {
  Record("glGenTextures(" + std::to_string(n) + ")");
  for (GLsizei i = 0; i < n; ++i) names[i] = Recording.nextName++;
}

void GLAPIENTRY RecordEnable(GLenum cap) {
  Record("glEnable(" + Hex(cap) + ")");
}

void GLAPIENTRY RecordDisable(GLenum cap) {
  Record("glDisable(" + Hex(cap) + ")");
}

void GLAPIENTRY RecordBindTexture(GLenum target, GLuint name) {
  Record("glBindTexture(" + Hex(target) + "," + std::to_string(name) + ")");
}

void GLAPIENTRY RecordPixelStorei(GLenum pname, GLint param) {
  Record("glPixelStorei(" + Hex(pname) + "," + std::to_string(param) + ")");
}

void GLAPIENTRY RecordTexParameteri(GLenum target, GLenum pname, GLint param) {
  Record("glTexParameteri(" + Hex(target) + "," + Hex(pname) + "," + Hex(param) + ")");
}

void GLAPIENTRY RecordTexImage1D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                 GLint border, GLenum format, GLenum type, const void* pixels) {
  Record("glTexImage1D(" + Hex(target) + "," + std::to_string(level) + "," +
         std::to_string(internalFormat) + "," + std::to_string(width) + "," +
         std::to_string(border) + "," + Hex(format) + "," + Hex(type) + ")");
  Upload("glTexImage1D", target, internalFormat, width, 1, format, type, pixels);
}

void GLAPIENTRY RecordTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                 GLsizei height, GLint border, GLenum format, GLenum type,
                                 const void* pixels) {
  Record("glTexImage2D(" + Hex(target) + "," + std::to_string(level) + "," +
         std::to_string(internalFormat) + "," + std::to_string(width) + "," +
         std::to_string(height) + "," + std::to_string(border) + "," + Hex(format) + "," +
         Hex(type) + ")");
  Upload("glTexImage2D", target, internalFormat, width, height, format, type, pixels);
}

GLint GLAPIENTRY RecordBuild1DMipmaps(GLenum target, GLint internalFormat, GLsizei width,
                                      GLenum format, GLenum type, const void* data) {
  Record("gluBuild1DMipmaps(" + Hex(target) + "," + std::to_string(internalFormat) + "," +
         std::to_string(width) + "," + Hex(format) + "," + Hex(type) + ")");
  Upload("gluBuild1DMipmaps", target, internalFormat, width, 1, format, type, data);
  return 0;
}

GLint GLAPIENTRY RecordBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width,
                                      GLsizei height, GLenum format, GLenum type,
                                      const void* data) {
  Record("gluBuild2DMipmaps(" + Hex(target) + "," + std::to_string(internalFormat) + "," +
         std::to_string(width) + "," + std::to_string(height) + "," + Hex(format) + "," +
         Hex(type) + ")");
  Upload("gluBuild2DMipmaps", target, internalFormat, width, height, format, type, data);
  return 0;
}

}  // namespace

void InstallTextureRecorder() {
  Recording = TextureRecording();
  glGenTextures = &RecordGenTextures;
  glEnable = &RecordEnable;
  glDisable = &RecordDisable;
  glBindTexture = &RecordBindTexture;
  glPixelStorei = &RecordPixelStorei;
  glTexParameteri = &RecordTexParameteri;
  glTexImage1D = &RecordTexImage1D;
  glTexImage2D = &RecordTexImage2D;
  gluBuild1DMipmaps = &RecordBuild1DMipmaps;
  gluBuild2DMipmaps = &RecordBuild2DMipmaps;
}

std::string RecordedCalls() {
  std::string joined;
  for (const std::string& call : Recording.calls) {
    if (!joined.empty()) joined += ' ';
    joined += call;
  }
  return joined;
}
