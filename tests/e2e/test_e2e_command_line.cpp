// The command line as a user meets it, with the real executable: help and version, every
// kind of bad option (status 2, two lines on standard error, nothing touched, no window),
// and the headless capture (offscreen driver, frozen clock, a frame count, a screenshot):
// the same bytes twice, and the PNG and the BMP of one frame holding the same pixels.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "demo_process.h"
#include "textures/bmp.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace fs = std::filesystem;

namespace {

TEST(EndToEndCommandLine, HelpAndVersionPrintAndExitZero) {
  const std::string dir = MakeRunDir();
  const Snapshot before = TakeSnapshot(dir);
  for (const char* option : {"-h", "--help"}) {
    const DemoResult help = RunDemoProcess(OffscreenRun(dir), {option, "--frames"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: bumpdemo [options]\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--screenshot FILE"), std::string::npos);
    EXPECT_EQ(help.err, "");
  }
  const DemoResult version = RunDemoProcess(OffscreenRun(dir), {"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "bumpdemo 1.0.0\n");
  EXPECT_EQ(TakeSnapshot(dir), before) << "help and version touch no file";
  fs::remove_all(dir);
}

// The README shows each program's usage as the program prints it: one text, from the
// program's own option table (indented four spaces there, as a code block).
TEST(EndToEndCommandLine, TheReadmeShowsEachProgramsOwnUsage) {
  const std::string readme = ReadFile(std::string(BUMPDEMO_SOURCE_DIR) + "/README.md");
  ASSERT_FALSE(readme.empty());
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{DemoExecutable(), "--help"},
        std::vector<std::string>{MAKE_NORMAL_MAP, "--help"}}) {
    const DemoResult help = RunProcess(command, OffscreenRun(fs::temp_directory_path()));
    ASSERT_EQ(help.exitCode, 0) << command[0];
    std::string block;
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);)
      block += (line.empty() ? "" : "    " + line) + "\n";
    EXPECT_NE(readme.find(block), std::string::npos) << "README.md lacks, as it stands:\n" << block;
  }
}

TEST(EndToEndCommandLine, BadOptionsEndWithTwoBeforeAnythingHappens) {
  const std::string dir = MakeRunDir();
  const Snapshot before = TakeSnapshot(dir);
  const std::vector<std::vector<std::string>> lines = {
      {"--bogus"},
      {"--view", "7"},
      {"--view"},
      {"--time", "soon"},
      {"--frames", "-3"},
      {"--screenshot", "shot.gif", "--frames", "1"},
      {"--normal-map", "--flip-green"},
      {"extra"},
  };
  for (const auto& args : lines) {
    SCOPED_TRACE(args[0]);
    const DemoResult result = RunDemoProcess(OffscreenRun(dir), args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    // One line saying what is wrong, then the hint.
    const std::string hint = "\nTry 'bumpdemo --help'.\n";
    ASSERT_GT(result.err.size(), hint.size()) << result.err;
    EXPECT_EQ(result.err.rfind("bumpdemo: ", 0), 0u) << result.err;
    EXPECT_EQ(result.err.substr(result.err.size() - hint.size()), hint);
    EXPECT_EQ(result.err.find('\n'), result.err.size() - hint.size());
  }
  EXPECT_EQ(TakeSnapshot(dir), before) << "not even the log is made";
  fs::remove_all(dir);
}

std::vector<std::uint8_t> Capture(const std::string& dir, const std::string& file,
                                  const std::vector<std::string>& extra = {}) {
  std::vector<std::string> args = {"--time", "1000", "--frames", "3", "--screenshot", file};
  args.insert(args.end(), extra.begin(), extra.end());
  const DemoResult result = RunDemoProcess(OffscreenRun(dir), args);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  // The shipped map read with green inverted is caught by the map's checks; read as made,
  // it has no finding at all.
  const bool flipped = std::find(extra.begin(), extra.end(), "--flip-green") != extra.end();
  const std::string check =
      "bumpdemo: Textures/wall_bump.bmp: warning green-down: green points down (mean curl 0.0239 "
      "as read, 0.0016 with green inverted), with green flipped: press Y, or leave out "
      "--flip-green\n";
  EXPECT_EQ(result.out.rfind(flipped ? check : "Saved", 0), 0u) << result.out;
  EXPECT_EQ(result.out.size() - result.out.rfind("Saved " + file + "\n"), file.size() + 7)
      << result.out;
  const std::string bytes = ReadFile(dir + "/" + file);
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

TEST(EndToEndCommandLine, HeadlessCaptureIsReproducibleInBothFormats) {
  const std::string dir = MakeRunDir();
  const std::vector<std::uint8_t> first = Capture(dir, "first.png");
  const std::vector<std::uint8_t> second = Capture(dir, "second.png");
  ASSERT_GT(first.size(), 1000u);
  EXPECT_EQ(first, second) << "the same frozen frame, byte for byte";
  EXPECT_EQ(ReadFile(dir + "/system/log.txt"), "");

  // The BMP of the same frame, read by the program's own reader, holds the PNG's pixels.
  const std::vector<std::uint8_t> frame = Capture(dir, "frame.bmp");
  const ParsedBitmap parsed = ParseBitmap(frame.data(), frame.size());
  ASSERT_EQ(parsed.refusal, nullptr);
  ASSERT_EQ(parsed.width, 640);
  ASSERT_EQ(parsed.height, 480);
  const std::uint8_t* bmp = parsed.pixels.get();
  int pw = 0, ph = 0, channels = 0;
  stbi_uc* png =
      stbi_load_from_memory(first.data(), static_cast<int>(first.size()), &pw, &ph, &channels, 3);
  ASSERT_NE(png, nullptr);
  ASSERT_EQ(pw, 640);
  ASSERT_EQ(ph, 480);
  int lit = 0, differing = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640 * 3; ++x) {
      const std::uint8_t fromPng = png[(479 - y) * 640 * 3 + x];  // PNG: top row first
      differing += fromPng != bmp[y * 640 * 3 + x];
      lit += fromPng > 40;
    }
  }
  stbi_image_free(png);
  EXPECT_EQ(differing, 0);
  EXPECT_GT(lit, 30000) << "a picture, not a black frame";

  // Another view is another picture, and so is the map with its green channel flipped;
  // full screen (where the driver has no such mode: a window) and vsync draw the same.
  EXPECT_NE(Capture(dir, "view2.png", {"--view", "2"}), first);
  EXPECT_NE(Capture(dir, "sphere.png", {"--model", "sphere"}), first);
  EXPECT_NE(Capture(dir, "flipped.png", {"--flip-green"}), first);
  EXPECT_EQ(Capture(dir, "vsync.png", {"--vsync", "--fullscreen"}), first);
  // A capture without a window to draw in has failed.
  DemoOptions noDisplay;
  noDisplay.runDir = dir;
  noDisplay.env = {"SDL_VIDEODRIVER=x11"};
  const DemoResult unseen = RunDemoProcess(noDisplay, {"--frames", "1", "--screenshot", "x.png"});
  EXPECT_EQ(unseen.exitCode, 1) << unseen.err;
  fs::remove_all(dir);
}

// A screenshot never replaces a file the program uses, however the target is spelled, and
// a target that cannot be a file is refused too: all before a window opens (no log made).
TEST(EndToEndCommandLine, ScreenshotThatWouldReplaceAnInputOrCannotBeWrittenIsRefused) {
  const std::string dir = MakeRunDir();
  fs::copy_file(dir + "/Textures/wall_bump.bmp", dir + "/mine.bmp");
  fs::create_symlink(dir + "/Textures/wall_bump.bmp", dir + "/link.bmp");
  fs::create_hard_link(dir + "/Textures/wall_colour.bmp", dir + "/hard.bmp");
  fs::create_directory(dir + "/folder.png");
  fs::remove(dir + "/system/log.txt");
  const Snapshot before = TakeSnapshot(dir);
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const Case cases[] = {
      {{"--screenshot", "Textures/wall_bump.bmp"}, "is the normal map (Textures/wall_bump.bmp)"},
      {{"--screenshot", "./Textures/../Textures/wall_bump.bmp"}, "is the normal map"},
      {{"--screenshot", "link.bmp"}, "is the normal map"},
      {{"--normal-map", "mine.bmp", "--screenshot", "./mine.bmp"}, "is the normal map (mine.bmp)"},
      {{"--screenshot", dir + "/Textures/wall_colour.bmp"}, "is the colour map"},
      {{"--screenshot", "hard.bmp"}, "is the colour map"},
      {{"--screenshot", "no/such/folder/shot.png"}, "the folder 'no/such/folder' of"},
      {{"--screenshot", "folder.png"}, "'folder.png' is a directory"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--frames", "1"});
    SCOPED_TRACE(args[1]);
    const DemoResult result = RunDemoProcess(OffscreenRun(dir), args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("bumpdemo: option '--screenshot': ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("\nTry 'bumpdemo --help'.\n"), std::string::npos) << result.err;
  }
  EXPECT_EQ(TakeSnapshot(dir), before) << "no file touched, no window opened";
  // A name of its own in the same folders is written.
  EXPECT_GT(Capture(dir, "Textures/shot.bmp").size(), 640u * 480 * 3);
  fs::remove_all(dir);
}

// Side by side: the left half is the stages' picture and the right half the shaders', pixel
// for pixel, but for the divider's two columns at the middle.
TEST(EndToEndCommandLine, SideBySideHalvesAreEachRenderersOwnPicture) {
  const std::string dir = MakeRunDir();
  auto decode = [&](const std::vector<std::uint8_t>& png) {
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels =
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &channels, 3);
    EXPECT_TRUE(pixels && w == 640 && h == 480);
    std::vector<std::uint8_t> rgb(pixels, pixels + (pixels ? 640 * 480 * 3 : 0));
    stbi_image_free(pixels);
    return rgb;
  };
  for (const char* model : {"wall", "torus"}) {
    SCOPED_TRACE(model);
    const std::vector<std::string> scene = {"--model", model, "--specular"};
    const auto stages = decode(Capture(dir, "stages.png", scene));
    std::vector<std::string> options = scene;
    options.push_back("--renderer=shaders");
    const auto shaders = decode(Capture(dir, "shaders.png", options));
    options.back() = "--compare";
    const auto split = decode(Capture(dir, "split.png", options));
    ASSERT_EQ(split.size(), 640u * 480 * 3);
    int leftDiffers = 0, rightDiffers = 0, renderersDiffer = 0, divider = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        for (int c = 0; c < 3; ++c) {
          const std::size_t i = (static_cast<std::size_t>(y) * 640 + x) * 3 + c;
          renderersDiffer += stages[i] != shaders[i];
          if (x == 319 || x == 320)
            divider += split[i] == 255;
          else if (x < 320)
            leftDiffers += split[i] != stages[i];
          else
            rightDiffers += split[i] != shaders[i];
        }
    EXPECT_EQ(leftDiffers, 0);
    EXPECT_EQ(rightDiffers, 0);
    EXPECT_EQ(divider, 2 * 480 * 3) << "a white divider two pixels wide";
    EXPECT_GT(renderersDiffer, 0) << "the halves could not tell the renderers apart";
  }
  const DemoResult core = RunDemoProcess(OffscreenRun(dir), {"--context", "core", "--compare"});
  EXPECT_EQ(core.exitCode, 2) << "a core context has no stages to compare";
  fs::remove_all(dir);
}

// A map named on the command line that cannot be opened: the reason in the message (no such
// file, a directory, not readable, not a regular file), then the end of the program.
TEST(EndToEndCommandLine, ANamedMapThatCannotBeOpenedIsRefusedWithItsReason) {
  const std::string dir = MakeRunDir();
  fs::create_directory(dir + "/Textures/folder.bmp");
  std::ofstream(dir + "/Textures/secret.bmp") << "BM";
  fs::permissions(dir + "/Textures/secret.bmp", fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(mkfifo((dir + "/Textures/pipe.bmp").c_str(), 0600), 0);
  const struct {
    const char* option;
    const char* file;
    const char* reason;
  } cases[] = {
      {"--normal-map", "Textures/none.bmp", "there is no such file"},
      {"--normal-map", "Textures/folder.bmp", "it is a directory"},
      {"--height-map", "Textures/secret.bmp", "it is not readable"},
      {"--colour-map", "Textures/pipe.bmp", "it is not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    DemoOptions options = OffscreenRun(dir);
    options.asNobody = true;  // root would read the file that nobody may not
    const DemoResult result = RunDemoProcess(options, {c.option, c.file, "--frames", "1"});
    EXPECT_FALSE(result.timedOut) << "a named pipe with no writer is not waited on";
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, std::string("Loading Textures: Error opening \"") + c.file + "\": " +
                              c.reason + "\nLoading Textures: Unable to load " + c.file + "\n");
  }
  // The shipped map under another name is drawn as the shipped one.
  fs::copy_file(dir + "/Textures/wall_bump.bmp", dir + "/Textures/copy.bmp");
  EXPECT_EQ(Capture(dir, "copy.png", {"--normal-map", "Textures/copy.bmp"}),
            Capture(dir, "shipped.png"));
  fs::remove_all(dir);
}

}  // namespace
