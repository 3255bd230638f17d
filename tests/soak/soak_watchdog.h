// Aborts the process with a diagnosis when a long-running host makes no
// progress: a hung call (a sync that never returns, a deadlocked Shutdown)
// is then named instead of stalling until CTest's time-out kills it silently.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

class SoakWatchdog {
public:
    explicit SoakWatchdog(int limitSeconds) : m_limit(limitSeconds), m_thread([this] { watch(); }) {}
    ~SoakWatchdog() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    SoakWatchdog(const SoakWatchdog&) = delete;
    SoakWatchdog& operator=(const SoakWatchdog&) = delete;

    // After every completed operation; `what` names the next one, for the message.
    void progress(const char* what) {
        m_current.store(what, std::memory_order_relaxed);
        m_ticks.fetch_add(1, std::memory_order_relaxed);
    }

private:
    void watch() {
        unsigned long seen = m_ticks.load();
        auto lastChange = std::chrono::steady_clock::now();
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            m_wake.wait_for(lock, std::chrono::milliseconds(200));
            if (m_ticks.load() != seen) {
                seen = m_ticks.load();
                lastChange = std::chrono::steady_clock::now();
            } else if (std::chrono::steady_clock::now() - lastChange > std::chrono::seconds(m_limit)) {
                std::fprintf(stderr, "watchdog: no progress for %d s, stuck in '%s'\n", m_limit, m_current.load());
                std::fflush(stderr);
                std::abort();  // not exit(): a core or sanitizer report shows every thread
            }
        }
    }

    const int m_limit;
    std::atomic<unsigned long> m_ticks{0};
    std::atomic<const char*> m_current{"start"};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;  // last: starts after every member it reads
};
