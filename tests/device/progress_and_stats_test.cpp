// What the device reports across frames: static views and progressive
// passes, statistics updates and the queries that read them.
#include <chrono>
#include <thread>

#include "device_test_support.h"

namespace hox {
namespace {

using namespace std::chrono_literals;

class ProgressiveStateTest : public testing_support::DeviceTest {
protected:
    void useOptions(int rate, int maxRate, bool progressive) {
        options = THandle<RenderOptions>(hostDevice);
        RenderOptions* o = options.beginEdit();
        ASSERT_EQ(0, o->setOption1i(OPTION_SAMPLING_RATE, rate));
        ASSERT_EQ(0, o->setOption1i(OPTION_MAX_PROGRESSIVE_SAMPLING_RATE, maxRate));
        ASSERT_EQ(0, o->setOption1b(OPTION_PROGRESSIVE_SAMPLING, progressive));
        options.endEdit();
        view.beginEdit()->setRenderOptions(options);
        view.endEdit();
    }

    // Renders a synchronous frame and returns its prepared view.
    const accel::PreparedView& renderFrame() {
        EXPECT_EQ(0, hostDevice->frame(frameDef, false));
        return slotOf(device->frameNumber()).view(0);
    }

    THandle<RenderOptions> options;
};

// After any edit nothing accumulates; then passes count up to four to the
// power of the rate gap, after which the unchanged view is static.
TEST_F(ProgressiveStateTest, PassesCountUpToTheLimitOfTheOptionsThenTheViewIsStaticUntilAnEdit) {
    buildView();
    const struct {
        const char* name;
        int rate, maxRate;
        bool progressive;
        int passes;
    } cases[] = {
        {"built-in defaults", 0, 0, true, 256},
        {"not progressive", 0, 4, false, 0},
        {"rate above the maximum", 2, 1, true, 1},
        {"gap of one", 3, 4, true, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.maxRate != 0) useOptions(c.rate, c.maxRate, c.progressive);
        const accel::PreparedView& first = renderFrame();
        EXPECT_FALSE(first.progressive);
        EXPECT_FALSE(first.isStatic);
        EXPECT_EQ(0, first.passCount);
        for (int pass = 1; pass <= c.passes; ++pass) {
            const accel::PreparedView& v = renderFrame();
            ASSERT_TRUE(v.progressive);
            ASSERT_FALSE(v.isStatic) << "pass " << pass;
            ASSERT_EQ(pass, v.passCount);
        }
        for (int i = 0; i < 2; ++i) {
            const accel::PreparedView& v = renderFrame();
            EXPECT_EQ(c.progressive, v.progressive);
            EXPECT_TRUE(v.isStatic);
            EXPECT_EQ(c.passes, v.passCount);
        }
    }

    // An edit of an object the view does not even use marks the scene dirty.
    THandle<Camera> unrelated(hostDevice);
    unrelated.beginEdit();
    unrelated.endEdit();
    const accel::PreparedView& afterEdit = renderFrame();
    EXPECT_FALSE(afterEdit.progressive);
    EXPECT_FALSE(afterEdit.isStatic);
    EXPECT_EQ(0, afterEdit.passCount);
    EXPECT_EQ(1, renderFrame().passCount);
}

TEST_F(ProgressiveStateTest, DisabledStaticFramesRenderEveryView) {
    buildView();
    useOptions(3, 4, true);
    util::rt_disableStaticFrames.set(true);
    for (int i = 0; i < 8; ++i) EXPECT_FALSE(renderFrame().isStatic);
    // The passes still count, and stop at the limit.
    EXPECT_EQ(4, slotOf(device->frameNumber()).view(0).passCount);
    util::rt_disableStaticFrames.set(false);
}

class RenderStatsTest : public testing_support::DeviceTest {
protected:
    // The rate is 0 from Init until the first update; the local engine
    // counts primary samples in counter 0, so an update with frames makes it
    // positive.
    bool statsFetched() {
        float rate = -1.0f;
        EXPECT_EQ(0, hostDevice->query1f(QUERY_RATE, rate));
        return rate > 0.0f;
    }
    void frames(int n) {
        for (int i = 0; i < n; ++i) ASSERT_EQ(0, hostDevice->frame(frameDef, false));
        ASSERT_EQ(0, hostDevice->sync(1000, true));
    }
};

// An update needs both the interval elapsed and four frames since the last.
TEST_F(RenderStatsTest, UpdatesOnlyAfterTheIntervalAndFourFrames) {
    util::rt_statsInterval.set(100);
    buildView();
    std::this_thread::sleep_for(120ms);
    frames(3);  // frameNumber - statsFrame = 3
    EXPECT_FALSE(statsFetched());
    util::rt_statsInterval.set(10000);
    frames(1);
    EXPECT_FALSE(statsFetched());
    util::rt_statsInterval.set(100);
    frames(1);
    ASSERT_TRUE(statsFetched());
    // The view has no scene: one ray per primary sample, no shader calls.
    float ratio = -1.0f;
    hostDevice->query1f(QUERY_RATIO_1_0, ratio);
    EXPECT_EQ(1.0f, ratio);
    hostDevice->query1f(QUERY_RATIO_4_0, ratio);
    EXPECT_EQ(0.0f, ratio);
}

TEST_F(RenderStatsTest, AfterInitTheRateIsZeroAndTheSceneDirtyThenProgressFollowsTheEngine) {
    float rate = -1.0f;
    EXPECT_EQ(0, hostDevice->query1f(QUERY_RATE, rate));
    EXPECT_EQ(0.0f, rate);
    bool dirty = false;
    EXPECT_EQ(0, hostDevice->query1b(QUERY_SCENE_DIRTY, dirty));
    EXPECT_TRUE(dirty);
    float progress = -1.0f;
    EXPECT_EQ(0, hostDevice->query1f(QUERY_PROGRESS, progress));
    EXPECT_EQ(0.0f, progress);  // no engine yet
    buildView();
    const int first = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    EXPECT_EQ(0, hostDevice->query1f(QUERY_PROGRESS, progress));
    EXPECT_GE(progress, 0.0f);
    EXPECT_LE(progress, 1.0f);
    // Complete but not yet swapped: the slot still holds the frame.
    ASSERT_EQ(0, slotOf(first).waitForCompletion(10000));
    EXPECT_EQ(0, hostDevice->query1f(QUERY_PROGRESS, progress));
    EXPECT_EQ(1.0f, progress);
    EXPECT_EQ(0, hostDevice->sync(10000, true));
}

}  // namespace
}  // namespace hox
