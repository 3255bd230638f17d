#include "platform/vu_mutex.h"

#include <pthread.h>

#include <new>

#include "platform/aligned_memory.h"

namespace vu_threads {

struct MutexState {
    pthread_mutex_t mutex;
};

namespace {

MutexState* createRecursiveMutex() {
    void* memory = hox::platform::alignedAlloc(sizeof(MutexState));
    if (!memory) return nullptr;
    auto* state = new (memory) MutexState;
    pthread_mutexattr_t attributes;
    bool ready = false;
    if (pthread_mutexattr_init(&attributes) == 0) {
        ready = pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) == 0 &&
                pthread_mutex_init(&state->mutex, &attributes) == 0;
        pthread_mutexattr_destroy(&attributes);
    }
    if (ready) return state;
    state->~MutexState();
    hox::platform::alignedFree(memory);
    return nullptr;
}

}  // namespace

vuMutex::vuMutex() : state_(createRecursiveMutex()) {}

vuMutex::~vuMutex() {
    if (!state_) return;
    pthread_mutex_destroy(&state_->mutex);
    state_->~MutexState();
    hox::platform::alignedFree(state_);
}

int vuMutex::lock() {
    if (!state_) return -1;
    return pthread_mutex_lock(&state_->mutex) == 0 ? 0 : -1;
}

int vuMutex::unlock() {
    if (!state_) return -1;
    return pthread_mutex_unlock(&state_->mutex) == 0 ? 0 : -1;
}

}  // namespace vu_threads
