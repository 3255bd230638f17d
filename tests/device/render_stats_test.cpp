// Statistics updates and the queries that read them.
#include <chrono>
#include <cmath>
#include <thread>

#include "device_test_support.h"

namespace hox {
namespace {

using namespace std::chrono_literals;

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

TEST_F(RenderStatsTest, AnUpdateWithNothingCountedGivesNonFiniteRatios) {
    useHeldEngine();  // its statistics are always zero
    util::rt_statsInterval.set(100);
    buildView();
    const int first = firstFrame();
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(0, hostDevice->frame(frameDef, false));
        ASSERT_TRUE(heldEngine().complete(first + i));
    }
    std::this_thread::sleep_for(120ms);
    ASSERT_EQ(0, hostDevice->frame(frameDef, false));
    ASSERT_TRUE(heldEngine().complete(first + 4));
    ASSERT_EQ(0, hostDevice->sync(1000, true));
    float ratio = 0.0f;
    EXPECT_EQ(0, hostDevice->query1f(QUERY_RATIO_7_6, ratio));
    EXPECT_FALSE(std::isfinite(ratio));
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
