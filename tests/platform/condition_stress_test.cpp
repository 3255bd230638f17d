#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/vu_condition.h"
#include "platform/vu_mutex.h"
#include "thread_test_support.h"

namespace {

using namespace vu_threads;
using vu_threads_test::FunctionThread;

// A bounded queue guarded by one mutex and two conditions; plain fields, so
// any lapse in the locking shows up as a data race or a wrong total.
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
    constexpr int kPairs = 2;
    constexpr int kItemsPerThread = 10000;
    BoundedQueue queue;
    std::vector<int64_t> consumed(kPairs, 0);
    std::vector<std::unique_ptr<FunctionThread>> threads;
    for (int p = 0; p < kPairs; ++p) {
        threads.push_back(std::make_unique<FunctionThread>([&queue](FunctionThread&) {
            for (int i = 1; i <= kItemsPerThread; ++i) queue.push(i);
        }));
        threads.push_back(std::make_unique<FunctionThread>([&queue, &consumed, p](FunctionThread&) {
            for (int i = 0; i < kItemsPerThread; ++i) consumed[p] += queue.pop();
        }));
    }
    for (auto& thread : threads) ASSERT_EQ(thread->start(), 0);
    for (auto& thread : threads) ASSERT_EQ(thread->waitForExit(120000), 0);

    const int64_t perProducer = int64_t{kItemsPerThread} * (kItemsPerThread + 1) / 2;
    EXPECT_EQ(consumed[0] + consumed[1], kPairs * perProducer);
}

}  // namespace
