// The texel buffers of a sampler and the per-axis values its lookups read.
//
// Every sampler class keeps its data in this one plain layout (a cube map's
// six faces share the axes), so the template classes only add their lookup;
// allocation, copying and streaming are the same code for all 320 of them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hox/texture_descriptor.h"
#include "textures/sampler_axis.h"

namespace hox {
namespace util {
class InputStream;
class OutputStream;
}  // namespace util

namespace textures {

// Largest image a texture may have. Texel addresses stay well inside 64-bit
// arithmetic, the stream's byte counts stay in int range per chunk, and a
// corrupt descriptor from a stream cannot ask for more than this per image.
constexpr int64_t kMaxImageBytes = int64_t(1) << 31;

// Bytes of one image of the descriptor (format and components must be
// supported), or -1 when a dimension the type has is below 1, the type is
// unknown, or the image would exceed kMaxImageBytes.
int64_t imageByteSize(const TextureDescriptor& descriptor);
// 6 for a cube map, 1 for the other types.
int imageCount(const TextureDescriptor& descriptor);
// Axes a type has: 1, 2, 3, and 2 for cube faces; 0 for an unknown type.
int axisCount(int type);

struct SamplerLayout {
    SamplerAxis axes[3];       // unused axes have size 1
    std::size_t strides[3];    // texels from one index to the next along each axis (1 for s)
    float border[4];           // RGBA of border lookups
};

class SamplerImages {
public:
    SamplerImages();
    ~SamplerImages();
    SamplerImages(const SamplerImages&) = delete;
    SamplerImages& operator=(const SamplerImages&) = delete;

    // Allocates the images and copies the descriptor's texels. False (and
    // nothing held) for a null data pointer, bad sizes or short memory.
    bool copyFrom(const TextureDescriptor& descriptor);
    // Allocates the images and reads their bytes from the stream, image
    // after image. False (and nothing held) when the stream ends early.
    bool readFrom(const TextureDescriptor& descriptor, util::InputStream& in);
    void write(util::OutputStream& out) const;

    const SamplerLayout& layout() const { return m_layout; }
    const uint8_t* image(int index) const { return m_images[index]; }
    int count() const { return m_count; }
    std::size_t bytesPerImage() const { return m_bytes; }

private:
    bool allocate(const TextureDescriptor& descriptor);
    void release();

    SamplerLayout m_layout;
    uint8_t* m_images[kCubeFaceCount];
    std::size_t m_bytes;
    int m_count;
};

}  // namespace textures
}  // namespace hox
