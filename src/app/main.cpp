// Program entry: the platform backend and the GL binding come first, then the demo.
#include "app/demo.h"
#include "gl/gl.h"
#include "platform/backend.h"

int main() {
  InstallPlatformBackend();
  InitGLBinding();
  RunDemo();
  return 0;
}
