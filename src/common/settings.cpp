// Built-in settings and their defaults.
#include "common/settings.h"

bool Fullscreen = false;
std::int32_t ScreenWidth = 640;
std::int32_t ScreenHeight = 480;
std::int32_t ColorBits = 32;
bool VSync = false;
std::int32_t UpdateStepMs = 30;
const char* WindowTitle = "OpenGL";
GLContextKind ContextKind = GLContextKind::Compatibility;
