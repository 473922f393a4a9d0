// The real executable from start to exit: with no display at all, with SDL's offscreen
// driver, and in a real window on a private X display with real key presses.
#include <gtest/gtest.h>
// After gtest: Xlib defines macros (None, Bool) that gtest uses as names.
#include <X11/Xlib.h>

// The exit screenshot, decoded here (the command-line tests have their own copy).
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <thread>

#include "demo_process.h"

namespace {

// Swaps counted by the probe library: the first number of its output file.
long SwapsIn(const std::string& probeFile) {
  return std::atol(ReadFile(probeFile).c_str());
}

// A program that could not show anything has failed: the message, then the window system's
// own reason, and exit code 1.
TEST(EndToEnd, NoWayToCreateAWindowShowsTheMessageAndTheReasonAndExitsOne) {
  DemoOptions options;
  options.runDir = MakeRunDir();
  options.env = {"SDL_VIDEODRIVER=x11"};  // and no DISPLAY
  const DemoResult result = RunDemoProcess(options);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("Error: Failed to register the window class!\n"
                            "bumpdemo: the window system says: x11 not available\n"),
            std::string::npos)
      << result.err;
  // Nothing is written to the run directory: the log is not touched.
  bool exists = true;
  ReadFile(options.runDir + "/system/log.txt", &exists);
  EXPECT_FALSE(exists);
}

// With neither an X nor a Wayland display, SDL would fall back to its offscreen driver
// and the program would run unseen until killed. Unless that driver is asked for by name,
// the run ends as when the window cannot be created.
TEST(EndToEnd, NoDisplayEndsAsAWindowThatCannotBeCreated) {
  struct Case {
    std::vector<std::string> env;  // no DISPLAY, no WAYLAND_DISPLAY in any of them
    bool runs;
  };
  const Case cases[] = {
      {{}, false},
      {{"SDL_VIDEODRIVER="}, false},
      {{"XDG_RUNTIME_DIR=/tmp"}, false},
      {{"SDL_VIDEODRIVER=x11,offscreen"}, true},
      {{"SDL_VIDEODRIVER=OffScreen"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.env.empty() ? std::string("(nothing set)") : c.env[0]);
    DemoOptions options;
    options.runDir = MakeRunDir();
    options.env = c.env;
    options.timeoutSeconds = 20;
    if (c.runs) options.closeAfterSeconds = 1;
    const DemoResult result = RunDemoProcess(options);
    EXPECT_FALSE(result.timedOut) << "still running after 20 s";
    EXPECT_EQ(result.exitCode, c.runs ? 0 : 1) << result.err;
    bool logWritten = false;
    ReadFile(options.runDir + "/system/log.txt", &logWritten);
    const bool refused =
        result.err.find(
            "Error: Unable to create window!\nbumpdemo: the window system says: no "
            "display to show a window on") != std::string::npos;
    if (c.runs) {
      EXPECT_FALSE(refused) << result.err;
      EXPECT_TRUE(logWritten) << "a running program starts its log";
    } else {
      EXPECT_TRUE(refused) << result.err;
      EXPECT_FALSE(logWritten) << "nothing is written to the run directory";
    }
  }
}

TEST(EndToEnd, OffscreenDriverDrawsFramesWithoutADisplay) {
  DemoOptions options;
  options.runDir = MakeRunDir();
  const std::string probe = options.runDir + "/../" + "swaps-" + std::to_string(getpid());
  options.env = {"SDL_VIDEODRIVER=offscreen", "LD_PRELOAD=" SWAP_PROBE_LIBRARY,
                 "SWAP_PROBE_OUT=" + probe};
  options.closeAfterSeconds = 2;  // SIGTERM reaches SDL as a quit request
  const DemoResult result = RunDemoProcess(options);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_GT(SwapsIn(probe), 10) << "frames drawn in two seconds";
  std::remove(probe.c_str());
}

// Waits until the program has made its log (its window is open and its GL ready), then a
// second more for frames to be drawn.
void WaitUntilRunning(const std::string& runDir) {
  bool exists = false;
  for (int i = 0; i < 1200 && !exists; ++i) {
    ReadFile(runDir + "/system/log.txt", &exists);
    if (!exists) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::this_thread::sleep_for(std::chrono::seconds(1));
}

// What a window manager sends for the frame's close button: WM_DELETE_WINDOW.
void SendCloseRequest(const std::string& displayName, const std::string& window) {
  Display* display = XOpenDisplay(displayName.c_str());
  ASSERT_NE(display, nullptr);
  const Window target = std::stoul(window);
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = target;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, target, False, NoEventMask, &event);
  XFlush(display);
  XCloseDisplay(display);
}

// A signal ends a run as Escape does: the screenshot holds the last frame (the frozen clock
// makes it the same picture as a short capture's), offscreen and in an X window.
TEST(EndToEnd, SignalEndsACaptureAsEscapeDoesWithTheLastFrameSaved) {
  XvfbServer xvfb;
  const std::string dir = MakeRunDir();
  const std::vector<std::string> args = {"--time", "300", "--screenshot", "shot.png"};
  const DemoResult reference = RunDemoProcess(
      OffscreenRun(dir), {"--time", "300", "--frames", "2", "--screenshot", "reference.png"});
  ASSERT_EQ(reference.exitCode, 0) << reference.err;
  const std::string expected = ReadFile(dir + "/reference.png");
  for (const bool window : {false, true}) {
    for (const int signal : {SIGINT, SIGTERM}) {
      SCOPED_TRACE(std::string(window ? "X window, " : "offscreen, ") + strsignal(signal));
      if (window && xvfb.display.empty()) GTEST_SKIP() << "Xvfb could not be started";
      DemoOptions options = OffscreenRun(dir);
      if (window) options.env = {"SDL_VIDEODRIVER=x11", "DISPLAY=" + xvfb.display};
      std::remove((dir + "/shot.png").c_str());
      std::remove((dir + "/system/log.txt").c_str());
      std::vector<std::string> argv = {DemoExecutable()};
      argv.insert(argv.end(), args.begin(), args.end());
      const int pid = StartProcess(argv, options);
      WaitUntilRunning(dir);
      kill(pid, signal);
      const DemoResult result = WaitProcess(pid, 20);
      EXPECT_FALSE(result.timedOut);
      EXPECT_EQ(result.exitCode, 0);
      EXPECT_EQ(ReadFile(dir + "/shot.png"), expected) << "the last frame, not a black one";
    }
  }
}

// A window closed by the user leaves nothing to read back: no file, and a failure.
TEST(EndToEnd, CaptureWhoseWindowIsClosedSavesNothingAndFails) {
  XvfbServer xvfb;
  if (xvfb.display.empty()) GTEST_SKIP() << "Xvfb could not be started";
  DemoOptions options;
  options.runDir = MakeRunDir();
  options.env = {"SDL_VIDEODRIVER=x11", "DISPLAY=" + xvfb.display};
  const int pid = StartProcess({DemoExecutable(), "--screenshot", "shot.png"}, options);
  WaitUntilRunning(options.runDir);
  std::string window = Capture({"xdotool", "search", "--name", "^OpenGL$"}, options.env);
  window = window.substr(0, window.find('\n'));
  ASSERT_FALSE(window.empty());
  SendCloseRequest(xvfb.display, window);
  const DemoResult result = WaitProcess(pid, 10);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 1);
  bool exists = true;
  ReadFile(options.runDir + "/shot.png", &exists);
  EXPECT_FALSE(exists);
}

// A full screen that cannot be had (Xvfb's one screen size is 1024 x 768) keeps the message
// and falls back to a window, and says so.
TEST(EndToEnd, FullScreenThatCannotSwitchSaysItRunsInAWindow) {
  XvfbServer xvfb;
  if (xvfb.display.empty()) GTEST_SKIP() << "Xvfb could not be started";
  DemoOptions options;
  options.runDir = MakeRunDir();
  options.env = {"SDL_VIDEODRIVER=x11", "DISPLAY=" + xvfb.display};
  const DemoResult result = RunDemoProcess(options, {"--fullscreen", "--frames", "2"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err,
            "Error: Unable to switch to fullscreen!\n"
            "bumpdemo: no 640 x 480 full-screen mode; running in a window instead\n");
}

class RealWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (xvfb_.display.empty()) GTEST_SKIP() << "Xvfb could not be started";
    options_.runDir = MakeRunDir();
    options_.env = {"SDL_VIDEODRIVER=x11", "DISPLAY=" + xvfb_.display};
    pid_ = StartProcess({DemoExecutable()}, options_);
    // Up to a minute: a sanitizer build starting on a loaded machine can take long.
    for (int i = 0; i < 1200 && FindWindow().empty(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // SDL may replace its first X window while it sets up GL: settle, then look again.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    window_ = FindWindow();
  }
  // The newest window titled OpenGL, or "".
  std::string FindWindow() {
    std::string found = Capture({"xdotool", "search", "--name", "^OpenGL$"}, options_.env);
    while (!found.empty() && found.back() == '\n') found.pop_back();
    return found.substr(found.rfind('\n') == std::string::npos ? 0 : found.rfind('\n') + 1);
  }
  void TearDown() override {
    if (pid_ > 0) WaitProcess(pid_, 5);
  }
  std::vector<std::string> Xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    return args;
  }

  XvfbServer xvfb_;
  DemoOptions options_;
  int pid_ = -1;
  std::string window_;
};

TEST_F(RealWindow, TitledOpenGLWithA640x480ClientArea) {
  ASSERT_FALSE(window_.empty()) << "no window titled OpenGL appeared";
  const std::string geometry =
      Capture(Xdotool({"getwindowgeometry", "--shell", window_}), options_.env);
  EXPECT_NE(geometry.find("WIDTH=640\n"), std::string::npos) << geometry;
  EXPECT_NE(geometry.find("HEIGHT=480\n"), std::string::npos) << geometry;
  Capture(Xdotool({"key", "--window", window_, "Escape"}), options_.env);
  EXPECT_EQ(WaitProcess(pid_, 10).exitCode, 0);
  pid_ = -1;
}

TEST_F(RealWindow, EscapeKeyPressEndsTheProgramWithinTwoSeconds) {
  ASSERT_FALSE(window_.empty()) << "no window titled OpenGL appeared";
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  Capture(Xdotool({"windowfocus", "--sync", window_}), options_.env);
  Capture(Xdotool({"key", "Escape"}), options_.env);
  const DemoResult result = WaitProcess(pid_, 2.0);
  pid_ = -1;
  EXPECT_FALSE(result.timedOut) << "still running two seconds after Escape";
  EXPECT_EQ(result.exitCode, 0);
}

TEST_F(RealWindow, CloseRequestEndsTheProgramCleanly) {
  ASSERT_FALSE(window_.empty()) << "no window titled OpenGL appeared";
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  SendCloseRequest(xvfb_.display, window_);
  // A teardown message would be a modal box on this display and hold the program.
  const DemoResult result = WaitProcess(pid_, 10);
  pid_ = -1;
  EXPECT_FALSE(result.timedOut) << "the program did not end: a message box is waiting?";
  EXPECT_EQ(result.exitCode, 0);
}

// Real key presses: Space pauses the light (two screenshots with F12, the same bytes),
// Right steps it on (another picture), 2 switches to the normal-map view (another again);
// the screenshots are numbered in a folder the program makes.
TEST_F(RealWindow, KeysPauseStepSwitchViewAndSaveScreenshots) {
  ASSERT_FALSE(window_.empty()) << "no window titled OpenGL appeared";
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  Capture(Xdotool({"windowfocus", "--sync", window_}), options_.env);
  const std::string shots = options_.runDir + "/screenshots/bumpdemo-000";
  auto press = [&](const char* key) {
    Capture(Xdotool({"key", key}), options_.env);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  };
  // F12, then the file's bytes once it is written.
  auto screenshot = [&](int number) {
    press("F12");
    const std::string path = shots + std::to_string(number) + ".png";
    bool exists = false;
    for (int i = 0; i < 40 && !exists; ++i) {
      ReadFile(path, &exists);
      if (!exists) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // written whole
    EXPECT_TRUE(exists) << path;
    return ReadFile(path);
  };
  press("space");
  const std::string paused = screenshot(1);
  EXPECT_GT(paused.size(), 1000u);
  EXPECT_EQ(screenshot(2), paused) << "the light stands still while paused";
  press("Right");
  const std::string stepped = screenshot(3);
  EXPECT_NE(stepped, paused) << "a step moves it";
  press("2");
  const std::string normalMap = screenshot(4);
  EXPECT_NE(normalMap, stepped) << "the normal-map view";
  // A drag with the left button turns the camera; the wheel moves it nearer.
  for (const std::vector<std::string>& step :
       {Xdotool({"mousemove", "--window", window_, "300", "240"}), Xdotool({"mousedown", "1"}),
        Xdotool({"mousemove", "--window", window_, "360", "220"}), Xdotool({"mouseup", "1"})}) {
    Capture(step, options_.env);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  const std::string turned = screenshot(5);
  EXPECT_NE(turned, normalMap) << "the camera turned";
  Capture(Xdotool({"click", "4"}), options_.env);
  EXPECT_NE(screenshot(6), turned) << "the camera moved nearer";
  press("Escape");
  EXPECT_EQ(WaitProcess(pid_, 10).exitCode, 0);
  pid_ = -1;
}

// Down held on a real X display, whose server repeats a held key (as X does by default):
// the light goes down by more than one step. With the clock frozen at 0 the light sits at
// (1, 0, height); the exit screenshot's white marker is matched to the nearest of the
// heights the steps give, projected by the default camera. One press would give 1.25.
TEST(HeldKeys, DownHeldOnARealDisplayLowersTheLightByMoreThanOneStep) {
  XvfbServer xvfb;
  if (xvfb.display.empty()) GTEST_SKIP() << "Xvfb could not be started";
  DemoOptions options;
  options.runDir = MakeRunDir();
  options.env = {"SDL_VIDEODRIVER=x11", "DISPLAY=" + xvfb.display};
  const std::string shot = options.runDir + "/held.png";
  const int pid = StartProcess({DemoExecutable(), "--time", "0", "--screenshot", shot}, options);
  std::string window;
  for (int i = 0; i < 1200 && window.empty(); ++i) {
    window = Capture({"xdotool", "search", "--name", "^OpenGL$"}, options.env);
    if (window.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_FALSE(window.empty()) << "no window titled OpenGL appeared";
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  window = Capture({"xdotool", "search", "--name", "^OpenGL$"}, options.env);
  window = window.substr(0, window.find('\n'));
  Capture({"xdotool", "windowfocus", "--sync", window}, options.env);
  Capture({"xdotool", "keydown", "Down"}, options.env);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // past the repeat delay
  Capture({"xdotool", "keyup", "Down"}, options.env);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Capture({"xdotool", "key", "Escape"}, options.env);
  const DemoResult result = WaitProcess(pid, 20);
  ASSERT_EQ(result.exitCode, 0) << result.err;

  int w = 0, h = 0, channels = 0;
  stbi_uc* png = stbi_load(shot.c_str(), &w, &h, &channels, 3);
  ASSERT_NE(png, nullptr) << shot;
  // The pixel (top row first) where the default camera, at (2, 2, 2) looking at the origin
  // with 60 degrees of vertical view at 4:3, shows (1, 0, z).
  auto project = [](double z, double* x, double* y) {
    const double r3 = std::sqrt(3.0), r2 = std::sqrt(2.0), r6 = std::sqrt(6.0);
    const double d[3] = {-1, -2, z - 2};
    const double depth = -(d[0] + d[1] + d[2]) / r3;
    const double side = (d[1] - d[0]) / r2;
    const double up = (-d[0] - d[1] + 2 * d[2]) / r6;
    const double t = std::tan(M_PI / 6);
    *x = (side / depth / (t * 4 / 3) + 1) / 2 * 640;
    *y = 480 - (up / depth / t + 1) / 2 * 480;
  };
  // White pixels within 6 of the marker's centre at each height; the lit bricks have a
  // few white specks of their own, never a disc of them.
  int most = 0;
  double height = 0;
  for (double z = 0.25; z <= 1.5; z += 0.25) {
    double cx, cy;
    project(z, &cx, &cy);
    int white = 0;
    for (int y = static_cast<int>(cy) - 6; y <= static_cast<int>(cy) + 6; ++y)
      for (int x = static_cast<int>(cx) - 6; x <= static_cast<int>(cx) + 6; ++x) {
        if (x < 0 || y < 0 || x >= w || y >= h || std::hypot(x + 0.5 - cx, y + 0.5 - cy) > 6)
          continue;
        const stbi_uc* rgb = &png[(y * w + x) * 3];
        white += rgb[0] == 255 && rgb[1] == 255 && rgb[2] == 255;
      }
    if (white > most) most = white, height = z;
  }
  stbi_image_free(png);
  EXPECT_GT(most, 100) << "a disc of white where a step's height puts the marker";
  EXPECT_LT(height, 1.25) << "more than one step down";
  std::printf("held Down: the light at height %.2f\n", height);
}

}  // namespace
