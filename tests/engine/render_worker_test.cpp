// One render worker driven by hand over a frame slot built in the test: tile
// batches, pass counters, the invalid-view guard, work units, statistics, and
// the level index around every tracing service.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "engine/frame_context.h"
#include "engine/frame_slot.h"
#include "engine/render_counters.h"
#include "engine/render_worker_local.h"
#include "hox/device.h"
#include "hox/message_callback.h"
#include "hox/shader_declaration.h"
#include "scene/entity_records.h"
#include "scene/settings_records.h"
#include "scene/shader_record.h"
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

TEST_F(RenderWorkerTest, TilesGoOutInBatchesOfAtMost256AndAreCountedAtTheNextBeginFrame) {
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
            EXPECT_TRUE(r.positionX >= r.pixelX && r.positionX < r.pixelX + 1.0f);
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
    for (const Batch& b : sink.batches)
        for (const SampleRecord& r : b.records) EXPECT_TRUE(r.pixelX < 8 && r.pixelY < 4);
    EXPECT_EQ(1000 - 4, slot.remainingUnits());  // frame, view, two tiles

    // The counters stay with the worker until its next begin-frame; the
    // context's fetch resets them.
    RenderStats stats;
    context.getStats(stats);
    EXPECT_EQ(0u, stats.counters[kCountSamples]);
    worker->beginFrame(slot.frameNumber);
    context.getStats(stats);
    const uint64_t samples = 17 * 256 + 544;
    const auto& c = stats.counters;
    EXPECT_EQ(std::vector<uint64_t>({samples, samples, 0, samples, 2, 17 + 3}),
              std::vector<uint64_t>({c[kCountSamples], c[kCountRays], c[kCountHits], c[kCountMisses],
                                     c[kCountTiles], c[kCountBatches]}));
    context.getStats(stats);
    EXPECT_EQ(0u, stats.counters[kCountSamples]);
}

TEST_F(RenderWorkerTest, WindowedTilesOutsideTheRegionSendOneEmptyLastBatch) {
    const int region[4] = {20, 3, 25, 8};
    std::copy(region, region + 4, camera.windowRegion);
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
    for (const SampleRecord& r : sink.batches[0].records)
        EXPECT_TRUE(r.pixelX >= 4 && r.pixelX <= 9 && r.pixelY >= 3 && r.pixelY <= 8);
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
    slot.view(0).progressive = false;  // restarts
    worker->beginView(0);
    EXPECT_EQ(0, worker->passCounter(0));
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

// What the probe saw; the worker runs on the test's thread only.
struct Seen {
    int checks = 0, misplaced = 0;  // services after which the level index had moved
    int lightSamples = 0;
    LightSample first = {};
    Vec3f open = {0, 0, 0};
    Vec4f traced = {0, 0, 0, 0};
};
Seen seen;

constexpr Vec4f kSky = {0.1f, 0.2f, 0.3f, 1.0f};

class ServicesEnvironment : public ShaderObject {
public:
    int getKind() const override { return SHADER_KIND_OTHER; }
    void shade(IShaderServices* s, ShadingState* state) const override {
        state->colour = kSky;
        if (state->depth > 1) return;  // the rays traced below
        RenderWorkerLocal& worker = *static_cast<RenderWorkerLocal*>(s);
        const int level = worker.currentLevel();
        auto check = [&] {
            ++seen.checks;
            seen.misplaced += worker.currentLevel() != level;
        };
        const Vec3f p = {0, 0, 0}, n = {0, 0, 1}, t = {1, 0, 0}, b = {0, 1, 0};
        const LightSample* samples = nullptr;
        Vec3f c3;
        Vec4f c4;
        seen.lightSamples = s->illuminance(0, p, n, &samples);
        if (samples) seen.first = *samples;
        check();
        s->illuminance(0, p, n, &samples, 0.1f), check();
        s->ambient(c3, p), check();
        s->transmission(c3, p, n), check();
        s->trace(seen.traced, p, n, kRayKindReflection), check();
        s->traceReflection(c4, p, n), check();
        s->traceRefraction(c4, p, n), check();
        s->glossyReflection(c4, p, n, t, b, 0.2f, 0.0f), check();
        s->glossyReflection(c4, p, n, 0.5f), check();
        s->glossyRefraction(c4, p, n, t, b, 0.2f, 0.3f), check();
        s->glossyRefraction(c4, p, n, 0.5f), check();
        s->ambientOcclusion(seen.open, p, n), check();
        s->indirectDiffuse(c4, p, n), check();
        ShadingState again = *state;
        again.depth = 2;  // so that the re-shaded call only answers
        s->shadeWith(c4, this, again), check();
        s->transmissionOf(c3, this, again), check();
    }
};

// A light of colour (2, 2, 2) that asks for its shadow, as lights do.
class ShadowedLight : public ShaderObject {
public:
    int getKind() const override { return SHADER_KIND_LIGHT; }
    void shade(IShaderServices* s, ShadingState* state) const override {
        Vec3f passed;
        s->transmission(passed, state->position, state->lightPosition);
        state->lightColour = {2.0f * passed.x, 2.0f * passed.y, 2.0f * passed.z};
    }
};

// The worker with an environment shader that calls every tracing service
// and checks, around each call, that the worker's level index is back where
// it was; and one point light at (0, 0, 1), in the light set every object
// of the view starts with.
class WorkerLevelsTest : public RenderWorkerTest {
protected:
    WorkerLevelsTest() : environment(1), lightShader(2), light(7) {}

    void SetUp() override {
        RenderWorkerTest::SetUp();
        seen = Seen();
        environment.shaderObject = &environmentObject;
        environment.flags = SHADER_FLAG_ENVIRONMENT;
        lightShader.shaderObject = &lightObject;
        accel::PreparedView& view = slot.view(0);
        view.environmentShader = &environment;
        accel::LightEntry entry = {};
        entry.light = &light;
        entry.shader = &lightShader;
        entry.worldPosition = {0.0f, 0.0f, 1.0f};
        entry.worldDirection = {0.0f, 0.0f, -1.0f};
        entry.parameter0 = 1e20f;
        entry.parameter1 = 3.1415927f;
        entry.parameter4 = true;
        ASSERT_TRUE(view.lights.push(entry));
        ASSERT_TRUE(view.lightSets.push(accel::LightSetEntry{0u, 0, 0, 0, 1}));
        ASSERT_TRUE(view.lightSetLights.push(0));
        begin();
    }
    void TearDown() override {
        RenderWorkerTest::TearDown();
        environment.shaderObject = nullptr;  // the test's own objects
        lightShader.shaderObject = nullptr;
    }

    scene::ShaderRecord environment, lightShader;
    scene::LightRecord light;
    ServicesEnvironment environmentObject;
    ShadowedLight lightObject;
};

TEST_F(WorkerLevelsTest, EveryServiceLeavesTheLevelIndexWhereItWas) {
    EXPECT_EQ(20, worker->depthLevels());  // 4 x the default trace depth of 5
    float colour[4];
    ASSERT_TRUE(worker->traceAndShade(colour, Vec3f{0, 0, 0}, Vec3f{0, 0, -1}, kRayKindCamera));
    EXPECT_EQ(0, worker->currentLevel());
    EXPECT_EQ(15, seen.checks);
    EXPECT_EQ(0, seen.misplaced);
    EXPECT_EQ(kSky.x, colour[0]);

    // The light straight above: one sample, its shader's colour through an
    // empty scene.
    EXPECT_EQ(std::make_tuple(1, 1.0f, 1.0f, 2.0f, 7),
              std::make_tuple(seen.lightSamples, seen.first.toLight.z, seen.first.distance, seen.first.colour.y,
                              seen.first.lightNumber));
    EXPECT_EQ(kSky.z, seen.traced.z);
    // An environment shades no instance, so it has no occlusion range.
    EXPECT_EQ(1.0f, seen.open.x);

    // Whole tiles: the assertion after every sample holds too.
    worker->renderTile(0);
    EXPECT_EQ(0, seen.misplaced);
    EXPECT_GT(seen.checks, 15 * 200);
}

}  // namespace
}  // namespace engine
}  // namespace hox
