// The lookup of one image: coordinates to wrapped texel indices, texel
// reads, and the nearest or (bi/tri)linear mix.
//
// Written once for 1, 2 and 3 axes; the axis and corner loops have
// compile-time bounds and unroll, the texel format and wrap behaviour are
// template parameters, so each sampler class gets straight-line code with no
// test on the texture's properties.
#pragma once

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

#include "textures/sampler_axis.h"
#include "textures/sampler_images.h"

namespace hox {
namespace textures {

// Where a lookup lands along one axis: the lower and upper texel after
// wrapping, whether each exists (border), and the upper one's weight.
struct AxisHit {
    int32_t index[2];
    bool inside[2];
    float weight;
};

template <class Wrap, bool kLinear, bool kTruncateOnly>
inline void hitAxis(const SamplerAxis& axis, float coordinate, AxisHit& hit) {
    // Texel centres sit at half-integer positions: 0 … 1 spans the texels.
    const float x = limitTexelPosition(coordinate * axis.sizeF - 0.5f);
    const int32_t i = texelFloor<kTruncateOnly>(x);
    hit.index[0] = i;
    hit.inside[0] = Wrap::wrap(axis, hit.index[0]);
    if (kLinear) {
        // i + 1 cannot overflow: positions stop at 2^31 - 128.
        hit.weight = x - static_cast<float>(i);
        hit.index[1] = i + 1;
        hit.inside[1] = Wrap::wrapUpper(axis, hit.index[0], hit.index[1]);
    }
}

// Reads the texel at the chosen corner (bit k of `corner`: the upper texel
// along axis k), or the border colour when any axis says it lies outside.
template <int kAxes, class Texel>
inline __m128 readCorner(const SamplerLayout& layout, const uint8_t* image, const AxisHit* hits,
                         int corner) {
    bool inside = true;
    std::size_t offset = 0;
    for (int k = 0; k < kAxes; ++k) {
        const int side = (corner >> k) & 1;
        inside &= hits[k].inside[side];
        // Unsigned arithmetic: an index outside the image (border) makes a
        // meaningless offset that is never used, not undefined behaviour.
        const std::size_t index = static_cast<uint32_t>(hits[k].index[side]);
        offset += k == 0 ? index : index * layout.strides[k];
    }
    if (!inside) return _mm_loadu_ps(layout.border);
    return Texel::read(image + offset * Texel::kTexelBytes);
}

// kTruncateOnly: see texelFloor (three-dimensional nearest classes).
template <int kAxes, bool kLinear, bool kTruncateOnly, class Texel, class Wrap>
inline void sampleImage(const SamplerLayout& layout, const uint8_t* image, const float* coords,
                        float* rgba) {
    AxisHit hits[kAxes];
    for (int k = 0; k < kAxes; ++k)
        hitAxis<Wrap, kLinear, kTruncateOnly>(layout.axes[k], coords[k], hits[k]);
    if (!kLinear) {
        _mm_storeu_ps(rgba, readCorner<kAxes, Texel>(layout, image, hits, 0));
        return;
    }
    // Corner c mixes with the product of its axes' weights: for 2D
    // (1-fx)(1-fy), fx(1-fy), (1-fx)fy, fx fy in that order.
    __m128 sum = _mm_setzero_ps();
    for (int corner = 0; corner < (1 << kAxes); ++corner) {
        float weight = 1.0f;
        for (int k = 0; k < kAxes; ++k)
            weight *= (corner >> k) & 1 ? hits[k].weight : 1.0f - hits[k].weight;
        const __m128 texel = readCorner<kAxes, Texel>(layout, image, hits, corner);
        sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(weight), texel));
    }
    _mm_storeu_ps(rgba, sum);
}

}  // namespace textures
}  // namespace hox
