// Light arriving at a surface point, gathered through the tracing services:
// the direct part from the light samples that illuminance returns, the
// ambient part from the ambient lights. The lit surfaces of the library
// differ only in what they make of these sums.
#pragma once

#include "shading_math.h"

namespace hoxstd {

struct DirectLight {
    // Sum over the light samples of colour x max(0, N.L).
    Vec3f diffuse;
    // Sum of colour x (N.H)^exponent x max(0, N.L), the Blinn highlight with
    // H halfway between the light and the viewer. Zero unless asked for.
    Vec3f specular;
};

// Gathers the lights of the hemisphere around `normal` (unit, facing the
// viewer) at the state's hit position. A negative `specularExponent` skips
// the highlight sum.
DirectLight gatherDirectLight(hox::IShaderServices* services, const hox::ShadingState& state,
                              const Vec3f& normal, float specularExponent);

// Sum of the ambient lights at the state's hit position.
Vec3f gatherAmbientLight(hox::IShaderServices* services, const hox::ShadingState& state);

}  // namespace hoxstd
