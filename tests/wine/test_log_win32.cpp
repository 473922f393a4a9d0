// The log on the Windows build, through the Win32 file calls in a scratch directory:
// ResetLog empties the file, and every WriteLog line ends in exactly one CR LF (no text
// mode adding a second CR).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/state.h"
#include "log/log.h"
#include "platform/backend.h"

namespace {

// A fresh directory under the system's temporary directory, with a backslash at its end.
std::string MakeScratchDirectory() {
  char base[MAX_PATH];
  if (GetTempPathA(MAX_PATH, base) == 0) return std::string();
  char name[MAX_PATH];
  if (GetTempFileNameA(base, "blg", 0, name) == 0) return std::string();
  DeleteFileA(name);
  if (!CreateDirectoryA(name, nullptr)) return std::string();
  return std::string(name) + "\\";
}

// The file's bytes read back through the Win32 calls; "<missing>" when it cannot be opened.
std::string ReadBytes(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

class LogWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallPlatformFiles();
    directory = MakeScratchDirectory();
    ASSERT_FALSE(directory.empty()) << "no scratch directory: error " << GetLastError();
    path = directory + "log.txt";
    SetLogFileName(path.c_str());
  }
  void TearDown() override {
    DeleteFileA(path.c_str());
    RemoveDirectoryA(directory.c_str());
  }
  std::string directory;
  std::string path;
};

TEST_F(LogWin32, ResetCreatesAnEmptyFileAndEmptiesAFullOne) {
  ResetLog();
  EXPECT_EQ(ReadBytes(path), "");
  WriteLog("something", false);
  ASSERT_NE(ReadBytes(path), "");
  ResetLog();
  EXPECT_EQ(ReadBytes(path), "");
}

TEST_F(LogWin32, LinesEndInOneCarriageReturnLineFeed) {
  ResetLog();
  WriteLog("first line", false);
  WriteLog("second line", false);
  EXPECT_EQ(ReadBytes(path), "first line\r\nsecond line\r\n");
}

TEST_F(LogWin32, StampedLineCarriesTheElapsedTime) {
  ResetLog();
  const std::int32_t saved = ElapsedMs;
  ElapsedMs = 1234;
  WriteLog("stamped", true);
  ElapsedMs = saved;
  EXPECT_EQ(ReadBytes(path), "[1234]  stamped\r\n");
}

TEST_F(LogWin32, DeletedLogIsStartedAnew) {
  ResetLog();
  WriteLog("old", false);
  ASSERT_TRUE(DeleteFileA(path.c_str()));
  WriteLog("new", false);
  EXPECT_EQ(ReadBytes(path), "new\r\n");
}

}  // namespace
