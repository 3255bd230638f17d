// FrameBuffer plumbing: formats, preparation and the images' memory. The
// per-sample work of writeTile lives in frame_buffer_write.cpp.
#include "engine/frame_buffer.h"

#include <cstdint>
#include <cstring>

#include "hox/framebuffer.h"
#include "platform/aligned_memory.h"
#include "util/messages.h"

namespace hox {
namespace engine {

int framebufferBytesPerPixel(int format) {
    switch (format) {
        case FRAMEBUFFER_FORMAT_RGBA32F: return 16;
        case FRAMEBUFFER_FORMAT_RGBA8: return 4;
        default:
            util::error("Unknown framebuffer format");
            return 16;
    }
}

FrameBuffer::FrameBuffer()
    : width_(0), height_(0), tileSize_(kTileSize), internalFormat_(0), bytesPerPixel_(16),
      tilesAcross_(0), tilesDown_(0), samplingLevel_(0), passCount_(0), colourSums_(nullptr),
      weights_(nullptr) {}

FrameBuffer::~FrameBuffer() { releaseImages(); }

std::size_t FrameBuffer::pixelCount() const {
    if (width_ <= 0 || height_ <= 0) return 0;
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
}

const float* FrameBuffer::floatSums() const {
    return bytesPerPixel_ == 16 ? static_cast<const float*>(colourSums_) : nullptr;
}

void FrameBuffer::releaseImages() {
    platform::alignedFree(colourSums_);
    platform::alignedFree(weights_);
    colourSums_ = nullptr;
    weights_ = nullptr;
}

void FrameBuffer::clearImages() {
    const std::size_t pixels = pixelCount();
    std::memset(colourSums_, 0, pixels * static_cast<std::size_t>(bytesPerPixel_));
    std::memset(weights_, 0, pixels * sizeof(float));
}

bool FrameBuffer::prepare(int width, int height, int tileSize, int internalFormat,
                          int samplingLevel, int passCount) {
    samplingLevel_ = samplingLevel;
    passCount_ = passCount;
    if (width == width_ && height == height_ && tileSize == tileSize_ &&
        internalFormat == internalFormat_ && hasImages()) {
        clearImages();
        return true;
    }

    releaseImages();
    width_ = width;
    height_ = height;
    tileSize_ = tileSize;
    internalFormat_ = internalFormat;
    bytesPerPixel_ = framebufferBytesPerPixel(internalFormat);
    const bool validSize = width > 0 && height > 0 && tileSize > 0;
    tilesAcross_ = validSize ? (width + tileSize - 1) / tileSize : 0;
    tilesDown_ = validSize ? (height + tileSize - 1) / tileSize : 0;
    if (!validSize) return false;

    // Guard the byte counts against overflow before asking for memory: a
    // size that cannot be represented is a size that cannot be had.
    const std::size_t pixels = pixelCount();
    if (pixels > SIZE_MAX / 16) return false;
    colourSums_ = platform::alignedAlloc(pixels * static_cast<std::size_t>(bytesPerPixel_));
    weights_ = static_cast<float*>(platform::alignedAlloc(pixels * sizeof(float)));
    if (!hasImages()) {
        releaseImages();
        return false;
    }
    clearImages();
    return true;
}

}  // namespace engine
}  // namespace hox
