// One message of a host's command connection, and the checks a header must
// pass before its payload is read.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace hox_cluster {

// Records carry textures and meshes whole; anything beyond this is taken as
// a corrupt length rather than a scene.
constexpr int32_t kMaxCommandPayloadBytes = 1 << 30;

struct CommandMessage {
    int32_t type = 0;
    std::vector<uint8_t> payload;

    // Payload word i (little-endian int32), 0 past the end.
    int32_t word(int i) const {
        int32_t w = 0;
        const std::size_t at = static_cast<std::size_t>(i) * 4;
        if (i >= 0 && at + 4 <= payload.size()) std::memcpy(&w, payload.data() + at, 4);
        return w;
    }
};

// Whether a header (type, payload length) names a message the library
// sends with a length that type can have. False with `why` set otherwise.
bool checkCommandHeader(int32_t type, int32_t length, std::string& why);

// Whether a complete message is consistent inside: the byte count that
// frames (type 4) and records (type 8) declare must be the rest of the
// payload. False with `why` set otherwise.
bool checkCommandBody(const CommandMessage& message, std::string& why);

// The body of a frame or record message: where it starts in the payload.
constexpr int kFrameBodyOffset = 8;
constexpr int kRecordBodyOffset = 16;

}  // namespace hox_cluster
