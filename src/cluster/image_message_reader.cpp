#include "cluster/image_message_reader.h"

#include <cstdio>
#include <cstring>

#include "cluster/cluster_protocol.h"
#include "platform/vu_buffered_connection.h"
#include "util/messages.h"

namespace hox {
namespace cluster {

namespace {

bool connectionDown(vu_connection::vuBufferedConnection& connection) {
    return connection.endOfData() || !connection.isConnected();
}

// The least a payload of each known type must hold.
int minimumPayload(int32_t type) {
    switch (type) {
    case kMessageViewImage: return kViewImagePayloadBytes;
    case kMessageError: return kErrorPayloadBytes;
    case kMessageProgress: return kProgressPayloadBytes;
    default: return 0;
    }
}

}  // namespace

ImageMessageReader::ImageMessageReader(std::size_t maxImagePixels)
    : maxImagePixels_(maxImagePixels < kMaxImagePixels ? maxImagePixels : kMaxImagePixels),
      lastType_(-1),
      message_(kMessageBufferBytes) {
    message_.reserve(kMessageBufferBytes);
}

int32_t ImageMessageReader::payloadWord(int index) const {
    int32_t word;
    std::memcpy(&word, message_.data() + kMessageHeaderBytes + 4 * index, 4);
    return word;
}

ReadOutcome ImageMessageReader::readMessage(vu_connection::vuBufferedConnection& connection,
                                            ImageMessageHandler& handler) {
    if (!message_.resize(kMessageHeaderBytes)) return ReadOutcome::Malformed;
    connection.read(message_.data(), kMessageHeaderBytes);
    int32_t type, length;
    std::memcpy(&type, message_.data(), 4);
    std::memcpy(&length, message_.data() + 4, 4);
    lastType_ = type;
    if (connectionDown(connection) || type == kMessageEnd) return ReadOutcome::Lost;
    if (type == kMessageShutdown) return ReadOutcome::Finished;

    const int minimum = minimumPayload(type);
    if (minimum == 0) {
        util::warning("RenderEngineCluster: unknown message type = %d\n", type);
        return ReadOutcome::Unknown;
    }
    if (length < minimum || length > kMessageBufferBytes - kMessageHeaderBytes) {
        util::error("RenderEngineCluster: message type %d with a payload of %d bytes rejected\n", type, length);
        return ReadOutcome::Malformed;
    }
    if (!message_.resize(kMessageHeaderBytes + length)) return ReadOutcome::Malformed;
    connection.read(message_.data() + kMessageHeaderBytes, length);
    if (connectionDown(connection)) return ReadOutcome::Lost;

    switch (type) {
    case kMessageViewImage:
        return readViewImage(connection, handler);
    case kMessageError: {
        const int32_t code = payloadWord(0);
        util::error("cluster error code: %d\n", code);
        std::fflush(stdout);
        handler.onClusterError(code);
        return ReadOutcome::Handled;
    }
    default: {  // kMessageProgress
        float progress;
        std::memcpy(&progress, message_.data() + kMessageHeaderBytes, 4);
        handler.onProgress(progress);
        return ReadOutcome::Handled;
    }
    }
}

bool ImageMessageReader::prepareImage(int width, int height) {
    const int pixels = width * height;  // bounded by maxImagePixels_ < 2^31 / 4
    return colour_.resize(4 * pixels) && values_.resize(pixels);
}

ReadOutcome ImageMessageReader::readViewImage(vu_connection::vuBufferedConnection& connection,
                                              ImageMessageHandler& handler) {
    ViewImage image;
    image.frame = payloadWord(0);
    image.view = payloadWord(1);
    const int32_t width = payloadWord(2);
    const int32_t height = payloadWord(3);
    image.samplingLevel = payloadWord(4);
    image.passCount = payloadWord(5);

    const bool sizeValid = width > 0 && height > 0 &&
                           static_cast<std::size_t>(width) * static_cast<std::size_t>(height) <= maxImagePixels_;
    if (!sizeValid) {
        util::error("RenderEngineCluster: view image of %d x %d pixels rejected\n", width, height);
        return ReadOutcome::Malformed;
    }
    if (!prepareImage(width, height)) {
        util::error("RenderEngineCluster: no memory for a view image of %d x %d pixels\n", width, height);
        return ReadOutcome::Malformed;
    }
    image.planes = ImagePlanes{width, height, colour_.data(), values_.data()};

    const ImageCodecStatus status = decoder_.receiveImageData(connection, image.planes);
    if (status == ImageCodecStatus::ConnectionLost) return ReadOutcome::Lost;
    if (status != ImageCodecStatus::Ok) {
        util::error("RenderEngineCluster: view image of frame %d rejected: %s\n", image.frame,
                    imageCodecStatusName(status));
        return ReadOutcome::Malformed;
    }
    handler.onViewImage(image);
    return ReadOutcome::Handled;
}

}  // namespace cluster
}  // namespace hox
