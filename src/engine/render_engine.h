// IRenderEngine: how the device drives whatever renders its frames.
//
// The device owns exactly one engine, creates it at the first frame (and
// again when the cluster flag of the settings changes) and reaches it only
// through these operations, in this slot order. Engines are allocated with
// platform::alignedNew at 16-byte alignment and destroyed with
// destroyEngine().
#pragma once

#include "platform/aligned_memory.h"

namespace hox {
class HandleBase;
class RenderStats;

namespace scene {
struct DeviceSettingsData;
}

namespace engine {

class FrameSlot;
// The local engine's per-engine frame state (frame slots by parity, the
// views' compiled scenes); the selection service asks it for the last frame.
class FrameContext;

constexpr std::size_t kEngineAlignment = 16;

class IRenderEngine {
public:
    // Frees everything the engine holds.
    virtual ~IRenderEngine() {}
    // Called right after construction. 0 = ready; anything else means the
    // engine cannot run (a cluster engine answers 12288 when it cannot reach
    // its servers).
    virtual int init(const scene::DeviceSettingsData& settings) = 0;
    // Stops threads and connections; called before destruction.
    virtual int shutdown() = 0;
    // Starts rendering a prepared frame and returns at once; the status is
    // what the device's frame returns. The engine counts the slot's work
    // units down to 0 (FrameSlot::beginWork / completeWorkUnits).
    virtual int renderFrame(FrameSlot& slot) = 0;
    // Stops the frame in progress as soon as possible; when it returns, no
    // engine thread reads the frame slots' records any more.
    virtual int abort() = 0;
    // Fills all eight counters (zeroed first) with the counts since the last
    // call.
    virtual void getStats(RenderStats& stats) = 0;
    // Fraction of the frame done, 0 to 1.
    virtual float getProgress(int frameNumber) = 0;
    // Not called by the device; the kind of engine (-1 for a local engine).
    virtual int engineKind() { return -1; }
    // The engine's frame context for the selection service; may be null.
    virtual FrameContext* getFrameContext() = 0;
    // Scene changes as they happen, for engines that mirror the scene
    // elsewhere. onCreateHandle also sees failed creations (instance -1);
    // onDestroyHandle sees every destroy request, valid or not; onEndEdit
    // only valid ones.
    virtual void onCreateHandle(int type, int instance) = 0;
    virtual void onDestroyHandle(const HandleBase& handle) = 0;
    virtual void onEndEdit(const HandleBase& handle) = 0;
};

inline void destroyEngine(IRenderEngine* engine) { platform::alignedDelete(engine); }

}  // namespace engine
}  // namespace hox
