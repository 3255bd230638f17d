// Plain POSIX loopback sockets for the cluster tests: deliberately not the
// library's connection classes, so that the wire format is checked against
// a second implementation. Every wait is bounded.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace cluster_test {

inline uint32_t swapped(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

inline sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
}

// True when `fd` has something to read (data or its end) within the time.
inline bool readable(int fd, int milliseconds) {
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, milliseconds) > 0;
}

class TestSocket {
public:
    TestSocket() = default;
    explicit TestSocket(int fd) : fd_(fd) {}
    ~TestSocket() { close(); }
    TestSocket(const TestSocket&) = delete;
    TestSocket& operator=(TestSocket&& other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
        return *this;
    }

    bool connect(int port) {
        close();
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in a = loopback(port);
        return ::connect(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    }
    bool valid() const { return fd_ >= 0; }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool sendWords(const std::vector<uint32_t>& words) {
        const char* p = reinterpret_cast<const char*>(words.data());
        for (std::size_t size = words.size() * 4; size > 0;) {
            const ssize_t n = ::send(fd_, p, size, MSG_NOSIGNAL);
            if (n <= 0) return false;
            p += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    // Exactly `size` bytes; false on time-out or end.
    bool receive(void* data, std::size_t size, int milliseconds = 5000) {
        for (char* p = static_cast<char*>(data); size > 0;) {
            const ssize_t n = readable(fd_, milliseconds) ? ::recv(fd_, p, size, 0) : -1;
            if (n <= 0) return false;
            p += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    // `count` words, or none on time-out or end.
    std::vector<uint32_t> words(int count, int milliseconds = 5000) {
        std::vector<uint32_t> out(static_cast<std::size_t>(count));
        if (!receive(out.data(), out.size() * 4, milliseconds)) out.clear();
        return out;
    }
    // The peer closed without sending anything more first.
    bool closedByPeer(int milliseconds = 5000) {
        char c;
        return readable(fd_, milliseconds) && ::recv(fd_, &c, 1, 0) == 0;
    }
    // The peer closed within the time, whatever it sent before.
    bool closedAfterDraining(int milliseconds = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        char c[256];
        while (std::chrono::steady_clock::now() < deadline)
            if (readable(fd_, 50) && ::recv(fd_, c, sizeof c, 0) <= 0) return true;
        return false;
    }
    // A connection's greeting: the magic, then 42, in native or reversed order.
    bool greet(bool reversed, uint32_t magic = 0x5F0A347Cu) {
        return sendWords({reversed ? swapped(magic) : magic, reversed ? swapped(42u) : 42u});
    }

private:
    int fd_ = -1;
};

// A listener on an ephemeral loopback port.
class Listener {
public:
    Listener() {
        int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a = loopback(0);
        socklen_t len = sizeof a;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd_, 4) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port_ = ntohs(a.sin_port);
    }
    ~Listener() { ::close(fd_); }
    int port() const { return port_; }
    // An accepted descriptor, or -1 on time-out.
    int accept(int milliseconds = 5000) { return readable(fd_, milliseconds) ? ::accept(fd_, nullptr, nullptr) : -1; }

private:
    int fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int port_ = 0;
};

// A port nobody listens on right now.
inline int unusedPort() { return Listener().port(); }

}  // namespace cluster_test
