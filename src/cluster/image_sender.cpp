#include "cluster/image_sender.h"

#include <cstring>
#include <new>

#include "cluster/block_encoder.h"
#include "cluster/image_planes.h"
#include "platform/vu_connection_base.h"

namespace hox {
namespace cluster {

ImageCodecStatus ImageSender::sendImageData(vu_connection::vuConnection& connection, const float* rgba, int width,
                                            int height, bool compress, float level) {
    if (!rgba || width <= 0 || height <= 0 ||
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > kMaxImagePixels)
        return ImageCodecStatus::BadImage;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (compress) {
        const ImageCodecStatus encoded = encodeBlockStream(rgba, width, height, level, stream_);
        if (encoded != ImageCodecStatus::Ok) return encoded;
    }
    try {
        values_.resize(pixels);
    } catch (const std::bad_alloc&) {
        return ImageCodecStatus::OutOfMemory;
    }
    for (std::size_t i = 0; i < pixels; ++i) std::memcpy(&values_[i], rgba + 4 * i + 3, 4);

    const std::size_t colourBytes = compress ? stream_.size() : pixels * 16;
    connection.writeUInt32(compress ? 1u : 0u);
    connection.writeUInt32(static_cast<uint32_t>(colourBytes));
    connection.write(compress ? static_cast<const void*>(stream_.data()) : static_cast<const void*>(rgba),
                     static_cast<int>(colourBytes));
    connection.writeUInt32(static_cast<uint32_t>(pixels * 4));
    connection.write(values_.data(), static_cast<int>(pixels * 4));
    lastColourBytes_ = colourBytes;
    return ImageCodecStatus::Ok;
}

}  // namespace cluster
}  // namespace hox
