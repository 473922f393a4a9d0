// The normal-map tool, run as a program: the shipped wall_bump.bmp is exactly what it
// makes; its output is in the layout the reader serves; normals point the right way
// (+x right, +y up the picture, +z out); and user height maps in each supported form
// give the normals of their slopes.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "fake_platform.h"
#include "texture_files.h"
#include "textures/bmp.h"

namespace {

int RunTool(const std::string& arguments) {
  const std::string command =
      std::string("'") + MAKE_NORMAL_MAP + "' " + arguments + " 2>/dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& path) {
  return "'" + path + "'";
}

// A texel's normal, decoded from the file's blue, green, red bytes.
struct Normal {
  double x, y, z;
};

Normal TexelNormal(const std::vector<std::uint8_t>& file, int width, int x, int y) {
  const std::size_t at = 54 + (static_cast<std::size_t>(y) * width + x) * 3;
  return {file[at + 2] / 127.5 - 1, file[at + 1] / 127.5 - 1, file[at] / 127.5 - 1};
}

TEST(NormalMapTool, ShippedMapIsWhatTheToolMakes) {
  const std::string made = ScratchDir() + "/wall_bump.bmp";
  ASSERT_EQ(RunTool(Quote(made)), 0);
  const std::vector<std::uint8_t> shipped =
      ReadWholeFile(std::string(BUMPDEMO_ASSETS_DIR) + "/Textures/wall_bump.bmp");
  const std::vector<std::uint8_t> regenerated = ReadWholeFile(made);
  ASSERT_EQ(regenerated.size(), 54u + 256 * 256 * 3);
  EXPECT_TRUE(shipped == regenerated) << "assets/Textures/wall_bump.bmp is out of date: "
                                         "regenerate it with make_normal_map";
}

TEST(NormalMapTool, OutputIsWhatTheReaderServes) {
  const std::string made = ScratchDir() + "/served.bmp";
  ASSERT_EQ(RunTool(Quote(made)), 0);
  const std::vector<std::uint8_t> file = ReadWholeFile(made);
  ASSERT_EQ(file.size(), 54u + 256 * 256 * 3);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(file[10], 54);  // pixel data right after the 40-byte header
  EXPECT_EQ(file[14], 40);  // info header size
  EXPECT_EQ(file[22], 0);   // height 256: positive, so bottom-up
  EXPECT_EQ(file[23], 1);
  EXPECT_EQ(file[28], 24);  // bits per pixel
  EXPECT_EQ(file[30], 0);   // uncompressed
  EXPECT_EQ(file[46], 0);   // no colour table
  InstallFakePlatform();
  std::int32_t width = 0, height = 0;
  std::unique_ptr<std::uint8_t[]> pixels;
  ReadBitmapFile(made.c_str(), &width, &height, &pixels);
  ASSERT_TRUE(pixels);
  EXPECT_EQ(width, 256);
  EXPECT_EQ(height, 256);
  EXPECT_TRUE(Fake.boxes.empty());
}

TEST(NormalMapTool, BrickEdgesFaceAwayFromTheBricks) {
  const std::string made = ScratchDir() + "/edges.bmp";
  ASSERT_EQ(RunTool(Quote(made)), 0);
  const std::vector<std::uint8_t> file = ReadWholeFile(made);
  ASSERT_EQ(file.size(), 54u + 256 * 256 * 3);
  int flat = 0, unit = 0;
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const Normal n = TexelNormal(file, 256, x, y);
      if (n.z > 0 && std::fabs(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z) - 1) < 0.02) ++unit;
      if (n.z > 0.97) ++flat;
    }
  EXPECT_EQ(unit, 256 * 256) << "every texel a unit normal out of the wall";
  EXPECT_GT(flat, 256 * 256 / 3) << "brick faces are mostly flat";
  EXPECT_LT(flat, 256 * 256 * 9 / 10) << "joints and roughness tilt the rest";

  // Bottom course (rows 0-31, bricks from x = 0 to 63, joint at y = 32, x = 64): near the
  // top of a brick the surface falls away upwards, near its right end to the right; the
  // average normal there leans up, and right.
  double up = 0, down = 0, right = 0, left = 0;
  for (int i = 10; i < 54; ++i) {
    for (int d = 23; d < 29; ++d) up += TexelNormal(file, 256, i, d).y;
    for (int d = 3; d < 9; ++d) down += TexelNormal(file, 256, i, d).y;
  }
  for (int j = 8; j < 24; ++j) {
    for (int d = 55; d < 61; ++d) right += TexelNormal(file, 256, d, j).x;
    for (int d = 3; d < 9; ++d) left += TexelNormal(file, 256, d, j).x;
  }
  EXPECT_GT(up / (44 * 6), 0.2) << "top edges lean up (+y)";
  EXPECT_LT(down / (44 * 6), -0.2) << "bottom edges lean down";
  EXPECT_GT(right / (16 * 6), 0.2) << "right ends lean right (+x)";
  EXPECT_LT(left / (16 * 6), -0.2) << "left ends lean left";
}

// A grey ramp rising to the right and up the picture, 16 x 8, in three forms.
std::uint8_t RampLevel(int x, int y) {
  return static_cast<std::uint8_t>(40 + 8 * x + 12 * y);
}

std::vector<std::uint8_t> Ramp24(bool topDown, int width = 16) {
  BmpFields f;
  f.width = width;
  f.height = topDown ? -8 : 8;
  std::vector<std::uint8_t> body;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint8_t g = RampLevel(x, topDown ? 7 - y : y);
      body.insert(body.end(), {g, g, g});
    }
  return BmpFile(f, body);
}

std::vector<std::uint8_t> Ramp8() {
  BmpFields f;
  f.width = 16;
  f.height = 8;
  f.bitsPerPixel = 8;
  f.coloursUsed = 256;
  f.pixelOffset = 54 + 256 * 4;
  std::vector<std::uint8_t> body;
  for (int i = 0; i < 256; ++i) {
    const int grey = 255 - i;  // an inverted palette: index and grey level differ
    body.insert(body.end(), {static_cast<std::uint8_t>(grey), static_cast<std::uint8_t>(grey),
                             static_cast<std::uint8_t>(grey), 0});
  }
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) body.push_back(static_cast<std::uint8_t>(255 - RampLevel(x, y)));
  return BmpFile(f, body);
}

TEST(NormalMapTool, HeightMapSlopesBecomeNormals) {
  const std::string from24 = ScratchDir() + "/ramp24-normals.bmp";
  ASSERT_EQ(RunTool("--strength 4 " + Quote(from24) + " " +
                    Quote(WriteScratchFile("ramp24.bmp", Ramp24(false)))),
            0);
  const std::vector<std::uint8_t> file = ReadWholeFile(from24);
  ASSERT_EQ(file.size(), 54u + 16 * 8 * 3);
  // Height rises 8/255 a texel to the right and 12/255 upwards, times 4: the normal is
  // (-sx, -sy, 1) / |..| with sx = 32/255, sy = 48/255.
  const double sx = 32.0 / 255, sy = 48.0 / 255, length = std::sqrt(sx * sx + sy * sy + 1);
  for (int y = 1; y < 7; ++y)
    for (int x = 1; x < 15; ++x) {  // the outer rows and columns meet across the wrap
      const Normal n = TexelNormal(file, 16, x, y);
      EXPECT_NEAR(n.x, -sx / length, 0.01) << x << "," << y;
      EXPECT_NEAR(n.y, -sy / length, 0.01) << x << "," << y;
      EXPECT_NEAR(n.z, 1 / length, 0.01) << x << "," << y;
    }

  // The same picture top-down, and as 8-bit paletted grey: the same normals.
  const std::string fromTopDown = ScratchDir() + "/ramp-topdown-normals.bmp";
  ASSERT_EQ(RunTool("--strength 4 " + Quote(fromTopDown) + " " +
                    Quote(WriteScratchFile("ramp-topdown.bmp", Ramp24(true)))),
            0);
  EXPECT_TRUE(ReadWholeFile(fromTopDown) == file);
  const std::string from8 = ScratchDir() + "/ramp8-normals.bmp";
  ASSERT_EQ(
      RunTool("--strength 4 " + Quote(from8) + " " + Quote(WriteScratchFile("ramp8.bmp", Ramp8()))),
      0);
  EXPECT_TRUE(ReadWholeFile(from8) == file);
}

TEST(NormalMapTool, FlatHeightMapGivesStraightNormals) {
  BmpFields f;
  f.width = 8;
  f.height = 4;
  const std::string made = ScratchDir() + "/flat-normals.bmp";
  ASSERT_EQ(
      RunTool(Quote(made) + " " +
              Quote(WriteScratchFile("flat.bmp", BmpFile(f, std::vector<std::uint8_t>(96, 77))))),
      0);
  const std::vector<std::uint8_t> file = ReadWholeFile(made);
  ASSERT_EQ(file.size(), 54u + 96);
  for (std::size_t i = 54; i < file.size(); i += 3) {
    EXPECT_EQ(file[i], 255);      // blue: z = 1
    EXPECT_EQ(file[i + 1], 128);  // green: y = 0
    EXPECT_EQ(file[i + 2], 128);  // red: x = 0
  }
}

TEST(NormalMapTool, RefusesWhatItCannotServe) {
  const std::string made = ScratchDir() + "/refused-normals.bmp";
  std::remove(made.c_str());
  // A width of 6 (rows packed, as it happens) would need padding in the output.
  std::vector<std::uint8_t> six = Ramp24(false, 6);
  EXPECT_EQ(RunTool(Quote(made) + " " + Quote(WriteScratchFile("six.bmp", six))), 1);
  EXPECT_EQ(RunTool(Quote(made) + " " + Quote(ScratchDir() + "/no-height-map.bmp")), 1);
  BmpFields f;
  f.bitsPerPixel = 32;
  EXPECT_EQ(RunTool(Quote(made) + " " +
                    Quote(WriteScratchFile("rgba.bmp", BmpFile(f, CountingBytes(32))))),
            1);
  EXPECT_TRUE(ReadWholeFile(made).empty()) << "nothing written";
  EXPECT_EQ(RunTool(""), 2) << "usage";
}

}  // namespace
