// RenderDevice: the one render device behind IRenderDevice.
//
// It owns the object table, the settings in force, the render engine, the
// selection service and the two frame slots, and runs the frame cycle:
//   frame        prepares the frame definition's views into the slot of the
//                new frame number's parity, takes references on every record
//                they use and hands the slot to the engine;
//   sync         waits for the frames in flight as the overlap rule asks;
//   waitAndSwap  waits for one slot, swaps its framebuffers, releases it;
//   abort        releases every slot without swapping.
// Every public operation runs on the host's thread; the only hand-off to
// other threads is the frame slot (its mutex, condition and work counter).
//
// The code is split by concern: render_device.cpp (life cycle, engine,
// handles), render_device_frame.cpp (frame cycle), render_device_queries.cpp
// (queries and statistics).
#pragma once

#include <cstdint>

#include "device/engine_factory.h"
#include "hox/device.h"
#include "hox/string.h"
#include "scene/object_table.h"
#include "scene/settings_records.h"

namespace hox {
namespace engine {
class FrameSlot;
class IRenderEngine;
}  // namespace engine
namespace device {
class SelectionService;
}

class RenderDevice : public IRenderDevice {
public:
    RenderDevice();
    ~RenderDevice() override;
    RenderDevice(const RenderDevice&) = delete;
    RenderDevice& operator=(const RenderDevice&) = delete;

    // The device, or null before the library's statics are constructed and
    // after they are destroyed.
    static RenderDevice* instance() { return s_pInstance; }
    static RenderDevice* s_pInstance;

    int getAPIVersion() const override;
    const char* getAPIVersionString() const override;
    int sync(int timeoutMsecs, bool waitAll) override;
    int frame(THandle<FrameDef>& frameDef, bool async) override;
    int abort() override;
    int query1b(EQuery query, bool& out) const override;
    int query1i(EQuery query, int& out) const override;
    int query1f(EQuery query, float& out) const override;
    ISelectionDevice* getSelectionDevice() const override;
    int init() override;
    int shutdown() override;
    bool isInitialized() const override { return m_initialized; }

    // Which engines initRenderEngine creates (see engine_factory.h). Takes
    // effect at the next engine creation.
    void setEngineFactory(const device::EngineFactory& factory) { m_engineFactory = factory; }

    // State for the layers above and for inspection.
    scene::ObjectTable& objectTable() { return m_table; }
    const scene::ObjectTable& objectTable() const { return m_table; }
    engine::IRenderEngine* engine() const { return m_engine; }
    engine::FrameSlot* frameSlot(int parity) const { return m_frameSlots[parity & 1]; }
    int frameNumber() const { return m_frameNumber; }
    int framesInFlight() const { return m_framesInFlight; }
    bool clusterActive() const { return m_clusterActive; }
    const scene::DeviceSettingsData& settings() const { return m_settings; }
    // The shader search path of the last frame's settings, ending in "/"
    // unless empty; the shader library manager prefixes library names with it.
    const util::String& shaderSearchPath() const { return m_shaderSearchPath; }

private:
    // Handle operations, reached through HandleBase only.
    int createHandle(int type) override;
    int destroyHandle(HandleBase& handle) override;
    bool isValid(const HandleBase& handle) const override;
    void* beginEdit(HandleBase& handle) override;
    int endEdit(const HandleBase& handle) override;

    int initRenderEngine();
    // The forced rebuild that rt_rebuild asks for: every live geometry gets a
    // new version, then the switch is reset unless it is read-only.
    void debugRebuild();
    int waitAndSwap(int frameNumber, int timeoutMsecs);
    void updateStats();

    // Parts of frame.
    void decideProgressiveState(int viewIndex, engine::FrameSlot& slot, bool sceneDirty);
    void setShaderSearchPath(const util::String& path);
    // Drops a slot's references and frees it, as waitAndSwap and abort do.
    void releaseSlot(engine::FrameSlot& slot);
    bool createFrameSlots();
    void destroyFrameSlots();

    bool m_initialized;
    scene::DeviceSettingsData m_settings;
    engine::IRenderEngine* m_engine;
    device::SelectionService* m_selection;
    int32_t m_frameNumber;
    int32_t m_synced;
    bool m_lastAsync;
    int32_t m_framesInFlight;
    bool m_clusterActive;
    uint32_t m_statsTime;
    int32_t m_statsFrame;
    RenderStats m_stats;
    float m_rate;
    engine::FrameSlot* m_frameSlots[2];

    scene::ObjectTable m_table;
    device::EngineFactory m_engineFactory;
    util::String m_shaderSearchPath;
};

}  // namespace hox
