#include "title_readout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "hox/status.h"

namespace hox_view {

std::string titleReadout(const ReadoutValues& v, const RenderChoices& c) {
    static const char* const kShading[] = {"shaded", "normals", "primitives"};
    // Each pass adds 4^rate samples per pixel.
    const int passes = static_cast<int>(std::lround(v.sampleDensity / std::pow(4.0f, v.samplingRate)));
    char text[256];
    std::snprintf(text, sizeof text,
                  "hox-view - %.1f fps, %.2f Mrays/s, pass %d (%.2f spp)%s, %d threads, depth %d, %s%s%s%s", v.fps,
                  v.mraysPerSecond, passes, v.sampleDensity, v.isStatic ? " done" : "", c.threads, c.traceDepth,
                  kShading[std::max(0, std::min(2, c.debugShade))], c.shadows ? "" : ", no shadows",
                  c.occlusion ? "" : ", no AO", c.illumination ? "" : ", no GI");
    return text;
}

float raysPerMicrosecond(const hox::IRenderDevice* device) {
    float samples = 0.0f, raysPerSample = 0.0f;
    if (device->query1f(hox::QUERY_RATE, samples) != hox::RESULT_OK || !std::isfinite(samples)) return 0.0f;
    if (device->query1f(hox::QUERY_RATIO_1_0, raysPerSample) != hox::RESULT_OK || !std::isfinite(raysPerSample))
        return 0.0f;
    return samples * raysPerSample;
}

}  // namespace hox_view
