// Normal maps in the forms other programs write, with the real executable on SDL's
// offscreen driver: a 32-bit map as ImageMagick writes any picture with alpha draws the
// very picture of the 24-bit map with the same pixels, and a 16-bit map is refused with
// the text that says what is read, and status 1.
#include <gtest/gtest.h>

#include <filesystem>

#include "demo_process.h"

namespace fs = std::filesystem;

namespace {

// Writes the shipped map again in another form with ImageMagick's convert.
void Convert(const std::string& dir, const std::vector<std::string>& options,
             const std::string& output) {
  std::vector<std::string> argv = {"convert", dir + "/Textures/wall_bump.bmp"};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(dir + "/Textures/" + output);
  DemoOptions plain;
  plain.runDir = dir;
  plain.env = {"PATH=/usr/local/bin:/usr/bin:/bin"};
  const DemoResult made = RunProcess(argv, plain);
  ASSERT_EQ(made.exitCode, 0) << made.err;
}

// One frozen frame drawn with the given normal map, as PNG bytes.
std::string Frame(const std::string& dir, const std::string& map, const std::string& shot) {
  const DemoResult result = RunDemoProcess(
      OffscreenRun(dir),
      {"--normal-map", "Textures/" + map, "--frames", "1", "--time", "300", "--screenshot", shot});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  return ReadFile(dir + "/" + shot);
}

TEST(EndToEndBitmaps, ThirtyTwoBitMapDrawsTheSamePictureAsTheTwentyFourBitOne) {
  const std::string dir = MakeRunDir();
  // A BITMAPV5HEADER with BI_BITFIELDS, the same pixels with an opaque alpha byte.
  ASSERT_NO_FATAL_FAILURE(Convert(dir, {"-alpha", "on", "-type", "TrueColorAlpha"}, "wall32.bmp"));
  const std::string written = ReadFile(dir + "/Textures/wall32.bmp");
  ASSERT_GT(written.size(), 138u);
  ASSERT_EQ(written[28], 32) << "convert wrote a 32-bit file";
  ASSERT_EQ(written[14], 124) << "with a V5 header";
  fs::copy_file(dir + "/Textures/wall_bump.bmp", dir + "/Textures/wall24.bmp");
  const std::string from24 = Frame(dir, "wall24.bmp", "from24.png");
  ASSERT_GT(from24.size(), 1000u);
  EXPECT_TRUE(Frame(dir, "wall32.bmp", "from32.png") == from24) << "the same picture";
  fs::remove_all(dir);
}

TEST(EndToEndBitmaps, SixteenBitMapIsRefusedWithWhatIsRead) {
  const std::string dir = MakeRunDir();
  ASSERT_NO_FATAL_FAILURE(Convert(dir, {"-define", "bmp:subtype=RGB565"}, "wall16.bmp"));
  ASSERT_EQ(ReadFile(dir + "/Textures/wall16.bmp")[28], 16);
  const DemoResult result =
      RunDemoProcess(OffscreenRun(dir), {"--normal-map", "Textures/wall16.bmp", "--frames", "1",
                                         "--time", "300", "--screenshot", "x.png"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "BMP Unit: Unsupported bitmap format (reads 24- and 32-bit uncompressed images)\n"
            "Loading Textures: Unable to load Textures/wall16.bmp\n");
  EXPECT_FALSE(fs::exists(dir + "/x.png"));
  fs::remove_all(dir);
}

}  // namespace
