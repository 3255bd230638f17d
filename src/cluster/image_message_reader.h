// ImageMessageReader: one message at a time from a master's image
// connection, checked before it is believed.
//
// The header is two raw 32-bit words (type, payload length). Known types:
//   0   end                 → Lost
//   12  view image          → the six-word payload and the image data are
//                             read and decoded, then handed to the handler
//   13  error code          → handler.onClusterError, after the error
//                             "cluster error code: %d\n"
//   14  progress            → handler.onProgress
//   17  orderly end         → Finished
// Any other type is reported ("RenderEngineCluster: unknown message type =
// %d\n") and its payload is not read: the next 8 bytes are the next header.
//
// Hostile or corrupt input never makes the reader write outside its
// buffers or allocate without bound. A payload length that is negative,
// shorter than its type needs or longer than the message buffer; an image
// with a width or height below 1 or more than maxImagePixels() pixels; and
// image data that do not decode (wrong byte counts, truncated block
// streams, blocks past the image) are reported as errors and answered with
// Malformed: the peer can no longer be trusted to be at a message boundary,
// so the caller treats the connection as lost.
#pragma once

#include <cstdint>

#include "cluster/image_decoder.h"
#include "cluster/image_planes.h"
#include "util/growable_array.h"

namespace vu_connection {
class vuBufferedConnection;
}

namespace hox {
namespace cluster {

struct ViewImage {
    int32_t frame;
    int32_t view;
    int32_t samplingLevel;
    int32_t passCount;
    // The decoded pixels (four floats, the fourth replaced by the per-pixel
    // value) and the per-pixel values; valid during onViewImage only.
    ImagePlanes planes;
};

class ImageMessageHandler {
public:
    virtual ~ImageMessageHandler() {}
    virtual void onViewImage(const ViewImage& image) = 0;
    virtual void onClusterError(int32_t code) = 0;
    virtual void onProgress(float progress) = 0;
};

enum class ReadOutcome {
    Handled,    // a message of types 12, 13 or 14
    Unknown,    // an unknown type, reported and skipped
    Finished,   // type 17
    Lost,       // type 0 or the connection ended or failed
    Malformed,  // reported; the connection must be dropped
};

class ImageMessageReader {
public:
    // The message buffer starts with this much room (and never holds more).
    static constexpr int kMessageBufferBytes = 16 * 1024 * 1024;

    // maxImagePixels is capped at kMaxImagePixels.
    explicit ImageMessageReader(std::size_t maxImagePixels = kMaxImagePixels);

    ReadOutcome readMessage(vu_connection::vuBufferedConnection& connection, ImageMessageHandler& handler);

    std::size_t maxImagePixels() const { return maxImagePixels_; }
    // The type of the last header read.
    int32_t lastType() const { return lastType_; }

private:
    ReadOutcome readViewImage(vu_connection::vuBufferedConnection& connection, ImageMessageHandler& handler);
    // The image buffer sized for width × height; false when memory is short.
    bool prepareImage(int width, int height);
    int32_t payloadWord(int index) const;

    std::size_t maxImagePixels_;
    int32_t lastType_;
    util::GrowableArray<uint8_t> message_;
    util::GrowableArray<float> colour_;
    util::GrowableArray<uint32_t> values_;
    ImageDecoder decoder_;
};

}  // namespace cluster
}  // namespace hox
