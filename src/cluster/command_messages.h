// The fixed-size messages of the command connection. Each is written as
// header and payload words, raw in this processor's order, and the
// connection is flushed at once so that no message waits in a buffer.
#pragma once

#include <cstdint>

namespace vu_connection {
class vuBufferedConnection;
}

namespace hox {
namespace cluster {

// The raw 32-bit words of a message (header included), in order.
void writeWords(vu_connection::vuBufferedConnection& connection, const int32_t* words, int count);

void sendHello(vu_connection::vuBufferedConnection& connection, int32_t setting8, int32_t setting7);
void sendCreate(vu_connection::vuBufferedConnection& connection, int32_t frame, int32_t type, int32_t instance);
void sendDestroy(vu_connection::vuBufferedConnection& connection, int32_t frame, uint32_t handle);
void sendAbort(vu_connection::vuBufferedConnection& connection, int32_t frame);
void sendShutdown(vu_connection::vuBufferedConnection& connection);

}  // namespace cluster
}  // namespace hox
