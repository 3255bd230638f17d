// FrameBuffer: the accumulation buffer of one frame parity, and the default
// tile sink of the render workers.
//
// Each framebuffer keeps two, one per frame-number parity, so that frame
// n + 1 renders into one while the device swaps frame n out of the other.
// A frame's life: prepare (device thread, before any tile is queued) →
// writeTile from many render threads → read by the swap once the frame's
// work units reached 0.
//
// Pixels hold a weighted colour sum (four floats) and a weight; the resolver
// divides one by the other. Render threads own their tiles, so pixels well
// inside a tile are written without a lock; the pixels a neighbouring tile's
// samples can also reach are updated under one of kPixelLockCount striped
// locks, chosen by the tile that owns the pixel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/tile_sink.h"
#include "platform/vu_mutex.h"

namespace hox {
namespace engine {

// Bytes per pixel of a framebuffer format: 16 for four floats (0), 4 for four
// bytes (1). Any other format is reported as an error and handled as floats.
int framebufferBytesPerPixel(int format);

class FrameBuffer : public TileSink {
public:
    // A prime, so that tiles in the same column of consecutive rows rarely
    // share a lock.
    static constexpr int kPixelLockCount = 67;

    FrameBuffer();
    ~FrameBuffer() override;
    FrameBuffer(const FrameBuffer&) = delete;
    FrameBuffer& operator=(const FrameBuffer&) = delete;

    // Readies the buffer for one frame: stores the sampling level and pass
    // count (0 starts accumulation again) and clears both images, which are
    // reallocated only when the size, tile size or internal format changed.
    // False when the images cannot be had (a size of 0 or less, or memory is
    // short); the buffer then drops every sample until a later prepare
    // succeeds.
    bool prepare(int width, int height, int tileSize, int internalFormat, int samplingLevel,
                 int passCount);

    // Adds a batch of samples. Tiles outside the image and samples whose
    // pixel lies outside the tile or the image are dropped, so no value of
    // the arguments makes the buffer write outside its pixels. Only
    // four-float buffers accumulate; a byte buffer cannot hold sums and
    // ignores samples.
    void writeTile(int tileX, int tileY, int count, bool last, const SampleRecord* records,
                   const float* colours) override;

    // Replaces the whole image with one rendered elsewhere (a cluster view
    // image): `colour` holds width() × height() four-float sums, `weights`
    // one 32-bit weight pattern per pixel. False, and nothing copied, unless
    // the buffer holds four-float images.
    bool storeImage(const float* colour, const uint32_t* weights);

    int width() const { return width_; }
    int height() const { return height_; }
    int tileSize() const { return tileSize_; }
    int internalFormat() const { return internalFormat_; }
    int bytesPerPixel() const { return bytesPerPixel_; }
    int tilesAcross() const { return tilesAcross_; }
    int tilesDown() const { return tilesDown_; }
    int samplingLevel() const { return samplingLevel_; }
    int passCount() const { return passCount_; }
    bool hasImages() const { return colourSums_ != nullptr && weights_ != nullptr; }

    // The weighted colour sums as four floats per pixel, row after row; null
    // unless the buffer holds floats.
    const float* floatSums() const;
    // The summed sample weight of each pixel; null without images.
    const float* weights() const { return weights_; }

private:
    void releaseImages();
    void clearImages();
    std::size_t pixelCount() const;

    int width_;
    int height_;
    int tileSize_;
    int internalFormat_;
    int bytesPerPixel_;
    int tilesAcross_;
    int tilesDown_;
    int samplingLevel_;
    int passCount_;
    void* colourSums_;  // width × height pixels of the internal format
    float* weights_;    // width × height floats
    vu_threads::vuMutex pixelLocks_[kPixelLockCount];
};

}  // namespace engine
}  // namespace hox
