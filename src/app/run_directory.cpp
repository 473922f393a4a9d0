// The run directory, found from the executable's own place, for the report of a program
// started somewhere else.
#include "app/run_directory.h"

#include "platform/platform.h"

namespace {

bool HoldsRunFolders(const std::string& dir) {
  return Platform.KindOfPath((dir + "/Textures").c_str()) == PathKind::Directory &&
         Platform.KindOfPath((dir + "/system").c_str()) == PathKind::Directory;
}

// The folder part of a path, either separator counted; "" for a bare name.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::string FindRunDirectory(const std::string& exeDir) {
  if (exeDir.empty()) return "";
  for (const std::string& dir : {exeDir, exeDir + "/../assets"}) {
    if (!HoldsRunFolders(dir)) continue;
    const std::string full = Platform.FullPath(dir.c_str());
    return full.empty() ? dir : full;
  }
  return "";
}

std::string RunDirectoryHint() {
  const std::string exe = Platform.ExecutablePath();
  const std::string exeDir = FolderOf(exe);
  const std::string found = FindRunDirectory(exeDir);
  const std::string started = Platform.FullPath(".");
  // Said right after the system's "Invalid filename.", which it explains.
  std::string hint =
      "there is no folder system/ here: bumpdemo runs from its run directory, the one that "
      "holds Textures/ and system/: ";
  hint += found.empty() ? "none was found beside " + (exeDir.empty() ? exe : exeDir) : found;
  if (!started.empty()) hint += " (started in " + started + ")";
  return hint;
}
