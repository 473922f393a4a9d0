// The file slots of the Win32 backend: kernel32 file calls. A file is its handle.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/backend.h"
#include "platform/platform.h"

namespace {

HANDLE Handle(PlatformFile file) {
  return reinterpret_cast<HANDLE>(file);
}

PlatformFile FileOf(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? NoFile : reinterpret_cast<PlatformFile>(handle);
}

// Read only, other readers allowed, writers not. Only a disk file is opened; a directory
// or device cannot be read as a file.
PlatformFile Win32OpenFileForReading(const char* path) {
  HANDLE handle =
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return NoFile;
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return NoFile;
  }
  return FileOf(handle);
}

std::uint64_t Win32FileSize(PlatformFile file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(Handle(file), &size) || size.QuadPart < 0) return 0;
  return static_cast<std::uint64_t>(size.QuadPart);
}

// Fewer bytes only at the end of the file or on an error.
std::size_t Win32ReadFromFile(PlatformFile file, void* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(Handle(file), static_cast<char*>(buffer) + done, chunk, &got, nullptr) ||
        got == 0)
      break;
    done += got;
  }
  return done;
}

// Always created, an existing file cut to length 0; shared for reading.
PlatformFile Win32CreateFileForWriting(const char* path, int* error) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) *error = static_cast<int>(GetLastError());
  return FileOf(file);
}

// The file must exist; it is opened for reading and writing, shared for reading, and
// positioned at its end.
PlatformFile Win32OpenFileForAppending(const char* path, int* error) {
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = static_cast<int>(GetLastError());
    return NoFile;
  }
  if (SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR) {
    *error = static_cast<int>(GetLastError());
    CloseHandle(file);
    return NoFile;
  }
  return FileOf(file);
}

bool Win32WriteToFile(PlatformFile file, const void* bytes, std::size_t count, int* error) {
  DWORD written = 0;
  if (!WriteFile(Handle(file), bytes, static_cast<DWORD>(count), &written, nullptr) ||
      written != count) {
    *error = written != count && GetLastError() == NO_ERROR ? static_cast<int>(ERROR_DISK_FULL)
                                                            : static_cast<int>(GetLastError());
    return false;
  }
  return true;
}

bool Win32CloseFile(PlatformFile file, int* error) {
  if (CloseHandle(Handle(file))) return true;
  if (error) *error = static_cast<int>(GetLastError());
  return false;
}

FileErrorKind Win32ClassifyFileError(int error, const char*) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return FileErrorKind::NotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return FileErrorKind::InvalidName;
    case ERROR_TOO_MANY_OPEN_FILES:
      return FileErrorKind::TooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
      return FileErrorKind::AccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileErrorKind::DiskFull;
    default:
      return FileErrorKind::Other;
  }
}

std::string Win32ExecutableName() {
  char path[MAX_PATH + 1] = {};
  if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) return "bumpdemo.exe";
  const char* slash = std::strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

PathKind Win32KindOfPath(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Directory;
  return (attributes & FILE_ATTRIBUTE_DEVICE) ? PathKind::Other : PathKind::File;
}

// One file is one volume serial number and file index, whatever names lead to it.
bool Win32SameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION info[2] = {};
  const char* paths[2] = {a, b};
  for (int i = 0; i < 2; ++i) {
    HANDLE handle = CreateFileA(paths[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const BOOL known = GetFileInformationByHandle(handle, &info[i]);
    CloseHandle(handle);
    if (!known) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
}

std::string Win32FullPath(const char* path) {
  char full[MAX_PATH + 1] = {};
  const DWORD n = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  return n == 0 || n >= MAX_PATH ? std::string() : std::string(full, n);
}

std::string Win32ExecutablePath() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::string() : std::string(path, n);
}

bool Win32MakeDirectory(const char* path, int* error) {
  if (CreateDirectoryA(path, nullptr)) return true;
  const DWORD code = GetLastError();
  const DWORD attributes = GetFileAttributesA(path);
  if (code == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return true;
  *error = static_cast<int>(code);
  return false;
}

}  // namespace

void InstallPlatformFiles() {
  Platform.MakeDirectory = Win32MakeDirectory;
  Platform.OpenFileForReading = Win32OpenFileForReading;
  Platform.FileSize = Win32FileSize;
  Platform.ReadFromFile = Win32ReadFromFile;
  Platform.CreateFileForWriting = Win32CreateFileForWriting;
  Platform.OpenFileForAppending = Win32OpenFileForAppending;
  Platform.WriteToFile = Win32WriteToFile;
  Platform.CloseFile = Win32CloseFile;
  Platform.ClassifyFileError = Win32ClassifyFileError;
  Platform.ExecutableName = Win32ExecutableName;
  Platform.ExecutablePath = Win32ExecutablePath;
  Platform.KindOfPath = Win32KindOfPath;
  Platform.SameFile = Win32SameFile;
  Platform.FullPath = Win32FullPath;
}
