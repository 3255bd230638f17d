// Events, semaphores and waits on them, vuMutex, vuCondition and vuBarrier.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/vu_barrier.h"
#include "platform/vu_condition.h"
#include "platform/vu_mutex.h"
#include "platform/vu_waitable.h"
#include "thread_test_support.h"

namespace {

using namespace vu_threads;
using vu_threads_test::eventually;
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

TEST(Mutex, OwnerMayLockTwiceAndMustUnlockTwice) {
    vuMutex mutex;
    ASSERT_TRUE(mutex.isValid());
    EXPECT_EQ(mutex.lock(), 0);
    EXPECT_EQ(mutex.lock(), 0);
    EXPECT_EQ(mutex.unlock(), 0);

    // Still held once: another thread must not get in yet.
    ThreadGroup other;
    other.start(1, [&](FunctionThread&, int) { return mutex.lock() + mutex.unlock(); });
    EXPECT_FALSE(other.join(30));
    EXPECT_EQ(other.results[0].load(), ThreadGroup::kRunning);
    EXPECT_EQ(mutex.unlock(), 0);
    EXPECT_TRUE(other.join());
    EXPECT_EQ(other.results[0].load(), 0);
}

// Waiters that count themselves in under the mutex before they wait.
struct Waiters {
    static constexpr int kNotRelocked = -100;

    void start(int count) {
        group.start(count, [this](FunctionThread&, int) {
            mutex.lock();
            ++entered;
            const int result = condition.wait(mutex);
            // The mutex is the waiter's again, whatever the result.
            return mutex.unlock() == 0 ? result : kNotRelocked;
        });
    }
    bool allEntered(int count) {
        return eventually([&] {
            vuScopedLock hold(mutex);
            return entered == count;
        });
    }
    // A wake-up left lying in the condition would be taken by this wait.
    int pollWithZeroLimit() {
        vuScopedLock hold(mutex);
        return condition.timedWait(mutex, 0);
    }

    vuMutex mutex;
    vuCondition condition;
    int entered = 0;  // guarded by mutex
    ThreadGroup group;
};

TEST(Condition, SignalWakesExactlyOneOfTwoWaiters) {
    Waiters w;
    w.start(2);
    ASSERT_TRUE(w.allEntered(2));
    EXPECT_EQ(w.condition.signal(), 0);
    ASSERT_TRUE(eventually([&] { return w.group.count(0) == 1; }));
    sleepMicroseconds(20000);  // a second, wrong wake-up would show by now
    EXPECT_EQ(w.group.count(0), 1);
    w.condition.signal();
    ASSERT_TRUE(eventually([&] { return w.group.count(0) == 2; }));
}

TEST(Condition, BroadcastReturnsOnlyAfterEveryWaiterWoke) {
    Waiters w;
    w.start(3);
    ASSERT_TRUE(w.allEntered(3));
    // Broadcast under the mutex must not wait for the waiters to re-take it,
    // yet return only when all have left the semaphore: a unit still lying
    // there would be taken by the zero-limit wait.
    w.mutex.lock();
    EXPECT_EQ(w.condition.broadcast(), 0);
    EXPECT_EQ(w.condition.timedWait(w.mutex, 0), kWaitTimeout);
    w.mutex.unlock();
    ASSERT_TRUE(w.group.join());
    EXPECT_EQ(w.group.count(0), 3);
    // Every waiter is accounted for: the condition is back to empty.
    w.condition.signal();
    EXPECT_EQ(w.pollWithZeroLimit(), kWaitTimeout);
}

TEST(Condition, StopEndsAWaitWithFailureAndLeavesNoTrace) {
    Waiters w;
    w.start(1);
    ASSERT_TRUE(w.allEntered(1));
    EXPECT_EQ(w.group.threads[0]->stop(), 0);
    EXPECT_EQ(w.group.results[0].load(), kWaitFailed);
    // Signal and broadcast without a waiter are forgotten.
    EXPECT_EQ(w.condition.signal(), 0);
    EXPECT_EQ(w.condition.broadcast(), 0);
    EXPECT_EQ(w.pollWithZeroLimit(), kWaitTimeout);
}

TEST(Condition, BroadcastIsNotCutShortByTheBroadcastersStop) {
    Waiters w;
    w.start(2);
    ASSERT_TRUE(w.allEntered(2));
    ThreadGroup broadcaster;
    broadcaster.start(1, [&](FunctionThread& self, int) {
        self.stopEvent()->set();
        return w.condition.broadcast();
    });
    ASSERT_TRUE(broadcaster.join());
    EXPECT_EQ(broadcaster.results[0].load(), 0);
    ASSERT_TRUE(w.group.join());
    EXPECT_EQ(w.group.count(0), 2);
}

// One mutex and two conditions over plain fields: a lapse in the locking
// shows as a data race or a wrong total.
class BoundedQueue {
public:
    void push(int value) {
        vuScopedLock hold(mutex_);
        while (count_ == kCapacity) notFull_.wait(mutex_);
        items_[(head_ + count_) % kCapacity] = value;
        ++count_;
        notEmpty_.signal();
    }

    int pop() {
        vuScopedLock hold(mutex_);
        while (count_ == 0) notEmpty_.wait(mutex_);
        const int value = items_[head_];
        head_ = (head_ + 1) % kCapacity;
        --count_;
        notFull_.signal();
        return value;
    }

private:
    static constexpr int kCapacity = 8;
    vuMutex mutex_;
    vuCondition notFull_;
    vuCondition notEmpty_;
    int items_[kCapacity] = {};
    int head_ = 0;
    int count_ = 0;
};

TEST(ConditionStress, ProducersAndConsumersHandOverEveryItem) {
    constexpr int kItems = 10000;  // per thread
    BoundedQueue queue;
    ThreadGroup threads;  // even: producers, odd: consumers returning their sum
    threads.start(4, [&](FunctionThread&, int index) {
        int sum = 0;
        for (int i = 1; i <= kItems; ++i) {
            if (index % 2 == 0) queue.push(i);
            else sum += queue.pop();
        }
        return sum;
    });
    ASSERT_TRUE(threads.join(120000));
    EXPECT_EQ(threads.results[1].load() + threads.results[3].load(), kItems * (kItems + 1));
}

TEST(Barrier, NoThreadPassesBeforeAllHaveArrived) {
    constexpr int kThreads = 3;
    constexpr int kCycles = 2000;
    vuBarrier barrier(kThreads);
    std::vector<std::atomic<int>> arrivals(kCycles);
    ThreadGroup threads;  // each returns how often it passed early
    threads.start(kThreads, [&](FunctionThread&, int) {
        int early = 0;
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            ++arrivals[cycle];
            if (barrier.wait() != 0 || arrivals[cycle].load() != kThreads) ++early;
        }
        return early;
    });
    ASSERT_TRUE(threads.join(60000));
    EXPECT_EQ(threads.count(0), kThreads);
    EXPECT_EQ(barrier.getWaiting(), 0u);
}

TEST(Barrier, DegenerateCountsAndATimeOutTakesTheArrivalBack) {
    vuBarrier single(1), empty(0);  // empty could never complete a cycle
    for (int i = 0; i < 3; ++i) EXPECT_EQ(std::make_pair(single.wait(), single.timedWait(0)), std::make_pair(0, 0));
    EXPECT_EQ(std::make_pair(empty.wait(), empty.timedWait(10)), std::make_pair(kWaitFailed, kWaitFailed));
    EXPECT_EQ(single.getWaiting() + empty.getWaiting(), 0u);

    vuBarrier barrier(3);
    EXPECT_EQ(barrier.timedWait(10), kWaitTimeout);
    EXPECT_EQ(barrier.getWaiting(), 0u);
    ThreadGroup threads;
    const auto wait = [&](FunctionThread&, int) { return barrier.wait(); };
    threads.start(1, wait);
    ASSERT_TRUE(eventually([&] { return barrier.getWaiting() == 1u; }));
    EXPECT_EQ(barrier.timedWait(10), kWaitTimeout);
    EXPECT_EQ(barrier.getWaiting(), 1u);

    // The cycle still needs exactly two more arrivals.
    threads.start(1, wait);
    ASSERT_TRUE(eventually([&] { return barrier.getWaiting() == 2u; }));
    EXPECT_EQ(barrier.timedWait(5000), 0);
    ASSERT_TRUE(threads.join());
    EXPECT_EQ(threads.count(0), 2);
    EXPECT_EQ(barrier.getWaiting(), 0u);
}

TEST(Barrier, StoppedWaiterLeavesAndResetReleasesTheOthers) {
    vuBarrier barrier(4);
    ThreadGroup threads;
    threads.start(3, [&](FunctionThread&, int) { return barrier.wait(); });
    ASSERT_TRUE(eventually([&] { return barrier.getWaiting() == 3u; }));
    EXPECT_EQ(threads.threads[0]->stop(), 0);
    EXPECT_EQ(threads.results[0].load(), kWaitFailed);
    EXPECT_EQ(barrier.getWaiting(), 2u);
    EXPECT_EQ(barrier.reset(), 0);
    ASSERT_TRUE(threads.join());
    EXPECT_EQ(threads.count(0), 2);
    EXPECT_EQ(barrier.getWaiting(), 0u);
}

}  // namespace
