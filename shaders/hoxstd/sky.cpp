// sky: a daylight gradient and an optional sun disc.
//
// With h the cosine between the ray and `up`: above the horizon the colour
// runs from horizonColour (h = 0) to zenithColour (h = 1) as
// 1 - (1 - h)^3, so the pale band stays near the horizon; below it the
// horizon colour gives way to groundColour within a few degrees, as
// 1 - (1 + h)^8, hiding the seam where geometry ends. A ray within
// `sunSize` radians of `sunDirection` (the angular radius of the disc) sees
// sunColour instead; a zero sunDirection means no sun.
#include "shading_math.h"

namespace hoxstd {

class SkyShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->setFlags(this, hox::SHADER_FLAG_ENVIRONMENT);
        d->declareUniform3f(this, "zenithColour", &m_zenithColour);
        d->declareUniform3f(this, "horizonColour", &m_horizonColour);
        d->declareUniform3f(this, "groundColour", &m_groundColour);
        d->declareUniform3f(this, "up", &m_up);
        d->declareUniform3f(this, "sunDirection", &m_sunDirection);
        d->declareUniform3f(this, "sunColour", &m_sunColour);
        d->declareUniform1f(this, "sunSize", &m_sunSize);
    }
    int getKind() const override { return hox::SHADER_KIND_OTHER; }

    void shade(hox::IShaderServices*, hox::ShadingState* state) const override {
        const Vec3f d = normalizeOr(state->rayDirection, {0, 0, 0});
        const Vec3f sun = normalizeOr(m_sunDirection, {0, 0, 0});
        if (dot(sun, sun) > 0.0f && dot(d, sun) >= std::cos(m_sunSize)) {
            state->colour = opaque(m_sunColour);
            return;
        }
        const float h = clamp(dot(d, normalizeOr(m_up, {0, 1, 0})), -1.0f, 1.0f);
        Vec3f c;
        if (h >= 0.0f) {
            const float m = 1.0f - h;
            c = lerp(m_horizonColour, m_zenithColour, 1.0f - m * m * m);
        } else {
            const float m = 1.0f + h;
            const float m2 = m * m;
            const float m4 = m2 * m2;
            c = lerp(m_horizonColour, m_groundColour, 1.0f - m4 * m4);
        }
        state->colour = opaque(c);
    }

private:
    Vec3f m_zenithColour{0.25f, 0.45f, 0.85f};
    Vec3f m_horizonColour{0.8f, 0.85f, 0.95f};
    Vec3f m_groundColour{0.3f, 0.28f, 0.25f};
    Vec3f m_up{0.0f, 1.0f, 0.0f};
    Vec3f m_sunDirection{0.0f, 0.0f, 0.0f};
    Vec3f m_sunColour{10.0f, 9.0f, 8.0f};
    float m_sunSize = 0.03f;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::SkyShader, sky)
