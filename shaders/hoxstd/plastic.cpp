// plastic: a diffuse base under a clear coat. The coat gives a white Blinn
// highlight from the lights and, when `reflection` is above 0, a mirror
// reflection weighted by the Fresnel reflectance of a coat of index 1.5
// (4% head-on, rising to all of it at grazing angles).
#include "shading_math.h"
#include "surface_lighting.h"
#include "surface_texture.h"

namespace hoxstd {

namespace {
constexpr float kCoatReflectance = 0.04f;  // ((1.5 - 1) / (1.5 + 1))^2
}

class PlasticShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->declareUniform3f(this, "colour", &m_colour);
        d->declareUniformTexture2D(this, "colourMap", &m_colourMap);
        d->declareUniform3f(this, "specularColour", &m_specularColour);
        d->declareUniform1f(this, "specular", &m_specular);
        d->declareUniform1f(this, "roughness", &m_roughness);
        d->declareUniform1f(this, "reflection", &m_reflection);
        declareUvAttribute(d, this);
    }
    int getKind() const override { return hox::SHADER_KIND_SURFACE; }

    void shade(hox::IShaderServices* services, hox::ShadingState* state) const override {
        const Vec3f n = facingNormal(*state);
        const Vec3f base = mappedColour(m_colour, m_colourMap, *state);
        const DirectLight direct =
            gatherDirectLight(services, *state, n, blinnExponent(m_roughness));
        const Vec3f ambient = gatherAmbientLight(services, *state);
        Vec3f result = base * (direct.diffuse + ambient) +
                       m_specularColour * direct.specular * m_specular;

        if (m_reflection > 0.0f) {
            const Vec3f d = state->rayDirection;
            const float coat =
                clamp(m_reflection, 0.0f, 1.0f) * schlick(-dot(d, n), kCoatReflectance);
            Vec4f mirrored{0, 0, 0, 0};
            services->traceReflection(mirrored, state->position, reflect(d, n));
            result = result * (1.0f - coat) + rgb(mirrored) * coat;
        }
        state->colour = opaque(result);
    }

private:
    Vec3f m_colour{0.8f, 0.2f, 0.2f};
    hox::UniformRef m_colourMap = kUnboundTexture;
    Vec3f m_specularColour{1.0f, 1.0f, 1.0f};
    float m_specular = 0.5f;
    float m_roughness = 0.2f;
    float m_reflection = 0.0f;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::PlasticShader, plastic)
