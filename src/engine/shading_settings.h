// ShadingSettings: what the shading of one view may do, taken from the
// view's render options at each begin-view.
//
// The accuracies of the options become sample counts here, once per view,
// so the tracing services read a plain integer instead of mapping floats
// per call.
#pragma once

#include "scene/settings_records.h"

namespace hox {
namespace engine {

struct ShadingSettings {
    int traceDepth;  // deepest depth counter a level may have; 0 traces nothing

    bool transmission;       // shadow rays through transparent surfaces
    bool occlusion;          // ambient occlusion
    bool indirectDiffuse;    // one bounce of indirect light
    bool glossyReflections;
    bool glossyRefractions;

    int shadowSamples;       // also the samples per light with extent
    int occlusionSamples;
    int indirectSamples;
    int glossyReflectionSamples;
    int glossyRefractionSamples;
};

// Samples for an accuracy: 64 at 1 and above, halving per quarter below
// (32, 16, 8, 4), and 1 at 0 or below (or for a value that is no number).
int samplesForAccuracy(float accuracy);

ShadingSettings shadingSettingsFrom(const scene::RenderOptionsData& options);

// The samples a lobe of rays of `kind` takes when nothing gathers already:
// the glossy counts for reflection (2) and refraction (4), the shadow count
// for 8, the occlusion count for 16, the indirect count for 32, else 1.
int samplesForRayKind(const ShadingSettings& settings, int kind);

}  // namespace engine
}  // namespace hox
