// Waitable objects and the one blocking wait of the library.
//
// There are no generic kernel handles on POSIX, so the objects a thread can
// block on are built here from a pthread mutex and condition variable:
//   vuEvent      manual-reset or auto-reset event;
//   vuSemaphore  counting semaphore with a fixed maximum.
//
// waitForObject() is the only place in the library that blocks on them.
// When the calling thread is a vuThread it also watches that thread's stop
// event, so asking a thread to stop ends whatever wait it is in. Setting a
// stop event wakes its thread even though the thread is blocked on another
// object's condition variable: the waiting thread registers the object it
// waits on with its stop event, and setting the stop event broadcasts that
// object's condition under the object's own mutex. The waiter checks the
// stop flag under the same mutex, so the wake-up cannot fall between its
// check and its sleep.
//
// Results follow the kernel wait convention the rest of the library expects:
// 0 the object, 1 the stop event, 258 time-out, -1 failure; a limit of
// kInfinite (0xFFFFFFFF) waits without limit.
#pragma once

namespace vu_threads {

constexpr int kWaitObject = 0;
constexpr int kWaitStopped = 1;
constexpr int kWaitTimeout = 258;
constexpr int kWaitFailed = -1;
constexpr unsigned kInfinite = 0xFFFFFFFFu;

// Largest count a vuSemaphore accepts.
constexpr int kSemaphoreMaximum = 0x7fffffff;

struct WaitableState;

enum class WaitableKind { ManualResetEvent, AutoResetEvent, Semaphore };

// Common base: owns the private block with the pthread objects. Objects are
// neither copyable nor movable, because waiting threads hold their address.
// When the block cannot be allocated or initialised the object is invalid:
// every operation on it then returns -1.
class vuWaitable {
public:
    vuWaitable(const vuWaitable&) = delete;
    vuWaitable& operator=(const vuWaitable&) = delete;

    bool isValid() const { return state_ != nullptr; }

protected:
    vuWaitable(WaitableKind kind, int initialCount, int maximumCount);
    ~vuWaitable();

    WaitableState* state_;

    friend int waitForObject(vuWaitable& object, unsigned milliseconds);
    friend int waitForObjectIgnoringStop(vuWaitable& object, unsigned milliseconds);
};

class vuEvent : public vuWaitable {
public:
    // A manual-reset event stays set, releasing every waiter, until reset();
    // an auto-reset event releases one waiter and clears itself. set() is
    // done with the event once a waiter can see it set, so that waiter may
    // destroy the event straight away (a "done" signal on the stack).
    explicit vuEvent(bool manualReset, bool initiallySet = false);

    // 0 on success, -1 on an invalid event.
    int set();
    int reset();

    // Peeks at the state without consuming it (an auto-reset event stays set).
    bool isSet() const;
};

class vuSemaphore : public vuWaitable {
public:
    // The initial count is clamped to 0 .. maximumCount; a maximum below 1
    // is raised to 1.
    vuSemaphore(int initialCount, int maximumCount = kSemaphoreMaximum);

    // Adds `count` (at least 1). Returns -1, changing nothing, when the count
    // is below 1 or the total would exceed the maximum.
    int release(int count = 1);
};

// Waits until `object` is signalled (consuming it when it is an auto-reset
// event or a semaphore) or, on a vuThread, until that thread's stop event is
// set. Returns kWaitObject, kWaitStopped, kWaitTimeout or kWaitFailed. When
// both are signalled the object wins. Waiting on one's own stop event waits
// on it as an ordinary object (result 0).
int waitForObject(vuWaitable& object, unsigned milliseconds);

// The same wait without watching the stop event: only for waits that are
// certain to end soon and must not be cut short, such as a broadcast waiting
// for the threads it has just released.
int waitForObjectIgnoringStop(vuWaitable& object, unsigned milliseconds);

}  // namespace vu_threads
