// What a scene source (the built-in demo or an imported file) hands to the
// renderer: the graph, the environment, and where the camera should stand.
#pragma once

#include <string>

#include "camera_setup.h"
#include "hox/entity.h"
#include "hox/shader.h"
#include "vec_math.h"

namespace hox_render {

struct SceneContent {
    hox::THandle<hox::Group> root;
    hox::THandle<hox::Shader> environment;  // null: rays that leave the scene are black
    Bounds bounds;                          // world bounds of the objects
    bool hasCamera = false;                 // the scene's own camera, in `camera`
    CameraPose camera;
    std::string summary;                    // one line for the console
};

}  // namespace hox_render
