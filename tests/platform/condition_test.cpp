#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "platform/vu_condition.h"
#include "platform/vu_mutex.h"
#include "thread_test_support.h"

namespace {

using namespace vu_threads;
using vu_threads_test::eventually;
using vu_threads_test::FunctionThread;

// Waiters that count themselves in under the mutex before they wait, so
// that the test, holding the mutex, knows they are registered waiters.
struct WaiterGroup {
    vuMutex mutex;
    vuCondition condition;
    int entered = 0;  // guarded by mutex
    std::atomic<int> woken{0};
    std::vector<std::unique_ptr<FunctionThread>> threads;

    void start(int count) {
        for (int i = 0; i < count; ++i) {
            threads.push_back(std::make_unique<FunctionThread>([this](FunctionThread&) {
                mutex.lock();
                ++entered;
                if (condition.wait(mutex) == 0) ++woken;
                mutex.unlock();
            }));
            ASSERT_EQ(threads.back()->start(), 0);
        }
    }

    bool allEntered(int count) {
        return eventually([&] {
            vuScopedLock hold(mutex);
            return entered == count;
        });
    }
};

TEST(Condition, SignalWithoutWaiterIsForgotten) {
    vuMutex mutex;
    vuCondition condition;
    EXPECT_EQ(condition.signal(), 0);
    EXPECT_EQ(condition.broadcast(), 0);
    mutex.lock();
    EXPECT_EQ(condition.timedWait(mutex, 20), kWaitTimeout);
    mutex.unlock();
}

TEST(Condition, SignalWakesExactlyOneOfTwoWaiters) {
    WaiterGroup group;
    group.start(2);
    ASSERT_TRUE(group.allEntered(2));

    EXPECT_EQ(group.condition.signal(), 0);
    ASSERT_TRUE(eventually([&] { return group.woken.load() == 1; }));
    sleepMicroseconds(20000);  // a second, wrong wake-up would show by now
    EXPECT_EQ(group.woken.load(), 1);

    group.condition.signal();
    ASSERT_TRUE(eventually([&] { return group.woken.load() == 2; }));
}

TEST(Condition, BroadcastReturnsOnlyAfterEveryWaiterWoke) {
    WaiterGroup group;
    group.start(3);
    ASSERT_TRUE(group.allEntered(3));

    // Broadcast while holding the mutex: it must not wait for the waiters to
    // re-take it, yet it must not return before all three have left the
    // semaphore. A released unit still lying in it would be taken by the
    // zero-limit wait below.
    group.mutex.lock();
    EXPECT_EQ(group.condition.broadcast(), 0);
    EXPECT_EQ(group.condition.timedWait(group.mutex, 0), kWaitTimeout);
    group.mutex.unlock();

    for (auto& thread : group.threads) EXPECT_EQ(thread->waitForExit(5000), 0);
    EXPECT_EQ(group.woken.load(), 3);

    // Every waiter is accounted for: the condition is back to empty.
    group.condition.signal();
    group.mutex.lock();
    EXPECT_EQ(group.condition.timedWait(group.mutex, 0), kWaitTimeout);
    group.mutex.unlock();
}

TEST(Condition, StopEndsAConditionWaitWithFailure) {
    vuMutex mutex;
    vuCondition condition;
    bool waiting = false;  // guarded by mutex
    std::atomic<int> result{-2};
    std::atomic<bool> heldAfterWait{false};
    FunctionThread thread([&](FunctionThread&) {
        mutex.lock();
        waiting = true;
        result = condition.wait(mutex);
        // The mutex is ours again even though the wait failed.
        heldAfterWait = mutex.lock() == 0;
        mutex.unlock();
        mutex.unlock();
    });
    ASSERT_EQ(thread.start(), 0);
    ASSERT_TRUE(eventually([&] {
        vuScopedLock hold(mutex);
        return waiting;
    }));
    EXPECT_EQ(thread.stop(), 0);
    EXPECT_EQ(result.load(), kWaitFailed);
    EXPECT_TRUE(heldAfterWait.load());

    // The stopped waiter left no trace: a later signal is still forgotten.
    condition.signal();
    mutex.lock();
    EXPECT_EQ(condition.timedWait(mutex, 0), kWaitTimeout);
    mutex.unlock();
}

TEST(Condition, BroadcastIsNotCutShortByTheBroadcastersStop) {
    WaiterGroup group;
    group.start(2);
    ASSERT_TRUE(group.allEntered(2));
    std::atomic<int> result{-2};
    FunctionThread broadcaster([&](FunctionThread& self) {
        self.stopEvent()->set();
        result = group.condition.broadcast();
    });
    ASSERT_EQ(broadcaster.start(), 0);
    ASSERT_EQ(broadcaster.waitForExit(5000), 0);
    EXPECT_EQ(result.load(), 0);
    for (auto& thread : group.threads) EXPECT_EQ(thread->waitForExit(5000), 0);
    EXPECT_EQ(group.woken.load(), 2);
}

}  // namespace
