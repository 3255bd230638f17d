// Tracing services 5 to 11: rays of a given kind, mirror rays, and the
// glossy lobes around a reflection or refraction direction.
//
// A lobe averages several rays; each goes through traceAndShade with the
// lobe's kind, so it is limited, counted and shaded like any other ray.
// While a lobe samples, the gather flag makes every service called below
// it take one sample, so that nested lobes do not multiply their counts.
#include "engine/render_worker_local.h"
#include "engine/service_directions.h"
#include "engine/service_samples.h"
#include "engine/shading_vectors.h"

namespace hox {
namespace engine {

int RenderWorkerLocal::serviceSet(int keyOffset) const {
    return serviceSampleSet(tileX_, tileY_, keyOffset, bounce(), samplePixel_[0], samplePixel_[1]);
}

void RenderWorkerLocal::trace(Vec4f& result, const Vec3f& origin, const Vec3f& direction, int rayKind) {
    float colour[4];
    traceAndShade(colour, origin, direction, rayKind);
    result = {colour[0], colour[1], colour[2], colour[3]};
}

void RenderWorkerLocal::traceReflection(Vec4f& result, const Vec3f& origin, const Vec3f& direction) {
    trace(result, origin, direction, kRayKindReflection);
}

void RenderWorkerLocal::traceRefraction(Vec4f& result, const Vec3f& origin, const Vec3f& direction) {
    trace(result, origin, direction, kRayKindRefraction);
}

void RenderWorkerLocal::glossy(Vec4f& result, const Vec3f& origin, const Vec3f& direction, const Vec3f& tangent,
                               const Vec3f& bitangent, float nu, float nv, int kind) {
    const int count = gather_ ? 1 : samplesForRayKind(settings_, kind);
    const bool savedGather = gather_;
    gather_ = true;
    const int set = serviceSet(kServiceKeyGlossy);
    const ServiceSampleTables& tables = serviceSampleTables();
    float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int n = 0; n < count; ++n) {
        const float* xi = tables.square[set][serviceSampleIndex(sampleOffsetIndex_, count, n)];
        const Vec3f ray = glossyLobeDirection(direction, tangent, bitangent, nu, nv, xi[0], xi[1]);
        float colour[4];
        traceAndShade(colour, origin, ray, kind);
        for (int c = 0; c < 4; ++c) sum[c] += colour[c];
    }
    gather_ = savedGather;
    const float inverse = 1.0f / static_cast<float>(count);
    result = {sum[0] * inverse, sum[1] * inverse, sum[2] * inverse, sum[3] * inverse};
}

void RenderWorkerLocal::glossyReflection(Vec4f& result, const Vec3f& origin, const Vec3f& direction,
                                         const Vec3f& tangent, const Vec3f& bitangent, float roughnessU,
                                         float roughnessV) {
    const Vec3f axis = normalizedOrZero(direction);
    const bool mirror = roughnessU < kMinGlossyRoughness && roughnessV < kMinGlossyRoughness;
    if (!settings_.glossyReflections || mirror || lengthSquared(axis) == 0.0f) {
        traceReflection(result, origin, direction);
        return;
    }
    glossy(result, origin, axis, tangent, bitangent, lobeExponent(roughnessU), lobeExponent(roughnessV),
           kRayKindReflection);
}

void RenderWorkerLocal::glossyReflection(Vec4f& result, const Vec3f& origin, const Vec3f& direction,
                                         float roughness) {
    const Vec3f axis = normalizedOrZero(direction);
    if (!settings_.glossyReflections || roughness < kMinGlossyRoughness || lengthSquared(axis) == 0.0f) {
        traceReflection(result, origin, direction);
        return;
    }
    Vec3f t1, t2;
    tangentFrame(axis, t1, t2);
    const float exponent = lobeExponent(roughness);
    glossy(result, origin, axis, t1, t2, exponent, exponent, kRayKindReflection);
}

void RenderWorkerLocal::glossyRefraction(Vec4f& result, const Vec3f& origin, const Vec3f& direction,
                                         const Vec3f& tangent, const Vec3f& bitangent, float roughnessU,
                                         float roughnessV) {
    const Vec3f axis = normalizedOrZero(direction);
    const bool clear = roughnessU < kMinGlossyRoughness && roughnessV < kMinGlossyRoughness;
    if (!settings_.glossyRefractions || clear || lengthSquared(axis) == 0.0f) {
        traceRefraction(result, origin, direction);
        return;
    }
    // The refracted lobe lies on the far side of the surface, where the
    // shader's frame has the other handedness.
    glossy(result, origin, axis, tangent, -bitangent, lobeExponent(roughnessU), lobeExponent(roughnessV),
           kRayKindRefraction);
}

void RenderWorkerLocal::glossyRefraction(Vec4f& result, const Vec3f& origin, const Vec3f& direction,
                                         float roughness) {
    const Vec3f axis = normalizedOrZero(direction);
    if (!settings_.glossyRefractions || roughness < kMinGlossyRoughness || lengthSquared(axis) == 0.0f) {
        traceRefraction(result, origin, direction);
        return;
    }
    Vec3f t1, t2;
    tangentFrame(axis, t1, t2);
    const float exponent = lobeExponent(roughness);
    glossy(result, origin, axis, t1, t2, exponent, exponent, kRayKindRefraction);
}

}  // namespace engine
}  // namespace hox
