// distantlight: parallel light from far away (the sun), with no falloff.
// The services place the light sample far along the light's direction, so
// the shadow ray reaches past the whole scene.
#include "light_emission.h"

namespace hoxstd {

class DistantLightShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->declareUniform3f(this, "colour", &m_colour);
        d->declareUniform1f(this, "intensity", &m_intensity);
    }
    int getKind() const override { return hox::SHADER_KIND_LIGHT; }

    void shade(hox::IShaderServices* services, hox::ShadingState* state) const override {
        state->lightColour = shadowed(services, *state, m_colour * m_intensity);
    }

private:
    Vec3f m_colour{1.0f, 1.0f, 1.0f};
    float m_intensity = 1.0f;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::DistantLightShader, distantlight)
