#include <gtest/gtest.h>

#include <atomic>

#include "platform/clock.h"
#include "platform/vu_waitable.h"
#include "thread_test_support.h"

namespace {

using namespace vu_threads;
using vu_threads_test::eventually;
using vu_threads_test::FunctionThread;

TEST(Waitable, ManualEventStaysSetUntilReset) {
    vuEvent event(true);
    EXPECT_EQ(waitForObject(event, 0), kWaitTimeout);
    ASSERT_EQ(event.set(), 0);
    EXPECT_EQ(waitForObject(event, 0), kWaitObject);
    EXPECT_EQ(waitForObject(event, 0), kWaitObject);
    ASSERT_EQ(event.reset(), 0);
    EXPECT_EQ(waitForObject(event, 0), kWaitTimeout);
}

TEST(Waitable, AutoEventReleasesOneWaitPerSet) {
    vuEvent event(false, true);
    EXPECT_TRUE(event.isSet());
    EXPECT_EQ(waitForObject(event, 0), kWaitObject);
    EXPECT_FALSE(event.isSet());
    EXPECT_EQ(waitForObject(event, 0), kWaitTimeout);
    event.set();
    event.set();  // setting a set event does not count twice
    EXPECT_EQ(waitForObject(event, 0), kWaitObject);
    EXPECT_EQ(waitForObject(event, 0), kWaitTimeout);
}

TEST(Waitable, SemaphoreCountsAndRefusesOverflow) {
    vuSemaphore semaphore(2, 3);
    EXPECT_EQ(waitForObject(semaphore, 0), kWaitObject);
    EXPECT_EQ(waitForObject(semaphore, 0), kWaitObject);
    EXPECT_EQ(waitForObject(semaphore, 0), kWaitTimeout);

    EXPECT_EQ(semaphore.release(0), kWaitFailed);
    EXPECT_EQ(semaphore.release(-1), kWaitFailed);
    EXPECT_EQ(semaphore.release(4), kWaitFailed);  // above the maximum: nothing added
    EXPECT_EQ(waitForObject(semaphore, 0), kWaitTimeout);
    EXPECT_EQ(semaphore.release(3), 0);
    EXPECT_EQ(semaphore.release(1), kWaitFailed);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(waitForObject(semaphore, 0), kWaitObject);
    EXPECT_EQ(waitForObject(semaphore, 0), kWaitTimeout);
}

TEST(Waitable, TimedWaitLastsAtLeastItsLimit) {
    vuEvent event(true);
    const uint64_t start = hox::platform::monotonicMicroseconds();
    EXPECT_EQ(waitForObject(event, 30), kWaitTimeout);
    EXPECT_GE(hox::platform::monotonicMicroseconds() - start, 30000u);
}

TEST(Waitable, StopWakesAThreadAlreadyAsleep) {
    vuSemaphore empty(0);
    std::atomic<bool> aboutToWait{false};
    std::atomic<int> result{-2};
    FunctionThread thread([&](FunctionThread&) {
        aboutToWait = true;
        result = waitForObject(empty, kInfinite);
    });
    ASSERT_EQ(thread.start(), 0);
    ASSERT_TRUE(vu_threads_test::eventually([&] { return aboutToWait.load(); }));
    vu_threads::sleepMicroseconds(20000);  // let it fall asleep; either way it must wake
    EXPECT_EQ(thread.stop(), 0);
    EXPECT_EQ(result.load(), kWaitStopped);
}

TEST(Waitable, SignalledObjectWinsOverStopEvent) {
    vuEvent ready(true, true);
    std::atomic<int> result{-2};
    FunctionThread thread([&](FunctionThread& self) {
        self.stopEvent()->set();
        result = waitForObject(ready, kInfinite);
    });
    ASSERT_EQ(thread.start(), 0);
    ASSERT_EQ(thread.waitForExit(5000), 0);
    EXPECT_EQ(result.load(), kWaitObject);
}

TEST(Waitable, WaitOnOwnStopEventReportsTheObject) {
    std::atomic<int> result{-2};
    FunctionThread thread([&](FunctionThread& self) {
        result = waitForObject(*self.stopEvent(), kInfinite);
    });
    ASSERT_EQ(thread.start(), 0);
    EXPECT_EQ(thread.stop(), 0);
    EXPECT_EQ(result.load(), kWaitObject);
}

TEST(Waitable, StopIsIgnoredWhereTheWaitMustNotBeCutShort) {
    vuEvent event(true);
    std::atomic<int> result{-2};
    FunctionThread thread([&](FunctionThread& self) {
        self.stopEvent()->set();
        result = waitForObjectIgnoringStop(event, 20);
    });
    ASSERT_EQ(thread.start(), 0);
    ASSERT_EQ(thread.waitForExit(5000), 0);
    EXPECT_EQ(result.load(), kWaitTimeout);
}

}  // namespace
