// ambientlight: a constant light from everywhere, without direction or
// shadow; the surfaces add it through the ambient service. The per-channel
// scale word is left at its 1 so the colour alone says what arrives.
#include "shading_math.h"

namespace hoxstd {

class AmbientLightShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->declareUniform3f(this, "colour", &m_colour);
        d->declareUniform1f(this, "intensity", &m_intensity);
    }
    int getKind() const override { return hox::SHADER_KIND_LIGHT; }

    void shade(hox::IShaderServices*, hox::ShadingState* state) const override {
        state->lightColour = m_colour * m_intensity;
    }

private:
    Vec3f m_colour{1.0f, 1.0f, 1.0f};
    float m_intensity = 0.1f;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::AmbientLightShader, ambientlight)
