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

// The core WGL slots: no stubs, null until LoadGLLibraries binds them, and not part of
// the entry-point table. Kept in a namespace of their own because <windows.h> declares
// functions of the same names.
namespace WGLCoreSlots {
#define WGL_CORE_PROC(ret, name, params) extern ret(GLAPIENTRY* name) params;
#include "gl/wgl_core_procs.inc"
#undef WGL_CORE_PROC
}  // namespace WGLCoreSlots
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
