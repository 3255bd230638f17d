#include "platform/vu_waitable.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <new>

#include "platform/aligned_memory.h"
#include "platform/monotonic_deadline.h"
#include "platform/vu_thread.h"

namespace vu_threads {

struct WaitableState {
    pthread_mutex_t mutex;
    pthread_cond_t cond;  // on CLOCK_MONOTONIC, broadcast on every change
    WaitableKind kind;
    int maximum;
    // Semaphore count, or 0/1 for an event. Changed only under `mutex`;
    // atomic because a thread watching this object as its stop event reads
    // it under a different object's mutex.
    std::atomic<int> count;

    // The object the owning thread is blocked on while it watches this one
    // as its stop event; null when it is not waiting. Written under
    // watcherMutex, which is always taken before any object's `mutex`.
    // Atomic so that set() can see, before it lets go of the event, whether
    // anyone watches it: an event nobody watches is not touched after its
    // mutex is released, so a waiter may destroy it as soon as it wakes.
    pthread_mutex_t watcherMutex;
    std::atomic<WaitableState*> watched;
};

namespace {

using hox::platform::alignedAlloc;
using hox::platform::alignedFree;

WaitableState* createState(WaitableKind kind, int initialCount, int maximumCount) {
    void* memory = alignedAlloc(sizeof(WaitableState));
    if (!memory) return nullptr;
    auto* state = new (memory) WaitableState;
    state->kind = kind;
    state->maximum = maximumCount;
    state->count.store(initialCount);
    state->watched.store(nullptr);

    bool mutexReady = pthread_mutex_init(&state->mutex, nullptr) == 0;
    bool watcherReady = pthread_mutex_init(&state->watcherMutex, nullptr) == 0;
    bool condReady = false;
    pthread_condattr_t attributes;
    if (pthread_condattr_init(&attributes) == 0) {
        condReady = pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC) == 0 &&
                    pthread_cond_init(&state->cond, &attributes) == 0;
        pthread_condattr_destroy(&attributes);
    }
    if (mutexReady && watcherReady && condReady) return state;

    if (mutexReady) pthread_mutex_destroy(&state->mutex);
    if (watcherReady) pthread_mutex_destroy(&state->watcherMutex);
    if (condReady) pthread_cond_destroy(&state->cond);
    state->~WaitableState();
    alignedFree(memory);
    return nullptr;
}

void destroyState(WaitableState* state) {
    if (!state) return;
    pthread_cond_destroy(&state->cond);
    pthread_mutex_destroy(&state->mutex);
    pthread_mutex_destroy(&state->watcherMutex);
    state->~WaitableState();
    alignedFree(state);
}

// Caller holds state->mutex. Takes the object if it is signalled.
bool tryAcquireLocked(WaitableState* state) {
    const int count = state->count.load();
    if (count <= 0) return false;
    if (state->kind != WaitableKind::ManualResetEvent) state->count.store(count - 1);
    return true;
}

void setWatched(WaitableState* stop, WaitableState* object) {
    pthread_mutex_lock(&stop->watcherMutex);
    stop->watched.store(object);
    pthread_mutex_unlock(&stop->watcherMutex);
}

// Wakes the owner of `stop` if it is blocked on some other object.
void wakeWatcher(WaitableState* stop) {
    pthread_mutex_lock(&stop->watcherMutex);
    if (WaitableState* object = stop->watched.load()) {
        pthread_mutex_lock(&object->mutex);
        pthread_cond_broadcast(&object->cond);
        pthread_mutex_unlock(&object->mutex);
    }
    pthread_mutex_unlock(&stop->watcherMutex);
}

int waitOn(WaitableState* object, WaitableState* stop, unsigned milliseconds) {
    if (!object) return kWaitFailed;
    if (stop == object) stop = nullptr;
    if (stop) setWatched(stop, object);

    const bool limited = milliseconds != kInfinite;
    const timespec deadline =
        limited ? hox::platform::monotonicDeadlineAfterMilliseconds(milliseconds) : timespec{};

    int result = kWaitFailed;
    pthread_mutex_lock(&object->mutex);
    for (;;) {
        if (tryAcquireLocked(object)) {
            result = kWaitObject;
            break;
        }
        if (stop && stop->count.load() > 0) {
            result = kWaitStopped;
            break;
        }
        if (limited && milliseconds == 0) {
            result = kWaitTimeout;
            break;
        }
        const int rc = limited ? pthread_cond_timedwait(&object->cond, &object->mutex, &deadline)
                               : pthread_cond_wait(&object->cond, &object->mutex);
        if (rc == ETIMEDOUT) {
            // A signal may have arrived together with the time-out; the
            // object still wins over the stop event and the time-out.
            if (tryAcquireLocked(object)) {
                result = kWaitObject;
            } else if (stop && stop->count.load() > 0) {
                result = kWaitStopped;
            } else {
                result = kWaitTimeout;
            }
            break;
        }
        if (rc != 0) break;  // kWaitFailed
    }
    pthread_mutex_unlock(&object->mutex);

    if (stop) setWatched(stop, nullptr);
    return result;
}

}  // namespace

vuWaitable::vuWaitable(WaitableKind kind, int initialCount, int maximumCount)
    : state_(createState(kind, initialCount, maximumCount)) {}

vuWaitable::~vuWaitable() {
    destroyState(state_);
}

vuEvent::vuEvent(bool manualReset, bool initiallySet)
    : vuWaitable(manualReset ? WaitableKind::ManualResetEvent : WaitableKind::AutoResetEvent,
                 initiallySet ? 1 : 0, 1) {}

int vuEvent::set() {
    if (!state_) return kWaitFailed;
    WaitableState* state = state_;
    pthread_mutex_lock(&state->mutex);
    state->count.store(1);
    // Broadcast even for an auto-reset event: every waiter re-checks, the
    // first one takes the event, and none can swallow the wake-up of another.
    pthread_cond_broadcast(&state->cond);
    // The store above and this load pair with the watcher's store of
    // `watched` and its load of `count` (both sequentially consistent):
    // either it sees the event set, or we see it watching and wake it.
    const bool watched = state->watched.load() != nullptr;
    pthread_mutex_unlock(&state->mutex);
    if (watched) wakeWatcher(state);
    return 0;
}

int vuEvent::reset() {
    if (!state_) return kWaitFailed;
    pthread_mutex_lock(&state_->mutex);
    state_->count.store(0);
    pthread_mutex_unlock(&state_->mutex);
    return 0;
}

bool vuEvent::isSet() const {
    return state_ && state_->count.load() > 0;
}

namespace {

int clampedMaximum(int maximumCount) {
    return maximumCount < 1 ? 1 : maximumCount;
}

int clampedInitial(int initialCount, int maximumCount) {
    if (initialCount < 0) return 0;
    return initialCount > clampedMaximum(maximumCount) ? clampedMaximum(maximumCount)
                                                        : initialCount;
}

}  // namespace

vuSemaphore::vuSemaphore(int initialCount, int maximumCount)
    : vuWaitable(WaitableKind::Semaphore, clampedInitial(initialCount, maximumCount),
                 clampedMaximum(maximumCount)) {}

int vuSemaphore::release(int count) {
    if (!state_ || count < 1) return kWaitFailed;
    pthread_mutex_lock(&state_->mutex);
    const int64_t total = static_cast<int64_t>(state_->count.load()) + count;
    const bool fits = total <= state_->maximum;
    if (fits) {
        state_->count.store(static_cast<int>(total));
        pthread_cond_broadcast(&state_->cond);
    }
    pthread_mutex_unlock(&state_->mutex);
    return fits ? 0 : kWaitFailed;
}

int waitForObject(vuWaitable& object, unsigned milliseconds) {
    WaitableState* stop = nullptr;
    if (vuThread* thread = currentThread()) {
        if (vuEvent* stopEvent = thread->stopEvent()) stop = stopEvent->state_;
    }
    return waitOn(object.state_, stop, milliseconds);
}

int waitForObjectIgnoringStop(vuWaitable& object, unsigned milliseconds) {
    return waitOn(object.state_, nullptr, milliseconds);
}

}  // namespace vu_threads
