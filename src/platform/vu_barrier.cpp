#include "platform/vu_barrier.h"

#include <cstdint>
#include <new>

#include "platform/aligned_memory.h"
#include "platform/clock.h"
#include "platform/vu_condition.h"
#include "platform/vu_mutex.h"
#include "platform/vu_waitable.h"

namespace vu_threads {

struct BarrierState {
    explicit BarrierState(unsigned threads) : count(threads) {}

    vuCondition condition;
    vuMutex mutex;
    const unsigned count;
    unsigned arrived = 0;
    int phase = 0;
};

namespace {

BarrierState* createBarrierState(unsigned count) {
    void* memory = hox::platform::alignedAlloc(sizeof(BarrierState));
    if (!memory) return nullptr;
    auto* state = new (memory) BarrierState(count);
    if (state->condition.isValid() && state->mutex.isValid()) return state;
    state->~BarrierState();
    hox::platform::alignedFree(memory);
    return nullptr;
}

// Time left of a wait that started at `start`; kInfinite stays kInfinite.
unsigned remainingMilliseconds(unsigned limit, uint32_t start) {
    if (limit == kInfinite) return kInfinite;
    const uint32_t elapsed = hox::platform::monotonicMilliseconds() - start;
    return elapsed >= limit ? 0 : limit - elapsed;
}

}  // namespace

vuBarrier::vuBarrier(unsigned count) : state_(createBarrierState(count)) {}

vuBarrier::~vuBarrier() {
    if (!state_) return;
    state_->~BarrierState();
    hox::platform::alignedFree(state_);
}

int vuBarrier::timedWait(unsigned milliseconds) {
    // A barrier of no threads could never complete a cycle.
    if (!state_ || state_->count == 0) return kWaitFailed;
    BarrierState& s = *state_;
    const uint32_t start = hox::platform::monotonicMilliseconds();

    vuScopedLock hold(s.mutex);
    const int phase = s.phase;
    if (++s.arrived == s.count) {
        s.arrived = 0;
        s.phase ^= 1;
        // Safe under our mutex: the released waiters take the condition's
        // own lock, not this mutex, before the broadcast is complete.
        s.condition.broadcast();
        return 0;
    }
    // The phase, not a wake-up, says whether the cycle ended: a condition
    // may wake a waiter without cause, and a wait limit is kept across
    // such wake-ups.
    while (s.phase == phase) {
        const int result = s.condition.timedWait(s.mutex, remainingMilliseconds(milliseconds, start));
        if (s.phase != phase) break;
        if (result == kWaitTimeout || result == kWaitFailed) {
            --s.arrived;
            return result;
        }
    }
    return 0;
}

int vuBarrier::wait() {
    return timedWait(kInfinite);
}

int vuBarrier::reset() {
    if (!state_) return kWaitFailed;
    BarrierState& s = *state_;
    vuScopedLock hold(s.mutex);
    s.arrived = 0;
    s.phase ^= 1;
    s.condition.broadcast();
    return 0;
}

unsigned vuBarrier::getWaiting() {
    if (!state_) return 0;
    vuScopedLock hold(state_->mutex);
    return state_->arrived;
}

}  // namespace vu_threads
