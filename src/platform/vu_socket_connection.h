// vuSocketConnection: a TCP connection with the byte-order greeting.
//
// connect() resolves the host (IPv6 first, then IPv4), connects, turns on
// TCP_NODELAY and non-blocking mode, and reads the peer's greeting: the
// uint32 kGreetingMagic (accepted in either byte order), then the uint32 42
// in the peer's byte order. A 42 that arrives byte-reversed turns swap on,
// so that every later typed value is exchanged in the peer's order.
//
// Status (status()):
//   0  usable
//   1  a send or receive failed after the connection was made
//   3  name resolution, socket, connect or option failure, or no connection
//   5  connection refused (no listener on the port)
//   6  wrong (or missing) greeting
// isConnected() is true exactly while a socket is open and the status is 0.
// Once the status is non-zero, sends are dropped and reads deliver zeros.
// A peer that closes in order leaves the status at 0: reads then deliver
// zeros and endOfData() turns true. Nothing throws, nothing is printed.
//
// Time limits. The sends and the untimed receive wait without limit, as the
// protocol's messages are unbounded in time (a frame may take minutes). The
// connect and the greeting are bounded by connectTimeout() (default
// kDefaultConnectTimeoutSeconds): an unreachable host or a listener that
// never greets ends with status 3 or 6 instead of blocking its thread.
//
// Broken pipes never raise SIGPIPE (sends use MSG_NOSIGNAL).
//
// Threads: one thread uses a connection at a time, except for status(),
// isConnected() and interrupt(), which any thread may call.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/vu_endian_connection.h"

namespace vu_connection {

// The first word of every greeting.
constexpr uint32_t kGreetingMagic = 0x5F0A347Cu;
// The second word, which shows the peer's byte order.
constexpr uint32_t kGreetingOrderMark = 42u;

constexpr int kStatusOk = 0;
constexpr int kStatusIoFailed = 1;
constexpr int kStatusConnectFailed = 3;
constexpr int kStatusRefused = 5;
constexpr int kStatusWrongGreeting = 6;

constexpr double kDefaultConnectTimeoutSeconds = 10.0;

struct SocketAddressBlock;
class vuSocketListener;

class vuSocketConnection : public vuEndianConnection {
public:
    explicit vuSocketConnection(int bufferSize);
    // Sends what is pending, closes the socket and frees the buffers.
    ~vuSocketConnection() override;

    // Returns the status. A status of 3 to 7 from an earlier attempt is
    // cleared first; a connection that failed in use (status 1) stays
    // failed. Connecting again closes any open socket first. A port outside
    // 0..65535 or a null host gives 3.
    int connect(const char* host, int port);

    bool isConnected() override;
    void sendRaw(const void* data, int count) override;
    void receiveRaw(void* data, int& count) override;
    void receiveRaw(void* data, int& count, double seconds) override;

    // Sends what is pending and closes the socket; the status is kept.
    void close();

    // Makes every wait of the owning thread on this connection end now and
    // for good: the socket is shut down (sends fail, reads end), a later
    // connect() fails, and one still waiting for the TCP handshake ends at
    // its time limit at the latest. For a thread that must stop while its
    // connection waits for a peer that stays silent.
    void interrupt();

    int status() const { return status_.load(std::memory_order_acquire); }
    double connectTimeout() const { return connectTimeout_; }
    void setConnectTimeout(double seconds) { connectTimeout_ = seconds; }

    // The address of the last connect attempt (a sockaddr_in or
    // sockaddr_in6), or null when there was none.
    const void* peerAddress() const;

private:
    friend class vuSocketListener;

    // Outcome of one low-level receive.
    static constexpr int kReceiveEnded = 0;
    static constexpr int kReceiveFailed = -1;
    static constexpr int kReceiveTimedOut = -2;
    int receiveSome(void* data, int count, uint64_t deadlineMicroseconds);

    // Tries the first address of one family; leaves the status set.
    void connectFamily(const char* host, int port, int family);
    // Connects the socket to the stored address within the time limit.
    int connectStored(uint64_t deadline);
    void readGreeting(uint64_t deadline);
    // Takes an accepted socket, as the listening side.
    bool adoptAccepted(int socket);
    // Publishes a new socket; false (and the socket closed) after interrupt().
    bool installSocket(int socket);
    void setStatus(int status) { status_.store(status, std::memory_order_release); }

    // Written by the owning thread only (under socketLock_); atomic because
    // isConnected() and interrupt() read it from other threads.
    std::atomic<int> socket_;
    std::atomic<int> status_;
    SocketAddressBlock* address_;
    double connectTimeout_;
    // Orders interrupt() against the owner installing or closing the socket,
    // so that a descriptor number is never shut down after it was reused.
    std::mutex socketLock_;
    bool interrupted_;
};

}  // namespace vu_connection
