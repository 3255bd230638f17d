// FrameBuffer::writeTile: how a batch of shaded samples lands in the pixels.
//
// Three modes, chosen per frame from the sampling level L and the pass
// count N (block size B = 16, 4, 1 for L = -2, -1, >= 0):
//  - splat (L > 0 or N > B): every sample adds to the 3×3 pixels around it,
//    weighted by a tent of one pixel's radius around its sub-pixel position,
//    so that many jittered samples per pixel average into an antialiased
//    image;
//  - direct (otherwise): the sample overwrites its pixel (weight 1), which
//    is what the coarse first passes need: one sample per pixel or block;
//  - direct with fill (L < 0 and N < B): additionally a faint (1%) tent of
//    radius 3 or 1 spreads the sample over its block, so that pixels no pass
//    has reached yet show their neighbours' colour instead of black.
//
// Fill never touches a pixel that already holds a direct sample (weight >= 1),
// and a direct sample replaces whatever fill a pixel gathered. The image
// therefore does not depend on the order in which neighbouring tiles'
// threads arrive: a sampled pixel shows exactly its sample.
#include <emmintrin.h>

#include <cmath>
#include <cstddef>

#include "engine/frame_buffer.h"

namespace hox {
namespace engine {
namespace {

// Splat weights this small add nothing visible and only cost locks.
constexpr float kMinSplatWeight = 0.0001f;
// Fill contributions are faint: a real sample always dominates.
constexpr float kFillStrength = 0.01f;
constexpr int kMaxFillRadius = 3;

int blockSize(int level) { return level <= -2 ? 16 : level == -1 ? 4 : 1; }
int fillRadius(int level) { return level <= -2 ? 3 : 1; }

// What the loops need of one tile, copied out of the buffer so that the hot
// code reads plain locals.
struct TileTarget {
    float* sums;     // four floats per pixel
    float* weights;  // one float per pixel
    vu_threads::vuMutex* locks;
    int width;
    int height;
    int tileSize;
    int originX;  // the tile's first pixel in the image
    int originY;
    int extentX;  // pixels of the tile that lie inside the image
    int extentY;
    int lockColumns;  // width div tile size: the owner-tile numbering of the locks
};

inline bool sampleInTile(const TileTarget& t, const SampleRecord& r) {
    // Unsigned compares reject negative pixels too.
    return static_cast<unsigned>(r.pixelX) < static_cast<unsigned>(t.extentX) &&
           static_cast<unsigned>(r.pixelY) < static_cast<unsigned>(t.extentY);
}

// The lock of the tile that owns image pixel (x, y). Every thread maps a
// pixel to the same lock, whichever tile its sample came from.
inline vu_threads::vuMutex& pixelLock(const TileTarget& t, int x, int y) {
    const std::size_t owner =
        static_cast<std::size_t>(y / t.tileSize) * static_cast<std::size_t>(t.lockColumns) +
        static_cast<std::size_t>(x / t.tileSize);
    return t.locks[owner % FrameBuffer::kPixelLockCount];
}

inline std::size_t pixelIndex(const TileTarget& t, int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(t.width) +
           static_cast<std::size_t>(x);
}

// Runs `update(sum, weight)` on image pixel (x, y), under its lock when a
// neighbouring tile's thread may touch it too.
template <typename Update>
inline void updatePixel(const TileTarget& t, int x, int y, bool shared, Update update) {
    const std::size_t i = pixelIndex(t, x, y);
    float* sum = t.sums + 4 * i;
    float* weight = t.weights + i;
    if (!shared) {
        update(sum, weight);
        return;
    }
    vu_threads::vuMutex& lock = pixelLock(t, x, y);
    lock.lock();
    update(sum, weight);
    lock.unlock();
}

void splatSamples(const TileTarget& t, int count, const SampleRecord* records,
                  const float* colours) {
    const int lastInner = t.tileSize - 2;
    for (int s = 0; s < count; ++s) {
        const SampleRecord& r = records[s];
        if (!sampleInTile(t, r)) continue;
        const __m128 colour = _mm_loadu_ps(colours + 4 * static_cast<std::size_t>(s));
        // The 3×3 neighbourhood in tile coordinates, clipped to the image.
        const int x0 = r.pixelX > -t.originX ? r.pixelX - 1 : r.pixelX;
        const int y0 = r.pixelY > -t.originY ? r.pixelY - 1 : r.pixelY;
        const int x1 = t.originX + r.pixelX + 1 < t.width ? r.pixelX + 1 : r.pixelX;
        const int y1 = t.originY + r.pixelY + 1 < t.height ? r.pixelY + 1 : r.pixelY;
        float fx[3], fy[3];
        for (int x = x0; x <= x1; ++x) {
            const float f = 1.0f - std::fabs(r.positionX - (static_cast<float>(x) + 0.5f));
            fx[x - x0] = f > 0.0f ? f : 0.0f;  // also maps a NaN position to 0
        }
        for (int y = y0; y <= y1; ++y) {
            const float f = 1.0f - std::fabs(r.positionY - (static_cast<float>(y) + 0.5f));
            fy[y - y0] = f > 0.0f ? f : 0.0f;
        }
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const float w = fx[x - x0] * fy[y - y0];
                if (!(w > kMinSplatWeight)) continue;
                const bool shared = x < 1 || x > lastInner || y < 1 || y > lastInner;
                const __m128 weighted = _mm_mul_ps(_mm_set1_ps(w), colour);
                updatePixel(t, t.originX + x, t.originY + y, shared,
                            [weighted, w](float* sum, float* weight) {
                                _mm_store_ps(sum, _mm_add_ps(_mm_load_ps(sum), weighted));
                                *weight += w;
                            });
            }
        }
    }
}

// Direct writes; with radius > 0 each sample also fills the pixels within
// `radius` of its own.
void writeDirect(const TileTarget& t, int count, const SampleRecord* records,
                 const float* colours, int radius) {
    // Tent factors by distance: 1 − d / (R + 1).
    float falloff[kMaxFillRadius + 1];
    for (int d = 0; d <= radius; ++d)
        falloff[d] = 1.0f - static_cast<float>(d) / static_cast<float>(radius + 1);
    // Pixels a neighbouring tile's fill can reach (and one more row, which
    // costs little and keeps the rule symmetric).
    auto sharedInFill = [&t, radius](int x, int y) {
        return radius > 0 &&
               (x <= radius || x >= t.tileSize - radius || y <= radius || y >= t.tileSize - radius);
    };

    for (int s = 0; s < count; ++s) {
        const SampleRecord& r = records[s];
        if (!sampleInTile(t, r)) continue;
        const __m128 colour = _mm_loadu_ps(colours + 4 * static_cast<std::size_t>(s));
        updatePixel(t, t.originX + r.pixelX, t.originY + r.pixelY, sharedInFill(r.pixelX, r.pixelY),
                    [colour](float* sum, float* weight) {
                        _mm_store_ps(sum, colour);
                        *weight = 1.0f;
                    });
        if (radius == 0) continue;

        for (int dy = -radius; dy <= radius; ++dy) {
            const int y = r.pixelY + dy;
            if (t.originY + y < 0 || t.originY + y >= t.height) continue;
            const float wy = falloff[dy < 0 ? -dy : dy] * kFillStrength;
            for (int dx = -radius; dx <= radius; ++dx) {
                const int x = r.pixelX + dx;
                if (t.originX + x < 0 || t.originX + x >= t.width) continue;
                const float w = wy * falloff[dx < 0 ? -dx : dx];
                const __m128 weighted = _mm_mul_ps(_mm_set1_ps(w), colour);
                updatePixel(t, t.originX + x, t.originY + y, sharedInFill(x, y),
                            [weighted, w](float* sum, float* weight) {
                                if (*weight >= 1.0f) return;  // holds a real sample
                                _mm_store_ps(sum, _mm_add_ps(_mm_load_ps(sum), weighted));
                                *weight += w;
                            });
            }
        }
    }
}

}  // namespace

void FrameBuffer::writeTile(int tileX, int tileY, int count, bool /*last*/,
                            const SampleRecord* records, const float* colours) {
    // The end of a tile needs no action here: every batch is complete in
    // itself, and the frame's completion is counted by the workers.
    if (count <= 0 || !records || !colours || !hasImages() || bytesPerPixel_ != 16) return;
    if (tileX < 0 || tileX >= tilesAcross_ || tileY < 0 || tileY >= tilesDown_) return;

    TileTarget t;
    t.sums = static_cast<float*>(colourSums_);
    t.weights = weights_;
    t.locks = pixelLocks_;
    t.width = width_;
    t.height = height_;
    t.tileSize = tileSize_;
    t.originX = tileX * tileSize_;
    t.originY = tileY * tileSize_;
    t.extentX = width_ - t.originX < tileSize_ ? width_ - t.originX : tileSize_;
    t.extentY = height_ - t.originY < tileSize_ ? height_ - t.originY : tileSize_;
    t.lockColumns = width_ / tileSize_;

    const int level = samplingLevel_;
    const int block = blockSize(level);
    if (level > 0 || passCount_ > block)
        splatSamples(t, count, records, colours);
    else
        writeDirect(t, count, records, colours, level < 0 && passCount_ < block ? fillRadius(level) : 0);
}

}  // namespace engine
}  // namespace hox
