// RenderThreadPool: the local engine's render threads and their dispatcher,
// started, drained and stopped as one unit.
//
// Every operation is made from one calling thread (the engine's); the pool
// itself is the barrier's extra party, so start, drain and stop return only
// when every render thread has caught up with them.
#pragma once

#include <cstdint>
#include <functional>

namespace hox {
namespace engine {

class RenderThread;
class WorkDispatcher;
class WorkerFactory;

class RenderThreadPool {
public:
    RenderThreadPool() = default;
    // Stops the threads if they still run.
    ~RenderThreadPool();
    RenderThreadPool(const RenderThreadPool&) = delete;
    RenderThreadPool& operator=(const RenderThreadPool&) = delete;

    // The pool's size for a requested count: the request when it is at
    // least 1 and below the processor count, otherwise the processor count.
    static int resolveThreadCount(int requested);

    // Creates the dispatcher, starts threads 0 … threadCount − 1 and returns
    // once each has created its worker and reached its job loop. A running
    // pool is stopped first. 0, or -1 when the dispatcher or a thread could
    // not be created (nothing then runs). `factory` must outlive the pool's
    // threads.
    int start(int threadCount, WorkerFactory& factory);

    // Finishes every queued job without rendering: tile jobs are skipped
    // (their units counted down), broadcasts still run. `onAbort` runs after
    // the threads know they are draining and before the pool waits for them.
    // When it returns, every job pushed before it has finished.
    void drain(const std::function<void()>& onAbort = {});

    // Drains, sends every thread out of its loop, waits until each has
    // finished and frees threads, workers and dispatcher. Does nothing when
    // the pool is not running.
    void stop(const std::function<void()>& onAbort = {});

    // Queues one job word (see work_dispatcher.h). 0, or -1 when the pool is
    // not running or the queue could not grow.
    int push(uint32_t jobWord);

    bool isRunning() const { return dispatcher_ != nullptr; }
    // 0 when not running.
    int threadCount() const { return threadCount_; }
    // The running dispatcher (null when stopped), for diagnostics.
    WorkDispatcher* dispatcher() const { return dispatcher_; }

private:
    // Quits and frees the first `started` threads of the array, then the
    // array and the dispatcher.
    void release(int started);

    WorkDispatcher* dispatcher_ = nullptr;
    RenderThread** threads_ = nullptr;
    int threadCount_ = 0;
};

}  // namespace engine
}  // namespace hox
