#include "platform/vu_condition.h"

#include <pthread.h>

#include <new>

#include "platform/aligned_memory.h"
#include "platform/vu_mutex.h"

namespace vu_threads {

struct ConditionState {
    // Threads blocked in a wait and not yet released by a broadcast.
    int waiters = 0;
    // Threads released by the broadcast under way that have not yet woken.
    int toRelease = 0;
    // Guards the two counts and wasBroadcast. Every semaphore release is
    // made under it, which is what lets a waiter whose wait ended without
    // the semaphore see, under this lock, whether a wake-up raced with it.
    pthread_mutex_t waitersLock;
    // Serialises signal and broadcast; taken before waitersLock.
    pthread_mutex_t signalLock;
    vuSemaphore semaphore{0, kSemaphoreMaximum};
    vuEvent waitersDone{false};
    bool wasBroadcast = false;
};

namespace {

ConditionState* createConditionState() {
    void* memory = hox::platform::alignedAlloc(sizeof(ConditionState));
    if (!memory) return nullptr;
    auto* state = new (memory) ConditionState;
    const bool waitersReady = pthread_mutex_init(&state->waitersLock, nullptr) == 0;
    const bool signalReady = pthread_mutex_init(&state->signalLock, nullptr) == 0;
    if (waitersReady && signalReady && state->semaphore.isValid() &&
        state->waitersDone.isValid()) {
        return state;
    }
    if (waitersReady) pthread_mutex_destroy(&state->waitersLock);
    if (signalReady) pthread_mutex_destroy(&state->signalLock);
    state->~ConditionState();
    hox::platform::alignedFree(memory);
    return nullptr;
}

// Called under waitersLock by a waiter whose wait ended without taking the
// semaphore. A unit released after the wait gave up is still in the
// semaphore; leaving it there would wake some later waiter for nothing.
int settleRacingWakeUp(ConditionState& s, int result) {
    if (waitForObjectIgnoringStop(s.semaphore, 0) != kWaitObject) return result;
    // A time-out that raced with a wake-up counts as woken.
    if (result == kWaitTimeout) return kWaitObject;
    // A thread that is stopping leaves. A broadcast's unit was its own; a
    // signal's unit is handed on to another waiter, if there is one.
    if (!s.wasBroadcast && s.waiters > 1) s.semaphore.release(1);
    return result;
}

}  // namespace

vuCondition::vuCondition() : state_(createConditionState()) {}

vuCondition::~vuCondition() {
    if (!state_) return;
    pthread_mutex_destroy(&state_->waitersLock);
    pthread_mutex_destroy(&state_->signalLock);
    state_->~ConditionState();
    hox::platform::alignedFree(state_);
}

int vuCondition::timedWait(vuMutex& mutex, unsigned milliseconds) {
    if (!state_) return kWaitFailed;
    ConditionState& s = *state_;

    pthread_mutex_lock(&s.waitersLock);
    ++s.waiters;
    pthread_mutex_unlock(&s.waitersLock);

    mutex.unlock();
    int result = waitForObject(s.semaphore, milliseconds);

    bool lastOfBroadcast = false;
    pthread_mutex_lock(&s.waitersLock);
    if (result != kWaitObject) result = settleRacingWakeUp(s, result);
    if (s.wasBroadcast) {
        --s.toRelease;
        lastOfBroadcast = s.toRelease == 0;
    } else {
        --s.waiters;
    }
    pthread_mutex_unlock(&s.waitersLock);

    // Set even when this thread's own wait ended by a stop or a failure:
    // the broadcaster waits for this event without limit.
    if (lastOfBroadcast) s.waitersDone.set();

    mutex.lock();
    if (result == kWaitObject) return 0;
    return result == kWaitTimeout ? kWaitTimeout : kWaitFailed;
}

int vuCondition::wait(vuMutex& mutex) {
    return timedWait(mutex, kInfinite);
}

int vuCondition::signal() {
    if (!state_) return kWaitFailed;
    ConditionState& s = *state_;
    pthread_mutex_lock(&s.signalLock);
    pthread_mutex_lock(&s.waitersLock);
    if (s.waiters > 0) s.semaphore.release(1);
    pthread_mutex_unlock(&s.waitersLock);
    pthread_mutex_unlock(&s.signalLock);
    return 0;
}

int vuCondition::broadcast() {
    if (!state_) return kWaitFailed;
    ConditionState& s = *state_;
    int result = 0;
    pthread_mutex_lock(&s.signalLock);
    pthread_mutex_lock(&s.waitersLock);
    if (s.waiters >= 1) {
        const int released = s.waiters;
        if (s.semaphore.release(released) == 0) {
            s.wasBroadcast = true;
            s.toRelease = released;
            s.waiters = 0;
            pthread_mutex_unlock(&s.waitersLock);
            // Not cut short by a stop request: the released threads wake
            // promptly, and leaving early would let them count themselves
            // off `waiters` instead of `toRelease`.
            waitForObjectIgnoringStop(s.waitersDone, kInfinite);
            pthread_mutex_lock(&s.waitersLock);
            s.wasBroadcast = false;
        } else {
            result = kWaitFailed;
        }
    }
    pthread_mutex_unlock(&s.waitersLock);
    pthread_mutex_unlock(&s.signalLock);
    return result;
}

}  // namespace vu_threads
