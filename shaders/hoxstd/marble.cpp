// marble: thin veins in a pale stone, lit like matte. Parallel bands along
// the object's x axis, one per unit at scale 1, are bent by turbulence of
// the object-space position, so the pattern sticks to the object when it
// moves.
#include "shading_math.h"
#include "surface_lighting.h"
#include "turbulence.h"

namespace hoxstd {

namespace {
// How far, in bands, the turbulence pushes a vein sideways.
constexpr float kVeinDistortion = 4.0f;
// Power that narrows the bands into veins.
constexpr float kVeinSharpness = 6.0f;
}

class MarbleShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->declareUniform3f(this, "colour", &m_colour);
        d->declareUniform3f(this, "veinColour", &m_veinColour);
        d->declareUniform1f(this, "scale", &m_scale);
        d->declareUniform1i(this, "octaves", &m_octaves);
    }
    int getKind() const override { return hox::SHADER_KIND_SURFACE; }

    void shade(hox::IShaderServices* services, hox::ShadingState* state) const override {
        const Vec3f p = state->objectPosition * m_scale;
        const float phase = p.x + kVeinDistortion * turbulence(services, p, m_octaves);
        const float band = 0.5f + 0.5f * std::sin(2.0f * kPi * phase);
        const Vec3f albedo = lerp(m_colour, m_veinColour, std::pow(band, kVeinSharpness));

        const Vec3f n = facingNormal(*state);
        const DirectLight direct = gatherDirectLight(services, *state, n, -1.0f);
        state->colour = opaque(albedo * (direct.diffuse + gatherAmbientLight(services, *state)));
    }

private:
    Vec3f m_colour{0.9f, 0.9f, 0.85f};
    Vec3f m_veinColour{0.2f, 0.2f, 0.3f};
    float m_scale = 1.0f;
    int m_octaves = 4;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::MarbleShader, marble)
