// HostSession: one connected host — its command connection, read by a
// thread of its own, and its image connection, written by the master's
// loop.
//
// The reader thread takes whole messages off the command connection
// (blocking reads, so a frame of many megabytes costs no polling), checks
// each header before it believes the length, and queues them. The first
// bad header, or the end of the connection, ends the reading; the loop
// learns of it from poll() after the messages before it.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "command_message.h"
#include "platform/vu_socket_connection.h"

namespace hox_cluster {

class HostSession {
public:
    enum class Poll {
        Message,    // `out` holds the next message
        Empty,      // nothing yet
        Ended,      // the host closed the command connection
        Malformed,  // a header failed its checks (see failure())
    };

    HostSession(std::unique_ptr<vu_connection::vuSocketConnection> command,
                std::unique_ptr<vu_connection::vuSocketConnection> image);
    // Stops the reader and closes both connections.
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    void start();
    Poll poll(CommandMessage& out);
    // Why reading stopped, for the log.
    std::string failure();

    vu_connection::vuSocketConnection& image() { return *image_; }
    // The image connection still takes data.
    bool imageUsable() { return image_->isConnected(); }
    // Bytes the reader took off the command connection so far.
    uint64_t commandBytes() const { return commandBytes_.load(std::memory_order_relaxed); }

private:
    void readLoop();
    // Reads exactly `count` bytes; false at the end of the connection.
    bool readExactly(uint8_t* data, int count);
    void finish(Poll state, const std::string& why);

    std::unique_ptr<vu_connection::vuSocketConnection> command_;
    std::unique_ptr<vu_connection::vuSocketConnection> image_;
    std::thread reader_;
    std::mutex mutex_;
    std::deque<CommandMessage> queue_;
    Poll endState_ = Poll::Empty;  // Ended or Malformed once reading stopped
    std::string failure_;
    std::atomic<uint64_t> commandBytes_{0};
};

}  // namespace hox_cluster
