#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "platform/vu_barrier.h"
#include "thread_test_support.h"

namespace {

using namespace vu_threads;
using vu_threads_test::eventually;
using vu_threads_test::FunctionThread;

TEST(Barrier, SingleThreadBarrierNeverBlocks) {
    vuBarrier barrier(1);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(barrier.wait(), 0);
        EXPECT_EQ(barrier.timedWait(0), 0);
        EXPECT_EQ(barrier.getWaiting(), 0u);
    }
}

TEST(Barrier, EmptyBarrierRefusesToWait) {
    vuBarrier barrier(0);
    EXPECT_EQ(barrier.wait(), kWaitFailed);
    EXPECT_EQ(barrier.timedWait(10), kWaitFailed);
    EXPECT_EQ(barrier.getWaiting(), 0u);
}

TEST(Barrier, NoThreadPassesBeforeAllHaveArrived) {
    constexpr int kThreads = 3;
    constexpr int kCycles = 2000;
    vuBarrier barrier(kThreads);
    std::vector<std::atomic<int>> arrivals(kCycles);
    std::atomic<int> early{0};
    std::vector<std::unique_ptr<FunctionThread>> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.push_back(std::make_unique<FunctionThread>([&](FunctionThread&) {
            for (int cycle = 0; cycle < kCycles; ++cycle) {
                ++arrivals[cycle];
                if (barrier.wait() != 0 || arrivals[cycle].load() != kThreads) ++early;
            }
        }));
        ASSERT_EQ(threads.back()->start(), 0);
    }
    for (auto& thread : threads) ASSERT_EQ(thread->waitForExit(60000), 0);
    EXPECT_EQ(early.load(), 0);
    EXPECT_EQ(barrier.getWaiting(), 0u);
}

TEST(Barrier, TimeOutTakesTheArrivalBack) {
    vuBarrier barrier(3);
    EXPECT_EQ(barrier.timedWait(10), kWaitTimeout);
    EXPECT_EQ(barrier.getWaiting(), 0u);

    std::atomic<int> result{-2};
    FunctionThread first([&](FunctionThread&) { result = barrier.wait(); });
    ASSERT_EQ(first.start(), 0);
    ASSERT_TRUE(eventually([&] { return barrier.getWaiting() == 1u; }));

    EXPECT_EQ(barrier.timedWait(10), kWaitTimeout);
    EXPECT_EQ(barrier.getWaiting(), 1u);

    // The cycle still needs exactly two more arrivals.
    FunctionThread second([&](FunctionThread&) { barrier.wait(); });
    ASSERT_EQ(second.start(), 0);
    ASSERT_TRUE(eventually([&] { return barrier.getWaiting() == 2u; }));
    EXPECT_EQ(barrier.timedWait(5000), 0);
    EXPECT_EQ(first.waitForExit(5000), 0);
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(barrier.getWaiting(), 0u);
}

TEST(Barrier, ResetReleasesEveryWaiter) {
    vuBarrier barrier(4);
    std::atomic<int> released{0};
    std::vector<std::unique_ptr<FunctionThread>> threads;
    for (int t = 0; t < 2; ++t) {
        threads.push_back(std::make_unique<FunctionThread>([&](FunctionThread&) {
            if (barrier.wait() == 0) ++released;
        }));
        ASSERT_EQ(threads.back()->start(), 0);
    }
    ASSERT_TRUE(eventually([&] { return barrier.getWaiting() == 2u; }));
    EXPECT_EQ(barrier.reset(), 0);
    for (auto& thread : threads) EXPECT_EQ(thread->waitForExit(5000), 0);
    EXPECT_EQ(released.load(), 2);
    EXPECT_EQ(barrier.getWaiting(), 0u);
}

TEST(Barrier, StoppedThreadLeavesTheBarrier) {
    vuBarrier barrier(2);
    std::atomic<int> result{-2};
    FunctionThread thread([&](FunctionThread&) { result = barrier.wait(); });
    ASSERT_EQ(thread.start(), 0);
    ASSERT_TRUE(eventually([&] { return barrier.getWaiting() == 1u; }));
    EXPECT_EQ(thread.stop(), 0);
    EXPECT_EQ(result.load(), kWaitFailed);
    EXPECT_EQ(barrier.getWaiting(), 0u);
}

}  // namespace
