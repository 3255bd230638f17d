// The local engine inside a device: thread restarts, work units, progress,
// statistics and picking through its frame context.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "device/render_device.h"
#include "engine/frame_slot.h"
#include "engine/render_engine_local.h"
#include "engine/render_thread_pool.h"
#include "host/render_scene.h"
#include "hox/device.h"
#include "util/cvars.h"

namespace hox {
namespace engine {
namespace {

using hox_host_test::RenderScene;

class RenderEngineLocalTest : public ::testing::Test {
protected:
    void SetUp() override {
        util::rt_debugShade.set(1);
        util::rt_statsInterval.set(10000);
        ASSERT_EQ(0, Init(nullptr, hostDevice));
        device = RenderDevice::instance();
        scene.reset(new RenderScene(hostDevice));
        ASSERT_TRUE(scene->build(40, 20));
        scene->setOption(OPTION_PROGRESSIVE_SAMPLING, false);
    }
    void TearDown() override {
        scene.reset();
        Shutdown(hostDevice);
        util::rt_debugShade.set(0);
        util::rt_disableStaticFrames.set(false);
    }
    RenderEngineLocal& engine() { return *static_cast<RenderEngineLocal*>(device->engine()); }
    FrameSlot& slotOf(int frameNumber) { return *device->frameSlot(frameNumber & 1); }

    IRenderDevice* hostDevice = nullptr;
    RenderDevice* device = nullptr;
    std::unique_ptr<RenderScene> scene;
};

TEST_F(RenderEngineLocalTest, ChangingTheThreadCountRestartsTheThreadsBeforeTheFrame) {
    scene->setThreads(1);
    ASSERT_EQ(0, scene->render());
    EXPECT_EQ(-1, engine().engineKind());
    EXPECT_EQ(RenderThreadPool::resolveThreadCount(1), engine().threadCount());
    scene->setThreads(0);
    ASSERT_EQ(0, hostDevice->frame(scene->frameDef, true));
    EXPECT_EQ(RenderThreadPool::resolveThreadCount(0), engine().threadCount());
    ASSERT_EQ(0, hostDevice->sync(10000, true));
    EXPECT_EQ(2, scene->capture.swaps);
}

TEST_F(RenderEngineLocalTest, WorkUnitsAreBroadcastsPlusTilesAndProgressEndsAtOne) {
    const int first = device->frameNumber() + 1;
    ASSERT_EQ(0, hostDevice->frame(scene->frameDef, true));
    const int threads = engine().threadCount();
    EXPECT_EQ(2 * threads + 3 * 2, slotOf(first).totalUnits());  // one view, 3 × 2 tiles
    ASSERT_EQ(0, slotOf(first).waitForCompletion(10000));
    EXPECT_EQ(1.0f, engine().getProgress(first));
    ASSERT_EQ(0, hostDevice->sync(10000, true));
    EXPECT_EQ(0.0f, engine().getProgress(first));  // swapped and freed

    // Nothing changed and nothing accumulates: the view is static, and the
    // frame is only its broadcasts.
    ASSERT_EQ(0, hostDevice->frame(scene->frameDef, true));
    EXPECT_EQ(2 * threads, slotOf(first + 1).totalUnits());
    ASSERT_EQ(0, hostDevice->sync(10000, true));
}

TEST_F(RenderEngineLocalTest, StatisticsCountTheFramesSamplesRaysAndHits) {
    util::rt_disableStaticFrames.set(true);
    // A quad over the left half of the image: view x 0 … 20 at depth 1.
    scene->addQuad(-10.0f, -10.0f, 0.0f, 10.0f, -1.0f);
    ASSERT_EQ(0, scene->render());
    ASSERT_EQ(0, scene->render());  // its begin-frame collects the first frame's counts
    RenderStats stats;
    engine().getStats(stats);
    EXPECT_EQ(40u * 20u, stats.counters[kCountSamples]);
    EXPECT_EQ(40u * 20u, stats.counters[kCountRays]);
    EXPECT_EQ(20u * 20u, stats.counters[kCountHits]);
    EXPECT_EQ(20u * 20u, stats.counters[kCountMisses]);
    EXPECT_EQ(0u, stats.counters[kCountShaderCalls]);
    EXPECT_EQ(6u, stats.counters[kCountTiles]);
}

TEST_F(RenderEngineLocalTest, PickTracesTheViewsSceneOfTheFrame) {
    const Mat4f moved = {{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 0, 0, 1}};
    THandle<Object> quad = scene->addQuad(-0.5f, -0.5f, 0.5f, 0.5f, -1.0f, &moved);
    const int frame = device->frameNumber() + 1;
    ASSERT_EQ(0, hostDevice->frame(scene->frameDef, true));

    FrameContext& context = *engine().getFrameContext();
    SelectionQuery query;
    query.frameNumber = frame;
    query.viewIndex = 0;
    query.origin = {1.2f, 0.1f, 5.0f};
    query.direction = {0.0f, 0.0f, -3.0f};
    EXPECT_EQ(0, context.pick(query));
    ASSERT_EQ(1, query.hit);
    // The quad lies at z = −2 after the transform, x from 0 to 2.
    EXPECT_NEAR(1.2f, query.position.x, 1e-4f);
    EXPECT_NEAR(-2.0f, query.position.z, 1e-4f);
    EXPECT_NEAR(1.0f, query.normal.z / std::sqrt(query.normal.x * query.normal.x + query.normal.y * query.normal.y +
                                                 query.normal.z * query.normal.z), 1e-5f);
    EXPECT_NEAR(0.0f, query.boxMin.x, 1e-5f);
    EXPECT_NEAR(2.0f, query.boxMax.x, 1e-5f);
    EXPECT_EQ(kObjectHandleClass | static_cast<uint32_t>(quad.getInstance()), query.object);

    SelectionQuery miss = query;
    miss.origin = {5.0f, 0.0f, 5.0f};
    EXPECT_EQ(0, context.pick(miss));
    EXPECT_EQ(0, miss.hit);
    SelectionQuery older = query;
    older.frameNumber = frame - 2;  // same parity, but not the frame its scenes hold
    context.pick(older);
    EXPECT_EQ(0, older.hit);
    SelectionQuery noView = query;
    noView.viewIndex = 1;
    context.pick(noView);
    EXPECT_EQ(0, noView.hit);
    ASSERT_EQ(0, hostDevice->sync(10000, true));
}

TEST_F(RenderEngineLocalTest, AbortSkipsQueuedTilesAndCompletesTheFrame) {
    scene->resize(640, 480);
    const int first = device->frameNumber() + 1;
    ASSERT_EQ(0, hostDevice->frame(scene->frameDef, true));
    EXPECT_EQ(0, engine().abort());
    EXPECT_EQ(0, slotOf(first).remainingUnits());
    EXPECT_EQ(0, hostDevice->abort());
    ASSERT_EQ(0, scene->render());
    EXPECT_EQ(640, scene->capture.last.width);
}

}  // namespace
}  // namespace engine
}  // namespace hox
