// RenderThread: one thread of the local engine's pool.
//
// The body names, prioritises and (by default) pins the thread, creates the
// thread's render worker on the thread itself, then runs job words from the
// dispatcher until the quit job. Each job runs on the worker; the thread
// itself keeps only the last frame number and two flags:
//   draining  set by the engine while it aborts: tile jobs are skipped
//             (counted down) instead of rendered;
//   finished  set by the body as its last act, so the engine knows the
//             thread object can be deleted.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/vu_threads.h"

namespace hox {
namespace engine {

class RenderWorker;
class WorkDispatcher;
class WorkerFactory;

class RenderThread : public vu_threads::vuThread {
public:
    // Does not start the thread; `dispatcher` and `factory` must outlive it.
    RenderThread(int index, WorkDispatcher& dispatcher, WorkerFactory& factory);
    // Ends the body if it still runs, then frees the worker through the
    // factory that made it.
    ~RenderThread() override;

protected:
    void run() override;

public:
    int index() const { return index_; }
    // Low 24 bits of the frame number of the last begin-frame job; -1 before.
    int lastFrameNumber() const { return lastFrameNumber_.load(std::memory_order_acquire); }

    void setDraining(bool draining) { draining_.store(draining, std::memory_order_release); }
    bool isDraining() const { return draining_.load(std::memory_order_acquire); }

    bool isFinished() const { return finished_.load(std::memory_order_acquire); }
    // Waits on the thread's own condition until the body has finished its
    // loop. Waits in 10 ms steps, so a missed wake-up only delays it.
    void waitUntilFinished();

private:
    // False when the job tells the thread to leave its loop.
    bool runJob(uint32_t word);
    void markFinished();

    const int index_;
    WorkDispatcher& dispatcher_;
    WorkerFactory& factory_;
    // Written by the body before its first job, read by the destructor after
    // the body has ended.
    RenderWorker* worker_ = nullptr;
    std::atomic<int> lastFrameNumber_{-1};
    std::atomic<bool> finished_{false};
    std::atomic<bool> draining_{false};
    vu_threads::vuMutex mutex_;
    vu_threads::vuCondition finishedCondition_;
};

}  // namespace engine
}  // namespace hox
