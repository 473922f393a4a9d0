// What a parsed glTF file draws, read out of tinygltf's model: the default scene's
// triangle primitives with their nodes' transforms, and the images their materials show.
#pragma once

#include <string>
#include <vector>

#include "models/model_build.h"
#include "models/tinygltf_setup.h"

// Fills drawn with one entry per triangle primitive drawn, model->images with the images
// they name (normal textures with their scale baked in) and model->primitivesLeftOut.
// Every index the file gives is checked before it is followed and every size before
// anything is allocated for it; false, with why, for the first thing wrong. Takes the
// file's images' pixels. The entries that are not staged read the file's buffers: they are
// built before the file is let go.
bool ReadDrawnPrimitives(tinygltf::Model* file, const ModelLimits& limits,
                         std::vector<PrimitiveArrays>* drawn, LoadedModel* model, std::string* why);
