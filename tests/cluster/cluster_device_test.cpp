// Cluster rendering through the device: frames go to a scripted master
// (fake_master.h) and its images come back into the host's framebuffer;
// aborts, a master that vanishes, hostile images, a frame without views and
// the fall-back to local rendering when no master answers.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cluster/render_engine_cluster.h"
#include "device/device_test_support.h"
#include "engine/frame_slot_serialization.h"
#include "engine/framebuffer_render_state.h"
#include "fake_master.h"
#include "util/memory_stream.h"

namespace hox {
namespace {

using cluster_test::FakeMaster;
using cluster_test::rawImageData;
using cluster_test::viewImageHeader;

constexpr int kWidth = 32, kHeight = 24;
constexpr int kTiles = 2 * 2;  // 32 × 24 in 16 × 16 tiles

// The image of the first pixel of every swap.
struct SwapRecorder : IFramebufferCallback {
    void swap(const SwapInfo* info) override {
        const float* p = static_cast<const float*>(info->pixels);
        frames.push_back(info->frameNumber);
        first.assign(p, p + 4);
        last.assign(p + 4 * (info->width * info->height - 1), p + 4 * (info->width * info->height));
    }
    std::vector<int> frames;
    std::vector<float> first, last;
};

class ClusterDevice : public testing_support::DeviceTest {
protected:
    // The frame definition's settings: cluster rendering on the given port.
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
    void recordSwaps() {
        Framebuffer* f = framebuffer.beginEdit();
        f->setFormat(FRAMEBUFFER_FORMAT_RGBA32F);
        f->setSwapCallback(&swaps);
        framebuffer.endEdit();
    }
    // Reads command messages until one of `type` arrives.
    FakeMaster::Message awaitCommand(FakeMaster& master, int type) {
        for (int i = 0; i < 64; ++i) {
            FakeMaster::Message m = master.readCommand();
            if (m.type == type || m.type < 0) return m;
        }
        return FakeMaster::Message();
    }
    cluster::RenderEngineCluster* clusterEngine() {
        return device->engine() && device->engine()->engineKind() == 4097
                   ? static_cast<cluster::RenderEngineCluster*>(device->engine())
                   : nullptr;
    }
    // Polls until the condition holds or two seconds pass.
    template <typename Condition>
    bool eventually(Condition condition) {
        for (int i = 0; i < 400 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return condition();
    }
    bool logged(const std::vector<std::string>& list, const std::string& text) {
        for (const std::string& s : list)
            if (s.find(text) != std::string::npos) return true;
        return false;
    }
    // An image whose pixels hold sums of weight 2 for the colour (r, g, b).
    static std::vector<float> weightedImage(float r, float g, float b) {
        std::vector<float> rgba;
        for (int i = 0; i < kWidth * kHeight; ++i) rgba.insert(rgba.end(), {2 * r, 2 * g, 2 * b, 2.0f});
        return rgba;
    }
    void sendImage(FakeMaster& master, int frame, const std::vector<float>& rgba) {
        ASSERT_TRUE(master.image().sendWords(viewImageHeader(frame, 0, kWidth, kHeight)));
        ASSERT_TRUE(master.image().sendWords(rawImageData(rgba)));
    }

    THandle<DeviceSettings> settings;
    SwapRecorder swaps;
};

TEST_F(ClusterDevice, FramesGoToTheMasterAndTheirImagesReachTheHost) {
    FakeMaster master;
    buildView();
    recordSwaps();
    useCluster(master.port());
    const int frameNumber = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    master.join();
    ASSERT_NE(clusterEngine(), nullptr);
    EXPECT_TRUE(device->clusterActive());

    // The scene at connection: camera, framebuffer, view, frame definition,
    // settings, each once.
    EXPECT_EQ(master.readCommand().type, 1);
    int records = 0;
    FakeMaster::Message m = master.readCommand();
    for (; m.type == 8; m = master.readCommand()) ++records;
    EXPECT_EQ(records, 5);
    ASSERT_EQ(m.type, 4);
    EXPECT_EQ(m.word(0), frameNumber);
    EXPECT_EQ(m.length, 8 + m.word(1));
    util::MemorySource source(m.payload.data() + 8, m.payload.size() - 8);
    util::InputStream in(&source);
    engine::DecodedFrame decoded;
    ASSERT_TRUE(engine::readFrameSlot(in, decoded));
    EXPECT_EQ(decoded.frameNumber, frameNumber);
    EXPECT_TRUE(decoded.settings.clusterEnabled);
    ASSERT_EQ(decoded.views.size(), 1u);
    EXPECT_EQ(decoded.views[0]->camera, camera.getInstance());
    EXPECT_EQ(decoded.views[0]->framebuffer, framebuffer.getInstance());

    EXPECT_EQ(slotOf(frameNumber).remainingUnits(), kTiles) << "one unit per tile";
    EXPECT_EQ(RESULT_TIMEOUT, hostDevice->sync(50, true)) << "no image yet";

    ASSERT_TRUE(master.image().sendWords({14, 4, 0x3F000000u}));  // progress 0.5
    EXPECT_TRUE(eventually([&] { return device->engine()->getProgress(frameNumber) == 0.5f; }));
    EXPECT_EQ(device->engine()->getProgress(frameNumber + 1), 0.0f) << "a later frame has no progress";

    sendImage(master, frameNumber, weightedImage(0.2f, 0.4f, 0.6f));
    ASSERT_EQ(RESULT_OK, hostDevice->sync(3000, true));
    ASSERT_EQ(swaps.frames, std::vector<int>{frameNumber});
    const std::vector<float> expected = {0.2f, 0.4f, 0.6f, 1.0f};  // sums over weight 2
    for (int c = 0; c < 4; ++c) {
        EXPECT_NEAR(swaps.first[c], expected[c], 1e-5f) << c;
        EXPECT_NEAR(swaps.last[c], expected[c], 1e-5f) << c;
    }
    EXPECT_EQ(device->engine()->getProgress(frameNumber), 1.0f);

    // An edit after the first frame carries the next frame's number.
    camera.beginEdit()->setResolution(kWidth, kHeight);
    camera.endEdit();
    const FakeMaster::Message edit = awaitCommand(master, 8);
    EXPECT_EQ(edit.word(0), frameNumber + 1);
    EXPECT_EQ(edit.word(1), CLASS_TYPE_CAMERA);

    // The master reports an error and an unknown message: the frame goes on.
    ASSERT_TRUE(master.image().sendWords({13, 4, 7, 99, 0, 14, 4, 0x3E800000u}));
    EXPECT_TRUE(eventually([&] { return device->engine()->getProgress(frameNumber) == 0.25f; }));
    EXPECT_TRUE(logged(log.errors(), "cluster error code: 7"));
    EXPECT_TRUE(logged(log.warnings(), "RenderEngineCluster: unknown message type = 99"));
    EXPECT_TRUE(clusterEngine()->isConnected());
}

TEST_F(ClusterDevice, LateImagesOfAnAbortedFrameLeaveTheFramebufferAlone) {
    FakeMaster master;
    buildView();
    recordSwaps();
    useCluster(master.port());
    const int frameNumber = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    master.join();
    ASSERT_EQ(awaitCommand(master, 4).word(0), frameNumber);
    EXPECT_EQ(0, hostDevice->abort());
    const FakeMaster::Message abort = awaitCommand(master, 9);
    EXPECT_EQ(abort.word(0), frameNumber);
    EXPECT_EQ(clusterEngine()->abortedFrame(), frameNumber);
    EXPECT_EQ(device->engine()->getProgress(frameNumber), 0.0f) << "abort clears the progress";

    sendImage(master, frameNumber, weightedImage(0.9f, 0.9f, 0.9f));
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

TEST_F(ClusterDevice, AMasterThatVanishesMidFrameReleasesTheFrame) {
    buildView();
    {
        FakeMaster master;
        useCluster(master.port());
        ASSERT_EQ(0, hostDevice->frame(frameDef, true));
        master.join();
        ASSERT_EQ(awaitCommand(master, 4).type, 4);
    }  // the master's sockets close
    EXPECT_EQ(RESULT_OK, hostDevice->sync(3000, true)) << "the waiting frame was released";
    EXPECT_TRUE(logged(log.errors(), "VELO Cluster connection lost!"));
    ASSERT_TRUE(eventually([&] { return !clusterEngine()->isConnected(); }));
    EXPECT_EQ(std::string(clusterEngine()->errorText().c_str()), "VELO Cluster connection lost!");
    EXPECT_EQ(clusterEngine()->errorCode(), 1);
    EXPECT_EQ(RESULT_CONNECTION_FAILED, hostDevice->frame(frameDef, false));
    EXPECT_EQ(RESULT_OK, hostDevice->sync(1000, true));

    // The device keeps working: without the cluster flag it renders locally.
    useCluster(1025, false);
    EXPECT_EQ(RESULT_OK, hostDevice->frame(frameDef, false));
    EXPECT_EQ(RESULT_OK, hostDevice->sync(5000, true));
    EXPECT_FALSE(device->clusterActive());
}

TEST_F(ClusterDevice, HostileImagesDropTheConnectionWithoutHarm) {
    const std::vector<std::vector<uint32_t>> hostile = {
        {12, 24, 0, 0, static_cast<uint32_t>(-5), 24, 0, 0},                   // negative width
        {12, 0x7FFFFFFFu},                                                   // absurd length
        {12, 24, 0, 0, kWidth, kHeight, 0, 0, 0, 0x7FFFFFF0u},               // colour count past any image
        {12, 24, 0, 0, kWidth, kHeight, 0, 0, 1, 8, 0xFFu, 0, 4 * kWidth * kHeight},  // mode 3 past the end
    };
    buildView();
    for (const std::vector<uint32_t>& words : hostile) {
        FakeMaster master;
        useCluster(master.port());
        const int frameNumber = firstFrame();
        ASSERT_EQ(0, hostDevice->frame(frameDef, true));
        master.join();
        ASSERT_EQ(awaitCommand(master, 4).word(0), frameNumber);
        std::vector<uint32_t> message = words;
        // A per-pixel plane of the right size completes the last message, so
        // that only the block stream is wrong.
        if (message.size() == 13) message.resize(message.size() + kWidth * kHeight, 0u);
        if (message.size() > 2 && message[0] == 12) message[2] = static_cast<uint32_t>(frameNumber);
        ASSERT_TRUE(master.image().sendWords(message));
        EXPECT_EQ(RESULT_OK, hostDevice->sync(3000, true)) << words[4];
        EXPECT_TRUE(logged(log.errors(), "VELO Cluster connection lost!"));
        EXPECT_TRUE(logged(log.errors(), "RenderEngineCluster: "));
        ASSERT_TRUE(eventually([&] { return !clusterEngine()->isConnected(); }));
        // Next round: a fresh engine for the next master.
        useCluster(1025, false);
        ASSERT_EQ(RESULT_OK, hostDevice->frame(frameDef, false));
        ASSERT_EQ(RESULT_OK, hostDevice->sync(5000, true));
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
    int port;
    {
        cluster_test::Listener gone;
        port = gone.port();
    }
    buildView();
    useCluster(port);
    const int before = device->frameNumber();
    EXPECT_EQ(RESULT_CONNECTION_FAILED, hostDevice->frame(frameDef, false));
    EXPECT_EQ(device->frameNumber(), before) << "the frame number is not advanced";
    ASSERT_NE(device->engine(), nullptr);
    EXPECT_EQ(device->engine()->engineKind(), -1) << "a local engine is in place";
    EXPECT_FALSE(device->clusterActive());
    EXPECT_TRUE(logged(log.warnings(), "socket connection to 127.0.0.1 (port " + std::to_string(port) + ") failed."));
    // Still no master: the next frame tries again and fails the same way.
    EXPECT_EQ(RESULT_CONNECTION_FAILED, hostDevice->frame(frameDef, false));
}

}  // namespace
}  // namespace hox
