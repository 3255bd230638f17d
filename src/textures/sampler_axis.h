// One axis of a texture image: from a normalised coordinate to texel
// indices, and the five ways of wrapping an index back into the image.
//
// Every sampler class stores the same small record per axis and picks its
// wrap behaviour at compile time, so a lookup runs straight-line code; only
// the general class, which takes any mix of wrap modes, branches on the mode
// of each axis.
#pragma once

#include <cstdint>

namespace hox {
namespace textures {

struct SamplerAxis {
    int32_t size;   // texels along the axis, at least 1
    float sizeF;    // the same, as the coordinate scale
    int32_t last;   // size - 1: the clamp limit, and the repeat mask for powers of two
    int32_t mode;   // the descriptor's wrap mode (read by the general class only)
};

// The floor of a texel position must be computed with an integer
// conversion, which is undefined for values outside the int range and for
// NaN. Positions are therefore limited first: NaN becomes 0 (the lower texel
// centre), and anything beyond the range is held at the largest float below
// 2^31 or at -2^31. Positions that fit are untouched, so the rule only
// decides where an absurd coordinate lands: at the edge texel for clamp,
// outside (border colour) for border, and at some fixed texel for repeat.
constexpr float kLowestTexelPosition = -2147483648.0f;  // -2^31
constexpr float kHighestTexelPosition = 2147483520.0f;  // 2^31 - 128

inline float limitTexelPosition(float x) {
    if (x != x) return 0.0f;
    x = x < kLowestTexelPosition ? kLowestTexelPosition : x;
    return x > kHighestTexelPosition ? kHighestTexelPosition : x;
}

// floor(x) for a limited position, by truncation and a sign fix-up rather
// than a library call. kTruncateOnly leaves out the fix-up: the
// three-dimensional nearest classes have always rounded towards zero, so a
// position between -1 and 0 reads index 0 there (textures authored against
// them expect it).
template <bool kTruncateOnly>
inline int32_t texelFloor(float x) {
    int32_t i = static_cast<int32_t>(x);
    if (!kTruncateOnly) i -= x < static_cast<float>(i) ? 1 : 0;
    return i;
}

// Wrap behaviours. wrap() brings index i into the image and answers whether
// the texel exists; false means the border colour takes its place (i is
// then left as it was and must not be used). wrapUpper() does the same for
// the upper texel of a linear lookup, i + 1, given the lower one already
// wrapped, which lets repeat step past the last texel instead of paying for
// a second division.

// Repeat over power-of-two sizes: the modulo becomes a mask (two's
// complement makes negative indices come out right too).
struct MaskedRepeatWrap {
    static bool wrap(const SamplerAxis& a, int32_t& i) {
        i &= a.last;
        return true;
    }
    static bool wrapUpper(const SamplerAxis& a, int32_t lower, int32_t& upper) {
        upper = (lower + 1) & a.last;
        return true;
    }
};

struct RepeatWrap {
    static bool wrap(const SamplerAxis& a, int32_t& i) {
        i %= a.size;
        i += i < 0 ? a.size : 0;
        return true;
    }
    static bool wrapUpper(const SamplerAxis& a, int32_t lower, int32_t& upper) {
        upper = lower == a.last ? 0 : lower + 1;
        return true;
    }
};

struct ClampWrap {
    static bool wrap(const SamplerAxis& a, int32_t& i) {
        i = i < 0 ? 0 : i;
        i = i > a.last ? a.last : i;
        return true;
    }
    static bool wrapUpper(const SamplerAxis& a, int32_t, int32_t& upper) {
        return wrap(a, upper);
    }
};

struct BorderWrap {
    static bool wrap(const SamplerAxis& a, int32_t& i) {
        return static_cast<uint32_t>(i) < static_cast<uint32_t>(a.size);
    }
    static bool wrapUpper(const SamplerAxis& a, int32_t, int32_t& upper) {
        return wrap(a, upper);
    }
};

// Any mode per axis; modes other than the three known ones read index 0.
struct GeneralWrap {
    static bool wrap(const SamplerAxis& a, int32_t& i) {
        switch (a.mode) {
            case 0: return RepeatWrap::wrap(a, i);
            case 1: return ClampWrap::wrap(a, i);
            case 2: return BorderWrap::wrap(a, i);
            default: i = 0; return true;
        }
    }
    static bool wrapUpper(const SamplerAxis& a, int32_t lower, int32_t& upper) {
        switch (a.mode) {
            case 0: return RepeatWrap::wrapUpper(a, lower, upper);
            case 1: return ClampWrap::wrap(a, upper);
            case 2: return BorderWrap::wrap(a, upper);
            default: upper = 0; return true;
        }
    }
};

}  // namespace textures
}  // namespace hox
