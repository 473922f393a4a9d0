// The file slots of the SDL backend: POSIX calls, in the shape of the Win32 ones they
// stand for. A file is its descriptor.
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/backend.h"
#include "platform/platform.h"

#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace {

int Descriptor(PlatformFile file) {
  return static_cast<int>(file);
}

// Only a regular file is opened; a directory or device cannot be read as a file. The
// open does not wait (a named pipe with no writer would hold it for ever); a regular file
// is then read as usual.
PlatformFile PosixOpenFileForReading(const char* path) {
  const int descriptor = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) return NoFile;
  struct stat info;
  if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) ||
      fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0) {
    close(descriptor);
    return NoFile;
  }
  return descriptor;
}

std::uint64_t PosixFileSize(PlatformFile file) {
  struct stat info;
  if (fstat(Descriptor(file), &info) != 0 || info.st_size < 0) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

// As one ReadFile call: fewer bytes only at the end of the file or on an error.
std::size_t PosixReadFromFile(PlatformFile file, void* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = read(Descriptor(file), static_cast<char*>(buffer) + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

PlatformFile OpenWithFlags(const char* path, int flags, int* error) {
  const int descriptor = open(path, flags | O_CLOEXEC, 0666);
  if (descriptor < 0) *error = errno;
  return descriptor < 0 ? NoFile : descriptor;
}

PlatformFile PosixCreateFileForWriting(const char* path, int* error) {
  return OpenWithFlags(path, O_WRONLY | O_CREAT | O_TRUNC, error);
}

// Every write at the end of the file.
PlatformFile PosixOpenFileForAppending(const char* path, int* error) {
  return OpenWithFlags(path, O_RDWR | O_APPEND, error);
}

bool PosixWriteToFile(PlatformFile file, const void* bytes, std::size_t count, int* error) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = write(Descriptor(file), static_cast<const char*>(bytes) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {  // n == 0: no room for a single byte
      *error = n < 0 ? errno : ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool PosixCloseFile(PlatformFile file, int* error) {
  // On Linux the descriptor is released even when close is interrupted.
  if (close(Descriptor(file)) == 0 || errno == EINTR) return true;
  if (error) *error = errno;
  return false;
}

bool DirectoryExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A missing entry on the path is a missing file when its directory exists, and an
// invalid file name when the directory does not.
FileErrorKind PosixClassifyFileError(int error, const char* path) {
  switch (error) {
    case ENOENT: {
      const std::string name(path);
      const std::size_t slash = name.rfind('/');
      const std::string directory = slash == std::string::npos ? "." : name.substr(0, slash + 1);
      return DirectoryExists(directory) ? FileErrorKind::NotFound : FileErrorKind::InvalidName;
    }
    case ENOTDIR:
    case ENAMETOOLONG:
      return FileErrorKind::InvalidName;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return FileErrorKind::AccessDenied;
    case EMFILE:
    case ENFILE:
      return FileErrorKind::TooManyOpenFiles;
    case ENOSPC:
    case EDQUOT:
      return FileErrorKind::DiskFull;
    default:
      return FileErrorKind::Other;
  }
}

PathKind PosixKindOfPath(const char* path) {
  struct stat info;
  if (stat(path, &info) != 0) return PathKind::Missing;
  return S_ISREG(info.st_mode)   ? PathKind::File
         : S_ISDIR(info.st_mode) ? PathKind::Directory
                                 : PathKind::Other;
}

bool PosixSameFile(const char* a, const char* b) {
  struct stat first, second;
  return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

std::string PosixFullPath(const char* path) {
  char* resolved = realpath(path, nullptr);
  if (!resolved) return "";
  const std::string full(resolved);
  std::free(resolved);
  return full;
}

std::string PosixExecutablePath() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  path[n] = '\0';
  return path;
}

std::string PosixExecutableName() {
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

bool PosixMakeDirectory(const char* path, int* error) {
  struct stat info;
  if (mkdir(path, 0777) == 0 ||
      (errno == EEXIST && stat(path, &info) == 0 && S_ISDIR(info.st_mode)))
    return true;
  *error = errno;
  return false;
}

// Transparent huge pages for the whole 2 MiB pages inside the block, where the system offers
// them on request (Linux's "madvise" setting): an image of hundreds of megabytes is then
// faulted in a few hundred steps instead of tens of thousands.
void PosixAdviseLargeBlock(void* start, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  const std::uintptr_t huge = 2u << 20;
  const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(start) + huge - 1) & ~(huge - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(huge - 1);
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
  (void)start, (void)bytes;
#endif
}

}  // namespace

void InstallPlatformFiles() {
  Platform.AdviseLargeBlock = PosixAdviseLargeBlock;
  Platform.MakeDirectory = PosixMakeDirectory;
  Platform.OpenFileForReading = PosixOpenFileForReading;
  Platform.FileSize = PosixFileSize;
  Platform.ReadFromFile = PosixReadFromFile;
  Platform.CreateFileForWriting = PosixCreateFileForWriting;
  Platform.OpenFileForAppending = PosixOpenFileForAppending;
  Platform.WriteToFile = PosixWriteToFile;
  Platform.CloseFile = PosixCloseFile;
  Platform.ClassifyFileError = PosixClassifyFileError;
  Platform.ExecutableName = PosixExecutableName;
  Platform.ExecutablePath = PosixExecutablePath;
  Platform.KindOfPath = PosixKindOfPath;
  Platform.SameFile = PosixSameFile;
  Platform.FullPath = PosixFullPath;
}
