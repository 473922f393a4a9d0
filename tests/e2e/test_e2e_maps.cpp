// Maps of the user's own, with the real executable: PNG, TGA and JPEG normal and colour maps
// made by the test from the shipped maps draw the picture the BMPs draw; a height map draws
// what the tool's normal map of it draws; damaged and absurd image files are refused with a
// clear message, exit code 1 and no picture written.
#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "demo_process.h"
#include "textures/image.h"

namespace fs = std::filesystem;

namespace {

// The pixels of a PNG screenshot.
std::vector<std::uint8_t> Pixels(const std::string& path) {
  int w = 0, h = 0, n = 0;
  stbi_uc* data = stbi_load(path.c_str(), &w, &h, &n, 3);
  EXPECT_NE(data, nullptr) << path;
  if (!data) return {};
  std::vector<std::uint8_t> pixels(data, data + w * h * 3);
  stbi_image_free(data);
  return pixels;
}

// One frame at a frozen clock, saved as NAME.png; its pixels (empty when the run failed).
std::vector<std::uint8_t> Capture(const std::string& dir, const std::string& name,
                                  std::vector<std::string> args, std::string* out = nullptr) {
  args.insert(args.end(), {"--time", "300", "--frames", "1", "--screenshot", name + ".png"});
  const DemoResult result = RunDemoProcess(OffscreenRun(dir), args);
  EXPECT_EQ(result.exitCode, 0) << name << ": " << result.err;
  if (out) *out = result.out;
  return result.exitCode == 0 ? Pixels(dir + "/" + name + ".png") : std::vector<std::uint8_t>();
}

// An image of the shipped map at path (bottom row first) written as FORMAT at target.
void WriteAs(const std::string& source, const std::string& format, const std::string& target) {
  const std::string bytes = ReadFile(source);
  const ParsedImage image =
      ParseImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  ASSERT_EQ(image.refusal, "");
  std::vector<std::uint8_t> top(image.pixels.size());
  const std::size_t row = static_cast<std::size_t>(image.width) * 3;
  for (int y = 0; y < image.height; ++y)
    std::copy_n(&image.pixels[y * row], row, &top[(image.height - 1 - y) * row]);
  int written = 0;
  if (format == "png")
    written = stbi_write_png(target.c_str(), image.width, image.height, 3, top.data(), row);
  if (format == "tga")
    written = stbi_write_tga(target.c_str(), image.width, image.height, 3, top.data());
  if (format == "jpg")
    written = stbi_write_jpg(target.c_str(), image.width, image.height, 3, top.data(), 95);
  ASSERT_NE(written, 0) << target;
}

// Whether picture_compare, the picture matrix's metric, passes got against reference.
bool WithinMatrixMetric(const std::string& dir, const std::string& reference,
                        const std::string& got) {
  const std::string root = dir + "/compare";
  fs::create_directories(root + "/ref");
  fs::create_directories(root + "/got");
  fs::copy_file(reference, root + "/ref/case.png", fs::copy_options::overwrite_existing);
  fs::copy_file(got, root + "/got/case.png", fs::copy_options::overwrite_existing);
  std::ofstream(root + "/ref/cases.txt") << "case\n";
  const std::string command = std::string("'") + PICTURE_COMPARE + "' '" + root + "/ref' '" + root +
                              "/got' '" + root + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

TEST(EndToEndMaps, PngTgaAndJpegMapsDrawWhatTheBmpsDraw) {
  const std::string dir = MakeRunDir();
  for (const char* format : {"png", "tga", "jpg"}) {
    WriteAs(dir + "/Textures/wall_bump.bmp", format, dir + "/Textures/bump." + format);
    WriteAs(dir + "/Textures/wall_colour.bmp", format, dir + "/Textures/colour." + format);
  }
  for (const bool colour : {false, true}) {
    SCOPED_TRACE(colour ? "colour map" : "normal map");
    const std::vector<std::string> extra =
        colour ? std::vector<std::string>{"--colour"} : std::vector<std::string>{};
    const std::vector<std::uint8_t> bmp = Capture(dir, "bmp", extra);
    ASSERT_FALSE(bmp.empty());
    for (const char* format : {"png", "tga", "jpg"}) {
      SCOPED_TRACE(format);
      std::vector<std::string> args = extra;
      const std::string map = std::string(colour ? "Textures/colour." : "Textures/bump.") + format;
      args.insert(args.end(), {colour ? "--colour-map" : "--normal-map", map});
      const std::vector<std::uint8_t> got = Capture(dir, format, args);
      if (std::string(format) == "jpg") {
        EXPECT_NE(got, bmp) << "JPEG is lossy: not the same bytes";
        EXPECT_TRUE(WithinMatrixMetric(dir, dir + "/bmp.png", dir + "/jpg.png"));
      } else {
        EXPECT_EQ(got, bmp) << "pixel for pixel";
      }
    }
  }
  fs::remove_all(dir);
}

TEST(EndToEndMaps, AHeightMapDrawsWhatTheToolsNormalMapOfItDraws) {
  const std::string dir = MakeRunDir();
  // Round bumps on a slope, as 8-bit grey levels, written as a PNG.
  const int size = 128;
  std::vector<std::uint8_t> grey(size * size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double d = std::hypot((x % 32) - 16.0, (y % 32) - 16.0);
      grey[y * size + x] =
          static_cast<std::uint8_t>(std::lround(40 + 0.5 * x + 120 * std::exp(-d * d / 60)));
    }
  ASSERT_NE(stbi_write_png((dir + "/heights.png").c_str(), size, size, 1, grey.data(), size), 0);
  for (const char* strength : {"6", "2.5"}) {
    SCOPED_TRACE(std::string("strength ") + strength);
    for (const char* output : {"made.bmp", "made.png"}) {
      fs::remove(dir + "/" + output);
      const std::string tool = "cd '" + dir + "' && '" + MAKE_NORMAL_MAP + "' --strength " +
                               strength + " " + output + " heights.png >/dev/null";
      ASSERT_EQ(std::system(tool.c_str()), 0);
    }
    std::string out;
    const std::vector<std::uint8_t> fromHeights =
        Capture(dir, "drawn", {"--height-map", "heights.png", "--strength", strength}, &out);
    ASSERT_FALSE(fromHeights.empty());
    EXPECT_EQ(out, "Saved drawn.png\n") << "a map made from heights fits its convention";
    EXPECT_EQ(Capture(dir, "bmp", {"--normal-map", "made.bmp"}), fromHeights);
    EXPECT_EQ(Capture(dir, "png", {"--normal-map", "made.png"}), fromHeights);
  }
  fs::remove_all(dir);
}

// Maps with the faults people meet, made from the shipped one: each is named on standard
// output by its finding's code, and only a tangent-space map gets a word about green. A
// two-channel map (blue 0, as BC5 stores it) is drawn with its blue rebuilt, as the shipped
// map draws, not black.
TEST(EndToEndMaps, EachFaultyMapIsNamedAndATwoChannelMapDrawsLit) {
  const std::string dir = MakeRunDir();
  const std::string bytes = ReadFile(dir + "/Textures/wall_bump.bmp");
  const ParsedImage shipped =
      ParseImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  ASSERT_EQ(shipped.refusal, "");
  const int w = shipped.width, h = shipped.height;
  auto write = [&](const std::string& name, auto change) {
    std::vector<std::uint8_t> top(shipped.pixels.size());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* in = &shipped.pixels[(static_cast<std::size_t>(y) * w + x) * 3];
        std::uint8_t* out = &top[(static_cast<std::size_t>(h - 1 - y) * w + x) * 3];
        change(x, y, in, out);
      }
    ASSERT_NE(stbi_write_png((dir + "/" + name).c_str(), w, h, 3, top.data(), w * 3), 0);
  };
  write("two-channel.png", [](int, int, const std::uint8_t* in, std::uint8_t* out) {
    out[0] = in[0], out[1] = in[1], out[2] = 0;
  });
  write("grey.png", [](int, int, const std::uint8_t* in, std::uint8_t* out) {
    out[0] = out[1] = out[2] = in[1];
  });
  write("flat.png", [](int, int, const std::uint8_t*, std::uint8_t* out) {
    out[0] = out[1] = 128, out[2] = 255;
  });
  // Object space: each texel's normal turned by the frame of a sphere seen from the front.
  write("object.png", [&](int x, int y, const std::uint8_t* in, std::uint8_t* out) {
    const double pi = std::acos(-1.0), theta = pi * (y + 0.5) / h, phi = 2 * pi * (x + 0.5) / w;
    const double n[3] = {(in[0] - 127.5) / 127.5, (in[1] - 127.5) / 127.5, (in[2] - 127.5) / 127.5};
    const double t[3] = {-std::sin(phi), std::cos(phi), 0};
    const double b[3] = {-std::cos(theta) * std::cos(phi), -std::cos(theta) * std::sin(phi),
                         std::sin(theta)};
    const double m[3] = {std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi),
                         std::cos(theta)};
    for (int c = 0; c < 3; ++c)
      out[c] = static_cast<std::uint8_t>(
          std::lround(127.5 + 127.5 * (n[0] * t[c] + n[1] * b[c] + n[2] * m[c])));
  });
  const struct {
    const char* file;
    std::vector<std::string> says;
  } cases[] = {
      {"two-channel.png", {"warning two-channel", "blue rebuilt from red and green"}},
      {"grey.png", {"error height-map: the image is grey"}},
      {"flat.png", {"info green-unknown: could not tell which way green points"}},
      {"object.png", {"error object-space"}},
  };
  ASSERT_FALSE(Capture(dir, "shipped", {}).empty());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string out;
    ASSERT_FALSE(Capture(dir, "drawn", {"--normal-map", c.file}, &out).empty());
    for (const std::string& words : c.says)
      EXPECT_NE(out.find("bumpdemo: " + std::string(c.file) + ": " + words), std::string::npos)
          << out;
    const bool green = std::string(c.file) == "flat.png";
    EXPECT_EQ(out.find("green-down") == std::string::npos, true) << "no flip hint: " << out;
    EXPECT_EQ(out.find("green-unknown") != std::string::npos, green) << out;
    if (std::string(c.file) == "two-channel.png") {
      EXPECT_TRUE(WithinMatrixMetric(dir, dir + "/shipped.png", dir + "/drawn.png"));
    }
  }
  fs::remove_all(dir);
}

// A map that takes long to load is named on standard output before anything else, and a frame
// with the note is shown before the load (one swap more than the frames asked for); the
// shipped map, quick to load, gets neither.
TEST(EndToEndMaps, ALargeMapIsNamedBeforeItIsLoaded) {
  const std::string dir = MakeRunDir();
  const std::string shipped = ReadFile(dir + "/Textures/wall_bump.bmp");
  const ParsedImage tile =
      ParseImage(reinterpret_cast<const std::uint8_t*>(shipped.data()), shipped.size());
  ASSERT_EQ(tile.width, 256);
  const int side = 4096;
  std::string bmp(54, '\0');
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>(v >> (8 * i));
  };
  bmp[0] = 'B', bmp[1] = 'M', bmp[26] = 1, bmp[28] = 24;
  put32(2, 54 + side * side * 3), put32(10, 54), put32(14, 40), put32(18, side), put32(22, side);
  bmp.reserve(54 + side * side * 3);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const std::uint8_t* rgb = &tile.pixels[3 * ((y % 256) * 256 + x % 256)];
      bmp.append({static_cast<char>(rgb[2]), static_cast<char>(rgb[1]), static_cast<char>(rgb[0])});
    }
  std::ofstream(dir + "/large.bmp", std::ios::binary) << bmp;
  for (const bool large : {true, false}) {
    SCOPED_TRACE(large ? "large.bmp" : "the shipped map");
    DemoOptions options = OffscreenRun(dir);
    const std::string swaps = dir + "/swaps";
    options.env.push_back("LD_PRELOAD=" SWAP_PROBE_LIBRARY);
    options.env.push_back("SWAP_PROBE_OUT=" + swaps);
    std::vector<std::string> args = {"--frames", "2"};
    if (large) args.insert(args.end(), {"--normal-map", "large.bmp"});
    const DemoResult result = RunDemoProcess(options, args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string note = "bumpdemo: Loading large.bmp (4096 x 4096 pixels) ...\n";
    if (large)
      EXPECT_EQ(result.out.substr(0, note.size()), note);
    else
      EXPECT_EQ(result.out.find("Loading"), std::string::npos) << result.out;
    EXPECT_EQ(std::atoi(ReadFile(swaps).c_str()), large ? 3 : 2);
  }
  fs::remove_all(dir);
}

TEST(EndToEndMaps, DamagedAndAbsurdImagesAreRefusedAndNothingIsWritten) {
  const std::string dir = MakeRunDir();
  WriteAs(dir + "/Textures/wall_bump.bmp", "png", dir + "/whole.png");
  const std::string whole = ReadFile(dir + "/whole.png");
  std::ofstream(dir + "/cut.png", std::ios::binary) << whole.substr(0, whole.size() / 3);
  std::string huge = whole;  // 20000 x 20000 in the header, the pixels of 256 x 256
  for (const int at : {16, 20}) huge.replace(at, 4, std::string("\0\0\x4e\x20", 4));
  std::ofstream(dir + "/huge.png", std::ios::binary) << huge;
  std::ofstream(dir + "/notes.png") << "these are notes, not a picture\n";
  const struct {
    const char* file;
    const char* message;
  } cases[] = {
      {"cut.png", "Loading Textures: Error reading the PNG image ("},
      {"huge.png",
       "Loading Textures: Unsupported image size: the PNG image is 20000 x 20000 pixels; the "
       "largest side read is 16384"},
      {"notes.png",
       "Loading Textures: Unsupported image format (reads BMP, PNG, TGA and JPEG files)"},
  };
  for (const auto& c : cases)
    for (const char* option : {"--normal-map", "--height-map", "--colour-map"}) {
      SCOPED_TRACE(std::string(option) + " " + c.file);
      std::vector<std::string> args = {option, c.file, "--frames", "1", "--screenshot", "shot.png"};
      // A colour map named on the command line is required as a normal map is, with or
      // without --colour (huge.png is tried without it).
      const bool withColour = std::string(c.file) != "huge.png";
      if (std::string(option) == "--colour-map" && withColour) args.push_back("--colour");
      const DemoResult result = RunDemoProcess(OffscreenRun(dir), args);
      EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
      EXPECT_EQ(result.exitCode, 1);
      EXPECT_NE(result.err.find(std::string("Unable to load ") + c.file), std::string::npos);
      EXPECT_FALSE(fs::exists(dir + "/shot.png"));
    }
  fs::remove_all(dir);
}

}  // namespace
