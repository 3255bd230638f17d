#include "engine/render_thread_pool.h"

#include "engine/render_thread.h"
#include "engine/work_dispatcher.h"
#include "platform/aligned_memory.h"
#include "platform/vu_threads.h"
#include "util/messages.h"

namespace hox {
namespace engine {

namespace {

template <typename T>
constexpr std::size_t alignmentOf() {
    return platform::alignmentFor(sizeof(T));
}

}  // namespace

RenderThreadPool::~RenderThreadPool() {
    stop();
}

int RenderThreadPool::resolveThreadCount(int requested) {
    const int processors = static_cast<int>(vu_threads::getNumProcessors());
    return requested >= 1 && requested < processors ? requested : processors;
}

int RenderThreadPool::start(int threadCount, WorkerFactory& factory) {
    if (isRunning()) stop();
    if (threadCount < 1) threadCount = 1;

    dispatcher_ = platform::alignedNew<WorkDispatcher>(alignmentOf<WorkDispatcher>(), threadCount);
    threads_ = static_cast<RenderThread**>(platform::alignedAlloc(sizeof(RenderThread*) * threadCount));
    if (!dispatcher_ || !dispatcher_->isValid() || !threads_) {
        util::error("Render threads: cannot create the work dispatcher for %d threads\n", threadCount);
        release(0);
        return -1;
    }
    threadCount_ = threadCount;
    for (int i = 0; i < threadCount; ++i) threads_[i] = nullptr;

    for (int i = 0; i < threadCount; ++i) {
        threads_[i] = platform::alignedNew<RenderThread>(alignmentOf<RenderThread>(), i,
                                                         *dispatcher_, factory);
        if (!threads_[i] || threads_[i]->start() != 0) {
            util::error("Render threads: cannot start render thread %d\n", i);
            // Thread i exists but does not run: free it with the others, but
            // wait only for the ones that run.
            release(i);
            return -1;
        }
    }

    // Every thread has created its worker and entered its loop once this
    // returns, so the first frame never waits for set-up.
    dispatcher_->barrier();
    return 0;
}

void RenderThreadPool::drain(const std::function<void()>& onAbort) {
    if (!isRunning()) return;
    for (int i = 0; i < threadCount_; ++i) threads_[i]->setDraining(true);
    if (onAbort) onAbort();
    // The barrier job goes behind everything queued; waiting for the
    // broadcast copies first means no thread still has a begin-frame or
    // begin-view of its own to run when the barrier meets.
    dispatcher_->waitUntilDrained();
    dispatcher_->barrier();
    for (int i = 0; i < threadCount_; ++i) threads_[i]->setDraining(false);
}

void RenderThreadPool::stop(const std::function<void()>& onAbort) {
    if (!isRunning()) return;
    drain(onAbort);
    release(threadCount_);
}

void RenderThreadPool::release(int started) {
    if (threads_) {
        if (started > 0) {
            dispatcher_->push(kQuitJob);
            // A thread object must not be deleted while its body runs.
            for (int i = 0; i < started; ++i) threads_[i]->waitUntilFinished();
        }
        for (int i = 0; i < threadCount_; ++i) platform::alignedDelete(threads_[i]);
        platform::alignedFree(threads_);
        threads_ = nullptr;
    }
    platform::alignedDelete(dispatcher_);
    dispatcher_ = nullptr;
    threadCount_ = 0;
}

int RenderThreadPool::push(uint32_t jobWord) {
    return isRunning() ? dispatcher_->push(jobWord) : -1;
}

}  // namespace engine
}  // namespace hox
