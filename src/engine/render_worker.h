// RenderWorker and WorkerFactory: what a render thread runs its jobs on.
//
// Each render thread owns exactly one worker and is the only thread that
// calls it, so a worker keeps its per-thread state (current frame, view
// set-up, sample lists, statistics) without locks. The worker counts the
// frame's work units down itself: the thread only decides which operation a
// job word asks for.
//
// Workers are created by a factory (the local engine's frame context) on the
// render thread itself, so that their memory is first touched by the core
// the thread is pinned to, and are destroyed through the same factory when
// the thread object is deleted. The factory owns both halves, so a worker
// is always freed by the allocator that made it.
#pragma once

#include <cstddef>

#include "platform/aligned_memory.h"

namespace hox {
namespace engine {

// Workers sit on their own pair of cache lines: the threads write their
// workers constantly, and two workers sharing a line would make the cores
// fight over it.
constexpr std::size_t kWorkerAlignment = 128;

class RenderWorker {
public:
    virtual ~RenderWorker() {}
    // Job 1, on every thread: a new frame; only its parity selects the slot.
    virtual void beginFrame(int frameNumber) = 0;
    // Job 2, on every thread: set up view `viewIndex` of the current frame.
    virtual void beginView(int viewIndex) = 0;
    // Job 3, on one thread: render a tile of the current view.
    virtual void renderTile(int tileIndex) = 0;
    // Job 3 while the pool drains: count the tile down without rendering.
    virtual void skipTile(int tileIndex) = 0;
};

class WorkerFactory {
public:
    virtual ~WorkerFactory() {}
    // Called once on render thread `threadIndex`, before it takes any job.
    // Null when the worker cannot be had.
    virtual RenderWorker* createWorker(int threadIndex) = 0;
    // Frees a worker made by createWorker; accepts null.
    virtual void destroyWorker(RenderWorker* worker) = 0;
    // A thread whose worker could not be made still owes every job its work
    // unit, or the frame would never complete: it reports each job of frame
    // `frameNumber` here instead, and the factory counts the unit down.
    virtual void completeWithoutWorker(int frameNumber) { (void)frameNumber; }
};

// The allocation pair for factories: createWorker returns
// allocateWorker<W>(...), destroyWorker calls freeWorker<W>(worker) with the
// same W, which finds the start of the block even when RenderWorker is not
// W's first base.
template <typename W, typename... Args>
W* allocateWorker(Args&&... args) {
    return platform::alignedNew<W>(kWorkerAlignment, static_cast<Args&&>(args)...);
}

template <typename W>
void freeWorker(RenderWorker* worker) {
    platform::alignedDelete(static_cast<W*>(worker));
}

}  // namespace engine
}  // namespace hox
