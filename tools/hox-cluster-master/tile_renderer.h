// TileRenderer: a rank's share of a frame, rendered by the library's own
// render threads and workers.
//
// The frame arrives in its stream form; the rank prepares every view from
// its mirrored scene just as the host's device does (the same records give
// the same object lists and the same compiled scenes), takes the host's
// progressive state for each view, and compiles through the frame context.
// The context's tile sink is a TileCollector, so finished tiles go to the
// network instead of a framebuffer.
//
// Jobs are the local engine's: one begin-frame, one begin-view per view,
// one job per tile. Every rank runs every begin-view of every frame, even
// for views it renders no tile of, because the render workers count their
// progressive passes there and the sample positions depend on that count:
// this is what makes a tile rendered on any rank identical to the same tile
// rendered by the host's local engine.
//
// Tiles are granted view by view, in order; a rank starts a later view only
// when its tiles of the earlier one are finished, which lets the collector
// tag tiles with their view.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "engine/frame_context.h"
#include "engine/frame_slot.h"
#include "engine/frame_slot_serialization.h"
#include "engine/render_thread_pool.h"
#include "scene/object_table.h"
#include "tile_collector.h"
#include "work_channel.h"

namespace hox_cluster {

class TileRenderer {
public:
    // `threads`: render threads (0 = one per processor).
    explicit TileRenderer(int threads);
    ~TileRenderer();
    TileRenderer(const TileRenderer&) = delete;
    TileRenderer& operator=(const TileRenderer&) = delete;

    // False when the render threads could not start.
    bool isRunning() const { return pool_.isRunning(); }
    int threadCount() const { return pool_.threadCount(); }

    // Ends whatever frame is active (abort), then prepares `frame`. 0, or a
    // status of the view preparation; on failure no frame is active.
    int beginFrame(int32_t session, const hox::engine::DecodedFrame& frame, hox::scene::ObjectTable& table);

    // Tiles granted to this rank, in grant order.
    void addTiles(const std::vector<TileRef>& tiles);
    // No further tiles of the frame will be granted.
    void noMoreTiles() { noMoreTiles_ = true; }
    // Moves work along: queues granted tiles whose view is current, moves
    // to the next view when this rank's tiles of the current one are done,
    // and completes the frame once everything granted is done.
    void pump();
    // The next finished tile of the active frame.
    bool popTile(FinishedTile& tile) { return collector_.pop(tile); }
    // See TileCollector::setDirectSinks; before beginFrame's tiles.
    void setDirectSinks(std::vector<hox::engine::TileSink*> sinks) { collector_.setDirectSinks(std::move(sinks)); }
    // Sleeps until a tile finishes, at most `microseconds`.
    bool waitForTile(int microseconds) { return collector_.waitForTile(microseconds); }

    // Drops the active frame: queued tiles are skipped, the threads drained.
    void abort();

    bool frameActive() const { return active_; }
    int32_t session() const { return session_; }
    int32_t frameNumber() const { return frameNumber_; }
    // The prepared views of the active (or last) frame.
    const hox::engine::FrameSlot& slot() const { return *slots_[parity_]; }
    // Tiles of view v this frame (0 for a static view).
    int viewTiles(int v) const;

private:
    // Pushes the begin-views up to and including `view`.
    void advanceToView(int view);
    void push(uint32_t job, int units);
    // Waits for the slot's units, then drops its references.
    void finishSlot(hox::engine::FrameSlot& slot);

    hox::engine::FrameContext context_;
    TileCollector collector_;
    hox::engine::RenderThreadPool pool_;
    hox::engine::FrameSlot* slots_[2];
    int parity_ = 0;

    bool active_ = false;
    bool noMoreTiles_ = false;
    int32_t session_ = 0;
    int32_t frameNumber_ = -1;
    int currentView_ = -1;  // the last view whose begin-view was pushed
    int inFlight_ = 0;      // tiles pushed for the current view
    int totalTiles_ = 0;
    int pushedTiles_ = 0;
    std::deque<TileRef> queued_;
};

}  // namespace hox_cluster
