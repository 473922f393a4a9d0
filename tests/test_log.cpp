// The log file on the real file system: emptying, the line format, recreation of a
// deleted log, and the fatal report for each kind of file failure (as death tests).
#include <dirent.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/state.h"
#include "log/log.h"
#include "platform/backend.h"

namespace fs = std::filesystem;

namespace {

std::string Content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void Put(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// How many descriptors of this process refer to path.
int OpenDescriptorsOf(const std::string& path) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (fs::read_symlink(entry.path(), error) == fs::path(path)) ++count;
  }
  return count;
}

// A regular expression that matches text literally.
std::string Literal(const std::string& text) {
  std::string pattern;
  for (char c : text) {
    if (std::strchr("\\^$.|?*+()[]{}", c)) pattern += '\\';
    pattern += c;
  }
  return pattern;
}

// The fatal report of the log, the whole of standard error: its first line names the
// failure, this test executable and the place in the log's source (the line number is
// not pinned), then the error text and an empty line.
::testing::Matcher<const std::string&> Report(const std::string& what, const std::string& path,
                                              const std::string& function,
                                              const std::string& text) {
  return ::testing::MatchesRegex(Literal("loglight_tests: " + what + " the log file \"" + path +
                                         "\" in " + function + " (log.cpp:") +
                                 "[0-9]+" + Literal(")\n" + text + "\n\n"));
}

// Runs the rest of the calling process as user nobody (the tests run as root, for whom no
// permission bit counts).
void BecomeNobody() {
  const passwd* nobody = getpwnam("nobody");
  if (!nobody || setgroups(0, nullptr) != 0 ||
      setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) != 0 ||
      setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid) != 0)
    std::_Exit(99);
}

class LogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallPlatformFiles();
    char pattern[] = "/tmp/bumpdemo-log-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    chmod(dir_.c_str(), 0755);  // reachable by nobody
    path_ = dir_ + "/log.txt";
    SetLogFileName(path_.c_str());
    ElapsedMs = 0;
  }
  void TearDown() override {
    std::error_code error;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(dir_, error);
  }
  std::string dir_;
  std::string path_;
};

TEST(LogFileName, StartsAsTheRunDirectorysSystemLog) {
  EXPECT_EQ(LogFileName, "system\\log.txt");
  SetLogFileName("elsewhere\\x.txt");
  EXPECT_EQ(LogFileName, "elsewhere\\x.txt");
  SetLogFileName("system\\log.txt");
}

TEST_F(LogFile, SetLogFileNameTouchesNoFile) {
  SetLogFileName((dir_ + "/missing/log.txt").c_str());
  SetLogFileName(path_.c_str());
  EXPECT_FALSE(fs::exists(path_));
  EXPECT_FALSE(fs::exists(dir_ + "/missing"));
}

TEST_F(LogFile, ResetCreatesOrEmpties) {
  ResetLog();
  ASSERT_TRUE(fs::exists(path_));
  EXPECT_EQ(fs::file_size(path_), 0u);
  Put(path_, "[1]  old line\r\n[2]  another\r\n");
  ResetLog();
  EXPECT_EQ(fs::file_size(path_), 0u);
}

TEST_F(LogFile, BackslashesAreDirectorySeparators) {
  fs::create_directory(dir_ + "/system");
  SetLogFileName((dir_ + "\\system\\log.txt").c_str());
  ResetLog();
  WriteLog("x", false);
  EXPECT_EQ(Content(dir_ + "/system/log.txt"), "x\r\n");
}

TEST_F(LogFile, StampedLinesCarryTheClockReadingInDecimal) {
  ResetLog();
  ElapsedMs = 12345;
  WriteLog("abc", true);
  ElapsedMs = 0;
  WriteLog("invalid enumerant", true);
  ElapsedMs = -42;
  WriteLog("neg", true);
  ElapsedMs = -2147483647 - 1;
  WriteLog("min", true);
  ElapsedMs = 2147483647;
  WriteLog("max", true);
  EXPECT_EQ(Content(path_),
            "[12345]  abc\r\n[0]  invalid enumerant\r\n[-42]  neg\r\n[-2147483648]  min\r\n"
            "[2147483647]  max\r\n");
}

TEST_F(LogFile, EmptyAndUnstampedLines) {
  ResetLog();
  ElapsedMs = 7;
  WriteLog("", true);
  WriteLog("", false);
  WriteLog("plain", false);
  EXPECT_EQ(Content(path_), "[7]  \r\n\r\nplain\r\n");
}

TEST_F(LogFile, TextIsWrittenByteForByte) {
  ResetLog();
  WriteLog("tab\there\nnewline \x01\xff \xd0\x9e", false);
  EXPECT_EQ(Content(path_), "tab\there\nnewline \x01\xff \xd0\x9e\r\n");
}

TEST_F(LogFile, LinesOfOneFrameShareTheStampInCallOrder) {
  ResetLog();
  ElapsedMs = 500;
  WriteLog("first", true);
  WriteLog("second", true);
  EXPECT_EQ(Content(path_), "[500]  first\r\n[500]  second\r\n");
}

TEST_F(LogFile, EachLineIsOnDiskAndTheFileClosedWhenTheCallReturns) {
  ResetLog();
  EXPECT_EQ(OpenDescriptorsOf(path_), 0);
  for (int i = 0; i < 3; ++i) {
    WriteLog("line", false);
    EXPECT_EQ(OpenDescriptorsOf(path_), 0);
    EXPECT_EQ(fs::file_size(path_), 6u * (i + 1));
  }
}

TEST_F(LogFile, ADeletedLogIsRecreatedHoldingJustTheNewLine) {
  ResetLog();
  WriteLog("before", true);
  fs::remove(path_);
  ElapsedMs = 99;
  WriteLog("after", true);
  EXPECT_EQ(Content(path_), "[99]  after\r\n");
}

// Fatal failures.

TEST_F(LogFile, MissingDirectoryIsAnInvalidFilename) {
  const std::string path = dir_ + "/system/log.txt";
  SetLogFileName(path.c_str());
  EXPECT_EXIT(ResetLog(), ::testing::ExitedWithCode(1),
              Report("cannot create", path, "ResetLog", "Invalid filename."));
  // WriteLog tries to create the log anew, which fails the same way.
  EXPECT_EXIT(WriteLog("x", true), ::testing::ExitedWithCode(1),
              Report("cannot create", path, "ResetLog", "Invalid filename."));
  // A file where a directory is expected.
  Put(dir_ + "/system", "");
  EXPECT_EXIT(ResetLog(), ::testing::ExitedWithCode(1),
              Report("cannot create", path, "ResetLog", "Invalid filename."));
}

TEST_F(LogFile, ReadOnlyLogIsAccessDenied) {
  Put(path_, "kept\r\n");
  chmod(path_.c_str(), 0444);
  EXPECT_EXIT((BecomeNobody(), ResetLog()), ::testing::ExitedWithCode(1),
              Report("cannot create", path_, "ResetLog", "File access denied."));
  EXPECT_EXIT((BecomeNobody(), WriteLog("x", true)), ::testing::ExitedWithCode(1),
              Report("cannot create", path_, "ResetLog", "File access denied."));
  EXPECT_EQ(Content(path_), "kept\r\n");
}

TEST_F(LogFile, ReadOnlyDirectoryIsAccessDenied) {
  // The directory belongs to root and nobody may not create files in it.
  EXPECT_EXIT((BecomeNobody(), ResetLog()), ::testing::ExitedWithCode(1),
              Report("cannot create", path_, "ResetLog", "File access denied."));
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(LogFile, LogPathThatIsADirectoryIsAccessDenied) {
  fs::create_directory(path_);
  EXPECT_EXIT(ResetLog(), ::testing::ExitedWithCode(1),
              Report("cannot create", path_, "ResetLog", "File access denied."));
  EXPECT_EXIT(WriteLog("x", false), ::testing::ExitedWithCode(1),
              Report("cannot create", path_, "ResetLog", "File access denied."));
}

TEST_F(LogFile, FullDiskFailsTheWrite) {
  // /dev/full opens and empties like a file and refuses every byte written.
  SetLogFileName("/dev/full");
  ResetLog();
  EXPECT_EXIT(WriteLog("x", true), ::testing::ExitedWithCode(1),
              Report("cannot write", "/dev/full", "WriteLog", "Disk full."));
}

TEST_F(LogFile, NoDescriptorLeftIsTooManyOpenFiles) {
  auto exhaust = [] {
    // The lowest free descriptor becomes the limit, so the next open fails.
    const int next = dup(0);
    close(next);
    const rlimit limit = {static_cast<rlim_t>(next), static_cast<rlim_t>(next)};
    setrlimit(RLIMIT_NOFILE, &limit);
  };
  EXPECT_EXIT((exhaust(), ResetLog()), ::testing::ExitedWithCode(1),
              Report("cannot create", path_, "ResetLog", "Too many open files."));
}

TEST_F(LogFile, LinkToAMissingPlaceIsFileNotFound) {
  // The directory exists; the file the name leads to cannot be made.
  fs::create_symlink(dir_ + "/gone/log.txt", path_);
  EXPECT_EXIT(ResetLog(), ::testing::ExitedWithCode(1),
              Report("cannot create", path_, "ResetLog", "File not found."));
}

TEST_F(LogFile, OtherErrorsGiveTheirNumber) {
  fs::create_symlink(path_, path_);  // a link to itself: too many levels of links
  EXPECT_EXIT(
      ResetLog(), ::testing::ExitedWithCode(1),
      Report("cannot create", path_, "ResetLog", "I/O error " + std::to_string(ELOOP) + "."));
}

TEST_F(LogFile, StandardOutputIsFlushedBeforeTheReport) {
  // Buffered output that would be lost by exiting without a flush.
  const std::string out = dir_ + "/out.txt";
  const std::string path = dir_ + "/missing/log.txt";
  auto run = [&] {
    std::freopen(out.c_str(), "w", stdout);
    std::setvbuf(stdout, nullptr, _IOFBF, 4096);
    std::fputs("pending output", stdout);
    SetLogFileName(path.c_str());
    ResetLog();
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(1),
              Report("cannot create", path, "ResetLog", "Invalid filename."));
  EXPECT_EQ(Content(out), "pending output");
}

}  // namespace
