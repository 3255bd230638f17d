// RenderEngineCluster's set-up and scene mirroring against a scripted
// master (fake_master.h): handshakes accepted and refused, byte orders, and
// the words of every command message the engine sends.
#include <gtest/gtest.h>

#include <string>

#include "cluster/render_engine_cluster.h"
#include "device/device_test_support.h"
#include "fake_master.h"
#include "hox/handle.h"
#include "scene/object_table.h"
#include "scene/settings_records.h"

namespace {

using cluster_test::FakeMaster;
using cluster_test::MasterScript;
using hox::cluster::RenderEngineCluster;

class ClusterEngine : public ::testing::Test {
protected:
    void SetUp() override { hox::util::setMessageCallback(&log); }
    void TearDown() override { hox::util::setMessageCallback(nullptr); }

    hox::scene::DeviceSettingsData settingsFor(int port) {
        hox::scene::DeviceSettingsData settings;
        settings.clusterMasterHost = "127.0.0.1";
        settings.clusterMasterPort = port;
        settings.setting7 = 70;
        settings.setting8 = 80;
        return settings;
    }
    std::string failureWarning(int port) {
        return "socket connection to 127.0.0.1 (port " + std::to_string(port) + ") failed.\n";
    }
    bool warned(const std::string& text) {
        for (const std::string& w : log.warnings())
            if (w == text) return true;
        return false;
    }

    hox::testing_support::MessageLog log;
    hox::scene::ObjectTable table;
};

TEST_F(ClusterEngine, FailedHandshakesMakeInitReturnConnectionFailed) {
    struct Case {
        const char* name;
        MasterScript script;
    };
    MasterScript refused;
    refused.acceptance = 0;
    MasterScript zeroPort;
    zeroPort.zeroCommandPort = true;
    MasterScript wrongGreeting;
    wrongGreeting.magic = 0x12345678u;
    for (const Case& c : {Case{"refused", refused}, Case{"command port 0", zeroPort},
                          Case{"wrong greeting", wrongGreeting}}) {
        FakeMaster master(c.script);
        RenderEngineCluster engine(&table);
        EXPECT_EQ(engine.init(settingsFor(master.port())), 12288) << c.name;
        EXPECT_TRUE(warned(failureWarning(master.port()))) << c.name;
        EXPECT_FALSE(engine.isConnected()) << c.name;
        EXPECT_NE(engine.getFrameContext(), nullptr) << "the frame context exists in every case";
        master.join();
        if (c.script.magic == 0x5F0A347Cu) {
            EXPECT_EQ(master.request(), 1000u) << c.name;
        }
    }
    // Nobody listening at all.
    int closedPort;
    {
        cluster_test::Listener gone;
        closedPort = gone.port();
    }
    RenderEngineCluster engine(&table);
    EXPECT_EQ(engine.init(settingsFor(closedPort)), 12288);
    EXPECT_TRUE(warned(failureWarning(closedPort)));
    hox::engine::FrameSlot slot;
    slot.frameNumber = 0;
    EXPECT_EQ(engine.renderFrame(slot), 12288) << "no frames without a connection";
}

TEST_F(ClusterEngine, ConnectingSendsHelloAndTheWholeSceneThenMirrorsChanges) {
    for (bool reversed : {false, true}) {
        hox::scene::ObjectTable scene;
        const int camera = scene.create(hox::CLASS_TYPE_CAMERA);
        const int view = scene.create(hox::CLASS_TYPE_RENDER_VIEW);
        scene.setEditStamp(33);
        MasterScript script;
        script.reversed = reversed;
        FakeMaster master(script);
        {
            RenderEngineCluster engine(&scene);
            ASSERT_EQ(engine.init(settingsFor(master.port())), 0) << "reversed " << reversed;
            master.join();
            EXPECT_EQ(master.request(), 1000u);
            EXPECT_TRUE(engine.isConnected());
            EXPECT_EQ(engine.engineKind(), 4097);
            const std::string success =
                "socket connection to 127.0.0.1 (port " + std::to_string(master.port()) + ") successful.";
            bool announced = false;
            for (const std::string& m : log.messages()) announced |= m == success;
            EXPECT_TRUE(announced);

            FakeMaster::Message hello = master.readCommand();
            EXPECT_EQ(hello.type, 1);
            EXPECT_EQ(hello.length, 12);
            EXPECT_EQ(hello.word(0), 80) << "setting 8 first";
            EXPECT_EQ(hello.word(1), 70);
            EXPECT_EQ(hello.word(2), 50);
            // Render views come before cameras in the table's order.
            const FakeMaster::Message first = master.readCommand();
            const FakeMaster::Message second = master.readCommand();
            EXPECT_EQ(first.type, 8);
            EXPECT_EQ(first.word(0), 33) << "the edit stamp at set-up";
            EXPECT_EQ(first.word(1), hox::CLASS_TYPE_RENDER_VIEW);
            EXPECT_EQ(first.word(2), view);
            EXPECT_EQ(first.length, 16 + first.word(3));
            EXPECT_EQ(second.word(1), hox::CLASS_TYPE_CAMERA);
            EXPECT_EQ(second.word(2), camera);

            // Before the first frame the current frame is 0: changes carry 1.
            engine.onCreateHandle(hox::CLASS_TYPE_LIGHT, 4);
            FakeMaster::Message created = master.readCommand();
            EXPECT_EQ(created.type, 6);
            EXPECT_EQ(created.length, 12);
            EXPECT_EQ((std::vector<int32_t>{created.word(0), created.word(1), created.word(2)}),
                      (std::vector<int32_t>{1, hox::CLASS_TYPE_LIGHT, 4}));
            engine.onDestroyHandle(hox::HandleBase::fromValue((11u << 28) | 5u));
            FakeMaster::Message destroyed = master.readCommand();
            EXPECT_EQ(destroyed.type, 7);
            EXPECT_EQ((std::vector<int32_t>{destroyed.word(0), destroyed.word(1), destroyed.word(2)}),
                      (std::vector<int32_t>{1, 11, 5}));
            engine.onEndEdit(hox::HandleBase::fromValue((static_cast<unsigned>(hox::CLASS_TYPE_CAMERA) << 28) |
                                                        static_cast<unsigned>(camera)));
            FakeMaster::Message edited = master.readCommand();
            EXPECT_EQ(edited.type, 8);
            EXPECT_EQ(edited.word(0), 1);
            EXPECT_EQ(edited.word(1), hox::CLASS_TYPE_CAMERA);
            EXPECT_EQ(std::vector<uint8_t>(edited.payload.begin() + 16, edited.payload.end()),
                      std::vector<uint8_t>(second.payload.begin() + 16, second.payload.end()))
                << "the same record as sent at set-up";

            EXPECT_FLOAT_EQ(engine.getProgress(0), 0.0f);
            // The master ends the image connection: the engine must not wait
            // for it at destruction.
            master.image().close();
        }
        // Destruction: abort with the current frame, then the last message.
        FakeMaster::Message abort = master.readCommand();
        EXPECT_EQ(abort.type, 9);
        EXPECT_EQ(abort.length, 4);
        EXPECT_EQ(abort.word(0), 0);
        FakeMaster::Message last = master.readCommand();
        EXPECT_EQ(last.type, 17);
        EXPECT_EQ(last.length, 0);
        EXPECT_TRUE(master.command().closedByPeer()) << "the command connection is closed";
    }
}

}  // namespace
