// RenderEngineCluster's set-up and scene mirroring against a scripted
// master (fake_master.h): handshakes accepted and refused, both byte orders,
// and the words of every command message the engine sends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "cluster/render_engine_cluster.h"
#include "engine/frame_slot.h"
#include "fake_master.h"
#include "hox/handle.h"
#include "message_log.h"
#include "scene/object_table.h"
#include "scene/settings_records.h"
#include "util/messages.h"

namespace {

using cluster_test::FakeMaster;
using cluster_test::MasterScript;
using hox::cluster::RenderEngineCluster;

class ClusterEngine : public ::testing::Test {
protected:
    void SetUp() override { hox::util::setMessageCallback(&log); }
    void TearDown() override { hox::util::setMessageCallback(nullptr); }

    static hox::scene::DeviceSettingsData settingsFor(int port) {
        hox::scene::DeviceSettingsData settings;
        settings.clusterMasterHost = "127.0.0.1";
        settings.clusterMasterPort = port;
        settings.setting7 = 70;
        settings.setting8 = 80;
        return settings;
    }
    static bool has(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    static std::string connection(int port, const char* outcome) {
        return "socket connection to 127.0.0.1 (port " + std::to_string(port) + ") " + outcome;
    }

    cluster_test::MessageLog log;
    hox::scene::ObjectTable table;
};

TEST_F(ClusterEngine, FailedHandshakesMakeInitReturnConnectionFailed) {
    MasterScript refused, zeroPort, wrongGreeting;
    refused.acceptance = 0;
    zeroPort.zeroCommandPort = true;
    wrongGreeting.magic = 0x12345678u;
    for (const MasterScript& script : {refused, zeroPort, wrongGreeting}) {
        SCOPED_TRACE(script.magic != 0x5F0A347Cu ? "wrong greeting" : (script.zeroCommandPort ? "port 0" : "refused"));
        FakeMaster master(script);
        RenderEngineCluster engine(&table);
        EXPECT_EQ(engine.init(settingsFor(master.port())), 12288);
        EXPECT_TRUE(has(log.lines('w'), connection(master.port(), "failed.\n")));
        EXPECT_FALSE(engine.isConnected());
        EXPECT_NE(engine.getFrameContext(), nullptr) << "the frame context exists in every case";
        hox::engine::FrameSlot slot;
        slot.frameNumber = 0;
        EXPECT_EQ(engine.renderFrame(slot), 12288) << "no frames without a connection";
        master.join();
        if (script.magic == 0x5F0A347Cu) {
            EXPECT_EQ(master.request(), 1000u);
        }
    }
}

TEST_F(ClusterEngine, ConnectingSendsHelloAndTheWholeSceneThenMirrorsChanges) {
    for (bool reversed : {false, true}) {
        SCOPED_TRACE(reversed ? "reversed" : "native");
        hox::scene::ObjectTable scene;
        const int camera = scene.create(hox::CLASS_TYPE_CAMERA);
        const int view = scene.create(hox::CLASS_TYPE_RENDER_VIEW);
        const int camera2 = scene.create(hox::CLASS_TYPE_CAMERA);
        scene.setEditStamp(33);
        MasterScript script;
        script.reversed = reversed;
        FakeMaster master(script);
        {
            RenderEngineCluster engine(&scene);
            ASSERT_EQ(engine.init(settingsFor(master.port())), 0);
            master.join();
            EXPECT_EQ(master.request(), 1000u);
            EXPECT_TRUE(engine.isConnected());
            EXPECT_EQ(engine.engineKind(), 4097);
            EXPECT_TRUE(has(log.lines('v'), connection(master.port(), "successful.")));

            const FakeMaster::Message hello = master.readCommand();
            EXPECT_EQ(hello.head(3), (std::vector<int32_t>{1, 12, 80, 70, 50})) << "setting 8, setting 7, version";
            // The whole scene, each record stamped with the table's edit
            // stamp, render views before cameras (the table's order).
            std::vector<FakeMaster::Message> records;
            std::vector<std::pair<int, int>> order;
            for (int i = 0; i < 3; ++i) {
                records.push_back(master.readCommand());
                const FakeMaster::Message& m = records.back();
                EXPECT_EQ(m.type, 8);
                EXPECT_EQ(m.word(0), 33) << "the edit stamp at set-up";
                EXPECT_EQ(m.length, 16 + m.word(3));
                order.emplace_back(m.word(1), m.word(2));
            }
            EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{hox::CLASS_TYPE_RENDER_VIEW, view},
                                                               {hox::CLASS_TYPE_CAMERA, camera},
                                                               {hox::CLASS_TYPE_CAMERA, camera2}}));
            // Before the first frame the current frame is 0: changes carry 1.
            engine.onCreateHandle(hox::CLASS_TYPE_LIGHT, 4);
            EXPECT_EQ(master.readCommand().head(3), (std::vector<int32_t>{6, 12, 1, hox::CLASS_TYPE_LIGHT, 4}));
            engine.onDestroyHandle(hox::HandleBase::fromValue((11u << 28) | 5u));
            EXPECT_EQ(master.readCommand().head(3), (std::vector<int32_t>{7, 12, 1, 11, 5}));
            engine.onEndEdit(hox::HandleBase::fromValue((static_cast<unsigned>(hox::CLASS_TYPE_CAMERA) << 28) |
                                                        static_cast<unsigned>(camera)));
            const FakeMaster::Message edited = master.readCommand();
            EXPECT_EQ(edited.head(2), (std::vector<int32_t>{8, records[1].length, 1, hox::CLASS_TYPE_CAMERA}));
            EXPECT_EQ(std::vector<uint8_t>(edited.payload.begin() + 16, edited.payload.end()),
                      std::vector<uint8_t>(records[1].payload.begin() + 16, records[1].payload.end()))
                << "the same record as sent at set-up";
            EXPECT_FLOAT_EQ(engine.getProgress(0), 0.0f);
            // The master ends the image connection: destruction must not wait for it.
            master.image().close();
        }
        // Destruction: abort with the current frame, then the last message, then the end.
        EXPECT_EQ(master.readCommand().head(1), (std::vector<int32_t>{9, 4, 0}));
        EXPECT_EQ(master.readCommand().head(0), (std::vector<int32_t>{17, 0}));
        EXPECT_TRUE(master.command().closedByPeer()) << "the command connection is closed";
    }
}

}  // namespace
