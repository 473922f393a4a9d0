// GL and GLU library loading and the two-step name lookup.
#include "gl/gl_loader.h"

#include <cstring>

#include "gl/gl.h"

PlatformHandle GLLibraryHandle = nullptr;
PlatformHandle GLULibraryHandle = nullptr;
DriverLookupFn DriverLookupProc = nullptr;

#ifdef _WIN32
namespace WGLCoreSlots {
#define WGL_EAGER_PROC(home, ret, name, params, exportName) \
  WGL_IF_CORE_##home(ret(GLAPIENTRY* name) params = nullptr;)
#include "gl/wgl_core_procs.inc"
#undef WGL_EAGER_PROC
}  // namespace WGLCoreSlots
#endif

namespace {

// Stores what the two-step lookup finds for the name, null included.
template <typename Slot>
void BindEager(Slot& slot, const char* name) {
  slot = reinterpret_cast<Slot>(ResolveGLProc(name));
}

}  // namespace

void* ResolveGLProc(const char* name) {
  void* address = nullptr;
  if (DriverLookupProc) address = DriverLookupProc(name);
  if (!address) address = Platform.FindExport(GLLibraryHandle, name);
  return address;
}

bool LoadGLLibraries(const char* glName, const char* gluName) {
  bool loaded = false;
  // The handles are not cleared here: the loads below overwrite them.
  if (GLLibraryHandle) Platform.FreeSharedLibrary(GLLibraryHandle);
  if (GLULibraryHandle) Platform.FreeSharedLibrary(GLULibraryHandle);
  GLLibraryHandle = Platform.LoadSharedLibrary(glName);
  GLULibraryHandle = Platform.LoadSharedLibrary(gluName);
  // Looked up even without a GL library, where it finds nothing.
  DriverLookupProc =
      reinterpret_cast<DriverLookupFn>(Platform.FindExport(GLLibraryHandle, DRIVER_LOOKUP_NAME));

  if (GLLibraryHandle) {
    // Bound before any context exists: whatever the driver answers now, else the export.
    BindEager(glGetString, "glGetString");
#ifdef _WIN32
#define WGL_EAGER_PROC(home, ret, name, params, exportName) \
  BindEager(WGL_SLOT_##home(name), #exportName);
#include "gl/wgl_core_procs.inc"
#undef WGL_EAGER_PROC
#endif
    loaded = true;
  }

  if (GLULibraryHandle) {
    // Every GLU slot comes straight from the GLU library, never through the driver, in
    // the order of the generated list.
    std::size_t count = 0;
    const EntryPointInfo* entries = EntryPoints(&count);
    for (std::size_t i = 0; i < count; ++i) {
      if (std::strcmp(entries[i].family, "GLU") != 0) continue;
      *entries[i].slot = Platform.FindExport(GLULibraryHandle, entries[i].name);
    }
  }
  return loaded;
}

void UnloadGLLibraries() {
  if (GLLibraryHandle) Platform.FreeSharedLibrary(GLLibraryHandle);
  if (GLULibraryHandle) Platform.FreeSharedLibrary(GLULibraryHandle);
  GLLibraryHandle = nullptr;
  GLULibraryHandle = nullptr;
  DriverLookupProc = nullptr;
#ifdef _WIN32
#define WGL_EAGER_PROC(home, ret, name, params, exportName) \
  WGL_IF_CORE_##home(WGLCoreSlots::name = nullptr;)
#include "gl/wgl_core_procs.inc"
#undef WGL_EAGER_PROC
#endif
}
