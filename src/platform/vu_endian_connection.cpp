#include "platform/vu_endian_connection.h"

#include <cstring>

namespace vu_connection {

namespace {

uint16_t reversed(uint16_t v) { return __builtin_bswap16(v); }
uint32_t reversed(uint32_t v) { return __builtin_bswap32(v); }
uint64_t reversed(uint64_t v) { return __builtin_bswap64(v); }

// Floating-point values travel as their bit patterns, swapped like integers
// of the same width.
template <typename Bits, typename Value>
Bits bitsOf(Value value) {
    static_assert(sizeof(Bits) == sizeof(Value), "same width");
    Bits bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

template <typename Value, typename Bits>
Value valueOf(Bits bits) {
    Value value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

void vuEndianConnection::writeUInt16(uint16_t value) {
    if (swap_) value = reversed(value);
    write(&value, 2);
}

uint16_t vuEndianConnection::readUInt16() {
    uint16_t value;
    read(&value, 2);
    return swap_ ? reversed(value) : value;
}

void vuEndianConnection::writeUInt32(uint32_t value) {
    if (swap_) value = reversed(value);
    write(&value, 4);
}

uint32_t vuEndianConnection::readUInt32() {
    uint32_t value;
    read(&value, 4);
    return swap_ ? reversed(value) : value;
}

void vuEndianConnection::writeUInt64(uint64_t value) {
    if (swap_) value = reversed(value);
    write(&value, 8);
}

uint64_t vuEndianConnection::readUInt64() {
    uint64_t value;
    read(&value, 8);
    return swap_ ? reversed(value) : value;
}

void vuEndianConnection::writeFloat(float value) { writeUInt32(bitsOf<uint32_t>(value)); }
float vuEndianConnection::readFloat() { return valueOf<float>(readUInt32()); }
void vuEndianConnection::writeDouble(double value) { writeUInt64(bitsOf<uint64_t>(value)); }
double vuEndianConnection::readDouble() { return valueOf<double>(readUInt64()); }

}  // namespace vu_connection
