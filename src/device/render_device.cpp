// RenderDevice: life cycle, engine creation and the device side of handles.
#include "device/render_device.h"

#include "device/device_clock.h"
#include "device/selection_service.h"
#include "engine/frame_slot.h"
#include "engine/render_engine.h"
#include "hox/config.h"
#include "hox/status.h"
#include "platform/aligned_memory.h"
#include "util/messages.h"

namespace hox {

namespace {

constexpr std::size_t kFrameSlotAlignment = 16;
constexpr std::size_t kServiceAlignment = 16;

}  // namespace

RenderDevice::RenderDevice()
    : m_initialized(false),
      m_engine(nullptr),
      m_selection(nullptr),
      m_frameNumber(-1),
      m_synced(0),
      m_lastAsync(true),
      m_framesInFlight(0),
      m_clusterActive(false),
      m_statsTime(0),
      m_statsFrame(0),
      m_rate(0.0f),
      m_frameSlots{nullptr, nullptr},
      m_engineFactory(device::defaultEngineFactory()) {
    s_pInstance = this;
}

RenderDevice::~RenderDevice() {
    // A host that never called Shutdown still gets its engine stopped and
    // its memory back when the library is unloaded.
    if (m_initialized) shutdown();
    s_pInstance = nullptr;
}

int RenderDevice::getAPIVersion() const { return kApiVersion; }

const char* RenderDevice::getAPIVersionString() const { return kApiVersionString; }

ISelectionDevice* RenderDevice::getSelectionDevice() const { return m_selection; }

int RenderDevice::init() {
    // hox::Init refuses a second initialisation; a host calling init directly
    // on a running device must not lose the slots and engine it has.
    if (m_initialized) return RESULT_FAILED;

    util::message(0, "Render Device initialized. API version: %s", kApiVersionString);
    m_table.reset();

    // Without slots or a selection service the device cannot run a frame:
    // init fails and leaves nothing half-made behind.
    const bool slotsMade = createFrameSlots();
    m_selection = platform::alignedNew<device::SelectionService>(kServiceAlignment);
    if (!slotsMade || !m_selection) {
        destroyFrameSlots();
        platform::alignedDelete(m_selection);
        m_selection = nullptr;
        return RESULT_FAILED;
    }

    const uint32_t now = device::clockMsecs();
    m_rate = 0.0f;
    m_initialized = true;
    m_statsTime = now;
    m_statsFrame = m_frameNumber;
    return RESULT_OK;
}

int RenderDevice::shutdown() {
    abort();
    if (m_engine) {
        m_engine->abort();
        m_engine->shutdown();
        engine::destroyEngine(m_engine);
        m_engine = nullptr;
    }
    m_table.reset();
    platform::alignedDelete(m_selection);
    m_selection = nullptr;
    destroyFrameSlots();
    m_initialized = false;
    return RESULT_OK;
}

bool RenderDevice::createFrameSlots() {
    for (engine::FrameSlot*& slot : m_frameSlots) {
        if (!slot) slot = platform::alignedNew<engine::FrameSlot>(kFrameSlotAlignment);
        if (!slot) return false;
    }
    return true;
}

void RenderDevice::destroyFrameSlots() {
    for (engine::FrameSlot*& slot : m_frameSlots) {
        platform::alignedDelete(slot);
        slot = nullptr;
    }
}

int RenderDevice::initRenderEngine() {
    abort();
    if (m_engine) {
        m_engine->shutdown();
        engine::destroyEngine(m_engine);
        m_engine = nullptr;
    }

    int result;
    if (m_settings.clusterEnabled) {
        // A build without a cluster engine treats the request as a cluster
        // that could not be reached: the frame reports 12288 and renders
        // locally, and the next frame tries the cluster again.
        engine::IRenderEngine* cluster = m_engineFactory.createCluster(m_engineFactory.context);
        result = cluster ? cluster->init(m_settings) : RESULT_CONNECTION_FAILED;
        if (result != RESULT_OK) {
            if (cluster) {
                cluster->shutdown();
                engine::destroyEngine(cluster);
            }
            m_engine = m_engineFactory.createLocal(m_engineFactory.context);
            if (m_engine) m_engine->init(m_settings);
            m_clusterActive = false;
        } else {
            m_engine = cluster;
            m_clusterActive = true;
        }
    } else {
        m_engine = m_engineFactory.createLocal(m_engineFactory.context);
        // No memory for an engine: the frame fails, the next one tries again.
        result = m_engine ? m_engine->init(m_settings) : RESULT_FAILED;
        m_clusterActive = false;
    }

    if (m_selection) m_selection->setFrameContext(m_engine ? m_engine->getFrameContext() : nullptr);
    return result;
}

// --- Handles ------------------------------------------------------------------

int RenderDevice::createHandle(int type) {
    // Objects belong to one initialised session: a table that Init is about
    // to reset must not hand out instances.
    if (!m_initialized) return -1;
    const int instance = m_table.create(type);
    if (m_engine) m_engine->onCreateHandle(type, instance);
    return instance;
}

int RenderDevice::destroyHandle(HandleBase& handle) {
    if (m_engine) m_engine->onDestroyHandle(handle);
    if (handle.isNull() || !m_table.isValid(handle)) return RESULT_INVALID_HANDLE;
    return m_table.destroy(handle.getType(), handle.getInstance());
}

bool RenderDevice::isValid(const HandleBase& handle) const { return m_table.isValid(handle); }

void* RenderDevice::beginEdit(HandleBase& handle) {
    return m_table.beginEdit(handle, m_frameNumber + 1);
}

int RenderDevice::endEdit(const HandleBase& handle) {
    if (handle.isNull() || !m_table.isValid(handle)) return RESULT_INVALID_HANDLE;
    if (m_engine) m_engine->onEndEdit(handle);
    return RESULT_OK;
}

}  // namespace hox
