#include "render_server.h"

#include <mpi.h>

#include <chrono>
#include <deque>

#include "control_channel.h"
#include "master_log.h"
#include "master_loop.h"
#include "mpi_wait.h"
#include "rank_state.h"
#include "tile_packet.h"
#include "work_channel.h"

namespace hox_cluster {

namespace {

// How long a server waits for rank 0's quit after a signal.
constexpr auto kQuitGrace = std::chrono::seconds(3);

class RenderServer {
public:
    RenderServer(const MasterOptions& options)
        : control_(MPI_COMM_WORLD), work_(MPI_COMM_WORLD), state_(options.shaderPath, options.threads) {
        work_.exchangeThreadCounts(state_.renderer().threadCount());
    }

    int run(const volatile std::sig_atomic_t& stop) {
        logVerboseLine("render server with %d threads", state_.renderer().threadCount());
        auto stopSince = std::chrono::steady_clock::time_point();
        for (;;) {
            bool busy = false;
            ControlHeader header;
            std::vector<uint8_t> body;
            while (control_.poll(header, body)) {
                busy = true;
                if (header.kind == kControlQuit) return 0;
                handleControl(header, body);
            }
            if (control_.failed() || work_.failed()) {
                logError("MPI failed; this render rank ends");
                return kExitMpiFailed;
            }
            TileGrant grant;
            while (work_.receiveGrant(grant)) {
                busy = true;
                handleGrant(grant);
            }
            state_.renderer().pump();
            FinishedTile tile;
            while (state_.renderer().popTile(tile)) {
                busy = true;
                sendTile(tile);
            }
            work_.progress();
            if (stop) {
                const auto now = std::chrono::steady_clock::now();
                if (stopSince == std::chrono::steady_clock::time_point()) stopSince = now;
                if (now - stopSince > kQuitGrace) {
                    logError("stopped by a signal without word from rank 0");
                    return kExitMpiFailed;
                }
            }
            // While tiles render, a finished one ends the pause at once.
            if (!busy) {
                if (state_.renderer().frameActive())
                    state_.renderer().waitForTile(200);
                else
                    idlePause(200);
            }
        }
    }

private:
    void handleControl(const ControlHeader& header, const std::vector<uint8_t>& body) {
        if (header.kind != kControlFrame) {
            state_.applyScene(header, body);
            if (header.kind == kControlSession) early_.clear();
            return;
        }
        hox::engine::DecodedFrame frame;
        // Rank 0 checked the body before broadcasting it.
        if (!decodeFrame(body.data(), body.size(), frame)) {
            logError("frame %d does not decode here", header.a);
            return;
        }
        state_.startFrame(frame);
        // Grants that overtook the frame's broadcast.
        std::deque<TileGrant> early;
        early.swap(early_);
        for (const TileGrant& grant : early) handleGrant(grant);
    }

    void handleGrant(const TileGrant& grant) {
        TileRenderer& renderer = state_.renderer();
        const int32_t session = state_.session();
        if (grant.session == session && grant.frame == state_.failedFrame()) {
            // This rank could not prepare the frame; empty tiles still let
            // rank 0 finish it.
            for (const TileRef& t : grant.tiles) {
                FinishedTile empty;
                empty.session = session;
                empty.frame = grant.frame;
                empty.view = t.view;
                empty.tile = t.tile;
                empty.tileX = -1;
                empty.tileY = -1;
                sendTile(empty);
            }
            return;
        }
        if (grant.session == session && renderer.frameActive() && grant.frame == renderer.frameNumber()) {
            renderer.addTiles(grant.tiles);
            if (grant.done) renderer.noMoreTiles();
            return;
        }
        // Point-to-point grants may arrive before the broadcast of their
        // frame; anything older than the current frame is stale.
        const bool newer = grant.session > session ||
                           (grant.session == session && grant.frame > renderer.frameNumber());
        if (newer) early_.push_back(grant);
    }

    void sendTile(const FinishedTile& tile) {
        std::vector<uint8_t> bytes;
        encodeTile(tile, bytes);
        work_.sendTile(std::move(bytes));
    }

    ControlChannel control_;
    WorkChannel work_;
    RankState state_;
    std::deque<TileGrant> early_;
};

}  // namespace

int runRenderServer(const MasterOptions& options, const volatile std::sig_atomic_t& stop) {
    RenderServer server(options);
    return server.run(stop);
}

}  // namespace hox_cluster
