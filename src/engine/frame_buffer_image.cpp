// FrameBuffer::storeImage: a finished image that arrives whole instead of
// tile by tile.
#include <cstring>

#include "engine/frame_buffer.h"

namespace hox {
namespace engine {

bool FrameBuffer::storeImage(const float* colour, const uint32_t* weights) {
    if (!colour || !weights || !hasImages() || bytesPerPixel_ != 16) return false;
    const std::size_t pixels = pixelCount();
    // The caller owns the frame while its units are outstanding, so no
    // render thread writes here; no pixel lock is needed.
    std::memcpy(colourSums_, colour, pixels * 4 * sizeof(float));
    // The weights travel as their bit patterns.
    std::memcpy(weights_, weights, pixels * sizeof(uint32_t));
    return true;
}

}  // namespace engine
}  // namespace hox
