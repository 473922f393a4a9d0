// tinygltf's implementation (Debian's libtinygltf-dev, header-only), compiled once here with
// the options every user of it shares.
#define TINYGLTF_IMPLEMENTATION
#include "models/tinygltf_setup.h"
