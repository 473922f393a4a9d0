// Run-time loading of the GL and GLU libraries, and the name lookup that binds entry
// points: the driver's own lookup first, then the GL library's exports.
#pragma once

#include "gl/gl_types.h"
#include "platform/platform.h"

typedef void*(GLAPIENTRY* DriverLookupFn)(const char* name);

extern PlatformHandle GLLibraryHandle;
extern PlatformHandle GLULibraryHandle;
extern DriverLookupFn DriverLookupProc;

#ifdef _WIN32
#define GL_LIBRARY_NAME "OpenGL32.dll"
#define GLU_LIBRARY_NAME "GLU32.dll"
#define DRIVER_LOOKUP_NAME "wglGetProcAddress"

// The rows of wgl_core_procs.inc: WGL_IF_CORE_##home(text) keeps the text for the core
// slots only, WGL_SLOT_##home(name) names the slot wherever it lives.
#define WGL_IF_CORE_Core(...) __VA_ARGS__
#define WGL_IF_CORE_Table(...)
#define WGL_SLOT_Core(name) WGLCoreSlots::name
#define WGL_SLOT_Table(name) GLEntryPointTable::name

// The core WGL slots: no stubs, null until LoadGLLibraries binds them, and not part of
// the entry-point table. Kept in a namespace of their own because <windows.h> declares
// functions of the same names.
namespace WGLCoreSlots {
#define WGL_EAGER_PROC(home, ret, name, params, exportName) \
  WGL_IF_CORE_##home(extern ret(GLAPIENTRY* name) params;)
#include "gl/wgl_core_procs.inc"
#undef WGL_EAGER_PROC
}  // namespace WGLCoreSlots
#elif defined(__EMSCRIPTEN__)
// A browser's WebGL 2: the functions are linked in, there is no GLU, and the lookup is the
// browser backend's own.
#define GL_LIBRARY_NAME "WebGL"
#define GLU_LIBRARY_NAME "GLU"
#define DRIVER_LOOKUP_NAME "WebGLGetProcAddress"
#else
#define GL_LIBRARY_NAME "libGL.so.1"
#define GLU_LIBRARY_NAME "libGLU.so.1"
#define DRIVER_LOOKUP_NAME "glXGetProcAddressARB"
#endif

// Releases libraries loaded earlier, loads both, binds the eager set of entry points and
// returns true exactly when the GL library loaded.
bool LoadGLLibraries(const char* glName, const char* gluName);

// The driver's lookup for the name if it finds it, else the GL library's export, else
// null.
void* ResolveGLProc(const char* name);

// Frees both libraries and puts the handles, the driver lookup and the core WGL slots
// back to their state at process start. The program never calls it (the libraries stay
// loaded until it ends); tests do, so that each starts from the same state.
void UnloadGLLibraries();
