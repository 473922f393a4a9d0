// SDL key codes onto Windows virtual-key codes.
#pragma once

#include <SDL.h>

#include <cstdint>

// The virtual-key code for an SDL key, or 0 for a key that has none.
std::uint8_t VirtualKeyFromSdl(SDL_Keycode key);
