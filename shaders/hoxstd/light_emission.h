// What the light shaders share: distance falloff and shadows.
//
// A light shader runs once per light sample, with the shaded point in the
// state's position words, the unit direction toward the sampled point of
// the light in toLight and the distance to it in lightDistance.
#pragma once

#include "shading_math.h"

namespace hoxstd {

// Values of the point and spot lights' `falloff` uniform.
enum LightFalloff { FALLOFF_NONE = 0, FALLOFF_LINEAR = 1, FALLOFF_INVERSE_SQUARE = 2 };

// Intensity factor at `distance`. Distances below 0.001 count as 0.001 so
// that a point on the light itself does not divide by zero; an unknown mode
// falls back to the physical inverse square.
inline float falloffFactor(int mode, float distance) {
    const float d = distance > 1e-3f ? distance : 1e-3f;
    if (mode == FALLOFF_NONE) return 1.0f;
    if (mode == FALLOFF_LINEAR) return 1.0f / d;
    return 1.0f / (d * d);
}

// `colour` as it arrives at the shaded point: times what the shadow ray to
// the light sample lets through. The services answer white when shadows are
// off or the light casts none, so the shader need not know. Black light
// needs no shadow ray.
inline Vec3f shadowed(hox::IShaderServices* services, const hox::ShadingState& state,
                      const Vec3f& colour) {
    if (colour.x <= 0.0f && colour.y <= 0.0f && colour.z <= 0.0f) return {0, 0, 0};
    const Vec3f lightPoint = state.position + state.toLight * state.lightDistance;
    Vec3f passed{1, 1, 1};
    services->transmission(passed, state.position, lightPoint);
    return colour * passed;
}

}  // namespace hoxstd
