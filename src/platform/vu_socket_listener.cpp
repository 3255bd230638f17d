#include "platform/vu_socket_listener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/socket_calls.h"

namespace vu_connection {

using hox::platform::kNoSocket;

namespace {

constexpr int kBacklog = 16;

// A bound, listening socket for one address, or kNoSocket.
int listenOn(const sockaddr* address, socklen_t length, bool dualStack) {
    const int socket = ::socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (socket == kNoSocket) return kNoSocket;
    const int on = 1, off = 0;
    // A restarted master must not wait for the old port's TIME_WAIT to end.
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (address->sa_family == AF_INET6)
        setsockopt(socket, IPPROTO_IPV6, IPV6_V6ONLY, dualStack ? &off : &on, sizeof on);
    if (bind(socket, address, length) != 0 || ::listen(socket, kBacklog) != 0) {
        hox::platform::closeSocket(socket);
        return kNoSocket;
    }
    return socket;
}

int boundPort(int socket) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return -1;
    if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

}  // namespace

vuSocketListener::vuSocketListener() : socket_(kNoSocket), port_(-1) {}

vuSocketListener::~vuSocketListener() { close(); }

bool vuSocketListener::isListening() const { return socket_ != kNoSocket; }

void vuSocketListener::close() {
    hox::platform::closeSocket(socket_);
    socket_ = kNoSocket;
    port_ = -1;
}

int vuSocketListener::listen(const char* address, int port) {
    close();
    if (port < 0 || port > 65535) return -1;
    if (!address) {
        sockaddr_in6 any6{};
        any6.sin6_family = AF_INET6;
        any6.sin6_addr = in6addr_any;
        any6.sin6_port = htons(static_cast<uint16_t>(port));
        socket_ = listenOn(reinterpret_cast<sockaddr*>(&any6), sizeof any6, true);
        if (socket_ == kNoSocket) {
            sockaddr_in any4{};
            any4.sin_family = AF_INET;
            any4.sin_addr.s_addr = htonl(INADDR_ANY);
            any4.sin_port = htons(static_cast<uint16_t>(port));
            socket_ = listenOn(reinterpret_cast<sockaddr*>(&any4), sizeof any4, false);
        }
    } else {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
        char service[16];
        std::snprintf(service, sizeof service, "%d", port);
        addrinfo* results = nullptr;
        if (getaddrinfo(address, service, &hints, &results) != 0 || !results) return -1;
        socket_ = listenOn(results->ai_addr, results->ai_addrlen, false);
        freeaddrinfo(results);
    }
    if (socket_ == kNoSocket) return -1;
    port_ = boundPort(socket_);
    if (port_ < 0) {
        close();
        return -1;
    }
    return 0;
}

int vuSocketListener::accept(vuSocketConnection& connection, double seconds, vuGreeting greeting) {
    if (socket_ == kNoSocket) return -1;
    const uint64_t deadline = hox::platform::deadlineAfterSeconds(seconds);
    int client = kNoSocket;
    for (;;) {
        const auto wait = hox::platform::waitForSocket(socket_, false, deadline);
        if (wait == hox::platform::SocketWait::TimedOut) return kAcceptTimeout;
        if (wait == hox::platform::SocketWait::Failed) return -1;
        client = accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client != kNoSocket) break;
        // The client may have given up between the wake-up and the accept.
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED) return -1;
    }
    if (!connection.adoptAccepted(client)) return -1;
    if (greeting == vuGreeting::None) return 0;
    connection.setSwap(greeting == vuGreeting::Reversed);
    connection.writeUInt32(kGreetingMagic);
    connection.writeUInt32(kGreetingOrderMark);
    connection.flush();
    return connection.status() == kStatusOk ? 0 : -1;
}

}  // namespace vu_connection
