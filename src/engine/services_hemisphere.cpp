// Tracing services 12 and 13: rays over the cosine-weighted hemisphere
// around a normal, for ambient occlusion and one bounce of indirect light.
//
// Directions come from the hemisphere tables, carried into the normal's
// tangent frame; the set is picked per pixel, tile and bounce, so
// neighbouring pixels see different directions and the progressive passes
// average them out.
#include <cmath>

#include "engine/render_worker_local.h"
#include "engine/service_directions.h"
#include "engine/service_samples.h"
#include "engine/shading_vectors.h"
#include "trace/instance.h"

namespace hox {
namespace engine {

namespace {
// Normals shorter than this (squared) give no hemisphere.
constexpr float kMinNormalLength2 = 1e-6f;
}  // namespace

void RenderWorkerLocal::ambientOcclusion(Vec3f& result, const Vec3f& position, const Vec3f& normal) {
    result = {1.0f, 1.0f, 1.0f};
    const float length2 = lengthSquared(normal);
    const float range = active_.instance ? active_.instance->occlusionRange : 0.0f;
    if (!settings_.occlusion || !(length2 >= kMinNormalLength2) || !std::isfinite(length2) ||
        bounce() >= settings_.traceDepth || !(range > 0.0f) || !std::isfinite(range)) {
        return;
    }
    if (!levelFree()) {
        stack_.markRanOut();
        return;
    }
    const Vec3f n = normal * (1.0f / std::sqrt(length2));
    Vec3f t1, t2;
    tangentFrame(n, t1, t2);
    const int count = gather_ ? 1 : settings_.occlusionSamples;
    const bool savedGather = gather_;
    gather_ = true;
    const int set = serviceSet(kServiceKeyOcclusion);
    const ServiceSampleTables& tables = serviceSampleTables();
    const float inverseRange = 1.0f / range;

    // One level for every ray of the service; a transparent hit's onward
    // query takes the levels below it.
    DepthLevel& level = enterLevel(kRayKindOcclusion);
    Vec3f sum = {0.0f, 0.0f, 0.0f};
    for (int s = 0; s < count; ++s) {
        const Vec3f direction =
            frameDirection(tables.hemisphere[set][serviceSampleIndex(sampleOffsetIndex_, count, s)], t1, t2, n);
        beginRay(level, position, direction, kRayKindOcclusion);
        trace::setRayTMax(level.ray, range * kShadowDistanceFactor * worldScale_);
        if (!traceLevel(level)) {
            sum = sum + Vec3f{1.0f, 1.0f, 1.0f};
            continue;
        }
        const float t = level.ray.tMax / worldScale_;
        const float hitShare = t * kOcclusionHitDistanceFactor * inverseRange;
        if (!level.ray.hitInstance->transparentShadows) {
            sum = sum + Vec3f{hitShare, hitShare, hitShare};
            continue;
        }
        const Vec3f passed = hitTransmission(level);
        if (isBlack(passed)) {
            sum = sum + Vec3f{hitShare, hitShare, hitShare};
            continue;
        }
        // What the surface lets through counts as open as far as the rest
        // of the range is; what it holds back counts as a hit at its
        // distance.
        const Vec3f open = passed * transmitAlong(position + direction * t, position + direction * range,
                                                  kRayKindOcclusion);
        sum = sum + open + (Vec3f{1.0f, 1.0f, 1.0f} - open) * hitShare;
    }
    leaveLevel();
    gather_ = savedGather;
    result = sum * (1.0f / static_cast<float>(count));
}

void RenderWorkerLocal::indirectDiffuse(Vec4f& result, const Vec3f& position, const Vec3f& normal) {
    // No indirect light unless it runs: transparent black adds nothing.
    result = {0.0f, 0.0f, 0.0f, 0.0f};
    const float length2 = lengthSquared(normal);
    if (!settings_.indirectDiffuse || !(length2 >= kMinNormalLength2) || !std::isfinite(length2) ||
        bounce() >= settings_.traceDepth) {
        return;
    }
    if (!levelFree()) {
        stack_.markRanOut();
        return;
    }
    const Vec3f n = normal * (1.0f / std::sqrt(length2));
    Vec3f t1, t2;
    tangentFrame(n, t1, t2);
    const int count = gather_ ? 1 : settings_.indirectSamples;
    const bool savedGather = gather_;
    gather_ = true;
    // One bounce only: the shaders hit by these rays find it switched off.
    settings_.indirectDiffuse = false;
    const int set = serviceSet(kServiceKeyIndirect);
    const ServiceSampleTables& tables = serviceSampleTables();
    float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int s = 0; s < count; ++s) {
        const Vec3f direction =
            frameDirection(tables.hemisphere[set][serviceSampleIndex(sampleOffsetIndex_, count, s)], t1, t2, n);
        float colour[4];
        traceAndShade(colour, position, direction, kRayKindIndirectDiffuse);
        for (int c = 0; c < 4; ++c) sum[c] += colour[c];
    }
    settings_.indirectDiffuse = true;
    gather_ = savedGather;
    const float inverse = 1.0f / static_cast<float>(count);
    result = {sum[0] * inverse, sum[1] * inverse, sum[2] * inverse, sum[3] * inverse};
}

}  // namespace engine
}  // namespace hox
