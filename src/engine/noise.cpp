// Gradient, periodic and cell noise on the integer lattice.
//
// Readings fixed here (and kept, because patterns must not change between
// builds):
// - The gradient of a corner is chosen by the low bits of mix() at the end
//   of the coordinate chain. Those bits are the same as the low bits of the
//   full hash anyway: hash = mix * 32769 = mix + (mix << 15) leaves the low
//   15 bits alone, and no gradient uses more than 5.
// - Corner values are blended as in classic Perlin noise: a + f * (b - a)
//   between the two corners of each pair along x first, then y, z, w.
// - A corner's offset from the point is (in-cell offset - 0 or 1) per axis.
#include "engine/noise.h"

#include <xmmintrin.h>

namespace hox {
namespace engine {
namespace noise {
namespace {

constexpr int kMaxDimensions = 4;
constexpr int kMaxComponents = 4;
constexpr int kMaxCorners = 1 << kMaxDimensions;

// Beyond 2^24 a float has no fraction left: every value is a lattice
// point, so saturating there changes which far-away cell is hashed but
// keeps cells inside int range and offsets inside [0, 1].
constexpr float kCoordinateLimit = 16777216.0f;

constexpr float kScale[kMaxDimensions + 1] = {0.0f, 0.188f, 0.507f, 0.936f, 0.87f};

// Added to the point for the second, third and fourth components.
constexpr float kComponentOffset[kMaxComponents - 1][kMaxDimensions] = {
    {19.32f, 7.66f, 3.23f, 2.77f},
    {5.47f, 17.85f, 11.04f, 13.19f},
    {23.54f, 29.11f, 31.91f, 37.48f},
};

constexpr float kCellValueScale = 3.0518044e-5f;

// Periodic noise called without periods: nothing to wrap by, every period
// counts as 1.
constexpr int kUnitPeriods[kMaxDimensions] = {1, 1, 1, 1};

struct Cell {
    int32_t index;  // the lattice cell the coordinate lies in
    float offset;   // coordinate minus index, in [0, 1]
};

// The cell is the nearest integer to c - 0.5 under the processor's rounding
// (round half to even by default), so integers alternate between being the
// left (offset 0) and right (offset 1) corner of their cell; both give the
// same gradient noise. NaN counts as 0.
Cell cellOf(float c) {
    if (c != c) c = 0.0f;
    if (c > kCoordinateLimit) c = kCoordinateLimit;
    if (c < -kCoordinateLimit) c = -kCoordinateLimit;
    const int32_t index = _mm_cvtss_si32(_mm_set_ss(c - 0.5f));
    return {index, c - static_cast<float>(index)};
}

// The chain x, y, z, w: each coordinate is added to the hash of the chain
// so far; the last step stops at mix().
uint32_t chainMix(const int32_t* cells, int dimensions) {
    uint32_t value = static_cast<uint32_t>(cells[0]);
    for (int axis = 1; axis < dimensions; ++axis) {
        value = static_cast<uint32_t>(cells[axis]) + hash(value);
    }
    return mix(value);
}

float signedBy(uint32_t bit, float value) { return bit ? -value : value; }

float cornerGradient(uint32_t h, const float* d, int dimensions) {
    switch (dimensions) {
        case 1: {
            const uint32_t g = h & 15u;
            // Slopes are -1 … -8 or flat: never positive.
            return (g & 8u) ? -static_cast<float>(1u + (g & 7u)) * d[0] : 0.0f;
        }
        case 2: {
            const uint32_t g = h & 7u;
            const float u = g < 4u ? d[0] : d[1];
            const float v = g < 4u ? d[1] : d[0];
            return signedBy(g & 1u, u) + signedBy(g & 2u, 2.0f * v);
        }
        case 3: {
            const uint32_t g = h & 15u;
            const bool twelveOrThirteen = g == 12u || g == 13u;
            const float u = (g < 8u || twelveOrThirteen) ? d[0] : d[1];
            const float v = (g < 4u || twelveOrThirteen) ? d[1] : d[2];
            return signedBy(g & 1u, u) + signedBy(g & 2u, v);
        }
        default: {
            const uint32_t g = h & 31u;
            const float a = g < 24u ? d[0] : d[1];
            const float b = g < 16u ? d[1] : d[2];
            const float c = g < 8u ? d[2] : d[3];
            return signedBy(g & 1u, a) + signedBy(g & 2u, b) + signedBy(g & 4u, c);
        }
    }
}

float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

// `period` may be null (plain gradient noise). Bit `axis` of a corner's
// number says whether it is the cell's far corner on that axis.
float latticeNoise(const float* p, const int* period, int dimensions) {
    if (!p || dimensions < 1 || dimensions > kMaxDimensions) return 0.0f;
    Cell cells[kMaxDimensions];
    int periods[kMaxDimensions];
    for (int axis = 0; axis < dimensions; ++axis) {
        cells[axis] = cellOf(p[axis]);
        periods[axis] = period && period[axis] > 1 ? period[axis] : 1;
    }

    float values[kMaxCorners];
    const int cornerCount = 1 << dimensions;
    for (int corner = 0; corner < cornerCount; ++corner) {
        int32_t lattice[kMaxDimensions] = {};
        float d[kMaxDimensions] = {};
        for (int axis = 0; axis < dimensions; ++axis) {
            const int step = (corner >> axis) & 1;
            lattice[axis] = cells[axis].index + step;
            // Truncated remainder: negative cells keep a negative remainder.
            if (period) lattice[axis] %= periods[axis];
            d[axis] = cells[axis].offset - static_cast<float>(step);
        }
        values[corner] = cornerGradient(chainMix(lattice, dimensions), d, dimensions);
    }

    // Collapse one axis at a time: pairs (2k, 2k + 1) differ only in the
    // lowest remaining axis bit.
    for (int axis = 0; axis < dimensions; ++axis) {
        const float f = fade(cells[axis].offset);
        const int pairs = cornerCount >> (axis + 1);
        for (int k = 0; k < pairs; ++k) {
            const float a = values[2 * k];
            const float b = values[2 * k + 1];
            values[k] = a + f * (b - a);
        }
    }
    return values[0] * kScale[dimensions];
}

// Component k is the one-component noise at p plus offset k - 1. More than
// four components asked for: the rest are zero.
void latticeComponents(const float* p, const int* period, int dimensions, float* out,
                       int components) {
    if (!out) return;
    const bool valid = p && dimensions >= 1 && dimensions <= kMaxDimensions;
    for (int k = 0; k < components; ++k) {
        if (!valid || k >= kMaxComponents) {
            out[k] = 0.0f;
            continue;
        }
        if (k == 0) {
            out[k] = latticeNoise(p, period, dimensions);
            continue;
        }
        float shifted[kMaxDimensions];
        for (int axis = 0; axis < dimensions; ++axis) {
            shifted[axis] = p[axis] + kComponentOffset[k - 1][axis];
        }
        out[k] = latticeNoise(shifted, period, dimensions);
    }
}

}  // namespace

uint32_t mix(uint32_t i) {
    uint32_t h = i * 1025u;
    h ^= h >> 6;
    h *= 9u;
    h ^= h >> 11;
    return h;
}

uint32_t hash(uint32_t i) { return mix(i) * 32769u; }

float gradient(const float* p, int dimensions) { return latticeNoise(p, nullptr, dimensions); }

float periodic(const float* p, const int* period, int dimensions) {
    return latticeNoise(p, period ? period : kUnitPeriods, dimensions);
}

void gradientComponents(const float* p, int dimensions, float* out, int components) {
    latticeComponents(p, nullptr, dimensions, out, components);
}

void periodicComponents(const float* p, const int* period, int dimensions, float* out,
                        int components) {
    latticeComponents(p, period ? period : kUnitPeriods, dimensions, out, components);
}

void cellComponents(const float* p, int dimensions, float* out, int components) {
    if (!out) return;
    const bool valid = p && dimensions >= 1 && dimensions <= kMaxDimensions;
    uint32_t h = 0;
    if (valid) {
        int32_t lattice[kMaxDimensions] = {};
        for (int axis = 0; axis < dimensions; ++axis) lattice[axis] = cellOf(p[axis]).index;
        h = chainMix(lattice, dimensions) * 32769u;
    }
    for (int k = 0; k < components; ++k) {
        if (!valid || k >= kMaxComponents) {
            out[k] = 0.0f;
            continue;
        }
        // Each further component hashes the previous one's hash again: the
        // * 32769 ending one hash and the * 1025 starting the next make the
        // * 33588225 between components.
        if (k > 0) h = hash(h);
        out[k] = static_cast<float>(h & 0xFFFFu) * kCellValueScale - 1.0f;
    }
}

}  // namespace noise
}  // namespace engine
}  // namespace hox
