// TileScheduler: rank 0's dynamic distribution of a frame's tiles.
//
// Tiles go out in one global order (view by view, tiles in row order), a
// few at a time: each rank holds at most the host's
// DEVICE_CLUSTER_TILE_QUEUE_SIZE tiles per render thread that it has not
// returned, and every returned tile makes room for the next. (Per thread,
// because a tile of one sample per pixel takes a render thread a fraction
// of a millisecond: five tiles for a whole rank would leave its threads
// waiting for the next grant.) A fast rank therefore takes more tiles
// than a slow one, and no rank idles while tiles remain, with at most
// queueSize tiles per rank left to wait for at the end of a frame.
#pragma once

#include <cstdint>
#include <vector>

#include "work_channel.h"

namespace hox_cluster {

class TileScheduler {
public:
    // A new frame: `threads[r]` render threads on rank r, `tilesPerView`
    // tiles in each view. queueSize below 1 counts as 1.
    void start(const std::vector<int>& threads, int queueSize, const std::vector<int>& tilesPerView);
    // Forgets the frame (abort).
    void cancel();

    // The tiles to hand `rank` now, to fill its queue (possibly none).
    std::vector<TileRef> grant(int rank);
    // A tile came back from `rank`. False (and nothing counted) when the
    // rank did not hold it: a duplicate, a stale frame, a corrupt packet.
    bool complete(int rank, int view, int tile);

    bool active() const { return active_; }
    // Every tile handed out.
    bool exhausted() const { return nextView_ >= static_cast<int>(tilesPerView_.size()); }
    // Nothing more will go to `rank` and it holds nothing.
    bool rankDone(int rank) const;
    // Every tile came back.
    bool finished() const { return active_ && returned_ == total_; }
    // Tiles of view v not yet back; a view is complete at 0.
    int viewRemaining(int view) const;
    int total() const { return total_; }
    int returned() const { return returned_; }

private:
    bool active_ = false;
    std::vector<int> capacity_;  // tiles each rank may hold
    std::vector<int> tilesPerView_;
    std::vector<int> viewRemaining_;
    // Per rank: the tiles it holds, as (view, tile).
    std::vector<std::vector<TileRef>> held_;
    int nextView_ = 0;
    int nextTile_ = 0;
    int total_ = 0;
    int returned_ = 0;
};

}  // namespace hox_cluster
