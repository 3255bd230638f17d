// ImageSender: a view image's data onto a connection, as the render side of
// the cluster sends it (the counterpart of ImageDecoder).
//
// Writes the compressed flag, the colour block (the block stream of
// encodeBlockStream() at the given level, or the raw four-float pixels) and
// the per-pixel plane (the fourth component of every pixel, as its 32-bit
// pattern). Counts go through the connection's 32-bit write, so in its byte
// order; the bytes are raw. Does not flush: the caller completes the message
// and flushes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cluster/image_codec_status.h"

namespace vu_connection {
class vuConnection;
}

namespace hox {
namespace cluster {

class ImageSender {
public:
    // `level` is the compression level (see block_encoder.h); ignored when
    // compress is false. BadImage / OutOfMemory write nothing.
    ImageCodecStatus sendImageData(vu_connection::vuConnection& connection, const float* rgba, int width,
                                   int height, bool compress, float level);

    // Bytes of colour data of the last image sent.
    std::size_t lastColourBytes() const { return lastColourBytes_; }

private:
    std::vector<uint8_t> stream_;
    std::vector<uint32_t> values_;
    std::size_t lastColourBytes_ = 0;
};

}  // namespace cluster
}  // namespace hox
