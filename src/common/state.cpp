// The running program's shared state, as at process start.
#include "common/state.h"

#include <cstdio>

std::int32_t ElapsedMs = 0;
bool Running = false;
std::uint8_t KeyState[256] = {};
int KeyRepeats[256] = {};
MouseInput Mouse;
std::string DroppedFile;
bool NotesToStandardError = false;

void PrintNote(const std::string& text) {
  std::FILE* stream = NotesToStandardError ? stderr : stdout;
  std::fprintf(stream, "%s\n", text.c_str());
  std::fflush(stream);
}
