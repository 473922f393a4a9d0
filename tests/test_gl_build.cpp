// How the program meets the GL at build time: the executable names no GL or GLU library
// among the libraries it needs (it loads them at run time), and no source file includes
// a system header that declares GL or GLU prototypes.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

// The DT_NEEDED entries of a 64-bit little-endian ELF file, read from its section table.
std::vector<std::string> NeededLibraries(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  std::vector<std::string> needed;
  if (bytes.size() < sizeof(Elf64_Ehdr) || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0 ||
      bytes[EI_CLASS] != ELFCLASS64)
    return needed;
  Elf64_Ehdr header;
  std::memcpy(&header, bytes.data(), sizeof header);
  auto section = [&](std::size_t i) {
    Elf64_Shdr s;
    std::memcpy(&s, bytes.data() + header.e_shoff + i * header.e_shentsize, sizeof s);
    return s;
  };
  for (std::size_t i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr dynamic = section(i);
    if (dynamic.sh_type != SHT_DYNAMIC) continue;
    const Elf64_Shdr strings = section(dynamic.sh_link);
    for (std::size_t at = 0; at + sizeof(Elf64_Dyn) <= dynamic.sh_size; at += sizeof(Elf64_Dyn)) {
      Elf64_Dyn entry;
      std::memcpy(&entry, bytes.data() + dynamic.sh_offset + at, sizeof entry);
      if (entry.d_tag == DT_NULL) break;
      if (entry.d_tag == DT_NEEDED)
        needed.push_back(bytes.data() + strings.sh_offset + entry.d_un.d_val);
    }
  }
  return needed;
}

TEST(GLBuild, TheExecutableNeedsNoGLLibrary) {
  const std::vector<std::string> needed = NeededLibraries(BUMPDEMO_EXE);
  // The reader works: the SDL and C libraries are there.
  ASSERT_FALSE(needed.empty()) << BUMPDEMO_EXE;
  bool sdl = false, libc = false;
  for (const std::string& library : needed) {
    sdl |= library.rfind("libSDL2", 0) == 0;
    libc |= library.rfind("libc.so", 0) == 0;
    EXPECT_NE(library.rfind("libGL.", 0), 0u) << library;
    EXPECT_NE(library.rfind("libGLU", 0), 0u) << library;
    EXPECT_NE(library.rfind("libOpenGL", 0), 0u) << library;
    EXPECT_NE(library.rfind("libGLX", 0), 0u) << library;
    EXPECT_NE(library.rfind("libEGL", 0), 0u) << library;
  }
  EXPECT_TRUE(sdl);
  EXPECT_TRUE(libc);
}

const std::regex SystemGLInclude(
    R"(^\s*#\s*include\s*[<"](GL/|GLES\d*/|EGL/|KHR/|OpenGL/|epoxy/|glad/|SDL_opengl|SDL2/SDL_opengl|GL\.h))");

TEST(GLBuild, TheIncludePatternCatchesSystemGLHeaders) {
  EXPECT_TRUE(std::regex_search("#include <GL/gl.h>", SystemGLInclude));
  EXPECT_TRUE(std::regex_search("  # include \"GL/glu.h\"", SystemGLInclude));
  EXPECT_TRUE(std::regex_search("#include <SDL_opengl.h>", SystemGLInclude));
  EXPECT_TRUE(std::regex_search("#include <EGL/egl.h>", SystemGLInclude));
  EXPECT_FALSE(std::regex_search("#include \"gl/gl.h\"", SystemGLInclude));
  EXPECT_FALSE(std::regex_search("#include <SDL.h>", SystemGLInclude));
}

TEST(GLBuild, NoSourceIncludesASystemGLHeader) {
  int files = 0;
  for (const char* folder : {"src", "tests"}) {
    const std::filesystem::path root = std::filesystem::path(BUMPDEMO_SOURCE_DIR) / folder;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      const std::string extension = entry.path().extension().string();
      if (extension != ".cpp" && extension != ".h" && extension != ".inc" && extension != ".c")
        continue;
      ++files;
      std::ifstream file(entry.path());
      std::string line;
      for (int number = 1; std::getline(file, line); ++number)
        EXPECT_FALSE(std::regex_search(line, SystemGLInclude))
            << entry.path().string() << ":" << number << ": " << line;
    }
  }
  EXPECT_GT(files, 20);
}

}  // namespace
