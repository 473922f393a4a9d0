// The lazy entry-point table: the slots, their stubs, and the start-up of the GL binding.
#include <cfenv>
#include <cstdlib>
#include <string>

#include "gl/gl.h"
#include "gl/gl_loader.h"
#include "platform/platform.h"

#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
#define HAVE_X87 1
#endif
#if defined(__SSE__) || defined(_M_X64)
#include <xmmintrin.h>
#define HAVE_SSE 1
#endif

namespace GLEntryPointTable {
#define GL_PROC(family, lookup, ret, name, params, args) ret(GLAPIENTRY* name) params = nullptr;
#include "gl/gl_procs.inc"
#undef GL_PROC
}  // namespace GLEntryPointTable

namespace {

void* LookupResolve(const char* name) {
  return ResolveGLProc(name);
}

[[maybe_unused]] void* LookupDriverOnly(const char* name) {
  return DriverLookupProc ? DriverLookupProc(name) : nullptr;
}

// An entry point the GL offers no address for cannot be called; stop cleanly instead.
[[noreturn]] void UnresolvedEntryPoint(const char* name) {
  std::string text = std::string("Unable to find the OpenGL entry point ") + name + "!";
  Platform.ShowMessageBox(text.c_str(), "Error", MB_ICONERROR);
  std::exit(1);
}

}  // namespace

#define GL_PROC(family, lookup, ret, name, params, args)                            \
  static ret GLAPIENTRY Stub_##name params {                                        \
    GLEntryPointTable::name =                                                       \
        reinterpret_cast<decltype(GLEntryPointTable::name)>(Lookup##lookup(#name)); \
    if (!GLEntryPointTable::name) UnresolvedEntryPoint(#name);                      \
    return GLEntryPointTable::name args;                                            \
  }
#include "gl/gl_procs.inc"
#undef GL_PROC

namespace {

#define DriverOnly_IS_DRIVER_ONLY true
#define Resolve_IS_DRIVER_ONLY false
const EntryPointInfo EntryPointList[] = {
#define GL_PROC(family, lookup, ret, name, params, args) \
  {#name,                                                \
   #family,                                              \
   #ret " " #params,                                     \
   reinterpret_cast<void**>(&GLEntryPointTable::name),   \
   reinterpret_cast<void*>(&Stub_##name),                \
   lookup##_IS_DRIVER_ONLY},
#include "gl/gl_procs.inc"
#undef GL_PROC
};

}  // namespace

const EntryPointInfo* EntryPoints(std::size_t* count) {
  *count = sizeof(EntryPointList) / sizeof(EntryPointList[0]);
  return EntryPointList;
}

void InstallEntryPointStubs() {
#define GL_PROC(family, lookup, ret, name, params, args) GLEntryPointTable::name = &Stub_##name;
#include "gl/gl_procs.inc"
#undef GL_PROC
}

void InitGLBinding() {
#ifdef HAVE_X87
  // x87: all six exceptions masked, 64-bit significand, round to nearest.
  unsigned short controlWord = 0x133F;
  __asm__ __volatile__("fldcw %0" : : "m"(controlWord));
#ifdef HAVE_SSE
  // SSE: all exceptions masked, round to nearest.
  _mm_setcsr((_mm_getcsr() | 0x1F80u) & ~0x6000u);
#endif
#else
  std::fesetround(FE_TONEAREST);
#endif
  InstallEntryPointStubs();
}

void TexImage2DForward(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                       GLsizei height, GLint border, GLenum format, GLenum type,
                       const void* pixels) {
  glTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
}

void GenTexturesForward(GLsizei count, GLuint* names) {
  glGenTextures(count, names);
}
