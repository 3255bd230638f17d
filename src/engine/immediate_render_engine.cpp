#include "engine/immediate_render_engine.h"

#include <new>

#include "accel/scene_compile.h"
#include "engine/frame_slot.h"
#include "trace/compiled_scene.h"

namespace hox {
namespace engine {

// Everything runs on the host's thread (renderFrame completes the frame
// before it returns), so the counters and scenes need no lock.

ImmediateRenderEngine::ImmediateRenderEngine() : m_lastFrame(-1) {}

ImmediateRenderEngine::~ImmediateRenderEngine() {
    for (int parity = 0; parity < 2; ++parity) trimScenes(parity, 0);
}

int ImmediateRenderEngine::init(const scene::DeviceSettingsData&) {
    return 0;
}

int ImmediateRenderEngine::shutdown() {
    return 0;
}

trace::CompiledScene* ImmediateRenderEngine::sceneFor(int parity, int view) {
    util::GrowableArray<trace::CompiledScene*>& scenes = m_scenes[parity];
    while (scenes.count() <= view) {
        if (!scenes.push(nullptr)) return nullptr;
    }
    if (!scenes[view]) scenes[view] = new (std::nothrow) trace::CompiledScene();
    return scenes[view];
}

void ImmediateRenderEngine::trimScenes(int parity, int viewCount) {
    util::GrowableArray<trace::CompiledScene*>& scenes = m_scenes[parity];
    if (viewCount < 0) viewCount = 0;
    if (scenes.count() <= viewCount) return;
    for (int i = viewCount; i < scenes.count(); ++i) delete scenes[i];
    scenes.resize(viewCount);
}

int ImmediateRenderEngine::renderFrame(FrameSlot& slot) {
    if (slot.frameNumber > m_lastFrame) m_lastFrame = slot.frameNumber;
    ++m_stats.counters[0];

    // The frame driver's compile: every view, into this parity's scenes.
    // A scene that cannot be had (memory) leaves its view uncompiled; with
    // no pixels to make, the frame still completes.
    const int parity = slot.frameNumber & 1;
    trimScenes(parity, slot.viewCount());
    for (int i = 0; i < slot.viewCount(); ++i) {
        trace::CompiledScene* scene = sceneFor(parity, i);
        if (scene) accel::compileScene(*scene, slot.view(i));
    }

    slot.beginWork(0);
    return 0;
}

const trace::CompiledScene* ImmediateRenderEngine::compiledScene(int parity, int view) const {
    if (parity < 0 || parity > 1) return nullptr;
    const util::GrowableArray<trace::CompiledScene*>& scenes = m_scenes[parity];
    return view >= 0 && view < scenes.count() ? scenes[view] : nullptr;
}

int ImmediateRenderEngine::abort() {
    return 0;
}

void ImmediateRenderEngine::getStats(RenderStats& stats) {
    stats = m_stats;
    m_stats.clear();
}

float ImmediateRenderEngine::getProgress(int frameNumber) {
    return frameNumber >= 0 && frameNumber <= m_lastFrame ? 1.0f : 0.0f;
}

FrameContext* ImmediateRenderEngine::getFrameContext() {
    return nullptr;
}

void ImmediateRenderEngine::onCreateHandle(int, int) {}

void ImmediateRenderEngine::onDestroyHandle(const HandleBase&) {}

void ImmediateRenderEngine::onEndEdit(const HandleBase&) {}

}  // namespace engine
}  // namespace hox
