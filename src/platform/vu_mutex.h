// vuMutex: the library's lock.
//
// Recursive: the owning thread may lock it again and must unlock it as many
// times, so code that holds the lock may call helpers that take it too.
// A mutex must not be held when it is destroyed.
#pragma once

namespace vu_threads {

struct MutexState;

class vuMutex {
public:
    vuMutex();
    virtual ~vuMutex();

    vuMutex(const vuMutex&) = delete;
    vuMutex& operator=(const vuMutex&) = delete;

    // 0 on success; -1 only when the mutex could not be created.
    int lock();
    int unlock();

    bool isValid() const { return state_ != nullptr; }

private:
    MutexState* state_;
};

// Holds a vuMutex for the lifetime of a scope.
class vuScopedLock {
public:
    explicit vuScopedLock(vuMutex& mutex) : mutex_(mutex) { mutex_.lock(); }
    ~vuScopedLock() { mutex_.unlock(); }

    vuScopedLock(const vuScopedLock&) = delete;
    vuScopedLock& operator=(const vuScopedLock&) = delete;

private:
    vuMutex& mutex_;
};

}  // namespace vu_threads
