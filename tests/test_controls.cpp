// The user's controls: the light's own clock under pause, step, speed and height, and the
// keys that drive them, one action per press.
#include <gtest/gtest.h>

#include <cstring>

#include "app/controls.h"
#include "app/demo.h"
#include "app/panel.h"
#include "common/settings.h"
#include "fake_platform.h"
#include "gltf_files.h"
#include "scene/light.h"
#include "scene/overlay.h"
#include "scene/scene.h"
#include "texture_files.h"
#include "textures/texture.h"
#include "window/window.h"

namespace {

class Controls : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    InstallFakePlatform();  // Y reads the normal map's file again
    ResetLightMotion();
    ResetCamera();
    Mouse = MouseInput();
    ResetControlKeys();
    std::memset(KeyState, 0, sizeof KeyState);
    CurrentView = StartView = View::Lit;
  }
  // A key pressed and released between two passes at the clock reading now.
  static void Press(std::uint8_t key, std::int32_t now) {
    KeyState[key] = 1;
    HandleControlKeys(now);
    KeyState[key] = 0;
    HandleControlKeys(now);
  }
};

TEST_F(Controls, UntouchedTheLightsClockIsTheProgramsClock) {
  for (const std::int32_t reading : {0, 1, -1, 250, 123456789, INT32_MAX, INT32_MIN})
    EXPECT_EQ(LightClockAt(reading), static_cast<long double>(reading)) << reading;
  ElapsedMs = 250;
  UpdateScene();
  EXPECT_EQ(LightPhase, 1.0f);
  EXPECT_EQ(LightPosition.z, 1.5f);
}

TEST_F(Controls, PauseStepSpeedAndHeightMoveTheLightAsStated) {
  // Paused at 1000 ms, the light's clock holds; resumed at 5000 it goes on from 1000.
  EXPECT_TRUE(SetLightPaused(true, 1000));
  EXPECT_EQ(LightClockAt(5000), 1000);
  EXPECT_TRUE(StepPausedLight(+1));
  EXPECT_TRUE(StepPausedLight(+1));
  EXPECT_TRUE(StepPausedLight(-1));
  EXPECT_EQ(LightClockAt(5000), 1000 + UpdateStepMs);
  EXPECT_TRUE(SetLightPaused(false, 5000));
  EXPECT_EQ(LightClockAt(5000), 1030);
  EXPECT_EQ(LightClockAt(5100), 1130);
  EXPECT_FALSE(StepPausedLight(+1)) << "steps only while paused";
  EXPECT_FALSE(SetLightPaused(false, 5100));

  // Speed doubles up to 16 times the normal and halves down to 1/16; the light goes on
  // from where it is at each change.
  const long double before = LightClockAt(6000);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(ChangeLightSpeed(+1, 6000));
  EXPECT_FALSE(ChangeLightSpeed(+1, 6000));
  EXPECT_EQ(LightSpeed(), 16);
  EXPECT_EQ(LightClockAt(6000), before);
  EXPECT_EQ(LightClockAt(6010), before + 160);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(ChangeLightSpeed(-1, 6010));
  EXPECT_FALSE(ChangeLightSpeed(-1, 6010));
  EXPECT_EQ(LightSpeed(), 1.0L / 16);
  EXPECT_EQ(LightClockAt(6010), before + 160);
  EXPECT_EQ(LightClockAt(6170), before + 170);
  // A step while paused is one simulation step at the current speed.
  SetLightPaused(true, 6170);
  StepPausedLight(+1);
  EXPECT_EQ(LightClockAt(9999), before + 170 + UpdateStepMs / 16.0L);

  // Height in steps of 0.25 between 0.25 and 4.
  for (int i = 0; i < 10; ++i) EXPECT_TRUE(ChangeLightHeight(+1));
  EXPECT_FALSE(ChangeLightHeight(+1));
  EXPECT_EQ(LightMotion.height, 4.0f);
  for (int i = 0; i < 15; ++i) EXPECT_TRUE(ChangeLightHeight(-1));
  EXPECT_FALSE(ChangeLightHeight(-1));
  EXPECT_EQ(LightMotion.height, 0.25f);
  ElapsedMs = 123;
  UpdateScene();
  EXPECT_EQ(LightPosition.z, 0.25f);

  ResetLightMotion();
  EXPECT_EQ(LightClockAt(777), 777);
  EXPECT_EQ(LightMotion.height, 1.5f);
}

TEST_F(Controls, EachKeyActsOncePerPress) {
  StartView = View::NormalMap;
  const struct {
    std::uint8_t key;
    View view;
  } views[] = {{'3', View::LightVectors},
               {'5', View::PerVertex},
               {'1', View::Lit},
               {'4', View::Flat},
               {'2', View::NormalMap}};
  for (const auto& v : views) {
    Press(v.key, 0);
    EXPECT_EQ(CurrentView, v.view) << v.key;
  }

  // Space held over many passes pauses once; the next press resumes.
  KeyState[VK_SPACE] = 1;
  for (int i = 0; i < 5; ++i) HandleControlKeys(100);
  KeyState[VK_SPACE] = 0;
  HandleControlKeys(100);
  EXPECT_TRUE(LightMotion.paused);
  Press(VK_RIGHT, 200);
  Press(VK_RIGHT, 200);
  Press(VK_LEFT, 200);
  EXPECT_EQ(LightClockAt(200), 100 + UpdateStepMs);
  Press(VK_SPACE, 300);
  EXPECT_FALSE(LightMotion.paused);

  // + and - on the main keyboard and the keypad; Up and Down.
  for (const std::uint8_t plus : {0xBB, 0x6B}) Press(plus, 300);
  EXPECT_EQ(LightSpeed(), 4);
  Press(0xBD, 300);
  EXPECT_EQ(LightSpeed(), 2);
  Press(0x6D, 300);
  EXPECT_EQ(LightSpeed(), 1);
  Press(VK_UP, 300);
  Press(VK_UP, 300);
  Press(VK_DOWN, 300);
  EXPECT_EQ(LightMotion.height, 1.75f);

  // R: the start-up state, its view, side by side and the green channel included.
  Press('3', 300);
  Press(VK_SPACE, 300);
  Press('C', 300);
  Press('Y', 300);
  ASSERT_TRUE(CompareRenderers && FlipGreenChannel);
  Press('R', 400);
  EXPECT_FALSE(CompareRenderers);
  EXPECT_FALSE(FlipGreenChannel);
  EXPECT_EQ(CurrentView, View::NormalMap);
  EXPECT_FALSE(LightMotion.paused);
  EXPECT_EQ(LightMotion.height, 1.5f);
  EXPECT_EQ(LightClockAt(400), 400);
}

// Held keys through the window procedure: each auto-repeated key-down (bit 30 of lParam
// set, and on Win32 a count in bits 0 to 15) steps Left, Right, Up, Down, + and - once
// more; every other key still acts once per press.
TEST_F(Controls, HeldSteppingKeysRepeatAndOtherKeysDoNot) {
  auto hold = [](std::uint8_t key, int repeats, std::intptr_t count = 0) {
    WindowProc(nullptr, WM_KEYDOWN, key, 1);
    HandleControlKeys(0);
    for (int i = 0; i < repeats; ++i) {
      WindowProc(nullptr, WM_KEYDOWN, key, (std::intptr_t{1} << 30) | count);
      HandleControlKeys(0);
    }
    WindowProc(nullptr, WM_KEYUP, key, 0);
    HandleControlKeys(0);
  };
  SetLightPaused(true, 0);
  hold(VK_RIGHT, 4);  // five steps on
  hold(VK_LEFT, 1);   // two back
  EXPECT_EQ(LightClockAt(0), 3 * UpdateStepMs);
  hold(VK_UP, 2);
  EXPECT_EQ(LightMotion.height, 1.5f + 3 * LightHeightStep);
  hold(VK_DOWN, 0, 0);
  EXPECT_EQ(LightMotion.height, 1.5f + 2 * LightHeightStep);
  hold(0xBB, 1);  // + twice: x4
  hold(0x6D, 0);  // keypad - once: x2
  EXPECT_EQ(LightSpeed(), 2);
  hold(0x6B, 1, 1);  // keypad +, a repeat counted 1
  hold(0xBD, 1, 2);  // -, a repeat that stands for two
  EXPECT_EQ(LightSpeed(), 1);
  // Repeats arriving between two passes are all taken at the next.
  WindowProc(nullptr, WM_KEYDOWN, VK_UP, 1);
  for (int i = 0; i < 3; ++i) WindowProc(nullptr, WM_KEYDOWN, VK_UP, 1 << 30);
  HandleControlKeys(0);
  WindowProc(nullptr, WM_KEYUP, VK_UP, 0);
  HandleControlKeys(0);
  EXPECT_EQ(LightMotion.height, 1.5f + 6 * LightHeightStep);

  // One action per press for the others, however long held.
  ResetLightMotion();
  hold('M', 3);
  EXPECT_EQ(CurrentModel, Model::Sphere);
  hold(VK_SPACE, 3);
  EXPECT_TRUE(LightMotion.paused);
  hold('2', 3);
  EXPECT_EQ(CurrentView, View::NormalMap);
  hold('W', 5);
  EXPECT_TRUE(ShowWireframe);
  // Nor does a key's repeats wait to act at its next press.
  hold(VK_RIGHT, 0);
  EXPECT_EQ(LightClockAt(0), UpdateStepMs);
  CurrentModel = Model::Wall;
  ShowWireframe = false;
}

// The mouse through the window procedure: a left-button drag orbits the camera (elevation
// held short of the poles), the wheel moves it within its limits, R puts it back.
TEST_F(Controls, MouseDragOrbitsAndTheWheelZoomsTheCamera) {
  auto send = [](std::uint32_t message, std::uintptr_t wParam, int x, int y) {
    WindowProc(nullptr, message, wParam,
               static_cast<std::intptr_t>(
                   static_cast<std::uint16_t>(x) |
                   (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16)));
    HandleControlKeys(0);
  };
  const CameraState start = Camera;
  send(WM_MOUSEMOVE, 0, 100, 100);  // no button: nothing moves
  EXPECT_FALSE(Camera.moved);
  send(WM_LBUTTONDOWN, 1, 100, 100);
  send(WM_MOUSEMOVE, 1, 150, 80);
  EXPECT_TRUE(Camera.moved);
  EXPECT_NEAR(Camera.azimuth, start.azimuth - 0.5f, 1e-6);
  EXPECT_NEAR(Camera.elevation, start.elevation - 0.2f, 1e-6);
  send(WM_MOUSEMOVE, 1, 150, 80 + 1000);  // far down: held at 85 degrees
  EXPECT_FLOAT_EQ(Camera.elevation, MaxCameraElevation);
  send(WM_LBUTTONUP, 0, 150, 1080);
  send(WM_MOUSEMOVE, 0, 0, 0);
  EXPECT_FLOAT_EQ(Camera.elevation, MaxCameraElevation) << "no drag without the button";

  send(WM_MOUSEWHEEL, static_cast<std::uintptr_t>(60) << 16, 0, 0);  // half a notch: waits
  EXPECT_EQ(Camera.distance, start.distance);
  send(WM_MOUSEWHEEL, static_cast<std::uintptr_t>(60) << 16, 0, 0);
  EXPECT_NEAR(Camera.distance, start.distance * 0.9f, 1e-5);
  send(WM_MOUSEWHEEL, static_cast<std::uintptr_t>(static_cast<std::uint16_t>(-120 * 30)) << 16, 0,
       0);
  EXPECT_FLOAT_EQ(Camera.distance, MaxCameraDistance);
  Press('R', 0);
  EXPECT_FALSE(Camera.moved);
  EXPECT_EQ(Camera.distance, start.distance);
}

}  // namespace

namespace {

// A dropped glTF file (told by its content, whatever its name) replaces the model and M
// steps through it; one the loader refuses leaves the running model, and the panel says
// why; B switches the basis and R puts the start-up model and basis back.
TEST_F(Controls, ADroppedModelReplacesTheModelAndARefusedOneLeavesIt) {
  const std::string dir = ScratchDir();
  GltfDocument doc = NewGltf();
  AddNode(&doc, {{"mesh", AddMesh(&doc, {GltfWallQuad(true)})}});
  const std::vector<std::uint8_t> glb = GlbBytes(doc);
  const std::string model = WriteScratchFile("wall-model.bin", glb);
  const std::string broken =
      WriteScratchFile("broken.glb", std::vector<std::uint8_t>(glb.begin(), glb.begin() + 40));
  auto drop = [](const std::string& path) {
    DroppedFile = path;
    HandleControlKeys(0);
  };
  drop(model);
  EXPECT_EQ(CurrentModel, Model::File);
  EXPECT_EQ(ModelName(Model::File), "wall-model.bin");
  ASSERT_EQ(FileModel.parts.size(), 1u);
  EXPECT_EQ(FileModel.triangleCount, 2u);
  drop(broken);
  EXPECT_EQ(CurrentModel, Model::File);
  EXPECT_EQ(ModelName(Model::File), "wall-model.bin") << "the running model stays";
  EXPECT_EQ(PanelNote().rfind("Refused " + broken + ": ", 0), 0u) << PanelNote();
  for (const Model next : {Model::Wall, Model::Sphere, Model::Torus, Model::File}) {
    Press('M', 0);
    EXPECT_EQ(CurrentModel, next);
  }
  Press('B', 0);
  EXPECT_EQ(CurrentBasis, Basis::Pixel);
  Press('R', 0);
  EXPECT_EQ(CurrentModel, Model::Wall);
  EXPECT_EQ(CurrentBasis, Basis::Vertex);
}

}  // namespace
