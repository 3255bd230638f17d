#include "materials.h"

#include <algorithm>
#include <cmath>

#include "shader_factory.h"
#include "vec_math.h"

namespace hox_render {

namespace {

// Emission below this (linear, per channel) is taken as none: exporters
// often write a faint emissive colour that is not meant to glow.
constexpr float kMinEmission = 0.01f;

const char* shaderName(SurfaceKind kind) {
    switch (kind) {
        case SurfaceKind::kPlastic: return "plastic";
        case SurfaceKind::kMetal: return "metal";
        case SurfaceKind::kGlass: return "glass";
        case SurfaceKind::kEmissive: return "emissive";
        case SurfaceKind::kMatte: break;
    }
    return "matte";
}

}  // namespace

SurfaceKind chooseSurface(const MaterialDesc& m) {
    if (maxComponent(m.emissive) > kMinEmission) return SurfaceKind::kEmissive;
    if (m.transmission > 0.0f || m.opacity < 1.0f) return SurfaceKind::kGlass;
    // The metal shader has no colour map: a textured metal keeps its
    // texture as plastic rather than losing it.
    if (m.metallic >= 0.5f && m.diffuseMap.isNull()) return SurfaceKind::kMetal;
    if (maxComponent(m.specular) > 0.0f && (m.shininess > 0.0f || m.roughness >= 0.0f)) return SurfaceKind::kPlastic;
    return SurfaceKind::kMatte;
}

float effectiveRoughness(const MaterialDesc& m) {
    if (m.roughness >= 0.0f) return std::min(m.roughness, 1.0f);
    // The Beckmann-equivalent roughness of a Phong lobe: sqrt(2 / (n + 2)).
    if (m.shininess > 0.0f) return std::sqrt(2.0f / (m.shininess + 2.0f));
    return 0.5f;
}

hox::THandle<hox::Shader> createSurfaceShader(ShaderFactory& shaders, const MaterialDesc& m) {
    const SurfaceKind kind = chooseSurface(m);
    hox::THandle<hox::Shader> shader = shaders.create(shaderName(kind));
    if (shader.isNull()) return shader;
    UniformWriter uniforms(shader);
    const float roughness = effectiveRoughness(m);
    switch (kind) {
        case SurfaceKind::kEmissive: {
            // The colour's brightest channel becomes the intensity, so the
            // shader gets a colour in 0 … 1 and the light's strength apart.
            const float peak = maxComponent(m.emissive);
            uniforms.set("colour", m.emissive * (1.0f / peak)).set("intensity", peak);
            break;
        }
        case SurfaceKind::kGlass:
            uniforms.set("colour", m.diffuse).set("ior", m.ior > 1.0f ? m.ior : 1.5f);
            uniforms.set("roughness", m.roughness >= 0.0f ? roughness : 0.0f);
            break;
        case SurfaceKind::kMetal:
            uniforms.set("colour", m.diffuse).set("roughness", roughness);
            break;
        case SurfaceKind::kPlastic:
            uniforms.set("colour", m.diffuse).setTexture2D("colourMap", m.diffuseMap);
            // Colour and strength apart, as for emission above.
            uniforms.set("specularColour", m.specular * (1.0f / maxComponent(m.specular)))
                .set("specular", std::min(maxComponent(m.specular), 1.0f));
            uniforms.set("roughness", roughness);
            break;
        case SurfaceKind::kMatte:
            uniforms.set("colour", m.diffuse).setTexture2D("colourMap", m.diffuseMap);
            break;
    }
    return shader;
}

}  // namespace hox_render
