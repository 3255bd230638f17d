// Helpers shared by the threading tests.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/thread_services.h"
#include "platform/vu_thread.h"

namespace vu_threads_test {

// A vuThread whose body is a function, for tests that need a short body.
class FunctionThread : public vu_threads::vuThread {
public:
    explicit FunctionThread(std::function<void(FunctionThread&)> body) : body_(std::move(body)) {}

    ~FunctionThread() override {  // the body uses body_: end it first
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

// Threads that each run a body once and keep the int it returned (kRunning
// until then). Declare after the objects its bodies use.
class ThreadGroup {
public:
    using Body = std::function<int(FunctionThread& self, int index)>;
    static constexpr int kRunning = -2;

    // Starts `count` more threads; the i-th runs body(self, i).
    void start(int count, const Body& body) {
        const size_t first = results.size();
        for (int i = 0; i < count; ++i) results.emplace_back(kRunning);
        for (int i = 0; i < count; ++i) {
            std::atomic<int>* result = &results[first + i];
            threads.push_back(std::make_unique<FunctionThread>(
                [result, body, i](FunctionThread& self) { *result = body(self, i); }));
            ASSERT_EQ(threads.back()->start(), 0);
        }
    }

    // False when a thread is still running after `limitMs`.
    bool join(unsigned limitMs = 5000) {
        for (auto& thread : threads) {
            if (thread->waitForExit(limitMs) != 0) return false;
        }
        return true;
    }

    int count(int result) const {
        int n = 0;
        for (const auto& r : results) n += r.load() == result;
        return n;
    }

    std::deque<std::atomic<int>> results;
    std::vector<std::unique_ptr<FunctionThread>> threads;
};

// Waits for another thread to reach a state; never the proof of a result.
inline bool eventually(const std::function<bool()>& condition, uint32_t limitMs = 5000) {
    const uint32_t start = hox::platform::monotonicMilliseconds();
    while (!condition()) {
        if (hox::platform::monotonicMilliseconds() - start > limitMs) return false;
        vu_threads::sleepMicroseconds(200);
    }
    return true;
}

}  // namespace vu_threads_test
