// ImmediateRenderEngine: the engine in place until the local render engine
// (render threads, tiles, shading) takes over.
//
// It renders no pixels, but it does everything a frame needs up to them:
// each prepared view of the frame is compiled into the view's compiled scene
// for the frame's parity (meshes built once and shared, the top level
// rebuilt), exactly as the local engine's frame driver will, and then the
// frame is complete. So the device's whole frame cycle - slots, references,
// waits, progressive state, statistics - and scene compilation run for real.
// Framebuffers get no render state from it, so a swap hands nothing to the
// host.
#pragma once

#include "engine/render_engine.h"
#include "hox/device.h"
#include "util/growable_array.h"

namespace hox {
namespace trace {
class CompiledScene;
}

namespace engine {

class ImmediateRenderEngine : public IRenderEngine {
public:
    ImmediateRenderEngine();
    ~ImmediateRenderEngine() override;
    ImmediateRenderEngine(const ImmediateRenderEngine&) = delete;
    ImmediateRenderEngine& operator=(const ImmediateRenderEngine&) = delete;

    int init(const scene::DeviceSettingsData& settings) override;
    int shutdown() override;
    // Compiles every prepared view of the slot, then completes the frame at
    // once: no work units, condition signalled.
    int renderFrame(FrameSlot& slot) override;
    int abort() override;
    // Counter 0 counts the frames handed over since the last fetch; the
    // other counters stay 0.
    void getStats(RenderStats& stats) override;
    // 1 for a frame that was handed over (they all finish at once), 0 for a
    // frame this engine has not seen.
    float getProgress(int frameNumber) override;
    FrameContext* getFrameContext() override;
    void onCreateHandle(int type, int instance) override;
    void onDestroyHandle(const HandleBase& handle) override;
    void onEndEdit(const HandleBase& handle) override;

    // The compiled scene of prepared view `view` for frames of parity
    // `parity` (0 even, 1 odd), as the last frame of that parity left it;
    // null before a frame of that parity had that many views.
    const trace::CompiledScene* compiledScene(int parity, int view) const;

private:
    // The view's scene for the parity, made empty on first use and kept:
    // its arrays keep their capacity from frame to frame. Null when memory
    // is short.
    trace::CompiledScene* sceneFor(int parity, int view);
    // Destroys the scenes of views the frames no longer have, dropping the
    // mesh references they hold.
    void trimScenes(int parity, int viewCount);

    RenderStats m_stats;
    int m_lastFrame;  // newest frame handed over, -1 before the first
    // Per parity, one compiled scene per view index (owned; null = not yet
    // made). The other parity's scenes may still be traced while one parity
    // is compiled.
    util::GrowableArray<trace::CompiledScene*> m_scenes[2];
};

}  // namespace engine
}  // namespace hox
