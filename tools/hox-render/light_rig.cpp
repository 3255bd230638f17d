#include "light_rig.h"

#include <algorithm>

namespace hox_render {

hox::Vec3f defaultSunDirection() { return normalize({-0.45f, -1.0f, -0.55f}); }

void addDefaultLights(SceneBuilder& builder, hox::THandle<hox::Group>& root, const Bounds& bounds) {
    const hox::Vec3f centre = bounds.empty() ? hox::Vec3f{0, 0, 0} : bounds.centre();
    const float size = bounds.empty() ? 1.0f : std::max(length(bounds.extent()), 1e-3f);

    LightDesc sun;
    sun.kind = LightDesc::kDistant;
    sun.colour = {1.0f, 0.95f, 0.86f};
    sun.intensity = 1.7f;
    sun.direction = defaultSunDirection();
    sun.angularSizeDegrees = 2.0f;  // a soft-edged shadow, a little wider than the real sun's
    builder.addLight(root, sun);

    // From the camera's side, so that the faces the sun misses still read.
    LightDesc fill;
    fill.kind = LightDesc::kPoint;
    fill.colour = {0.8f, 0.88f, 1.0f};
    fill.position = centre + hox::Vec3f{1.2f, 0.9f, 1.6f} * size;
    fill.direction = centre - fill.position;
    // Inverse-square falloff: the intensity is scaled to give about 0.35 at
    // the scene's centre.
    fill.intensity = 0.35f * dot(fill.position - centre, fill.position - centre);
    fill.radius = 0.05f * size;
    builder.addLight(root, fill);

    LightDesc ambient;
    ambient.kind = LightDesc::kAmbient;
    ambient.colour = {0.65f, 0.75f, 1.0f};
    ambient.intensity = 0.1f;
    ambient.castsShadows = false;
    builder.addLight(root, ambient);
}

hox::THandle<hox::Shader> createSky(ShaderFactory& shaders, const hox::Vec3f& sunDirection) {
    hox::THandle<hox::Shader> sky = shaders.create("sky");
    if (sky.isNull()) return sky;
    UniformWriter(sky)
        .set("zenithColour", hox::Vec3f{0.12f, 0.25f, 0.65f})
        .set("horizonColour", hox::Vec3f{0.65f, 0.75f, 0.9f})
        .set("groundColour", hox::Vec3f{0.22f, 0.2f, 0.18f})
        .set("up", hox::Vec3f{0, 1, 0})
        .set("sunDirection", normalize(sunDirection * -1.0f))
        .set("sunColour", hox::Vec3f{1.0f, 0.95f, 0.86f})
        .set("sunSize", 0.02f);  // radians of the disc's radius, about twice the real sun's
    return sky;
}

}  // namespace hox_render
