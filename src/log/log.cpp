// The diagnostics log: the file's path, emptying it, and appending stamped lines. The file
// is opened and closed for every line. A failing file operation ends the process at once
// with a two-line report on standard error and exit status 1.
#include "log/log.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/state.h"
#include "platform/platform.h"

std::string LogFileName = "system\\log.txt";
std::string (*LogMissingFolderHint)() = nullptr;

std::string FileErrorText(int error, const std::string& path) {
  switch (Platform.ClassifyFileError(error, path.c_str())) {
    case FileErrorKind::NotFound:
      return "File not found.";
    case FileErrorKind::InvalidName:
      return "Invalid filename.";
    case FileErrorKind::TooManyOpenFiles:
      return "Too many open files.";
    case FileErrorKind::AccessDenied:
      return "File access denied.";
    case FileErrorKind::DiskFull:
      return "Disk full.";
    case FileErrorKind::Other:
      break;
  }
  return "I/O error " + std::to_string(error) + ".";
}

namespace {

// Ends the process for a failed file operation: standard output flushed, the report and
// an empty line on standard error, exit status 1. Nothing is torn down: the window and GL
// context end with the process.
[[noreturn]] void FailLog(const char* what, int error, const std::string& path,
                          const char* function, int line) {
  const char* source = std::max(std::strrchr(__FILE__, '/'), std::strrchr(__FILE__, '\\'));
  std::fflush(stdout);
  std::string report = Platform.ExecutableName() + ": " + what + " the log file \"" + path +
                       "\" in " + function + " (" + (source ? source + 1 : __FILE__) + ":" +
                       std::to_string(line) + ")\n" + FileErrorText(error, path) + "\n";
  const FileErrorKind kind = Platform.ClassifyFileError(error, path.c_str());
  if (LogMissingFolderHint &&
      (kind == FileErrorKind::NotFound || kind == FileErrorKind::InvalidName))
    report += LogMissingFolderHint() + "\n";
  report += "\n";
  std::fputs(report.c_str(), stderr);
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

void SetLogFileName(const char* name) {
  LogFileName = name;
}

void ResetLog() {
  const std::string path = NativePath(LogFileName.c_str());
  int error = 0;
  const PlatformFile file = Platform.CreateFileForWriting(path.c_str(), &error);
  if (file == NoFile) FailLog("cannot create", error, path, __func__, __LINE__);
  if (!Platform.CloseFile(file, &error)) FailLog("cannot close", error, path, __func__, __LINE__);
}

void WriteLog(const char* text, bool stamped) {
  const std::string path = NativePath(LogFileName.c_str());
  int error = 0;
  PlatformFile file = Platform.OpenFileForAppending(path.c_str(), &error);
  if (file == NoFile) {
    // Gone since ResetLog (deleted, say): start it anew, dropping whatever it held.
    ResetLog();
    file = Platform.OpenFileForAppending(path.c_str(), &error);
    if (file == NoFile) FailLog("cannot open", error, path, __func__, __LINE__);
  }

  std::string line = stamped ? "[" + std::to_string(ElapsedMs) + "]  " : std::string();
  line += text;
  line += "\r\n";  // written with the text in one step
  if (!Platform.WriteToFile(file, line.data(), line.size(), &error))
    FailLog("cannot write", error, path, __func__, __LINE__);
  if (!Platform.CloseFile(file, &error)) FailLog("cannot close", error, path, __func__, __LINE__);
}
