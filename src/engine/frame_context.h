// FrameContext: the local engine's state of the frames in flight, shared by
// the engine (host thread) and every render thread.
//
// Per frame parity it keeps the frame slot and one scene state per render
// view: the view's compiled scene, made on first use and rebuilt from the
// prepared view at every frame of that parity, with the shader bindings of
// its instances. Two parities mean frame n + 1
// can be compiled while the threads still trace frame n. Beside them: the
// tile-sink override (a render server sends finished tiles to the network
// instead of a framebuffer), the statistics block that the workers add to,
// and the debug shading mode each frame was queued with.
//
// It is also the render threads' worker factory: each thread's worker is
// made and freed through it.
//
// Threading: prepareFrame writes one parity's state on the host thread
// before the frame's first job is queued; the dispatcher's lock then orders
// those writes before every worker's reads. The other parity may be read by
// workers meanwhile, and is never written.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/render_counters.h"
#include "engine/render_worker.h"
#include "engine/selection_query.h"
#include "platform/vu_threads.h"
#include "util/growable_array.h"

namespace hox {
class RenderStats;

namespace trace {
class CompiledScene;
}

namespace engine {

class FrameSlot;
class ShaderBindingTable;
class TileSink;

class FrameContext : public WorkerFactory {
public:
    FrameContext();
    // Frees the scene states (dropping their mesh references). The workers
    // must be gone: the engine stops its threads first.
    ~FrameContext() override;
    FrameContext(const FrameContext&) = delete;
    FrameContext& operator=(const FrameContext&) = delete;

    // Kept for the engines that extend the context; they do nothing here.
    virtual int reserved0() { return 0; }
    virtual int reserved1() { return 0; }

    // A RenderWorkerLocal for render thread `threadIndex` (128-byte aligned);
    // null when memory is short.
    RenderWorker* createWorker(int threadIndex) override;
    // Adds the worker's uncollected counters to the statistics, then frees it.
    void destroyWorker(RenderWorker* worker) override;
    // Counts one work unit of frame `frameNumber` down for a thread without
    // a worker.
    void completeWithoutWorker(int frameNumber) override;

    // Host thread, before the frame's jobs are queued: records the slot under
    // its parity, takes the debug shading mode for the frame and rebuilds a
    // scene state for every view. 0, or RESULT_FAILED when a scene state
    // cannot be had (no memory).
    virtual int prepareFrame(FrameSlot& slot);
    // Called while an abort drains the render threads; nothing to do here.
    virtual int onAbort() { return 0; }
    // The slot last prepared with this parity (frame number & 1), or null.
    virtual FrameSlot* getFrameSlot(int parity) const;

    // The override for every worker's tile sink; null (the default) sends
    // tiles to the views' framebuffers. Workers read it at begin-frame.
    virtual void setTileSink(TileSink* sink);
    virtual TileSink* getTileSink() const;

    // Copies the statistics block out and resets it to zero.
    virtual void getStats(RenderStats& out);

    // Traces the query's ray (kind 64) through its view's scene state of the
    // frame's parity. The scene state must still be the one built for that
    // frame: a newer frame of the same parity has replaced it, and then the
    // query finds nothing. 0 always; the outcome is the query's hit flag.
    virtual int pick(SelectionQuery& query);

    // --- For the render workers ---

    // View `view`'s scene state for frames of `parity`; null when the frame
    // had no such view.
    const trace::CompiledScene* sceneState(int parity, int view) const;
    // The rt_debugShade value the last frame of `parity` was queued with.
    int debugShadeMode(int parity) const { return debugShade_[parity & 1]; }
    // Adds eight counters to the statistics block, under its mutex.
    void addStats(const uint64_t counters[kCounterCount]);

private:
    // The view's scene state, made empty on first use. Null when memory is
    // short.
    trace::CompiledScene* ensureScene(int parity, int view);
    // The view's binding table, made on first use; null when memory is
    // short (the view's instances then shade without attributes).
    ShaderBindingTable* ensureBindings(int parity, int view);
    // Frees the states of views beyond `viewCount`, so that views a frame no
    // longer has do not keep meshes alive.
    void trimScenes(int parity, int viewCount);

    FrameSlot* slots_[2];
    util::GrowableArray<trace::CompiledScene*> scenes_[2];  // owned entries
    // The instances' shader bindings, one table per scene state above.
    util::GrowableArray<ShaderBindingTable*> bindings_[2];  // owned entries
    int debugShade_[2];
    // The frame number whose views each parity's scene states were built
    // for; -1 before the first.
    int preparedFrame_[2];
    std::atomic<TileSink*> sinkOverride_;

    vu_threads::vuMutex statsMutex_;
    uint64_t stats_[kCounterCount];
};

}  // namespace engine
}  // namespace hox
