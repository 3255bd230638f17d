// The local engine inside a device: thread restarts, work units, progress
// and abort. (Picking through its frame context is checked end to end by
// the host suite's selection tests.)
#include <gtest/gtest.h>

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
