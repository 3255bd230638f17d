// vuThread: a thread whose body is the virtual run().
//
// A derived class supplies run(); start() runs it on a new thread, and the
// thread may be started again once run() has returned. Each thread owns a
// manual-reset stop event: stop() sets it, and every waitForObject() made
// on the thread (and so every vuCondition and vuBarrier wait) watches it,
// which is how a body is asked to finish.
//
// How the POSIX version behaves:
//   - stop() cannot end a body by force: cancelling or killing a thread that
//     holds locks or owns C++ objects corrupts the process. It sets the stop
//     event and gives the body kStopGraceMilliseconds to return; it answers
//     -1 when the body is still running after that, which means the body
//     did not watch its stop event.
//   - setPriority() maps the five levels onto per-thread nice values (idle
//     onto SCHED_IDLE). An unprivileged process may lower a thread's
//     priority but not raise it again; a refused change succeeds without
//     effect, so priorities are a hint.
//   - start() returns only after the new thread has begun, so isRunning(),
//     setPriority() and setAffinity() work immediately afterwards, and a
//     stop() right after start() is never lost. A restart clears the stop
//     event, so a new run does not inherit the last run's stop request.
//
// A derived class must end its body in its own destructor (stop() or
// waitForExit()): by the time the base destructor runs, the derived part
// that run() uses is gone. The base destructor still waits without limit
// for a body that is running.
#pragma once

#include "platform/vu_waitable.h"

namespace vu_threads {

// How long stop() lets a body notice its stop event and return.
constexpr unsigned kStopGraceMilliseconds = 2000;

// Levels for setPriority(); any other value means normal.
constexpr int kPriorityHighest = 0;
constexpr int kPriorityAboveNormal = 1;
constexpr int kPriorityNormal = 2;
constexpr int kPriorityBelowNormal = 3;
constexpr int kPriorityIdle = 4;

struct ThreadState;

class vuThread {
public:
    vuThread();
    virtual ~vuThread();

protected:
    // The thread's body.
    virtual void run() = 0;

public:
    // 0 when the thread is not running or its body returned within the grace
    // period; -1 when it is still running. Called from the body itself it
    // sets the stop event and returns -1 at once.
    virtual int stop();

    vuThread(const vuThread&) = delete;
    vuThread& operator=(const vuThread&) = delete;

    // 0 when the thread was created; -1 when it could not be, or when the
    // body of the previous start is still running.
    int start();
    bool isRunning() const;

    // 0 on success (including a change the system refused for lack of
    // privilege); -1 when the thread is not running or the change failed.
    int setPriority(int level);
    // Bit i allows processor i. -1 when the thread is not running or the
    // mask names no processor this process may use.
    int setAffinity(unsigned mask);

    // Waits until the body has returned: 0 when it has (or never ran),
    // otherwise the result of waitForObject().
    int waitForExit(unsigned milliseconds);

    // The stop event, for bodies and owners that wait on it directly; null
    // only when the thread object could not be created.
    vuEvent* stopEvent();
    bool stopRequested() const;

    // Stack size for the next start(); 0 is the system default.
    void setStackSize(unsigned bytes);
    unsigned stackSize() const;

    // The kernel id of the running thread, -1 before the first start.
    int threadId() const;

private:
    static void* entry(void* argument);

    ThreadState* state_;
};

// The vuThread whose body runs on the calling thread; null on other threads.
vuThread* currentThread();

}  // namespace vu_threads
