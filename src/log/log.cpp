// The diagnostics log: the file's path, emptying it, and appending stamped lines. The file
// is opened and closed for every line. A failing file operation ends the process at once
// with a two-line report on standard error and exit status 1.
#include "log/log.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/demo.h"
#include "platform/platform.h"

std::string LogFileName = "system\\log.txt";

namespace {

#ifndef O_BINARY
#define O_BINARY 0  // Only Windows translates line ends; the log's are always CR LF.
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

// Always create, cutting an existing file to length 0.
const int CreateFlags = O_WRONLY | O_CREAT | O_TRUNC | O_BINARY | O_CLOEXEC;
// The file must exist; read and write, every write at its end.
const int AppendFlags = O_RDWR | O_APPEND | O_BINARY | O_CLOEXEC;

// File access, kept to these few calls so that another platform's can stand in for them.
// On failure they leave the error number in errno.

int OpenLogFile(const std::string& path, int flags) {
  return open(path.c_str(), flags, 0666);
}

bool WriteLogFile(int file, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(file, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {  // no room for a single byte
      errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool CloseLogFile(int file) {
  // On Linux the descriptor is released even when close is interrupted.
  return close(file) == 0 || errno == EINTR;
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

// Ends the process for a failed file operation: standard output flushed, the report and
// an empty line on standard error, exit status 1. Nothing is torn down: the window and GL
// context end with the process.
[[noreturn]] void FailLog(const char* what, int error, const std::string& path,
                          const char* function, int line) {
  const char* source = std::strrchr(__FILE__, '/');
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
  const int file = OpenLogFile(path, CreateFlags);
  if (file < 0) FailLog("cannot create", errno, path, __func__, __LINE__);
  if (!CloseLogFile(file)) FailLog("cannot close", errno, path, __func__, __LINE__);
}

void WriteLog(const char* text, bool stamped) {
  const std::string path = NativePath(LogFileName.c_str());
  int file = OpenLogFile(path, AppendFlags);
  if (file < 0) {
    // Gone since ResetLog (deleted, say): start it anew, dropping whatever it held.
    ResetLog();
    file = OpenLogFile(path, AppendFlags);
    if (file < 0) FailLog("cannot open", errno, path, __func__, __LINE__);
  }

  std::string line = stamped ? "[" + std::to_string(ElapsedMs) + "]  " : std::string();
  line += text;
  line += "\r\n";  // written with the text in one step
  if (!WriteLogFile(file, line)) FailLog("cannot write", errno, path, __func__, __LINE__);
  if (!CloseLogFile(file)) FailLog("cannot close", errno, path, __func__, __LINE__);
}
