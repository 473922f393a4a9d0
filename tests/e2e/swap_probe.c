/* Interposed on SDL_GL_SwapWindow with LD_PRELOAD: counts the buffer swaps of the
   program under test and, at exit, writes the count and the time from load to the first
   swap (in microseconds) to the file named by SWAP_PROBE_OUT. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static long SwapCount = 0;
static double LoadTime = 0, FirstSwapTime = 0;

static double Seconds(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

__attribute__((constructor)) static void ProbeLoaded(void) {
  LoadTime = Seconds();
}

__attribute__((destructor)) static void ProbeUnloaded(void) {
  const char* path = getenv("SWAP_PROBE_OUT");
  if (!path) return;
  FILE* out = fopen(path, "w");
  if (!out) return;
  fprintf(out, "%ld %.0f\n", SwapCount, SwapCount ? (FirstSwapTime - LoadTime) * 1e6 : -1.0);
  fclose(out);
}

void SDL_GL_SwapWindow(void* window) {
  static void (*real)(void*) = 0;
  if (!real) *(void**)&real = dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  if (SwapCount++ == 0) FirstSwapTime = Seconds();
  real(window);
}
