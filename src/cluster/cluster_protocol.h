// The messages between the library and a cluster master: types, fixed
// values and connection sizes.
//
// Framing on the command and image connections: an 8-byte header of two
// raw 32-bit words (message type, payload length in bytes without the
// header) in this processor's (little-endian) order, then the payload.
// Record and frame bodies inside payloads use the stream encoding of
// util/byte_stream.h.
//
// Library → master (command connection):
//   1  hello       int32 setting8, int32 setting7, int32 50
//   4  frame       int32 frame number, int32 n, n bytes of frame slot
//   6  created     int32 frame, int32 class, int32 instance
//   7  destroyed   int32 frame, int32 class (handle bits 28..31),
//                  int32 instance (bits 0..27)
//   8  record      int32 frame field, int32 class, int32 instance, int32 n,
//                  n bytes of the record
//   9  abort       int32 current frame number
//   17 shutdown    empty, the last message
// Master → library (image connection):
//   0  end of data (a connection that closed reads as zeros)
//   12 view image  six int32: frame, view, width, height, sampling level,
//                  pass count; then the image data (image_decoder.h)
//   13 error       int32 error code
//   14 progress    float, 0 to 1
//   17 end         orderly end of the image connection
#pragma once

#include <cstdint>

namespace hox {
namespace cluster {

enum MessageType : int32_t {
    kMessageEnd = 0,
    kMessageHello = 1,
    kMessageFrame = 4,
    kMessageCreate = 6,
    kMessageDestroy = 7,
    kMessageRecord = 8,
    kMessageAbort = 9,
    kMessageViewImage = 12,
    kMessageError = 13,
    kMessageProgress = 14,
    kMessageShutdown = 17,
};

constexpr int kMessageHeaderBytes = 8;
// Payload sizes of the master's fixed messages.
constexpr int kViewImagePayloadBytes = 24;
constexpr int kErrorPayloadBytes = 4;
constexpr int kProgressPayloadBytes = 4;

// What the library writes on the handshake connection after the greeting.
constexpr uint32_t kHandshakeRequest = 1000;
// The third word of the hello message: the interface version.
constexpr int32_t kHelloVersion = 50;

// Connection buffer sizes.
constexpr int kHandshakeBufferBytes = 10240;
constexpr int kCommandBufferBytes = 10240;
constexpr int kImageBufferBytes = 16777216;

// Handles carry their class in bits 28..31 and the instance in bits 0..27.
inline int32_t handleClass(uint32_t handle) { return static_cast<int32_t>(handle >> 28); }
inline int32_t handleInstance(uint32_t handle) { return static_cast<int32_t>(handle & 0x0FFFFFFFu); }

}  // namespace cluster
}  // namespace hox
