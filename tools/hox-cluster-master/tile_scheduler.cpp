#include "tile_scheduler.h"

namespace hox_cluster {

void TileScheduler::start(const std::vector<int>& threads, int queueSize, const std::vector<int>& tilesPerView) {
    active_ = true;
    const int perThread = queueSize < 1 ? 1 : queueSize;
    capacity_.clear();
    for (int count : threads) capacity_.push_back(perThread * (count < 1 ? 1 : count));
    if (capacity_.empty()) capacity_.push_back(perThread);
    tilesPerView_ = tilesPerView;
    held_.assign(capacity_.size(), std::vector<TileRef>());
    nextView_ = 0;
    nextTile_ = 0;
    total_ = 0;
    returned_ = 0;
    for (int& tiles : tilesPerView_) {
        if (tiles < 0) tiles = 0;
        total_ += tiles;
    }
    viewRemaining_ = tilesPerView_;
    // Views without tiles are skipped from the start.
    while (nextView_ < static_cast<int>(tilesPerView_.size()) && tilesPerView_[nextView_] == 0) ++nextView_;
}

void TileScheduler::cancel() {
    active_ = false;
    held_.clear();
    tilesPerView_.clear();
    viewRemaining_.clear();
    nextView_ = 0;
    nextTile_ = 0;
    total_ = 0;
    returned_ = 0;
}

std::vector<TileRef> TileScheduler::grant(int rank) {
    std::vector<TileRef> out;
    if (!active_ || rank < 0 || rank >= static_cast<int>(held_.size())) return out;
    std::vector<TileRef>& held = held_[static_cast<std::size_t>(rank)];
    while (static_cast<int>(held.size()) < capacity_[static_cast<std::size_t>(rank)] && !exhausted()) {
        const TileRef t{nextView_, nextTile_};
        held.push_back(t);
        out.push_back(t);
        if (++nextTile_ >= tilesPerView_[static_cast<std::size_t>(nextView_)]) {
            nextTile_ = 0;
            ++nextView_;
            while (nextView_ < static_cast<int>(tilesPerView_.size()) &&
                   tilesPerView_[static_cast<std::size_t>(nextView_)] == 0)
                ++nextView_;
        }
    }
    return out;
}

bool TileScheduler::complete(int rank, int view, int tile) {
    if (!active_ || rank < 0 || rank >= static_cast<int>(held_.size())) return false;
    std::vector<TileRef>& held = held_[static_cast<std::size_t>(rank)];
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (held[i].view == view && held[i].tile == tile) {
            held.erase(held.begin() + static_cast<std::ptrdiff_t>(i));
            --viewRemaining_[static_cast<std::size_t>(view)];
            ++returned_;
            return true;
        }
    }
    return false;
}

bool TileScheduler::rankDone(int rank) const {
    if (rank < 0 || rank >= static_cast<int>(held_.size())) return true;
    return exhausted() && held_[static_cast<std::size_t>(rank)].empty();
}

int TileScheduler::viewRemaining(int view) const {
    if (view < 0 || view >= static_cast<int>(viewRemaining_.size())) return 0;
    return viewRemaining_[static_cast<std::size_t>(view)];
}

}  // namespace hox_cluster
