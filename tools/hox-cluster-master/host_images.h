// HostImages: what the master sends a host on its image connection — view
// images (type 12), errors (13), progress (14) and the orderly end (17).
//
// A view image carries the frame buffer's weighted colour sums and, as the
// per-pixel plane, its weights: the host stores both and resolves them as
// its local engine would. The colour block is the codec's block stream at
// the frame's compression level, or, at level 0, the raw four floats per
// pixel, so that a host asking for level 0 gets its pixels bit for bit.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/frame_buffer.h"
#include "platform/vu_socket_connection.h"

namespace hox_cluster {

class HostImages {
public:
    explicit HostImages(vu_connection::vuSocketConnection& connection) : connection_(connection) {}

    // False when the image could not be encoded or the connection failed.
    bool sendImage(int32_t frame, int32_t view, const hox::engine::FrameBuffer& image, float compressionLevel);
    bool sendError(int32_t code);
    bool sendProgress(float progress);
    bool sendEnd();

    uint64_t bytesSent() const { return bytes_; }

private:
    bool sendWords(const int32_t* words, int count);

    vu_connection::vuSocketConnection& connection_;
    std::vector<uint8_t> stream_;
    uint64_t bytes_ = 0;
};

}  // namespace hox_cluster
