// GL and GLU library loading and the two-step name lookup.
#include "gl/gl_loader.h"

#include <cstring>

#include "gl/gl.h"

PlatformHandle GLLibraryHandle = nullptr;
PlatformHandle GLULibraryHandle = nullptr;
DriverLookupFn DriverLookupProc = nullptr;

void* ResolveGLProc(const char* name) {
  void* address = nullptr;
  if (DriverLookupProc) address = DriverLookupProc(name);
  if (!address) address = Platform.FindExport(GLLibraryHandle, name);
  return address;
}

bool LoadGLLibraries(const char* glName, const char* gluName) {
  bool loaded = false;
  if (GLLibraryHandle) Platform.FreeSharedLibrary(GLLibraryHandle);
  if (GLULibraryHandle) Platform.FreeSharedLibrary(GLULibraryHandle);
  GLLibraryHandle = Platform.LoadSharedLibrary(glName);
  GLULibraryHandle = Platform.LoadSharedLibrary(gluName);
  DriverLookupProc =
      reinterpret_cast<DriverLookupFn>(Platform.FindExport(GLLibraryHandle, DRIVER_LOOKUP_NAME));

  if (GLLibraryHandle) {
    // Bound before any context exists: whatever the driver answers now, else the export.
    glGetString = reinterpret_cast<decltype(glGetString)>(ResolveGLProc("glGetString"));
    loaded = true;
  }

  if (GLULibraryHandle) {
    // Every GLU slot comes straight from the GLU library, never through the driver.
    std::size_t count = 0;
    const EntryPointInfo* entries = EntryPoints(&count);
    for (std::size_t i = 0; i < count; ++i) {
      if (std::strcmp(entries[i].family, "GLU") != 0) continue;
      *entries[i].slot = Platform.FindExport(GLULibraryHandle, entries[i].name);
    }
  }
  return loaded;
}
