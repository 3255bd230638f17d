// Helpers shared by the threading tests.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/clock.h"
#include "platform/thread_services.h"
#include "platform/vu_thread.h"

namespace vu_threads_test {

// A vuThread whose body is a function, for tests that need a short body.
class FunctionThread : public vu_threads::vuThread {
public:
    explicit FunctionThread(std::function<void(FunctionThread&)> body) : body_(std::move(body)) {}

    ~FunctionThread() override {
        // The body uses body_, which dies with this object: end it first.
        if (vu_threads::currentThread() != this) {
            stop();
            waitForExit(vu_threads::kInfinite);
        }
    }

protected:
    void run() override { body_(*this); }

private:
    std::function<void(FunctionThread&)> body_;
};

// Polls `condition` until it holds or `limitMs` passes. Used only to wait for
// another thread to reach a state, never as the proof of a result: the
// limit is generous and a test that needs it fails on the assertion after.
inline bool eventually(const std::function<bool()>& condition, uint32_t limitMs = 5000) {
    const uint32_t start = hox::platform::monotonicMilliseconds();
    while (!condition()) {
        if (hox::platform::monotonicMilliseconds() - start > limitMs) return false;
        vu_threads::sleepMicroseconds(200);
    }
    return true;
}

}  // namespace vu_threads_test
