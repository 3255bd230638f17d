// WorkDispatcher: the queues between the engine and its render threads.
//
// The engine pushes 32-bit job words; each render thread takes them one at a
// time. A word with the broadcast bit set is run once by every thread: the
// thread that takes it from the shared queue copies it into the private
// queue of every other thread. Threads serve their private queue before the
// shared one, so every thread sees the broadcasts (begin-frame, begin-view)
// in the order they were pushed and before any tile pushed after them.
//
// One mutex guards every queue and counter; no job runs while it is held.
#pragma once

#include <cstdint>

#include "engine/job_ring.h"
#include "platform/vu_threads.h"

namespace hox {
namespace engine {

// Job word: bit 31 broadcast, bits 24-30 command, bits 0-23 payload.
constexpr uint32_t kJobBroadcast = 0x80000000u;
constexpr uint32_t kJobPayloadMask = 0x00FFFFFFu;

enum JobCommand : uint32_t {
    kJobBeginFrame = 1,  // broadcast; payload: frame number mod 2^24
    kJobBeginView = 2,   // broadcast; payload: view index
    kJobTile = 3,        // one thread; payload: tile index
    kJobBarrier = 4,     // broadcast; meet at the dispatcher's barrier
    kJobQuit = 5,        // broadcast; leave the thread loop
};

constexpr uint32_t jobCommand(uint32_t word) { return (word >> 24) & 0x7Fu; }
constexpr uint32_t jobPayload(uint32_t word) { return word & kJobPayloadMask; }
constexpr bool isBroadcast(uint32_t word) { return (word & kJobBroadcast) != 0; }

constexpr uint32_t beginFrameJob(int frameNumber) {
    return kJobBroadcast | (kJobBeginFrame << 24) | (static_cast<uint32_t>(frameNumber) & kJobPayloadMask);
}
constexpr uint32_t beginViewJob(int viewIndex) {
    return kJobBroadcast | (kJobBeginView << 24) | (static_cast<uint32_t>(viewIndex) & kJobPayloadMask);
}
constexpr uint32_t tileJob(int tileIndex) {
    return (kJobTile << 24) | (static_cast<uint32_t>(tileIndex) & kJobPayloadMask);
}
constexpr uint32_t kBarrierJob = kJobBroadcast | (kJobBarrier << 24);  // 0x84000000
constexpr uint32_t kQuitJob = kJobBroadcast | (kJobQuit << 24);        // 0x85000000

constexpr uint32_t kSharedQueueCapacity = 4096;
constexpr uint32_t kPrivateQueueCapacity = 16;
// A missed wake-up costs at most this long.
constexpr unsigned kDispatchWaitMilliseconds = 10;

class WorkDispatcher {
public:
    // For `threadCount` render threads (at least 1) and one calling thread.
    explicit WorkDispatcher(int threadCount);
    ~WorkDispatcher();
    WorkDispatcher(const WorkDispatcher&) = delete;
    WorkDispatcher& operator=(const WorkDispatcher&) = delete;

    // False when a queue, the mutex, a condition or the barrier could not be
    // created; such a dispatcher must not be used.
    bool isValid() const;
    int threadCount() const { return threadCount_; }

    // Engine side. 0, or -1 when the shared queue could not grow (the word is
    // then dropped).
    int push(uint32_t word);

    // Render thread `threadIndex`: the next job word, waiting until there is
    // one. A thread asked to stop (its vuThread stop event) gets kQuitJob,
    // so it can never spin on a wait that ends at once.
    uint32_t take(int threadIndex);

    // Engine side: pushes kBarrierJob and waits until every render thread has
    // reached it, so every job pushed before has been taken and finished.
    int barrier();

    // Render thread side of the barrier job.
    int arriveAtBarrier();

    // Engine side: waits until every broadcast copy has been taken.
    void waitUntilDrained();

    // Snapshots under the mutex, for diagnostics and tests.
    int pendingUnits();
    int pendingBroadcastCopies();
    uint32_t sharedCapacity();
    uint32_t privateCapacity(int threadIndex);

private:
    void takeBroadcastCopy();

    const int threadCount_;
    int pendingUnits_ = 0;
    int pendingCopies_ = 0;
    JobRing shared_;
    JobRing** private_ = nullptr;  // one ring per thread
    vu_threads::vuMutex mutex_;
    vu_threads::vuCondition work_;
    vu_threads::vuCondition drained_;
    vu_threads::vuBarrier barrier_;
};

}  // namespace engine
}  // namespace hox
