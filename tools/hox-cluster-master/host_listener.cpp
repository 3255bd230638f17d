#include "host_listener.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "cluster/cluster_protocol.h"
#include "master_log.h"
#include "platform/clock.h"

namespace hox_cluster {

namespace {

using vu_connection::vuSocketConnection;

// The handshake request, read within the time limit. The buffered typed
// read would wait without limit, so the word comes through the timed
// receive and is swapped by hand when the host's byte order differs.
bool readRequest(vuSocketConnection& connection, uint32_t& request) {
    uint8_t bytes[4];
    int have = 0;
    const uint64_t deadline =
        hox::platform::monotonicMicroseconds() + static_cast<uint64_t>(kHandshakeSeconds * 1e6);
    while (have < 4) {
        const uint64_t now = hox::platform::monotonicMicroseconds();
        if (now >= deadline) return false;
        int n = 4 - have;
        connection.receiveRaw(bytes + have, n, static_cast<double>(deadline - now) * 1e-6);
        if (n < 0) return false;
        // 0 is a time-out or a host that closed; either way wait on briefly
        // (the deadline bounds it) rather than spin.
        if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        have += n;
    }
    uint32_t word;
    std::memcpy(&word, bytes, 4);
    request = connection.swap() ? __builtin_bswap32(word) : word;
    return true;
}

}  // namespace

bool HostListener::open(int port) {
    if (master_.listen(nullptr, port) != 0) {
        logError("cannot listen on port %d (in use, or not allowed)", port);
        return false;
    }
    if (command_.listen(nullptr, 0) != 0 || image_.listen(nullptr, 0) != 0) {
        logError("cannot open the command and image ports");
        return false;
    }
    logInfo("listening on port %d (command port %d, image port %d)", master_.port(), command_.port(),
            image_.port());
    return true;
}

void HostListener::close() {
    master_.close();
    command_.close();
    image_.close();
}

std::unique_ptr<HostSession> HostListener::poll(double seconds, bool busy) {
    vuSocketConnection handshake(hox::cluster::kHandshakeBufferBytes);
    const int accepted = master_.accept(handshake, seconds);
    if (accepted == vu_connection::kAcceptTimeout) return nullptr;
    if (accepted != 0) {
        logVerboseLine("a handshake connection failed before it started");
        return nullptr;
    }
    uint32_t request = 0;
    if (!readRequest(handshake, request) || request != hox::cluster::kHandshakeRequest) {
        logError("handshake: expected the request %u, got %s %u; connection dropped",
                 hox::cluster::kHandshakeRequest, request ? "" : "nothing or", request);
        return nullptr;
    }
    if (busy) {
        logInfo("handshake refused: another host is being served");
        handshake.writeUInt32(0);
        handshake.flush();
        return nullptr;
    }
    handshake.writeUInt32(1);
    handshake.writeUInt32(static_cast<uint32_t>(command_.port()));
    handshake.writeUInt32(static_cast<uint32_t>(image_.port()));
    handshake.flush();
    handshake.close();

    auto command = std::make_unique<vuSocketConnection>(hox::cluster::kCommandBufferBytes);
    auto image = std::make_unique<vuSocketConnection>(hox::cluster::kImageBufferBytes);
    if (command_.accept(*command, kHandshakeSeconds) != 0) {
        logError("the host answered the handshake but never opened its command connection");
        return nullptr;
    }
    if (image_.accept(*image, kHandshakeSeconds) != 0) {
        logError("the host opened its command connection but not its image connection");
        return nullptr;
    }
    auto session = std::make_unique<HostSession>(std::move(command), std::move(image));
    session->start();
    return session;
}

}  // namespace hox_cluster
