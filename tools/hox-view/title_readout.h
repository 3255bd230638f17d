// The title bar's readout: frame rate, ray rate, how far the still image
// has refined, and the render choices in force.
#pragma once

#include <string>

#include "hox/device.h"
#include "view_controller.h"

namespace hox_view {

struct ReadoutValues {
    double fps = 0.0;
    float mraysPerSecond = 0.0f;
    float sampleDensity = 0.0f;  // samples per pixel of the image shown
    int samplingRate = -1;       // of each pass
    bool isStatic = false;       // refinement has ended
};

std::string titleReadout(const ReadoutValues& values, const RenderChoices& choices);

// Rays per microsecond (millions per second) from the device's statistics:
// samples per microsecond times rays per sample; 0 until the device has
// counters.
float raysPerMicrosecond(const hox::IRenderDevice* device);

}  // namespace hox_view
