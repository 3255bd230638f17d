#include "engine/render_thread.h"

#include <cstdio>

#include "engine/render_worker.h"
#include "engine/work_dispatcher.h"
#include "util/cvars.h"
#include "util/messages.h"

namespace hox {
namespace engine {

using vu_threads::vuScopedLock;

RenderThread::RenderThread(int index, WorkDispatcher& dispatcher, WorkerFactory& factory)
    : index_(index), dispatcher_(dispatcher), factory_(factory) {}

RenderThread::~RenderThread() {
    // The body may be between setting its finished flag and returning; the
    // worker can only go once it has returned. stop() gives up after a grace
    // period, but freeing a worker that a body still uses is worse than
    // waiting.
    if (stop() != 0) waitForExit(vu_threads::kInfinite);
    factory_.destroyWorker(worker_);
    worker_ = nullptr;
}

void RenderThread::run() {
    char name[32];
    std::snprintf(name, sizeof(name), "RTRenderThread %d", index_);
    vu_threads::setThreadName(name);
    setPriority(vu_threads::kPriorityBelowNormal);
    if (util::rt_lockRenderThreads) {
        // One thread per core. On a machine with fewer cores than threads
        // the mask names a processor that does not exist; the call then
        // fails and the thread simply stays unpinned.
        setAffinity(1u << (index_ % 32));
    }

    worker_ = factory_.createWorker(index_);
    if (!worker_) {
        util::error("Render thread %d: no render worker; its jobs are counted but not rendered\n", index_);
    }

    while (runJob(dispatcher_.take(index_))) {
    }
    markFinished();
}

bool RenderThread::runJob(uint32_t word) {
    const uint32_t payload = jobPayload(word);
    switch (jobCommand(word)) {
        case kJobBeginFrame:
            lastFrameNumber_.store(static_cast<int>(payload), std::memory_order_release);
            if (worker_) worker_->beginFrame(static_cast<int>(payload));
            else factory_.completeWithoutWorker(static_cast<int>(payload));
            return true;
        case kJobBeginView:
            if (worker_) worker_->beginView(static_cast<int>(payload));
            else factory_.completeWithoutWorker(lastFrameNumber_.load(std::memory_order_relaxed));
            return true;
        case kJobTile:
            if (!worker_) {
                factory_.completeWithoutWorker(lastFrameNumber_.load(std::memory_order_relaxed));
                return true;
            }
            if (isDraining()) {
                worker_->skipTile(static_cast<int>(payload));
            } else {
                worker_->renderTile(static_cast<int>(payload));
            }
            return true;
        case kJobBarrier:
            dispatcher_.arriveAtBarrier();
            return true;
        case kJobQuit:
            return false;
        default:
            // Unknown commands are skipped, so a newer engine's words cannot
            // stop an older pool.
            return true;
    }
}

void RenderThread::markFinished() {
    vuScopedLock lock(mutex_);
    finished_.store(true, std::memory_order_release);
    finishedCondition_.broadcast();
}

void RenderThread::waitUntilFinished() {
    vuScopedLock lock(mutex_);
    while (!isFinished()) {
        finishedCondition_.timedWait(mutex_, kDispatchWaitMilliseconds);
    }
}

}  // namespace engine
}  // namespace hox
