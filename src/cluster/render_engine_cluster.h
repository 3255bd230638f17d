// RenderEngineCluster: renders the device's frames on a cluster.
//
// The library does not render here: it mirrors the scene to a cluster
// master and gets the finished view images back.
//   init         handshake on the master's port, command connection, receive
//                thread (which connects the image connection), hello
//                message, then every live record of the object table;
//   scene edits  each creation, destruction and finished edit is sent as it
//                happens (onCreateHandle / onDestroyHandle / onEndEdit);
//   renderFrame  prepares the framebuffers, counts one unit per 16 × 16 tile
//                of every view that is not static, and sends the frame;
//   receive      images land in the framebuffers of their frame's parity and
//                count the slot down by the view's tiles, so that the
//                device's wait and swap work as with local rendering.
//
// Threads: the device's thread calls every interface operation and is the
// only writer of the command connection. The receive thread delivers
// images, progress and errors. The engine mutex orders abort against image
// delivery and guards the slots, frame numbers and progress; a slot's own
// mutex guards its units.
//
// Frame numbers seen by the receive thread are the engine's own copies
// (slotFrames_), written under the engine mutex, never the slots' fields that
// the device rewrites without a lock. An image is delivered only while its
// slot still has units outstanding: until then the device neither swaps nor
// reuses the slot, and an abort first takes the engine mutex.
#pragma once

#include <cstdint>

#include "engine/frame_context.h"
#include "hox/string.h"
#include "engine/render_engine.h"
#include "platform/vu_threads.h"

namespace vu_connection {
class vuSocketConnection;
}

namespace hox {
namespace scene {
class ObjectTable;
}

namespace cluster {

class ClusterRecvThread;
class RecordSender;
struct ViewImage;

class RenderEngineCluster : public engine::IRenderEngine {
public:
    // The status of a set-up that failed and of frames without a connection.
    static constexpr int kConnectionFailed = 12288;
    static constexpr int kEngineKind = 4097;
    // How long init waits for the handshake, and for the receive thread to
    // connect the image connection.
    static constexpr double kConnectSeconds = 5.0;

    // The table is the scene to mirror; it must outlive the engine and is
    // read on the device's thread only. Null mirrors nothing.
    explicit RenderEngineCluster(const scene::ObjectTable* table);
    // Shutdown: abort, message 17, close, wait for the receive thread.
    ~RenderEngineCluster() override;
    RenderEngineCluster(const RenderEngineCluster&) = delete;
    RenderEngineCluster& operator=(const RenderEngineCluster&) = delete;

    int init(const scene::DeviceSettingsData& settings) override;
    int shutdown() override;
    int renderFrame(engine::FrameSlot& slot) override;
    int abort() override;
    void getStats(RenderStats& stats) override;
    float getProgress(int frameNumber) override;
    int engineKind() override { return kEngineKind; }
    engine::FrameContext* getFrameContext() override { return context_; }
    void onCreateHandle(int type, int instance) override;
    void onDestroyHandle(const HandleBase& handle) override;
    void onEndEdit(const HandleBase& handle) override;

    // --- For the receive thread ---
    void deliverImage(const ViewImage& image);
    void setProgress(float progress);
    // Releases every frame still waiting for images.
    void releaseWaitingFrames();

    // --- For inspection ---
    // Connected and the image connection up.
    bool isConnected();
    // The receive thread's error text, once it has ended ("" before).
    util::String errorText();
    int errorCode();
    int currentFrame();
    int abortedFrame();

private:
    // Ends the receive thread, the record sender and the command connection.
    void disconnect();
    bool commandUp();

    engine::FrameSlot* slots_[2];
    engine::FrameContext* context_;
    uint64_t reserved_;
    ClusterRecvThread* recvThread_;
    vu_connection::vuSocketConnection* command_;
    vu_threads::vuMutex mutex_;
    float progress_;
    int currentFrame_;
    int abortedFrame_;
    RecordSender* sender_;

    const scene::ObjectTable* table_;
    int slotFrames_[2];  // the frame of each slot as renderFrame stored it
};

}  // namespace cluster
}  // namespace hox
