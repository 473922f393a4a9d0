/* The start-up probe, preloaded (LD_PRELOAD) into the program under test. It timestamps
   the boundaries that every SDL program of the start-up benchmark passes in the same
   order, by interposing the SDL calls that make them:
     exec          the parent's reading just before exec (STARTUP_PROBE_EXEC_NS)
     loaded        this library's constructor: the linked libraries are mapped and
                   relocated
     window        SDL_CreateWindow, on entry and on return
     context       SDL_GL_CreateContext, on return
     first poll    the first SDL_PollEvent after the context: the main loop's first pass,
                   so everything before it is set-up (textures, state)
     first swap    the first SDL_GL_SwapWindow, on entry: the first frame is drawn
     frame swap    the first SDL_GL_SwapWindow after the first poll, on entry: the main
                   loop's first frame (later than the first swap when a frame with a note
                   came before a long load)
   It also times every dlopen (outermost calls only) and adds each to the phase it began
   in, and at the first swap (on return) reads /proc/self/smaps and sums the resident
   memory of each mapping by owner. At exit it writes "key value" lines to the file named
   by STARTUP_PROBE_OUT. Only fixed buffers are used while reading smaps, so the probe
   allocates almost nothing in the process it measures. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

enum { Loaded, WindowBegin, WindowEnd, ContextEnd, FirstPoll, FirstSwap, FirstSwapEnd, Marks };
static const char* const MarkNames[Marks] = {"loaded",        "window_begin", "window_end",
                                             "context_end",   "first_poll",   "first_swap",
                                             "first_swap_end"};
static long long MarkNs[Marks];

/* dlopen time by the phase it began in: phase k runs up to mark k + 1 (phase 0 is from
   exec to the constructor, where no dlopen of ours can run). */
static long long DlopenNs[Marks];
static long DlopenCalls = 0;
static int DlopenDepth = 0;
static long SwapCount = 0;
static long long FrameSwapNs = 0;

enum {
  OwnerProgram,
  OwnerLLVM,
  OwnerDriver,
  OwnerGL,
  OwnerSDL,
  OwnerRuntime,
  OwnerSystem,
  OwnerHeap,
  OwnerAnonCode,
  OwnerAnonData,
  OwnerStack,
  OwnerOther,
  Owners
};
static const char* const OwnerNames[Owners] = {
    "program",   "llvm", "gallium_driver", "gl_glu_egl", "sdl",   "c_cxx_runtime",
    "other_lib", "heap", "anon_code",      "anon_data",  "stack", "other"};
static long OwnerKb[Owners];
static long HwmAtFirstSwapKb = -1;

static long long NowNs(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

static int CurrentPhase(void) {
  int phase = 0;
  while (phase < Marks && MarkNs[phase]) ++phase;
  return phase;
}

__attribute__((constructor)) static void ProbeLoaded(void) {
  MarkNs[Loaded] = NowNs();
}

static int Contains(const char* text, const char* word) {
  return strstr(text, word) != NULL;
}

/* The owner of a mapping, from its path (empty for anonymous memory) and permissions. */
static int OwnerOf(const char* path, const char* perms, const char* exe) {
  const char* base = strrchr(path, '/');
  base = base ? base + 1 : path;
  if (!*path) return perms[2] == 'x' ? OwnerAnonCode : OwnerAnonData;
  if (strcmp(path, exe) == 0) return OwnerProgram;
  if (strcmp(path, "[heap]") == 0) return OwnerHeap;
  if (strcmp(path, "[stack]") == 0) return OwnerStack;
  if (path[0] == '[') return OwnerOther;
  if (Contains(base, "libLLVM")) return OwnerLLVM;
  if (Contains(base, "_dri.so") || Contains(base, "libgallium") || Contains(path, "/dri/"))
    return OwnerDriver;
  if (strncmp(base, "libGL", 5) == 0 || strncmp(base, "libEGL", 6) == 0 ||
      strncmp(base, "libglapi", 8) == 0 || strncmp(base, "libOpenGL", 9) == 0 ||
      strncmp(base, "libgbm", 6) == 0)
    return OwnerGL;
  if (strncmp(base, "libSDL2", 7) == 0) return OwnerSDL;
  if (strncmp(base, "libc.so", 7) == 0 || strncmp(base, "libm.so", 7) == 0 ||
      strncmp(base, "libstdc++", 9) == 0 || strncmp(base, "libgcc_s", 8) == 0 ||
      strncmp(base, "ld-linux", 8) == 0 || strncmp(base, "libasan", 7) == 0 ||
      strncmp(base, "libubsan", 8) == 0)
    return OwnerRuntime;
  if (Contains(base, ".so")) return OwnerSystem;
  return OwnerOther;
}

/* Sums Rss by owner over /proc/self/smaps, read line by line through a fixed buffer. */
static void ReadMemoryByOwner(void) {
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  exe[n > 0 ? n : 0] = '\0';
  const int fd = open("/proc/self/smaps", O_RDONLY);
  if (fd < 0) return;
  static char buffer[1 << 16];
  char line[4608];
  size_t lineLength = 0;
  int owner = OwnerOther;
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    for (ssize_t i = 0; i < got; ++i) {
      if (buffer[i] != '\n') {
        if (lineLength + 1 < sizeof line) line[lineLength++] = buffer[i];
        continue;
      }
      line[lineLength] = '\0';
      lineLength = 0;
      unsigned long start = 0, end = 0;
      char perms[8] = "";
      int pathAt = 0;
      long kb = 0;
      if (sscanf(line, "%lx-%lx %7s %*s %*s %*s %n", &start, &end, perms, &pathAt) == 3 &&
          pathAt > 0) {
        owner = OwnerOf(line + pathAt, perms, exe);
      } else if (sscanf(line, "Rss: %ld kB", &kb) == 1) {
        OwnerKb[owner] += kb;
      }
    }
  }
  close(fd);
  FILE* status = fopen("/proc/self/status", "r");
  if (status) {
    char text[256];
    while (fgets(text, sizeof text, status))
      if (sscanf(text, "VmHWM: %ld kB", &HwmAtFirstSwapKb) == 1) break;
    fclose(status);
  }
}

__attribute__((destructor)) static void ProbeUnloaded(void) {
  const char* path = getenv("STARTUP_PROBE_OUT");
  if (!path) return;
  FILE* out = fopen(path, "w");
  if (!out) return;
  const char* exec = getenv("STARTUP_PROBE_EXEC_NS");
  fprintf(out, "exec %lld\n", exec ? atoll(exec) : 0LL);
  for (int i = 0; i < Marks; ++i) fprintf(out, "%s %lld\n", MarkNames[i], MarkNs[i]);
  fprintf(out, "frame_swap %lld\nswaps %ld\ndlopen_calls %ld\n", FrameSwapNs, SwapCount,
          DlopenCalls);
  for (int i = 0; i < Marks; ++i) fprintf(out, "dlopen_ns_%d %lld\n", i, DlopenNs[i]);
  for (int i = 0; i < Owners; ++i) fprintf(out, "rss_kb_%s %ld\n", OwnerNames[i], OwnerKb[i]);
  fprintf(out, "hwm_kb_first_swap %ld\n", HwmAtFirstSwapKb);
  /* The peak of the whole run, from exec on (wait4's counts the fork before it too). */
  long hwmKb = -1;
  FILE* status = fopen("/proc/self/status", "r");
  if (status) {
    char text[256];
    while (fgets(text, sizeof text, status))
      if (sscanf(text, "VmHWM: %ld kB", &hwmKb) == 1) break;
    fclose(status);
  }
  fprintf(out, "hwm_kb_exit %ld\n", hwmKb);
  fclose(out);
}

#define REAL(name, ret, params) \
  static ret(*real) params = 0; \
  if (!real) *(void**)&real = dlsym(RTLD_NEXT, name)

void* dlopen(const char* file, int mode) {
  REAL("dlopen", void*, (const char*, int));
  if (DlopenDepth++ > 0) {
    void* handle = real(file, mode);
    --DlopenDepth;
    return handle;
  }
  const int phase = CurrentPhase();
  const long long start = NowNs();
  void* handle = real(file, mode);
  DlopenNs[phase < Marks ? phase : Marks - 1] += NowNs() - start;
  ++DlopenCalls;
  --DlopenDepth;
  return handle;
}

void* SDL_CreateWindow(const char* title, int x, int y, int w, int h, unsigned flags) {
  REAL("SDL_CreateWindow", void*, (const char*, int, int, int, int, unsigned));
  if (!MarkNs[WindowBegin]) MarkNs[WindowBegin] = NowNs();
  void* window = real(title, x, y, w, h, flags);
  if (!MarkNs[WindowEnd]) MarkNs[WindowEnd] = NowNs();
  return window;
}

void* SDL_GL_CreateContext(void* window) {
  REAL("SDL_GL_CreateContext", void*, (void*));
  void* context = real(window);
  if (!MarkNs[ContextEnd]) MarkNs[ContextEnd] = NowNs();
  return context;
}

int SDL_PollEvent(void* event) {
  REAL("SDL_PollEvent", int, (void*));
  if (!MarkNs[FirstPoll] && MarkNs[ContextEnd]) MarkNs[FirstPoll] = NowNs();
  return real(event);
}

void SDL_GL_SwapWindow(void* window) {
  REAL("SDL_GL_SwapWindow", void, (void*));
  if (SwapCount++ == 0) MarkNs[FirstSwap] = NowNs();
  if (!FrameSwapNs && MarkNs[FirstPoll]) FrameSwapNs = NowNs();
  real(window);
  if (SwapCount == 1) {
    MarkNs[FirstSwapEnd] = NowNs();
    ReadMemoryByOwner();
  }
}
