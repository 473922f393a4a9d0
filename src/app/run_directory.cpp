// The run directory, found from the executable's own place, for the report of a program
// started somewhere else.
#include "app/run_directory.h"

#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

bool HoldsRunFolders(const fs::path& dir) {
  std::error_code error;
  return fs::is_directory(dir / "Textures", error) && fs::is_directory(dir / "system", error);
}

}  // namespace

std::string FindRunDirectory(const std::string& exeDir) {
  if (exeDir.empty()) return "";
  const fs::path candidates[] = {fs::path(exeDir), fs::path(exeDir) / ".." / "assets"};
  for (const fs::path& dir : candidates) {
    if (!HoldsRunFolders(dir)) continue;
    std::error_code error;
    const fs::path canonical = fs::canonical(dir, error);
    return (error ? dir : canonical).string();
  }
  return "";
}

std::string RunDirectoryHint() {
  const std::string exe = Platform.ExecutablePath ? Platform.ExecutablePath() : std::string();
  const std::string exeDir = exe.empty() ? std::string() : fs::path(exe).parent_path().string();
  const std::string found = FindRunDirectory(exeDir);
  std::error_code error;
  const std::string started = fs::current_path(error).string();
  std::string hint =
      "bumpdemo runs from its run directory, the one that holds Textures/ and system/: ";
  hint += found.empty() ? "none was found beside " + (exeDir.empty() ? exe : exeDir) : found;
  if (!started.empty()) hint += " (started in " + started + ")";
  return hint;
}
