// ImageDecoder: a view image's data from the image connection into pixels.
//
// After the header of a view-image message the connection carries:
//   uint32 compressed flag (non-zero: compressed)
//   uint32 byte count c, then c bytes of colour: the block stream when
//          compressed, else width × height pixels of four floats
//   uint32 byte count a, then a bytes: one 32-bit value per pixel, which
//          replaces the fourth component of its pixel
// The counts are 32-bit reads of the connection (so in the peer's byte
// order); the bytes are raw, little-endian.
//
// The receive thread keeps one decoder (it owns the compressed-data buffer,
// which grows as images need and is reused) and calls receiveImageData(),
// or decodeImage() and readPixelValues() when it reads the flag itself.
//
// Byte counts are checked before anything is read: a count above what the
// image could possibly need is not read at all (ByteCountTooLarge: the
// connection is then mid-message and must be dropped), so a corrupt count
// never makes the decoder allocate or wait for gigabytes. A count that is
// merely wrong, or a block stream that is malformed, is read in full and
// reported (WrongByteCount, Truncated, TrailingBytes), leaving the
// connection at the next message; connectionInStep() tells the two apart.
//
// When rt_compressionStats is on, every decoded block stream is reported at
// message level 0 as "decomp: %1.1f MB/s, ratio: %1.1f percent": the
// uncompressed size (16 bytes per pixel) over the time of the block loop,
// and the share of it that the compression saved.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cluster/image_codec_status.h"
#include "cluster/image_planes.h"
#include "util/growable_array.h"

namespace vu_connection {
class vuBufferedConnection;
}

namespace hox {
namespace cluster {

class ImageDecoder {
public:
    // The compressed-data buffer grows in steps of this many bytes.
    static constexpr int kBufferGrowthStep = 1 << 20;

    struct Statistics {
        std::size_t compressedBytes = 0;
        std::size_t uncompressedBytes = 0;
        uint64_t microseconds = 0;  // the block loop alone
    };

    ImageDecoder();
    ImageDecoder(const ImageDecoder&) = delete;
    ImageDecoder& operator=(const ImageDecoder&) = delete;

    // The colour block: byte count and bytes, decoded (compressed) or copied
    // into image.colour. Decoded pixels get alpha 1.
    ImageCodecStatus decodeImage(vu_connection::vuBufferedConnection& connection, bool compressed,
                                 const ImagePlanes& image);

    // The per-pixel plane: byte count and bytes, into image.values (when
    // given) and into the fourth component of every pixel of image.colour
    // (as its 32-bit pattern).
    ImageCodecStatus readPixelValues(vu_connection::vuBufferedConnection& connection, const ImagePlanes& image);

    // Compressed flag, colour block and per-pixel plane. After a malformed
    // colour block the per-pixel plane is still read, so that the connection
    // stays in step; the first failure is returned.
    ImageCodecStatus receiveImageData(vu_connection::vuBufferedConnection& connection, const ImagePlanes& image);

    // Figures of the last decoded block stream.
    const Statistics& lastDecode() const { return last_; }

private:
    // Reads `count` bytes into the compressed-data buffer.
    ImageCodecStatus readIntoBuffer(vu_connection::vuBufferedConnection& connection, std::size_t count);

    util::GrowableArray<uint8_t> buffer_;
    Statistics last_;
};

}  // namespace cluster
}  // namespace hox
