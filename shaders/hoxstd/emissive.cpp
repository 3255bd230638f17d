// emissive: a surface that glows with a constant colour whatever lights the
// scene holds; for lamps, screens and light panels seen by the camera.
#include "shading_math.h"

namespace hoxstd {

class EmissiveShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->declareUniform3f(this, "colour", &m_colour);
        d->declareUniform1f(this, "intensity", &m_intensity);
    }
    int getKind() const override { return hox::SHADER_KIND_SURFACE; }

    void shade(hox::IShaderServices*, hox::ShadingState* state) const override {
        state->colour = opaque(m_colour * m_intensity);
    }

private:
    Vec3f m_colour{1.0f, 1.0f, 1.0f};
    float m_intensity = 1.0f;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::EmissiveShader, emissive)
