// The native Win32/WGL backend of the platform table: user32 windows and messages, GDI
// pixel formats and buffer swaps, the WGL context calls imported from OpenGL32.dll, and
// kernel32 libraries and counters.
#pragma once

#include <string>

#include "platform/platform.h"

// Fills the platform table with the Win32 operations.
void InstallWin32Platform();

// The UTF-16 form of a UTF-8 text, for the wide message box.
std::wstring WideFromUtf8(const char* text);

// True when the text is plain 7-bit ASCII, the same bytes in every ANSI code page.
bool IsPlainAscii(const char* text);
