// The running program's shared state, as at process start.
#include "common/state.h"

std::int32_t ElapsedMs = 0;
bool Running = false;
std::uint8_t KeyState[256] = {};
int KeyRepeats[256] = {};
MouseInput Mouse;
std::string DroppedFile;
