// A surface colour modulated by an optional 2D texture placed with the
// mesh's "uv" vertex attribute.
#pragma once

#include "shading_math.h"

namespace hoxstd {

// Name and slot of the texture coordinates the textured surfaces read: two
// floats per vertex, the first (and only) attribute they declare, so
// state.attributes[0] and [1] are u and v.
constexpr const char* kUvAttribute = "uv";
constexpr int kUvSlot = 0;

inline void declareUvAttribute(hox::IShaderDeclaration* declaration, hox::ShaderObject* shader) {
    declaration->declareAttribute(shader, hox::SHADER_ATTRIBUTE_2F, kUvAttribute, kUvSlot);
}

// `colour` times the texel of `map` at the hit's uv; `colour` alone when no
// texture is bound. A hit without attribute data samples the texture at
// (0, 0) so that the map's tint still shows.
inline Vec3f mappedColour(const Vec3f& colour, const hox::UniformRef& map,
                          const hox::ShadingState& state) {
    const hox::Sampler2D* sampler = map.sampler2D();
    if (!sampler) return colour;
    const float st[2] = {state.attributes ? state.attributes[0] : 0.0f,
                         state.attributes ? state.attributes[1] : 0.0f};
    float texel[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    sampler->lookup(st, texel);
    return colour * Vec3f{texel[0], texel[1], texel[2]};
}

}  // namespace hoxstd
