// The SDL2 backend of the platform table.
#pragma once

#include <SDL.h>

#include "platform/platform.h"

// Fills the platform table with the SDL operations.
void InstallSdlPlatform();

// The window message an SDL event stands for: key events become WM_KEYDOWN / WM_KEYUP
// with the virtual-key code (WM_SYSKEYDOWN / WM_SYSKEYUP for F10, Alt and keys pressed
// with Alt), a close request becomes WM_CLOSE. Anything else becomes message 0, which
// default processing ignores.
PlatformMessage TranslateSdlEvent(const SDL_Event& event, PlatformHandle window);
