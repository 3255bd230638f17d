// RenderEngineLocal: renders the device's frames on the CPU cores of this
// machine.
//
// A frame goes: compile every view's scene (frame context) → count the work
// units → queue a begin-frame broadcast, then per view a begin-view
// broadcast and one job per tile → the render threads count the units down
// → the device, waiting on the frame slot, swaps. renderFrame returns as soon
// as the jobs are queued.
//
// Every operation is called from the device's (host) thread.
#pragma once

#include "engine/frame_context.h"
#include "engine/render_engine.h"
#include "engine/render_thread_pool.h"
#include "scene/settings_records.h"

namespace hox {
namespace engine {

class RenderEngineLocal : public IRenderEngine {
public:
    RenderEngineLocal();
    // Stops the threads first: they use the frame context.
    ~RenderEngineLocal() override;
    RenderEngineLocal(const RenderEngineLocal&) = delete;
    RenderEngineLocal& operator=(const RenderEngineLocal&) = delete;

    // Copies the settings and starts the render threads; 0.
    int init(const scene::DeviceSettingsData& settings) override;
    // Stops and frees the threads (queued tiles are skipped); 0.
    int shutdown() override;
    // Queues the frame's jobs and returns: 0, the status of a failing
    // prepareFrame (nothing queued), or RESULT_FAILED when no render thread
    // runs (the frame is then completed at once, empty).
    int renderFrame(FrameSlot& slot) override;
    // Drains the queued jobs: tiles are skipped, broadcasts still run, so
    // every frame in flight completes. 0.
    int abort() override;
    void getStats(RenderStats& stats) override;
    // 1 − remaining / total of the slot of the frame number's parity; 0 when
    // that slot holds no frame. Reads the counters without a lock.
    float getProgress(int frameNumber) override;
    int engineKind() override { return -1; }
    FrameContext* getFrameContext() override { return &context_; }
    void onCreateHandle(int type, int instance) override;
    void onDestroyHandle(const HandleBase& handle) override;
    void onEndEdit(const HandleBase& handle) override;

    // For tests and tools.
    int threadCount() const { return pool_.threadCount(); }
    bool isInitialized() const { return initialized_; }

private:
    // Starts the pool with the thread count the settings resolve to.
    void startThreads();
    // Waits until the frame in the other parity's slot, if any, is done, so
    // that a restart of the threads does not skip its tiles.
    void finishFrameInFlight(int parity);
    // Queues one job; a job that cannot be queued is counted down at once
    // (`units` of them), so that the frame still completes.
    void push(uint32_t job, FrameSlot& slot, int units);

    bool initialized_;
    scene::DeviceSettingsData settings_;
    // The context outlives the pool: the threads' workers belong to it.
    FrameContext context_;
    RenderThreadPool pool_;
    FrameSlot* slots_[2];
};

}  // namespace engine
}  // namespace hox
