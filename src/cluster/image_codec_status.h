// Results of the image codec.
#pragma once

namespace hox {
namespace cluster {

enum class ImageCodecStatus {
    Ok = 0,
    // The image has no pixels, more than kMaxImagePixels, or no pixel plane.
    BadImage,
    // The block stream ends inside a block, or has bytes after the last one.
    Truncated,
    TrailingBytes,
    // An uncompressed block or the per-pixel plane has the wrong byte count
    // (within the largest count the image allows: the bytes were read).
    WrongByteCount,
    // The byte count is above anything the image could need. The bytes were
    // NOT read: the connection is no longer at a message boundary.
    ByteCountTooLarge,
    // The connection ended or failed before all bytes arrived.
    ConnectionLost,
    OutOfMemory,
};

// A short English name, for messages.
const char* imageCodecStatusName(ImageCodecStatus status);

// Whether the connection is still at the next message after this result,
// so that the caller can go on reading messages.
inline bool connectionInStep(ImageCodecStatus status) {
    return status == ImageCodecStatus::Ok || status == ImageCodecStatus::Truncated ||
           status == ImageCodecStatus::TrailingBytes || status == ImageCodecStatus::WrongByteCount;
}

}  // namespace cluster
}  // namespace hox
