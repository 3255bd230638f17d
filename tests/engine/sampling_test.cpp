// Sample lists, pass counters and the sampling tables of pixels, the lens
// and the tracing services.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "engine/sample_tables.h"
#include "engine/service_samples.h"
#include "engine/tile_sampler.h"

namespace hox {
namespace engine {
namespace {

std::vector<SampleRecord> sampleList(int level, int counter) {
    std::vector<SampleRecord> list(static_cast<size_t>(samplesPerTile(level)));
    list.resize(static_cast<size_t>(buildSampleList(level, counter, list.data())));
    return list;
}

// Per level -2 … 4: samples per tile, and what a progressive view's pass
// counter adds (1 at levels 0 and below); levels outside are clamped.
TEST(TileSampler, SampleCountsAndPassCounterStepsPerLevel) {
    const int samples[7] = {16, 64, 256, 256 * 5, 256 * 17, 256 * 65, 256 * 256};
    const int step[7] = {1, 1, 1, 5, 17, 65, 256};
    for (int level = -2; level <= 4; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(samples[level + 2], samplesPerTile(level));
        EXPECT_EQ(static_cast<size_t>(samples[level + 2]), sampleList(level, 7).size());
        EXPECT_EQ(3 + step[level + 2], advancePassCounter(3, level, true));
        EXPECT_EQ(0, advancePassCounter(40, level, false));  // not progressive: starts again
    }
    EXPECT_EQ(16, samplesPerTile(-9));
    EXPECT_EQ(256 * 256, samplesPerTile(9));
}

TEST(TileSampler, LevelZeroSamplesPixelCentresOnTheFirstTwoPasses) {
    for (int counter : {0, 1}) {
        const std::vector<SampleRecord> list = sampleList(0, counter);
        for (size_t i = 0; i < list.size(); ++i) {
            const SampleRecord& r = list[i];
            // Row by row, x fastest.
            EXPECT_EQ(static_cast<int>(i % 16), r.pixelX);
            EXPECT_EQ(static_cast<int>(i / 16), r.pixelY);
            EXPECT_EQ(0, r.offsetIndex);
            EXPECT_EQ(r.pixelX + 0.5f, r.positionX);
            EXPECT_EQ(r.pixelY + 0.5f, r.positionY);
        }
    }
    // The third pass moves to offset 1.
    EXPECT_EQ(1, sampleList(0, 2)[0].offsetIndex);
}

TEST(TileSampler, HigherLevelsTakeConsecutiveOffsetsPerPixelCappedAt256) {
    const std::vector<SampleRecord> list = sampleList(2, 35);  // c' = 34
    ASSERT_EQ(17u * 256u, list.size());
    for (int k = 0; k < 17; ++k) {
        EXPECT_EQ(0, list[k].pixelX);
        EXPECT_EQ(34 + k, list[k].offsetIndex);
    }
    EXPECT_EQ(1, list[17].pixelX);
    const std::vector<SampleRecord> late = sampleList(3, 250);  // c' = 249: 249 … 256
    EXPECT_EQ(249, late[0].offsetIndex);
    EXPECT_EQ(256, late[7].offsetIndex);
    EXPECT_EQ(256, late[64].offsetIndex);
    EXPECT_EQ(late[64].pixelX + 0.5f, late[64].positionX);  // index 256 is the centre
}

TEST(TileSampler, NegativeLevelsTakeOnePixelPerBlockInTheirOrder) {
    // Level −2, pass c' = 1: (2, 2) in every 4 × 4 block, blocks x fastest.
    std::vector<SampleRecord> list = sampleList(-2, 2);
    ASSERT_EQ(16u, list.size());
    EXPECT_EQ(2, list[0].pixelX);
    EXPECT_EQ(2, list[0].pixelY);
    EXPECT_EQ(6, list[1].pixelX);
    EXPECT_EQ(6, list[4].pixelY);
    EXPECT_EQ(0, list[0].offsetIndex);
    // Sixteen passes visit every pixel of a block once; then the offset moves.
    std::set<int> visited;
    for (int c = 1; c <= 16; ++c) visited.insert(sampleList(-2, c)[0].pixelY * 4 + sampleList(-2, c)[0].pixelX);
    EXPECT_EQ(16u, visited.size());
    EXPECT_EQ(1, sampleList(-2, 17)[0].offsetIndex);

    // Level −1, pass c' = 3: (1, 1) in every 2 × 2 block, quadrant by quadrant.
    list = sampleList(-1, 4);
    ASSERT_EQ(64u, list.size());
    EXPECT_EQ(1, list[0].pixelX);
    EXPECT_EQ(7, list[3].pixelX);   // last block of the first row of the top-left quadrant
    EXPECT_EQ(3, list[4].pixelY);   // second row of it
    EXPECT_EQ(9, list[16].pixelX);  // top-right quadrant
    EXPECT_EQ(9, list[32].pixelY);  // bottom-left quadrant
    EXPECT_EQ(0, list[0].offsetIndex);
    EXPECT_EQ(1, sampleList(-1, 5)[0].offsetIndex);
}

TEST(SampleTables, OffsetsLieInThePixelWithTheCentreFirst) {
    const SampleTables& t = sampleTables();
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 16; ++y)
            for (int index : {0, 256}) {
                EXPECT_EQ(0.5f, t.offsets[offsetTableIndex(x, y, index)][0]);
                EXPECT_EQ(0.5f, t.offsets[offsetTableIndex(x, y, index)][1]);
            }
    for (const auto& o : t.offsets) ASSERT_TRUE(o[0] >= 0.0f && o[0] < 1.0f && o[1] >= 0.0f && o[1] < 1.0f);
    EXPECT_EQ(offsetTableIndex(15, 15, 256), offsetTableIndex(99, 20, 999));  // clamped
}

// Every power-of-two prefix of a pixel's offsets is stratified: for 2^k
// points, every box of 2^a × 2^(k−a) equal cells holds exactly one.
TEST(SampleTables, OffsetPrefixesAreStratified) {
    const SampleTables& t = sampleTables();
    for (int pixel : {0, 17, 200, 255}) {
        const float(*p)[2] = t.offsets + pixel * 256;
        for (int k = 1; k <= 8; ++k) {
            const int n = 1 << k;
            for (int a = 0; a <= k; ++a) {
                std::vector<int> cells(static_cast<size_t>(n), 0);
                for (int i = 0; i < n; ++i) {
                    const int cx = static_cast<int>(p[i][0] * (1 << a));
                    const int cy = static_cast<int>(p[i][1] * (1 << (k - a)));
                    ++cells[static_cast<size_t>(cy * (1 << a) + cx)];
                }
                for (int c : cells) ASSERT_EQ(1, c) << "pixel " << pixel << ", 2^" << k << ", split " << a;
            }
        }
    }
    // Pixels do not all share one pattern.
    int differing = 0;
    for (int i = 1; i < 16; ++i) differing += t.offsets[i][0] != t.offsets[256 + i][0];
    EXPECT_GT(differing, 0);
}

TEST(SampleTables, LensPointsLieInsideTheUnitDiskAndSpreadOverIt) {
    const SampleTables& t = sampleTables();
    for (int s = 0; s < kLensSets; ++s) {
        int quadrant[4] = {0, 0, 0, 0};
        double meanX = 0.0, meanY = 0.0;
        for (int i = 0; i < kLensPointsPerSet; ++i) {
            const float x = t.lensPoints[s][i][0], y = t.lensPoints[s][i][1];
            ASSERT_LT(x * x + y * y, 1.0f);
            ++quadrant[(x < 0.0f ? 1 : 0) + (y < 0.0f ? 2 : 0)];
            meanX += x;
            meanY += y;
        }
        for (int q : quadrant) EXPECT_NEAR(256, q, 8);
        EXPECT_NEAR(0.0, meanX / kLensPointsPerSet, 0.01);
        EXPECT_NEAR(0.0, meanY / kLensPointsPerSet, 0.01);
    }
}

TEST(SampleTables, LensSetTableIsBalancedAndNeighboursDiffer) {
    const SampleTables& t = sampleTables();
    int count[kLensSets] = {};
    for (uint8_t s : t.lensSet) {
        ASSERT_LT(s, kLensSets);
        ++count[s];
    }
    for (int c : count) EXPECT_EQ(4096, c);
    // Every 4 × 4 block of every tile holds all sixteen sets.
    for (int tile = 0; tile < 256; tile += 37) {
        for (int block = 0; block < 16; ++block) {
            std::set<int> sets;
            for (int k = 0; k < 16; ++k) {
                sets.insert(t.lensSet[lensKey(tile % 16, tile / 16, (block % 4) * 4 + k % 4, (block / 4) * 4 + k / 4)]);
            }
            EXPECT_EQ(16u, sets.size());
        }
    }
    EXPECT_EQ(t.lensSet[lensKey(3, 4, 5, 6)], t.lensSet[lensKey(19, 20, 21, 22)]);  // keys wrap at 16
}

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
        for (int a = 0; a < 32; ++a)
            for (int b = 0; b < 32; ++b) {
                EXPECT_EQ(cells32[a][b], 1) << s;
                EXPECT_TRUE(a >= 16 || b >= 16 || cells16[a][b] == 4) << s;
            }
        for (int strip : strips) EXPECT_EQ(strip, 1) << s;
        // An aligned run of 64 samples (offset index 3 × 64 samples) is a
        // stratified pattern of its own: one point per 1/8 × 1/8 cell.
        int run[8][8] = {};
        for (int n = 0; n < 64; ++n) {
            const float* q = t.square[s][serviceSampleIndex(3, 64, n)];
            ++run[int(q[0] * 8)][int(q[1] * 8)];
        }
        for (auto& row : run)
            for (int count : row) EXPECT_EQ(count, 1) << s;
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

// Sets must not repeat one pattern, and the tables are built once.
TEST(ServiceSamples, SetsDifferFromOneAnother) {
    const ServiceSampleTables& t = serviceSampleTables();
    for (int a = 0; a < kServiceSampleSets; ++a)
        for (int b = a + 1; b < kServiceSampleSets; ++b) {
            EXPECT_NE(std::memcmp(t.square[a], t.square[b], sizeof t.square[a]), 0);
            EXPECT_NE(std::memcmp(t.hemisphere[a], t.hemisphere[b], sizeof t.hemisphere[a]), 0);
            EXPECT_NE(t.square[a][0][0], t.square[b][0][0]);
        }
    EXPECT_EQ(&serviceSampleTables(), &t);
}

}  // namespace
}  // namespace engine
}  // namespace hox
