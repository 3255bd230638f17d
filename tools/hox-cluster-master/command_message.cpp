#include "command_message.h"

#include "cluster/cluster_protocol.h"

namespace hox_cluster {

using namespace hox::cluster;

bool checkCommandHeader(int32_t type, int32_t length, std::string& why) {
    auto fixed = [&](int32_t expected) {
        if (length == expected) return true;
        why = "message type " + std::to_string(type) + " with length " + std::to_string(length) +
              " (expected " + std::to_string(expected) + ")";
        return false;
    };
    auto atLeast = [&](int32_t minimum) {
        if (length >= minimum && length <= kMaxCommandPayloadBytes) return true;
        why = "message type " + std::to_string(type) + " with length " + std::to_string(length);
        return false;
    };
    switch (type) {
        case kMessageHello: return fixed(12);
        case kMessageFrame: return atLeast(kFrameBodyOffset);
        case kMessageCreate: return fixed(12);
        case kMessageDestroy: return fixed(12);
        case kMessageRecord: return atLeast(kRecordBodyOffset);
        case kMessageAbort: return fixed(4);
        case kMessageShutdown: return fixed(0);
        default:
            why = "unknown message type " + std::to_string(type);
            return false;
    }
}

bool checkCommandBody(const CommandMessage& message, std::string& why) {
    const int64_t size = static_cast<int64_t>(message.payload.size());
    if (message.type == kMessageFrame && message.word(1) != size - kFrameBodyOffset) {
        why = "frame " + std::to_string(message.word(0)) + " declares " + std::to_string(message.word(1)) +
              " bytes in a payload of " + std::to_string(size);
        return false;
    }
    if (message.type == kMessageRecord && message.word(3) != size - kRecordBodyOffset) {
        why = "record " + std::to_string(message.word(1)) + ":" + std::to_string(message.word(2)) +
              " declares " + std::to_string(message.word(3)) + " bytes in a payload of " + std::to_string(size);
        return false;
    }
    return true;
}

}  // namespace hox_cluster
