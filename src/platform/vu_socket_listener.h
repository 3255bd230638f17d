// vuSocketListener: the accepting side of a vuSocketConnection.
//
// The library itself only connects; the listener is for the processes on the
// other end (a cluster master, a test's stand-in peer). An accepted
// connection is configured like a connected one (TCP_NODELAY, non-blocking)
// and greets its client, which is what the client's connect() waits for.
//
// Threads: one thread uses a listener at a time.
#pragma once

#include "platform/vu_socket_connection.h"

namespace vu_connection {

// How an accepted connection greets its client.
enum class vuGreeting {
    Native,    // the magic and 42 in this processor's byte order
    Reversed,  // as a peer of the opposite byte order would: the connection
               // then also writes and reads typed values reversed
    None,      // no greeting; the caller writes whatever it wants first
};

class vuSocketListener {
public:
    vuSocketListener();
    ~vuSocketListener();
    vuSocketListener(const vuSocketListener&) = delete;
    vuSocketListener& operator=(const vuSocketListener&) = delete;

    // Listens on a numeric address ("127.0.0.1", "::1") or, for a null
    // address, on every interface (IPv6 and IPv4 alike where the system
    // allows, else IPv4 only). Port 0 lets the system choose a free port,
    // which port() then reports. 0 on success, -1 on failure.
    int listen(const char* address, int port);
    int port() const { return port_; }
    bool isListening() const;

    // Waits up to `seconds` (negative: without limit) for a client, hands
    // its socket to `connection` and greets. 0 when connected and greeted,
    // 258 on time-out, -1 on failure.
    int accept(vuSocketConnection& connection, double seconds, vuGreeting greeting = vuGreeting::Native);

    void close();

private:
    int socket_;
    int port_;
};

// accept()'s time-out result, as the platform layer's waits report it.
constexpr int kAcceptTimeout = 258;

}  // namespace vu_connection
