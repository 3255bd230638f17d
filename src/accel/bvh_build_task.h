// The builder's working types: a 4-wide SSE box and the per-node task.
//
// Boxes are kept as two __m128 (x, y, z and an ignored fourth lane) so that
// growing them by a PrimBounds is two aligned loads and a min/max each.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "trace/bvh_nodes.h"

namespace hox {
namespace accel {

// The "nothing yet" sentinel boxes start from, so that the first min/max
// takes the value it meets.
constexpr float kEmptyBoxExtreme = 1e38f;

struct BuildBox {
    __m128 min;
    __m128 max;

    static BuildBox empty() { return {_mm_set1_ps(kEmptyBoxExtreme), _mm_set1_ps(-kEmptyBoxExtreme)}; }

    static BuildBox fromFloats(const float lo[3], const float hi[3]) {
        return {_mm_setr_ps(lo[0], lo[1], lo[2], 0.0f), _mm_setr_ps(hi[0], hi[1], hi[2], 0.0f)};
    }

    void grow(__m128 lo, __m128 hi) {
        min = _mm_min_ps(min, lo);
        max = _mm_max_ps(max, hi);
    }
    void growPoint(__m128 p) { grow(p, p); }
    void grow(const BuildBox& other) { grow(other.min, other.max); }

    float lower(int axis) const { return lane(min, axis); }
    float upper(int axis) const { return lane(max, axis); }
    void setLower(int axis, float v) { min = withLane(min, axis, v); }
    void setUpper(int axis, float v) { max = withLane(max, axis, v); }

    // dx·dy + dy·dz + dz·dx: half the surface area, which is all the SAH
    // compares (the factor 2 is applied to the cost as a whole).
    // Summed as (dx·dy + dy·dz) + dz·dx in registers.
    float halfArea() const {
        __m128 d = _mm_sub_ps(max, min);
        __m128 rotated = _mm_shuffle_ps(d, d, _MM_SHUFFLE(3, 0, 2, 1));  // dy dz dx
        __m128 products = _mm_mul_ps(d, rotated);                         // dx·dy dy·dz dz·dx
        __m128 sum = _mm_add_ss(products, _mm_shuffle_ps(products, products, _MM_SHUFFLE(1, 1, 1, 1)));
        sum = _mm_add_ss(sum, _mm_shuffle_ps(products, products, _MM_SHUFFLE(2, 2, 2, 2)));
        return _mm_cvtss_f32(sum);
    }

    void store(float lo[3], float hi[3]) const {
        float a[4], b[4];
        _mm_storeu_ps(a, min);
        _mm_storeu_ps(b, max);
        for (int i = 0; i < 3; ++i) {
            lo[i] = a[i];
            hi[i] = b[i];
        }
    }

    static float lane(__m128 v, int axis) {
        float a[4];
        _mm_storeu_ps(a, v);
        return a[axis];
    }
    static __m128 withLane(__m128 v, int axis, float value) {
        alignas(16) float a[4];
        _mm_store_ps(a, v);
        a[axis] = value;
        return _mm_load_ps(a);
    }
};

inline __m128 loadMin(const trace::PrimBounds& p) { return _mm_load_ps(p.min); }
inline __m128 loadMax(const trace::PrimBounds& p) { return _mm_load_ps(p.max); }
inline __m128 centroidOf(const trace::PrimBounds& p) {
    return _mm_mul_ps(_mm_add_ps(loadMin(p), loadMax(p)), _mm_set1_ps(0.5f));
}

// One node under construction. `splitBox` is the region the node stands for
// (the spatial-median split halves it); `bounds` and `centroidBounds` are
// tight over the node's primitives. The run [first, last] of the index array
// is inclusive, so an empty run has last = first - 1.
struct BvhBuildTask {
    BuildBox splitBox;
    BuildBox bounds;
    BuildBox centroidBounds;
    int32_t nodeIndex;
    int32_t first;
    int32_t last;
    int32_t depth;

    int32_t primCount() const { return last - first + 1; }
};

}  // namespace accel
}  // namespace hox
