// ImmediateRenderEngine: the engine in place until the local render engine
// (render threads, tiles, shading) takes over.
//
// It renders nothing: every frame is complete the moment it is handed over,
// so the device's whole frame cycle - slots, references, waits, progressive
// state, statistics - runs for real, only without pixels. Framebuffers get
// no render state from it, so a swap hands nothing to the host.
#pragma once

#include "engine/render_engine.h"
#include "hox/device.h"

namespace hox {
namespace engine {

class ImmediateRenderEngine : public IRenderEngine {
public:
    ImmediateRenderEngine();

    int init(const scene::DeviceSettingsData& settings) override;
    int shutdown() override;
    // Completes the frame at once: no work units, condition signalled.
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

private:
    RenderStats m_stats;
    int m_lastFrame;  // newest frame handed over, -1 before the first
};

}  // namespace engine
}  // namespace hox
