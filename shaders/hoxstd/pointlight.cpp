// pointlight: light from a point (or, with a radius on the light, a small
// sphere that the services sample), fading with distance, casting shadows.
#include "light_emission.h"

namespace hoxstd {

class PointLightShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->declareUniform3f(this, "colour", &m_colour);
        d->declareUniform1f(this, "intensity", &m_intensity);
        d->declareUniform1i(this, "falloff", &m_falloff);
    }
    int getKind() const override { return hox::SHADER_KIND_LIGHT; }

    void shade(hox::IShaderServices* services, hox::ShadingState* state) const override {
        const float strength = m_intensity * falloffFactor(m_falloff, state->lightDistance);
        state->lightColour = shadowed(services, *state, m_colour * strength);
    }

private:
    Vec3f m_colour{1.0f, 1.0f, 1.0f};
    float m_intensity = 1.0f;
    int m_falloff = FALLOFF_INVERSE_SQUARE;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::PointLightShader, pointlight)
