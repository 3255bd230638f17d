// vuMemoryConnection: a connection whose peer is a block of memory.
//
// Reads deliver the bytes of a caller-owned block and then end of data, as a
// peer that closed in order; writes collect in a byte vector. It lets the
// protocol readers and writers run without sockets: in unit tests and in the
// fuzz targets, which feed them arbitrary bytes.
//
// Typed values follow the swap flag like those of a socket connection, so a
// test can play a peer of the other byte order with setSwap(true).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/vu_endian_connection.h"

namespace vu_connection {

class vuMemoryConnection : public vuEndianConnection {
public:
    // `data` (size bytes) must outlive the connection; null reads as empty.
    vuMemoryConnection(const void* data, std::size_t size, int bufferSize = 1024);
    ~vuMemoryConnection() override;

    void sendRaw(const void* data, int count) override;
    void receiveRaw(void* data, int& count) override;
    void receiveRaw(void* data, int& count, double seconds) override;

    // Everything sent so far (after flush()).
    const std::vector<uint8_t>& sent() const { return sent_; }
    // Bytes of the block not yet handed to the read buffer.
    std::size_t unread() const { return size_ - position_; }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t position_;
    std::vector<uint8_t> sent_;
};

}  // namespace vu_connection
