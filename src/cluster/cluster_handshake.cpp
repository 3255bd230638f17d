#include "cluster/cluster_handshake.h"

#include <cstdint>

#include "cluster/cluster_protocol.h"
#include "platform/clock.h"
#include "platform/vu_socket_connection.h"

namespace hox {
namespace cluster {

namespace {

uint32_t byteSwapped(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

// Reads `count` 32-bit words before the deadline, in the peer's byte order.
// The buffered typed read would wait without limit, so the bytes the
// greeting left in the read buffer are taken first and the rest comes
// through the timed receive.
bool readWordsBefore(vu_connection::vuSocketConnection& connection, uint32_t* words, int count,
                     uint64_t deadlineMicroseconds) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(words);
    const int wanted = count * 4;
    int have = connection.buffered() < wanted ? connection.buffered() : wanted;
    if (have > 0) connection.read(bytes, have);
    while (have < wanted) {
        const uint64_t now = platform::monotonicMicroseconds();
        if (now >= deadlineMicroseconds) return false;
        int n = wanted - have;
        connection.receiveRaw(bytes + have, n, static_cast<double>(deadlineMicroseconds - now) * 1e-6);
        // 0 is a time-out or the end of data; either way no answer.
        if (n <= 0) return false;
        have += n;
    }
    if (connection.swap())
        for (int i = 0; i < count; ++i) words[i] = byteSwapped(words[i]);
    return true;
}

}  // namespace

HandshakeResult runHandshake(const char* host, int port, double timeoutSeconds) {
    HandshakeResult result;
    vu_connection::vuSocketConnection connection(kHandshakeBufferBytes);
    connection.setConnectTimeout(timeoutSeconds);
    result.connectStatus = connection.connect(host, port);
    if (result.connectStatus != vu_connection::kStatusOk) return result;

    const uint64_t deadline =
        platform::monotonicMicroseconds() + static_cast<uint64_t>(timeoutSeconds * 1e6);
    connection.writeUInt32(kHandshakeRequest);
    connection.flush();

    uint32_t acceptance = 0;
    if (!readWordsBefore(connection, &acceptance, 1, deadline)) return result;
    result.answered = true;
    result.accepted = acceptance != 0;
    if (result.accepted) {
        uint32_t ports[2] = {0, 0};
        if (readWordsBefore(connection, ports, 2, deadline)) {
            result.commandPort = static_cast<int>(ports[0]);
            result.imagePort = static_cast<int>(ports[1]);
        }
    }
    connection.close();
    return result;
}

}  // namespace cluster
}  // namespace hox
