// The handshake with a cluster master: which ports its command and image
// connections listen on.
//
// On a short-lived connection to the master's port (after the greeting):
// the library writes the uint32 1000, the master answers a uint32
// acceptance (non-zero: accepted) and, when it accepts, the command port and
// the image port as two uint32. These go through the connection's typed
// 32-bit operations, so they follow the byte order the greeting showed.
//
// Every step is bounded in time: a master that accepts the TCP connection
// and then stays silent fails the handshake instead of stalling the
// device's thread.
#pragma once

namespace hox {
namespace cluster {

struct HandshakeResult {
    // The connection's status (0 when the master was reached and greeted).
    int connectStatus = -1;
    bool answered = false;  // the acceptance word arrived
    bool accepted = false;
    int commandPort = 0;
    int imagePort = 0;

    // Both ports known and non-zero: the set-up may go on.
    bool succeeded() const { return accepted && commandPort != 0 && imagePort != 0; }
};

HandshakeResult runHandshake(const char* host, int port, double timeoutSeconds);

}  // namespace cluster
}  // namespace hox
