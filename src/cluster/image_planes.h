// Where a received view image goes: the caller's pixel planes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hox {
namespace cluster {

// Largest image the codec accepts: 64 M pixels (8192 × 8192), 1 GiB of
// four-float pixels. It keeps every byte count below 2^31, and a corrupt
// width or height from a peer from asking for more.
constexpr std::size_t kMaxImagePixels = std::size_t(1) << 26;

struct ImagePlanes {
    int width = 0;
    int height = 0;
    // width × height pixels of four floats, row after row.
    float* colour = nullptr;
    // width × height 32-bit values, one per pixel (the plane that follows
    // the colour data); may be null when only the colour plane is wanted.
    uint32_t* values = nullptr;

    std::size_t pixelCount() const {
        return width > 0 && height > 0 ? static_cast<std::size_t>(width) * static_cast<std::size_t>(height) : 0;
    }
    bool isValid() const { return colour && pixelCount() > 0 && pixelCount() <= kMaxImagePixels; }
};

}  // namespace cluster
}  // namespace hox
