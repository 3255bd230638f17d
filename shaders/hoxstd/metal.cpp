// metal: a conductor. Everything it shows is reflected: the scene through a
// glossy (or, at roughness 0, mirror) reflection ray, and the lights as a
// Blinn highlight of the same roughness. Both are tinted by the Fresnel
// reflectance of the metal, `colour` head-on and whitening toward grazing
// angles.
#include "shading_math.h"
#include "surface_lighting.h"

namespace hoxstd {

namespace {
// Below this the reflection service traces a mirror ray anyway, and a
// highlight would be a single point that no sample finds.
constexpr float kMirrorRoughness = 0.001f;
}

class MetalShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->declareUniform3f(this, "colour", &m_colour);
        d->declareUniform1f(this, "roughness", &m_roughness);
    }
    int getKind() const override { return hox::SHADER_KIND_SURFACE; }

    void shade(hox::IShaderServices* services, hox::ShadingState* state) const override {
        const Vec3f n = facingNormal(*state);
        const Vec3f d = state->rayDirection;
        const Vec3f tint = schlick(-dot(d, n), m_colour);
        const bool mirror = !(m_roughness >= kMirrorRoughness);

        Vec4f reflected{0, 0, 0, 0};
        if (mirror)
            services->traceReflection(reflected, state->position, reflect(d, n));
        else
            services->glossyReflection(reflected, state->position, reflect(d, n), m_roughness);
        Vec3f light = rgb(reflected);
        if (!mirror)
            light += gatherDirectLight(services, *state, n, blinnExponent(m_roughness)).specular;
        state->colour = opaque(tint * light);
    }

private:
    Vec3f m_colour{0.9f, 0.9f, 0.9f};
    float m_roughness = 0.2f;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::MetalShader, metal)
