// Sample lists, pass counters and the sampling tables.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "engine/sample_tables.h"
#include "engine/tile_sampler.h"

namespace hox {
namespace engine {
namespace {

std::vector<SampleRecord> sampleList(int level, int counter) {
    std::vector<SampleRecord> list(static_cast<size_t>(samplesPerTile(level)));
    list.resize(static_cast<size_t>(buildSampleList(level, counter, list.data())));
    return list;
}

TEST(TileSampler, SampleCountsPerLevel) {
    const int expected[7] = {16, 64, 256, 256 * 5, 256 * 17, 256 * 65, 256 * 256};
    for (int level = -2; level <= 4; ++level) {
        EXPECT_EQ(expected[level + 2], samplesPerTile(level));
        EXPECT_EQ(static_cast<size_t>(expected[level + 2]), sampleList(level, 7).size());
    }
    EXPECT_EQ(16, samplesPerTile(-9));  // clamped
    EXPECT_EQ(256 * 256, samplesPerTile(9));
}

TEST(TileSampler, PassCounterRules) {
    // Level 2: a view that is not progressive starts at 0, then adds 17.
    int c = advancePassCounter(40, 2, false);
    EXPECT_EQ(0, c);
    c = advancePassCounter(c, 2, true);
    EXPECT_EQ(17, c);
    EXPECT_EQ(34, advancePassCounter(c, 2, true));
    // Levels 0 and below add 1; 1, 3, 4 add 5, 65, 256.
    EXPECT_EQ(1, advancePassCounter(0, 0, true));
    EXPECT_EQ(3, advancePassCounter(2, -2, true));
    EXPECT_EQ(5, advancePassCounter(0, 1, true));
    EXPECT_EQ(65, advancePassCounter(0, 3, true));
    EXPECT_EQ(256, advancePassCounter(0, 4, true));
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
    for (int x = 0; x < 16; ++x) {
        for (int y = 0; y < 16; ++y) {
            EXPECT_EQ(0.5f, t.offsets[offsetTableIndex(x, y, 0)][0]);
            EXPECT_EQ(0.5f, t.offsets[offsetTableIndex(x, y, 0)][1]);
            EXPECT_EQ(0.5f, t.offsets[offsetTableIndex(x, y, 256)][0]);
            EXPECT_EQ(0.5f, t.offsets[offsetTableIndex(x, y, 256)][1]);
        }
    }
    for (const auto& o : t.offsets) {
        ASSERT_GE(o[0], 0.0f);
        ASSERT_LT(o[0], 1.0f);
        ASSERT_GE(o[1], 0.0f);
        ASSERT_LT(o[1], 1.0f);
    }
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

}  // namespace
}  // namespace engine
}  // namespace hox
