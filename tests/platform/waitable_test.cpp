#include <gtest/gtest.h>

#include <atomic>

#include "platform/clock.h"
#include "platform/vu_waitable.h"
#include "thread_test_support.h"

namespace {

using namespace vu_threads;
using vu_threads_test::FunctionThread;
using vu_threads_test::ThreadGroup;

TEST(Waitable, ManualEventStaysSetAutoEventReleasesOneWaitPerSet) {
    vuEvent manual(true);
    const uint64_t start = hox::platform::monotonicMicroseconds();
    EXPECT_EQ(waitForObject(manual, 30), kWaitTimeout);
    EXPECT_GE(hox::platform::monotonicMicroseconds() - start, 30000u) << "the whole limit";
    ASSERT_EQ(manual.set(), 0);
    EXPECT_EQ(waitForObject(manual, 0), kWaitObject);
    EXPECT_EQ(waitForObject(manual, 0), kWaitObject);
    ASSERT_EQ(manual.reset(), 0);
    EXPECT_EQ(waitForObject(manual, 0), kWaitTimeout);

    vuEvent automatic(false, true);
    EXPECT_TRUE(automatic.isSet());
    EXPECT_EQ(waitForObject(automatic, 0), kWaitObject);
    EXPECT_FALSE(automatic.isSet());
    EXPECT_EQ(waitForObject(automatic, 0), kWaitTimeout);
    automatic.set();
    automatic.set();  // setting a set event does not count twice
    EXPECT_EQ(waitForObject(automatic, 0), kWaitObject);
    EXPECT_EQ(waitForObject(automatic, 0), kWaitTimeout);
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

TEST(Waitable, StopWakesAThreadAlreadyAsleep) {
    vuSemaphore empty(0);
    std::atomic<int> aboutToWait{0};
    ThreadGroup threads;  // the second waits on its own stop event: an ordinary object
    threads.start(2, [&](FunctionThread& self, int index) {
        ++aboutToWait;
        vuWaitable& object = index == 0 ? static_cast<vuWaitable&>(empty) : *self.stopEvent();
        return waitForObject(object, kInfinite);
    });
    ASSERT_TRUE(vu_threads_test::eventually([&] { return aboutToWait.load() == 2; }));
    sleepMicroseconds(20000);  // let them fall asleep; either way they must wake
    for (auto& thread : threads.threads) EXPECT_EQ(thread->stop(), 0);
    EXPECT_EQ(threads.results[0].load(), kWaitStopped);
    EXPECT_EQ(threads.results[1].load(), kWaitObject);
}

TEST(Waitable, StopEventAgainstTheObjectWaitedOn) {
    vuEvent ready(true, true), never(true);
    std::atomic<int> signalled{-2}, stopped{-2};
    ThreadGroup thread;
    thread.start(1, [&](FunctionThread& self, int) {
        self.stopEvent()->set();
        signalled = waitForObject(ready, kInfinite);  // the object wins
        stopped = waitForObject(never, kInfinite);
        // Where the wait must not be cut short, the stop is ignored.
        return waitForObjectIgnoringStop(never, 20);
    });
    ASSERT_TRUE(thread.join());
    EXPECT_EQ(signalled.load(), kWaitObject);
    EXPECT_EQ(stopped.load(), kWaitStopped);
    EXPECT_EQ(thread.results[0].load(), kWaitTimeout);
}

}  // namespace
