// Cluster rendering through the device against a scripted master: frames
// out, images back into the host's framebuffer, aborts, a master that
// vanishes or sends hostile images, and the fall-back to local rendering.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cluster/render_engine_cluster.h"
#include "device/render_device.h"
#include "engine/frame_slot.h"
#include "engine/frame_slot_serialization.h"
#include "engine/framebuffer_render_state.h"
#include "fake_master.h"
#include "hox/hox.h"
#include "message_log.h"
#include "scene/view_records.h"
#include "util/memory_stream.h"
#include "util/messages.h"

namespace hox {
namespace {

using cluster_test::FakeMaster;

constexpr int kWidth = 32, kHeight = 24;  // buildView's camera: 2 × 2 tiles of 16

// The frame numbers and the first and last pixel of every swap.
struct SwapRecorder : IFramebufferCallback {
    void swap(const SwapInfo* info) override {
        const float* p = static_cast<const float*>(info->pixels);
        const int n = info->width * info->height;
        frames.push_back(info->frameNumber);
        first.assign(p, p + 4);
        last.assign(p + 4 * (n - 1), p + 4 * n);
    }
    std::vector<int> frames;
    std::vector<float> first, last;
};

class ClusterDevice : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, Init(&log, hostDevice));
        device = RenderDevice::instance();
        ASSERT_NE(nullptr, device);
    }
    void TearDown() override {
        Shutdown(hostDevice);
        util::setMessageCallback(nullptr);
    }
    // One render view, its framebuffer swapping into `swaps`.
    void buildView() {
        camera = THandle<Camera>(hostDevice);
        framebuffer = THandle<Framebuffer>(hostDevice);
        view = THandle<RenderView>(hostDevice);
        frameDef = THandle<FrameDef>(hostDevice);
        camera.beginEdit()->setResolution(kWidth, kHeight);
        camera.endEdit();
        Framebuffer* f = framebuffer.beginEdit();
        f->setFormat(FRAMEBUFFER_FORMAT_RGBA32F);
        f->setSwapCallback(&swaps);
        framebuffer.endEdit();
        RenderView* v = view.beginEdit();
        v->setCamera(camera);
        v->setFramebuffer(framebuffer);
        ASSERT_EQ(0, view.endEdit());
        frameDef.beginEdit()->addRenderView(view);
        ASSERT_EQ(0, frameDef.endEdit());
    }
    int firstFrame() const { return device->frameNumber() + 1; }
    void useCluster(int port, bool enabled = true) {
        if (!settings.isValid()) settings = THandle<DeviceSettings>(hostDevice);
        DeviceSettings* s = settings.beginEdit();
        s->setSetting1b(DEVICE_CLUSTER, enabled);
        s->setSetting1s(DEVICE_CLUSTER_MASTER_HOST, "127.0.0.1");
        s->setSetting1i(DEVICE_CLUSTER_MASTER_PORT, port);
        settings.endEdit();
        frameDef.beginEdit()->setDeviceSettings(settings);
        frameDef.endEdit();
    }
    // Starts a cluster frame and waits for its frame message.
    int startFrame(FakeMaster& master) {
        useCluster(master.port());
        const int frameNumber = firstFrame();
        EXPECT_EQ(0, hostDevice->frame(frameDef, true));
        master.join();
        EXPECT_EQ(master.awaitCommand(4).word(0), frameNumber);
        return frameNumber;
    }
    cluster::RenderEngineCluster* clusterEngine() {
        return device->engine() && device->engine()->engineKind() == 4097
                   ? static_cast<cluster::RenderEngineCluster*>(device->engine())
                   : nullptr;
    }
    template <typename Condition>
    bool eventually(Condition condition) {
        for (int i = 0; i < 400 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return condition();
    }
    // A raw image of the whole view: sums of weight 2 for the colour (r, g, b).
    static void sendImage(FakeMaster& master, int frame, float r, float g, float b) {
        std::vector<float> rgba;
        for (int i = 0; i < kWidth * kHeight; ++i) rgba.insert(rgba.end(), {2 * r, 2 * g, 2 * b, 2.0f});
        ASSERT_TRUE(master.image().sendWords(cluster_test::viewImageHeader(frame, 0, kWidth, kHeight)));
        ASSERT_TRUE(master.image().sendWords(cluster_test::rawImageData(rgba)));
    }

    cluster_test::MessageLog log;
    IRenderDevice* hostDevice = nullptr;
    RenderDevice* device = nullptr;
    THandle<Camera> camera;
    THandle<Framebuffer> framebuffer;
    THandle<RenderView> view;
    THandle<FrameDef> frameDef;
    THandle<DeviceSettings> settings;
    SwapRecorder swaps;
};

TEST_F(ClusterDevice, FramesGoToTheMasterAndTheirImagesReachTheHost) {
    FakeMaster master;
    buildView();
    useCluster(master.port());
    const int frameNumber = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    master.join();
    ASSERT_NE(clusterEngine(), nullptr);
    EXPECT_TRUE(device->clusterActive());

    // The frame message (after hello and the scene's records) holds the slot alone.
    const FakeMaster::Message m = master.awaitCommand(4);
    ASSERT_EQ(m.type, 4);
    EXPECT_EQ(std::make_pair(m.word(0), m.length), std::make_pair(frameNumber, 8 + m.word(1)));
    util::MemorySource source(m.payload.data() + 8, m.payload.size() - 8);
    util::InputStream in(&source);
    engine::DecodedFrame decoded;
    ASSERT_TRUE(engine::readFrameSlot(in, decoded));
    EXPECT_EQ(std::make_pair(decoded.frameNumber, decoded.settings.clusterEnabled), std::make_pair(frameNumber, true));
    ASSERT_EQ(decoded.views.size(), 1u);
    EXPECT_EQ(decoded.views[0]->camera, camera.getInstance());
    EXPECT_EQ(decoded.views[0]->framebuffer, framebuffer.getInstance());
    EXPECT_EQ(source.remaining(), 0u);

    EXPECT_EQ(device->frameSlot(frameNumber & 1)->remainingUnits(), 4) << "one unit per tile";
    EXPECT_EQ(RESULT_TIMEOUT, hostDevice->sync(50, true)) << "no image yet";
    ASSERT_TRUE(master.image().sendWords({14, 4, 0x3F000000u}));  // progress 0.5
    EXPECT_TRUE(eventually([&] { return device->engine()->getProgress(frameNumber) == 0.5f; }));
    EXPECT_EQ(device->engine()->getProgress(frameNumber + 1), 0.0f) << "a later frame has no progress";

    sendImage(master, frameNumber, 0.2f, 0.4f, 0.6f);
    ASSERT_EQ(RESULT_OK, hostDevice->sync(3000, true));
    ASSERT_EQ(swaps.frames, std::vector<int>{frameNumber});
    const float expected[4] = {0.2f, 0.4f, 0.6f, 1.0f};  // sums over weight 2
    for (int c = 0; c < 4; ++c) {
        EXPECT_NEAR(swaps.first[c], expected[c], 1e-5f) << c;
        EXPECT_NEAR(swaps.last[c], expected[c], 1e-5f) << c;
    }
    EXPECT_EQ(device->engine()->getProgress(frameNumber), 1.0f);

    // An edit after the first frame carries the next frame's number.
    camera.beginEdit()->setResolution(kWidth, kHeight);
    camera.endEdit();
    const FakeMaster::Message edit = master.awaitCommand(8);
    EXPECT_EQ(std::make_pair(edit.word(0), edit.word(1)), std::make_pair(frameNumber + 1, int(CLASS_TYPE_CAMERA)));

    // The master reports an error and an unknown message: the frame goes on.
    ASSERT_TRUE(master.image().sendWords({13, 4, 7, 99, 0, 14, 4, 0x3E800000u}));
    EXPECT_TRUE(eventually([&] { return device->engine()->getProgress(frameNumber) == 0.25f; }));
    EXPECT_TRUE(log.contains("cluster error code: 7", 'e'));
    EXPECT_TRUE(log.contains("RenderEngineCluster: unknown message type = 99", 'w'));
    EXPECT_TRUE(clusterEngine()->isConnected());
}

TEST_F(ClusterDevice, LateImagesOfAnAbortedFrameLeaveTheFramebufferAlone) {
    FakeMaster master;
    buildView();
    const int frameNumber = startFrame(master);
    EXPECT_EQ(0, hostDevice->abort());
    EXPECT_EQ(master.awaitCommand(9).word(0), frameNumber);
    EXPECT_EQ(clusterEngine()->abortedFrame(), frameNumber);
    EXPECT_EQ(device->engine()->getProgress(frameNumber), 0.0f) << "abort clears the progress";

    sendImage(master, frameNumber, 0.9f, 0.9f, 0.9f);
    // The late image still sets the progress, which shows it was handled.
    ASSERT_TRUE(eventually([&] { return device->engine()->getProgress(frameNumber) == 1.0f; }));
    auto* record = scene::recordAs<scene::FramebufferRecord>(device->objectTable().lookup(framebuffer));
    ASSERT_NE(record, nullptr);
    auto* state = engine::ensureRenderState(*record);
    ASSERT_NE(state, nullptr);
    const float* sums = state->buffer(frameNumber).floatSums();
    ASSERT_NE(sums, nullptr);
    for (int i = 0; i < kWidth * kHeight * 4; ++i) ASSERT_EQ(sums[i], 0.0f) << i;
    EXPECT_EQ(RESULT_OK, hostDevice->sync(100, true));
    EXPECT_TRUE(swaps.frames.empty()) << "aborted frames never reach the host";
}

// A master that closes mid-frame or sends what can be no image: the
// connection is dropped, the waiting frame released, and the device goes on.
TEST_F(ClusterDevice, AMasterThatVanishesOrSendsHostileImagesReleasesTheFrame) {
    const std::vector<std::vector<uint32_t>> endings = {
        {},                                                                           // the master closes
        {12, 24, 0, 0, static_cast<uint32_t>(-5), 24, 0, 0},                          // negative width
        {12, 24, 0, 0, kWidth, kHeight, 0, 0, 1, 8, 0xFFu, 0, 4 * kWidth * kHeight},  // mode 3 past the end
    };
    buildView();
    for (std::vector<uint32_t> message : endings) {
        SCOPED_TRACE(message.size());
        log.clear();
        auto master = std::make_unique<FakeMaster>();
        const int frameNumber = startFrame(*master);
        if (message.empty()) {
            master.reset();  // its sockets close
        } else {
            // The last message gets a per-pixel plane of the right size, so
            // that only its block stream is wrong.
            if (message.size() == 13) message.resize(message.size() + kWidth * kHeight, 0u);
            if (message.size() > 2) message[2] = static_cast<uint32_t>(frameNumber);
            ASSERT_TRUE(master->image().sendWords(message));
        }
        EXPECT_EQ(RESULT_OK, hostDevice->sync(3000, true)) << "the waiting frame was released";
        EXPECT_TRUE(log.contains("VELO Cluster connection lost!", 'e'));
        EXPECT_TRUE(message.empty() || log.contains("RenderEngineCluster: ", 'e')) << "the reason is told";
        ASSERT_TRUE(eventually([&] { return !clusterEngine()->isConnected(); }));
        // The text is readable once the receiving thread has ended, a moment
        // after the connection reads as down.
        EXPECT_TRUE(eventually([&] { return std::string(clusterEngine()->errorText().c_str()) == "VELO Cluster connection lost!"; }));
        EXPECT_EQ(clusterEngine()->errorCode(), 1);
        EXPECT_EQ(RESULT_CONNECTION_FAILED, hostDevice->frame(frameDef, false));
        EXPECT_EQ(RESULT_OK, hostDevice->sync(1000, true));
        // Without the cluster flag the device renders locally; the next
        // round gets a fresh engine.
        useCluster(1025, false);
        EXPECT_EQ(RESULT_OK, hostDevice->frame(frameDef, false));
        EXPECT_EQ(RESULT_OK, hostDevice->sync(5000, true));
        EXPECT_FALSE(device->clusterActive());
    }
}

TEST_F(ClusterDevice, AFrameWithoutViewsCompletesWithoutAMessage) {
    FakeMaster master;
    frameDef = THandle<FrameDef>(hostDevice);
    useCluster(master.port());
    ASSERT_EQ(0, hostDevice->frame(frameDef, false));
    master.join();
    EXPECT_EQ(RESULT_OK, hostDevice->sync(100, true));
    hostDevice->abort();
    // After hello and the scene's records the next message is the abort.
    EXPECT_EQ(master.readCommand().type, 1);
    FakeMaster::Message m = master.readCommand();
    while (m.type == 8) m = master.readCommand();
    EXPECT_EQ(m.type, 9);
}

TEST_F(ClusterDevice, WithoutAMasterTheDeviceFallsBackToLocalRendering) {
    const int port = cluster_test::unusedPort();
    buildView();
    useCluster(port);
    const int before = device->frameNumber();
    EXPECT_EQ(RESULT_CONNECTION_FAILED, hostDevice->frame(frameDef, false));
    EXPECT_EQ(device->frameNumber(), before) << "the frame number is not advanced";
    ASSERT_NE(device->engine(), nullptr);
    EXPECT_EQ(device->engine()->engineKind(), -1) << "a local engine is in place";
    EXPECT_FALSE(device->clusterActive());
    EXPECT_TRUE(log.contains("socket connection to 127.0.0.1 (port " + std::to_string(port) + ") failed.", 'w'));
    // Still no master: the next frame tries again and fails the same way.
    EXPECT_EQ(RESULT_CONNECTION_FAILED, hostDevice->frame(frameDef, false));
}

}  // namespace
}  // namespace hox
