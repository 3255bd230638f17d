#include "scene/render_options.h"

#include "hox/render_options.h"
#include "hox/status.h"
#include "util/messages.h"

namespace hox {
namespace scene {

namespace {

bool* boolField(RenderOptionsData& o, int id) {
    switch (id) {
    case OPTION_PROGRESSIVE_SAMPLING: return &o.progressiveSampling;
    case OPTION_TRANSMISSION: return &o.transmission;
    case OPTION_OCCLUSION: return &o.occlusion;
    case OPTION_GLOBAL_ILLUMINATION: return &o.globalIllumination;
    case OPTION_GLOSSY_REFLECTIONS: return &o.glossyReflections;
    case OPTION_GLOSSY_REFRACTIONS: return &o.glossyRefractions;
    default: return nullptr;
    }
}

int32_t* intField(RenderOptionsData& o, int id) {
    switch (id) {
    case OPTION_TRACE_DEPTH: return &o.traceDepth;
    case OPTION_SAMPLING_RATE: return &o.samplingRate;
    case OPTION_MAX_PROGRESSIVE_SAMPLING_RATE: return &o.maxProgressiveSamplingRate;
    default: return nullptr;
    }
}

float* floatField(RenderOptionsData& o, int id) {
    switch (id) {
    case OPTION_TRACE_DEPTH_THRESHOLD: return &o.traceDepthThreshold;
    case OPTION_TRANSMISSION_ACCURACY: return &o.transmissionAccuracy;
    case OPTION_OCCLUSION_ACCURACY: return &o.occlusionAccuracy;
    case OPTION_GLOBAL_ILLUMINATION_ACCURACY: return &o.globalIlluminationAccuracy;
    case OPTION_GLOSSY_REFLECTIONS_ACCURACY: return &o.glossyReflectionsAccuracy;
    case OPTION_GLOSSY_REFRACTIONS_ACCURACY: return &o.glossyRefractionsAccuracy;
    default: return nullptr;
    }
}

// Option names as the warnings spell them, indexed by id.
const char* const kOptionNames[] = {
    "OPTION_TRACE_DEPTH",
    "OPTION_TRACE_DEPTH_THRESHOLD",
    "OPTION_SAMPLING_RATE",
    "OPTION_PROGRESSIVE_SAMPLING",
    "OPTION_MAX_PROGRESSIVE_SAMPLING_RATE",
    "OPTION_TRANSMISSION",
    "OPTION_TRANSMISSION_ACCURACY",
    "OPTION_OCCLUSION",
    "OPTION_OCCLUSION_ACCURACY",
    "OPTION_GLOBAL_ILLUMINATION",
    "OPTION_GLOBAL_ILLUMINATION_ACCURACY",
    "OPTION_GLOSSY_REFLECTIONS",
    "OPTION_GLOSSY_REFLECTIONS_ACCURACY",
    "OPTION_GLOSSY_REFRACTIONS",
    "OPTION_GLOSSY_REFRACTIONS_ACCURACY",
};

constexpr unsigned int kMaxTraceDepth = 1000;
// Sampling rates run from -2 to 4; shifted by 2 they are 0..6, so one
// unsigned comparison rejects both ends.
constexpr unsigned int kSamplingRateBias = 2;
constexpr unsigned int kMaxBiasedSamplingRate = 6;

bool validIntOption(int id, int value) {
    if (id == OPTION_TRACE_DEPTH) return static_cast<unsigned int>(value) <= kMaxTraceDepth;
    return static_cast<unsigned int>(value) + kSamplingRateBias <= kMaxBiasedSamplingRate;
}

}  // namespace

int setRenderOption1b(RenderOptionsData& options, int id, bool value) {
    bool* field = boolField(options, id);
    if (!field) return RESULT_INVALID_ENUM;
    *field = value;
    return RESULT_OK;
}

int setRenderOption1i(RenderOptionsData& options, int id, int value) {
    int32_t* field = intField(options, id);
    if (!field) return RESULT_INVALID_ENUM;
    if (!validIntOption(id, value)) {
        util::warning("%s : invalid value : %d", kOptionNames[id], value);
        return RESULT_INVALID_VALUE;
    }
    *field = value;
    return RESULT_OK;
}

int setRenderOption1f(RenderOptionsData& options, int id, float value) {
    float* field = floatField(options, id);
    if (!field) return RESULT_INVALID_ENUM;
    // Written so that not-a-number fails.
    if (!(value >= 0.0f && value <= 1.0f)) {
        util::warning("%s : invalid value : %g", kOptionNames[id], static_cast<double>(value));
        return RESULT_INVALID_VALUE;
    }
    *field = value;
    return RESULT_OK;
}

int getRenderOption1b(const RenderOptionsData& options, int id, bool& value) {
    const bool* field = boolField(const_cast<RenderOptionsData&>(options), id);
    if (!field) return RESULT_INVALID_ENUM;
    value = *field;
    return RESULT_OK;
}

int getRenderOption1i(const RenderOptionsData& options, int id, int& value) {
    const int32_t* field = intField(const_cast<RenderOptionsData&>(options), id);
    if (!field) return RESULT_INVALID_ENUM;
    value = *field;
    return RESULT_OK;
}

int getRenderOption1f(const RenderOptionsData& options, int id, float& value) {
    const float* field = floatField(const_cast<RenderOptionsData&>(options), id);
    if (!field) return RESULT_INVALID_ENUM;
    value = *field;
    return RESULT_OK;
}

}  // namespace scene
}  // namespace hox
