#include "surface_lighting.h"

namespace hoxstd {

DirectLight gatherDirectLight(hox::IShaderServices* services, const hox::ShadingState& state,
                              const Vec3f& normal, float specularExponent) {
    DirectLight light{{0, 0, 0}, {0, 0, 0}};
    const hox::LightSample* sample = nullptr;
    const int count = services->illuminance(0, state.position, normal, &sample);
    const Vec3f toViewer = -state.rayDirection;
    // Walk exactly `count` entries: the link after the last one gathered may
    // point at a stale entry of the thread's array.
    for (int i = 0; i < count && sample; ++i, sample = sample->next) {
        const float cosLight = dot(normal, sample->toLight);
        if (cosLight <= 0.0f) continue;
        light.diffuse += sample->colour * cosLight;
        if (specularExponent < 0.0f) continue;
        const Vec3f half = normalizeOr(sample->toLight + toViewer, normal);
        const float cosHalf = dot(normal, half);
        if (cosHalf > 0.0f)
            light.specular += sample->colour * (std::pow(cosHalf, specularExponent) * cosLight);
    }
    return light;
}

Vec3f gatherAmbientLight(hox::IShaderServices* services, const hox::ShadingState& state) {
    Vec3f ambient{0, 0, 0};
    services->ambient(ambient, state.position);
    return ambient;
}

}  // namespace hoxstd
