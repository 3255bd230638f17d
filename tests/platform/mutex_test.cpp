#include <gtest/gtest.h>

#include <atomic>

#include "platform/vu_mutex.h"
#include "thread_test_support.h"

namespace {

using namespace vu_threads;
using vu_threads_test::FunctionThread;

TEST(Mutex, OwnerMayLockTwiceAndMustUnlockTwice) {
    vuMutex mutex;
    ASSERT_TRUE(mutex.isValid());
    EXPECT_EQ(mutex.lock(), 0);
    EXPECT_EQ(mutex.lock(), 0);
    EXPECT_EQ(mutex.unlock(), 0);

    // Still held once: another thread must not get in yet.
    std::atomic<bool> entered{false};
    FunctionThread other([&](FunctionThread&) {
        mutex.lock();
        entered = true;
        mutex.unlock();
    });
    ASSERT_EQ(other.start(), 0);
    EXPECT_EQ(other.waitForExit(30), kWaitTimeout);
    EXPECT_FALSE(entered.load());

    EXPECT_EQ(mutex.unlock(), 0);
    EXPECT_EQ(other.waitForExit(5000), 0);
    EXPECT_TRUE(entered.load());
}

}  // namespace
