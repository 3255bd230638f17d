// RenderWorkerLocal::renderTile: one tile from sample list to tile sink.
//
// A tile keeps the samples of the list whose pixel lies in the image and,
// for a windowed view, in the window region. Samples of pixels beyond the
// image's right or bottom edge (in the last column or row of tiles) would
// be thrown away by any sink, so they are not traced either. When every
// pixel of the tile is kept, batches are slices of the sample list itself;
// otherwise the kept records are gathered into the batch's own array.
#include <cassert>
#include <cstring>

#include "engine/render_worker_local.h"
#include "hox/shader_services.h"

namespace hox {
namespace engine {

namespace {

inline int minInt(int a, int b) { return a < b ? a : b; }
inline int maxInt(int a, int b) { return a > b ? a : b; }

inline bool inRect(const SampleRecord& r, int x0, int y0, int x1, int y1) {
    return r.pixelX >= x0 && r.pixelX <= x1 && r.pixelY >= y0 && r.pixelY <= y1;
}

}  // namespace

void RenderWorkerLocal::deliverEmptyTile(int tileX, int tileY) {
    sink_->writeTile(tileX, tileY, 0, true, batchRecords_, batchColours_);
    ++counters_[kCountTiles];
    ++counters_[kCountBatches];
}

void RenderWorkerLocal::renderBatch(int tileX, int tileY, const SampleRecord* records, int count,
                                    bool last) {
    generatePrimaryRays(raySetup_, tileX, tileY, records, count, batch_);
    const float originX = static_cast<float>(tileX * kTileSize);
    const float originY = static_cast<float>(tileY * kTileSize);
    // The services pick their sample sets by the tile's column and row.
    tileX_ = tileX;
    tileY_ = tileY;
    for (int i = 0; i < count; ++i) {
        const SampleRecord& r = records[i];
        samplePosition_[0] = originX + r.positionX;
        samplePosition_[1] = originY + r.positionY;
        samplePixel_[0] = static_cast<int32_t>(samplePosition_[0]);
        samplePixel_[1] = static_cast<int32_t>(samplePosition_[1]);
        sampleOffsetIndex_ = r.offsetIndex;
        const Vec3f origin = {batch_.origin[0][i], batch_.origin[1][i], batch_.origin[2][i]};
        const Vec3f direction = {batch_.direction[0][i], batch_.direction[1][i], batch_.direction[2][i]};
        resetForSample();
        traceAndShade(batchColours_ + 4 * i, origin, direction, kRayKindCamera);
        // Every service leaves the levels it entered.
        assert(current_ == 0);
    }
    counters_[kCountSamples] += static_cast<uint64_t>(count);
    ++counters_[kCountBatches];
    sink_->writeTile(tileX, tileY, count, last, records, batchColours_);
}

void RenderWorkerLocal::renderTile(int tileIndex) {
    if (!viewValid_ || !sink_ || tilesX_ <= 0 || tileIndex < 0 || tileIndex >= tilesX_ * tilesY_) {
        countDown();
        return;
    }
    const int tileX = tileIndex % tilesX_;
    const int tileY = tileIndex / tilesX_;
    const int originX = tileX * kTileSize;
    const int originY = tileY * kTileSize;

    // The tile's pixels that are kept, in tile coordinates.
    int x0 = 0, y0 = 0;
    int x1 = minInt(kTileSize - 1, width_ - 1 - originX);
    int y1 = minInt(kTileSize - 1, height_ - 1 - originY);
    if (windowed_) {
        x0 = maxInt(x0, regionX0_ - originX);
        y0 = maxInt(y0, regionY0_ - originY);
        x1 = minInt(x1, regionX1_ - originX);
        y1 = minInt(y1, regionY1_ - originY);
    }
    if (x0 > x1 || y0 > y1 || !cameraValid_) {
        deliverEmptyTile(tileX, tileY);
        countDown();
        return;
    }

    const bool wholeTile = x0 == 0 && y0 == 0 && x1 == kTileSize - 1 && y1 == kTileSize - 1;
    if (wholeTile) {
        for (int first = 0; first < sampleCount_; first += kTileBatchSamples) {
            const int count = minInt(kTileBatchSamples, sampleCount_ - first);
            renderBatch(tileX, tileY, samples_ + first, count, first + count == sampleCount_);
        }
        if (sampleCount_ == 0) deliverEmptyTile(tileX, tileY);
        else ++counters_[kCountTiles];
        countDown();
        return;
    }

    // Counting the kept samples first tells which batch is the last.
    int kept = 0;
    for (int i = 0; i < sampleCount_; ++i) kept += inRect(samples_[i], x0, y0, x1, y1) ? 1 : 0;
    if (kept == 0) {
        deliverEmptyTile(tileX, tileY);
        countDown();
        return;
    }
    int delivered = 0;
    int count = 0;
    for (int i = 0; i < sampleCount_; ++i) {
        if (!inRect(samples_[i], x0, y0, x1, y1)) continue;
        batchRecords_[count++] = samples_[i];
        if (count == kTileBatchSamples || delivered + count == kept) {
            renderBatch(tileX, tileY, batchRecords_, count, delivered + count == kept);
            delivered += count;
            count = 0;
        }
    }
    ++counters_[kCountTiles];
    countDown();
}

}  // namespace engine
}  // namespace hox
