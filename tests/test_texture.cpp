// Texture loading against the GL-call recorder: the exact calls in order, with and without
// mipmapping, for 2D and one-dimensional targets, and the pixels handed over. Images that
// cannot be loaded: the reader's message, then "Unable to load", then exit code 1.
#include <gtest/gtest.h>

#include <cstdio>

#include "fake_platform.h"
#include "gl/gl.h"
#include "gl/recorder/gl_recorder.h"
#include "texture_files.h"
#include "textures/texture.h"

namespace {

// Every slot records; glGenTextures hands out 42 first.
void RecordTextureCalls() {
  StopRecordingGLCalls();
  RecordGLCalls();
  SetGLNextName("glGenTextures", 42);
}

// The recorded calls that carried pixel data.
GLCallList Uploads() {
  GLCallList uploads;
  for (const GLCall& call : RecordedGLCalls())
    if (!call.data.empty()) uploads.push_back(call);
  return uploads;
}

GLuint NameOut = 0;  // stands for the names array that glGenTextures fills

// What LoadTexture calls for a 2D texture before its upload.
GLCallList SetUpCalls() {
  return {Expected::glGenTextures(1, &NameOut),
          Expected::glEnable(0x0DE1),
          Expected::glBindTexture(0x0DE1, 42),
          Expected::glPixelStorei(0x0CF5, 1),
          Expected::glTexParameteri(0x0DE1, 0x2802, 0x2901),
          Expected::glTexParameteri(0x0DE1, 0x2803, 0x2901)};
}

class TextureCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakePlatform();
    RecordTextureCalls();
    // 4 x 2 pixels, stored blue, green, red; the upload must see red, green, blue.
    stored_ = CountingBytes(24, 10);
    path_ = WriteScratchFile("calls.bmp", BmpFile({}, stored_));
    rgb_ = stored_;
    for (std::size_t i = 0; i < rgb_.size(); i += 3) std::swap(rgb_[i], rgb_[i + 2]);
  }
  void TearDown() override { StopRecordingGLCalls(); }

  // The set-up calls, the upload, then the filters and the end.
  GLCallList LoadCalls(const GLCall& upload, GLint minFilter) {
    GLCallList calls = SetUpCalls();
    calls.push_back(upload);
    calls.push_back(Expected::glTexParameteri(0x0DE1, 0x2800, 0x2601));
    calls.push_back(Expected::glTexParameteri(0x0DE1, 0x2801, minFilter));
    calls.push_back(Expected::glDisable(0x0DE1));
    return calls;
  }

  std::vector<std::uint8_t> stored_, rgb_;
  std::string path_;
};

TEST_F(TextureCalls, MipmappedTextureIsSetUpAroundOneBuild) {
  EXPECT_EQ(LoadTexture(true, path_.c_str()), 42u);
  EXPECT_EQ(
      GLCallsText(RecordedGLCalls()),
      GLCallsText(LoadCalls(
          Expected::gluBuild2DMipmaps(0x0DE1, 3, 4, 2, 0x1907, 0x1401, rgb_.data()), 0x2703)));
  ASSERT_EQ(Uploads().size(), 1u);
  EXPECT_EQ(Uploads()[0].data, rgb_);
  EXPECT_TRUE(Fake.boxes.empty());
}

TEST_F(TextureCalls, PlainTextureUploadsOneLevelAndFiltersLinearly) {
  EXPECT_EQ(LoadTexture(false, path_.c_str()), 42u);
  EXPECT_EQ(
      GLCallsText(RecordedGLCalls()),
      GLCallsText(LoadCalls(
          Expected::glTexImage2D(0x0DE1, 0, 3, 4, 2, 0, 0x1907, 0x1401, rgb_.data()), 0x2601)));
  ASSERT_EQ(Uploads().size(), 1u);
  EXPECT_EQ(Uploads()[0].data, rgb_);
}

TEST_F(TextureCalls, EveryOtherTargetTakesTheFirstRowOnly) {
  const std::vector<std::uint8_t> firstRow(rgb_.begin(), rgb_.begin() + 12);
  for (GLenum target : {GLenum(GL_TEXTURE_1D), GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB)}) {
    for (bool mipmapped : {true, false}) {
      RecordTextureCalls();
      EXPECT_TRUE(UploadTextureImage(target, mipmapped, path_.c_str()));
      const GLCall expected =
          mipmapped ? Expected::gluBuild1DMipmaps(target, 3, 4, 0x1907, 0x1401, firstRow.data())
                    : Expected::glTexImage1D(target, 0, 3, 4, 0, 0x1907, 0x1401, firstRow.data());
      EXPECT_EQ(RecordedGLCalls(), GLCallList{expected});
      ASSERT_EQ(Uploads().size(), 1u);
      EXPECT_EQ(Uploads()[0].data, firstRow);
    }
  }
}

TEST_F(TextureCalls, ImageUploadsAsIsForThe2DTarget) {
  EXPECT_TRUE(UploadTextureImage(GL_TEXTURE_2D, false, path_.c_str()));
  EXPECT_EQ(RecordedGLCalls(),
            GLCallList{Expected::glTexImage2D(0x0DE1, 0, 3, 4, 2, 0, 0x1907, 0x1401, rgb_.data())})
      << "nothing but the upload: binding and alignment are the caller's";
}

// An image that cannot be loaded ends the program. The messages are written to standard
// error in the child, in order, with the calls made before the end.
std::string EscapeRegex(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string CallsOnOneLine(const GLCallList& calls) {
  std::string line;
  for (const GLCall& call : calls) line += (line.empty() ? "" : " ") + GLCallText(call);
  return line;
}

void LoadAndReport(const std::string& path) {
  InstallFakePlatform();
  Platform.ShowMessageBox = [](const char* text, const char* caption, std::uint32_t type) {
    std::fprintf(stderr, "box{%s|%u|%s}\n", caption, type, text);
  };
  RecordTextureCalls();
  // Report the GL calls made so far when the process ends.
  std::atexit(
      [] { std::fprintf(stderr, "calls{%s}\n", CallsOnOneLine(RecordedGLCalls()).c_str()); });
  LoadTexture(true, path.c_str());
  std::fprintf(stderr, "returned\n");
}

std::string DeathPattern(const std::string& readerText, const std::string& path,
                         const char* caption = "BMP Unit") {
  return "^box\\{" + std::string(caption) + "\\|0\\|" + EscapeRegex(readerText) + "\\}\n" +
         "box\\{Loading Textures\\|0\\|Unable to load " + EscapeRegex(path) + "\\}\n" + "calls\\{" +
         EscapeRegex(CallsOnOneLine(SetUpCalls())) + "\\}\n$";
}

// A file that is not there: the reason, under the loader's caption (the BMP reader's own
// words are kept for the shipped map, which the end-to-end tests check).
TEST(TextureLoadFailure, MissingFileEndsTheProgramAfterTwoMessages) {
  const std::string path = ScratchDir() + "/missing.bmp";
  EXPECT_EXIT(LoadAndReport(path), ::testing::ExitedWithCode(1),
              DeathPattern("Error opening \"" + path + "\": there is no such file", path,
                           "Loading Textures"));
}

TEST(TextureLoadFailure, TruncatedFileEndsTheProgramAfterTwoMessages) {
  std::vector<std::uint8_t> file = BmpFile({}, CountingBytes(24));
  file.resize(70);
  const std::string path = WriteScratchFile("truncated.bmp", file);
  EXPECT_EXIT(LoadAndReport(path), ::testing::ExitedWithCode(1),
              DeathPattern("Error reading bitmap data", path));
}

TEST(TextureLoadFailure, RefusedFileEndsTheProgramAfterTwoMessages) {
  BmpFields topDown;
  topDown.height = -2;
  const std::string path = WriteScratchFile("topdown.bmp", BmpFile(topDown, CountingBytes(24)));
  EXPECT_EXIT(LoadAndReport(path), ::testing::ExitedWithCode(1),
              DeathPattern("Unsupported bitmap size", path));

  BmpFields paletted;
  paletted.bitsPerPixel = 8;
  const std::string path8 = WriteScratchFile("paletted.bmp", BmpFile(paletted, CountingBytes(8)));
  EXPECT_EXIT(
      LoadAndReport(path8), ::testing::ExitedWithCode(1),
      DeathPattern("Unsupported bitmap format (reads 24- and 32-bit uncompressed images)", path8));
}

}  // namespace
