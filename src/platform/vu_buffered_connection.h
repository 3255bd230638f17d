// vuBufferedConnection: block buffering in both directions.
//
// Writes collect in a write buffer that goes out through sendRaw() whenever
// it fills; the owner sends the rest with flush() when a message is
// complete. Reads are served from a read buffer that receiveRaw() refills,
// so a typed read of a few bytes does not cost a system call.
//
// Write rule: a write that brings the buffer to its size sends the full
// buffer at once, so after any write the buffer holds fewer than
// bufferSize() bytes (a write of exactly bufferSize() bytes into an empty
// buffer is sent straight away and leaves pending() at 0).
//
// End of data: when receiveRaw() delivers nothing (the peer closed in
// order) or fails, the read buffer is marked ended (endOfData()) and this
// read and every later one deliver zeros. Malformed input that a typed read
// detects (a string length over the limit) ends the reads the same way.
//
// If the buffers cannot be allocated (isValid() false) writes are dropped
// and reads deliver zeros.
#pragma once

#include "platform/vu_connection_base.h"

namespace vu_connection {

class vuBufferedConnection : public vuConnection {
public:
    // A size below 1 is taken as 1.
    explicit vuBufferedConnection(int bufferSize);
    ~vuBufferedConnection() override;

    void writeByte(uint8_t value) override;
    uint8_t readByte() override;
    void write(const void* data, int count) override;
    void read(void* data, int count) override;

    // Sends the bytes waiting in the write buffer.
    void flush();

    bool isValid() const { return writeBuffer_ != nullptr && readBuffer_ != nullptr; }
    int bufferSize() const { return bufferSize_; }
    // Bytes waiting in the write buffer.
    int pending() const { return pending_; }
    // Bytes received but not read yet.
    int buffered() const { return readFill_ > 0 ? readFill_ - readPosition_ : 0; }
    bool endOfData() const { return readFill_ == -1; }

protected:
    void abandonReads() override;
    // Forgets both buffers' contents, for a connection that starts over.
    void resetBuffers();

private:
    int bufferSize_;
    uint8_t* writeBuffer_;
    uint8_t* readBuffer_;
    int pending_;
    int readPosition_;
    int readFill_;  // -1 once the data have ended
};

}  // namespace vu_connection
