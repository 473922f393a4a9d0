// The lazy entry-point table: the slots, their stubs, and the start-up of the GL binding.
// Slots, stubs and the slot descriptions are all expanded from the generated list
// gl_procs.inc, so they cannot drift apart.
#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gl/gl.h"
#include "gl/gl_loader.h"
#include "platform/platform.h"

namespace GLEntryPointTable {
#define GL_PROC(family, lookup, ret, name, params, args) ret(GLAPIENTRY* name) params = nullptr;
#include "gl/gl_procs.inc"
#undef GL_PROC
}  // namespace GLEntryPointTable

namespace {

// The driver's lookup first, then the GL library's export.
void* LookupResolve(const char* name) {
  return ResolveGLProc(name);
}

// The driver's lookup alone: for entry points that only a current context provides.
void* LookupDriverOnly(const char* name) {
  return DriverLookupProc ? DriverLookupProc(name) : nullptr;
}

// An entry point the GL offers no address for cannot be called: the program stops
// cleanly, naming it, instead of calling null.
[[noreturn]] void UnresolvedEntryPoint(const char* name) {
  const std::string text = std::string("Unable to find the OpenGL entry point ") + name + "!";
  if (Platform.ShowMessageBox) {
    Platform.ShowMessageBox(text.c_str(), "Error", MB_ICONERROR);
  } else {
    std::fprintf(stderr, "Error: %s\n", text.c_str());
  }
  std::exit(1);
}

}  // namespace

// A stub looks its entry up by name, stores the result (null included) into its slot and
// forwards the call with the caller's arguments, handing the result back unchanged.
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

// The signatures are for tests and tools; the browser build leaves them out, for a
// smaller download.
#ifdef __EMSCRIPTEN__
#define SIGNATURE_TEXT(ret, params) ""
#else
#define SIGNATURE_TEXT(ret, params) #ret " " #params
#endif
#define DriverOnly_IS_DRIVER_ONLY true
#define Resolve_IS_DRIVER_ONLY false
const EntryPointInfo EntryPointList[] = {
#define GL_PROC(family, lookup, ret, name, params, args) \
  {#name,                                                \
   #family,                                              \
   SIGNATURE_TEXT(ret, params),                          \
   reinterpret_cast<void**>(&GLEntryPointTable::name),   \
   reinterpret_cast<void*>(&Stub_##name),                \
   lookup##_IS_DRIVER_ONLY},
#include "gl/gl_procs.inc"
#undef GL_PROC
};
#undef DriverOnly_IS_DRIVER_ONLY
#undef Resolve_IS_DRIVER_ONLY
#undef SIGNATURE_TEXT

const std::size_t EntryPointCount = sizeof(EntryPointList) / sizeof(EntryPointList[0]);

}  // namespace

const EntryPointInfo* EntryPoints(std::size_t* count) {
  *count = EntryPointCount;
  return EntryPointList;
}

const EntryPointInfo* FindEntryPoint(const char* name) {
  for (const EntryPointInfo& entry : EntryPointList)
    if (std::strcmp(entry.name, name) == 0) return &entry;
  return nullptr;
}

void InstallEntryPointStubs() {
#define GL_PROC(family, lookup, ret, name, params, args) GLEntryPointTable::name = &Stub_##name;
#include "gl/gl_procs.inc"
#undef GL_PROC
}

void InitGLBinding() {
#if defined(__i386__) || defined(__x86_64__)
  // x87: all six exceptions masked, 64-bit significand, round to nearest, infinity
  // control set.
  const unsigned short controlWord = 0x133F;
  __asm__ __volatile__("fldcw %0" : : "m"(controlWord));
#if defined(__SSE__) || defined(__x86_64__)
  // SSE: all six exceptions masked, round to nearest; the other bits are kept.
  unsigned int csr = 0;
  __asm__ __volatile__("stmxcsr %0" : "=m"(csr));
  csr = (csr | 0x1F80u) & ~0x6000u;
  __asm__ __volatile__("ldmxcsr %0" : : "m"(csr));
#endif
#else
  // Elsewhere floating point does not trap by default; round to nearest.
  std::fesetround(FE_TONEAREST);
#endif
  InstallEntryPointStubs();
}

void BindEntryPointsNow(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const EntryPointInfo* entry = FindEntryPoint(name);
    if (!entry || *entry->slot != entry->stub) continue;
    void* address = entry->driverOnly ? LookupDriverOnly(name) : LookupResolve(name);
    if (address) *entry->slot = address;
  }
}
