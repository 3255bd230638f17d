#include "host_images.h"

#include <cstring>

#include "cluster/block_encoder.h"
#include "cluster/cluster_protocol.h"
#include "master_log.h"

namespace hox_cluster {

using namespace hox::cluster;

bool HostImages::sendWords(const int32_t* words, int count) {
    connection_.write(words, count * 4);
    bytes_ += static_cast<uint64_t>(count) * 4;
    return connection_.isConnected();
}

bool HostImages::sendImage(int32_t frame, int32_t view, const hox::engine::FrameBuffer& image,
                           float compressionLevel) {
    const float* sums = image.floatSums();
    const float* weights = image.weights();
    const int width = image.width();
    const int height = image.height();
    if (!sums || !weights || width <= 0 || height <= 0) return false;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);

    const bool compress = compressionLevel > 0.0f;
    if (compress &&
        encodeBlockStream(sums, width, height, compressionLevel, stream_) != ImageCodecStatus::Ok) {
        logError("frame %d view %d: the image of %dx%d could not be encoded", frame, view, width, height);
        return false;
    }
    const int32_t header[8] = {kMessageViewImage, kViewImagePayloadBytes, frame, view, width, height,
                               image.samplingLevel(), image.passCount()};
    sendWords(header, 8);
    connection_.writeUInt32(compress ? 1u : 0u);
    if (compress) {
        connection_.writeUInt32(static_cast<uint32_t>(stream_.size()));
        connection_.write(stream_.data(), static_cast<int>(stream_.size()));
        bytes_ += 8 + stream_.size();
    } else {
        connection_.writeUInt32(static_cast<uint32_t>(pixels * 16));
        connection_.write(sums, static_cast<int>(pixels * 16));
        bytes_ += 8 + pixels * 16;
    }
    connection_.writeUInt32(static_cast<uint32_t>(pixels * 4));
    connection_.write(weights, static_cast<int>(pixels * 4));
    bytes_ += 4 + pixels * 4;
    connection_.flush();
    return connection_.isConnected();
}

bool HostImages::sendError(int32_t code) {
    const int32_t words[3] = {kMessageError, kErrorPayloadBytes, code};
    sendWords(words, 3);
    connection_.flush();
    return connection_.isConnected();
}

bool HostImages::sendProgress(float progress) {
    int32_t words[3] = {kMessageProgress, kProgressPayloadBytes, 0};
    std::memcpy(&words[2], &progress, 4);
    sendWords(words, 3);
    connection_.flush();
    return connection_.isConnected();
}

bool HostImages::sendEnd() {
    const int32_t words[2] = {kMessageShutdown, 0};
    sendWords(words, 2);
    connection_.flush();
    return connection_.isConnected();
}

}  // namespace hox_cluster
