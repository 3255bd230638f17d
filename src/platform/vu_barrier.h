// vuBarrier: a reusable meeting point for a fixed number of threads.
//
// Each cycle ends when `count` threads have arrived; the phase then flips
// and all of them go on. A thread whose wait is cut short (time-out, or a
// stop request on a vuThread) takes its arrival back, so the barrier stays
// consistent for the threads that remain.
#pragma once

namespace vu_threads {

struct BarrierState;

class vuBarrier {
public:
    explicit vuBarrier(unsigned count);
    virtual ~vuBarrier();

    vuBarrier(const vuBarrier&) = delete;
    vuBarrier& operator=(const vuBarrier&) = delete;

    // 0 when the cycle completed (or a reset released the caller);
    // kWaitTimeout (258) when the limit passed first, with the arrival undone;
    // -1 when the calling vuThread was asked to stop (arrival undone), on a
    // barrier of count 0, or on a barrier that could not be created.
    virtual int timedWait(unsigned milliseconds);
    virtual int wait();
    // Releases every thread now waiting and starts a new cycle. Returns 0.
    virtual int reset();
    // Threads that have arrived in the current cycle.
    virtual unsigned getWaiting();

private:
    BarrierState* state_;
};

}  // namespace vu_threads
