#include "platform/vu_buffered_connection.h"

#include <cstring>

#include "platform/aligned_memory.h"

namespace vu_connection {

vuBufferedConnection::vuBufferedConnection(int bufferSize)
    : bufferSize_(bufferSize > 0 ? bufferSize : 1),
      writeBuffer_(static_cast<uint8_t*>(hox::platform::alignedAlloc(static_cast<std::size_t>(bufferSize_)))),
      readBuffer_(static_cast<uint8_t*>(hox::platform::alignedAlloc(static_cast<std::size_t>(bufferSize_)))),
      pending_(0),
      readPosition_(0),
      readFill_(0) {}

vuBufferedConnection::~vuBufferedConnection() {
    hox::platform::alignedFree(writeBuffer_);
    hox::platform::alignedFree(readBuffer_);
}

void vuBufferedConnection::writeByte(uint8_t value) { write(&value, 1); }

uint8_t vuBufferedConnection::readByte() {
    uint8_t value;
    read(&value, 1);
    return value;
}

void vuBufferedConnection::write(const void* data, int count) {
    if (!data || count <= 0 || !isValid()) return;
    const auto* source = static_cast<const uint8_t*>(data);
    if (pending_ + count >= bufferSize_) {
        do {
            const int take = bufferSize_ - pending_;
            std::memcpy(writeBuffer_ + pending_, source, static_cast<std::size_t>(take));
            sendRaw(writeBuffer_, bufferSize_);
            pending_ = 0;
            source += take;
            count -= take;
        } while (count >= bufferSize_);
    }
    std::memcpy(writeBuffer_ + pending_, source, static_cast<std::size_t>(count));
    pending_ += count;
}

void vuBufferedConnection::read(void* data, int count) {
    if (!data || count <= 0) return;
    auto* target = static_cast<uint8_t*>(data);
    if (readFill_ == -1 || !isValid()) {
        std::memset(target, 0, static_cast<std::size_t>(count));
        return;
    }
    while (readFill_ - readPosition_ < count) {
        const int available = readFill_ - readPosition_;
        std::memcpy(target, readBuffer_ + readPosition_, static_cast<std::size_t>(available));
        target += available;
        count -= available;
        readPosition_ = 0;
        int received = bufferSize_;
        receiveRaw(readBuffer_, received);
        if (received <= 0) {
            readFill_ = -1;
            std::memset(target, 0, static_cast<std::size_t>(count));
            return;
        }
        readFill_ = received < bufferSize_ ? received : bufferSize_;
    }
    std::memcpy(target, readBuffer_ + readPosition_, static_cast<std::size_t>(count));
    readPosition_ += count;
}

void vuBufferedConnection::flush() {
    if (pending_ > 0 && isValid()) sendRaw(writeBuffer_, pending_);
    pending_ = 0;
}

void vuBufferedConnection::abandonReads() {
    readPosition_ = 0;
    readFill_ = -1;
}

void vuBufferedConnection::resetBuffers() {
    pending_ = 0;
    readPosition_ = 0;
    readFill_ = 0;
}

}  // namespace vu_connection
