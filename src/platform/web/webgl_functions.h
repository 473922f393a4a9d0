// The WebGL functions linked into the browser build, found by name.
#pragma once

// The function's address, or null for a name the list does not hold.
void* FindWebGLFunction(const char* name);
