// matte: a Lambertian surface, optionally textured, with optional ambient
// occlusion and one bounce of indirect light.
#include "shading_math.h"
#include "surface_lighting.h"
#include "surface_texture.h"

namespace hoxstd {

class MatteShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->declareUniform3f(this, "colour", &m_colour);
        d->declareUniformTexture2D(this, "colourMap", &m_colourMap);
        d->declareUniform1b(this, "occlusion", &m_occlusion);
        d->declareUniform1b(this, "indirect", &m_indirect);
        declareUvAttribute(d, this);
    }
    int getKind() const override { return hox::SHADER_KIND_SURFACE; }

    void shade(hox::IShaderServices* services, hox::ShadingState* state) const override {
        const Vec3f n = facingNormal(*state);
        const Vec3f albedo = mappedColour(m_colour, m_colourMap, *state);
        const DirectLight direct = gatherDirectLight(services, *state, n, -1.0f);

        // Ambient and indirect light both stand for light from the whole
        // hemisphere, so occlusion darkens both and never the direct part,
        // whose shadows the lights already trace.
        Vec3f surrounding = gatherAmbientLight(services, *state);
        if (m_indirect) {
            Vec4f bounce{0, 0, 0, 0};
            services->indirectDiffuse(bounce, state->position, n);
            surrounding += rgb(bounce);
        }
        if (m_occlusion) {
            Vec3f open{1, 1, 1};
            services->ambientOcclusion(open, state->position, n);
            surrounding = surrounding * open;
        }
        state->colour = opaque(albedo * (direct.diffuse + surrounding));
    }

private:
    Vec3f m_colour{0.8f, 0.8f, 0.8f};
    hox::UniformRef m_colourMap = kUnboundTexture;
    bool m_occlusion = false;
    bool m_indirect = false;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::MatteShader, matte)
