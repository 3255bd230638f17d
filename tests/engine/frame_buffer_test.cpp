#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <thread>
#include <utility>
#include <vector>

#include "engine/frame_buffer.h"

namespace {

using hox::engine::FrameBuffer;
using hox::engine::SampleRecord;

struct Colour {
    float c[4];
};
const Colour kRed{{1.0f, 0.25f, 0.5f, 1.0f}};
const Colour kBlue{{0.0f, 0.5f, 2.0f, 1.0f}};

SampleRecord sampleAt(float px, float py) {
    return {px, py, static_cast<int>(std::floor(px)), static_cast<int>(std::floor(py)), 0};
}
float weightAt(const FrameBuffer& fb, int x, int y) { return fb.weights()[y * fb.width() + x]; }
float sumAt(const FrameBuffer& fb, int x, int y, int c) {
    return fb.floatSums()[4 * (y * fb.width() + x) + c];
}
double totalWeight(const FrameBuffer& fb) {
    return std::accumulate(fb.weights(), fb.weights() + fb.width() * fb.height(), 0.0);
}
void write(FrameBuffer& fb, int tileX, int tileY, const std::vector<SampleRecord>& records,
           const std::vector<Colour>& colours) {
    fb.writeTile(tileX, tileY, int(records.size()), true, records.data(), &colours[0].c[0]);
}

TEST(FrameBufferPrepare, AllocatesClearsAndReportsFailure) {
    FrameBuffer fb;
    ASSERT_TRUE(fb.prepare(17, 16, 16, 0, 0, 1));
    EXPECT_EQ(fb.tilesAcross() * 10 + fb.tilesDown(), 21);
    write(fb, 0, 0, {sampleAt(3.5f, 2.5f)}, {kRed});
    ASSERT_TRUE(fb.prepare(17, 16, 16, 0, 0, 1));  // same size: cleared in place
    EXPECT_EQ(totalWeight(fb), 0.0);
    ASSERT_TRUE(fb.prepare(5, 3, 16, 1, 0, 1));
    EXPECT_EQ(fb.bytesPerPixel(), 4);
    write(fb, 0, 0, {sampleAt(1.5f, 1.5f)}, {kRed});  // bytes cannot hold sums
    EXPECT_EQ(totalWeight(fb), 0.0);
    EXPECT_FALSE(fb.prepare(0, 16, 16, 0, 0, 1));
    EXPECT_FALSE(fb.prepare(1 << 30, 1 << 30, 16, 0, 0, 1));  // too big: no crash, no writes
    write(fb, 0, 0, {sampleAt(1.5f, 1.5f)}, {kRed});
}

TEST(FrameBufferModes, DirectOverwritesAndSplatSpreadsATent) {
    FrameBuffer fb;
    ASSERT_TRUE(fb.prepare(32, 32, 16, 0, 0, 1));  // level 0, pass 1: direct
    write(fb, 1, 1, {sampleAt(2.3f, 4.9f), sampleAt(2.7f, 4.1f)}, {kRed, kBlue});
    EXPECT_EQ(sumAt(fb, 18, 20, 2), kBlue.c[2]);
    EXPECT_EQ(totalWeight(fb), 1.0);
    // Level 1 always splats; level 0 once the pass count exceeds 1.
    for (auto [level, pass] : {std::pair{1, 0}, std::pair{0, 2}}) {
        ASSERT_TRUE(fb.prepare(32, 32, 16, 0, level, pass));
        const float px = 5.25f, py = 7.6f;
        write(fb, 0, 0, {sampleAt(px, py)}, {kRed});
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                double w = std::max(0.0, 1 - std::fabs(px - (x + 0.5))) *
                           std::max(0.0, 1 - std::fabs(py - (y + 0.5)));
                EXPECT_NEAR(weightAt(fb, x, y), w > 0.0001 ? w : 0, 1e-6) << x << "," << y;
                EXPECT_NEAR(sumAt(fb, x, y, 1), w > 0.0001 ? w * kRed.c[1] : 0, 1e-6);
            }
        EXPECT_NEAR(weightAt(fb, 4, 7), 0.25 * 0.9, 1e-6);
    }
}

TEST(FrameBufferModes, FillSpreadsAFaintTentThatNeverCoversASample) {
    FrameBuffer fb;
    for (auto [level, radius] : {std::pair{-2, 3}, std::pair{-1, 1}}) {
        ASSERT_TRUE(fb.prepare(32, 32, 16, 0, level, 0));
        write(fb, 0, 0, {sampleAt(6.5f, 6.5f)}, {kRed});
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const int dx = std::abs(x - 6), dy = std::abs(y - 6);
                double w = dx <= radius && dy <= radius
                               ? (1 - dx / (radius + 1.0)) * (1 - dy / (radius + 1.0)) * 0.01
                               : 0;
                if (dx == 0 && dy == 0) w = 1;
                EXPECT_NEAR(weightAt(fb, x, y), w, 1e-7) << level << ":" << x << "," << y;
                EXPECT_NEAR(sumAt(fb, x, y, 2), w * kRed.c[2], 1e-7);
            }
    }
    // A sampled pixel shows exactly its sample, whichever neighbour came first.
    for (bool redFirst : {true, false}) {
        ASSERT_TRUE(fb.prepare(32, 32, 16, 0, -2, 3));
        std::vector<SampleRecord> records{sampleAt(4.5f, 4.5f), sampleAt(5.5f, 4.5f)};
        std::vector<Colour> colours{kRed, kBlue};
        if (!redFirst) std::reverse(records.begin(), records.end());
        if (!redFirst) std::reverse(colours.begin(), colours.end());
        write(fb, 0, 0, records, colours);
        EXPECT_EQ(sumAt(fb, 4, 4, 2), kRed.c[2]);
        EXPECT_EQ(sumAt(fb, 5, 4, 2), kBlue.c[2]);
    }
    // At the block size the fill stops; beyond it, samples splat.
    ASSERT_TRUE(fb.prepare(32, 32, 16, 0, -2, 16));
    write(fb, 0, 0, {sampleAt(4.5f, 4.5f)}, {kRed});
    EXPECT_EQ(totalWeight(fb), 1.0);
    ASSERT_TRUE(fb.prepare(32, 32, 16, 0, -1, 5));
    write(fb, 0, 0, {sampleAt(4.75f, 4.5f)}, {kRed});
    EXPECT_NEAR(weightAt(fb, 5, 4), 0.25, 1e-7);
}

TEST(FrameBufferBounds, EdgeTilesStayInsideTheImage) {
    FrameBuffer fb;
    ASSERT_TRUE(fb.prepare(17, 16, 16, 0, 2, 5));
    // Tile (1, 0) holds only column 16; its column 1 lies outside the image.
    write(fb, 1, 0, {sampleAt(0.2f, 15.5f), sampleAt(1.5f, 3.5f)}, {kRed, kRed});
    EXPECT_NEAR(weightAt(fb, 16, 15), 0.7, 1e-6);
    EXPECT_NEAR(weightAt(fb, 15, 15), 0.3, 1e-6);
    EXPECT_NEAR(totalWeight(fb), 1.0, 1e-6);
}

TEST(FrameBufferBounds, OutOfRangeRecordsAndTilesAreDropped) {
    const int big = std::numeric_limits<int>::max();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int level : {-2, -1, 0, 3}) {
        FrameBuffer fb;
        ASSERT_TRUE(fb.prepare(17, 16, 16, 0, level, 0));
        std::vector<SampleRecord> bad{{0.5f, 0.5f, -1, 0, 0},    {0.5f, 0.5f, 0, -1, 0},
                                      {16.5f, 0.5f, 16, 0, 0},   {0.5f, 16.5f, 0, 16, 0},
                                      {0.5f, 0.5f, big, big, 0}, {0.5f, 0.5f, -big - 1, 3, 0},
                                      {1.5f, 0.5f, 1, 0, 0}};  // in the tile, not the image
        write(fb, 1, 0, bad, std::vector<Colour>(bad.size(), kRed));
        bad.pop_back();
        write(fb, 0, 0, bad, std::vector<Colour>(bad.size(), kRed));
        for (int t : {2, -1, big}) {
            write(fb, t, 0, {sampleAt(0.5f, 0.5f)}, {kRed});
            write(fb, 0, t == 2 ? 1 : t, {sampleAt(0.5f, 0.5f)}, {kRed});
        }
        const SampleRecord good = sampleAt(0.5f, 0.5f);
        fb.writeTile(0, 0, 1, true, nullptr, kRed.c);
        fb.writeTile(0, 0, -5, true, &good, kRed.c);
        if (level > 0) write(fb, 0, 0, {{nan, nan, 3, 3, 0}}, {kRed});  // no splat weight
        EXPECT_EQ(totalWeight(fb), 0.0) << level;
    }
}

// Four threads splat into the four tiles of a 32×32 image, each sample
// halfway between two pixels so that every contribution is 0.5: the sums are
// exact in any order and must equal those of a single thread.
TEST(FrameBufferConcurrency, NeighbouringTilesFromFourThreadsSumExactly) {
    auto render = [](FrameBuffer& fb, int tile) {
        std::vector<SampleRecord> records;
        for (int i = 0; i < 256; ++i)
            records.push_back({i % 16 + 1.0f, i / 16 + 0.5f, i % 16, i / 16, 0});
        for (int round = 0; round < 50; ++round)
            write(fb, tile % 2, tile / 2, records, std::vector<Colour>(256, kRed));
    };
    FrameBuffer shared, reference;
    ASSERT_TRUE(shared.prepare(32, 32, 16, 0, 1, 1));
    ASSERT_TRUE(reference.prepare(32, 32, 16, 0, 1, 1));
    std::vector<std::thread> threads;
    for (int tile = 0; tile < 4; ++tile) threads.emplace_back([&, tile] { render(shared, tile); });
    for (auto& t : threads) t.join();
    for (int tile = 0; tile < 4; ++tile) render(reference, tile);
    for (int i = 0; i < 32 * 32; ++i) {
        ASSERT_EQ(shared.weights()[i], reference.weights()[i]) << i;
        ASSERT_EQ(shared.floatSums()[4 * i + 1], reference.floatSums()[4 * i + 1]) << i;
    }
    EXPECT_EQ(weightAt(shared, 0, 0), 25.0f);   // half of its own samples
    EXPECT_EQ(weightAt(shared, 16, 5), 50.0f);  // its own and the left tile's
}

}  // namespace
