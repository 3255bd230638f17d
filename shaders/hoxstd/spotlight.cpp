// spotlight: a point light limited to a cone around the light's axis, with
// a soft edge.
//
// The renderer already drops every sample outside the cone angle of the
// Light record; the shader only fades the rim, so `coneAngle` should be set
// to the same half-angle as the Light's cone parameter (in radians). The
// fade spans the outer `penumbra` fraction of the cone: full light inside
// coneAngle x (1 - penumbra), none at coneAngle, a smooth step between.
#include "light_emission.h"

namespace hoxstd {

class SpotLightShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->declareUniform3f(this, "colour", &m_colour);
        d->declareUniform1f(this, "intensity", &m_intensity);
        d->declareUniform1i(this, "falloff", &m_falloff);
        d->declareUniform1f(this, "coneAngle", &m_coneAngle);
        d->declareUniform1f(this, "penumbra", &m_penumbra);
    }
    int getKind() const override { return hox::SHADER_KIND_LIGHT; }

    void shade(hox::IShaderServices* services, hox::ShadingState* state) const override {
        const float edge = edgeFactor(*state);
        if (!(edge > 0.0f)) return;  // the light colour stays black
        const float strength =
            m_intensity * edge * falloffFactor(m_falloff, state->lightDistance);
        state->lightColour = shadowed(services, *state, m_colour * strength);
    }

private:
    // 1 inside the cone's core, 0 outside the cone, smooth across the rim. A
    // light without an axis has no cone to fade.
    float edgeFactor(const hox::ShadingState& state) const {
        const Vec3f axis = normalizeOr(state.lightAxis, {0, 0, 0});
        if (dot(axis, axis) == 0.0f) return 1.0f;
        const float angle = std::acos(clamp(-dot(state.toLight, axis), -1.0f, 1.0f));
        const float outer = m_coneAngle;
        const float inner = outer * (1.0f - clamp(m_penumbra, 0.0f, 1.0f));
        if (angle <= inner) return 1.0f;
        if (angle >= outer) return 0.0f;
        return 1.0f - smoothstep(inner, outer, angle);
    }

    Vec3f m_colour{1.0f, 1.0f, 1.0f};
    float m_intensity = 1.0f;
    int m_falloff = FALLOFF_INVERSE_SQUARE;
    float m_coneAngle = 0.5f;
    float m_penumbra = 0.1f;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::SpotLightShader, spotlight)
