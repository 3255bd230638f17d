#include "master_loop.h"

#include <mpi.h>

#include <chrono>
#include <deque>
#include <memory>

#include "cluster/cluster_protocol.h"
#include "control_channel.h"
#include "error_codes.h"
#include "host_images.h"
#include "host_listener.h"
#include "hox/status.h"
#include "image_assembly.h"
#include "master_log.h"
#include "mpi_wait.h"
#include "rank_state.h"
#include "tile_scheduler.h"
#include "work_channel.h"

namespace hox_cluster {

namespace {

using Clock = std::chrono::steady_clock;
using namespace hox::cluster;

// Progress messages go out at most this often.
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

class Master {
public:
    explicit Master(const MasterOptions& options)
        : control_(MPI_COMM_WORLD), work_(MPI_COMM_WORLD), state_(options.shaderPath, options.threads) {
        threads_ = work_.exchangeThreadCounts(state_.renderer().threadCount());
    }

    int run(const MasterOptions& options, const volatile std::sig_atomic_t& stop) {
        if (!listener_.open(options.port)) {
            // The other ranks are told, so that the job ends in order.
            return control_.broadcast(ControlHeader{kControlQuit, 0, 0, 0, 0}) ? kExitNoPort : kExitMpiFailed;
        }
        int total = 0;
        for (int count : threads_) total += count;
        logInfo("%d rank%s, %d render threads in all", control_.size(), control_.size() == 1 ? "" : "s", total);
        while (!stop && !mpiFailed_) {
            bool busy = false;
            std::unique_ptr<HostSession> incoming = listener_.poll(session_ ? 0.0 : 0.01, session_ != nullptr);
            if (incoming) {
                startSession(std::move(incoming));
                busy = true;
            }
            if (session_) busy |= serviceSession();
            if (frameActive_) busy |= serviceFrame();
            if (!busy) {
                // While tiles render, a finished one ends the pause at once.
                if (frameActive_)
                    state_.renderer().waitForTile(200);
                else
                    idlePause(200);
            }
        }
        if (session_) {
            if (!mpiFailed_) images_->sendEnd();
            endSession(mpiFailed_ ? "MPI failed" : "the master is stopping");
        }
        listener_.close();
        if (mpiFailed_) return kExitMpiFailed;
        control_.broadcast(ControlHeader{kControlQuit, 0, 0, 0, 0});
        logInfo("stopped");
        return 0;
    }

private:
    // --- control packets: to every rank, then here -----------------------

    int broadcastScene(const ControlHeader& header, const std::vector<uint8_t>& body = {}) {
        if (!control_.broadcast(header, body)) {
            failMpi();
            return kErrorRenderRankLost;
        }
        return state_.applyScene(header, body);
    }

    void failMpi() {
        if (mpiFailed_) return;
        mpiFailed_ = true;
        logError("MPI failed: a render rank is gone; the master stops");
        if (images_) images_->sendError(kErrorRenderRankLost);
    }

    // --- hosts -------------------------------------------------------------

    void startSession(std::unique_ptr<HostSession> session) {
        session_ = std::move(session);
        images_ = std::make_unique<HostImages>(session_->image());
        frameCommandBytes_ = 0;
        pending_.clear();
        ++sessionNumber_;
        broadcastScene(ControlHeader{kControlSession, sessionNumber_, 0, 0, 0});
        logInfo("host connected (session %d)", sessionNumber_);
    }

    void endSession(const std::string& why) {
        abortFrame(INT32_MAX);
        logInfo("host session %d ended: %s", sessionNumber_, why.c_str());
        session_.reset();
        images_.reset();
        pending_.clear();
        // The ranks forget the host's scene; a new session starts clean.
        ++sessionNumber_;
        if (!mpiFailed_) broadcastScene(ControlHeader{kControlSession, sessionNumber_, 0, 0, 0});
    }

    void reject(int32_t code, const std::string& why) {
        logError("%s; the host is dropped", why.c_str());
        images_->sendError(code);
        endSession(why);
    }

    bool serviceSession() {
        bool busy = false;
        CommandMessage message;
        HostSession::Poll state;
        while ((state = session_->poll(message)) == HostSession::Poll::Message) {
            busy = true;
            if (message.type == kMessageAbort) {
                // An abort overtakes the queue: it is about frames already sent.
                handleAbort(message.word(0));
            } else {
                pending_.push_back(std::move(message));
            }
        }
        while (session_ && !pending_.empty() && !(pending_.front().type == kMessageFrame && frameActive_)) {
            CommandMessage next = std::move(pending_.front());
            pending_.pop_front();
            busy = true;
            handleCommand(next);
        }
        if (!session_) return true;
        if (state == HostSession::Poll::Malformed) {
            reject(kErrorMalformedMessage, "malformed message: " + session_->failure());
            return true;
        }
        if (state == HostSession::Poll::Ended && pending_.empty()) {
            endSession(session_->failure());
            return true;
        }
        if (!session_->imageUsable()) {
            endSession("the image connection failed");
            return true;
        }
        return busy;
    }

    void handleCommand(const CommandMessage& message) {
        int code = 0;
        switch (message.type) {
            case kMessageHello:
                if (message.word(2) != kHelloVersion) {
                    reject(kErrorProtocolVersion,
                           "the host speaks interface version " + std::to_string(message.word(2)));
                    return;
                }
                logVerboseLine("hello: settings %d and %d, interface version %d", message.word(0), message.word(1),
                               message.word(2));
                return;
            case kMessageCreate:
                code = broadcastScene(ControlHeader{kControlCreate, message.word(1), message.word(2), 0, 0});
                break;
            case kMessageDestroy:
                code = broadcastScene(ControlHeader{kControlDestroy, message.word(1), message.word(2), 0, 0});
                break;
            case kMessageRecord: {
                const std::vector<uint8_t> body(message.payload.begin() + kRecordBodyOffset, message.payload.end());
                code = broadcastScene(
                    ControlHeader{kControlRecord, message.word(1), message.word(2), message.word(0), 0}, body);
                break;
            }
            case kMessageFrame: startFrame(message); return;
            case kMessageShutdown:
                // The orderly end: the host's receive thread then stops
                // without reporting a lost connection.
                images_->sendEnd();
                endSession("the host shut down");
                return;
            default: return;
        }
        if (code != 0 && images_) images_->sendError(code);
    }

    void handleAbort(int32_t frame) {
        logVerboseLine("abort of frame %d", frame);
        // Frames not started yet that the abort covers never start.
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (it->type == kMessageFrame && it->word(0) <= frame)
                it = pending_.erase(it);
            else
                ++it;
        }
        abortFrame(frame);
    }

    // --- frames ------------------------------------------------------------

    void startFrame(const CommandMessage& message) {
        const int32_t number = message.word(0);
        const uint8_t* body = message.payload.data() + kFrameBodyOffset;
        const std::size_t size = message.payload.size() - kFrameBodyOffset;
        hox::engine::DecodedFrame frame;
        if (!decodeFrame(body, size, frame) || frame.frameNumber != number) {
            reject(kErrorMalformedMessage, "frame " + std::to_string(number) + " does not decode");
            return;
        }
        if (!control_.broadcast(ControlHeader{kControlFrame, number, 0, 0, 0},
                                std::vector<uint8_t>(body, body + size))) {
            failMpi();
            return;
        }
        frameStart_ = Clock::now();
        frameImageBytes_ = images_->bytesSent();
        if (state_.startFrame(frame) != hox::RESULT_OK) {
            answerFailedFrame(frame);
            return;
        }
        const hox::engine::FrameSlot& slot = state_.renderer().slot();
        views_.clear();
        std::vector<int> tiles;
        for (int v = 0; v < slot.viewCount(); ++v) {
            views_.push_back(viewImageInfo(slot, v));
            tiles.push_back(views_.back().tiles);
        }
        if (assembly_.begin(views_)) {
            // Rank 0's own tiles go straight into the images.
            state_.renderer().setDirectSinks(assembly_.sinks());
        } else {
            state_.renderer().setDirectSinks({});
            images_->sendError(kErrorImage);
            logError("frame %d: no memory for its images", number);
        }
        frameNumber_ = number;
        compression_ = slot.settings.clusterImageCompressionLevel;
        frameActive_ = true;
        lastProgress_ = Clock::now();
        scheduler_.start(threads_, slot.settings.clusterTileQueueSize, tiles);
        doneSent_.assign(static_cast<std::size_t>(control_.size()), false);
        for (int r = 0; r < control_.size(); ++r) grantTo(r);
        if (scheduler_.finished()) finishFrame();
    }

    // The views of a frame that could not be prepared get black images, so
    // that the host's frame completes instead of waiting for ever.
    void answerFailedFrame(const hox::engine::DecodedFrame& frame) {
        images_->sendError(kErrorFramePreparation);
        for (std::size_t v = 0; v < frame.views.size(); ++v) {
            const hox::engine::DecodedView& view = *frame.views[v];
            const auto* camera = hox::scene::recordAs<hox::scene::CameraRecord>(
                state_.scene().table().lookup(hox::CLASS_TYPE_CAMERA, view.camera));
            if (view.isStatic || !camera) continue;
            hox::engine::FrameBuffer black;
            if (!black.prepare(camera->width, camera->height, hox::engine::kTileSize, 0, 0, view.passCount)) continue;
            images_->sendImage(frame.frameNumber, static_cast<int32_t>(v), black, 0.0f);
        }
    }

    void grantTo(int rank) {
        TileGrant grant;
        grant.session = sessionNumber_;
        grant.frame = frameNumber_;
        grant.tiles = scheduler_.grant(rank);
        grant.done = scheduler_.exhausted() && !doneSent_[static_cast<std::size_t>(rank)];
        if (grant.tiles.empty() && !grant.done) return;
        if (grant.done) doneSent_[static_cast<std::size_t>(rank)] = true;
        if (rank == 0) {
            state_.renderer().addTiles(grant.tiles);
            if (grant.done) state_.renderer().noMoreTiles();
        } else if (!work_.sendGrant(rank, grant)) {
            failMpi();
        }
    }

    bool serviceFrame() {
        bool busy = false;
        std::vector<uint8_t> bytes;
        int source = 0;
        while (frameActive_ && work_.receiveTile(bytes, source)) {
            busy = true;
            FinishedTile tile;
            if (!decodeTile(bytes.data(), bytes.size(), tile)) {
                logError("a tile packet of %zu bytes from rank %d does not decode", bytes.size(), source);
                continue;
            }
            acceptTile(tile, source);
        }
        if (work_.failed()) failMpi();
        if (frameActive_) state_.renderer().pump();
        FinishedTile tile;
        while (frameActive_ && state_.renderer().popTile(tile)) {
            busy = true;
            acceptTile(tile, 0);
        }
        work_.progress();
        return busy;
    }

    void acceptTile(const FinishedTile& tile, int source) {
        // Tiles of aborted or older frames are still on their way after the
        // frame ended here.
        if (tile.session != sessionNumber_ || tile.frame != frameNumber_) return;
        if (!scheduler_.complete(source, tile.view, tile.tile)) {
            logError("frame %d: rank %d returned tile %d of view %d, which it did not hold", tile.frame, source,
                     tile.tile, tile.view);
            return;
        }
        assembly_.addTile(tile);
        grantTo(source);
        if (scheduler_.viewRemaining(tile.view) == 0) sendView(tile.view);
        if (scheduler_.finished()) {
            finishFrame();
        } else if (Clock::now() - lastProgress_ >= kProgressInterval) {
            lastProgress_ = Clock::now();
            images_->sendProgress(static_cast<float>(scheduler_.returned()) / static_cast<float>(scheduler_.total()));
        }
    }

    void sendView(int view) {
        const hox::engine::FrameBuffer* image = assembly_.buffer(view);
        if (!image || !images_->sendImage(frameNumber_, view, *image, compression_)) {
            logError("frame %d: the image of view %d could not be sent", frameNumber_, view);
            if (image) images_->sendError(kErrorImage);
        }
    }

    void finishFrame() {
        const double ms =
            std::chrono::duration<double, std::milli>(Clock::now() - frameStart_).count();
        // Command bytes: everything the host sent since the previous frame
        // ended (its edits and this frame's message).
        const uint64_t commandBytes = session_->commandBytes();
        logVerboseLine("frame %d: %d tiles in %.1f ms, %llu image bytes, %llu command bytes", frameNumber_,
                       scheduler_.total(), ms,
                       static_cast<unsigned long long>(images_->bytesSent() - frameImageBytes_),
                       static_cast<unsigned long long>(commandBytes - frameCommandBytes_));
        frameCommandBytes_ = commandBytes;
        frameActive_ = false;
        scheduler_.cancel();
    }

    void abortFrame(int32_t frame) {
        if (!frameActive_ || frameNumber_ > frame) return;
        logVerboseLine("frame %d aborted", frameNumber_);
        if (control_.broadcast(ControlHeader{kControlAbort, frame, 0, 0, 0}))
            state_.applyScene(ControlHeader{kControlAbort, frame, 0, 0, 0}, {});
        else
            failMpi();
        state_.renderer().abort();
        frameActive_ = false;
        scheduler_.cancel();
    }

    ControlChannel control_;
    WorkChannel work_;
    RankState state_;
    HostListener listener_;
    std::unique_ptr<HostSession> session_;
    std::unique_ptr<HostImages> images_;
    std::deque<CommandMessage> pending_;
    int32_t sessionNumber_ = 0;
    bool mpiFailed_ = false;

    std::vector<int> threads_;  // render threads of each rank
    bool frameActive_ = false;
    int32_t frameNumber_ = -1;
    float compression_ = 0.25f;
    std::vector<ViewImageInfo> views_;
    ImageAssembly assembly_;
    TileScheduler scheduler_;
    std::vector<bool> doneSent_;
    Clock::time_point frameStart_;
    Clock::time_point lastProgress_;
    uint64_t frameImageBytes_ = 0;
    uint64_t frameCommandBytes_ = 0;
};

}  // namespace

int runMaster(const MasterOptions& options, const volatile std::sig_atomic_t& stop) {
    Master master(options);
    return master.run(options, stop);
}

}  // namespace hox_cluster
