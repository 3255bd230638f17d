// The job ring and the dispatcher's queues, driven from one thread: every
// take below has a word waiting, so nothing here can block.
#include <gtest/gtest.h>

#include <vector>

#include "engine/job_ring.h"
#include "engine/work_dispatcher.h"

namespace hox {
namespace engine {
namespace {

std::vector<uint32_t> drainRing(JobRing& ring) {
    std::vector<uint32_t> words;
    while (!ring.empty()) words.push_back(ring.pop());
    return words;
}

TEST(JobRing, GrowthCapacities) {
    EXPECT_EQ(JobRing::grownCapacity(0), 2u);
    EXPECT_EQ(JobRing::grownCapacity(1), 2u);
    EXPECT_EQ(JobRing::grownCapacity(3), 8u);
    EXPECT_EQ(JobRing::grownCapacity(16), 32u);
    EXPECT_EQ(JobRing::grownCapacity(4096), 8192u);
    EXPECT_EQ(JobRing(100).capacity(), 128u);
    EXPECT_EQ(JobRing(0).capacity(), 0u);
}

TEST(JobRing, GrowingAWrappedRingKeepsOrder) {
    for (uint32_t start : {0u, 1u, 4u}) {
        JobRing ring(4);
        // Move the head so that the queued words wrap round the storage.
        for (uint32_t i = 0; i < start; ++i) ring.push(99);
        for (uint32_t i = 0; i < start; ++i) ring.pop();
        std::vector<uint32_t> expected;
        for (uint32_t i = 0; i < 11; ++i) {
            ASSERT_TRUE(ring.push(i));
            expected.push_back(i);
        }
        EXPECT_EQ(ring.capacity(), 16u);
        EXPECT_EQ(drainRing(ring), expected) << "head started at " << start;
    }
    JobRing empty(0);
    ASSERT_TRUE(empty.push(7));
    EXPECT_EQ(empty.capacity(), 2u);
    EXPECT_EQ(empty.pop(), 7u);
}

TEST(JobWords, Layout) {
    EXPECT_EQ(beginFrameJob(0x1234567), 0x81234567u);
    EXPECT_EQ(beginViewJob(3), 0x82000003u);
    EXPECT_EQ(tileJob(17), 0x03000011u);
    EXPECT_EQ(kBarrierJob, 0x84000000u);
    EXPECT_EQ(kQuitJob, 0x85000000u);
    EXPECT_EQ(jobCommand(0x83000005u), 3u);
    EXPECT_EQ(jobPayload(0x83000005u), 5u);
    EXPECT_TRUE(isBroadcast(kQuitJob));
    EXPECT_FALSE(isBroadcast(tileJob(1)));
}

TEST(WorkDispatcher, CountsUnitsAndHandsBroadcastCopiesOn) {
    WorkDispatcher d(3);
    ASSERT_TRUE(d.isValid());
    EXPECT_EQ(d.sharedCapacity(), kSharedQueueCapacity);
    EXPECT_EQ(d.privateCapacity(2), kPrivateQueueCapacity);

    d.push(beginFrameJob(8));
    d.push(tileJob(0));
    d.push(tileJob(1));
    EXPECT_EQ(d.pendingUnits(), 5);
    EXPECT_EQ(d.pendingBroadcastCopies(), 3);

    // Thread 1 takes the broadcast and fans it out to 0 and 2.
    EXPECT_EQ(d.take(1), beginFrameJob(8));
    EXPECT_EQ(d.pendingUnits(), 4);
    EXPECT_EQ(d.pendingBroadcastCopies(), 2);
    // Its next word comes from the shared queue; the others serve their
    // private copy first although tiles wait in the shared queue.
    EXPECT_EQ(d.take(1), tileJob(0));
    EXPECT_EQ(d.take(0), beginFrameJob(8));
    EXPECT_EQ(d.take(0), tileJob(1));
    EXPECT_EQ(d.take(2), beginFrameJob(8));
    EXPECT_EQ(d.pendingUnits(), 0);
    EXPECT_EQ(d.pendingBroadcastCopies(), 0);
    d.waitUntilDrained();  // nothing pending: returns at once
}

TEST(WorkDispatcher, PrivateQueuesGrowAndKeepBroadcastOrder) {
    WorkDispatcher d(2);
    std::vector<uint32_t> expected;
    for (int v = 0; v < 40; ++v) {
        d.push(beginViewJob(v));
        expected.push_back(beginViewJob(v));
    }
    for (int v = 0; v < 40; ++v) EXPECT_EQ(d.take(0), expected[v]);
    EXPECT_EQ(d.privateCapacity(1), 64u);
    EXPECT_EQ(d.pendingBroadcastCopies(), 40);
    for (int v = 0; v < 40; ++v) EXPECT_EQ(d.take(1), expected[v]);
    EXPECT_EQ(d.pendingBroadcastCopies(), 0);
}

TEST(WorkDispatcher, SharedQueueGrowsPastItsFirstCapacityInOrder) {
    WorkDispatcher d(1);
    for (int t = 0; t < 10000; ++t) ASSERT_EQ(d.push(tileJob(t)), 0);
    EXPECT_EQ(d.sharedCapacity(), 16384u);
    EXPECT_EQ(d.pendingUnits(), 10000);
    for (int t = 0; t < 10000; ++t) ASSERT_EQ(d.take(0), tileJob(t));
    EXPECT_EQ(d.pendingUnits(), 0);
}

}  // namespace
}  // namespace engine
}  // namespace hox
