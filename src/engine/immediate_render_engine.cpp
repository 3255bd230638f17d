#include "engine/immediate_render_engine.h"

#include "engine/frame_slot.h"

namespace hox {
namespace engine {

// Everything runs on the host's thread (renderFrame completes the frame
// before it returns), so the counters need no lock.

ImmediateRenderEngine::ImmediateRenderEngine() : m_lastFrame(-1) {}

int ImmediateRenderEngine::init(const scene::DeviceSettingsData&) { return 0; }

int ImmediateRenderEngine::shutdown() { return 0; }

int ImmediateRenderEngine::renderFrame(FrameSlot& slot) {
    if (slot.frameNumber > m_lastFrame) m_lastFrame = slot.frameNumber;
    ++m_stats.counters[0];
    slot.beginWork(0);
    return 0;
}

int ImmediateRenderEngine::abort() { return 0; }

void ImmediateRenderEngine::getStats(RenderStats& stats) {
    stats = m_stats;
    m_stats.clear();
}

float ImmediateRenderEngine::getProgress(int frameNumber) {
    return frameNumber >= 0 && frameNumber <= m_lastFrame ? 1.0f : 0.0f;
}

FrameContext* ImmediateRenderEngine::getFrameContext() { return nullptr; }

void ImmediateRenderEngine::onCreateHandle(int, int) {}

void ImmediateRenderEngine::onDestroyHandle(const HandleBase&) {}

void ImmediateRenderEngine::onEndEdit(const HandleBase&) {}

}  // namespace engine
}  // namespace hox
