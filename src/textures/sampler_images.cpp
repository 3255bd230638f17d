#include "textures/sampler_images.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/aligned_memory.h"
#include "util/byte_stream.h"

namespace hox {
namespace textures {

namespace {

// Streams move at most an int of bytes per call.
constexpr std::size_t kStreamChunk = std::size_t(1) << 30;

// Texels of at most this many bytes in all are read straight into their
// images; more are staged first (see readFrom).
constexpr std::size_t kDirectReadBytes = std::size_t(1) << 20;

void readChunked(util::InputStream& in, uint8_t* into, std::size_t bytes) {
    for (std::size_t done = 0; done < bytes && !in.failed(); done += kStreamChunk) {
        const std::size_t part = bytes - done < kStreamChunk ? bytes - done : kStreamChunk;
        in.readBytes(into + done, static_cast<int>(part));
    }
}

int componentBytes(int format) { return format == TEXTURE_FORMAT_FLOAT32 ? 4 : 1; }

// The dimensions of the type, others counted as 1.
void imageSizes(const TextureDescriptor& d, int32_t (&sizes)[3]) {
    const int axes = axisCount(d.type);
    sizes[0] = axes >= 1 ? d.width : 1;
    sizes[1] = axes >= 2 ? d.height : 1;
    sizes[2] = axes >= 3 ? d.depth : 1;
}

}  // namespace

int axisCount(int type) {
    switch (type) {
        case TEXTURE_TYPE_1D: return 1;
        case TEXTURE_TYPE_2D: return 2;
        case TEXTURE_TYPE_3D: return 3;
        case TEXTURE_TYPE_CUBE: return 2;
        default: return 0;
    }
}

int imageCount(const TextureDescriptor& d) {
    return d.type == TEXTURE_TYPE_CUBE ? kCubeFaceCount : 1;
}

int64_t imageByteSize(const TextureDescriptor& d) {
    if (axisCount(d.type) == 0 || d.components < 1 || d.components > 4) return -1;
    int32_t sizes[3];
    imageSizes(d, sizes);
    // Checked step by step: each factor is below 2^31 and the running
    // product never exceeds the limit, so nothing overflows.
    int64_t bytes = int64_t(d.components) * componentBytes(d.format);
    for (int32_t size : sizes) {
        if (size < 1) return -1;
        bytes *= size;
        if (bytes > kMaxImageBytes) return -1;
    }
    return bytes;
}

SamplerImages::SamplerImages() : m_layout(), m_images(), m_bytes(0), m_count(0) {}

SamplerImages::~SamplerImages() { release(); }

void SamplerImages::release() {
    for (uint8_t*& image : m_images) {
        platform::alignedFree(image);
        image = nullptr;
    }
    m_count = 0;
    m_bytes = 0;
}

bool SamplerImages::allocate(const TextureDescriptor& d) {
    release();
    const int64_t bytes = imageByteSize(d);
    if (bytes < 0) return false;
    int32_t sizes[3];
    imageSizes(d, sizes);
    const int modes[3] = {d.wrapS, d.wrapT, d.wrapR};
    std::size_t stride = 1;
    for (int k = 0; k < 3; ++k) {
        SamplerAxis& axis = m_layout.axes[k];
        axis.size = sizes[k];
        axis.sizeF = static_cast<float>(sizes[k]);
        axis.last = sizes[k] - 1;
        axis.mode = modes[k];
        m_layout.strides[k] = stride;
        stride *= static_cast<std::size_t>(sizes[k]);
    }
    for (int c = 0; c < 4; ++c) m_layout.border[c] = d.borderColor[c];

    m_bytes = static_cast<std::size_t>(bytes);
    const int count = imageCount(d);
    for (int i = 0; i < count; ++i) {
        // 16-byte blocks up to 1 KiB, 128-byte above (the allocator's rule).
        m_images[i] = static_cast<uint8_t*>(platform::alignedAlloc(m_bytes));
        if (!m_images[i]) {
            release();
            return false;
        }
        m_count = i + 1;
    }
    return true;
}

bool SamplerImages::copyFrom(const TextureDescriptor& d) {
    const int count = imageCount(d);
    for (int i = 0; i < count; ++i)
        if (!(count == 1 ? d.data : d.faces[i])) return false;
    if (!allocate(d)) return false;
    for (int i = 0; i < count; ++i)
        std::memcpy(m_images[i], count == 1 ? d.data : d.faces[i], m_bytes);
    return true;
}

bool SamplerImages::readFrom(const TextureDescriptor& d, util::InputStream& in) {
    if (in.failed()) return false;
    const int64_t bytes = imageByteSize(d);
    if (bytes < 0) return false;
    const std::size_t total = static_cast<std::size_t>(bytes) * static_cast<std::size_t>(imageCount(d));
    if (total <= kDirectReadBytes) {
        if (!allocate(d)) return false;
        for (int i = 0; i < m_count; ++i) readChunked(in, m_images[i], m_bytes);
        if (in.failed()) {
            release();
            return false;
        }
        return true;
    }
    // Large images: the descriptor's size is trusted only as far as the
    // texels arrive. They are staged in buffers that grow with the bytes
    // read, and the images are allocated once all of them are here, so a
    // hostile header of a few bytes cannot reserve gigabytes.
    std::vector<std::vector<uint8_t>> staged;
    try {
        staged.resize(static_cast<std::size_t>(imageCount(d)));
        for (std::vector<uint8_t>& image : staged) {
            while (image.size() < static_cast<std::size_t>(bytes) && !in.failed()) {
                const std::size_t done = image.size();
                const std::size_t block = done < kDirectReadBytes ? kDirectReadBytes : done;
                const std::size_t part = static_cast<std::size_t>(bytes) - done < block
                                             ? static_cast<std::size_t>(bytes) - done
                                             : block;
                image.resize(done + part);
                readChunked(in, image.data() + done, part);
            }
        }
    } catch (const std::bad_alloc&) {
        in.fail();
    }
    if (in.failed() || !allocate(d)) return false;
    for (int i = 0; i < m_count; ++i) {
        std::memcpy(m_images[i], staged[static_cast<std::size_t>(i)].data(), m_bytes);
        std::vector<uint8_t>().swap(staged[static_cast<std::size_t>(i)]);
    }
    return true;
}

void SamplerImages::write(util::OutputStream& out) const {
    for (int i = 0; i < m_count; ++i) {
        for (std::size_t done = 0; done < m_bytes; done += kStreamChunk) {
            const std::size_t part = m_bytes - done < kStreamChunk ? m_bytes - done : kStreamChunk;
            out.writeBytes(m_images[i] + done, static_cast<int>(part));
        }
    }
}

}  // namespace textures
}  // namespace hox
