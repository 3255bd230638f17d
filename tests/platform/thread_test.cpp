#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "platform/vu_thread.h"
#include "platform/vu_waitable.h"
#include "thread_test_support.h"

namespace {

using namespace vu_threads;
using vu_threads_test::eventually;
using vu_threads_test::FunctionThread;

// Runs until asked to stop, the way every long-lived body should.
void untilStopped(FunctionThread& self) {
    waitForObject(*self.stopEvent(), kInfinite);
}

TEST(Thread, RunsItsBodyOnItsOwnThread) {
    std::atomic<vuThread*> seen{nullptr};
    FunctionThread thread([&](FunctionThread&) { seen = currentThread(); });
    EXPECT_EQ(thread.threadId(), -1);
    ASSERT_EQ(thread.start(), 0);
    ASSERT_EQ(thread.waitForExit(5000), 0);
    EXPECT_EQ(seen.load(), &thread);
    EXPECT_NE(thread.threadId(), -1);
    EXPECT_EQ(currentThread(), nullptr);
    EXPECT_FALSE(thread.isRunning());
}

TEST(Thread, IsRunningFromStartUntilTheBodyReturns) {
    vuEvent release(true);
    FunctionThread thread([&](FunctionThread&) { waitForObject(release, kInfinite); });
    EXPECT_FALSE(thread.isRunning());
    ASSERT_EQ(thread.start(), 0);
    EXPECT_TRUE(thread.isRunning());
    EXPECT_EQ(thread.start(), -1);  // one body at a time
    release.set();
    ASSERT_EQ(thread.waitForExit(5000), 0);
    EXPECT_FALSE(thread.isRunning());
}

TEST(Thread, StartsAgainAfterItsBodyReturned) {
    std::atomic<int> runs{0};
    FunctionThread thread([&](FunctionThread&) { ++runs; });
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(thread.start(), 0);
        ASSERT_EQ(thread.waitForExit(5000), 0);
        EXPECT_EQ(runs.load(), i);
    }
}

TEST(Thread, RestartDoesNotInheritTheLastStopRequest) {
    std::atomic<int> stoppedAtStart{-1};
    FunctionThread thread([&](FunctionThread& self) {
        stoppedAtStart = self.stopRequested() ? 1 : 0;
        untilStopped(self);
    });
    ASSERT_EQ(thread.start(), 0);
    ASSERT_TRUE(eventually([&] { return stoppedAtStart.load() != -1; }));
    ASSERT_EQ(thread.stop(), 0);
    EXPECT_TRUE(thread.stopRequested());
    stoppedAtStart = -1;
    ASSERT_EQ(thread.start(), 0);
    ASSERT_TRUE(eventually([&] { return stoppedAtStart.load() != -1; }));
    EXPECT_EQ(stoppedAtStart.load(), 0);
    EXPECT_EQ(thread.stop(), 0);
}

TEST(Thread, StopRightAfterStartIsNotLost) {
    for (int i = 0; i < 20; ++i) {
        FunctionThread thread(untilStopped);
        ASSERT_EQ(thread.start(), 0);
        EXPECT_EQ(thread.stop(), 0);
        EXPECT_FALSE(thread.isRunning());
    }
}

TEST(Thread, StopReportsABodyThatIgnoresIt) {
    std::atomic<bool> finish{false};
    FunctionThread thread([&](FunctionThread&) {
        while (!finish.load()) sleepMicroseconds(1000);
    });
    ASSERT_EQ(thread.start(), 0);
    EXPECT_EQ(thread.stop(), -1);
    EXPECT_TRUE(thread.isRunning());
    finish = true;
    EXPECT_EQ(thread.waitForExit(5000), 0);
}

TEST(Thread, StopFromTheBodyItselfDoesNotWait) {
    std::atomic<int> result{-2};
    FunctionThread thread([&](FunctionThread& self) { result = self.stop(); });
    ASSERT_EQ(thread.start(), 0);
    ASSERT_EQ(thread.waitForExit(5000), 0);
    EXPECT_EQ(result.load(), -1);
    EXPECT_TRUE(thread.stopRequested());
}

TEST(Thread, PriorityAndAffinityNeedARunningThread) {
    FunctionThread thread([](FunctionThread&) {});
    EXPECT_EQ(thread.stop(), 0);
    EXPECT_EQ(thread.setPriority(kPriorityNormal), -1);
    EXPECT_EQ(thread.setAffinity(1), -1);
    ASSERT_EQ(thread.start(), 0);
    ASSERT_EQ(thread.waitForExit(5000), 0);
    EXPECT_EQ(thread.setPriority(kPriorityNormal), -1);
    EXPECT_EQ(thread.setAffinity(1), -1);
}

TEST(Thread, EveryPriorityLevelIsAccepted) {
    FunctionThread thread(untilStopped);
    ASSERT_EQ(thread.start(), 0);
    // Raising may be refused for lack of privilege; that still counts as done.
    for (int level : {kPriorityBelowNormal, kPriorityIdle, kPriorityNormal, kPriorityHighest,
                      kPriorityAboveNormal, 7, -1}) {
        EXPECT_EQ(thread.setPriority(level), 0) << "level " << level;
    }
    EXPECT_EQ(thread.stop(), 0);
}

TEST(Thread, AffinityNeedsAnAvailableProcessor) {
    FunctionThread thread(untilStopped);
    ASSERT_EQ(thread.start(), 0);
    EXPECT_EQ(thread.setAffinity(0xFFFFFFFFu), 0);
    EXPECT_EQ(thread.setAffinity(0), -1);
    EXPECT_EQ(thread.stop(), 0);
}

TEST(Thread, SmallStackSizesAreRaisedToTheSystemMinimum) {
    std::atomic<bool> ran{false};
    FunctionThread thread([&](FunctionThread&) { ran = true; });
    thread.setStackSize(1);
    EXPECT_EQ(thread.stackSize(), 1u);
    ASSERT_EQ(thread.start(), 0);
    ASSERT_EQ(thread.waitForExit(5000), 0);
    EXPECT_TRUE(ran.load());
}

TEST(Thread, DestroyingAFinishedThreadPrintsNothing) {
    testing::internal::CaptureStdout();
    {
        FunctionThread thread([](FunctionThread&) {});
        ASSERT_EQ(thread.start(), 0);
        ASSERT_EQ(thread.waitForExit(5000), 0);
    }
    { FunctionThread neverStarted([](FunctionThread&) {}); }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// A body that deletes its own object: the only way an object can be
// destroyed while its thread is still running.
class SelfDeletingThread : public vuThread {
public:
    explicit SelfDeletingThread(vuEvent& done) : done_(done) {}

protected:
    void run() override {
        vuEvent& done = done_;
        delete this;
        done.set();
    }

private:
    vuEvent& done_;
};

TEST(Thread, DeletingARunningThreadIsReported) {
    vuEvent done(true);
    testing::internal::CaptureStdout();
    auto* thread = new SelfDeletingThread(done);
    ASSERT_EQ(thread->start(), 0);
    ASSERT_EQ(waitForObject(done, 5000), kWaitObject);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: deleting running thread!\n");
}

}  // namespace
