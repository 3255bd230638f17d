#include "tile_collector.h"

#include <chrono>

namespace hox_cluster {

void TileCollector::setTag(int32_t session, int32_t frame, int32_t view, int tilesAcross) {
    std::lock_guard<std::mutex> lock(mutex_);
    session_ = session;
    frame_ = frame;
    view_ = view;
    tilesAcross_ = tilesAcross > 0 ? tilesAcross : 1;
    finished_ = 0;
    open_.clear();
    direct_ = view >= 0 && static_cast<std::size_t>(view) < directSinks_.size() ? directSinks_[view] : nullptr;
}

void TileCollector::setDirectSinks(std::vector<hox::engine::TileSink*> sinks) {
    std::lock_guard<std::mutex> lock(mutex_);
    directSinks_ = std::move(sinks);
    direct_ = nullptr;
}

void TileCollector::writeTile(int tileX, int tileY, int count, bool last,
                              const hox::engine::SampleRecord* records, const float* colours) {
    const int64_t key = (static_cast<int64_t>(tileY) << 32) | static_cast<uint32_t>(tileX);
    // direct_ changes only while no tile is in flight, so reading it
    // without the lock is safe; the sink takes concurrent tiles itself.
    hox::engine::TileSink* direct = direct_;
    if (direct) direct->writeTile(tileX, tileY, count, last, records, colours);
    std::lock_guard<std::mutex> lock(mutex_);
    FinishedTile& tile = open_[key];
    tile.assembled = direct != nullptr;
    if (!direct && count > 0 && records && colours) {
        tile.records.insert(tile.records.end(), records, records + count);
        tile.colours.insert(tile.colours.end(), colours, colours + 4 * static_cast<std::size_t>(count));
    }
    if (!last) return;
    tile.session = session_;
    tile.frame = frame_;
    tile.view = view_;
    tile.tileX = tileX;
    tile.tileY = tileY;
    tile.tile = tileY * tilesAcross_ + tileX;
    done_.push_back(std::move(tile));
    open_.erase(key);
    ++finished_;
    finished_cv_.notify_one();
}

bool TileCollector::waitForTile(int microseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    return finished_cv_.wait_for(lock, std::chrono::microseconds(microseconds), [this] { return !done_.empty(); });
}

bool TileCollector::pop(FinishedTile& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (done_.empty()) return false;
    out = std::move(done_.front());
    done_.pop_front();
    return true;
}

int TileCollector::finishedCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
}

void TileCollector::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_.clear();
    done_.clear();
    finished_ = 0;
}

}  // namespace hox_cluster
