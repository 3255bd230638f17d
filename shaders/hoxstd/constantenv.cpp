// constantenv: one colour for every ray that leaves the scene. `alpha` lets
// a host render over a background of its own (0 marks the misses).
#include "shading_math.h"

namespace hoxstd {

class ConstantEnvironmentShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->setFlags(this, hox::SHADER_FLAG_ENVIRONMENT);
        d->declareUniform3f(this, "colour", &m_colour);
        d->declareUniform1f(this, "intensity", &m_intensity);
        d->declareUniform1f(this, "alpha", &m_alpha);
    }
    int getKind() const override { return hox::SHADER_KIND_OTHER; }

    void shade(hox::IShaderServices*, hox::ShadingState* state) const override {
        const Vec3f c = m_colour * m_intensity;
        state->colour = Vec4f{c.x, c.y, c.z, m_alpha};
    }

private:
    Vec3f m_colour{0.0f, 0.0f, 0.0f};
    float m_intensity = 1.0f;
    float m_alpha = 1.0f;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::ConstantEnvironmentShader, constantenv)
