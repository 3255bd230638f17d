// hox-cluster-master end to end: a host (the public interface of
// libhox64.so) renders the same scene locally and on a master of three MPI
// ranks, and the images must agree: bit for bit on the uncompressed path,
// within the codec's bounds when compressed. Edits between frames, aborts,
// hosts that leave and come back, a second host and malformed messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>

#include "cluster/message_log.h"
#include "cluster/test_socket.h"
#include "cluster_scene.h"
#include "hox/hox.h"
#include "master_process.h"

namespace cluster_master_test {
namespace {

using cluster_test::TestSocket;
using Images = std::vector<std::vector<float>>;

constexpr int kWidth = 61, kHeight = 45;

// One master for the whole suite: starting MPI costs a second or two.
MasterProcess* g_master = nullptr;

class MasterEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_master = new MasterProcess();
        ASSERT_TRUE(g_master->start(3)) << "the master did not start:\n" << g_master->log();
    }
    void TearDown() override {
        // SIGTERM stops all ranks together and in time: rank 0 ended its loop
        // and told the others to quit.
        EXPECT_NE(-1, g_master->stop()) << "the master had to be killed:\n" << g_master->log();
        EXPECT_EQ(1, g_master->logCount("stopped")) << g_master->log();
        for (const char* bad : {"without word from rank 0", "Sanitizer", "runtime error"})
            EXPECT_EQ(0, g_master->logCount(bad)) << g_master->log();
        if (!::testing::UnitTest::GetInstance()->Failed()) g_master->removeLog();
        delete g_master;
        g_master = nullptr;
    }
};

const ::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new MasterEnvironment());

// Bit patterns must agree: NaNs and signed zeros count too.
::testing::AssertionResult sameImages(const Images& cluster, const Images& local) {
    if (cluster.size() != local.size()) return ::testing::AssertionFailure() << "view counts differ";
    for (std::size_t v = 0; v < local.size(); ++v) {
        if (local[v].empty() || cluster[v].size() != local[v].size())
            return ::testing::AssertionFailure() << "view " << v << ": " << cluster[v].size() << " floats vs "
                                                 << local[v].size();
        for (std::size_t i = 0; i < local[v].size(); ++i)
            if (std::memcmp(&cluster[v][i], &local[v][i], 4) != 0)
                return ::testing::AssertionFailure() << "view " << v << " differs first at float " << i << ": "
                                                     << cluster[v][i] << " vs " << local[v][i];
    }
    return ::testing::AssertionSuccess();
}

class ClusterMaster : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(g_master, nullptr);
        ASSERT_TRUE(g_master->running()) << g_master->log();
        startHost();
    }
    void TearDown() override {
        if (device && device->isInitialized()) hox::Shutdown(device);
        scene.reset();
    }
    void startHost() {
        ASSERT_EQ(0, hox::Init(&messages, device));
        scene = std::make_unique<ClusterScene>(device);
        ASSERT_TRUE(scene->build(kWidth, kHeight)) << messages.all();
    }
    // Renders one frame on the engine asked for and returns its images.
    Images render(bool cluster, float compression = 0.0f) {
        scene->useCluster(cluster, g_master->port(), compression);
        messages.clear();
        EXPECT_EQ(0, scene->render()) << messages.all() << g_master->log();
        // A cluster frame really went to the master (no fall-back to local).
        EXPECT_FALSE(cluster && messages.contains("failed")) << messages.all();
        Images out;
        for (Capture& c : scene->captures) out.push_back(c.take());
        return out;
    }
    // The master's "host connected" lines so far.
    int sessions() { return g_master->logCount("host connected"); }

    cluster_test::MessageLog messages;
    hox::IRenderDevice* device = nullptr;
    std::unique_ptr<ClusterScene> scene;
};

TEST_F(ClusterMaster, UncompressedImagesMatchTheLocalEngineBitForBit) {
    const int before = sessions();
    const Images local = render(false);
    const Images cluster = render(true);
    EXPECT_TRUE(messages.contains("successful")) << messages.all();
    EXPECT_GT(sessions(), before) << "the host never reached the master";
    EXPECT_TRUE(sameImages(cluster, local));
    // The scene is lit: equal black images would prove nothing.
    ASSERT_FALSE(local.empty() || local[0].empty());
    EXPECT_GT(*std::max_element(local[0].begin(), local[0].end()), 0.2f);

    // Several samples per pixel (level 1: 5 per pixel, splatted over
    // neighbours) agree exactly inside tiles; border pixels sum two tiles'
    // samples in arrival order, which float rounding may tell apart.
    scene->setSampling(1);
    const Images local1 = render(false), cluster1 = render(true);
    ASSERT_EQ(local1.size(), cluster1.size());
    for (std::size_t v = 0; v < local1.size(); ++v) {
        ASSERT_EQ(local1[v].size(), cluster1[v].size());
        for (std::size_t i = 0; i < local1[v].size(); ++i)
            ASSERT_NEAR(cluster1[v][i], local1[v][i], 1e-5f * std::max(1.0f, std::fabs(local1[v][i])))
                << "view " << v << " float " << i;
    }
}

// The level reaches the master: the images differ, within the codec's bound
// at 0.25 (luminance 1.0 %, shares 0.0025; an absolute bound below 2^-11).
TEST_F(ClusterMaster, CompressedImagesStayWithinTheCodecBound) {
    const Images local = render(false), cluster = render(true, 0.25f);
    const float darkest = std::ldexp(1.0f, -11);
    auto lum = [](const float* p) { return 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]; };
    int compared = 0, differing = 0;
    for (std::size_t v = 0; v < local.size(); ++v) {
        ASSERT_EQ(local[v].size(), cluster[v].size());
        for (std::size_t i = 0; i + 3 < local[v].size(); i += 4) {
            const float *a = &cluster[v][i], *b = &local[v][i];
            const float ya = lum(a), yb = lum(b);
            differing += a[0] != b[0] || a[1] != b[1] || a[2] != b[2];
            compared += yb >= darkest;
            ASSERT_NEAR(ya, yb, yb < darkest ? darkest : 0.0101f * yb) << "view " << v << " pixel " << i / 4;
            if (yb < darkest) continue;
            ASSERT_NEAR(0.299f * a[0] / ya, 0.299f * b[0] / yb, 0.0026f) << "view " << v << " pixel " << i / 4;
            ASSERT_NEAR(0.114f * a[2] / ya, 0.114f * b[2] / yb, 0.0026f) << "view " << v << " pixel " << i / 4;
        }
    }
    EXPECT_GT(compared, kWidth * kHeight / 2);
    EXPECT_GT(differing, 0);
}

TEST_F(ClusterMaster, EditsBetweenFramesShowInTheNextClusterFrameOfTheSameSession) {
    // A cluster frame after edits, checked to run in the session already open.
    auto renderInSession = [this] {
        const int session = sessions();
        const Images images = render(true);
        EXPECT_EQ(session, sessions()) << "the edits must arrive in the running session";
        return images;
    };
    const Images before = render(true);
    // Move an object and change a uniform.
    scene->box.beginEdit()->setTransform(translation(0.4f, 0.3f, 0.0f));
    scene->box.endEdit();
    scene->red.beginEdit()->setUniform3f("colour", hox::Vec3f{0.1f, 0.3f, 0.9f});
    scene->red.endEdit();
    const Images edited = renderInSession();
    EXPECT_FALSE(sameImages(edited, before)) << "the edits changed nothing on the cluster";
    EXPECT_TRUE(sameImages(edited, render(false)));

    // Destroy an object and re-create the texture.
    EXPECT_TRUE(sameImages(render(true), edited));
    ASSERT_EQ(0, scene->box.destroy());
    hox::THandle<hox::Texture> old = scene->texture;
    ASSERT_EQ(0, old.destroy());
    ASSERT_TRUE(scene->makeTexture(1));
    const Images destroyed = renderInSession();
    EXPECT_FALSE(sameImages(destroyed, edited));
    EXPECT_TRUE(sameImages(destroyed, render(false)));
}

TEST_F(ClusterMaster, AnAbortedFrameLeavesTheMasterReadyForTheNext) {
    scene->setSampling(4);  // 256 samples per pixel: long enough to abort
    scene->useCluster(true, g_master->port());
    const int aborted = g_master->logCount("aborted");
    ASSERT_EQ(0, device->frame(scene->frameDef, true));
    // Progress arrives while tiles come back; abort in the middle.
    float progress = 0.0f;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (progress <= 0.0f && std::chrono::steady_clock::now() < deadline) {
        ASSERT_EQ(0, device->query1f(hox::QUERY_PROGRESS, progress));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GT(progress, 0.0f);
    EXPECT_LT(progress, 1.0f);
    ASSERT_EQ(0, device->abort());
    EXPECT_TRUE(g_master->waitForLog("aborted", 10.0, aborted + 1)) << g_master->log();

    scene->setSampling(0);
    EXPECT_TRUE(sameImages(render(true), render(false)));
}

// A raw host for what a real host never does; shake() returns the answer
// (acceptance, then the two ports when accepted).
struct RawHost {
    TestSocket handshake, command, image;
    std::vector<uint32_t> shake(int port) {
        if (!handshake.connect(port) || handshake.words(2).size() != 2 || !handshake.sendWords({1000u})) return {};
        std::vector<uint32_t> answer = handshake.words(1);
        if (answer.size() == 1 && answer[0] != 0) {
            const std::vector<uint32_t> ports = handshake.words(2);
            answer.insert(answer.end(), ports.begin(), ports.end());
        }
        return answer;
    }
    // The three connections, set up as the library sets them up.
    bool connect(int port) {
        const std::vector<uint32_t> answer = shake(port);
        if (answer.size() != 3 || answer[0] != 1) return false;
        handshake.close();
        return command.connect(static_cast<int>(answer[1])) && command.words(2).size() == 2 &&
               image.connect(static_cast<int>(answer[2])) && image.words(2).size() == 2;
    }
};

TEST_F(ClusterMaster, ASecondHostIsRefusedAndAHostThatLeftIsFollowedByTheNext) {
    const Images first = render(true);
    RawHost other;
    EXPECT_EQ(std::vector<uint32_t>{0u}, other.shake(g_master->port())) << g_master->log();
    EXPECT_TRUE(sameImages(render(true), first)) << "the host being served is not disturbed";

    const int ended = g_master->logCount("ended");
    messages.clear();
    hox::Shutdown(device);
    EXPECT_TRUE(g_master->waitForLog("ended", 10.0, ended + 1)) << g_master->log();
    EXPECT_FALSE(messages.contains("connection lost")) << "ended in order (type 17): " << messages.all();
    // A new host with the same scene gets the same images: nothing of the
    // first session is left.
    startHost();
    const Images second = render(true);
    EXPECT_TRUE(sameImages(second, first));
    EXPECT_TRUE(sameImages(second, render(false)));
}

TEST_F(ClusterMaster, MalformedMessagesDropOnlyTheirOwnHost) {
    hox::Shutdown(device);  // the real host stays away while the raw ones talk
    struct Step {
        std::vector<uint32_t> message, reply;  // a command message and the error message it earns
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool vanish;  // the host closes its command connection after the steps
    };
    const std::vector<Case> cases = {
        {"unknown message type", {{{1, 12, 0, 0, 50}, {}}, {{99, 4, 7}, {13, 4, 2}}}, false},
        {"hello of another interface version", {{{1, 12, 0, 0, 49}, {13, 4, 1}}}, false},
        {"record size not its payload's", {{{8, 20, 1, 6, 0, 64, 0}, {13, 4, 2}}}, false},
        // A record too short to read is refused (error 3) but the connection
        // stays; a frame that does not decode then drops it.
        {"short camera record, then a bad frame",
         {{{8, 20, 1, 6, 0, 4, 0}, {13, 4, 3}}, {{4, 12, 1, 4, 0xFFFFFFFFu}, {13, 4, 2}}}, false},
        {"a host that vanishes inside a message", {{{8, 1000, 1, 6, 0, 984, 1, 2}, {}}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawHost host;
        ASSERT_TRUE(host.connect(g_master->port())) << g_master->log();
        for (const Step& step : c.steps) {
            ASSERT_TRUE(host.command.sendWords(step.message));
            if (!step.reply.empty()) {
                EXPECT_EQ(step.reply, host.image.words(3));
            }
        }
        if (c.vanish) host.command.close();
        EXPECT_TRUE(host.image.closedAfterDraining());
    }
    // A real host is served as before.
    ASSERT_TRUE(g_master->running()) << g_master->log();
    startHost();
    EXPECT_TRUE(sameImages(render(true), render(false)));
}

}  // namespace
}  // namespace cluster_master_test
