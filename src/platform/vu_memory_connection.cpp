#include "platform/vu_memory_connection.h"

#include <cstring>

namespace vu_connection {

vuMemoryConnection::vuMemoryConnection(const void* data, std::size_t size, int bufferSize)
    : vuEndianConnection(bufferSize),
      data_(static_cast<const uint8_t*>(data)),
      size_(data ? size : 0),
      position_(0) {}

vuMemoryConnection::~vuMemoryConnection() {
    // Pending bytes go out as a socket connection's would.
    flush();
}

void vuMemoryConnection::sendRaw(const void* data, int count) {
    if (!data || count <= 0) return;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    sent_.insert(sent_.end(), bytes, bytes + count);
}

void vuMemoryConnection::receiveRaw(void* data, int& count) {
    if (!data || count <= 0) {
        count = 0;
        return;
    }
    const std::size_t left = size_ - position_;
    const std::size_t n = static_cast<std::size_t>(count) < left ? static_cast<std::size_t>(count) : left;
    if (n > 0) std::memcpy(data, data_ + position_, n);
    position_ += n;
    count = static_cast<int>(n);  // 0 once the block is used up: end of data
}

void vuMemoryConnection::receiveRaw(void* data, int& count, double) { receiveRaw(data, count); }

}  // namespace vu_connection
