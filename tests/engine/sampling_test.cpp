// Sample lists, pass counters and the sampling tables of pixels, the lens
// and the tracing services.
#include <gtest/gtest.h>

#include <cmath>
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

// Every table entry lies in its domain: pixel offsets in the pixel (centre
// first and at index 256), lens points in the unit disk, lens sets in range,
// service samples in the unit square and on the upper unit hemisphere.
TEST(SampleTables, EveryEntryLiesInItsDomain) {
    const SampleTables& t = sampleTables();
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 16; ++y)
            for (int index : {0, 256}) {
                EXPECT_EQ(0.5f, t.offsets[offsetTableIndex(x, y, index)][0]);
                EXPECT_EQ(0.5f, t.offsets[offsetTableIndex(x, y, index)][1]);
            }
    for (const auto& o : t.offsets) ASSERT_TRUE(o[0] >= 0.0f && o[0] < 1.0f && o[1] >= 0.0f && o[1] < 1.0f);
    EXPECT_EQ(offsetTableIndex(15, 15, 256), offsetTableIndex(99, 20, 999));  // clamped
    for (int s = 0; s < kLensSets; ++s)
        for (int i = 0; i < kLensPointsPerSet; ++i) {
            const float x = t.lensPoints[s][i][0], y = t.lensPoints[s][i][1];
            ASSERT_LT(x * x + y * y, 1.0f);
        }
    for (uint8_t s : t.lensSet) ASSERT_LT(s, kLensSets);
    EXPECT_EQ(t.lensSet[lensKey(3, 4, 5, 6)], t.lensSet[lensKey(19, 20, 21, 22)]);  // keys wrap at 16

    const ServiceSampleTables& st = serviceSampleTables();
    for (int s = 0; s < kServiceSampleSets; ++s)
        for (int i = 0; i < kServiceSamplesPerSet; ++i) {
            const float x = st.square[s][i][0], y = st.square[s][i][1];
            ASSERT_TRUE(x >= 0.0f && x < 1.0f && y >= 0.0f && y < 1.0f) << s << " " << i;
            const float* d = st.hemisphere[s][i];
            ASSERT_GT(d[2], 0.0f) << s << " " << i;
            ASSERT_NEAR(std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]), 1.0f, 1e-6f);
        }
    EXPECT_EQ(&serviceSampleTables(), &st);  // built once
}

// The one distribution property kept: every power-of-two prefix of a pixel's
// offsets is stratified (for 2^k points, every 2^a x 2^(k-a) grid holds one
// point per cell).
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
}

}  // namespace
}  // namespace engine
}  // namespace hox
