// RenderDevice: the frame cycle (frame, sync, waitAndSwap, abort) and the
// per-view progressive state.
#include <cstdint>

#include "accel/view_preparation.h"
#include "device/device_clock.h"
#include "device/render_device.h"
#include "device/selection_service.h"
#include "engine/frame_slot.h"
#include "engine/framebuffer_swap.h"
#include "engine/render_engine.h"
#include "shaders/shader_library_manager.h"
#include "shaders/shader_reference_renewal.h"
#include "hox/status.h"
#include "scene/view_records.h"
#include "util/cvars.h"
#include "util/messages.h"

namespace hox {

namespace {

constexpr int kWaitForever = 0x7fffffff;

}  // namespace

void RenderDevice::debugRebuild() {
    m_table.markAllGeometryEdited();
    if (!(util::rt_rebuild.getFlags() & util::CVAR_READ_ONLY)) util::rt_rebuild.set(false);
}

int RenderDevice::frame(THandle<FrameDef>& frameDef, bool async) {
    // Nothing to render into before Init or after Shutdown: no slots exist.
    if (!m_initialized) return RESULT_FAILED;

    if (!m_synced) sync(kWaitForever, false);
    if (async != m_lastAsync) sync(kWaitForever, true);
    m_lastAsync = async;

    if (util::rt_rebuild.get()) debugRebuild();
    // Before the dirty flag is read: renewing a shader is an edit.
    shaders::renewShadersWithChangedReferences(m_table, m_frameNumber + 1);
    const bool wasDirty = m_table.sceneDirty();

    const scene::FrameDefRecord* def = scene::recordAs<scene::FrameDefRecord>(
        m_table.lookup(CLASS_TYPE_FRAME_DEF, frameDef.getInstance()));
    if (!def) return RESULT_FAILED;

    const HandleBase settingsHandle = HandleBase::fromValue(def->deviceSettings);
    if (!settingsHandle.isNull() && isValid(settingsHandle)) {
        const scene::DeviceSettingsRecord* record =
            scene::recordAs<scene::DeviceSettingsRecord>(m_table.lookup(settingsHandle));
        if (record) m_settings = record->settings;
    }

    if (!m_engine || m_settings.clusterEnabled != m_clusterActive) {
        const int status = initRenderEngine();
        if (status != RESULT_OK) return status;
    }

    ++m_frameNumber;
    engine::FrameSlot& slot = *m_frameSlots[m_frameNumber & 1];
    if (slot.frameNumber < 0) slot.frameNumber = m_frameNumber;
    slot.settings = m_settings;

    setShaderSearchPath(m_settings.shaderPath);

    const int viewCount = def->renderViews.count();
    if (!slot.resizeViews(viewCount)) {
        slot.clearViewRecords();
        slot.frameNumber = -1;
        return RESULT_FAILED;
    }
    // An engine created above (first frame, cluster flag changed) has none of
    // the earlier frames' samples: the abort it began with marked the scene
    // dirty, and that counts here just like an edit does.
    const bool sceneDirty = wasDirty || m_table.sceneDirty();
    for (int i = 0; i < viewCount; ++i) {
        accel::PreparedView& view = slot.view(i);
        view.index = i;
        const HandleBase renderView = HandleBase::fromValue(def->renderViews[i]);
        const int status = accel::prepareView(view, m_table, renderView, m_frameNumber);
        if (status != RESULT_OK) {
            util::warning("invalid render view %d", renderView.getInstance());
            // No references were taken yet: forget the records resolved so far.
            slot.clearViewRecords();
            slot.frameNumber = -1;
            return status;
        }
        decideProgressiveState(i, slot, sceneDirty);
    }

    slot.takeReferences();
    const int status = m_engine->renderFrame(slot);

    ++m_framesInFlight;
    // The service copies what picks need while the slot still holds it.
    if (m_selection) m_selection->onFrame(m_frameNumber, slot);
    m_synced = 0;
    m_table.setSceneDirty(false);
    m_table.setEditStamp(static_cast<uint32_t>(m_frameNumber + 1));
    return status;
}

void RenderDevice::decideProgressiveState(int viewIndex, engine::FrameSlot& slot, bool sceneDirty) {
    accel::PreparedView& view = slot.view(viewIndex);
    const scene::RenderOptionsData& options = view.renderOptions();

    const bool progressive = options.progressiveSampling && !sceneDirty;
    if (progressive) {
        const int rate = options.samplingRate;
        const int maxRate = options.maxProgressiveSamplingRate;
        // Each pass renders 4^rate samples per pixel; the passes together
        // reach the density of 4^maxRate.
        // Options are validated to -2..4, so the limit stays small; the cap
        // only keeps a corrupt record from overflowing it.
        int limit = 1;
        for (int level = rate; level < maxRate && limit < (1 << 24); ++level) limit *= 4;

        int pass = 0;
        const engine::FrameSlot& previous = *m_frameSlots[(m_frameNumber - 1) & 1];
        if (m_frameNumber >= 1 && viewIndex < previous.viewCount()) {
            pass = previous.view(viewIndex).passCount;
        }
        if (pass < limit) {
            view.isStatic = false;
            view.passCount = pass + 1;
        } else {
            view.isStatic = true;
            view.passCount = pass;
        }
    } else {
        view.passCount = 0;
        view.isStatic = m_frameNumber > 0 && !sceneDirty;
    }
    view.progressive = progressive;
    if (util::rt_disableStaticFrames.get()) view.isStatic = false;
}

void RenderDevice::setShaderSearchPath(const util::String& path) {
    // An empty path stays empty: library names are then used as they are and
    // the system's own library search applies, rather than the root folder
    // that a lone "/" would name.
    m_shaderSearchPath = path;
    if (!path.empty() && path[path.length() - 1] != '/') m_shaderSearchPath += '/';
    shaders::ShaderLibraryManager::instance().setSearchPath(m_shaderSearchPath.c_str());
}

int RenderDevice::sync(int timeoutMsecs, bool waitAll) {
    const uint32_t t0 = device::clockMsecs();
    const int timeout = timeoutMsecs < 0 ? 0 : timeoutMsecs;

    if (m_framesInFlight == 0) {
        m_synced = 1;
        return RESULT_OK;
    }

    const bool waitPrevious = waitAll || m_lastAsync == waitAll || m_framesInFlight > 1;
    const bool waitCurrent = waitAll || !m_lastAsync;

    if (waitPrevious) {
        const int status = waitAndSwap(m_frameNumber - 1, timeout);
        if (status != RESULT_OK) return status;
    }
    if (waitCurrent) {
        int64_t remainder = timeout;
        if (waitPrevious && t0 > 0) {
            const uint32_t spent = device::clockMsecs() - t0;
            remainder -= static_cast<int64_t>(spent);
            if (remainder < 0) return RESULT_TIMEOUT;
        }
        const int status = waitAndSwap(m_frameNumber, static_cast<int>(remainder));
        if (status != RESULT_OK) return status;
    }

    m_synced = 1;
    updateStats();
    return RESULT_OK;
}

int RenderDevice::waitAndSwap(int frameNumber, int timeoutMsecs) {
    if (frameNumber < 0) return RESULT_OK;
    engine::FrameSlot* slot = m_frameSlots[frameNumber & 1];
    if (!slot || slot->frameNumber != frameNumber) return RESULT_OK;

    const int status =
        slot->waitForCompletion(static_cast<unsigned>(timeoutMsecs < 0 ? 0 : timeoutMsecs));
    if (status != RESULT_OK) return status;

    for (int i = 0; i < slot->viewCount(); ++i) {
        scene::FramebufferRecord* framebuffer = slot->view(i).framebuffer;
        if (framebuffer) engine::swapFramebuffer(*framebuffer, frameNumber);
    }

    releaseSlot(*slot);
    if (m_framesInFlight > 0) --m_framesInFlight;
    return RESULT_OK;
}

void RenderDevice::releaseSlot(engine::FrameSlot& slot) {
    slot.releaseReferences();
    slot.markFree();
}

int RenderDevice::abort() {
    m_table.setSceneDirty(true);
    if (m_engine) m_engine->abort();
    for (engine::FrameSlot* slot : m_frameSlots) {
        if (slot && slot->frameNumber >= 0) releaseSlot(*slot);
    }
    m_synced = 0;
    m_framesInFlight = 0;
    return RESULT_OK;
}

}  // namespace hox
