#include "platform/vu_thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <new>

#include "platform/aligned_memory.h"

namespace vu_threads {

struct ThreadState {
    vuEvent stopEvent{true};
    // The start hand-shake. The new thread sets startedEvent once it runs,
    // so start() returns a thread that is known to be running; start() sets
    // goEvent once it has recorded the thread, so the body (which may even
    // delete its own object) never runs while start() still uses the block.
    vuEvent startedEvent{true};
    vuEvent goEvent{true};
    // Set by the thread after its body returned.
    vuEvent finishedEvent{true};

    unsigned stackSize = 0;
    std::atomic<bool> running{false};

    // Published by the thread itself before `running` is set, so any thread
    // that sees `running` also sees the ids that belong to it.
    std::atomic<int> threadId{-1};
    std::atomic<pthread_t> self{};

    // The handle from pthread_create, used only by the owning side to reap
    // the thread.
    pthread_t handle{};
    bool hasHandle = false;

    // When an object is destroyed while its body still runs (the body
    // deleted its own object), the block outlives the object: whichever of
    // the destructor and the exiting thread comes second frees it.
    std::atomic<bool> handedOver{false};
};

namespace {

thread_local vuThread* tlsCurrentThread = nullptr;

ThreadState* createThreadState() {
    void* memory = hox::platform::alignedAlloc(sizeof(ThreadState));
    if (!memory) return nullptr;
    auto* state = new (memory) ThreadState;
    if (state->stopEvent.isValid() && state->startedEvent.isValid() &&
        state->goEvent.isValid() && state->finishedEvent.isValid()) {
        return state;
    }
    state->~ThreadState();
    hox::platform::alignedFree(memory);
    return nullptr;
}

void destroyThreadState(ThreadState* state) {
    state->~ThreadState();
    hox::platform::alignedFree(state);
}

// Nice values for levels 0..3; the idle level uses SCHED_IDLE instead.
int niceValueFor(int level) {
    switch (level) {
        case kPriorityHighest: return -10;
        case kPriorityAboveNormal: return -5;
        case kPriorityBelowNormal: return 5;
        default: return 0;
    }
}

bool refusedForPrivilege(int error) {
    return error == EPERM || error == EACCES;
}

int applySchedulingPolicy(pthread_t thread, int policy) {
    sched_param parameters{};
    parameters.sched_priority = 0;
    const int rc = pthread_setschedparam(thread, policy, &parameters);
    return rc == 0 || refusedForPrivilege(rc) ? 0 : -1;
}

size_t usableStackSize(unsigned requested) {
    size_t size = requested;
    const size_t minimum = PTHREAD_STACK_MIN;
    if (size < minimum) size = minimum;
    const long page = sysconf(_SC_PAGESIZE);
    if (page > 0) {
        const size_t pageSize = static_cast<size_t>(page);
        size = (size + pageSize - 1) / pageSize * pageSize;
    }
    return size;
}

}  // namespace

vuThread* currentThread() {
    return tlsCurrentThread;
}

vuThread::vuThread() : state_(createThreadState()) {}

vuThread::~vuThread() {
    if (!state_) return;
    ThreadState& s = *state_;
    const bool fromOwnBody = tlsCurrentThread == this;

    if (s.running.load() && s.hasHandle && !fromOwnBody) {
        if (pthread_join(s.handle, nullptr) == 0) s.hasHandle = false;
    }
    if (s.running.load()) {
        std::fputs("ERROR: deleting running thread!\n", stdout);
        std::fflush(stdout);
        vuThread::stop();
    }
    if (s.hasHandle) {
        if (s.running.load()) {
            pthread_detach(s.handle);
        } else {
            pthread_join(s.handle, nullptr);
        }
        s.hasHandle = false;
    }
    if (fromOwnBody) tlsCurrentThread = nullptr;

    if (s.running.load()) {
        // The body still runs on this block; the exiting thread frees it
        // unless it has already finished with it.
        if (!s.handedOver.exchange(true)) return;
    }
    destroyThreadState(state_);
}

void* vuThread::entry(void* argument) {
    auto* thread = static_cast<vuThread*>(argument);
    // Kept locally: the body may destroy its own object.
    ThreadState* s = thread->state_;

    tlsCurrentThread = thread;
    s->threadId.store(static_cast<int>(gettid()));
    s->self.store(pthread_self());
    s->running.store(true);
    s->startedEvent.set();
    waitForObjectIgnoringStop(s->goEvent, kInfinite);

    thread->run();

    tlsCurrentThread = nullptr;
    s->running.store(false);
    s->finishedEvent.set();
    if (s->handedOver.exchange(true)) destroyThreadState(s);
    return nullptr;
}

int vuThread::start() {
    if (!state_) return -1;
    ThreadState& s = *state_;
    if (s.running.load()) return -1;

    // The previous body has returned; reap its thread before reusing the
    // block (this also waits out the last steps of the thread entry).
    if (s.hasHandle) {
        pthread_join(s.handle, nullptr);
        s.hasHandle = false;
    }
    s.stopEvent.reset();
    s.startedEvent.reset();
    s.goEvent.reset();
    s.finishedEvent.reset();
    s.handedOver.store(false);

    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return -1;
    bool ready = true;
    if (s.stackSize != 0) {
        ready = pthread_attr_setstacksize(&attributes, usableStackSize(s.stackSize)) == 0;
    }
    pthread_t handle{};
    if (ready) ready = pthread_create(&handle, &attributes, &vuThread::entry, this) == 0;
    pthread_attr_destroy(&attributes);
    if (!ready) return -1;

    // The new thread sets startedEvent within its first instructions; a
    // stop request on the caller must not cut the hand-shake short.
    waitForObjectIgnoringStop(s.startedEvent, kInfinite);
    s.handle = handle;
    s.hasHandle = true;
    s.goEvent.set();  // from here on the block may belong to the body
    return 0;
}

bool vuThread::isRunning() const {
    return state_ && state_->running.load();
}

int vuThread::stop() {
    if (!state_ || !state_->running.load()) return 0;
    ThreadState& s = *state_;
    s.stopEvent.set();
    if (tlsCurrentThread == this) return -1;  // it cannot end while we are in it
    if (waitForObjectIgnoringStop(s.finishedEvent, kStopGraceMilliseconds) == kWaitObject) {
        return 0;
    }
    return s.running.load() ? -1 : 0;
}

int vuThread::waitForExit(unsigned milliseconds) {
    if (!state_ || !state_->running.load()) return 0;
    return waitForObject(state_->finishedEvent, milliseconds);
}

int vuThread::setPriority(int level) {
    if (!isRunning()) return -1;
    const pthread_t thread = state_->self.load();
    if (level == kPriorityIdle) return applySchedulingPolicy(thread, SCHED_IDLE);

    // Leave the idle class first, or a nice value would have no meaning.
    int policy = SCHED_OTHER;
    sched_param current{};
    if (pthread_getschedparam(thread, &policy, &current) != 0) return -1;
    if (policy == SCHED_IDLE && applySchedulingPolicy(thread, SCHED_OTHER) != 0) return -1;

    // On Linux each thread has its own nice value, addressed by its id.
    const id_t id = static_cast<id_t>(state_->threadId.load());
    if (setpriority(PRIO_PROCESS, id, niceValueFor(level)) == 0) return 0;
    return refusedForPrivilege(errno) ? 0 : -1;
}

int vuThread::setAffinity(unsigned mask) {
    if (!isRunning()) return -1;
    cpu_set_t processors;
    CPU_ZERO(&processors);
    for (unsigned bit = 0; bit < 32; ++bit) {
        if (mask & (1u << bit)) CPU_SET(bit, &processors);
    }
    return pthread_setaffinity_np(state_->self.load(), sizeof(processors), &processors) == 0 ? 0
                                                                                           : -1;
}

vuEvent* vuThread::stopEvent() {
    return state_ ? &state_->stopEvent : nullptr;
}

bool vuThread::stopRequested() const {
    return state_ && state_->stopEvent.isSet();
}

void vuThread::setStackSize(unsigned bytes) {
    if (state_) state_->stackSize = bytes;
}

unsigned vuThread::stackSize() const {
    return state_ ? state_->stackSize : 0;
}

int vuThread::threadId() const {
    return state_ ? state_->threadId.load() : -1;
}

}  // namespace vu_threads
