// The master's tile distribution and the forms tiles travel in between
// ranks: the scheduler's dynamic grants, tile packets, and the collector
// that stands in for the framebuffers on a render rank.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <thread>
#include <utility>

#include "tile_collector.h"
#include "tile_packet.h"
#include "tile_scheduler.h"

namespace hox_cluster {
namespace {

TEST(TileScheduler, GrantsFillEachQueueInOneGlobalOrderAndRefillOnReturn) {
    TileScheduler s;
    s.start({1, 1, 1}, 2, {5, 0, 3});  // the middle view is static
    EXPECT_EQ(8, s.total());
    std::vector<std::pair<int, int>> order;
    for (int r = 0; r < 3; ++r)
        for (const TileRef& t : s.grant(r)) order.push_back({t.view, t.tile});
    // Two per rank, in order; the static view is skipped.
    EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {2, 0}}));
    // A full queue gets nothing more until a tile comes back.
    EXPECT_TRUE(s.grant(0).empty());
    EXPECT_TRUE(s.complete(0, 0, 1));
    const std::vector<TileRef> next = s.grant(0);
    ASSERT_EQ(1u, next.size());
    EXPECT_EQ(std::make_pair(2, 1), std::make_pair(next[0].view, next[0].tile));
    EXPECT_EQ(4, s.viewRemaining(0));

    // A rank holds the queue size for each of its threads, and at least one.
    s.start({4, 1, 0}, 3, {100});
    EXPECT_EQ(12u, s.grant(0).size());
    EXPECT_EQ(3u, s.grant(1).size());
    EXPECT_EQ(3u, s.grant(2).size());
}

TEST(TileScheduler, AFastRankTakesMoreTilesThanASlowOne) {
    TileScheduler s;
    s.start({1, 1}, 1, {40});
    std::vector<TileRef> held[2] = {s.grant(0), s.grant(1)};
    int done[2] = {0, 0};
    auto returnOne = [&](int rank) {
        if (held[rank].empty()) return;
        const TileRef t = held[rank].front();
        held[rank].erase(held[rank].begin());
        EXPECT_TRUE(s.complete(rank, t.view, t.tile));
        ++done[rank];
        for (const TileRef& n : s.grant(rank)) held[rank].push_back(n);
    };
    // Rank 0 finishes a tile every step, rank 1 every third step.
    for (int step = 0; !s.finished() && step < 1000; ++step) {
        returnOne(0);
        if (step % 3 == 2) returnOne(1);
    }
    EXPECT_TRUE(s.finished());
    EXPECT_EQ(40, done[0] + done[1]);
    EXPECT_GT(done[0], 2 * done[1]);
}

TEST(TileScheduler, RefusesTilesARankDoesNotHoldAndEndsWhenAllAreBack) {
    TileScheduler s;
    s.start({1, 1}, 3, {2, 1});
    EXPECT_EQ(3u, s.grant(0).size());  // all three
    EXPECT_TRUE(s.grant(1).empty());
    EXPECT_TRUE(s.exhausted());
    EXPECT_TRUE(s.rankDone(1));
    EXPECT_FALSE(s.rankDone(0));
    EXPECT_FALSE(s.complete(1, 0, 0)) << "rank 1 never held it";
    EXPECT_FALSE(s.complete(0, 0, 7)) << "no such tile";
    EXPECT_FALSE(s.complete(5, 0, 0)) << "no such rank";
    EXPECT_TRUE(s.complete(0, 0, 0));
    EXPECT_FALSE(s.complete(0, 0, 0)) << "a duplicate";
    EXPECT_TRUE(s.complete(0, 1, 0));
    EXPECT_EQ(0, s.viewRemaining(1));
    EXPECT_FALSE(s.finished());
    EXPECT_TRUE(s.complete(0, 0, 1));
    EXPECT_TRUE(s.finished());
    s.cancel();
    EXPECT_FALSE(s.active());
    EXPECT_FALSE(s.complete(0, 0, 0));

    // A frame without tiles is finished at once.
    s.start({1, 1}, 0, {0, 0});
    EXPECT_TRUE(s.exhausted());
    EXPECT_TRUE(s.finished());
    EXPECT_TRUE(s.grant(0).empty());
}

FinishedTile sampleTile(int count) {
    FinishedTile t;
    t.session = 3, t.frame = 17, t.view = 1, t.tile = 9, t.tileX = 4, t.tileY = 2;
    for (int i = 0; i < count; ++i) {
        t.records.push_back({0.5f + i, 0.25f, i % 16, i / 16, i});
        for (int c = 0; c < 4; ++c) t.colours.push_back(static_cast<float>(i * 4 + c) / 7.0f);
    }
    return t;
}

std::vector<int32_t> tagsOf(const FinishedTile& t) { return {t.session, t.frame, t.view, t.tile, t.tileX, t.tileY}; }

TEST(TilePacket, RoundTripsAndRejectsWhatDoesNotHoldItsCount) {
    const FinishedTile tile = sampleTile(300);
    std::vector<uint8_t> bytes;
    encodeTile(tile, bytes);
    FinishedTile back;
    ASSERT_TRUE(decodeTile(bytes.data(), bytes.size(), back));
    EXPECT_EQ(tagsOf(tile), tagsOf(back));
    ASSERT_EQ(tile.records.size(), back.records.size());
    EXPECT_EQ(0, std::memcmp(tile.records.data(), back.records.data(), tile.records.size() * 20));
    EXPECT_EQ(tile.colours, back.colours);

    // One byte short, one byte more, a negative count, a count the bytes
    // cannot hold, and too short for a header.
    EXPECT_FALSE(decodeTile(bytes.data(), bytes.size() - 1, back));
    bytes.push_back(0);
    EXPECT_FALSE(decodeTile(bytes.data(), bytes.size(), back));
    bytes.pop_back();
    for (int32_t count : {-1, 0x7FFFFFFF}) {
        std::vector<uint8_t> bad = bytes;
        std::memcpy(bad.data() + 24, &count, 4);
        EXPECT_FALSE(decodeTile(bad.data(), bad.size(), back)) << count;
    }
    EXPECT_FALSE(decodeTile(bytes.data(), 10, back));
    EXPECT_FALSE(decodeTile(nullptr, 0, back));

    // An empty tile (a windowed view's tile outside the window) travels too.
    encodeTile(sampleTile(0), bytes);
    ASSERT_TRUE(decodeTile(bytes.data(), bytes.size(), back));
    EXPECT_TRUE(back.records.empty());
}

TEST(TileCollector, GathersEachTilesBatchesFromManyThreadsAndTagsThem) {
    TileCollector collector;
    collector.setTag(2, 40, 1, 5);
    const FinishedTile source = sampleTile(600);
    // Four threads deliver four tiles, each in batches of at most 256.
    std::vector<std::thread> threads;
    for (int k = 0; k < 4; ++k) {
        threads.emplace_back([&collector, &source, k] {
            for (int first = 0; first < 600; first += 256) {
                const int count = std::min(256, 600 - first);
                collector.writeTile(k, 3, count, first + count == 600, &source.records[first],
                                    &source.colours[4 * static_cast<std::size_t>(first)]);
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(4, collector.finishedCount());
    std::set<int> tiles;
    FinishedTile tile;
    while (collector.pop(tile)) {
        EXPECT_EQ(tagsOf(tile), (std::vector<int32_t>{2, 40, 1, 3 * 5 + tile.tileX, tile.tileX, 3}));
        ASSERT_EQ(600u, tile.records.size());
        EXPECT_EQ(source.colours, tile.colours);
        EXPECT_EQ(599, tile.records.back().offsetIndex);
        tiles.insert(tile.tile);
    }
    EXPECT_EQ(4u, tiles.size());

    // A tile without samples still finishes with its empty last batch.
    collector.writeTile(0, 0, 0, true, nullptr, nullptr);
    ASSERT_TRUE(collector.pop(tile));
    EXPECT_TRUE(tile.records.empty());
    // Unfinished tiles are dropped by clear().
    collector.writeTile(1, 1, 5, false, source.records.data(), source.colours.data());
    collector.clear();
    EXPECT_FALSE(collector.pop(tile));
    EXPECT_EQ(0, collector.finishedCount());
}

}  // namespace
}  // namespace hox_cluster
