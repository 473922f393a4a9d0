// The platform table and the helpers every backend shares.
#include "platform/platform.h"

PlatformOps Platform = {};

std::string NativePath(const char* path) {
  std::string native(path);
#ifndef _WIN32
  for (char& c : native)
    if (c == '\\') c = '/';
#endif
  return native;
}

int RunBlockingLoop(bool (*pass)(), int (*finish)()) {
  while (pass()) {
  }
  return finish();
}
