// The panel's text: every line fits the window as the font draws it, whatever the state,
// and each setting the user can change shows on it, the frozen clock and a missing colour
// map as they are.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/demo.h"
#include "app/panel.h"
#include "common/settings.h"
#include "fake_platform.h"
#include "gl/recorder/gl_recorder.h"
#include "scene/font.h"
#include "scene/light.h"
#include "scene/overlay.h"
#include "scene/scene.h"

namespace {

class Panel : public ::testing::Test {
 protected:
  // The recorder stands in for GL: the specular power asks the GL for its texture units.
  void SetUp() override {
    InstallFakePlatform();
    RecordGLCalls();
    Reset();
  }
  void TearDown() override {
    Reset();
    StopRecordingGLCalls();
  }
  static void Reset() {
    CurrentView = View::Lit;
    CurrentModel = Model::Wall;
    ShowColour = ShowSpecular = ShowWireframe = ShowVectors = ShowPanel = false;
    ColourMapStatus = ColourMapState::NotRead;
    ClockFrozen = false;
    FrozenClockMs = 0;
    ResetCamera();
    ResetLightMotion();
    ResetControlKeys();
    std::memset(KeyState, 0, sizeof KeyState);
    NoteOnPanel("", 0);
  }
  static std::string Text() {
    std::string text;
    for (const std::string& line : PanelLines(59.9, "")) text += line + "\n";
    return text;
  }
};

// The box DrawTextPanel draws around the lines, in window pixels, from the font's metrics:
// each character FontAdvance font pixels wide (its last glyph FontWidth of them), a line
// TextPanelLineHeight, all scaled, with the margin on both sides.
int BoxWidth(const std::vector<std::string>& lines) {
  int widest = 0;
  for (const std::string& line : lines)
    widest = std::max(widest, static_cast<int>(line.size()) * FontAdvance * TextPanelScale);
  return widest + 2 * TextPanelMargin;
}

TEST_F(Panel, EveryLineFitsTheWindowInEveryState) {
  const std::string longNote =
      "Screenshot failed: cannot write screenshots/bumpdemo-0001.png: No space left on device";
  const float heights[] = {MinLightHeight, MaxLightHeight};
  const int speeds[] = {-MaxSpeedExponent, 0, MaxSpeedExponent};
  const ColourMapState maps[] = {ColourMapState::NotRead, ColourMapState::Loaded,
                                 ColourMapState::NotFound, ColourMapState::Unreadable};
  int states = 0;
  for (int view = 1; view <= 5; ++view)
    for (const Model model : {Model::Wall, Model::Sphere, Model::Torus})
      for (const ColourMapState map : maps)
        for (int bits = 0; bits < 64; ++bits)
          for (const int speed : speeds)
            for (const float height : heights)
              for (const int camera : {0, 1, 2}) {  // at start, moved, under the wall
                CurrentView = static_cast<View>(view);
                CurrentModel = model;
                ColourMapStatus = map;
                ShowColour = bits & 1;
                ShowSpecular = bits & 2;
                ShowWireframe = bits & 4;
                ShowVectors = bits & 8;
                LightMotion.paused = bits & 16;
                ClockFrozen = bits & 32;
                FrozenClockMs = INT32_MIN;  // the widest reading
                LightMotion.speedExponent = speed;
                LightMotion.height = height;
                LightPhase = -6.28318f;
                ResetCamera();
                if (camera) OrbitCamera(0, camera == 2 ? -2.0f : 0.1f);
                for (const std::string& note : {std::string(), longNote}) {
                  const std::vector<std::string> lines = PanelLines(12345.6, note);
                  ++states;
                  ASSERT_LE(BoxWidth(lines), ScreenWidth) << Text();
                  ASSERT_LE(
                      static_cast<int>(lines.size()) * TextPanelLineHeight + 2 * TextPanelMargin,
                      ScreenHeight)
                      << Text();
                }
              }
  EXPECT_EQ(states, 5 * 3 * 4 * 64 * 3 * 2 * 3 * 2);
  // A note alone, drawn without the panel, is fitted the same way.
  ShowPanel = false;
  NoteOnPanel(longNote, 0);
  RecordGLCalls();
  DrawPanel(0);
  float right = 0;
  for (const GLCall& call : RecordedGLCalls())
    if (call.name == "glVertex3f") right = std::max(right, std::stof(call.args[0]));
  EXPECT_GT(right, 0);
  EXPECT_LE(right, ScreenWidth) << "the note's box";
}

// The key list names every key that acts in this context, the probe's included, and no
// key that does nothing here (G and C need the texture stages of a compat context).
TEST_F(Panel, TheKeyListNamesTheKeysThatActHere) {
  for (const GLContextKind context :
       {GLContextKind::Compatibility, GLContextKind::Core, GLContextKind::ES}) {
    ContextKind = context;
    const std::string text = Text();
    const bool both = context == GLContextKind::Compatibility;
    for (const char* key : {"Right click, Ctrl+click probe", "P clear", "H/F1 panel", "Y green",
                            "R reset", "1-6 view", "B basis", "Drag camera"})
      EXPECT_NE(text.find(key), std::string::npos) << key << "\n" << text;
    EXPECT_EQ(text.find("G renderer") != std::string::npos, both) << text;
    EXPECT_EQ(text.find("C side by side") != std::string::npos, both) << text;
  }
  ContextKind = GLContextKind::Compatibility;
}

// Each thing the user can change shows on the panel: the text differs after the change,
// and says what it is now.
TEST_F(Panel, EachSettingShowsOnThePanel) {
  const struct {
    const char* name;
    void (*change)();
    const char* shows;
  } changes[] = {
      {"view", [] { CurrentView = View::LightVectors; }, "View 3: light vectors"},
      {"model", [] { CurrentModel = Model::Torus; }, "Model: torus"},
      {"colour", [] { ShowColour = true; }, "Colour: on\n"},
      {"colour outside view 1",
       [] {
         ShowColour = true;
         CurrentView = View::Flat;
       },
       "Colour: on (seen in view 1)"},
      {"missing colour map",
       [] {
         ShowColour = true;
         ColourMapStatus = ColourMapState::NotFound;
       },
       "Colour: no map (Textures/wall_colour.bmp not found)"},
      {"specular", [] { ShowSpecular = true; }, "Specular: on, power "},
      {"wireframe", [] { ShowWireframe = true; }, "Wireframe: on"},
      {"vectors", [] { ShowVectors = true; }, "Vectors: on"},
      {"paused", [] { SetLightPaused(true, 0); }, "(paused: Left/Right step 30 ms)"},
      {"frozen clock",
       [] {
         ClockFrozen = true;
         FrozenClockMs = 300;
       },
       "Clock frozen at 300 ms (Space does nothing)\nSpeed: x1 (Left/Right step 30 ms)"},
      {"speed", [] { ChangeLightSpeed(-1, 0); }, "Speed: x0.5"},
      {"height", [] { ChangeLightHeight(+1); }, "height 1.75"},
      {"camera", [] { ZoomCamera(1); }, "Camera: moved, 3.12 from the centre"},
      {"camera under the wall", [] { OrbitCamera(0, -2); }, "Camera: behind the wall"},
  };
  const std::string start = Text();
  for (const auto& c : changes) {
    SCOPED_TRACE(c.name);
    c.change();
    const std::string now = Text();
    EXPECT_NE(now, start);
    EXPECT_NE(now.find(c.shows), std::string::npos) << now;
    Reset();
  }
  EXPECT_EQ(Text(), start);
}

// With the clock frozen (--time), Left and Right step the light by one simulation step at
// the speed, + and - change that step, and Space pauses nothing but says so.
TEST_F(Panel, FrozenClockStepsTheLightAndSpaceSaysItCannotPause) {
  ClockFrozen = true;
  FrozenClockMs = 300;
  auto press = [](std::uint8_t key) {
    KeyState[key] = 1;
    HandleControlKeys(300);
    KeyState[key] = 0;
    HandleControlKeys(300);
  };
  press(VK_RIGHT);
  press(VK_RIGHT);
  press(VK_LEFT);
  EXPECT_EQ(LightClockAt(300), 330);
  press(0xBB);  // + : steps of 60 ms
  press(VK_RIGHT);
  EXPECT_EQ(LightClockAt(300), 390);
  ElapsedMs = 300;
  UpdateScene();
  EXPECT_FLOAT_EQ(LightPhase, 390 * 0.004f);

  EXPECT_FALSE(PanelWanted());
  press(VK_SPACE);
  EXPECT_FALSE(LightMotion.paused);
  EXPECT_EQ(LightClockAt(300), 390) << "Space changes nothing";
  ASSERT_TRUE(PanelWanted()) << "but a note says why";
  RecordGLCalls();
  DrawPanel(0);
  int glyphs = 0;
  for (const GLCall& call : RecordedGLCalls()) glyphs += call.name == "glVertex3f";
  EXPECT_GT(glyphs, 100) << "the note is drawn";
}

}  // namespace
