// --probe with the real executable: one JSON line per probe after the last frame, whose
// "actual" is the pixel of the screenshot of the same run; a probe on the surface, on the
// background, on the light marker and outside the window each says what it met; and a
// bad pixel is refused as every bad option is.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "demo_process.h"
#include "picture_geometry.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace {

// The text after "key": up to the next comma or brace at the same depth.
std::string Field(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\": ");
  if (at == std::string::npos) return "";
  std::size_t i = at + key.size() + 4, depth = 0;
  const std::size_t start = i;
  for (; i < json.size(); ++i) {
    if (json[i] == '[') ++depth;
    if (json[i] == ']') --depth;
    if (depth == 0 && (json[i] == ',' || json[i] == '}')) break;
  }
  return json.substr(start, i - start);
}

std::vector<int> Triple(const std::string& text) {
  std::vector<int> values;
  std::istringstream in(text.substr(text.find('[') + 1));
  for (int v; in >> v;) {
    values.push_back(v);
    in.ignore(1);
  }
  return values;
}

TEST(EndToEndProbe, ProbesSayWhatTheyMetAndReadTheScreenshotsPixels) {
  // The marker's centre at --time 300: the light on the unit circle at height 1.5.
  double mx, my;
  picture::Project({std::cos(1.2), std::sin(1.2), 1.5}, &mx, &my);
  const int markerX = static_cast<int>(mx), markerY = picture::Height - 1 - static_cast<int>(my);
  struct Probe {
    int x, y;
    const char* seen;
  };
  const std::vector<Probe> probes = {{320, 300, "surface"}, {440, 250, "surface"},
                                     {5, 5, "background"},  {markerX, markerY, "marker"},
                                     {640, 10, "outside"},  {-1, 200, "outside"}};
  const std::string dir = MakeRunDir();
  for (const char* renderer : {"stages", "shaders"}) {
    for (const char* model : {"wall", "sphere"}) {
      std::vector<std::string> args = {"--renderer", renderer,     "--model",      model,
                                       "--colour",   "--specular", "--time",       "300",
                                       "--frames",   "2",          "--screenshot", "probe.png"};
      for (const Probe& p : probes)
        args.push_back("--probe=" + std::to_string(p.x) + "," + std::to_string(p.y));
      const DemoResult run = RunDemoProcess(OffscreenRun(dir), args);
      ASSERT_EQ(run.exitCode, 0) << run.err;
      int w = 0, h = 0, channels = 0;
      stbi_uc* png = stbi_load((dir + "/probe.png").c_str(), &w, &h, &channels, 3);
      ASSERT_NE(png, nullptr);
      std::istringstream lines(run.out);
      std::string line;
      for (const Probe& p : probes) {
        ASSERT_TRUE(std::getline(lines, line)) << run.out;
        const std::string where = std::string(renderer) + " " + model + ": " + line;
        EXPECT_EQ(Field(line, "x"), std::to_string(p.x)) << where;
        EXPECT_EQ(Field(line, "y"), std::to_string(p.y)) << where;
        EXPECT_EQ(Field(line, "model"), std::string("\"") + model + "\"") << where;
        EXPECT_EQ(Field(line, "renderer"), std::string("\"") + renderer + "\"") << where;
        // The sphere is smaller than the wall: the wall's second surface pixel is its
        // background.
        const std::string seen =
            std::string(model) == "sphere" && p.x == 440 ? "background" : p.seen;
        EXPECT_EQ(Field(line, "seen"), "\"" + seen + "\"") << where;
        EXPECT_EQ(Field(line, "hit"), seen == "surface" ? "true" : "false") << where;
        if (seen == "outside") {
          EXPECT_EQ(Field(line, "actual"), "null") << where;
          continue;
        }
        const std::vector<int> actual = Triple(Field(line, "actual"));
        const std::vector<int> predicted = Triple(Field(line, "predicted"));
        ASSERT_EQ(actual.size(), 3u) << where;
        ASSERT_EQ(predicted.size(), 3u) << where;
        for (int c = 0; c < 3; ++c) EXPECT_EQ(actual[c], png[(p.y * w + p.x) * 3 + c]) << where;
        if (seen != "surface") {
          const int level = seen == "marker" ? 255 : 0;
          EXPECT_EQ(predicted, std::vector<int>(3, level)) << where;
          EXPECT_EQ(actual, std::vector<int>(3, level)) << where;
        } else {
          for (const char* term : {"st", "normal_texel", "light_vector", "cube_texel", "dot3",
                                   "shadow", "colour_texel", "specular"})
            EXPECT_NE(Field(line, term), "") << where << " has " << term;
          EXPECT_NE(Field(line, "colour_texel"), "null") << where;
          // Exactness is the GL test's business; here a gross disagreement is a fault.
          for (int c = 0; c < 3; ++c) EXPECT_NEAR(actual[c], predicted[c], 24) << where;
        }
      }
      // Standard output holds the JSON lines alone; the note goes to standard error.
      EXPECT_FALSE(std::getline(lines, line)) << line;
      EXPECT_NE(run.err.find("Saved probe.png"), std::string::npos) << run.err;
      stbi_image_free(png);
    }
  }

  // A pixel that is not X,Y is a bad command line: status 2, nothing drawn.
  for (const char* bad : {"--probe=12", "--probe=a,3", "--probe=1,2,3", "--probe=100000,1"}) {
    const DemoResult refused = RunDemoProcess(OffscreenRun(dir), {bad, "--frames", "1"});
    EXPECT_EQ(refused.exitCode, 2) << bad;
    EXPECT_NE(refused.err.find("option '--probe'"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, "") << bad;
  }
}

}  // namespace
