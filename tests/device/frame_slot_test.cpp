// FrameSlot: work counting between engine threads and the device's wait, and
// the prepared views it keeps from frame to frame.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "engine/frame_slot.h"
#include "hox/status.h"

namespace hox {
namespace {

TEST(FrameSlot, StartsFreeWithNoViews) {
    engine::FrameSlot slot;
    EXPECT_EQ(-1, slot.frameNumber);
    EXPECT_EQ(0, slot.remainingUnits());
    EXPECT_EQ(0, slot.useCount);
    EXPECT_EQ(0, slot.viewCount());
    EXPECT_EQ(16, slot.views.growthStep());
}

TEST(FrameSlot, WaitTimesOutWhileUnitsRemain) {
    engine::FrameSlot slot;
    slot.beginWork(2);
    EXPECT_EQ(2, slot.totalUnits());
    EXPECT_EQ(RESULT_TIMEOUT, slot.waitForCompletion(0));
    slot.completeWorkUnits(1);
    EXPECT_EQ(RESULT_TIMEOUT, slot.waitForCompletion(5));
    slot.completeWorkUnits(1);
    EXPECT_EQ(RESULT_OK, slot.waitForCompletion(0));
}

TEST(FrameSlot, ConcurrentCompletionsEndTheWaitExactlyAtZero) {
    engine::FrameSlot slot;
    constexpr int kThreads = 4;
    constexpr int kUnitsPerThread = 250;
    slot.beginWork(kThreads * kUnitsPerThread);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&slot] {
            for (int i = 0; i < kUnitsPerThread; ++i) slot.completeWorkUnits(1);
        });
    }
    EXPECT_EQ(RESULT_OK, slot.waitForCompletion(60000));
    EXPECT_EQ(0, slot.remainingUnits());
    for (std::thread& w : workers) w.join();
}

TEST(FrameSlot, CountingPastZeroStillEndsTheWait) {
    engine::FrameSlot slot;
    slot.beginWork(1);
    slot.completeWorkUnits(3);
    EXPECT_EQ(0, slot.remainingUnits());
    EXPECT_EQ(RESULT_OK, slot.waitForCompletion(0));
}

TEST(FrameSlot, ResizingKeepsTheViewsProgressiveState) {
    engine::FrameSlot slot;
    ASSERT_TRUE(slot.resizeViews(3));
    slot.view(1).passCount = 7;
    accel::PreparedView* second = &slot.view(1);
    ASSERT_TRUE(slot.resizeViews(2));
    EXPECT_EQ(2, slot.viewCount());
    EXPECT_EQ(second, &slot.view(1));
    EXPECT_EQ(7, slot.view(1).passCount);
    ASSERT_TRUE(slot.resizeViews(0));
    EXPECT_EQ(0, slot.viewCount());
    EXPECT_EQ(0, slot.views.capacity());
}

TEST(FrameSlot, MarkFreeClearsTheFrame) {
    engine::FrameSlot slot;
    slot.frameNumber = 4;
    slot.beginWork(5);
    slot.markFree();
    EXPECT_EQ(-1, slot.frameNumber);
    EXPECT_EQ(0, slot.remainingUnits());
}

}  // namespace
}  // namespace hox
