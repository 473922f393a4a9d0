// The start-up benchmark's reference: the program's start-up and first frame by direct
// calls into SDL, libGL and libGLU (all linked, none loaded at run time), with no entry-
// point table, log or platform layer. It makes the same window and context as the SDL
// backend (same attributes, hidden, then shown, raised and focused, swap interval 0),
// the same fixed state, the same two textures (the normal map read from the same BMP
// file and built into mipmaps by gluBuild2DMipmaps with the component count 3; the 32 x 32
// normalisation cube map without mipmaps), the same quadric, and draws the same first
// frame (bench/direct_frame.cpp, the light where InitScene puts it). Each pass of its loop
// polls one event, draws and swaps, as the program's does, until a quit request (SIGTERM
// makes one). Reads Textures/wall_bump.bmp from the working directory.
#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "direct_frame.h"

namespace {

// An uncompressed 24-bit bottom-up BMP: rows as stored (bottom first), red-green-blue.
bool ReadBmp(const char* path, int* width, int* height, std::vector<std::uint8_t>* pixels) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  std::uint8_t header[54];
  bool ok = std::fread(header, 1, sizeof header, file) == sizeof header;
  auto u32 = [&](int at) {
    return static_cast<std::uint32_t>(header[at] | header[at + 1] << 8 | header[at + 2] << 16 |
                                      header[at + 3] << 24);
  };
  const int w = static_cast<int>(u32(18)), h = static_cast<int>(u32(22));
  const int bits = header[28] | header[29] << 8;
  ok = ok && header[0] == 'B' && header[1] == 'M' && bits == 24 && w > 0 && h > 0 && w <= 16384 &&
       h <= 16384 && std::fseek(file, static_cast<long>(u32(10)), SEEK_SET) == 0;
  if (ok) {
    const std::size_t row = static_cast<std::size_t>(w) * 3, stride = (row + 3) & ~std::size_t{3};
    pixels->resize(row * static_cast<std::size_t>(h));
    std::vector<std::uint8_t> padded(stride);
    for (int y = 0; ok && y < h; ++y) {
      ok = std::fread(padded.data(), 1, stride, file) == stride;
      std::uint8_t* out = pixels->data() + row * static_cast<std::size_t>(y);
      for (std::size_t x = 0; ok && x < row; x += 3) {
        out[x] = padded[x + 2];
        out[x + 1] = padded[x + 1];
        out[x + 2] = padded[x];
      }
    }
  }
  std::fclose(file);
  *width = w;
  *height = h;
  return ok;
}

GLuint LoadNormalMap(const char* path) {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;
  if (!ReadBmp(path, &width, &height, &pixels)) return 0;
  GLuint name = 0;
  glGenTextures(1, &name);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glDisable(GL_TEXTURE_2D);
  return name;
}

// Each texel the unit vector towards its centre on the cube, encoded as 127 c + 128.
GLuint MakeCubeMap(int size) {
  std::vector<std::uint8_t> image(static_cast<std::size_t>(size * size * 3));
  GLuint name = 0;
  glGenTextures(1, &name);
  glEnable(GL_TEXTURE_CUBE_MAP_ARB);
  glBindTexture(GL_TEXTURE_CUBE_MAP_ARB, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
  for (int face = 0; face < 6; ++face) {
    for (int x = 0; x < size; ++x) {
      for (int y = 0; y < size; ++y) {
        const float s = 2 * (x + 0.5f) / size - 1, t = 2 * (y + 0.5f) / size - 1;
        const float faces[6][3] = {{1, -t, -s}, {-1, -t, s}, {s, 1, t},
                                   {s, -1, -t}, {s, -t, 1},  {-s, -t, -1}};
        const float* v = faces[face];
        const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        std::uint8_t* texel = &image[static_cast<std::size_t>((y * size + x) * 3)];
        for (int c = 0; c < 3; ++c)
          texel[c] = static_cast<std::uint8_t>(std::lrint(127.0f * v[c] / length + 128.0f) & 0xFF);
      }
    }
    glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB + face, 0, GL_RGB, size, size, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, image.data());
  }
  glTexParameteri(GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glDisable(GL_TEXTURE_CUBE_MAP_ARB);
  return name;
}

}  // namespace

int main(int, char**) {
  SDL_SetMainReady();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 1;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_Window* window =
      SDL_CreateWindow("reference", 0, 0, 640, 480, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) return 1;
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) return 1;
  SDL_GL_MakeCurrent(window, context);
  SDL_ShowWindow(window);
  SDL_RaiseWindow(window);
  SDL_SetWindowInputFocus(window);
  SDL_GL_SetSwapInterval(0);

  glClearColor(0, 0, 0, 1);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  const GLuint bump = LoadNormalMap("Textures/wall_bump.bmp");
  const GLuint cube = MakeCubeMap(32);
  if (!bump || !DirectInit()) {
    std::fprintf(stderr, "startup_reference: no normal map or quadric\n");
    return 1;
  }
  glDisable(GL_TEXTURE_2D);

  const float light[3] = {0.5f, 0.0f, 1.0f};
  for (;;) {
    SDL_Event event;
    if (SDL_PollEvent(&event) && event.type == SDL_QUIT) break;
    DirectSceneFrame(light, bump, cube);
    SDL_GL_SwapWindow(window);
  }
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
