// One render of a scene through the device: camera, framebuffer, options,
// device settings, the frame loop, and the image the framebuffer hands back.
#pragma once

#include <string>

#include "camera_setup.h"
#include "command_line.h"
#include "hox/device.h"
#include "image_data.h"
#include "scene_content.h"

namespace hox_render {

struct RenderResult {
    ImageData image;           // linear RGBA
    int frames = 0;            // frames rendered
    float sampleDensity = 0;   // samples per pixel in the final image, as the device reports it
    int elapsedMs = 0;         // from the first frame to the last image
};

enum class RenderStatus { kOk, kClusterUnreachable, kFailed };

// Renders until the sampling plan of the options is done. On failure
// `error` says what happened.
RenderStatus renderScene(hox::IRenderDevice* device, const Options& options, const SceneContent& scene,
                         const CameraPose& camera, RenderResult& result, std::string& error);

}  // namespace hox_render
