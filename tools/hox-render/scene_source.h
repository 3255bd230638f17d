// Where a run's scene comes from: the built-in demo scene, or any file
// assimp reads (with default lights when it brings none, and the sky), and
// where the camera stands when the run does not say.
#pragma once

#include <string>

#include "camera_setup.h"
#include "scene_builder.h"
#include "scene_content.h"

namespace hox_render {

// The field of view of the camera that frames an imported scene.
constexpr float kFramingFovDegrees = 50.0f;

// `sceneFile` empty: the demo scene, its sample models taken from
// `modelDirectory` (empty: the default folder). False with `error` set when
// the file cannot be read.
bool buildScene(SceneBuilder& builder, const std::string& sceneFile, const std::string& modelDirectory,
                SceneContent& scene, std::string& error);

// The scene's own camera, or one that frames its bounds at `aspect`
// (width / height).
CameraPose sceneCamera(const SceneContent& scene, float aspect);

}  // namespace hox_render
