// A stand-in cluster master for the engine tests, on plain POSIX sockets of
// its own (not the library's connection classes), so that what the library
// sends and expects is checked against an independent implementation of
// the wire format.
//
// FakeMaster listens on three ephemeral ports of 127.0.0.1. Its thread
// plays the master's side of the set-up: the handshake (greeting, read
// 1000, answer acceptance and ports as scripted), then accepts the command
// and the image connection and greets both. The test then talks over
// command() and image() from its own thread.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace cluster_test {

inline uint32_t swapped(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

// One accepted TCP connection; every wait is bounded.
class Peer {
public:
    Peer() = default;
    explicit Peer(int fd) : fd_(fd) {}
    ~Peer() { close(); }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;
    Peer& operator=(Peer&& other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
        return *this;
    }

    bool valid() const { return fd_ >= 0; }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool send(const void* data, std::size_t size) {
        const char* p = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t n = ::send(fd_, p, size, MSG_NOSIGNAL);
            if (n <= 0) return false;
            p += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    bool sendWords(const std::vector<uint32_t>& words) { return send(words.data(), words.size() * 4); }
    // Exactly `size` bytes within `milliseconds`; false on time-out or end.
    bool receive(void* data, std::size_t size, int milliseconds = 3000) {
        char* p = static_cast<char*>(data);
        while (size > 0) {
            pollfd pfd{fd_, POLLIN, 0};
            if (::poll(&pfd, 1, milliseconds) <= 0) return false;
            const ssize_t n = ::recv(fd_, p, size, 0);
            if (n <= 0) return false;
            p += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    bool receiveWord(uint32_t& word, int milliseconds = 3000) { return receive(&word, 4, milliseconds); }
    // True when the peer closed (end of data) within the time.
    bool closedByPeer(int milliseconds = 3000) {
        char c;
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, milliseconds) <= 0) return false;
        return ::recv(fd_, &c, 1, 0) == 0;
    }
    // The greeting of a connection: magic, then 42, in native or reversed order.
    bool greet(bool reversed, uint32_t magic = 0x5F0A347Cu) {
        return sendWords({reversed ? swapped(magic) : magic, reversed ? swapped(42u) : 42u});
    }

private:
    int fd_ = -1;
};

class Listener {
public:
    Listener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 4) != 0) return;
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~Listener() {
        if (fd_ >= 0) ::close(fd_);
    }
    int port() const { return port_; }
    // An accepted connection within `milliseconds`, or an invalid Peer.
    int accept(int milliseconds = 5000) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, milliseconds) <= 0) return -1;
        return ::accept(fd_, nullptr, nullptr);
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

// What the master answers in the handshake.
struct MasterScript {
    bool reversed = false;         // greet and answer in the other byte order
    uint32_t magic = 0x5F0A347Cu;  // the greeting's first word
    uint32_t acceptance = 1;
    bool zeroCommandPort = false;
    bool acceptImage = true;       // accept (and greet) the image connection
};

class FakeMaster {
public:
    explicit FakeMaster(MasterScript script = MasterScript()) : script_(script) {
        thread_ = std::thread([this] { play(); });
    }
    ~FakeMaster() { join(); }

    int port() const { return master_.port(); }
    // Waits for the set-up to end; then the results below are valid.
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    uint32_t request() const { return request_; }
    bool handshakeDone() const { return handshakeDone_; }
    Peer& command() { return command_; }
    Peer& image() { return image_; }

    // A message of the command connection: header words and payload.
    struct Message {
        int32_t type = -1;
        int32_t length = -1;
        std::vector<uint8_t> payload;
        int32_t word(int i) const {
            int32_t w = 0;
            if (payload.size() >= static_cast<std::size_t>(4 * i + 4)) std::memcpy(&w, payload.data() + 4 * i, 4);
            return w;
        }
    };
    Message readCommand(int milliseconds = 3000) {
        Message m;
        int32_t header[2];
        if (!command_.receive(header, 8, milliseconds)) return m;
        m.type = header[0];
        m.length = header[1];
        if (m.length > 0 && m.length < (64 << 20)) {
            m.payload.resize(static_cast<std::size_t>(m.length));
            if (!command_.receive(m.payload.data(), m.payload.size(), milliseconds)) m.type = -2;
        }
        return m;
    }

private:
    void play() {
        Peer handshake(master_.accept());
        if (!handshake.valid()) return;
        handshake.greet(script_.reversed, script_.magic);
        uint32_t request = 0;
        if (!handshake.receiveWord(request)) return;
        request_ = script_.reversed ? swapped(request) : request;
        auto order = [this](uint32_t v) { return script_.reversed ? swapped(v) : v; };
        if (script_.acceptance == 0) {
            handshake.sendWords({order(0)});
            handshakeDone_ = true;
            return;
        }
        const uint32_t commandPort = script_.zeroCommandPort ? 0u : static_cast<uint32_t>(commandListener_.port());
        handshake.sendWords({order(script_.acceptance), order(commandPort), order(imageListener_.port())});
        handshakeDone_ = true;
        if (script_.zeroCommandPort) return;
        command_ = Peer(commandListener_.accept());
        if (command_.valid()) command_.greet(script_.reversed);
        if (!script_.acceptImage) return;
        image_ = Peer(imageListener_.accept());
        if (image_.valid()) image_.greet(script_.reversed);
    }

    MasterScript script_;
    Listener master_, commandListener_, imageListener_;
    Peer command_, image_;
    uint32_t request_ = 0;
    bool handshakeDone_ = false;
    std::thread thread_;
};

// The words of a view-image message header and its fixed payload.
inline std::vector<uint32_t> viewImageHeader(int frame, int view, int width, int height, int level = 0,
                                             int passes = 0) {
    return {12u, 24u, static_cast<uint32_t>(frame), static_cast<uint32_t>(view), static_cast<uint32_t>(width),
            static_cast<uint32_t>(height), static_cast<uint32_t>(level), static_cast<uint32_t>(passes)};
}

// Uncompressed image data: flag 0, colour bytes, per-pixel values (the
// fourth component of each pixel).
inline std::vector<uint32_t> rawImageData(const std::vector<float>& rgba) {
    std::vector<uint32_t> words;
    const std::size_t pixels = rgba.size() / 4;
    words.push_back(0u);
    words.push_back(static_cast<uint32_t>(pixels * 16));
    for (float f : rgba) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        words.push_back(u);
    }
    words.push_back(static_cast<uint32_t>(pixels * 4));
    for (std::size_t i = 0; i < pixels; ++i) {
        uint32_t u;
        std::memcpy(&u, &rgba[4 * i + 3], 4);
        words.push_back(u);
    }
    return words;
}

}  // namespace cluster_test
