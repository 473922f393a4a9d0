// Texture loading and the cube map on Mesa's GL through SDL's offscreen driver: what GL
// holds afterwards, queried back (filters, wrap modes, bindings, every mipmap level and
// its texels), and the real backend's messages when an image cannot be loaded.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gl/gl.h"
#include "gl/gl_loader.h"
#include "platform/backend.h"
#include "texture_files.h"
#include "textures/cubemap.h"
#include "textures/texture.h"

namespace {

SDL_Window* Window = nullptr;
SDL_GLContext Context = nullptr;

// One hidden window with a current compatibility context for the whole program.
class OffscreenGL : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    unsetenv("DISPLAY");  // no X message box can appear
    InstallPlatformBackend();
    InitGLBinding();
    if (!LoadGLLibraries(GL_LIBRARY_NAME, GLU_LIBRARY_NAME)) return;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    Window = SDL_CreateWindow("textures", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (Window) Context = SDL_GL_CreateContext(Window);
    if (Context) SDL_GL_MakeCurrent(Window, Context);
  }
  void TearDown() override {
    if (Context) SDL_GL_DeleteContext(Context);
    if (Window) SDL_DestroyWindow(Window);
    SDL_Quit();
  }
};

const ::testing::Environment* const GLEnvironment =
    ::testing::AddGlobalTestEnvironment(new OffscreenGL);

GLint TexParameter(GLenum target, GLenum pname) {
  GLint value = -1;
  glGetTexParameteriv(target, pname, &value);
  return value;
}

GLint LevelParameter(GLenum target, GLint level, GLenum pname) {
  GLint value = -1;
  glGetTexLevelParameteriv(target, level, pname, &value);
  return value;
}

GLint Integer(GLenum pname) {
  GLint value = -1;
  glGetIntegerv(pname, &value);
  return value;
}

std::vector<std::uint8_t> LevelImage(GLenum target, GLint level) {
  const GLint w = LevelParameter(target, level, GL_TEXTURE_WIDTH);
  const GLint h = LevelParameter(target, level, GL_TEXTURE_HEIGHT);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(w) * h * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(target, level, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
  return bytes;
}

std::vector<std::uint8_t> RedGreenBlue(std::vector<std::uint8_t> stored) {
  for (std::size_t i = 0; i + 2 < stored.size(); i += 3) std::swap(stored[i], stored[i + 2]);
  return stored;
}

class TextureGL : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Context) GTEST_SKIP() << "no offscreen GL context: " << SDL_GetError();
    while (glGetError() != GL_NO_ERROR) {
    }
  }
  void TearDown() override {
    if (Context) {
      EXPECT_EQ(glGetError(), GL_NO_ERROR);
    }
  }
};

TEST_F(TextureGL, MipmappedTextureHasTheFullChain) {
  BmpFields f;
  f.width = 8;
  f.height = 4;
  const std::vector<std::uint8_t> stored = CountingBytes(8 * 4 * 3, 3);
  const std::string path = WriteScratchFile("gl-8x4.bmp", BmpFile(f, stored));

  const GLuint name = LoadTexture(true, path.c_str());
  EXPECT_NE(name, 0u);
  EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(name)) << "still bound";
  EXPECT_EQ(Integer(GL_TEXTURE_2D), 0) << "2D texturing disabled";
  EXPECT_EQ(Integer(GL_UNPACK_ALIGNMENT), 1);
  EXPECT_EQ(TexParameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(TexParameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(TexParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(TexParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T), GL_REPEAT);

  // Level 0 is the file's picture as red, green, blue, first row at t = 0.
  EXPECT_EQ(LevelImage(GL_TEXTURE_2D, 0), RedGreenBlue(stored));
  // 8x4, 4x2, 2x1, 1x1: each level the 2x2 (or 2x1) average of the one above.
  const GLint widths[] = {8, 4, 2, 1}, heights[] = {4, 2, 1, 1};
  std::vector<std::uint8_t> above = LevelImage(GL_TEXTURE_2D, 0);
  for (GLint level = 0; level < 4; ++level) {
    SCOPED_TRACE(level);
    EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH), widths[level]);
    EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT), heights[level]);
    EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, level, GL_TEXTURE_INTERNAL_FORMAT), 3)
        << "the component count, as passed";
    if (level == 0) continue;
    const std::vector<std::uint8_t> image = LevelImage(GL_TEXTURE_2D, level);
    const int w = widths[level], h = heights[level], aw = widths[level - 1];
    const int rows = heights[level - 1] > 1 ? 2 : 1;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c) {
          int sum = 0;
          for (int dy = 0; dy < rows; ++dy)
            for (int dx = 0; dx < 2; ++dx)
              sum += above[((y * rows + dy) * aw + 2 * x + dx) * 3 + c];
          EXPECT_NEAR(image[(y * w + x) * 3 + c], sum / (2.0 * rows), 1.0);
        }
    above = image;
  }
  EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, 4, GL_TEXTURE_WIDTH), 0) << "nothing below 1x1";
}

// A map other than the shipped one is uploaded with the chain the program makes (halved in
// place, room for the chain made once): for a power-of-two image it must be GLU's, texel for
// texel at every level, with the same filters, wrap modes and state left; another size goes
// to GLU itself.
TEST_F(TextureGL, OwnChainIsGluBuild2DMipmapsChain) {
  const struct {
    int width, height;
    bool own;
  } sizes[] = {{64, 64, true}, {32, 8, true}, {8, 1, true},
               {1, 16, true},  {1, 1, true},  {12, 8, false}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
    TextureImage image{size.width, size.height,
                       CountingBytes(static_cast<std::size_t>(size.width) * size.height * 3, 7)};
    for (std::size_t i = 0; i < image.pixels.size(); i += 5) image.pixels[i] ^= 0xA5;  // odd sums
    EXPECT_EQ(MakesOwnChain(image), size.own);
    const GLuint glu = LoadTextureFromImage(true, image);
    const GLuint own = LoadMipmappedTexture(image);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(own)) << "still bound";
    EXPECT_EQ(Integer(GL_TEXTURE_2D), 0) << "2D texturing disabled";
    for (const GLenum pname :
         {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
      glBindTexture(GL_TEXTURE_2D, glu);
      const GLint expected = TexParameter(GL_TEXTURE_2D, pname);
      glBindTexture(GL_TEXTURE_2D, own);
      EXPECT_EQ(TexParameter(GL_TEXTURE_2D, pname), expected) << pname;
    }
    int levels = 0;
    for (GLint level = 0;; ++level, ++levels) {
      glBindTexture(GL_TEXTURE_2D, glu);
      const GLint width = LevelParameter(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH);
      const std::vector<std::uint8_t> expected =
          width ? LevelImage(GL_TEXTURE_2D, level) : std::vector<std::uint8_t>();
      glBindTexture(GL_TEXTURE_2D, own);
      EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH), width) << level;
      if (!width) break;
      EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, level, GL_TEXTURE_INTERNAL_FORMAT), 3);
      EXPECT_EQ(LevelImage(GL_TEXTURE_2D, level), expected) << "level " << level;
    }
    EXPECT_GT(levels, 0);
    const GLuint names[2] = {glu, own};
    glDeleteTextures(2, names);
  }
}

TEST_F(TextureGL, PlainTextureHasOneLevelAndLinearFilters) {
  BmpFields f;
  f.width = 4;
  f.height = 4;
  const std::vector<std::uint8_t> stored = CountingBytes(48, 9);
  const std::string path = WriteScratchFile("gl-4x4.bmp", BmpFile(f, stored));
  const GLuint name = LoadTexture(false, path.c_str());
  EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(name));
  EXPECT_EQ(Integer(GL_TEXTURE_2D), 0);
  EXPECT_EQ(TexParameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(TexParameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  EXPECT_EQ(TexParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(TexParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T), GL_REPEAT);
  EXPECT_EQ(LevelImage(GL_TEXTURE_2D, 0), RedGreenBlue(stored));
  EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), 0) << "one level only";
}

TEST_F(TextureGL, OddRowLengthsArePackedTightly) {
  BmpFields f;
  f.width = 5;  // 15 bytes a row
  f.height = 3;
  const std::vector<std::uint8_t> stored = CountingBytes(45, 20);
  const std::string path = WriteScratchFile("gl-5x3.bmp", BmpFile(f, stored));
  LoadTexture(false, path.c_str());
  EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 5);
  EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 3);
  EXPECT_EQ(LevelImage(GL_TEXTURE_2D, 0), RedGreenBlue(stored));
}

// Files in the standard layout whose rows are padded to four bytes: GL must get each row
// where the file has it, as a plain texture (126 x 3 = 378 bytes a row, padded to 380) and
// through the mipmap builder (2 x 3 = 6 bytes, padded to 8; a power of two, so level 0 is
// not rescaled).
TEST_F(TextureGL, PaddedRowsUploadRowForRow) {
  struct Case {
    int width, height;
    bool mipmapped;
  };
  for (const Case c : {Case{126, 4, false}, Case{2, 8, true}}) {
    SCOPED_TRACE(c.width);
    BmpFields f;
    f.width = c.width;
    f.height = c.height;
    const std::size_t row = static_cast<std::size_t>(c.width) * 3;
    const std::vector<std::uint8_t> stored = CountingBytes(row * c.height, 5);
    std::vector<std::uint8_t> file;
    for (int y = 0; y < c.height; ++y) {
      file.insert(file.end(), stored.begin() + y * row, stored.begin() + (y + 1) * row);
      file.insert(file.end(), {0xEE, 0xEE});
    }
    const std::string name = "gl-padded-" + std::to_string(c.width) + ".bmp";
    LoadTexture(c.mipmapped, WriteScratchFile(name, BmpFile(f, file)).c_str());
    EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), c.width);
    EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), c.height);
    EXPECT_EQ(LevelImage(GL_TEXTURE_2D, 0), RedGreenBlue(stored));
    EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), c.mipmapped ? 1 : 0);
  }
}

TEST_F(TextureGL, OneDimensionalTargetTakesTheFirstRow) {
  BmpFields f;
  f.width = 8;
  f.height = 2;
  const std::vector<std::uint8_t> stored = CountingBytes(48, 40);
  const std::string path = WriteScratchFile("gl-8x2.bmp", BmpFile(f, stored));
  const std::vector<std::uint8_t> firstRow =
      RedGreenBlue(std::vector<std::uint8_t>(stored.begin(), stored.begin() + 24));
  GLuint names[2];
  glGenTextures(2, names);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

  glBindTexture(GL_TEXTURE_1D, names[0]);
  EXPECT_TRUE(UploadTextureImage(GL_TEXTURE_1D, false, path.c_str()));
  EXPECT_EQ(LevelParameter(GL_TEXTURE_1D, 0, GL_TEXTURE_WIDTH), 8);
  EXPECT_EQ(LevelImage(GL_TEXTURE_1D, 0), firstRow);
  EXPECT_EQ(LevelParameter(GL_TEXTURE_1D, 1, GL_TEXTURE_WIDTH), 0);

  glBindTexture(GL_TEXTURE_1D, names[1]);
  EXPECT_TRUE(UploadTextureImage(GL_TEXTURE_1D, true, path.c_str()));
  EXPECT_EQ(LevelImage(GL_TEXTURE_1D, 0), firstRow);
  for (GLint level = 0, w = 8; level < 4; ++level, w /= 2)
    EXPECT_EQ(LevelParameter(GL_TEXTURE_1D, level, GL_TEXTURE_WIDTH), w) << level;
}

TEST_F(TextureGL, ShippedNormalMapLoadsWithNineLevels) {
  const std::string path = std::string(BUMPDEMO_ASSETS_DIR) + "/Textures/wall_bump.bmp";
  const std::vector<std::uint8_t> file = ReadWholeFile(path);
  ASSERT_EQ(file.size(), 54u + 256 * 256 * 3) << path;  // a failed load would end the test
  LoadTexture(true, path.c_str());
  for (GLint level = 0, edge = 256; level < 9; ++level, edge /= 2) {
    EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH), edge) << level;
    EXPECT_EQ(LevelParameter(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT), edge) << level;
  }
  EXPECT_EQ(LevelImage(GL_TEXTURE_2D, 0),
            RedGreenBlue(std::vector<std::uint8_t>(file.begin() + 54, file.end())));
}

// The cube map's faces as uploaded, captured on their way to the real GL.
std::vector<std::vector<std::uint8_t>> UploadedFaces;
decltype(glTexImage2D) RealTexImage2D = nullptr;
decltype(gluBuild2DMipmaps) RealBuild2DMipmaps = nullptr;

void Capture(GLsizei width, GLsizei height, const void* pixels) {
  const auto* bytes = static_cast<const std::uint8_t*>(pixels);
  UploadedFaces.emplace_back(bytes, bytes + static_cast<std::size_t>(width) * height * 3);
}

void GLAPIENTRY CaptureTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                  GLsizei height, GLint border, GLenum format, GLenum type,
                                  const void* pixels) {
  Capture(width, height, pixels);
  RealTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
}

GLint GLAPIENTRY CaptureBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width,
                                       GLsizei height, GLenum format, GLenum type,
                                       const void* data) {
  Capture(width, height, data);
  return RealBuild2DMipmaps(target, internalFormat, width, height, format, type, data);
}

class CubeMapGL : public TextureGL {
 protected:
  void SetUp() override {
    TextureGL::SetUp();
    UploadedFaces.clear();
    RealTexImage2D = reinterpret_cast<decltype(glTexImage2D)>(ResolveGLProc("glTexImage2D"));
    RealBuild2DMipmaps = gluBuild2DMipmaps;  // bound from the GLU library at load
    ASSERT_NE(RealTexImage2D, nullptr);
    glTexImage2D = &CaptureTexImage2D;
    gluBuild2DMipmaps = &CaptureBuild2DMipmaps;
  }
  void TearDown() override {
    if (RealTexImage2D) glTexImage2D = RealTexImage2D;
    if (RealBuild2DMipmaps) gluBuild2DMipmaps = RealBuild2DMipmaps;
    TextureGL::TearDown();
  }

  void ExpectCubeState(GLuint name, GLenum minFilter) {
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_CUBE_MAP_ARB), static_cast<GLint>(name));
    EXPECT_EQ(Integer(GL_TEXTURE_CUBE_MAP_ARB), 0) << "cube mapping disabled";
    EXPECT_EQ(Integer(GL_UNPACK_ALIGNMENT), 1);
    EXPECT_EQ(TexParameter(GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParameter(GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_MIN_FILTER),
              static_cast<GLint>(minFilter));
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
      EXPECT_EQ(TexParameter(GL_TEXTURE_CUBE_MAP_ARB, wrap), GL_CLAMP_TO_EDGE) << wrap;
  }
};

TEST_F(CubeMapGL, EveryFaceHoldsWhatWasBuilt) {
  const GLuint name = CreateNormalizationCubeMap(32, false);
  ExpectCubeState(name, GL_LINEAR);
  ASSERT_EQ(UploadedFaces.size(), 6u);
  for (int f = 0; f < 6; ++f) {
    const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB + f;
    EXPECT_EQ(LevelParameter(target, 0, GL_TEXTURE_WIDTH), 32);
    EXPECT_EQ(LevelParameter(target, 0, GL_TEXTURE_HEIGHT), 32);
    EXPECT_EQ(LevelImage(target, 0), UploadedFaces[f]) << "face " << f;
    EXPECT_EQ(LevelParameter(target, 1, GL_TEXTURE_WIDTH), 0);
  }
  // A worked texel, read from GL: positive x, (16, 15).
  const std::vector<std::uint8_t> positiveX = LevelImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB, 0);
  const std::size_t at = (15 * 32 + 16) * 3;
  EXPECT_EQ(positiveX[at], 255);
  EXPECT_EQ(positiveX[at + 1], 132);
  EXPECT_EQ(positiveX[at + 2], 124);
}

TEST_F(CubeMapGL, MipmappedFacesHaveFullChains) {
  const GLuint name = CreateNormalizationCubeMap(32, true);
  ExpectCubeState(name, GL_LINEAR_MIPMAP_LINEAR);
  ASSERT_EQ(UploadedFaces.size(), 6u);
  for (int f = 0; f < 6; ++f) {
    const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB + f;
    EXPECT_EQ(LevelImage(target, 0), UploadedFaces[f]) << "face " << f;
    for (GLint level = 0, edge = 32; level < 6; ++level, edge /= 2)
      EXPECT_EQ(LevelParameter(target, level, GL_TEXTURE_WIDTH), edge) << f << " " << level;
  }
}

// With the real backend and no display, the messages go to standard error in order.
TEST_F(TextureGL, UnloadableImageReportsOnStandardErrorAndExitsWithOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // llvmpipe runs threads
  // A fixed path: a threadsafe death test runs in a fresh process with its own scratch.
  const std::string missing = "/nonexistent-bumpdemo/Textures\\wall_bump.bmp";
  const std::string pattern = "/nonexistent-bumpdemo/Textures/wall_bump\\.bmp";
  EXPECT_EXIT(LoadTexture(true, missing.c_str()), ::testing::ExitedWithCode(1),
              "Loading Textures: Error opening \"" + pattern + "\": there is no such file\n" +
                  "Loading Textures: Unable to load " + pattern);
}

}  // namespace
