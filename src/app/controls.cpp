// Key presses from the key-state table: a key acts when it goes down, not while it is
// held, so one press is one step however many frames it spans. The stepping keys (Left,
// Right, Up, Down, + and -) also take the system's auto-repeats of a held key.
#include "app/controls.h"

#include <cstring>
#include <string>

#include "app/demo.h"
#include "app/panel.h"
#include "common/settings.h"
#include "common/state.h"
#include "platform/platform.h"
#include "scene/light.h"
#include "scene/maps.h"
#include "scene/overlay.h"
#include "scene/probe.h"
#include "scene/scene.h"
#include "textures/texture.h"
#include "window/window.h"

namespace {

// The virtual-key codes of the keys used here (Windows' values, which both backends give).
enum : std::uint8_t {
  KeyPlus = 0xBB,      // = and + on the main keyboard
  KeyMinus = 0xBD,     // - on the main keyboard
  KeyPadPlus = 0x6B,   // + on the keypad
  KeyPadMinus = 0x6D,  // - on the keypad
};

bool WasDown[256] = {};

// Whether the file's first bytes are a glTF file's (a GLB's magic, or JSON).
bool FileLooksLikeGltf(const std::string& path) {
  const PlatformFile file = Platform.OpenFileForReading(NativePath(path.c_str()).c_str());
  if (file == NoFile) return false;
  std::uint8_t start[4096];
  const std::size_t got = Platform.ReadFromFile(file, start, sizeof start);
  Platform.CloseFile(file, nullptr);
  return LooksLikeGltf(start, got);
}
bool ScreenshotRequested = false;

// True once for each press of the key.
bool Pressed(std::uint8_t key) {
  const bool down = KeyState[key] != 0;
  const bool pressed = down && !WasDown[key];
  WasDown[key] = down;
  return pressed;
}

// Either of two keys of one meaning; both are read, so neither keeps a stale state.
bool PressedEither(std::uint8_t a, std::uint8_t b) {
  const bool first = Pressed(a);
  const bool second = Pressed(b);
  return first || second;
}

// The steps a stepping key asks for since the last pass: its press and its auto-repeats.
int Steps(std::uint8_t key) {
  const int steps = (Pressed(key) ? 1 : 0) + KeyRepeats[key];
  KeyRepeats[key] = 0;
  return steps;
}

}  // namespace

void HandleControlKeys(std::int32_t now) {
  // Dragging with the left button orbits the camera, 0.01 radian a pixel; the wheel zooms.
  static bool dragging = false;
  static int lastX = 0, lastY = 0;
  if (Mouse.leftDown && dragging && (Mouse.x != lastX || Mouse.y != lastY))
    OrbitCamera(-0.01f * (Mouse.x - lastX), 0.01f * (Mouse.y - lastY));
  dragging = Mouse.leftDown;
  lastX = Mouse.x;
  lastY = Mouse.y;
  // Whole notches; what a fine wheel sends below one waits for the rest.
  if (const int notches = Mouse.wheelDelta / WHEEL_DELTA) {
    ZoomCamera(notches);
    Mouse.wheelDelta -= notches * WHEEL_DELTA;
  }

  // A probe click marks its pixel and opens the panel on its terms; P clears it.
  if (Mouse.probeClicked) {
    Mouse.probeClicked = false;
    CurrentProbe.set = true;
    CurrentProbe.x = Mouse.probeX;
    CurrentProbe.y = Mouse.probeY;
    ShowPanel = true;
  }
  if (Pressed('P')) CurrentProbe = ActiveProbe();

  // A dropped glTF file (told by its content) replaces the model; any other file is read as
  // an image, which replaces the normal map (or the height map). A refused one leaves what
  // runs, and the panel says why.
  if (!DroppedFile.empty()) {
    const std::string path = DroppedFile;
    DroppedFile.clear();
    const bool model = FileLooksLikeGltf(path);
    const std::string loading = LoadingNote(path.c_str(), model);
    if (!loading.empty()) {
      PrintNote("bumpdemo: " + loading);
      DrawLoadingFrame(loading);
      Platform.SwapGLBuffers(DeviceContextHandle);
    }
    if (model) {
      std::string refusal;
      if (LoadFileModel(path.c_str(), &refusal)) {
        CurrentModel = Model::File;
        NoteOnPanel("Model: " + ModelName(Model::File), now);
      } else {
        NoteOnPanel("Refused " + refusal, now);
      }
    } else {
      const std::string note = LoadDroppedImage(path.c_str());
      NoteOnPanel(note + "; " + NormalMapCheckLines().front(), now);
    }
  }
  if (Pressed('Y')) {
    FlipGreenChannel = !FlipGreenChannel;
    ReloadNormalMap();
    NoteOnPanel(FlipGreenChannel ? "Green channel flipped" : "Green channel as in the file", now);
  }

  for (int view = 1; view <= 6; ++view)
    if (Pressed(static_cast<std::uint8_t>('0' + view))) CurrentView = static_cast<View>(view);
  // A frozen clock holds the light already: Space has nothing to pause, and says so.
  if (Pressed(VK_SPACE)) {
    if (ClockFrozen)
      NoteOnPanel("The clock is frozen: Space has nothing to pause", GetTimeMs());
    else
      SetLightPaused(!LightMotion.paused, now);
  }
  for (int n = Steps(VK_LEFT); n > 0; --n) StepPausedLight(-1, ClockFrozen);
  for (int n = Steps(VK_RIGHT); n > 0; --n) StepPausedLight(+1, ClockFrozen);
  const int faster = Steps(KeyPlus) + Steps(KeyPadPlus);
  const int slower = Steps(KeyMinus) + Steps(KeyPadMinus);
  for (int n = faster; n > 0; --n) ChangeLightSpeed(+1, now);
  for (int n = slower; n > 0; --n) ChangeLightSpeed(-1, now);
  for (int n = Steps(VK_UP); n > 0; --n) ChangeLightHeight(+1);
  for (int n = Steps(VK_DOWN); n > 0; --n) ChangeLightHeight(-1);
  if (Pressed('M')) CurrentModel = NextModel(CurrentModel);
  // The tangent frame per vertex or per pixel: the shaders' to choose (the stages have the
  // vertices' alone).
  if (Pressed('B')) {
    CurrentBasis = CurrentBasis == Basis::Vertex ? Basis::Pixel : Basis::Vertex;
    if (CurrentRenderer == Renderer::Stages && !CompareRenderers)
      NoteOnPanel("Basis per pixel is the shaders' (G): the stages carry it per vertex", now);
  }
  if (Pressed('D')) ShowColour = !ShowColour;
  if (Pressed('S')) ShowSpecular = !ShowSpecular;
  if (Pressed('W')) ShowWireframe = !ShowWireframe;
  if (Pressed('V')) ShowVectors = !ShowVectors;
  // The other renderer, where the context has both (a compatibility context).
  if (Pressed('G') && ContextKind == GLContextKind::Compatibility)
    CurrentRenderer = CurrentRenderer == Renderer::Stages ? Renderer::Shaders : Renderer::Stages;
  if (Pressed('C')) {
    if (ContextKind == GLContextKind::Compatibility)
      CompareRenderers = !CompareRenderers;
    else
      NoteOnPanel("Side by side needs a compat context: this one has no texture stages", now);
  }
  if (PressedEither('H', VK_F1)) ShowPanel = !ShowPanel;
  if (Pressed(VK_F12)) ScreenshotRequested = true;
  if (Pressed('R')) {
    CurrentRenderer = StartRenderer;
    CurrentView = StartView;
    CurrentModel = StartModel;
    CurrentBasis = StartBasis;
    ShowColour = StartColour;
    ShowSpecular = StartSpecular;
    ResetCamera();
    ResetLightMotion();
    CompareRenderers = StartCompareRenderers;
    ShowWireframe = ShowVectors = ShowPanel = false;
    CurrentProbe = ActiveProbe();
    if (FlipGreenChannel != StartFlipGreen) {
      FlipGreenChannel = StartFlipGreen;
      ReloadNormalMap();
    }
  }
  // Every other key acts once per press: its repeats are dropped.
  std::memset(KeyRepeats, 0, sizeof KeyRepeats);
}

bool TakeScreenshotRequest() {
  const bool requested = ScreenshotRequested;
  ScreenshotRequested = false;
  return requested;
}

void ResetControlKeys() {
  for (bool& down : WasDown) down = false;
  std::memset(KeyRepeats, 0, sizeof KeyRepeats);
  ScreenshotRequested = false;
}
