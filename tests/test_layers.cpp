// The layers of src/ (docs/ARCHITECTURE.md): each folder includes only the folders below
// it, the system headers that reach the OS are included by the platform backends alone,
// and only the platform and GL folders hold code for one system (_WIN32 conditionals).
// The checker is tried on made-up lines first, so that it is known to catch each breach,
// then run over every source file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The folders each folder's files may include besides their own.
const std::map<std::string, std::set<std::string>> AllowedFolders = {
    {"common", {}},
    {"platform", {"common"}},
    {"tangents", {"common"}},
    {"gl", {"platform", "common"}},
    {"gl/recorder", {"gl", "platform", "common"}},
    {"log", {"platform", "common"}},
    {"textures", {"gl", "platform", "common"}},
    {"models", {"tangents", "textures", "gl", "platform", "common"}},
    {"check", {"models", "tangents", "textures", "gl", "platform", "common"}},
    {"scene", {"check", "models", "textures", "log", "gl", "platform", "common"}},
    {"window", {"gl", "platform", "common"}},
    {"platform/posix", {"platform", "common"}},
    {"platform/sdl", {"platform", "common"}},
    {"platform/web", {"gl", "platform", "common"}},
    {"platform/win32", {"gl", "platform", "common"}},
    {"app",
     {"window", "scene", "models", "tangents", "textures", "log", "gl", "platform", "common"}},
};

// Folders whose files may include system headers that reach the OS.
const std::set<std::string> OsFolders = {"platform/posix", "platform/sdl", "platform/win32",
                                         "platform/web"};
// Folders whose files may hold code for one system only.
const std::set<std::string> SystemSpecificFolders = {
    "platform", "platform/posix", "platform/sdl", "platform/win32", "platform/web",
    "gl",       "gl/recorder"};

bool IsOsHeader(const std::string& header) {
  // The C++ library's own file system and file streams reach the OS too.
  static const std::set<std::string> headers = {"windows.h",  "unistd.h", "fcntl.h",   "dlfcn.h",
                                                "errno.h",    "dirent.h", "pthread.h", "SDL.h",
                                                "filesystem", "fstream"};
  return headers.count(header) != 0 || header.rfind("sys/", 0) == 0 ||
         header.rfind("SDL2/", 0) == 0 || header.rfind("emscripten", 0) == 0;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// What breaks the layers in the text of the file at path (relative to src/), one line
// each.
std::vector<std::string> LayerBreaches(const std::string& path, const std::string& text) {
  std::vector<std::string> breaches;
  const std::string folder = FolderOf(path);
  const auto allowed = AllowedFolders.find(folder);
  if (allowed == AllowedFolders.end()) {
    breaches.push_back(path + ": folder " + folder + " has no place in the layers");
    return breaches;
  }
  static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  static const std::regex systemConditional(
      R"(^\s*#\s*(if|ifdef|ifndef|elif)\b.*\b(_WIN(32|64)|__EMSCRIPTEN__)\b)");
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    const std::string where = path + ":" + std::to_string(number) + ": ";
    std::smatch match;
    if (std::regex_search(line, match, include)) {
      const std::string header = match[2];
      if (match[1] == "<") {
        if (IsOsHeader(header) && OsFolders.count(folder) == 0)
          breaches.push_back(where + "system header <" + header + "> outside the backends");
      } else {
        const std::string target = FolderOf(header);
        if (target.empty())
          breaches.push_back(where + "\"" + header + "\" names no folder");
        else if (target != folder && allowed->second.count(target) == 0)
          breaches.push_back(where + folder + " may not include " + target);
      }
    } else if (std::regex_search(line, systemConditional) &&
               SystemSpecificFolders.count(folder) == 0) {
      breaches.push_back(where + "code for one system outside the platform and GL folders");
    }
  }
  return breaches;
}

TEST(Layers, CheckerCatchesEachKindOfBreach) {
  struct Case {
    const char* path;
    const char* text;
    std::size_t breaches;
  };
  const Case cases[] = {
      // Includes that run along the layers, or within a folder.
      {"scene/scene.cpp", "#include \"textures/texture.h\"\n#include \"common/vector.h\"", 0},
      {"gl/gl.h", "#include \"gl/gl_procs.inc\"", 0},
      {"platform/win32/files_win32.cpp", "#include <windows.h>\n#ifdef _WIN32\n#endif", 0},
      {"app/main.cpp", "#include \"platform/backend.h\"\n#include <cstdio>", 0},
      // Upward, sideways, into a backend, and from nowhere.
      {"log/log.cpp", "#include \"app/demo.h\"", 1},
      {"common/vector.h", "  #  include \"scene/scene.h\"", 1},
      {"textures/cubemap.h", "#include \"scene/scene.h\"", 1},
      {"window/window.cpp", "#include \"platform/sdl/platform_sdl.h\"", 1},
      {"app/demo.cpp", "#include \"platform/win32/platform_win32.h\"", 1},
      {"scene/light.cpp", "#include \"demo.h\"", 1},
      {"misc/helper.cpp", "#include <cstdio>", 1},
      // The OS outside the backends.
      {"textures/bmp.cpp", "#include <unistd.h>\n#include <sys/stat.h>", 2},
      {"log/log.cpp", "#include <windows.h>", 1},
      {"window/window.cpp", "#include <SDL.h>", 1},
      {"app/screenshot.cpp", "#include <filesystem>\n#include <fstream>", 2},
      {"platform/platform.h", "#include <windows.h>", 1},
      {"log/log.cpp", "#ifdef _WIN32\n#else\n#endif", 1},
      {"textures/bmp.cpp", "#if defined(_WIN32) && !defined(_WIN64)", 1},
      {"platform/web/platform_web.cpp", "#include <emscripten/html5.h>", 0},
      {"app/main.cpp", "#include <emscripten.h>", 1},
      {"scene/scene.cpp", "#ifdef __EMSCRIPTEN__\n#endif", 1},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> breaches = LayerBreaches(c.path, c.text);
    std::string listed;
    for (const std::string& breach : breaches) listed += breach + "\n";
    EXPECT_EQ(breaches.size(), c.breaches) << c.path << " with\n" << c.text << "\n" << listed;
  }
}

TEST(Layers, EverySourceFileKeepsToThem) {
  const fs::path src = fs::path(BUMPDEMO_SOURCE_DIR) / "src";
  int files = 0;
  std::vector<std::string> breaches;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(src)) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() ||
        (extension != ".h" && extension != ".cpp" && extension != ".inc"))
      continue;
    ++files;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    for (const std::string& breach :
         LayerBreaches(entry.path().lexically_relative(src).generic_string(), text.str()))
      breaches.push_back(breach);
  }
  EXPECT_GE(files, 30) << "source files found under " << src;
  std::sort(breaches.begin(), breaches.end());
  std::string listed;
  for (const std::string& breach : breaches) listed += breach + "\n";
  EXPECT_TRUE(breaches.empty()) << listed;
}

}  // namespace
