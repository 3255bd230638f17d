#include "host_session.h"

#include <algorithm>

namespace hox_cluster {

namespace {

// A payload arrives in pieces of at most this much, so memory grows with
// the bytes that actually come and not with what a header claims.
constexpr int kReadPiece = 4 << 20;

}  // namespace

HostSession::HostSession(std::unique_ptr<vu_connection::vuSocketConnection> command,
                         std::unique_ptr<vu_connection::vuSocketConnection> image)
    : command_(std::move(command)), image_(std::move(image)) {}

HostSession::~HostSession() {
    // interrupt() ends the reader's blocking wait for good.
    command_->interrupt();
    if (reader_.joinable()) reader_.join();
    command_->close();
    image_->close();
}

void HostSession::start() { reader_ = std::thread([this] { readLoop(); }); }

bool HostSession::readExactly(uint8_t* data, int count) {
    command_->read(data, count);
    if (command_->endOfData() || !command_->isConnected()) return false;
    commandBytes_.fetch_add(static_cast<uint64_t>(count), std::memory_order_relaxed);
    return true;
}

void HostSession::finish(Poll state, const std::string& why) {
    std::lock_guard<std::mutex> lock(mutex_);
    endState_ = state;
    failure_ = why;
}

void HostSession::readLoop() {
    for (;;) {
        int32_t header[2] = {0, 0};
        if (!readExactly(reinterpret_cast<uint8_t*>(header), 8)) {
            finish(Poll::Ended, "the host closed the command connection");
            return;
        }
        std::string why;
        if (!checkCommandHeader(header[0], header[1], why)) {
            finish(Poll::Malformed, why);
            return;
        }
        CommandMessage message;
        message.type = header[0];
        const int32_t length = header[1];
        int32_t have = 0;
        try {
            while (have < length) {
                const int32_t piece = std::min(length - have, kReadPiece);
                message.payload.resize(static_cast<std::size_t>(have + piece));
                if (!readExactly(message.payload.data() + have, piece)) {
                    finish(Poll::Ended, "the host closed the command connection inside a message");
                    return;
                }
                have += piece;
            }
        } catch (const std::bad_alloc&) {
            finish(Poll::Malformed, "no memory for a message of " + std::to_string(length) + " bytes");
            return;
        }
        if (!checkCommandBody(message, why)) {
            finish(Poll::Malformed, why);
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(message));
    }
}

HostSession::Poll HostSession::poll(CommandMessage& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!queue_.empty()) {
        out = std::move(queue_.front());
        queue_.pop_front();
        return Poll::Message;
    }
    return endState_;
}

std::string HostSession::failure() {
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

}  // namespace hox_cluster
