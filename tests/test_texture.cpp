// Texture loading against recording GL slots: the exact calls in order, with and without
// mipmapping, for 2D and one-dimensional targets, and the pixels handed over. Images that
// cannot be loaded: the reader's message, then "Unable to load", then exit code 1.
#include <gtest/gtest.h>

#include <cstdio>

#include "fake_platform.h"
#include "gl/gl.h"
#include "texture_files.h"
#include "texture_recorder.h"
#include "textures/texture.h"

namespace {

class TextureCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakePlatform();
    InstallTextureRecorder();
    // 4 x 2 pixels, stored blue, green, red; the upload must see red, green, blue.
    stored_ = CountingBytes(24, 10);
    path_ = WriteScratchFile("calls.bmp", BmpFile({}, stored_));
    rgb_ = stored_;
    for (std::size_t i = 0; i < rgb_.size(); i += 3) std::swap(rgb_[i], rgb_[i + 2]);
  }
  void TearDown() override { InstallEntryPointStubs(); }

  std::vector<std::uint8_t> stored_, rgb_;
  std::string path_;
};

TEST_F(TextureCalls, MipmappedTextureIsSetUpAroundOneBuild) {
  EXPECT_EQ(LoadTexture(true, path_.c_str()), 42u);
  EXPECT_EQ(RecordedCalls(),
            "glGenTextures(1) glEnable(0DE1) glBindTexture(0DE1,42) glPixelStorei(0CF5,1) "
            "glTexParameteri(0DE1,2802,2901) glTexParameteri(0DE1,2803,2901) "
            "gluBuild2DMipmaps(0DE1,3,4,2,1907,1401) "
            "glTexParameteri(0DE1,2800,2601) glTexParameteri(0DE1,2801,2703) glDisable(0DE1)");
  ASSERT_EQ(Recording.uploads.size(), 1u);
  EXPECT_EQ(Recording.uploads[0].bytes, rgb_);
  EXPECT_TRUE(Fake.boxes.empty());
}

TEST_F(TextureCalls, PlainTextureUploadsOneLevelAndFiltersLinearly) {
  EXPECT_EQ(LoadTexture(false, path_.c_str()), 42u);
  EXPECT_EQ(RecordedCalls(),
            "glGenTextures(1) glEnable(0DE1) glBindTexture(0DE1,42) glPixelStorei(0CF5,1) "
            "glTexParameteri(0DE1,2802,2901) glTexParameteri(0DE1,2803,2901) "
            "glTexImage2D(0DE1,0,3,4,2,0,1907,1401) "
            "glTexParameteri(0DE1,2800,2601) glTexParameteri(0DE1,2801,2601) glDisable(0DE1)");
  ASSERT_EQ(Recording.uploads.size(), 1u);
  EXPECT_EQ(Recording.uploads[0].bytes, rgb_);
}

TEST_F(TextureCalls, EveryOtherTargetTakesTheFirstRowOnly) {
  const std::vector<std::uint8_t> firstRow(rgb_.begin(), rgb_.begin() + 12);
  for (GLenum target : {GLenum(GL_TEXTURE_1D), GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB)}) {
    for (bool mipmapped : {true, false}) {
      InstallTextureRecorder();
      EXPECT_TRUE(UploadTextureImage(target, mipmapped, path_.c_str()));
      char expected[64];
      if (mipmapped)
        std::snprintf(expected, sizeof expected, "gluBuild1DMipmaps(%04X,3,4,1907,1401)", target);
      else
        std::snprintf(expected, sizeof expected, "glTexImage1D(%04X,0,3,4,0,1907,1401)", target);
      EXPECT_EQ(RecordedCalls(), expected);
      ASSERT_EQ(Recording.uploads.size(), 1u);
      EXPECT_EQ(Recording.uploads[0].bytes, firstRow);
    }
  }
}

TEST_F(TextureCalls, ImageUploadsAsIsForThe2DTarget) {
  EXPECT_TRUE(UploadTextureImage(GL_TEXTURE_2D, false, path_.c_str()));
  EXPECT_EQ(RecordedCalls(), "glTexImage2D(0DE1,0,3,4,2,0,1907,1401)")
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

void LoadAndReport(const std::string& path) {
  InstallFakePlatform();
  Platform.ShowMessageBox = [](const char* text, const char* caption, std::uint32_t type) {
    std::fprintf(stderr, "box{%s|%u|%s}\n", caption, type, text);
  };
  InstallTextureRecorder();
  Recording.calls.reserve(64);
  // Report the GL calls made so far when the process ends.
  std::atexit([] { std::fprintf(stderr, "calls{%s}\n", RecordedCalls().c_str()); });
  LoadTexture(true, path.c_str());
  std::fprintf(stderr, "returned\n");
}

std::string DeathPattern(const std::string& readerText, const std::string& path) {
  return "^box\\{BMP Unit\\|0\\|" + EscapeRegex(readerText) + "\\}\n" +
         "box\\{Loading Textures\\|0\\|Unable to load " + EscapeRegex(path) + "\\}\n" +
         "calls\\{glGenTextures\\(1\\) glEnable\\(0DE1\\) glBindTexture\\(0DE1,42\\) "
         "glPixelStorei\\(0CF5,1\\) glTexParameteri\\(0DE1,2802,2901\\) "
         "glTexParameteri\\(0DE1,2803,2901\\)\\}\n$";
}

TEST(TextureLoadFailure, MissingFileEndsTheProgramAfterTwoMessages) {
  const std::string path = ScratchDir() + "/missing.bmp";
  EXPECT_EXIT(LoadAndReport(path), ::testing::ExitedWithCode(1),
              DeathPattern("Error opening \"" + path, path));
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
  EXPECT_EXIT(LoadAndReport(path8), ::testing::ExitedWithCode(1),
              DeathPattern("Unsupported bitmap format", path8));
}

}  // namespace
