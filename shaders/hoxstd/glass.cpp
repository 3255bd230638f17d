// glass: a clear dielectric. Splits each ray by the exact Fresnel
// reflectance into a reflected and a refracted part; `colour` tints the
// light that passes through, `roughness` frosts both parts.
//
// Which way the ray crosses the surface comes from the geometric side it
// arrives on (the sign of N.D), and the indices on both sides from the
// medium stack the ray carries (see medium_stack.h): entering, from the
// medium the ray is in to `ior`; leaving, from `ior` to whatever encloses
// the glass. Glass nested in glass or water therefore bends light by the
// ratio of the two indices, and a glass of index 1 in air is invisible.
#include "medium_stack.h"
#include "shading_math.h"

namespace hoxstd {

namespace {
constexpr float kMirrorRoughness = 0.001f;
}

class GlassShader : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->setFlags(this, hox::SHADER_FLAG_TRANSPARENT_SHADOWS);
        d->declareUniform3f(this, "colour", &m_colour);
        d->declareUniform1f(this, "ior", &m_ior);
        d->declareUniform1f(this, "roughness", &m_roughness);
    }
    int getKind() const override { return hox::SHADER_KIND_SURFACE; }

    void shade(hox::IShaderServices* services, hox::ShadingState* state) const override {
        const Vec3f d = state->rayDirection;
        Vec3f n = normalizeOr(state->normal, normalizeOr(state->faceNormal, -d));
        const bool entering = dot(n, d) < 0.0f;
        if (!entering) n = -n;  // from here on n faces the incoming ray
        const float cosI = clamp(-dot(n, d), 0.0f, 1.0f);

        // The index as the medium stack stores it, so that entering and
        // leaving the same glass use exactly the same ratio.
        const float ior = MediumStack::quantised(index());
        const MediumStack medium = MediumStack::fromInherited(state->inheritedA);
        const float n1 = entering ? medium.current() : ior;
        const float n2 = entering ? ior : medium.enclosing();
        const float eta = n1 / n2;
        const float sin2T = eta * eta * (1.0f - cosI * cosI);

        float reflectance = 1.0f;  // total internal reflection unless refracted
        Vec3f refracted{0, 0, 0};
        if (n1 == n2) {
            // No boundary at all: not even the rounding of the general
            // formulas may bend the ray or cast a faint reflection.
            reflectance = 0.0f;
            refracted = d;
        } else if (sin2T < 1.0f) {
            const float cosT = std::sqrt(1.0f - sin2T);
            reflectance = fresnelDielectric(cosI, cosT, n1, n2);
            refracted = normalizeOr(d * eta + n * (eta * cosI - cosT), d);
        }

        Vec3f result{0, 0, 0};
        if (reflectance > 0.0f) {
            Vec4f seen{0, 0, 0, 0};
            trace(services, seen, *state, reflect(d, n), false);
            result += rgb(seen) * reflectance;
        }
        if (reflectance < 1.0f) {
            // The refraction ray's level inherits B: hand it the media it
            // will be in, then put B back for anything else this level casts.
            const float savedB = state->inheritedB;
            state->inheritedB =
                (entering ? medium.entered(ior) : medium.left()).toInherited();
            Vec4f seen{0, 0, 0, 0};
            trace(services, seen, *state, refracted, true);
            state->inheritedB = savedB;
            result += m_colour * rgb(seen) * (1.0f - reflectance);
        }
        state->colour = opaque(result);
    }

    // Shadow rays pass straight through: what reaches the far side is the
    // tint times what the two faces of a pane do not reflect head-on. A
    // single factor per surface keeps the shadows of thick and thin glass
    // alike bright, which reads better than the true, caustic-less darkening.
    void transmit(hox::IShaderServices*, hox::ShadingState* state) const override {
        state->transmission = m_colour * (1.0f - normalReflectance(1.0f, index()));
    }

private:
    // The index in use: below 1 or not a number reads as 1.
    float index() const { return m_ior >= 1.0f ? m_ior : 1.0f; }

    void trace(hox::IShaderServices* services, Vec4f& result, const hox::ShadingState& state,
               const Vec3f& direction, bool refraction) const {
        const bool glossy = m_roughness >= kMirrorRoughness;
        if (refraction) {
            if (glossy)
                services->glossyRefraction(result, state.position, direction, m_roughness);
            else
                services->traceRefraction(result, state.position, direction);
        } else {
            if (glossy)
                services->glossyReflection(result, state.position, direction, m_roughness);
            else
                services->traceReflection(result, state.position, direction);
        }
    }

    Vec3f m_colour{1.0f, 1.0f, 1.0f};
    float m_ior = 1.5f;
    float m_roughness = 0.0f;
};

}  // namespace hoxstd

HOX_DECLARE_SHADER(hoxstd::GlassShader, glass)
