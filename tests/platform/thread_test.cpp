// vuThread and the small thread services.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/thread_services.h"
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

TEST(Thread, RunsOneBodyAtATimeOnItsOwnThreadAndStartsAgainAfterItReturned) {
    vuEvent release(true);
    std::atomic<vuThread*> seen{nullptr};
    std::atomic<int> runs{0};
    FunctionThread thread([&](FunctionThread&) {
        seen = currentThread();
        ++runs;
        waitForObject(release, kInfinite);
    });
    thread.setStackSize(1);  // raised to the system minimum
    EXPECT_EQ(thread.stackSize(), 1u);
    EXPECT_EQ(thread.threadId(), -1);
    EXPECT_FALSE(thread.isRunning());
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(thread.start(), 0);
        EXPECT_TRUE(thread.isRunning());
        EXPECT_EQ(thread.start(), -1);
        release.set();
        ASSERT_EQ(thread.waitForExit(5000), 0);
        release.reset();
        EXPECT_FALSE(thread.isRunning());
        EXPECT_EQ(runs.load(), i);
    }
    EXPECT_EQ(seen.load(), &thread);
    EXPECT_NE(thread.threadId(), -1);
    EXPECT_EQ(currentThread(), nullptr);
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

// stop() returns 0 once the body has ended: also right after start; -1 for
// a body that ignores the request, or when the body itself asks (it cannot
// wait for its own end).
TEST(Thread, StopWaitsForTheBodyOrReportsWhyItCannot) {
    for (int i = 0; i < 20; ++i) {
        FunctionThread thread(untilStopped);
        ASSERT_EQ(thread.start(), 0);
        EXPECT_EQ(thread.stop(), 0);
        EXPECT_FALSE(thread.isRunning());
    }

    std::atomic<bool> finish{false};
    FunctionThread stubborn([&](FunctionThread&) {
        while (!finish.load()) sleepMicroseconds(1000);
    });
    ASSERT_EQ(stubborn.start(), 0);
    EXPECT_EQ(stubborn.stop(), -1);
    EXPECT_TRUE(stubborn.isRunning());
    finish = true;
    EXPECT_EQ(stubborn.waitForExit(5000), 0);

    std::atomic<int> result{-2};
    FunctionThread self([&](FunctionThread& me) { result = me.stop(); });
    ASSERT_EQ(self.start(), 0);
    ASSERT_EQ(self.waitForExit(5000), 0);
    EXPECT_EQ(result.load(), -1);
    EXPECT_TRUE(self.stopRequested());
}

TEST(Thread, PriorityAndAffinityNeedARunningThread) {
    FunctionThread thread(untilStopped);
    EXPECT_EQ(thread.stop(), 0);
    EXPECT_EQ(thread.setPriority(kPriorityNormal), -1);
    EXPECT_EQ(thread.setAffinity(1), -1);
    ASSERT_EQ(thread.start(), 0);
    // Raising may be refused for lack of privilege; that still counts as done.
    for (int level : {kPriorityBelowNormal, kPriorityIdle, kPriorityNormal, kPriorityHighest,
                      kPriorityAboveNormal, 7, -1}) {
        EXPECT_EQ(thread.setPriority(level), 0) << "level " << level;
    }
    EXPECT_EQ(thread.setAffinity(0xFFFFFFFFu), 0);
    EXPECT_EQ(thread.setAffinity(0), -1) << "no processor";
    EXPECT_EQ(thread.stop(), 0);
    EXPECT_EQ(thread.setPriority(kPriorityNormal), -1);
    EXPECT_EQ(thread.setAffinity(1), -1);
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

TEST(Thread, OnlyDeletingARunningThreadIsReported) {
    testing::internal::CaptureStdout();
    {
        FunctionThread finished([](FunctionThread&) {});
        ASSERT_EQ(finished.start(), 0);
        ASSERT_EQ(finished.waitForExit(5000), 0);
        FunctionThread neverStarted([](FunctionThread&) {});
    }
    vuEvent done(true);
    auto* thread = new SelfDeletingThread(done);
    ASSERT_EQ(thread->start(), 0);
    ASSERT_EQ(waitForObject(done, 5000), kWaitObject);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: deleting running thread!\n");
}

}  // namespace
