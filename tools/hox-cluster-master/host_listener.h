// HostListener: the master port where hosts knock, and the two ports their
// command and image connections then use.
//
// A host's set-up, from this side: accept on the master port and greet;
// read the uint32 1000; answer acceptance 1 with the command and image
// ports (acceptance 0 while another host is being served); then accept the
// host's command connection and its image connection, greeting each. Every
// wait is bounded, so a host that stops half way only costs its time-out.
#pragma once

#include <memory>

#include "host_session.h"
#include "platform/vu_socket_listener.h"

namespace hox_cluster {

class HostListener {
public:
    // Listens on every interface: `port` for handshakes, system-chosen ports
    // for the command and image connections. False (logged) on failure.
    bool open(int port);
    void close();

    // Waits up to `seconds` for a handshake. With `busy` the host is
    // refused (acceptance 0). Returns the new session, or null when nobody
    // came, the host was refused or its set-up failed (logged).
    std::unique_ptr<HostSession> poll(double seconds, bool busy);

    int commandPort() const { return command_.port(); }
    int imagePort() const { return image_.port(); }

private:
    vu_connection::vuSocketListener master_;
    vu_connection::vuSocketListener command_;
    vu_connection::vuSocketListener image_;
};

// How long the steps of a host's set-up may take.
constexpr double kHandshakeSeconds = 5.0;

}  // namespace hox_cluster
