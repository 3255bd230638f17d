// mirror: a perfect mirror of reflectance `colour`, the same at every angle.
#include "shading_math.h"

namespace hoxstd {

class MirrorShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->declareUniform3f(this, "colour", &m_colour);
    }
    int getKind() const override { return hox::SHADER_KIND_SURFACE; }

    void shade(hox::IShaderServices* services, hox::ShadingState* state) const override {
        const Vec3f n = facingNormal(*state);
        Vec4f reflected{0, 0, 0, 0};
        services->traceReflection(reflected, state->position, reflect(state->rayDirection, n));
        state->colour = opaque(m_colour * rgb(reflected));
    }

private:
    Vec3f m_colour{1.0f, 1.0f, 1.0f};
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::MirrorShader, mirror)
