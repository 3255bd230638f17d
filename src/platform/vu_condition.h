// vuCondition: a condition variable used with a vuMutex.
//
// Built from a counting semaphore, an auto-reset "waiters done" event and
// two locks, so that every wait goes through waitForObject() and therefore
// ends early when a vuThread is asked to stop (the wait then returns -1).
//
// broadcast() returns only after every thread it released has woken (not
// after each has re-taken its mutex), which lets a caller that holds the
// mutex broadcast and then rely on the waiters having left the condition.
//
// Like any condition variable it may wake a waiter without a matching
// signal, so waiters re-check their predicate in a loop. The caller must
// hold the mutex exactly once when it waits: a recursive hold would keep
// the mutex locked while the caller sleeps. A condition must have no
// waiters when it is destroyed.
#pragma once

#include "platform/vu_waitable.h"

namespace vu_threads {

class vuMutex;
struct ConditionState;

class vuCondition {
public:
    vuCondition();
    virtual ~vuCondition();

    vuCondition(const vuCondition&) = delete;
    vuCondition& operator=(const vuCondition&) = delete;

    // Releases `mutex`, waits for a signal or broadcast, re-takes `mutex`.
    // 0 when woken, kWaitTimeout (258) on time-out, -1 when the stop event
    // of the calling vuThread ended the wait or the wait failed.
    virtual int timedWait(vuMutex& mutex, unsigned milliseconds);
    virtual int wait(vuMutex& mutex);

    // Wakes one waiter; does nothing when none waits. Returns 0.
    virtual int signal();
    // Wakes every current waiter and returns once all of them have woken.
    // Returns 0.
    virtual int broadcast();

    bool isValid() const { return state_ != nullptr; }

private:
    ConditionState* state_;
};

}  // namespace vu_threads
