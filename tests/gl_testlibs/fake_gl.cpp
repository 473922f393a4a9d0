// A stand-in GL library for the loading tests, built in three variants:
//   FAKEGL_DRIVER  exports a driver lookup (glXGetProcAddressARB, or wglGetProcAddress on
//                  Windows) that counts its calls and answers a fixed set of names with
//                  "driver" functions of its own, apart from the exported ones;
//   FAKEGL_BARE    exports no GL function at all;
//   neither        exports GL functions but no driver lookup.
// Every function it serves notes its call, as "driver.glEnable(2929)" or
// "export.glEnable(2929)", so a test can see which one a call reached and with what.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "gl/gl_types.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string Calls;
std::string Lookups;
int LookupCount = 0;
bool DriverAnswers = true;
char MappedBuffer[64];
const GLubyte DriverText[] = "driver string";
[[maybe_unused]] const GLubyte ExportText[] = "export string";

void Note(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Note(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (!Calls.empty()) Calls += ' ';
  Calls += line;
}

void GLAPIENTRY DriverEnable(GLenum cap) {
  Note("driver.glEnable(%u)", cap);
}
const GLubyte* GLAPIENTRY DriverGetString(GLenum name) {
  Note("driver.glGetString(%u)", name);
  return DriverText;
}
void GLAPIENTRY DriverClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  Note("driver.glClearColor(%.9g,%.9g,%.9g,%.9g)", r, g, b, a);
}
void* GLAPIENTRY DriverMapBufferARB(GLenum target, GLenum access) {
  Note("driver.glMapBufferARB(%u,%u)", target, access);
  return MappedBuffer;
}
GLboolean GLAPIENTRY DriverIsTexture(GLuint texture) {
  Note("driver.glIsTexture(%u)", texture);
  return texture == 7 ? 1 : 0;
}
GLhandleARB GLAPIENTRY DriverCreateShaderObjectARB(GLenum type) {
  Note("driver.glCreateShaderObjectARB(%u)", type);
  return static_cast<GLhandleARB>(type + 1);
}
GLint GLAPIENTRY DriverGetUniformLocation(GLuint program, const GLchar* name) {
  Note("driver.glGetUniformLocation(%u,%s)", program, name);
  return -static_cast<GLint>(program * 100 + std::strlen(name));
}
GLuint GLAPIENTRY DriverCreateShader(GLenum type) {
  Note("driver.glCreateShader(%u)", type);
  return 40 + (type & 0xF);
}
void GLAPIENTRY DriverTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width,
                                 GLsizei height, GLint border, GLenum format, GLenum type,
                                 const void* pixels) {
  Note("driver.glTexImage2D(%u,%d,%d,%d,%d,%d,%u,%u,%s)", target, level, internalformat, width,
       height, border, format, type, pixels ? static_cast<const char*>(pixels) : "null");
}
void GLAPIENTRY DriverGenTextures(GLsizei n, GLuint* textures) {
  Note("driver.glGenTextures(%d)", n);
  for (GLsizei i = 0; i < n; ++i) textures[i] = 11 + static_cast<GLuint>(i);
}
GLenum GLAPIENTRY DriverGetError() {
  Note("driver.glGetError()");
  return 0x0502;
}
void GLAPIENTRY DriverActiveTextureARB(GLenum texture) {
  Note("driver.glActiveTextureARB(%u)", texture);
}
// The driver answers for a GLU name too; the loader must not ask it for GLU slots.
void GLAPIENTRY DriverLookAt(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble,
                             GLdouble, GLdouble) {
  Note("driver.gluLookAt");
}

struct DriverEntry {
  const char* name;
  void* address;
};

const DriverEntry DriverTable[] = {
    {"glEnable", reinterpret_cast<void*>(&DriverEnable)},
    {"glGetString", reinterpret_cast<void*>(&DriverGetString)},
    {"glClearColor", reinterpret_cast<void*>(&DriverClearColor)},
    {"glMapBufferARB", reinterpret_cast<void*>(&DriverMapBufferARB)},
    {"glIsTexture", reinterpret_cast<void*>(&DriverIsTexture)},
    {"glCreateShaderObjectARB", reinterpret_cast<void*>(&DriverCreateShaderObjectARB)},
    {"glGetUniformLocation", reinterpret_cast<void*>(&DriverGetUniformLocation)},
    {"glCreateShader", reinterpret_cast<void*>(&DriverCreateShader)},
    {"glTexImage2D", reinterpret_cast<void*>(&DriverTexImage2D)},
    {"glGenTextures", reinterpret_cast<void*>(&DriverGenTextures)},
    {"glGetError", reinterpret_cast<void*>(&DriverGetError)},
    {"glActiveTextureARB", reinterpret_cast<void*>(&DriverActiveTextureARB)},
    {"gluLookAt", reinterpret_cast<void*>(&DriverLookAt)},
};

void* DriverAnswer(const char* name) {
  for (const DriverEntry& entry : DriverTable)
    if (std::strcmp(entry.name, name) == 0) return entry.address;
  return nullptr;
}

}  // namespace

// Control functions for the tests.
FAKE_EXPORT void FakeGLReset() {
  Calls.clear();
  Lookups.clear();
  LookupCount = 0;
  DriverAnswers = true;
}
FAKE_EXPORT const char* FakeGLCalls() {
  return Calls.c_str();
}
FAKE_EXPORT const char* FakeGLLookups() {
  return Lookups.c_str();
}
FAKE_EXPORT int FakeGLLookupCount() {
  return LookupCount;
}
FAKE_EXPORT void FakeGLSetDriverAnswers(int answers) {
  DriverAnswers = answers != 0;
}
// What the driver lookup would answer for the name, without counting a lookup.
FAKE_EXPORT void* FakeGLDriverEntry(const char* name) {
  return DriverAnswer(name);
}
FAKE_EXPORT void* FakeGLMappedBuffer() {
  return MappedBuffer;
}

#ifdef FAKEGL_DRIVER
#ifdef _WIN32
FAKE_EXPORT void* GLAPIENTRY wglGetProcAddress(const char* name) {
#else
FAKE_EXPORT void* glXGetProcAddressARB(const char* name) {
#endif
  ++LookupCount;
  if (!Lookups.empty()) Lookups += ' ';
  Lookups += name;
  return DriverAnswers ? DriverAnswer(name) : nullptr;
}
#endif

#ifndef FAKEGL_BARE
FAKE_EXPORT void GLAPIENTRY glEnable(GLenum cap) {
  Note("export.glEnable(%u)", cap);
}
FAKE_EXPORT void GLAPIENTRY glDisable(GLenum cap) {
  Note("export.glDisable(%u)", cap);
}
FAKE_EXPORT void GLAPIENTRY glFlush() {
  Note("export.glFlush()");
}
FAKE_EXPORT const GLubyte* GLAPIENTRY glGetString(GLenum name) {
  Note("export.glGetString(%u)", name);
  return ExportText;
}
// A GL 2.0 entry point exported but never answered by the driver: the table must not
// find it.
FAKE_EXPORT void GLAPIENTRY glUseProgram(GLuint program) {
  Note("export.glUseProgram(%u)", program);
}
// A GLU name exported by the GL library, for the GLU stubs' lookup.
FAKE_EXPORT void GLAPIENTRY gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear,
                                           GLdouble zFar) {
  Note("export.gluPerspective(%.17g,%.17g,%.17g,%.17g)", fovy, aspect, zNear, zFar);
}
#endif
