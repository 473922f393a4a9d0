// The command line: every option, every kind of bad input, and what a run without options
// keeps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

CommandLine Parse(std::vector<const char*> args, ContextOffer offer = {}) {
  args.insert(args.begin(), "bumpdemo");
  return ParseCommandLine(static_cast<int>(args.size()), args.data(), offer);
}

TEST(CommandLine, NoOptionsIsTheBuiltInProgram) {
  const CommandLine line = Parse({});
  EXPECT_EQ(line.action, CommandLine::Action::Run);
  EXPECT_FALSE(line.fullscreen);
  EXPECT_FALSE(line.vsync);
  EXPECT_EQ(line.view, 1);
  EXPECT_EQ(line.model, 0);
  EXPECT_FALSE(line.colour);
  EXPECT_FALSE(line.specular);
  EXPECT_EQ(line.normalMap, "");
  EXPECT_FALSE(line.flipGreen);
  EXPECT_FALSE(line.freezeClock);
  EXPECT_EQ(line.frames, 0);
  EXPECT_EQ(line.screenshot, "");
}

TEST(CommandLine, EveryOptionSetsWhatItSays) {
  const CommandLine line =
      Parse({"--fullscreen", "--vsync", "--view", "3", "--model", "torus", "--colour", "--specular",
             "--normal-map", "maps/dome.bmp", "--flip-green", "--rebuild-blue", "--time=2500",
             "--frames", "7", "--screenshot", "out/shot.PNG"});
  ASSERT_EQ(line.action, CommandLine::Action::Run) << line.error;
  EXPECT_TRUE(line.fullscreen);
  EXPECT_TRUE(line.vsync);
  EXPECT_EQ(line.view, 3);
  EXPECT_EQ(line.model, 2);
  EXPECT_TRUE(line.colour);
  EXPECT_TRUE(line.specular);
  EXPECT_EQ(line.normalMap, "maps/dome.bmp");
  EXPECT_TRUE(line.flipGreen);
  EXPECT_TRUE(line.rebuildBlue);
  EXPECT_TRUE(line.freezeClock);
  EXPECT_EQ(line.timeMs, 2500);
  EXPECT_EQ(line.frames, 7);
  EXPECT_EQ(line.screenshot, "out/shot.PNG");

  // The extremes of each range, and "=" forms.
  const CommandLine edges = Parse({"--view=5", "--time", "0", "--frames=2147483647",
                                   "--screenshot=a.bmp", "--time", "2147483647"});
  ASSERT_EQ(edges.action, CommandLine::Action::Run) << edges.error;
  EXPECT_EQ(edges.view, 5);
  EXPECT_EQ(edges.timeMs, 2147483647);
  EXPECT_EQ(edges.frames, 2147483647);
  EXPECT_EQ(edges.screenshot, "a.bmp");

  // Maps of the user's own.
  const CommandLine maps =
      Parse({"--colour-map", "my colour.png", "--height-map=h.tga", "--strength", "2.5"});
  ASSERT_EQ(maps.action, CommandLine::Action::Run) << maps.error;
  EXPECT_EQ(maps.colourMap, "my colour.png");
  EXPECT_EQ(maps.heightMap, "h.tga");
  EXPECT_EQ(maps.strength, 2.5);
  EXPECT_EQ(Parse({"--height-map", "h.png", "--strength=1000"}).strength, 1000);

  // A model of the user's own: any name but the built-in ones is a file, read at start-up.
  const CommandLine model = Parse({"--model", "my model.glb", "--basis", "pixel", "--view=6"});
  ASSERT_EQ(model.action, CommandLine::Action::Run) << model.error;
  EXPECT_EQ(model.model, 3);
  EXPECT_EQ(model.modelFile, "my model.glb");
  EXPECT_TRUE(model.pixelBasis);
  EXPECT_EQ(model.view, 6);
  EXPECT_EQ(Parse({"--model", "torus"}).modelFile, "");
  EXPECT_FALSE(Parse({"--basis=vertex"}).pixelBasis);
}

TEST(CommandLine, HelpAndVersionWinOverWhatFollows) {
  EXPECT_EQ(Parse({"-h"}).action, CommandLine::Action::Help);
  EXPECT_EQ(Parse({"--view", "2", "--help", "--bogus"}).action, CommandLine::Action::Help);
  EXPECT_EQ(Parse({"--version", "--frames"}).action, CommandLine::Action::Version);
  // Help after a bad option: the bad option is reported.
  EXPECT_EQ(Parse({"--bogus", "--help"}).action, CommandLine::Action::Error);
  const std::string usage = UsageText();
  for (const char* option :
       {"--help", "--version", "--fullscreen", "--vsync", "--view", "--model", "--colour",
        "--specular", "--normal-map", "--flip-green", "--time", "--frames", "--screenshot"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  EXPECT_EQ(std::string(VersionText()), "bumpdemo 1.0.0\n");
}

TEST(CommandLine, BadInputIsOneLineSayingWhatIsWrong) {
  struct Case {
    std::vector<const char*> args;
    const char* error;
  };
  const Case cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"-x"}, "unknown option '-x'"},
      {{"view"}, "unexpected argument 'view'"},
      {{"--view"}, "option '--view' needs a value (1 to 6)"},
      {{"--view", "0"}, "option '--view': '0' is not a view number from 1 to 6"},
      {{"--view", "7"}, "option '--view': '7' is not a view number from 1 to 6"},
      {{"--view", "2x"}, "option '--view': '2x' is not a view number from 1 to 6"},
      {{"--view="}, "option '--view': '' is not a view number from 1 to 6"},
      {{"--view", "-1"}, "option '--view' needs a value (1 to 6)"},
      {{"--time", "abc"},
       "option '--time': 'abc' is not a whole number of milliseconds from 0 to 2147483647"},
      {{"--time", "2147483648"},
       "option '--time': '2147483648' is not a whole number of milliseconds from 0 to "
       "2147483647"},
      {{"--time", "1e3"},
       "option '--time': '1e3' is not a whole number of milliseconds from 0 to 2147483647"},
      {{"--frames", "0"}, "option '--frames': '0' is not a number of frames from 1 to 2147483647"},
      {{"--frames", "99999999999999"},
       "option '--frames': '99999999999999' is not a number of frames from 1 to 2147483647"},
      {{"--frames", "--screenshot", "a.png"}, "option '--frames' needs a number of frames"},
      {{"--screenshot", "shot.jpg"},
       "option '--screenshot': 'shot.jpg' does not end in .png or .bmp"},
      {{"--screenshot"}, "option '--screenshot' needs a file name"},
      {{"--normal-map", "--flip-green"}, "option '--normal-map' needs a file name"},
      {{"--normal-map="}, "option '--normal-map': the file name is empty"},
      {{"--colour-map"}, "option '--colour-map' needs a file name"},
      {{"--height-map="}, "option '--height-map': the file name is empty"},
      {{"--height-map", "h.png", "--normal-map", "n.png"},
       "options '--normal-map' and '--height-map': give one of them"},
      {{"--strength", "2"}, "option '--strength': it sets the relief of a --height-map"},
      {{"--height-map", "h.png", "--strength", "0"},
       "option '--strength': '0' is not a number greater than 0 and at most 1000"},
      {{"--height-map", "h.png", "--strength=1e9"},
       "option '--strength': '1e9' is not a number greater than 0 and at most 1000"},
      {{"--height-map", "h.png", "--strength", "nan"},
       "option '--strength': 'nan' is not a number greater than 0 and at most 1000"},
      {{"--vsync=1"}, "option '--vsync' takes no value"},
      {{"--height-map", "h.png", "--rebuild-blue"},
       "option '--rebuild-blue': a map made from heights has its blue already"},
      {{"--model="}, "option '--model': the name is empty"},
      {{"--model"}, "option '--model' needs a value (wall, sphere, torus or a .gltf or .glb file)"},
      {{"--basis", "edge"}, "option '--basis': 'edge' is not vertex or pixel"},
      {{"--renderer", "vulkan"}, "option '--renderer': 'vulkan' is not stages or shaders"},
      {{"--context", "gles2"}, "option '--context': 'gles2' is not compat, core or es"},
      {{"--context"}, "option '--context' needs a value (compat, core or es)"},
      {{"--context", "core", "--renderer", "stages"},
       "option '--renderer stages': a core context has no texture stages (its renderer is "
       "shaders)"},
      {{"--compare", "--context", "es"},
       "option '--compare': only a compat context has both renderers"},
      {{"--compare=yes"}, "option '--compare' takes no value"},
      {{"--renderer=stages", "--context=es"},
       "option '--renderer stages': an ES context has no texture stages (its renderer is "
       "shaders)"},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const char* arg : c.args) joined += std::string(arg) + " ";
    SCOPED_TRACE(joined);
    const CommandLine line = Parse(c.args);
    EXPECT_EQ(line.action, CommandLine::Action::Error);
    EXPECT_EQ(line.error, c.error);
    EXPECT_EQ(line.error.find('\n'), std::string::npos);
  }
}

// The renderer and the context: stages in a compat context unless asked; core and ES
// contexts draw with the shaders.
TEST(CommandLine, RendererAndContext) {
  const struct {
    std::vector<const char*> args;
    bool shaders;
    int context;
  } cases[] = {
      {{}, false, 0},
      {{"--renderer", "shaders"}, true, 0},
      {{"--renderer=stages", "--context", "compat"}, false, 0},
      {{"--context", "core"}, true, 1},
      {{"--context=es", "--renderer", "shaders"}, true, 2},
  };
  for (const auto& c : cases) {
    const CommandLine line = Parse(c.args);
    EXPECT_EQ(line.action, CommandLine::Action::Run) << line.error;
    EXPECT_EQ(line.shaders, c.shaders);
    EXPECT_EQ(line.context, c.context);
  }
}

// A platform that makes ES contexts alone (a browser's WebGL 2): with no option it makes
// one and draws with the shaders; every option that needs another context is refused with
// the words the desktop uses, or says what the platform makes.
TEST(CommandLine, APlatformOfOneContextMakesItAndRefusesTheOthers) {
  const ContextOffer esOnly = {1u << 2, GLContextKind::ES};
  const CommandLine plain = Parse({"--view", "3"}, esOnly);
  EXPECT_EQ(plain.action, CommandLine::Action::Run) << plain.error;
  EXPECT_EQ(plain.context, 2);
  EXPECT_TRUE(plain.shaders);
  EXPECT_EQ(Parse({"--context=es", "--renderer=shaders"}, esOnly).action, CommandLine::Action::Run);
  const struct {
    std::vector<const char*> args;
    const char* error;
  } refused[] = {
      {{"--renderer", "stages"},
       "option '--renderer stages': an ES context has no texture stages (its renderer is "
       "shaders)"},
      {{"--compare"}, "option '--compare': only a compat context has both renderers"},
      {{"--context", "compat"},
       "option '--context': this platform cannot make a compat context (it makes es)"},
      {{"--context=core"},
       "option '--context': this platform cannot make a core context (it makes es)"},
  };
  for (const auto& c : refused) {
    const CommandLine line = Parse(c.args, esOnly);
    EXPECT_EQ(line.action, CommandLine::Action::Error);
    EXPECT_EQ(line.error, c.error);
  }
  // Two contexts offered: both named.
  EXPECT_EQ(Parse({"--context", "compat"}, {0b110, GLContextKind::Core}).error,
            "option '--context': this platform cannot make a compat context (it makes core, es)");
}

}  // namespace
