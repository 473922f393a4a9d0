// The log as the user meets it, with the real executable on SDL's offscreen driver: an
// empty log after a normal run, and the fatal report at start when the log cannot be
// created.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "demo_process.h"

namespace fs = std::filesystem;

namespace {

// A run directory; with the textures when the assets have them.
std::string RunDir(bool withSystem) {
  return MakeRunDir(withSystem, fs::exists(fs::path(BUMPDEMO_ASSETS_DIR) / "Textures"));
}

// The report for a log that cannot be created at start; the source line is not pinned. A
// missing folder adds where the run directory is and where the program was started.
::testing::AssertionResult IsStartReport(const std::string& err, const std::string& text,
                                         const std::string& startedIn = "") {
  const std::string head =
      "bumpdemo: cannot create the log file \"system/log.txt\" in ResetLog "
      "(log.cpp:";
  const std::string hint =
      startedIn.empty()
          ? ""
          : "there is no folder system/ here: bumpdemo runs from its run directory, the "
            "one that holds Textures/ and system/: " +
                fs::canonical(BUMPDEMO_ASSETS_DIR).string() + " (started in " +
                fs::canonical(startedIn).string() + ")\n";
  const std::string tail = ")\n" + text + "\n" + hint + "\n";
  const bool framed = err.size() > head.size() + tail.size() &&
                      err.compare(0, head.size(), head) == 0 &&
                      err.compare(err.size() - tail.size(), tail.size(), tail) == 0;
  if (framed && err.substr(head.size(), err.size() - head.size() - tail.size())
                        .find_first_not_of("0123456789") == std::string::npos)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "standard error:\n" << err;
}

TEST(EndToEndLog, NormalRunLeavesAnEmptyLog) {
  const std::string dir = RunDir(true);
  std::ofstream(dir + "/system/log.txt", std::ios::binary) << "[1]  from the last run\r\n";
  DemoOptions options = OffscreenRun(dir);
  options.closeAfterSeconds = 1.5;
  const DemoResult result = RunDemoProcess(options);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  bool exists = false;
  EXPECT_EQ(ReadFile(dir + "/system/log.txt", &exists), "");
  EXPECT_TRUE(exists);
  fs::remove_all(dir);
}

TEST(EndToEndLog, NoSystemDirectoryEndsAtStart) {
  const std::string dir = RunDir(false);
  const DemoResult result = RunDemoProcess(OffscreenRun(dir));
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(IsStartReport(result.err, "Invalid filename.", dir));
  EXPECT_FALSE(fs::exists(dir + "/system"));
  fs::remove_all(dir);
}

TEST(EndToEndLog, ReadOnlyLogEndsAtStartAndKeepsItsContent) {
  const std::string dir = RunDir(true);
  const std::string log = dir + "/system/log.txt";
  std::ofstream(log, std::ios::binary) << "[1]  kept\r\n";
  chmod(log.c_str(), 0444);  // owned by root; the program runs as nobody
  DemoOptions options = OffscreenRun(dir);
  options.asNobody = true;
  const DemoResult result = RunDemoProcess(options);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(IsStartReport(result.err, "File access denied."));
  EXPECT_EQ(ReadFile(log), "[1]  kept\r\n");
  fs::remove_all(dir);
}

TEST(EndToEndLog, LogPathThatIsADirectoryEndsAtStart) {
  const std::string dir = RunDir(true);
  fs::create_directory(dir + "/system/log.txt");
  const DemoResult result = RunDemoProcess(OffscreenRun(dir));
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(IsStartReport(result.err, "File access denied."));
  fs::remove_all(dir);
}

}  // namespace
