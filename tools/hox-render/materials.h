// Materials of imported files, mapped onto the standard surface shaders.
//
// Importers describe materials in many ways (Phong colours, PBR factors,
// opacity, transmission, emission). MaterialDesc collects what the tool
// uses; chooseSurface picks the one shader that best renders it.
#pragma once

#include "hox/shader.h"
#include "hox/texture.h"
#include "hox/types.h"

namespace hox_render {

class ShaderFactory;

struct MaterialDesc {
    hox::Vec3f diffuse = {0.8f, 0.8f, 0.8f};  // linear RGB (base colour for PBR materials)
    hox::THandle<hox::Texture> diffuseMap;    // null: none
    hox::Vec3f specular = {0, 0, 0};
    float shininess = 0.0f;   // Phong exponent; 0: not given
    float roughness = -1.0f;  // 0 … 1; negative: not given
    float metallic = 0.0f;
    float opacity = 1.0f;
    float transmission = 0.0f;
    float ior = 1.5f;
    hox::Vec3f emissive = {0, 0, 0};  // linear RGB, already multiplied by its intensity
};

enum class SurfaceKind { kMatte, kPlastic, kMetal, kGlass, kEmissive };

// Emission wins (a light source shows its light), then see-through
// surfaces, then untextured metals, then surfaces with a specular
// highlight; anything else is matte.
SurfaceKind chooseSurface(const MaterialDesc& material);

// The roughness the material asks for: its own, else derived from the Phong
// exponent (a sharp highlight is a smooth surface), else a middle value.
float effectiveRoughness(const MaterialDesc& material);

// A new shader instance for the material with its parameters set; the null
// handle when the shader library cannot provide one.
hox::THandle<hox::Shader> createSurfaceShader(ShaderFactory& shaders, const MaterialDesc& material);

}  // namespace hox_render
