#include "engine/noise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace hox {
namespace engine {
namespace {

// An independent re-derivation: floor for the cell, double precision, and
// corners summed with product weights instead of lerped axis by axis.
uint32_t refMix(uint32_t i) {
    uint32_t h = i * 1025u;
    h ^= h >> 6;
    h *= 9u;
    return h ^ (h >> 11);
}
uint32_t refHash(uint32_t i) { return refMix(i) * 32769u; }
double refFade(double t) { return 6 * std::pow(t, 5) - 15 * std::pow(t, 4) + 10 * std::pow(t, 3); }

double refCorner(uint32_t m, const double* d, int dims) {
    auto sign = [&](uint32_t bit, double v) { return (m & bit) ? -v : v; };
    if (dims == 1) return (m & 8) ? -(1.0 + (m & 7)) * d[0] : 0.0;
    if (dims == 2) {
        const bool swap = (m & 7) >= 4;
        return sign(1, swap ? d[1] : d[0]) + sign(2, 2 * (swap ? d[0] : d[1]));
    }
    if (dims == 3) {
        const uint32_t g = m & 15;
        const bool special = g == 12 || g == 13;
        return sign(1, (g < 8 || special) ? d[0] : d[1]) + sign(2, (g < 4 || special) ? d[1] : d[2]);
    }
    const uint32_t g = m & 31;
    return sign(1, g < 24 ? d[0] : d[1]) + sign(2, g < 16 ? d[1] : d[2]) + sign(4, g < 8 ? d[2] : d[3]);
}

double refNoise(const float* p, int dims, const int* period = nullptr) {
    const double scale[] = {0, 0.188, 0.507, 0.936, 0.87};
    double sum = 0;
    for (int corner = 0; corner < (1 << dims); ++corner) {
        double weight = 1, d[4];
        uint32_t chain = 0;
        for (int a = 0; a < dims; ++a) {
            const int bit = (corner >> a) & 1;
            const double t = p[a] - std::floor(p[a]);
            int cell = static_cast<int>(std::floor(p[a])) + bit;
            if (period) cell %= std::max(period[a], 1);
            chain = a == 0 ? static_cast<uint32_t>(cell) : static_cast<uint32_t>(cell) + refHash(chain);
            weight *= bit ? refFade(t) : 1 - refFade(t);
            d[a] = t - bit;
        }
        sum += weight * refCorner(refMix(chain), d, dims);
    }
    return sum * scale[dims];
}

TEST(Noise, HashAndOneDimensionalValueWorkedByHand) {
    // mix(1): 1025; ^ (1025 >> 6 = 16) = 1041; * 9 = 9369; ^ (9369 >> 11 = 4) = 9373.
    EXPECT_EQ(noise::mix(1), 9373u);
    EXPECT_EQ(noise::hash(1), 9373u * 32769u);
    // x = 0.25: corner 0 has g = mix(0) & 15 = 0 (flat); corner 1 has
    // g = 9373 & 15 = 13, slope -(1 + 5) = -6, value -6 * (0.25 - 1) = 4.5;
    // fade(0.25) = 0.103515625, so 4.5 * 0.103515625 * 0.188.
    const float x = 0.25f;
    EXPECT_NEAR(noise::gradient(&x, 1), 4.5 * 0.103515625 * 0.188, 1e-6);
}

TEST(Noise, MatchesDirectEvaluationInEveryDimension) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-40.0f, 40.0f);
    std::uniform_int_distribution<int> periodDist(-2, 9);
    // Periods below 1 count as 1; truncated remainders make periodic noise
    // repeat within one sign of the cell number.
    for (int dims = 1; dims <= 4; ++dims)
        for (int i = 0; i < 300; ++i) {
            const float p[4] = {coord(rng), coord(rng), coord(rng), coord(rng)};
            const int period[4] = {periodDist(rng), periodDist(rng), periodDist(rng), periodDist(rng)};
            ASSERT_NEAR(noise::gradient(p, dims), refNoise(p, dims), 2e-5) << dims;
            ASSERT_NEAR(noise::periodic(p, period, dims), refNoise(p, dims, period), 2e-5) << dims;
        }
}

TEST(Noise, GradientNoiseVanishesOnTheLattice) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> cell(-1000, 1000);
    const int period[4] = {3, 5, 1, 7};
    for (int dims = 1; dims <= 4; ++dims)
        for (int i = 0; i < 200; ++i) {
            float p[4];
            for (float& c : p) c = static_cast<float>(cell(rng));
            EXPECT_EQ(noise::gradient(p, dims), 0.0f);
            EXPECT_EQ(noise::periodic(p, period, dims), 0.0f);
        }
    // Component k is the noise at p + offset k: it is on the lattice exactly
    // where p = -offset k (the float sum is then exactly 0).
    const float offsets[3][4] = {{19.32f, 7.66f, 3.23f, 2.77f},
                                 {5.47f, 17.85f, 11.04f, 13.19f},
                                 {23.54f, 29.11f, 31.91f, 37.48f}};
    for (int dims = 1; dims <= 4; ++dims)
        for (int k = 1; k < 4; ++k) {
            float p[4], out[4];
            for (int a = 0; a < 4; ++a) p[a] = -offsets[k - 1][a];
            noise::gradientComponents(p, dims, out, 4);
            EXPECT_EQ(out[k], 0.0f) << dims << " " << k;
            // p itself is off the lattice (in 1-D both corners may be flat).
            EXPECT_TRUE(dims == 1 || out[0] != 0.0f) << dims;
            noise::periodicComponents(p, period, dims, out, 4);
            EXPECT_EQ(out[k], 0.0f) << dims << " " << k;
        }
}

TEST(Noise, NonFiniteInputSaturatesAndBadArgumentsGiveZero) {
    const int period[4] = {4, 4, 4, 4};
    // NaN counts as 0, infinities and huge values saturate at ±2^24.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float odd[4] = {nan, inf, -inf, 0.3f}, tame[4] = {0.0f, 16777216.0f, -16777216.0f, 0.3f};
    float a[4], b[4];
    noise::cellComponents(odd, 4, a, 4);
    noise::cellComponents(tame, 4, b, 4);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(a[k], b[k]);
    EXPECT_EQ(noise::gradient(odd, 4), noise::gradient(tame, 4));
    EXPECT_TRUE(std::isfinite(noise::periodic(odd, period, 4)));
    // Bad arguments give zeros rather than faults.
    EXPECT_EQ(noise::gradient(odd, 0), 0.0f);
    EXPECT_EQ(noise::gradient(nullptr, 2), 0.0f);
}

TEST(Noise, CellNoiseIsOneHashedValuePerCell) {
    for (int n = -20; n <= 20; ++n) {
        // Inside cell n (n, n + 1) the value never changes; it is the
        // cell's hash, and further components hash that hash again.
        const float centre = n + 0.5f;
        float out[4];
        noise::cellComponents(&centre, 1, out, 4);
        uint32_t h = refHash(static_cast<uint32_t>(n));
        for (int k = 0; k < 4; ++k, h = refHash(h)) {
            EXPECT_FLOAT_EQ(out[k], (h & 0xFFFF) * 3.0518044e-5f - 1.0f);
        }
        for (float t : {0.001f, 0.25f, 0.999f}) {
            const float x = n + t;
            float inside;
            noise::cellComponents(&x, 1, &inside, 1);
            EXPECT_EQ(inside, out[0]) << x;
        }
        const float next = n + 1.5f;
        float across;
        noise::cellComponents(&next, 1, &across, 1);
        EXPECT_NE(across, out[0]) << n;
    }
    // Two dimensions chain y onto the hash of x.
    const float p[2] = {-3.5f, 7.25f};
    float value;
    noise::cellComponents(p, 2, &value, 1);
    const uint32_t h = refHash(7u + refHash(static_cast<uint32_t>(-4)));
    EXPECT_FLOAT_EQ(value, (h & 0xFFFF) * 3.0518044e-5f - 1.0f);
}

}  // namespace
}  // namespace engine
}  // namespace hox
