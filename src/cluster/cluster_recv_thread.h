// ClusterRecvThread: the cluster engine's receive side.
//
// Connects the image connection to the master, then reads its messages
// (image_message_reader.h) until the connection ends: view images go to the
// engine's framebuffers, progress to the engine, error codes to the log.
// When the loop ends for any reason other than the master's orderly end
// (type 17), the connection counts as lost: the error text becomes
// "VELO Cluster connection lost!" and is reported at error level. In every
// case the image connection is closed and the frames the engine still
// waits for are released, since nobody will deliver their images any more.
#pragma once

#include <atomic>

#include "cluster/cluster_protocol.h"
#include "cluster/image_message_reader.h"
#include "hox/string.h"
#include "platform/vu_socket_connection.h"
#include "platform/vu_threads.h"

namespace hox {
namespace cluster {

class RenderEngineCluster;

class ClusterRecvThread : public vu_threads::vuThread, private ImageMessageHandler {
public:
    static constexpr const char* kThreadName = "RenderEngineCluster Recv Thread";

    enum ConnectState { kConnecting = 0, kConnected = 1, kConnectFailed = -1 };

    ClusterRecvThread(RenderEngineCluster& engine, const util::String& host, int imagePort,
                      double connectTimeoutSeconds);
    // Interrupts the connection and waits for the body to return.
    ~ClusterRecvThread() override;

    ConnectState connectState() const { return connectState_.load(std::memory_order_acquire); }
    // Waits up to `milliseconds` for the connect attempt to end.
    ConnectState waitForConnect(unsigned milliseconds) const;
    // Connected and the connection still usable.
    bool isUp();
    // Makes a body blocked on the connection return (see vuSocketConnection).
    void interrupt() { connection_.interrupt(); }

    int errorCode() const { return errorCode_.load(std::memory_order_acquire); }
    // Empty while the connection is fine; read after the thread has ended.
    const util::String& errorText() const { return errorText_; }

protected:
    void run() override;

private:
    void onViewImage(const ViewImage& image) override;
    void onClusterError(int32_t code) override;
    void onProgress(float progress) override;

    RenderEngineCluster& engine_;
    util::String host_;
    int imagePort_;
    vu_connection::vuSocketConnection connection_;
    ImageMessageReader reader_;
    std::atomic<bool> connected_;
    std::atomic<ConnectState> connectState_;
    std::atomic<int> errorCode_;
    util::String errorText_;
};

}  // namespace cluster
}  // namespace hox
