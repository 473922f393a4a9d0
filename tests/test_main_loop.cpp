// One pass of the main loop against the fake platform and the GL-call recorder: message
// step, clock, frame, fixed steps, present, error drain and the Escape test, in order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/demo.h"
#include "fake_platform.h"
#include "gl/recorder/gl_recorder.h"
#include "log/log.h"
#include "scene/light.h"
#include "scene/scene.h"
#include "window/window.h"

namespace fs = std::filesystem;

namespace {

// Where, in the recorded GL calls, each buffer swap happened.
std::vector<std::size_t> SwapsAt;

class MainLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakePlatform();
    SwapsAt.clear();
    Fake.proc = WindowProc;  // as the registered window class would
    Platform.SwapGLBuffers = [](PlatformHandle) { SwapsAt.push_back(RecordedGLCalls().size()); };
    log_ = fs::temp_directory_path() / ("bumpdemo-loop-" + std::to_string(getpid()) + ".txt");
    SetLogFileName(log_.c_str());
    ResetLog();
    RecordGLCalls();
    Running = true;
    LightPosition = {0.5f, 0, 1};
  }
  void TearDown() override {
    StopRecordingGLCalls();
    fs::remove(log_);
  }
  std::string Log() {
    std::ifstream in(log_, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }
  fs::path log_;
};

TEST_F(MainLoop, PassDrawsPresentsThenDrainsErrorsIntoTheLog) {
  Fake.counter = 123456;  // 123456 ms at the fake's 1000 counts per second
  QueueGLErrors({0x0500, 0x0501, 0x0502});
  std::int32_t mark = 123456 - 65;
  RunPass(&mark);
  EXPECT_EQ(ElapsedMs, 123456);
  EXPECT_EQ(mark, 123456 - 5) << "three steps ran, 5 ms carried over";
  const std::vector<std::string> names = RecordedGLCallNames();
  ASSERT_GE(names.size(), 46u + 6u);
  // The frame, then flush and finish, the swap, then glGetError until it says none, each
  // error's text from gluErrorString.
  const std::vector<std::string> tail(names.end() - 9, names.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"glFlush", "glFinish", "glGetError", "gluErrorString",
                                            "glGetError", "gluErrorString", "glGetError",
                                            "gluErrorString", "glGetError"}));
  EXPECT_EQ(names[0], "glViewport");
  ASSERT_EQ(SwapsAt.size(), 1u);
  EXPECT_EQ(SwapsAt[0], names.size() - 7) << "the swap comes after glFinish";
  // One line per error, in order, all with the pass's stamp.
  EXPECT_EQ(Log(),
            "[123456]  invalid enumerant\r\n[123456]  invalid value\r\n"
            "[123456]  invalid operation\r\n");
  // The light moved: UpdateScene ran with this pass's clock.
  EXPECT_NE(LightPosition.z, 1.0f);
  EXPECT_TRUE(Running);
}

TEST_F(MainLoop, FrameShowsThePreviousPassesLight) {
  Fake.counter = 0;
  std::int32_t mark = 0;
  RunPass(&mark);
  // The first frame was drawn with the light where set-up put it.
  bool found = false;
  for (const GLCall& call : RecordedGLCalls()) {
    if (call.name == "glTranslatef") {
      EXPECT_EQ(call, Expected::glTranslatef(0.5f, 0, 1));
      found = true;
      break;
    }
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(LightPosition.x, 1.0f);  // clock 0 puts it at (1, 0, 1.5) for the next frame
}

TEST_F(MainLoop, MessageIsDispatchedBeforeItIsTranslatedAndOnlyOnePerPass) {
  Fake.queue = {{nullptr, WM_KEYDOWN, 'A', 0}, {nullptr, WM_KEYDOWN, 'B', 0}};
  std::int32_t mark = 0;
  RunPass(&mark);
  EXPECT_EQ(FakeCalls(), "Dispatch(256) Translate(256)");
  EXPECT_EQ(KeyState[int{'A'}], 1);
  EXPECT_EQ(KeyState[int{'B'}], 0) << "the second message waits for the next pass";
}

TEST_F(MainLoop, QuitRequestEndsTheLoopWithoutDrawing) {
  Fake.queue = {{nullptr, WM_QUIT, 0, 0}};
  std::int32_t mark = 0;
  RunPass(&mark);
  EXPECT_FALSE(Running);
  EXPECT_TRUE(RecordedGLCalls().empty());
  EXPECT_TRUE(SwapsAt.empty());
}

TEST_F(MainLoop, EscapeEndsTheLoopAfterTheSwapAndTheDrain) {
  Fake.queue = {{nullptr, WM_KEYDOWN, VK_ESCAPE, 0}};
  QueueGLErrors({0x0505});
  std::int32_t mark = 0;
  RunPass(&mark);
  EXPECT_FALSE(Running);
  EXPECT_EQ(SwapsAt.size(), 1u);
  EXPECT_NE(Log().find("out of memory"), std::string::npos);
  EXPECT_EQ(KeyState[VK_ESCAPE], 1);
}

}  // namespace
