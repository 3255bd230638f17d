// TileCollector: the tile sink a render rank puts in place of the
// framebuffers. Render threads hand it a tile's samples batch by batch; the
// tile's last batch moves the whole tile to the finished list, which the
// rank's loop takes and passes on (to MPI, or on rank 0 straight into the
// image being assembled).
//
// The sink is told nothing of views or frames, so the renderer sets the tag
// (session, frame, view) while no tile is in flight, and tiles of different
// views never overlap on one rank.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "engine/tile_sink.h"
#include "tile_packet.h"

namespace hox_cluster {

class TileCollector : public hox::engine::TileSink {
public:
    // The tag of the tiles that follow, and the view's width in tiles (to
    // number them). Only while no tile is in flight.
    void setTag(int32_t session, int32_t frame, int32_t view, int tilesAcross);
    // On rank 0, where the images are assembled: the sink of each view
    // (null: none) that tiles of that view are written into straight from
    // the render threads, so the rank's loop does not copy them again. Only
    // while no tile is in flight; takes effect at the next setTag.
    void setDirectSinks(std::vector<hox::engine::TileSink*> sinks);

    void writeTile(int tileX, int tileY, int count, bool last, const hox::engine::SampleRecord* records,
                   const float* colours) override;

    // The next finished tile; false when none.
    bool pop(FinishedTile& out);
    // Waits until a finished tile is waiting, at most `microseconds`; true
    // when one is. The rank's loop sleeps here instead of blindly, so a
    // finished tile is passed on (and the rank's queue refilled) at once.
    bool waitForTile(int microseconds);
    // Tiles finished since the last setTag or clear (taken or not).
    int finishedCount();
    // Forgets everything (after an abort has drained the threads).
    void clear();

private:
    std::mutex mutex_;
    std::condition_variable finished_cv_;
    int32_t session_ = 0;
    int32_t frame_ = -1;
    int32_t view_ = 0;
    int tilesAcross_ = 1;
    int finished_ = 0;
    std::vector<hox::engine::TileSink*> directSinks_;
    hox::engine::TileSink* direct_ = nullptr;  // the current view's
    std::map<int64_t, FinishedTile> open_;
    std::deque<FinishedTile> done_;
};

}  // namespace hox_cluster
