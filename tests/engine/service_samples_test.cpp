#include "engine/service_samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace hox {
namespace engine {
namespace {

TEST(ServiceSamples, SquareSetsAreStratifiedNetsInTheUnitSquare) {
    const ServiceSampleTables& t = serviceSampleTables();
    for (int s = 0; s < kServiceSampleSets; ++s) {
        int cells16[16][16] = {}, cells32[32][32] = {}, strips[1024] = {};
        for (int i = 0; i < kServiceSamplesPerSet; ++i) {
            const float x = t.square[s][i][0], y = t.square[s][i][1];
            ASSERT_TRUE(x >= 0.0f && x < 1.0f && y >= 0.0f && y < 1.0f) << s << " " << i;
            ++cells16[int(x * 16)][int(y * 16)];
            ++cells32[int(x * 32)][int(y * 32)];
            ++strips[int(x * 1024)];
        }
        for (int a = 0; a < 32; ++a) {
            for (int b = 0; b < 32; ++b) {
                EXPECT_EQ(cells32[a][b], 1) << s;
                if (a < 16 && b < 16) {
                    EXPECT_EQ(cells16[a][b], 4) << s;
                }
            }
        }
        for (int strip : strips) EXPECT_EQ(strip, 1) << s;
        // An aligned run of 64 samples (offset index 3 × 64 samples) is a
        // stratified pattern of its own: one point per 1/8 × 1/8 cell.
        int run[8][8] = {};
        for (int n = 0; n < 64; ++n) {
            const float* q = t.square[s][serviceSampleIndex(3, 64, n)];
            ++run[int(q[0] * 8)][int(q[1] * 8)];
        }
        for (auto& row : run) {
            for (int count : row) EXPECT_EQ(count, 1) << s;
        }
    }
}

TEST(ServiceSamples, HemisphereSetsAreCosineWeightedUnitDirections) {
    const ServiceSampleTables& t = serviceSampleTables();
    for (int s = 0; s < kServiceSampleSets; ++s) {
        double sum[3] = {};
        int bands[8] = {};
        for (int i = 0; i < kServiceSamplesPerSet; ++i) {
            const float* d = t.hemisphere[s][i];
            ASSERT_GT(d[2], 0.0f) << s << " " << i;
            ASSERT_NEAR(std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]), 1.0f, 1e-6f);
            for (int a = 0; a < 3; ++a) sum[a] += d[a];
            // Cosine weighting makes z^2 uniform on [0, 1].
            ++bands[std::min(7, int(d[2] * d[2] * 8))];
        }
        EXPECT_NEAR(sum[2] / kServiceSamplesPerSet, 2.0 / 3.0, 0.005) << s;
        EXPECT_NEAR(sum[0] / kServiceSamplesPerSet, 0.0, 0.01) << s;
        EXPECT_NEAR(sum[1] / kServiceSamplesPerSet, 0.0, 0.01) << s;
        for (int band : bands) EXPECT_NEAR(band, 128, 8) << s;
    }
}

TEST(ServiceSamples, SetsDifferFromOneAnother) {
    const ServiceSampleTables& t = serviceSampleTables();
    for (int a = 0; a < kServiceSampleSets; ++a) {
        for (int b = a + 1; b < kServiceSampleSets; ++b) {
            EXPECT_NE(std::memcmp(t.square[a], t.square[b], sizeof t.square[a]), 0);
            EXPECT_NE(std::memcmp(t.hemisphere[a], t.hemisphere[b], sizeof t.hemisphere[a]), 0);
            EXPECT_NE(t.square[a][0][0], t.square[b][0][0]);
        }
    }
    EXPECT_EQ(&serviceSampleTables(), &t);  // built once
}

TEST(ServiceSamples, SetAndIndexPickTheDocumentedEntries) {
    const uint8_t* table = sampleTables().lensSet;
    auto mod16 = [](int v) { return ((v % 16) + 16) % 16; };
    const int cases[][6] = {{0, 0, kServiceKeyLight, 0, 0, 0},      {3, 9, kServiceKeyOcclusion, 2, 17, 250},
                            {15, 1, kServiceKeyGlossy, 7, 31, 5},  {14, 12, kServiceKeyIndirect, 30, 1023, 64},
                            {-1, -3, kServiceKeyLight, 1, -5, -17}};
    for (const auto& c : cases) {
        const int a = mod16(c[0] + c[2]), b = mod16(c[3] + c[1]), x = mod16(c[4]), y = mod16(c[5]);
        EXPECT_EQ(serviceSampleSet(c[0], c[1], c[2], c[3], c[4], c[5]), table[((a * 16 + b) * 16 + x) * 16 + y]);
    }
    EXPECT_EQ(serviceSampleIndex(0, 16, 5), 5);
    EXPECT_EQ(serviceSampleIndex(3, 256, 5), 773);
    EXPECT_EQ(serviceSampleIndex(5, 256, 1), 257);  // 1281 mod 1024
    EXPECT_EQ(serviceSampleIndex(255, 64, 63), (255 * 64 + 63) % 1024);
}

}  // namespace
}  // namespace engine
}  // namespace hox
