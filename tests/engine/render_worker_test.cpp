// One render worker driven by hand over a frame slot built in the test:
// what reaches the tile sink, the pass counters, the invalid-view guard,
// the work units and the statistics.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/frame_context.h"
#include "engine/frame_slot.h"
#include "engine/render_counters.h"
#include "engine/render_worker_local.h"
#include "hox/device.h"
#include "hox/message_callback.h"
#include "scene/entity_records.h"
#include "scene/settings_records.h"
#include "scene/view_records.h"
#include "util/messages.h"

namespace hox {
namespace engine {
namespace {

struct Batch {
    int tileX, tileY, count;
    bool last;
    std::vector<SampleRecord> records;
    std::vector<float> colours;
};

class CaptureSink : public TileSink {
public:
    void writeTile(int tileX, int tileY, int count, bool last, const SampleRecord* records,
                   const float* colours) override {
        batches.push_back({tileX, tileY, count, last, std::vector<SampleRecord>(records, records + count),
                           std::vector<float>(colours, colours + 4 * count)});
    }
    std::vector<Batch> batches;
};

class WarningLog : public IMessageCallback {
public:
    void message(int, const char*) override {}
    void warning(const char* text) override { warnings.push_back(text); }
    void error(const char* text) override { errors.push_back(text); }
    std::vector<std::string> warnings, errors;
};

class RenderWorkerTest : public ::testing::Test {
protected:
    RenderWorkerTest() : camera(0), framebuffer(0), options(0) {}

    void SetUp() override {
        util::setMessageCallback(&log);
        camera.width = 40;
        camera.height = 20;
        ASSERT_TRUE(slot.resizeViews(1));
        accel::PreparedView& view = slot.view(0);
        view.camera = &camera;
        view.framebuffer = &framebuffer;
        view.options = &options;
        slot.frameNumber = 4;
        context.setTileSink(&sink);
        worker = static_cast<RenderWorkerLocal*>(context.createWorker(0));
        ASSERT_NE(nullptr, worker);
    }
    void TearDown() override {
        context.destroyWorker(worker);
        util::setMessageCallback(nullptr);
    }

    // Prepares the slot's frame and runs begin-frame and begin-view on the
    // worker, with `units` work units to count down from.
    void begin(int units = 1000) {
        ASSERT_EQ(0, context.prepareFrame(slot));
        slot.beginWork(units);
        worker->beginFrame(slot.frameNumber);
        worker->beginView(0);
    }
    int tileSamples(int tileX, int tileY) const {
        int n = 0;
        for (const Batch& b : sink.batches) n += b.tileX == tileX && b.tileY == tileY ? b.count : 0;
        return n;
    }

    WarningLog log;
    scene::CameraRecord camera;
    scene::FramebufferRecord framebuffer;
    scene::RenderOptionsRecord options;
    FrameSlot slot;
    CaptureSink sink;
    FrameContext context;
    RenderWorkerLocal* worker = nullptr;
};

TEST_F(RenderWorkerTest, TilesGoOutInBatchesOfAtMost256WithOneLastBatch) {
    options.options.samplingRate = 2;  // 17 samples per pixel
    begin();
    EXPECT_EQ(3, worker->tilesAcross());
    EXPECT_EQ(2, worker->tilesDown());
    ASSERT_EQ(17 * 256, worker->sampleCount());

    worker->renderTile(0);
    ASSERT_EQ(17u, sink.batches.size());
    for (size_t i = 0; i < sink.batches.size(); ++i) {
        const Batch& b = sink.batches[i];
        EXPECT_EQ(256, b.count);
        EXPECT_EQ(i + 1 == sink.batches.size(), b.last);
        for (int k = 0; k < b.count; ++k) {
            const SampleRecord& r = b.records[static_cast<size_t>(k)];
            EXPECT_GE(r.positionX, static_cast<float>(r.pixelX));
            EXPECT_LT(r.positionX, r.pixelX + 1.0f);
            EXPECT_EQ(1.0f, b.colours[4 * static_cast<size_t>(k) + 3]);  // opaque black: no scene
        }
    }

    // Tile (2, 1) holds 8 × 4 pixels of the 40 × 20 image: only those are
    // sampled, in 544 samples over three batches.
    sink.batches.clear();
    worker->renderTile(5);
    EXPECT_EQ(544, tileSamples(2, 1));
    ASSERT_EQ(3u, sink.batches.size());
    EXPECT_TRUE(sink.batches.back().last);
    EXPECT_FALSE(sink.batches.front().last);
    for (const Batch& b : sink.batches) {
        for (const SampleRecord& r : b.records) {
            EXPECT_LT(r.pixelX, 8);
            EXPECT_LT(r.pixelY, 4);
        }
    }
    EXPECT_EQ(1000 - 4, slot.remainingUnits());  // frame, view, two tiles
}

TEST_F(RenderWorkerTest, WindowedTilesOutsideTheRegionSendOneEmptyLastBatch) {
    camera.windowRegion[0] = 20;
    camera.windowRegion[1] = 3;
    camera.windowRegion[2] = 25;
    camera.windowRegion[3] = 8;
    begin();
    EXPECT_TRUE(worker->viewIsWindowed());
    worker->renderTile(0);
    ASSERT_EQ(1u, sink.batches.size());
    EXPECT_EQ(0, sink.batches[0].count);
    EXPECT_TRUE(sink.batches[0].last);

    sink.batches.clear();
    worker->renderTile(1);  // pixels 16 … 31: the region's columns 4 … 9 of it
    ASSERT_EQ(1u, sink.batches.size());
    EXPECT_EQ(6 * 6, sink.batches[0].count);
    EXPECT_TRUE(sink.batches[0].last);
    for (const SampleRecord& r : sink.batches[0].records) {
        EXPECT_TRUE(r.pixelX >= 4 && r.pixelX <= 9 && r.pixelY >= 3 && r.pixelY <= 8);
    }
}

TEST_F(RenderWorkerTest, PassCountersFollowTheProgressiveFlagPerView) {
    options.options.samplingRate = 2;
    slot.view(0).progressive = false;
    begin();
    EXPECT_EQ(0, worker->passCounter(0));
    slot.view(0).progressive = true;
    worker->beginView(0);
    EXPECT_EQ(17, worker->passCounter(0));
    worker->beginView(0);
    EXPECT_EQ(34, worker->passCounter(0));
    EXPECT_EQ(33, worker->samples()[0].offsetIndex);  // c' = 33
    EXPECT_EQ(0, worker->passCounter(5));

    options.options.samplingRate = 0;
    slot.view(0).progressive = false;
    worker->beginView(0);
    slot.view(0).progressive = true;
    worker->beginView(0);
    worker->beginView(0);
    EXPECT_EQ(2, worker->passCounter(0));
    EXPECT_EQ(1, worker->samples()[0].offsetIndex);
}

TEST_F(RenderWorkerTest, AnInvalidViewWarnsAndStillCountsDown) {
    begin(10);
    worker->beginView(3);
    ASSERT_EQ(1u, log.warnings.size());
    EXPECT_EQ("Critical warning: invalid view 3 for frame 4\n", log.warnings[0]);
    worker->renderTile(0);  // nothing to render into
    EXPECT_TRUE(sink.batches.empty());
    EXPECT_EQ(10 - 4, slot.remainingUnits());

    slot.view(0).camera = nullptr;
    worker->beginView(0);
    EXPECT_EQ(2u, log.warnings.size());
    worker->skipTile(0);
    EXPECT_EQ(10 - 6, slot.remainingUnits());
}

TEST_F(RenderWorkerTest, CountersReachTheContextAtTheNextBeginFrame) {
    begin();
    worker->renderTile(0);
    worker->renderTile(2);
    RenderStats stats;
    context.getStats(stats);
    EXPECT_EQ(0u, stats.counters[kCountSamples]);  // still with the worker

    worker->beginFrame(slot.frameNumber);
    context.getStats(stats);
    const uint64_t samples = 256 + 8 * 16;
    EXPECT_EQ(samples, stats.counters[kCountSamples]);
    EXPECT_EQ(samples, stats.counters[kCountRays]);
    EXPECT_EQ(0u, stats.counters[kCountHits]);
    EXPECT_EQ(samples, stats.counters[kCountMisses]);
    EXPECT_EQ(2u, stats.counters[kCountTiles]);
    EXPECT_EQ(2u, stats.counters[kCountBatches]);
    context.getStats(stats);  // the fetch reset the block
    EXPECT_EQ(0u, stats.counters[kCountSamples]);
}

TEST_F(RenderWorkerTest, TraceDepthZeroAndDegenerateRaysAreRefused) {
    options.options.traceDepth = 0;
    begin();
    worker->renderTile(0);
    ASSERT_EQ(1u, sink.batches.size());
    EXPECT_EQ(0.0f, sink.batches[0].colours[0]);
    EXPECT_EQ(1.0f, sink.batches[0].colours[3]);

    options.options.traceDepth = 5;
    worker->beginView(0);
    float colour[4] = {9, 9, 9, 9};
    EXPECT_FALSE(worker->traceAndShade(colour, Vec3f{0, 0, 0}, Vec3f{0.0001f, 0, 0}, 1));
    EXPECT_EQ(0.0f, colour[3]);
    EXPECT_TRUE(worker->traceAndShade(colour, Vec3f{0, 0, 0}, Vec3f{0, 0, -3}, 1));
    EXPECT_EQ(1.0f, colour[3]);

    worker->beginFrame(slot.frameNumber);
    RenderStats stats;
    context.getStats(stats);
    EXPECT_EQ(256u + 1u, stats.counters[kCountRefused]);
    EXPECT_EQ(1u, stats.counters[kCountRays]);
}

}  // namespace
}  // namespace engine
}  // namespace hox
