// The diagnostics log: the file's path, emptying it, and appending stamped lines. The file
// is opened and closed for every line. A failing file operation ends the process at once
// with a two-line report on standard error and exit status 1.
#include "log/log.h"

#include <errno.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/demo.h"
#include "platform/platform.h"

#ifdef _WIN32
// After the project's headers, whose names windows.h would otherwise turn into macros.
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

std::string LogFileName = "system\\log.txt";

namespace {

// File access, kept to these few calls with one form per platform. A file is an integer
// handle, -1 when an open failed; on failure the calls leave the system's error number
// in LastFileError.
int LastFileError = 0;

#ifdef _WIN32

typedef std::intptr_t LogFile;

// create: always create, cutting an existing file to length 0. Otherwise the file must
// exist and is opened for reading and writing, positioned at its end. Both shared for
// reading.
LogFile OpenLogFile(const std::string& path, bool create) {
  HANDLE file = CreateFileA(path.c_str(), create ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ, nullptr, create ? CREATE_ALWAYS : OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    LastFileError = static_cast<int>(GetLastError());
    return -1;
  }
  if (!create && SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR) {
    LastFileError = static_cast<int>(GetLastError());
    CloseHandle(file);
    return -1;
  }
  return reinterpret_cast<LogFile>(file);
}

bool WriteLogFile(LogFile file, const std::string& bytes) {
  DWORD written = 0;
  if (!WriteFile(reinterpret_cast<HANDLE>(file), bytes.data(), static_cast<DWORD>(bytes.size()),
                 &written, nullptr) ||
      written != bytes.size()) {
    LastFileError = written != bytes.size() && GetLastError() == NO_ERROR
                        ? static_cast<int>(ERROR_DISK_FULL)
                        : static_cast<int>(GetLastError());
    return false;
  }
  return true;
}

bool CloseLogFile(LogFile file) {
  if (CloseHandle(reinterpret_cast<HANDLE>(file))) return true;
  LastFileError = static_cast<int>(GetLastError());
  return false;
}

std::string ExecutableName() {
  char path[MAX_PATH + 1] = {};
  if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) return "bumpdemo.exe";
  const char* slash = std::strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

// The report's second line for a Windows error code.
std::string ErrorText(int error, const std::string&) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return "File not found.";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return "Invalid filename.";
    case ERROR_TOO_MANY_OPEN_FILES:
      return "Too many open files.";
    case ERROR_ACCESS_DENIED:
      return "File access denied.";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "Disk full.";
    default:
      return "I/O error " + std::to_string(error) + ".";
  }
}

#else

typedef int LogFile;

#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

// create: always create, cutting an existing file to length 0. Otherwise the file must
// exist and is opened for reading and writing, every write at its end.
LogFile OpenLogFile(const std::string& path, bool create) {
  const int flags =
      create ? O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC : O_RDWR | O_APPEND | O_CLOEXEC;
  const int file = open(path.c_str(), flags, 0666);
  if (file < 0) LastFileError = errno;
  return file;
}

bool WriteLogFile(LogFile file, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(file, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {  // n == 0: no room for a single byte
      LastFileError = n < 0 ? errno : ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool CloseLogFile(LogFile file) {
  // On Linux the descriptor is released even when close is interrupted.
  if (close(file) == 0 || errno == EINTR) return true;
  LastFileError = errno;
  return false;
}

bool DirectoryExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The file name of the running executable, for the failure report.
std::string ExecutableName() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
#ifdef __GLIBC__
  if (n <= 0) return program_invocation_short_name;
#else
  if (n <= 0) return "bumpdemo";
#endif
  path[n] = '\0';
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// The report's second line for an error number. A missing entry on the path is a missing
// file when its directory exists, and an invalid file name when the directory does not.
std::string ErrorText(int error, const std::string& path) {
  switch (error) {
    case ENOENT: {
      const std::size_t slash = path.rfind('/');
      const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
      return DirectoryExists(directory) ? "File not found." : "Invalid filename.";
    }
    case ENOTDIR:
    case ENAMETOOLONG:
      return "Invalid filename.";
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return "File access denied.";
    case EMFILE:
    case ENFILE:
      return "Too many open files.";
    case ENOSPC:
    case EDQUOT:
      return "Disk full.";
    default:
      return "I/O error " + std::to_string(error) + ".";
  }
}

#endif

// Ends the process for a failed file operation: standard output flushed, the report and
// an empty line on standard error, exit status 1. Nothing is torn down: the window and GL
// context end with the process.
[[noreturn]] void FailLog(const char* what, int error, const std::string& path,
                          const char* function, int line) {
  const char* source = std::max(std::strrchr(__FILE__, '/'), std::strrchr(__FILE__, '\\'));
  std::fflush(stdout);
  const std::string report = ExecutableName() + ": " + what + " the log file \"" + path + "\" in " +
                             function + " (" + (source ? source + 1 : __FILE__) + ":" +
                             std::to_string(line) + ")\n" + ErrorText(error, path) + "\n\n";
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
  const LogFile file = OpenLogFile(path, true);
  if (file < 0) FailLog("cannot create", LastFileError, path, __func__, __LINE__);
  if (!CloseLogFile(file)) FailLog("cannot close", LastFileError, path, __func__, __LINE__);
}

void WriteLog(const char* text, bool stamped) {
  const std::string path = NativePath(LogFileName.c_str());
  LogFile file = OpenLogFile(path, false);
  if (file < 0) {
    // Gone since ResetLog (deleted, say): start it anew, dropping whatever it held.
    ResetLog();
    file = OpenLogFile(path, false);
    if (file < 0) FailLog("cannot open", LastFileError, path, __func__, __LINE__);
  }

  std::string line = stamped ? "[" + std::to_string(ElapsedMs) + "]  " : std::string();
  line += text;
  line += "\r\n";  // written with the text in one step
  if (!WriteLogFile(file, line)) FailLog("cannot write", LastFileError, path, __func__, __LINE__);
  if (!CloseLogFile(file)) FailLog("cannot close", LastFileError, path, __func__, __LINE__);
}
