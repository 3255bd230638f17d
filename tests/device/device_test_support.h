// The device tests' fixture: a freshly initialised device, a minimal view,
// and an engine that holds frames until the test completes them.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/engine_factory.h"
#include "device/render_device.h"
#include "engine/frame_slot.h"
#include "engine/render_engine.h"
#include "hox/hox.h"
#include "platform/aligned_memory.h"
#include "scene/entity_records.h"
#include "scene/record.h"
#include "scene/settings_records.h"
#include "scene/view_records.h"
#include "util/cvars.h"
#include "util/messages.h"

namespace hox {
namespace testing_support {

class MessageLog : public IMessageCallback {
public:
    void message(int, const char*) override {}
    void warning(const char* text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_warnings.push_back(text);
    }
    void error(const char*) override {}

    std::vector<std::string> warnings() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_warnings;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_warnings;
};

// Keeps every frame in flight (one work unit) until complete() is called,
// from any thread; counts what the device asks of it.
class HeldEngine : public engine::IRenderEngine {
    template <typename F>
    auto locked(F read) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return read();
    }

public:
    int init(const scene::DeviceSettingsData&) override { return 0; }
    int shutdown() override { return 0; }
    int renderFrame(engine::FrameSlot& slot) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending[slot.frameNumber] = &slot;
        m_rendered.push_back(slot.frameNumber);
        slot.beginWork(1);
        return 0;
    }
    int abort() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.clear();
        ++m_aborts;
        return 0;
    }
    void getStats(RenderStats& stats) override { stats.clear(); }
    float getProgress(int) override { return 0.0f; }
    engine::FrameContext* getFrameContext() override { return nullptr; }
    void onCreateHandle(int, int) override { ++m_creates; }
    void onDestroyHandle(const HandleBase&) override { ++m_destroys; }
    void onEndEdit(const HandleBase&) override { ++m_endEdits; }

    // Finishes a frame that is still pending; false when it is not.
    bool complete(int frameNumber) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_pending.find(frameNumber);
        if (it == m_pending.end()) return false;
        it->second->completeWorkUnits(1);
        m_pending.erase(it);
        return true;
    }
    bool isPending(int frameNumber) const { return locked([&] { return m_pending.count(frameNumber) != 0; }); }
    std::vector<int> rendered() const { return locked([this] { return m_rendered; }); }
    int aborts() const { return locked([this] { return m_aborts; }); }

    int m_creates = 0;
    int m_destroys = 0;
    int m_endEdits = 0;

private:
    mutable std::mutex m_mutex;
    std::map<int, engine::FrameSlot*> m_pending;
    std::vector<int> m_rendered;
    int m_aborts = 0;
};

// Completes a held frame from another thread after a delay; destroying it
// cancels and joins.
class DelayedCompletion {
public:
    DelayedCompletion(HeldEngine& engine, int frameNumber, std::chrono::milliseconds delay)
        : m_thread([this, &engine, frameNumber, delay] {
              std::unique_lock<std::mutex> lock(m_mutex);
              if (m_cv.wait_for(lock, delay, [this] { return m_cancelled; })) return;
              lock.unlock();
              engine.complete(frameNumber);
          }) {}
    ~DelayedCompletion() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cancelled = true;
        lock.unlock();
        m_cv.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_cancelled = false;
    std::thread m_thread;
};

inline engine::IRenderEngine* createHeldEngine(void*) {
    return platform::alignedNew<HeldEngine>(engine::kEngineAlignment);
}
inline engine::IRenderEngine* createNoEngine(void*) { return nullptr; }

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        util::rt_rebuild.set(false);
        util::rt_disableStaticFrames.set(false);
        util::rt_statsInterval.set(1000);
        ASSERT_EQ(0, Init(&log, hostDevice));
        device = RenderDevice::instance();
        ASSERT_NE(nullptr, device);
    }

    void TearDown() override {
        Shutdown(hostDevice);
        device->setEngineFactory(device::defaultEngineFactory());
        util::setMessageCallback(nullptr);
    }

    // Must be called before the first frame: the engine is made there.
    void useHeldEngine() {
        device->setEngineFactory(device::EngineFactory{&createHeldEngine, &createNoEngine, nullptr});
    }
    HeldEngine& heldEngine() { return *static_cast<HeldEngine*>(device->engine()); }

    void buildView() {
        camera = THandle<Camera>(hostDevice);
        framebuffer = THandle<Framebuffer>(hostDevice);
        view = THandle<RenderView>(hostDevice);
        frameDef = THandle<FrameDef>(hostDevice);
        // Small: some tests render hundreds of frames, under sanitizers too.
        camera.beginEdit()->setResolution(32, 24);
        camera.endEdit();
        RenderView* v = view.beginEdit();
        v->setCamera(camera);
        v->setFramebuffer(framebuffer);
        ASSERT_EQ(0, view.endEdit());
        frameDef.beginEdit()->addRenderView(view);
        ASSERT_EQ(0, frameDef.endEdit());
    }

    THandle<Shader> pluginShader(const char* shaderName, const char* pluginName) {
        THandle<Shader> shader(hostDevice);
        const std::string path = std::string(HOX_TEST_PLUGIN_DIR) + "/" + pluginName;
        EXPECT_EQ(0, shader.beginEdit()->instantiate(shaderName, path.c_str()));
        EXPECT_EQ(0, shader.endEdit());
        return shader;
    }

    // Two triangles spanning `width` x `height` in the xy plane from `corner`.
    static void setQuad(THandle<Geometry>& quad, Vec3f corner, float width, float height) {
        const int indices[6] = {0, 1, 2, 2, 1, 3};
        const Vec3f coords[4] = {corner,
                                 {corner.x + width, corner.y, corner.z},
                                 {corner.x, corner.y + height, corner.z},
                                 {corner.x + width, corner.y + height, corner.z}};
        Geometry* g = quad.beginEdit();
        ASSERT_EQ(0, g->init(GEOMETRY_TYPE_TRIANGLES, 2, 4));
        ASSERT_EQ(0, g->setIndexArray(indices));
        ASSERT_EQ(0, g->setCoordArray3f(coords));
        ASSERT_EQ(0, quad.endEdit());
    }

    int renderAndSync() {
        const int status = hostDevice->frame(frameDef, false);
        return status != 0 ? status : hostDevice->sync(10000, true);
    }

    template <typename R>
    R* current(const HandleBase& handle) {
        return scene::recordAs<R>(device->objectTable().lookup(handle));
    }

    // Frame numbers run on across Shutdown and Init.
    int firstFrame() const { return device->frameNumber() + 1; }
    engine::FrameSlot& slotOf(int frameNumber) { return *device->frameSlot(frameNumber & 1); }

    MessageLog log;
    IRenderDevice* hostDevice = nullptr;
    RenderDevice* device = nullptr;
    THandle<Camera> camera;
    THandle<Framebuffer> framebuffer;
    THandle<RenderView> view;
    THandle<FrameDef> frameDef;
};

}  // namespace testing_support
}  // namespace hox
