// vuEndianConnection: byte order of multi-byte values.
//
// When swap is set, every value of the typed operations (16-, 32- and
// 64-bit integers, floats, doubles, and so their array forms and string
// lengths) is byte-reversed on the way out and on the way in. Raw blocks
// (write / read) are never touched. The socket connection sets swap from the
// peer's greeting.
#pragma once

#include "platform/vu_buffered_connection.h"

namespace vu_connection {

class vuEndianConnection : public vuBufferedConnection {
public:
    explicit vuEndianConnection(int bufferSize) : vuBufferedConnection(bufferSize), swap_(false) {}

    void writeUInt16(uint16_t value) override;
    uint16_t readUInt16() override;
    void writeUInt32(uint32_t value) override;
    uint32_t readUInt32() override;
    void writeUInt64(uint64_t value) override;
    uint64_t readUInt64() override;
    void writeFloat(float value) override;
    float readFloat() override;
    void writeDouble(double value) override;
    double readDouble() override;

    bool swap() const { return swap_; }
    void setSwap(bool swap) { swap_ = swap; }

private:
    bool swap_;
};

}  // namespace vu_connection
