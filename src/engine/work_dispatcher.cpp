#include "engine/work_dispatcher.h"

#include <cassert>

#include "platform/aligned_memory.h"
#include "util/messages.h"

namespace hox {
namespace engine {

using vu_threads::vuScopedLock;

WorkDispatcher::WorkDispatcher(int threadCount)
    : threadCount_(threadCount < 1 ? 1 : threadCount),
      shared_(kSharedQueueCapacity),
      barrier_(static_cast<unsigned>(threadCount_) + 1) {
    void* block = platform::alignedAlloc(sizeof(JobRing*) * threadCount_);
    if (!block) return;
    private_ = static_cast<JobRing**>(block);
    for (int i = 0; i < threadCount_; ++i) {
        private_[i] = platform::alignedNew<JobRing>(platform::alignmentFor(sizeof(JobRing)),
                                                     kPrivateQueueCapacity);
    }
}

WorkDispatcher::~WorkDispatcher() {
    if (!private_) return;
    for (int i = 0; i < threadCount_; ++i) platform::alignedDelete(private_[i]);
    platform::alignedFree(private_);
}

bool WorkDispatcher::isValid() const {
    if (!private_ || !shared_.isValid()) return false;
    for (int i = 0; i < threadCount_; ++i) {
        if (!private_[i] || !private_[i]->isValid()) return false;
    }
    return mutex_.isValid() && work_.isValid() && drained_.isValid();
}

int WorkDispatcher::push(uint32_t word) {
    vuScopedLock lock(mutex_);
    if (!shared_.push(word)) {
        util::error("Render threads: out of memory queueing job 0x%08x\n", word);
        return -1;
    }
    if (isBroadcast(word)) {
        pendingUnits_ += threadCount_;
        pendingCopies_ += threadCount_;
    } else {
        pendingUnits_ += 1;
    }
    // One waiter is enough even for a broadcast: whoever takes it hands the
    // copies on and wakes the others then.
    work_.signal();
    return 0;
}

void WorkDispatcher::takeBroadcastCopy() {
    if (--pendingCopies_ == 0) drained_.broadcast();
}

uint32_t WorkDispatcher::take(int threadIndex) {
    assert(threadIndex >= 0 && threadIndex < threadCount_);
    JobRing& own = *private_[threadIndex];
    vuScopedLock lock(mutex_);
    while (own.empty() && shared_.empty()) {
        if (work_.timedWait(mutex_, kDispatchWaitMilliseconds) == -1) {
            // The wait ends at once from now on (stop request or a broken
            // condition); looping would spin, so the thread leaves instead.
            return kQuitJob;
        }
    }

    if (!own.empty()) {
        const uint32_t word = own.pop();
        --pendingUnits_;
        takeBroadcastCopy();
        return word;
    }

    const uint32_t word = shared_.pop();
    --pendingUnits_;
    if (!isBroadcast(word)) return word;

    for (int i = 0; i < threadCount_; ++i) {
        if (i == threadIndex) continue;
        if (!private_[i]->push(word)) {
            // The copy is lost; count it as taken so that a drain does not
            // wait for it for ever.
            util::error("Render threads: out of memory handing job 0x%08x to thread %d\n", word, i);
            --pendingUnits_;
            takeBroadcastCopy();
            continue;
        }
        // Without a wake-up the thread would find its copy only after its
        // next timed wait ends.
        work_.signal();
    }
    takeBroadcastCopy();  // this thread's own copy
    return word;
}

int WorkDispatcher::barrier() {
    if (push(kBarrierJob) != 0) return -1;
    return barrier_.wait();
}

int WorkDispatcher::arriveAtBarrier() {
    return barrier_.wait();
}

void WorkDispatcher::waitUntilDrained() {
    vuScopedLock lock(mutex_);
    while (pendingCopies_ > 0) {
        if (drained_.timedWait(mutex_, kDispatchWaitMilliseconds) == -1) return;
    }
}

int WorkDispatcher::pendingUnits() {
    vuScopedLock lock(mutex_);
    return pendingUnits_;
}

int WorkDispatcher::pendingBroadcastCopies() {
    vuScopedLock lock(mutex_);
    return pendingCopies_;
}

uint32_t WorkDispatcher::sharedCapacity() {
    vuScopedLock lock(mutex_);
    return shared_.capacity();
}

uint32_t WorkDispatcher::privateCapacity(int threadIndex) {
    vuScopedLock lock(mutex_);
    return private_[threadIndex]->capacity();
}

}  // namespace engine
}  // namespace hox
