// The program's one window, its device context and GL rendering context, the optional
// full-screen display mode, and the window procedure that keeps the key-state table.
#pragma once

#include <cstdint>

#include "common/state.h"
#include "platform/platform.h"

extern PlatformHandle WindowHandle;
extern PlatformHandle DeviceContextHandle;
extern PlatformHandle RenderContextHandle;

// Loads the GL libraries, then creates the window, device context, pixel format and
// rendering context, made current. On failure it has torn down what it made, shown the
// message, and returns false.
bool CreateRenderWindow();

// Restores the display mode and releases the context, device context, window and class,
// reporting each failed release and going on.
void DestroyRenderWindow();

std::intptr_t WindowProc(PlatformHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam);

// Whether the window system has destroyed the window (the user closed it): nothing drawn
// since can be read back.
bool RenderWindowClosed();

// Returns the module to its state at process start (for tests that create twice).
void ResetWindowState();
