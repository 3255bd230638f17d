// The building blocks of every sampling table: a fixed 64-bit generator
// for seeds and shifts, the base-2 (0,2)-sequence (van der Corput in x, the
// second Sobol dimension in y) and the concentric map of the square onto
// the disk.
//
// The first 2^k points of the sequence form a (0,k,2)-net for every k: each
// elementary box of area 2^-k holds exactly one point, so any power-of-two
// run of samples starting at a multiple of its length is stratified in x,
// in y and in every shape in between. Digital shifts and Owen scrambling
// keep that property, which is how tables get patterns of their own.
#pragma once

#include <cmath>
#include <cstdint>

namespace hox {
namespace engine {

// The finaliser of splitmix64: a good 64-bit bit mixer.
inline uint64_t mixBits64(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// splitmix64: a small, fixed generator; tables must be the same on every
// run and every machine.
struct SplitMix {
    uint64_t state;
    uint64_t next() { return mixBits64(state += 0x9E3779B97F4A7C15ull); }
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(next() % n); }
};

// The bits of i reversed: the van der Corput sequence in base 2.
inline uint32_t vanDerCorput(uint32_t i) {
    i = (i << 16) | (i >> 16);
    i = ((i & 0x00FF00FFu) << 8) | ((i & 0xFF00FF00u) >> 8);
    i = ((i & 0x0F0F0F0Fu) << 4) | ((i & 0xF0F0F0F0u) >> 4);
    i = ((i & 0x33333333u) << 2) | ((i & 0xCCCCCCCCu) >> 2);
    i = ((i & 0x55555555u) << 1) | ((i & 0xAAAAAAAAu) >> 1);
    return i;
}

// The second Sobol dimension (primitive polynomial x + 1): its generator
// matrix is Pascal's triangle mod 2, built up one column at a time.
inline uint32_t sobol2(uint32_t i) {
    uint32_t result = 0;
    for (uint32_t v = 0x80000000u; i; i >>= 1, v ^= v >> 1) {
        if (i & 1u) result ^= v;
    }
    return result;
}

// Shirley and Chiu's concentric map of [0, 1]^2 onto the unit disk: squares
// around the centre go to circles around the disk's centre, so the
// stratification of the points survives as evenly spread disk positions.
inline void concentricDisk(double u, double v, double& x, double& y) {
    constexpr double kQuarterPi = 0.78539816339744830962;
    const double a = 2.0 * u - 1.0;
    const double b = 2.0 * v - 1.0;
    double r = 0.0, phi = 0.0;
    if (std::fabs(a) > std::fabs(b)) {
        r = a;
        phi = kQuarterPi * (b / a);
    } else if (b != 0.0) {
        r = b;
        phi = 2.0 * kQuarterPi - kQuarterPi * (a / b);
    }
    x = r * std::cos(phi);
    y = r * std::sin(phi);
}

}  // namespace engine
}  // namespace hox
