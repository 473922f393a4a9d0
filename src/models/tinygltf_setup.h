// tinygltf as this program builds it: no image decoding of its own (the program's one
// decoder serves through a callback) and no exceptions, so every build (the browser's too)
// refuses a file in the same words. Its file access is replaced by FsCallbacks that go
// through the platform table (its own file functions are compiled but never called).
#pragma once

#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NOEXCEPTION
#define TINYGLTF_USE_CPP14
#include <tiny_gltf.h>
