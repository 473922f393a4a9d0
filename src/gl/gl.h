// The GL entry-point table as callers see it: one slot per GL, GLU and WGL-extension
// function, named after the function, so that `glEnable(GL_DEPTH_TEST)` calls through
// the `glEnable` slot. Every slot starts out as a lazy stub that binds the real entry
// point by name on its first call.
#pragma once

#include <initializer_list>

#include "gl/gl_types.h"

namespace GLEntryPointTable {
#define GL_PROC(family, lookup, ret, name, params, args) extern ret(GLAPIENTRY* name) params;
#include "gl/gl_procs.inc"
#undef GL_PROC
}  // namespace GLEntryPointTable

using namespace GLEntryPointTable;

// Sets every slot of the table to its own stub.
void InstallEntryPointStubs();

// Start-up of the GL binding: puts the process into its one floating-point mode (all
// exceptions masked, 64-bit significand, round to nearest) and installs the stubs.
void InitGLBinding();

// Binds each named slot that still holds its stub now, by the lookup its stub would use
// on the first call (ResolveGLProc, or the driver's lookup alone for driver-only entries).
// A name the table lacks is passed over; a slot already bound keeps what it holds; a
// name the lookup finds nothing for keeps its stub, so a call still stops the program
// naming it.
void BindEntryPointsNow(std::initializer_list<const char*> names);

// A description of every slot, in the order of the generated list, for tests and tools
// that need to walk the table.
struct EntryPointInfo {
  const char* name;
  const char* family;
  const char* signature;  // return type and parameter list as written in the list
  void** slot;            // the slot itself
  void* stub;             // the slot's lazy stub
  bool driverOnly;        // resolved through the driver's lookup alone
};
const EntryPointInfo* EntryPoints(std::size_t* count);

// The description of the slot with this name, or null when the table has none.
const EntryPointInfo* FindEntryPoint(const char* name);
