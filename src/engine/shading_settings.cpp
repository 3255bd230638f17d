#include "engine/shading_settings.h"

#include "hox/shader_services.h"

namespace hox {
namespace engine {

int samplesForAccuracy(float accuracy) {
    if (accuracy >= 1.0f) return 64;
    if (accuracy >= 0.75f) return 32;
    if (accuracy >= 0.5f) return 16;
    if (accuracy >= 0.25f) return 8;
    if (accuracy > 0.0f) return 4;
    return 1;
}

ShadingSettings shadingSettingsFrom(const scene::RenderOptionsData& options) {
    ShadingSettings s;
    s.traceDepth = options.traceDepth > 0 ? options.traceDepth : 0;
    s.transmission = options.transmission;
    s.occlusion = options.occlusion;
    s.indirectDiffuse = options.globalIllumination;
    s.glossyReflections = options.glossyReflections;
    s.glossyRefractions = options.glossyRefractions;
    s.shadowSamples = samplesForAccuracy(options.transmissionAccuracy);
    s.occlusionSamples = samplesForAccuracy(options.occlusionAccuracy);
    s.indirectSamples = samplesForAccuracy(options.globalIlluminationAccuracy);
    s.glossyReflectionSamples = samplesForAccuracy(options.glossyReflectionsAccuracy);
    s.glossyRefractionSamples = samplesForAccuracy(options.glossyRefractionsAccuracy);
    return s;
}

int samplesForRayKind(const ShadingSettings& settings, int kind) {
    switch (kind) {
        case kRayKindReflection: return settings.glossyReflectionSamples;
        case kRayKindRefraction: return settings.glossyRefractionSamples;
        case kRayKindShadow: return settings.shadowSamples;
        case kRayKindOcclusion: return settings.occlusionSamples;
        case kRayKindIndirectDiffuse: return settings.indirectSamples;
        default: return 1;
    }
}

}  // namespace engine
}  // namespace hox
