// Setting up a world ray.
#include "trace/ray.h"

#include <xmmintrin.h>

#include <cmath>

#include "trace/compiled_scene.h"

namespace hox {
namespace trace {
namespace {

// Smallest direction component the world kernels accept; below it the
// reciprocal would overflow the slab distances.
constexpr float kMinWorldDirection = 1e-6f;

void broadcastRow(float row[4], float value) { _mm_store_ps(row, _mm_set1_ps(value)); }

}  // namespace

void broadcastRay(Ray& ray) {
    for (int a = 0; a < 3; ++a) {
        broadcastRow(ray.sseOrigin[a], ray.origin[a]);
        broadcastRow(ray.sseInvDir[a], ray.invDir[a]);
        broadcastRow(ray.sseDirection[a], ray.direction[a]);
    }
    broadcastRow(ray.sseTMax, ray.tMax);
}

void initRay(Ray& ray, const CompiledScene& view, const Vec3f& origin, const Vec3f& direction,
             uint32_t excludeMask) {
    const float o[3] = {origin.x, origin.y, origin.z};
    float d[4] = {direction.x, direction.y, direction.z, 1.0f};
    for (int a = 0; a < 3; ++a) {
        ray.origin[a] = (o[a] + view.worldOffset[a]) * view.worldScale;
        if (std::fabs(d[a]) < kMinWorldDirection) d[a] = kMinWorldDirection;
        ray.direction[a] = d[a];
        ray.dirSign[a] = d[a] < 0.0f ? 1u : 0u;
    }

    // Reciprocal estimate plus one Newton step (2r - r*d*r): about 22 bits,
    // which the slab test needs, for far less than three divisions.
    const __m128 dv = _mm_loadu_ps(d);
    const __m128 r = _mm_rcp_ps(dv);
    const __m128 refined = _mm_sub_ps(_mm_add_ps(r, r), _mm_mul_ps(_mm_mul_ps(r, dv), r));
    float inv[4];
    _mm_storeu_ps(inv, refined);
    for (int a = 0; a < 3; ++a) ray.invDir[a] = inv[a];

    ray.tMax = kRayFar;
    ray.hitTriangle = -1;
    ray.hitInstanceId = -1;
    ray.hitU = 0.0f;
    ray.hitV = 0.0f;
    ray.instance = nullptr;
    ray.viewState = &view;
    ray.hitInstance = nullptr;
    ray.excludeMask = excludeMask;
    ray.originInstance = nullptr;
    ray.originTriangle = -1;
    ray.tMin = 0.0f;
    ray.isOriginInstance = 0;
    broadcastRay(ray);
}

}  // namespace trace
}  // namespace hox
