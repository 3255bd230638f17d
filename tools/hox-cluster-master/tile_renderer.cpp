#include "tile_renderer.h"

#include "accel/view_preparation.h"
#include "engine/work_dispatcher.h"
#include "hox/status.h"
#include "master_log.h"

namespace hox_cluster {

using hox::engine::FrameSlot;

namespace {

constexpr unsigned kSlotWaitMilliseconds = 1000;

}  // namespace

TileRenderer::TileRenderer(int threads) : slots_{new FrameSlot(), new FrameSlot()} {
    context_.setTileSink(&collector_);
    const int count = hox::engine::RenderThreadPool::resolveThreadCount(threads);
    if (pool_.start(count, context_) != 0) logError("cannot start %d render threads", count);
}

TileRenderer::~TileRenderer() {
    abort();
    pool_.stop();
    for (FrameSlot* slot : slots_) {
        // The threads are gone; whatever units are left will never count.
        slot->releaseReferences();
        slot->markFree();
        delete slot;
    }
}

int TileRenderer::viewTiles(int v) const {
    const FrameSlot& s = slot();
    if (v < 0 || v >= s.viewCount()) return 0;
    const hox::accel::PreparedView& view = s.view(v);
    if (view.isStatic || !view.camera || view.camera->width <= 0 || view.camera->height <= 0) return 0;
    const int64_t across = (view.camera->width + hox::engine::kTileSize - 1) / hox::engine::kTileSize;
    const int64_t down = (view.camera->height + hox::engine::kTileSize - 1) / hox::engine::kTileSize;
    // Tile indices travel in 24 bits of a job word.
    const int64_t tiles = across * down;
    return static_cast<int>(tiles < (int64_t{1} << 24) ? tiles : (int64_t{1} << 24));
}

void TileRenderer::push(uint32_t job, int units) {
    // A job that cannot be queued is counted at once, so the frame still
    // completes.
    if (pool_.push(job) != 0) slots_[parity_]->completeWorkUnits(units);
}

void TileRenderer::finishSlot(FrameSlot& slot) {
    if (slot.frameNumber < 0) return;
    while (pool_.isRunning() && slot.remainingUnits() > 0) {
        if (slot.waitForCompletion(kSlotWaitMilliseconds) == hox::RESULT_FAILED) break;
    }
    slot.releaseReferences();
    slot.markFree();
}

int TileRenderer::beginFrame(int32_t session, const hox::engine::DecodedFrame& frame,
                             hox::scene::ObjectTable& table) {
    abort();
    finishSlot(*slots_[0]);
    finishSlot(*slots_[1]);

    parity_ = frame.frameNumber & 1;
    FrameSlot& s = *slots_[parity_];
    s.settings = frame.settings;
    const int views = static_cast<int>(frame.views.size());
    if (!s.resizeViews(views)) return hox::RESULT_FAILED;
    s.frameNumber = frame.frameNumber;
    for (int i = 0; i < views; ++i) {
        const hox::engine::DecodedView& decoded = *frame.views[static_cast<std::size_t>(i)];
        hox::accel::PreparedView& view = s.view(i);
        view.index = decoded.index;
        const int status = hox::accel::prepareView(view, table, hox::HandleBase::fromValue(decoded.renderViewHandle),
                                                   frame.frameNumber);
        if (status != hox::RESULT_OK) {
            logError("frame %d: render view %u cannot be prepared here (status %d)", frame.frameNumber,
                     decoded.renderViewHandle & 0x0FFFFFFFu, status);
            s.clearViewRecords();
            s.frameNumber = -1;
            return status;
        }
        // The host decided the progressive state from its own history; the
        // rank renders what it was told.
        view.isStatic = decoded.isStatic;
        view.progressive = decoded.progressive;
        view.passCount = decoded.passCount;
    }
    s.takeReferences();
    const int status = context_.prepareFrame(s);
    if (status != hox::RESULT_OK) {
        s.releaseReferences();
        s.markFree();
        return status;
    }

    session_ = session;
    frameNumber_ = frame.frameNumber;
    totalTiles_ = 0;
    for (int v = 0; v < views; ++v) totalTiles_ += viewTiles(v);
    const int threads = pool_.threadCount();
    s.beginWork((views + 1) * threads + totalTiles_);
    active_ = true;
    noMoreTiles_ = false;
    currentView_ = -1;
    inFlight_ = 0;
    pushedTiles_ = 0;
    queued_.clear();
    collector_.clear();
    push(hox::engine::beginFrameJob(frame.frameNumber), threads);
    return hox::RESULT_OK;
}

void TileRenderer::addTiles(const std::vector<TileRef>& tiles) {
    if (!active_) return;
    queued_.insert(queued_.end(), tiles.begin(), tiles.end());
}

void TileRenderer::advanceToView(int view) {
    const int threads = pool_.threadCount();
    while (currentView_ < view) {
        ++currentView_;
        push(hox::engine::beginViewJob(currentView_), threads);
    }
    const hox::accel::PreparedView& prepared = slot().view(view);
    const int across =
        prepared.camera ? (prepared.camera->width + hox::engine::kTileSize - 1) / hox::engine::kTileSize : 1;
    collector_.setTag(session_, frameNumber_, view, across);
    inFlight_ = 0;
}

void TileRenderer::pump() {
    if (!active_) return;
    const int views = slot().viewCount();
    while (!queued_.empty()) {
        const TileRef t = queued_.front();
        if (t.view < 0 || t.view >= views || t.tile < 0 || t.tile >= viewTiles(t.view) || t.view < currentView_) {
            // Rank 0 grants only tiles of the frame, in view order.
            logError("frame %d: a grant of tile %d of view %d was dropped", frameNumber_, t.tile, t.view);
            queued_.pop_front();
            continue;
        }
        if (t.view > currentView_) {
            // The collector tags tiles with one view at a time.
            if (inFlight_ > collector_.finishedCount()) break;
            advanceToView(t.view);
        }
        push(hox::engine::tileJob(t.tile), 1);
        ++inFlight_;
        ++pushedTiles_;
        queued_.pop_front();
    }
    if (noMoreTiles_ && queued_.empty() && inFlight_ <= collector_.finishedCount()) {
        // The remaining begin-views still run, for the workers' pass counts.
        if (views > 0) advanceToView(views - 1);
        slots_[parity_]->completeWorkUnits(totalTiles_ - pushedTiles_);
        active_ = false;
    }
}

void TileRenderer::abort() {
    if (!active_) return;
    const int views = slot().viewCount();
    if (views > 0 && currentView_ < views - 1) {
        const int threads = pool_.threadCount();
        while (currentView_ < views - 1) push(hox::engine::beginViewJob(++currentView_), threads);
    }
    slots_[parity_]->completeWorkUnits(totalTiles_ - pushedTiles_);
    pool_.drain();
    collector_.clear();
    queued_.clear();
    active_ = false;
}

}  // namespace hox_cluster
