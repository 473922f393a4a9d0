// The WebGL functions linked into the browser build, by name. Emscripten's GL library
// defines the functions under their GL names; they are declared here from the program's
// own entry-point list (no system GL header), and only those the list of the browser build
// names are linked in.
#include "platform/web/webgl_functions.h"

#include <cstring>

#include "gl/gl_types.h"

extern "C" {
#define GL_PROC(family, lookup, ret, name, params, args) ret GLAPIENTRY name params;
#include "gl/gl_procs.inc"
#undef GL_PROC
}

namespace {

struct NamedFunction {
  const char* name;
  void* address;
};

const NamedFunction Functions[] = {
#define WEBGL_FUNCTION(name) {#name, reinterpret_cast<void*>(&name)},
#include "platform/web/webgl_functions.inc"
#undef WEBGL_FUNCTION
};

}  // namespace

void* FindWebGLFunction(const char* name) {
  for (const NamedFunction& function : Functions)
    if (std::strcmp(function.name, name) == 0) return function.address;
  return nullptr;
}
