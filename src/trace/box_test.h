// Slab test of one ray against the four child boxes of a Bvh4Node, shared by
// the top level and the mesh level.
#pragma once

#include <xmmintrin.h>

#include "trace/bvh_nodes.h"
#include "trace/ray.h"

namespace hox {
namespace trace {

// Distance below which a box's exit counts as behind the origin: a box the
// ray only touches at its start is not worth entering.
constexpr float kBoxExitEpsilon = 1e-6f;

// Returns the mask of entered lanes (bit j = child j) and stores each lane's
// entry distance in `entry`. A lane is entered when entry < tMax,
// 1e-6 < exit and entry <= exit, and its bit in childMask is set. The ray's
// dirSign picks each axis's near plane, so one subtract and one multiply per
// plane suffice. The inverse directions are finite (the ray setups clamp
// tiny components), so a finite box gives finite distances.
inline int boxTest(const Bvh4Node& node, const Ray& ray, float entry[4]) {
    const float* const mins[3] = {node.minX, node.minY, node.minZ};
    const float* const maxs[3] = {node.maxX, node.maxY, node.maxZ};

    __m128 slabNear[3], slabFar[3];
    for (int a = 0; a < 3; ++a) {
        const float* nearRow = ray.dirSign[a] ? maxs[a] : mins[a];
        const float* farRow = ray.dirSign[a] ? mins[a] : maxs[a];
        const __m128 o = _mm_load_ps(ray.sseOrigin[a]);
        const __m128 r = _mm_load_ps(ray.sseInvDir[a]);
        slabNear[a] = _mm_mul_ps(_mm_sub_ps(_mm_load_ps(nearRow), o), r);
        slabFar[a] = _mm_mul_ps(_mm_sub_ps(_mm_load_ps(farRow), o), r);
    }
    const __m128 tNear = _mm_max_ps(_mm_max_ps(slabNear[0], slabNear[1]), slabNear[2]);
    const __m128 tFar = _mm_min_ps(_mm_min_ps(slabFar[0], slabFar[1]), slabFar[2]);
    const __m128 entered =
        _mm_and_ps(_mm_and_ps(_mm_cmplt_ps(tNear, _mm_load_ps(ray.sseTMax)),
                              _mm_cmplt_ps(_mm_set1_ps(kBoxExitEpsilon), tFar)),
                   _mm_cmple_ps(tNear, tFar));
    _mm_storeu_ps(entry, tNear);
    return _mm_movemask_ps(entered) & static_cast<int>(node.childMask & 0xFu);
}

}  // namespace trace
}  // namespace hox
