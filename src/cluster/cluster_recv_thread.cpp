#include "cluster/cluster_recv_thread.h"

#include "cluster/render_engine_cluster.h"
#include "platform/clock.h"
#include "platform/thread_services.h"
#include "util/messages.h"

namespace hox {
namespace cluster {

namespace {

constexpr const char* kConnectionLostText = "VELO Cluster connection lost!";
constexpr int kLostErrorCode = 1;

}  // namespace

ClusterRecvThread::ClusterRecvThread(RenderEngineCluster& engine, const util::String& host, int imagePort,
                                     double connectTimeoutSeconds)
    : engine_(engine),
      host_(host),
      imagePort_(imagePort),
      connection_(kImageBufferBytes),
      connected_(false),
      connectState_(kConnecting),
      errorCode_(0) {
    connection_.setConnectTimeout(connectTimeoutSeconds);
}

ClusterRecvThread::~ClusterRecvThread() {
    if (isRunning()) {
        connection_.interrupt();
        waitForExit(0xFFFFFFFFu);
    }
}

ClusterRecvThread::ConnectState ClusterRecvThread::waitForConnect(unsigned milliseconds) const {
    const uint32_t start = platform::monotonicMilliseconds();
    ConnectState state = connectState();
    while (state == kConnecting && platform::monotonicMilliseconds() - start < milliseconds) {
        vu_threads::sleepMicroseconds(1000);
        state = connectState();
    }
    return state;
}

bool ClusterRecvThread::isUp() { return connected_.load(std::memory_order_acquire) && connection_.isConnected(); }

void ClusterRecvThread::run() {
    vu_threads::setThreadName(kThreadName);
    if (connection_.connect(host_.c_str(), imagePort_) != vu_connection::kStatusOk) {
        connectState_.store(kConnectFailed, std::memory_order_release);
        return;
    }
    connected_.store(true, std::memory_order_release);
    connectState_.store(kConnected, std::memory_order_release);

    bool lost = true;
    while (connection_.isConnected()) {
        const ReadOutcome outcome = reader_.readMessage(connection_, *this);
        if (outcome == ReadOutcome::Handled || outcome == ReadOutcome::Unknown) continue;
        lost = outcome != ReadOutcome::Finished;
        break;
    }
    if (lost) {
        errorText_ = kConnectionLostText;
        errorCode_.store(kLostErrorCode, std::memory_order_release);
        util::error("%s\n", kConnectionLostText);
    }
    // Whatever ended the loop, no more images come: a half-read or hostile
    // stream must not be read on, and later frames must see the connection
    // down.
    connection_.close();
    connected_.store(false, std::memory_order_release);
    engine_.releaseWaitingFrames();
}

void ClusterRecvThread::onViewImage(const ViewImage& image) { engine_.deliverImage(image); }

void ClusterRecvThread::onClusterError(int32_t code) {
    errorText_.clear();
    errorCode_.store(code, std::memory_order_release);
}

void ClusterRecvThread::onProgress(float progress) { engine_.setProgress(progress); }

}  // namespace cluster
}  // namespace hox
