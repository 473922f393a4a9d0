/* Interposed on SDL_GL_SwapWindow with LD_PRELOAD for the memcheck run: writes "1" to
   the file named by FRAME_MARKER_OUT at the first buffer swap, so the run can wait for the
   first frame however slow start-up is under valgrind, and the swap count at exit. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

static long SwapCount = 0;

static void WriteCount(void) {
  const char* path = getenv("FRAME_MARKER_OUT");
  if (!path) return;
  FILE* out = fopen(path, "w");
  if (!out) return;
  fprintf(out, "%ld\n", SwapCount);
  fclose(out);
}

__attribute__((destructor)) static void MarkerUnloaded(void) {
  WriteCount();
}

void SDL_GL_SwapWindow(void* window) {
  static void (*real)(void*) = 0;
  if (!real) *(void**)&real = dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  if (real) real(window);
  if (++SwapCount == 1) WriteCount();
}
