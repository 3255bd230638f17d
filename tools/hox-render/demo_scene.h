// The built-in scene that `hox-render` draws without arguments: a room
// corner with a checkered floor, spheres of glass, metal, mirror, plastic
// and marble, a wooden torus, a glowing bead, a few of assimp's sample
// models when they are installed, soft-shadowed lights and a sky.
#pragma once

#include <string>

#include "scene_builder.h"
#include "scene_content.h"

namespace hox_render {

// Where the sample models of Debian's assimp-testmodels live.
constexpr const char* kDefaultModelDirectory = "/usr/share/assimp/models";

// Builds the scene; models that are missing from `modelDirectory` are
// left out with a note.
SceneContent buildDemoScene(SceneBuilder& builder, const std::string& modelDirectory);

}  // namespace hox_render
