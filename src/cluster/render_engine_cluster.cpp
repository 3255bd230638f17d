#include "cluster/render_engine_cluster.h"

#include "cluster/cluster_handshake.h"
#include "cluster/cluster_protocol.h"
#include "cluster/cluster_recv_thread.h"
#include "cluster/command_messages.h"
#include "cluster/image_message_reader.h"
#include "cluster/record_sender.h"
#include "engine/frame_slot.h"
#include "engine/framebuffer_render_state.h"
#include "engine/tile_sampler.h"
#include "engine/tile_sink.h"
#include "hox/device.h"
#include "hox/handle.h"
#include "platform/aligned_memory.h"
#include "platform/clock.h"
#include "platform/thread_services.h"
#include "platform/vu_socket_connection.h"
#include "scene/object_table.h"
#include "scene/settings_records.h"
#include "util/messages.h"

namespace hox {
namespace cluster {

namespace {

constexpr std::size_t kAlignment = 16;
// How often the destructor looks whether the receive thread has ended.
constexpr unsigned kExitPollMicroseconds = 10000;
// How long a master gets to close the image connection after the shutdown
// message before the connection is interrupted from this side.
constexpr uint32_t kExitGraceMilliseconds = 2000;

// Work units of a view: one per 16 × 16 tile, none for a static view.
int viewTiles(const accel::PreparedView& view) {
    if (view.isStatic || !view.camera) return 0;
    const int64_t width = view.camera->width;
    const int64_t height = view.camera->height;
    if (width <= 0 || height <= 0) return 0;
    const int64_t size = engine::kTileSize;
    const int64_t tiles = ((width + size - 1) / size) * ((height + size - 1) / size);
    return tiles < (int64_t{1} << 30) ? static_cast<int>(tiles) : (1 << 30);
}

}  // namespace

RenderEngineCluster::RenderEngineCluster(const scene::ObjectTable* table)
    : slots_{nullptr, nullptr},
      context_(nullptr),
      reserved_(0),
      recvThread_(nullptr),
      command_(nullptr),
      progress_(0.0f),
      currentFrame_(0),
      abortedFrame_(-1),
      sender_(nullptr),
      table_(table),
      slotFrames_{-1, -1} {}

RenderEngineCluster::~RenderEngineCluster() {
    abort();
    if (commandUp()) sendShutdown(*command_);
    if (command_) command_->close();
    disconnect();
    platform::alignedDelete(context_);
    context_ = nullptr;
}

bool RenderEngineCluster::commandUp() { return command_ && command_->isConnected(); }

void RenderEngineCluster::disconnect() {
    if (recvThread_) {
        // The master answers the shutdown by closing the image connection;
        // one that does not is cut off after a grace period.
        const uint32_t start = platform::monotonicMilliseconds();
        bool interrupted = false;
        while (recvThread_->isRunning()) {
            if (!interrupted && platform::monotonicMilliseconds() - start > kExitGraceMilliseconds) {
                recvThread_->interrupt();
                interrupted = true;
            }
            vu_threads::sleepMicroseconds(kExitPollMicroseconds);
        }
    }
    platform::alignedDelete(recvThread_);
    recvThread_ = nullptr;
    platform::alignedDelete(sender_);
    sender_ = nullptr;
    platform::alignedDelete(command_);
    command_ = nullptr;
}

int RenderEngineCluster::init(const scene::DeviceSettingsData& settings) {
    if (command_) command_->close();
    disconnect();

    const util::String host = settings.clusterMasterHost;
    const int masterPort = settings.clusterMasterPort;
    bool connected = false;
    const HandshakeResult handshake = runHandshake(host.c_str(), masterPort, kConnectSeconds);
    if (handshake.succeeded()) {
        command_ = platform::alignedNew<vu_connection::vuSocketConnection>(kAlignment, kCommandBufferBytes);
        if (command_) {
            command_->setConnectTimeout(kConnectSeconds);
            connected = command_->connect(host.c_str(), handshake.commandPort) == vu_connection::kStatusOk;
        }
        if (connected) {
            util::message(1, "socket connection to %s (port %d) successful.", host.c_str(), masterPort);
            recvThread_ = platform::alignedNew<ClusterRecvThread>(kAlignment, *this, host, handshake.imagePort,
                                                                  kConnectSeconds);
            if (recvThread_) recvThread_->start();
            sendHello(*command_, settings.setting8, settings.setting7);
        } else {
            platform::alignedDelete(command_);
            command_ = nullptr;
        }
    }
    if (connected) sender_ = platform::alignedNew<RecordSender>(kAlignment, *command_, table_);
    if (connected && sender_ && table_) sender_->sendAllRecords(static_cast<int32_t>(table_->editStamp()));

    // The first frame must not fail merely because the receive thread has
    // not connected yet: wait for the image connection's outcome.
    const unsigned waitMilliseconds = static_cast<unsigned>(kConnectSeconds * 1000.0) + 500;
    if (connected && (!sender_ || !recvThread_ ||
                      recvThread_->waitForConnect(waitMilliseconds) != ClusterRecvThread::kConnected)) {
        connected = false;
    }
    if (!connected) {
        util::warning("socket connection to %s (port %d) failed.\n", host.c_str(), masterPort);
        if (command_) command_->close();
        disconnect();
    }
    if (!context_) context_ = platform::alignedNew<engine::FrameContext>(kAlignment);
    return connected ? 0 : kConnectionFailed;
}

int RenderEngineCluster::shutdown() { return 0; }

int RenderEngineCluster::renderFrame(engine::FrameSlot& slot) {
    if (!recvThread_ || !recvThread_->isUp() || !context_) return kConnectionFailed;
    const int status = context_->prepareFrame(slot);
    if (status != 0) return status;

    const int parity = slot.frameNumber & 1;
    int64_t units = 0;
    for (int v = 0; v < slot.viewCount(); ++v) units += viewTiles(slot.view(v));
    const int count = units < INT32_MAX ? static_cast<int>(units) : INT32_MAX;

    // Framebuffers are ready before the frame goes out, so the first image
    // finds its buffer prepared.
    for (int v = 0; v < slot.viewCount(); ++v) {
        const accel::PreparedView& view = slot.view(v);
        if (!view.framebuffer || !view.camera) continue;
        engine::prepareFramebufferForFrame(*view.framebuffer, slot.frameNumber, view.isStatic, view.renderViewHandle,
                                           view.camera->width, view.camera->height,
                                           engine::clampSamplingLevel(view.renderOptions().samplingRate),
                                           view.passCount);
    }
    {
        vu_threads::vuScopedLock lock(mutex_);
        slots_[parity] = &slot;
        slotFrames_[parity] = slot.frameNumber;
        currentFrame_ = slot.frameNumber;
        // 0 units completes the frame here and now: nothing is sent.
        slot.beginWork(count);
    }
    if (count < 1) return 0;
    if (!sender_) return -1;
    sender_->sendFrame(slot);
    return 0;
}

int RenderEngineCluster::abort() {
    vu_threads::vuScopedLock lock(mutex_);
    if (commandUp()) {
        sendAbort(*command_, currentFrame_);
        reserved_ = 0;
        progress_ = 0.0f;
    }
    if (context_) context_->onAbort();
    abortedFrame_ = currentFrame_;
    return 0;
}

void RenderEngineCluster::getStats(RenderStats& stats) { stats.clear(); }

float RenderEngineCluster::getProgress(int frameNumber) {
    vu_threads::vuScopedLock lock(mutex_);
    return frameNumber > currentFrame_ ? 0.0f : progress_;
}

void RenderEngineCluster::onCreateHandle(int type, int instance) {
    if (commandUp()) sendCreate(*command_, currentFrame_ + 1, type, instance);
}

void RenderEngineCluster::onDestroyHandle(const HandleBase& handle) {
    if (commandUp()) sendDestroy(*command_, currentFrame_ + 1, handle.getValue());
}

void RenderEngineCluster::onEndEdit(const HandleBase& handle) {
    if (sender_ && commandUp())
        sender_->sendRecord(currentFrame_ + 1, handleClass(handle.getValue()), handleInstance(handle.getValue()));
}

void RenderEngineCluster::deliverImage(const ViewImage& image) {
    vu_threads::vuScopedLock lock(mutex_);
    progress_ = 1.0f;
    if (image.frame <= abortedFrame_ || image.frame < 0) return;
    const int parity = image.frame & 1;
    engine::FrameSlot* slot = slots_[parity];
    // Units outstanding mean the device neither swaps nor reuses the slot.
    if (!slot || slotFrames_[parity] != image.frame || slot->remainingUnits() < 1) return;
    if (image.view < 0 || image.view >= slot->viewCount()) return;

    const accel::PreparedView& view = slot->view(image.view);
    if (view.framebuffer) {
        engine::FramebufferRenderState* state = engine::ensureRenderState(*view.framebuffer);
        if (state) {
            engine::FrameBuffer& buffer = state->buffer(parity);
            const int width = image.planes.width;
            const int height = image.planes.height;
            if (buffer.width() != width || buffer.height() != height || !buffer.hasImages())
                buffer.prepare(width, height, engine::kTileSize, 0, image.samplingLevel, image.passCount);
            buffer.storeImage(image.planes.colour, image.planes.values);
        }
    }
    slot->completeWorkUnits(viewTiles(view));
}

void RenderEngineCluster::setProgress(float progress) {
    vu_threads::vuScopedLock lock(mutex_);
    progress_ = progress;
}

void RenderEngineCluster::releaseWaitingFrames() {
    vu_threads::vuScopedLock lock(mutex_);
    for (int parity = 0; parity < 2; ++parity) {
        engine::FrameSlot* slot = slots_[parity];
        // Frames up to abortedFrame were released by the device's abort.
        if (!slot || slotFrames_[parity] <= abortedFrame_) continue;
        const int remaining = slot->remainingUnits();
        if (remaining > 0) slot->completeWorkUnits(remaining);
    }
}

bool RenderEngineCluster::isConnected() { return recvThread_ && recvThread_->isUp(); }

util::String RenderEngineCluster::errorText() {
    if (!recvThread_ || recvThread_->isRunning()) return util::String();
    return recvThread_->errorText();
}

int RenderEngineCluster::errorCode() { return recvThread_ ? recvThread_->errorCode() : 0; }

int RenderEngineCluster::currentFrame() {
    vu_threads::vuScopedLock lock(mutex_);
    return currentFrame_;
}

int RenderEngineCluster::abortedFrame() {
    vu_threads::vuScopedLock lock(mutex_);
    return abortedFrame_;
}

}  // namespace cluster
}  // namespace hox
