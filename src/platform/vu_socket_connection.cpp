#include "platform/vu_socket_connection.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/aligned_memory.h"
#include "platform/socket_calls.h"

namespace vu_connection {

using hox::platform::kNoDeadline;
using hox::platform::kNoSocket;
using hox::platform::SocketWait;
using hox::platform::waitForSocket;

// The address of the last connect attempt: a socket address of the largest
// kind and whether it holds one.
struct SocketAddressBlock {
    sockaddr_storage address;
    socklen_t length;
    bool valid;
};

vuSocketConnection::vuSocketConnection(int bufferSize)
    : vuEndianConnection(bufferSize),
      socket_(kNoSocket),
      status_(kStatusOk),
      address_(hox::platform::alignedNew<SocketAddressBlock>(16)),
      connectTimeout_(kDefaultConnectTimeoutSeconds),
      interrupted_(false) {
    if (address_) std::memset(address_, 0, sizeof *address_);
}

vuSocketConnection::~vuSocketConnection() {
    close();
    hox::platform::alignedDelete(address_);
}

const void* vuSocketConnection::peerAddress() const {
    return address_ && address_->valid ? &address_->address : nullptr;
}

bool vuSocketConnection::isConnected() { return socket_ != kNoSocket && status() == kStatusOk; }

void vuSocketConnection::close() {
    flush();
    int socket;
    {
        std::lock_guard<std::mutex> lock(socketLock_);
        socket = socket_.exchange(kNoSocket);
    }
    hox::platform::closeSocket(socket);
}

void vuSocketConnection::interrupt() {
    std::lock_guard<std::mutex> lock(socketLock_);
    interrupted_ = true;
    if (socket_ != kNoSocket) shutdown(socket_, SHUT_RDWR);
}

bool vuSocketConnection::installSocket(int socket) {
    std::lock_guard<std::mutex> lock(socketLock_);
    if (interrupted_) {
        hox::platform::closeSocket(socket);
        return false;
    }
    socket_ = socket;
    return true;
}

int vuSocketConnection::connect(const char* host, int port) {
    const int previous = status();
    if (previous >= 3 && previous <= 7) setStatus(kStatusOk);
    if (status() != kStatusOk) return status();
    close();
    resetBuffers();
    if (!host || port < 0 || port > 65535 || !isValid() || !address_) {
        setStatus(kStatusConnectFailed);
        return status();
    }
    connectFamily(host, port, AF_INET6);
    if (status() != kStatusOk) {
        setStatus(kStatusOk);
        connectFamily(host, port, AF_INET);
    }
    return status();
}

void vuSocketConnection::connectFamily(const char* host, int port, int family) {
    const uint64_t deadline = hox::platform::deadlineAfterSeconds(connectTimeout_);
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    char service[16];
    std::snprintf(service, sizeof service, "%d", port);
    addrinfo* results = nullptr;
    if (getaddrinfo(host, service, &hints, &results) != 0 || !results) {
        if (results) freeaddrinfo(results);
        setStatus(kStatusConnectFailed);
        return;
    }
    // getaddrinfo already stored the port in network order.
    address_->valid = results->ai_addrlen <= sizeof address_->address;
    if (address_->valid) {
        std::memcpy(&address_->address, results->ai_addr, results->ai_addrlen);
        address_->length = results->ai_addrlen;
    }
    freeaddrinfo(results);
    if (!address_->valid) {
        setStatus(kStatusConnectFailed);
        return;
    }
    const int result = connectStored(deadline);
    setStatus(result);
    if (result == kStatusOk) readGreeting(deadline);
    if (status() != kStatusOk) close();
}

int vuSocketConnection::connectStored(uint64_t deadline) {
    const int socket =
        ::socket(address_->address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (socket == kNoSocket) return kStatusConnectFailed;
    // Non-blocking before the connect rather than after it, so that the
    // connect itself has a time limit.
    if (!hox::platform::configureSocket(socket)) {
        hox::platform::closeSocket(socket);
        return kStatusConnectFailed;
    }
    if (!installSocket(socket)) return kStatusConnectFailed;
    const auto* address = reinterpret_cast<const sockaddr*>(&address_->address);
    int error = 0;
    if (::connect(socket, address, address_->length) != 0) {
        error = errno;
        if (error == EINPROGRESS || error == EINTR) {
            if (waitForSocket(socket, true, deadline) != SocketWait::Ready) return kStatusConnectFailed;
            socklen_t length = sizeof error;
            if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        }
    }
    if (error == 0) return kStatusOk;
    return error == ECONNREFUSED ? kStatusRefused : kStatusConnectFailed;
}

void vuSocketConnection::readGreeting(uint64_t deadline) {
    // Read straight from the socket, exactly eight bytes, so that whatever
    // the peer sends after its greeting stays in the socket for the buffered
    // reads.
    uint8_t bytes[8];
    int got = 0;
    while (got < 8) {
        const int n = receiveSome(bytes + got, 8 - got, deadline);
        if (n <= 0) {
            setStatus(kStatusWrongGreeting);
            return;
        }
        got += n;
    }
    uint32_t magic, order;
    std::memcpy(&magic, bytes, 4);
    std::memcpy(&order, bytes + 4, 4);
    if (magic != kGreetingMagic && magic != __builtin_bswap32(kGreetingMagic)) {
        setStatus(kStatusWrongGreeting);
        return;
    }
    if (swap()) order = __builtin_bswap32(order);
    if (order != kGreetingOrderMark) setSwap(!swap());
}

bool vuSocketConnection::adoptAccepted(int socket) {
    close();
    resetBuffers();
    setStatus(kStatusOk);
    if (!hox::platform::configureSocket(socket)) {
        hox::platform::closeSocket(socket);
        setStatus(kStatusConnectFailed);
        return false;
    }
    if (!installSocket(socket)) {
        setStatus(kStatusConnectFailed);
        return false;
    }
    // The greeting the listener writes next decides the byte order.
    setSwap(false);
    return true;
}

int vuSocketConnection::receiveSome(void* data, int count, uint64_t deadline) {
    const int socket = socket_.load(std::memory_order_relaxed);
    for (;;) {
        const SocketWait wait = waitForSocket(socket, false, deadline);
        if (wait == SocketWait::TimedOut) return kReceiveTimedOut;
        if (wait == SocketWait::Failed) return kReceiveFailed;
        const ssize_t n = recv(socket, data, static_cast<std::size_t>(count), 0);
        if (n >= 0) return static_cast<int>(n);
        // Readable by poll but nothing there after all, or a signal: wait
        // again (until the deadline).
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return kReceiveFailed;
    }
}

void vuSocketConnection::sendRaw(const void* data, int count) {
    const int socket = socket_.load(std::memory_order_relaxed);
    if (!data || count <= 0 || status() != kStatusOk || socket == kNoSocket) return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::size_t left = static_cast<std::size_t>(count);
    for (;;) {
        if (waitForSocket(socket, true, kNoDeadline) != SocketWait::Ready) break;
        const ssize_t n = send(socket, bytes, left, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            break;
        }
        bytes += n;
        left -= static_cast<std::size_t>(n);
        if (left == 0) return;
    }
    setStatus(kStatusIoFailed);
}

void vuSocketConnection::receiveRaw(void* data, int& count) { receiveRaw(data, count, -1.0); }

void vuSocketConnection::receiveRaw(void* data, int& count, double seconds) {
    if (count <= 0 || !data) {
        count = 0;
        return;
    }
    if (status() != kStatusOk || socket_ == kNoSocket) {
        std::memset(data, 0, static_cast<std::size_t>(count));
        return;
    }
    const int n = receiveSome(data, count, hox::platform::deadlineAfterSeconds(seconds));
    if (n == kReceiveTimedOut) {
        count = 0;
    } else if (n == kReceiveFailed) {
        setStatus(kStatusIoFailed);
        count = -1;
    } else {
        count = n;
    }
}

}  // namespace vu_connection
