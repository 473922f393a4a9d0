// The normal-map tool, run as a program: the shipped wall_bump.bmp is exactly what it
// makes; its output is in the layout the reader serves; normals point the right way
// (+x right, +y up the picture, +z out); user height maps in each supported form (8-bit,
// 24-bit, 32-bit, top-down, behind a larger header) give the normals of their slopes; a
// command line it cannot follow changes no file; and an existing file is replaced only
// with --force.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

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
  const std::string colour = ScratchDir() + "/wall_colour.bmp";
  ASSERT_EQ(RunTool("--colour " + Quote(colour) + " " + Quote(made)), 0);
  EXPECT_TRUE(ReadWholeFile(std::string(BUMPDEMO_ASSETS_DIR) + "/Textures/wall_colour.bmp") ==
              ReadWholeFile(colour))
      << "assets/Textures/wall_colour.bmp is out of date: regenerate it with make_normal_map "
         "--colour";
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

// The ramp as a 32-bit file in ImageMagick's layout (a 124-byte header, BI_BITFIELDS, an
// opaque alpha byte), or as a 24-bit file with that header (what convert writes for a
// picture without alpha): the pixels start at byte 138.
std::vector<std::uint8_t> RampWithV5Header(std::uint16_t bitsPerPixel) {
  BmpFields f;
  f.width = 16;
  f.height = 8;
  f.bitsPerPixel = bitsPerPixel;
  f.infoHeaderSize = 124;
  f.pixelOffset = 138;
  std::vector<std::uint8_t> body(84, 0);  // the rest of the header; the masks come first
  const std::uint32_t masks[] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u};
  for (int m = 0; m < 4; ++m)
    for (int i = 0; i < 4; ++i) body[4 * m + i] = static_cast<std::uint8_t>(masks[m] >> (8 * i));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) {
      const std::uint8_t g = RampLevel(x, y);
      body.insert(body.end(), {g, g, g});
      if (bitsPerPixel == 32) body.push_back(255);
    }
  std::vector<std::uint8_t> file = BmpFile(f, body);
  if (bitsPerPixel == 32) file[30] = 3;  // BI_BITFIELDS
  return file;
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

  // And as ImageMagick writes it, 32-bit or 24-bit behind a larger header.
  for (std::uint16_t bits : {32, 24}) {
    SCOPED_TRACE(bits);
    const std::string name = "ramp-v5-" + std::to_string(bits);
    const std::string made = ScratchDir() + "/" + name + "-normals.bmp";
    ASSERT_EQ(RunTool("--strength 4 " + Quote(made) + " " +
                      Quote(WriteScratchFile(name + ".bmp", RampWithV5Header(bits)))),
              0);
    EXPECT_TRUE(ReadWholeFile(made) == file);
  }
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
  // What the program's reader refuses: 16 bits a pixel, 32-bit masks it does not read.
  BmpFields f;
  f.bitsPerPixel = 16;
  EXPECT_EQ(RunTool(Quote(made) + " " +
                    Quote(WriteScratchFile("rgb16.bmp", BmpFile(f, CountingBytes(16))))),
            1);
  std::vector<std::uint8_t> oddMasks = RampWithV5Header(32);
  oddMasks[54] = 0xFF;  // red 0x00FF00FF
  EXPECT_EQ(RunTool(Quote(made) + " " + Quote(WriteScratchFile("oddmasks.bmp", oddMasks))), 1);
  EXPECT_TRUE(ReadWholeFile(made).empty()) << "nothing written";
  EXPECT_EQ(RunTool(""), 2) << "usage";
}

// A 128 x 128 height map: a dome in the middle of a flat field.
std::vector<std::uint8_t> Dome128() {
  BmpFields f;
  f.width = 128;
  f.height = 128;
  std::vector<std::uint8_t> body;
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) {
      const double r2 = ((x - 64) * (x - 64) + (y - 64) * (y - 64)) / (48.0 * 48.0);
      const auto g = static_cast<std::uint8_t>(r2 < 1 ? 40 + 200 * std::sqrt(1 - r2) : 40);
      body.insert(body.end(), {g, g, g});
    }
  return BmpFile(f, body);
}

std::set<std::string> Listing(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

// Each command line runs in a directory of its own holding dome128.bmp and same.bmp, a
// second name (hard link) for the same file. Nothing but the expected file may appear
// there, and the height map must stay byte for byte as written.
struct ToolRun {
  const char* arguments;  // shell words; DIR stands for the directory's absolute path
  int exitCode;
  const char* stream;  // "out" or "err": where the text must appear (the other stays empty)
  const char* text;
  const char* creates;  // the file the run must make, or nullptr
};

TEST(NormalMapTool, CommandLinesAreCheckedBeforeAnyFileIsTouched) {
  const std::vector<std::uint8_t> dome = Dome128();
  const std::string hint = "Try 'make_normal_map --help'";
  const ToolRun runs[] = {
      // The value after --strength is a file name: the height map must survive.
      {"--strength out10.bmp dome128.bmp", 2, "err",
       "--strength needs a number greater than 0 and at most 1000, not 'out10.bmp'", nullptr},
      {"--strength abc out.bmp dome128.bmp", 2, "err", "not 'abc'", nullptr},
      {"--strength 6x out.bmp dome128.bmp", 2, "err", "not '6x'", nullptr},
      {"--strength '' out.bmp", 2, "err", "not ''", nullptr},
      {"--strength 0 out.bmp dome128.bmp", 2, "err", "not '0'", nullptr},
      {"--strength -3 out.bmp dome128.bmp", 2, "err", "not '-3'", nullptr},
      {"--strength 1001 out.bmp", 2, "err", "not '1001'", nullptr},
      {"--strength 1e999 out.bmp", 2, "err", "not '1e999'", nullptr},
      {"--strength nan out.bmp", 2, "err", "not 'nan'", nullptr},
      {"out.bmp dome128.bmp --strength", 2, "err", "--strength needs a value", nullptr},
      {"--strenght 4 out.bmp dome128.bmp", 2, "err", "unknown option '--strenght'", nullptr},
      {"-s 4 out.bmp", 2, "err", "unknown option '-s'", nullptr},
      {"out.bmp dome128.bmp extra.bmp", 2, "err", "too many arguments, from 'extra.bmp'", nullptr},
      {"", 2, "err", "no output file given", nullptr},
      // The output is the height map, by the same name, another spelling or another link.
      {"dome128.bmp dome128.bmp", 2, "err", "the output 'dome128.bmp' is the height map itself",
       nullptr},
      {"./dome128.bmp DIR/dome128.bmp", 2, "err", "is the height map itself", nullptr},
      {"same.bmp dome128.bmp", 2, "err", "the output 'same.bmp' is the height map itself", nullptr},
      // Help, and a good run that says what it wrote.
      // The colour map is neither the normal map nor the height map.
      {"--colour out.bmp out.bmp dome128.bmp", 2, "err",
       "the colour map 'out.bmp' is the normal map's file too", nullptr},
      {"--colour same.bmp out.bmp dome128.bmp", 2, "err", "is the height map itself", nullptr},
      {"--colour --strength 2 out.bmp", 2, "err", "--colour needs a file name", nullptr},
      // The height map named first, as cp and convert take their files: it is the output,
      // and it exists.
      {"dome128.bmp new.bmp", 2, "err",
       "dome128.bmp exists; it is the OUTPUT argument (the first; the height map comes second); "
       "use --force to replace it",
       nullptr},
      {"--colour dome128.bmp out.bmp", 2, "err",
       "dome128.bmp exists; it is the --colour output; use --force to replace it", nullptr},
      {"--force same.bmp dome128.bmp", 2, "err", "is the height map itself", nullptr},
      {"--force --colour dome128.bmp out.bmp same.bmp", 2, "err", "is the height map itself",
       nullptr},
      {"--help", 0, "out",
       "usage: make_normal_map [--force] [--strength K] [--colour COLOUR] OUTPUT [HEIGHTMAP]",
       nullptr},
      // A name the tool cannot honour: it writes BMP and PNG alone.
      {"out.jpg dome128.bmp", 2, "err",
       "'out.jpg' does not end in .bmp or .png, the formats the tool writes", nullptr},
      {"--colour colour.tga out.bmp", 2, "err", "'colour.tga' does not end in .bmp or .png",
       nullptr},
      {"-h out.bmp", 0, "out", "--strength K", nullptr},
      {"--strength 2.5 new.bmp dome128.bmp", 0, "out",
       "make_normal_map: wrote new.bmp (128 x 128, 49206 bytes)\n", "new.bmp"},
  };
  const std::string root = ScratchDir() + "/command-lines";
  std::filesystem::create_directories(root);
  int index = 0;
  for (const ToolRun& run : runs) {
    SCOPED_TRACE(std::string("make_normal_map ") + run.arguments);
    const std::string dir = root + "/" + std::to_string(index++);
    std::filesystem::create_directories(dir);
    const std::string heightMap = dir + "/dome128.bmp";
    std::ofstream(heightMap, std::ios::binary)
        .write(reinterpret_cast<const char*>(dome.data()),
               static_cast<std::streamsize>(dome.size()));
    ASSERT_EQ(link(heightMap.c_str(), (dir + "/same.bmp").c_str()), 0);

    std::string arguments = run.arguments;
    for (std::size_t at; (at = arguments.find("DIR")) != std::string::npos;)
      arguments.replace(at, 3, dir);
    const std::string out = root + "/stdout", err = root + "/stderr";
    const std::string command = "cd " + Quote(dir) + " && " + Quote(MAKE_NORMAL_MAP) + " " +
                                arguments + " >" + Quote(out) + " 2>" + Quote(err);
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), run.exitCode);

    const std::vector<std::uint8_t> outBytes = ReadWholeFile(out), errBytes = ReadWholeFile(err);
    const std::string stdoutText(outBytes.begin(), outBytes.end());
    const std::string stderrText(errBytes.begin(), errBytes.end());
    const bool onStdout = std::string(run.stream) == "out";
    const std::string& shown = onStdout ? stdoutText : stderrText;
    EXPECT_NE(shown.find(run.text), std::string::npos) << "std" << run.stream << ": " << shown;
    EXPECT_EQ(onStdout ? stderrText : stdoutText, "");
    if (run.exitCode == 2) {
      EXPECT_NE(stderrText.find(hint), std::string::npos) << stderrText;
    }

    std::set<std::string> expected = {"dome128.bmp", "same.bmp"};
    if (run.creates) expected.insert(run.creates);
    EXPECT_EQ(Listing(dir), expected);
    EXPECT_TRUE(ReadWholeFile(heightMap) == dome) << "the height map was changed";
    if (run.creates) {
      const std::vector<std::uint8_t> made = ReadWholeFile(dir + "/" + run.creates);
      ASSERT_EQ(made.size(), 49206u);
      EXPECT_EQ(made[18] | made[19] << 8, 128) << "width";
      EXPECT_EQ(made[22] | made[23] << 8, 128) << "height";
    }
  }
}

// An existing output stays byte for byte without --force, and is replaced with it by what
// a fresh name receives; the same for the colour map.
TEST(NormalMapTool, ExistingOutputIsReplacedOnlyWithForce) {
  const std::string dir = ScratchDir() + "/force";
  std::filesystem::create_directories(dir);
  const std::string heightMap = dir + "/dome.bmp", old = dir + "/old.bmp";
  const std::string oldColour = dir + "/old-colour.bmp", fresh = dir + "/fresh.bmp";
  const std::string freshColour = dir + "/fresh-colour.bmp";
  const std::vector<std::uint8_t> dome = Dome128();
  std::ofstream(heightMap, std::ios::binary)
      .write(reinterpret_cast<const char*>(dome.data()), static_cast<std::streamsize>(dome.size()));
  const std::vector<std::uint8_t> before = {'k', 'e', 'e', 'p', '\n'};
  for (const std::string& path : {old, oldColour})
    std::ofstream(path, std::ios::binary).write("keep\n", 5);

  EXPECT_EQ(RunTool(Quote(old) + " " + Quote(heightMap)), 2);
  EXPECT_EQ(RunTool("--colour " + Quote(freshColour) + " " + Quote(old) + " " + Quote(heightMap)),
            2);
  EXPECT_EQ(RunTool("--colour " + Quote(oldColour) + " " + Quote(fresh) + " " + Quote(heightMap)),
            2);
  EXPECT_TRUE(ReadWholeFile(old) == before);
  EXPECT_TRUE(ReadWholeFile(oldColour) == before);
  EXPECT_FALSE(std::filesystem::exists(fresh)) << "nothing written on a refusal";
  EXPECT_FALSE(std::filesystem::exists(freshColour));

  ASSERT_EQ(RunTool("--colour " + Quote(freshColour) + " " + Quote(fresh) + " " + Quote(heightMap)),
            0);
  ASSERT_EQ(ReadWholeFile(fresh).size(), 49206u);
  ASSERT_EQ(
      RunTool("--force --colour " + Quote(oldColour) + " " + Quote(old) + " " + Quote(heightMap)),
      0);
  EXPECT_TRUE(ReadWholeFile(old) == ReadWholeFile(fresh));
  EXPECT_TRUE(ReadWholeFile(oldColour) == ReadWholeFile(freshColour));
  EXPECT_TRUE(ReadWholeFile(heightMap) == dome);
}

}  // namespace
