#include "platform/vu_connection_base.h"

#include <cstdlib>
#include <cstring>

namespace vu_connection {

namespace {

template <typename T>
void writeNative(vuConnection& connection, T value) {
    connection.write(&value, static_cast<int>(sizeof(T)));
}

template <typename T>
T readNative(vuConnection& connection) {
    T value;
    connection.read(&value, static_cast<int>(sizeof(T)));
    return value;
}

}  // namespace

vuConnection::~vuConnection() {}

void vuConnection::write(const void* data, int count) {
    if (!data) return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (int i = 0; i < count; ++i) writeByte(bytes[i]);
}

void vuConnection::read(void* data, int count) {
    if (!data) return;
    auto* bytes = static_cast<uint8_t*>(data);
    for (int i = 0; i < count; ++i) bytes[i] = readByte();
}

void vuConnection::writeUInt16(uint16_t value) { writeNative(*this, value); }
uint16_t vuConnection::readUInt16() { return readNative<uint16_t>(*this); }
void vuConnection::writeUInt32(uint32_t value) { writeNative(*this, value); }
uint32_t vuConnection::readUInt32() { return readNative<uint32_t>(*this); }
void vuConnection::writeUInt64(uint64_t value) { writeNative(*this, value); }
uint64_t vuConnection::readUInt64() { return readNative<uint64_t>(*this); }
void vuConnection::writeFloat(float value) { writeNative(*this, value); }
float vuConnection::readFloat() { return readNative<float>(*this); }
void vuConnection::writeDouble(double value) { writeNative(*this, value); }
double vuConnection::readDouble() { return readNative<double>(*this); }

// The array forms go through the single-value operations on purpose: a
// derived class that changes how one value travels (byte order) changes the
// arrays with it.
#define VU_CONNECTION_ARRAY_FORMS(Type, Name)                          \
    void vuConnection::write##Name##Array(const Type* values, int count) { \
        if (!values) return;                                           \
        for (int i = 0; i < count; ++i) write##Name(values[i]);        \
    }                                                                  \
    void vuConnection::read##Name##Array(Type* values, int count) {    \
        if (!values) return;                                           \
        for (int i = 0; i < count; ++i) values[i] = read##Name();      \
    }

VU_CONNECTION_ARRAY_FORMS(uint16_t, UInt16)
VU_CONNECTION_ARRAY_FORMS(uint32_t, UInt32)
VU_CONNECTION_ARRAY_FORMS(uint64_t, UInt64)
VU_CONNECTION_ARRAY_FORMS(float, Float)
VU_CONNECTION_ARRAY_FORMS(double, Double)

#undef VU_CONNECTION_ARRAY_FORMS

void vuConnection::writeCString(const char* text) {
    if (!text) text = "";
    const std::size_t length = std::strlen(text);
    writeUInt32(static_cast<uint32_t>(length));
    // write() takes an int count: long texts go in int-sized pieces.
    std::size_t done = 0;
    while (done < length) {
        const std::size_t piece = length - done < 0x40000000u ? length - done : 0x40000000u;
        write(text + done, static_cast<int>(piece));
        done += piece;
    }
}

void vuConnection::writeString(const std::string& text) {
    writeUInt32(static_cast<uint32_t>(text.size()));
    std::size_t done = 0;
    while (done < text.size()) {
        const std::size_t rest = text.size() - done;
        const std::size_t piece = rest < 0x40000000u ? rest : 0x40000000u;
        write(text.data() + done, static_cast<int>(piece));
        done += piece;
    }
}

bool vuConnection::readStringLength(uint32_t& length) {
    length = readUInt32();
    if (length <= kMaxConnectionStringLength) return true;
    abandonReads();
    length = 0;
    return false;
}

void vuConnection::discard(uint32_t count) {
    char piece[kStringPieceSize];
    while (count > 0) {
        const int n = count < static_cast<uint32_t>(kStringPieceSize) ? static_cast<int>(count)
                                                                     : kStringPieceSize;
        read(piece, n);
        count -= static_cast<uint32_t>(n);
    }
}

void vuConnection::readString(std::string& text) {
    text.clear();
    uint32_t length;
    if (!readStringLength(length)) return;
    text.reserve(length);
    char piece[kStringPieceSize];
    while (length > 0) {
        const int n = length < static_cast<uint32_t>(kStringPieceSize) ? static_cast<int>(length)
                                                                      : kStringPieceSize;
        read(piece, n);
        text.append(piece, static_cast<std::size_t>(n));
        length -= static_cast<uint32_t>(n);
    }
}

void vuConnection::readCString(char* buffer, int size) {
    uint32_t length;
    const bool valid = readStringLength(length);
    if (!buffer || size < 1) {
        discard(length);
        return;
    }
    if (!valid) {
        buffer[0] = '\0';
        return;
    }
    if (length < static_cast<uint32_t>(size)) {
        read(buffer, static_cast<int>(length));
        buffer[length] = '\0';
        return;
    }
    read(buffer, size - 1);
    buffer[size - 1] = '\0';
    discard(length - static_cast<uint32_t>(size - 1));
}

char* vuConnection::readCStringAlloc() {
    uint32_t length;
    if (!readStringLength(length)) return nullptr;
    auto* text = static_cast<char*>(std::malloc(static_cast<std::size_t>(length) + 1));
    if (!text) {
        discard(length);
        return nullptr;
    }
    read(text, static_cast<int>(length));
    text[length] = '\0';
    return text;
}

std::string vuConnection::readString() {
    std::string text;
    readString(text);
    return text;
}

bool vuConnection::isConnected() { return true; }

void vuConnection::abandonReads() {}

}  // namespace vu_connection
