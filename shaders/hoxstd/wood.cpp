// wood: growth rings around the object's y axis, wobbled by noise, under a
// faint varnish highlight. The rings follow the object-space position, so a
// plank keeps its grain wherever it is placed.
#include "shading_math.h"
#include "surface_lighting.h"

namespace hoxstd {

namespace {
// How far, in rings, the noise shifts a ring.
constexpr float kRingWobble = 0.5f;
// Frequency of that noise relative to the scaled position.
constexpr float kWobbleFrequency = 2.0f;
// The varnish: a weak, broad white highlight.
constexpr float kVarnishSpecular = 0.1f;
constexpr float kVarnishRoughness = 0.3f;
}

class WoodShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->declareUniform3f(this, "lightColour", &m_lightColour);
        d->declareUniform3f(this, "darkColour", &m_darkColour);
        d->declareUniform1f(this, "scale", &m_scale);
        d->declareUniform1f(this, "rings", &m_rings);
    }
    int getKind() const override { return hox::SHADER_KIND_SURFACE; }

    void shade(hox::IShaderServices* services, hox::ShadingState* state) const override {
        const Vec3f p = state->objectPosition * m_scale;
        const float radius = std::sqrt(p.x * p.x + p.z * p.z);
        const float phase =
            radius * m_rings + kRingWobble * services->noiseFloat(p * kWobbleFrequency);
        // Dark late wood where the phase is whole, light early wood between.
        const float late = 0.5f + 0.5f * std::cos(2.0f * kPi * phase);
        const Vec3f albedo = lerp(m_lightColour, m_darkColour, late);

        const Vec3f n = facingNormal(*state);
        const DirectLight direct =
            gatherDirectLight(services, *state, n, blinnExponent(kVarnishRoughness));
        const Vec3f ambient = gatherAmbientLight(services, *state);
        state->colour = opaque(albedo * (direct.diffuse + ambient) +
                               direct.specular * kVarnishSpecular);
    }

private:
    Vec3f m_lightColour{0.75f, 0.55f, 0.3f};
    Vec3f m_darkColour{0.45f, 0.28f, 0.12f};
    float m_scale = 1.0f;
    float m_rings = 8.0f;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::WoodShader, wood)
