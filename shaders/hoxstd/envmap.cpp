// envmap: the environment from an image, either a cube map (used when
// bound) or a latitude-longitude map.
//
// Lat-long layout around `up`: v = angle from up / pi, so the image's first
// row is straight up and its last straight down; u = 0.5 + longitude / 2pi,
// with longitude 0 toward -Z (the usual view direction, at the image's
// centre), +pi/2 toward +X, and the seam behind, toward +Z. For another
// `up` the frame turns with it: "behind" is +Z made perpendicular to up (+X
// when up is along Z), and longitude +pi/2 lies along up x behind.
#include "shading_math.h"

namespace hoxstd {

class EnvironmentMapShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->setFlags(this, hox::SHADER_FLAG_ENVIRONMENT);
        d->declareUniformTexture2D(this, "map", &m_map);
        d->declareUniformTextureCube(this, "cubeMap", &m_cubeMap);
        d->declareUniform1f(this, "intensity", &m_intensity);
        d->declareUniform3f(this, "up", &m_up);
    }
    int getKind() const override { return hox::SHADER_KIND_OTHER; }

    void shade(hox::IShaderServices*, hox::ShadingState* state) const override {
        const Vec3f d = normalizeOr(state->rayDirection, {0, 0, 0});
        float texel[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        if (const hox::SamplerCube* cube = m_cubeMap.samplerCube()) {
            const float direction[3] = {d.x, d.y, d.z};
            cube->lookup(direction, texel);
        } else if (const hox::Sampler2D* map = m_map.sampler2D()) {
            const Vec2f uv = latLong(d);
            const float st[2] = {uv.x, uv.y};
            map->lookup(st, texel);
        }
        state->colour = opaque(Vec3f{texel[0], texel[1], texel[2]} * m_intensity);
    }

private:
    Vec2f latLong(const Vec3f& d) const {
        const Vec3f up = normalizeOr(m_up, {0, 1, 0});
        const Vec3f z{0, 0, 1};
        const Vec3f x{1, 0, 0};
        Vec3f behind = normalizeOr(z - up * dot(z, up), {0, 0, 0});
        if (dot(behind, behind) == 0.0f) behind = normalizeOr(x - up * dot(x, up), x);
        const Vec3f right = cross(up, behind);
        const float longitude = std::atan2(dot(d, right), -dot(d, behind));
        const float polar = std::acos(clamp(dot(d, up), -1.0f, 1.0f));
        return {0.5f + longitude / (2.0f * kPi), polar / kPi};
    }

    hox::UniformRef m_map = kUnboundTexture;
    hox::UniformRef m_cubeMap = kUnboundTexture;
    float m_intensity = 1.0f;
    Vec3f m_up{0.0f, 1.0f, 0.0f};
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::EnvironmentMapShader, envmap)
