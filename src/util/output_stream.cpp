// OutputStream: buffering and the little-endian encoders.
#include <cstring>

#include "util/byte_stream.h"
#include "util/messages.h"

namespace hox {
namespace util {

void OutputStream::flush() {
    if (m_count <= 0) return;
    int taken = m_sink ? m_sink->write(m_buffer, m_count) : 0;
    if (taken != m_count) error("output stream : could not write data");
    // Refused bytes are dropped: retrying could block the caller forever on a
    // dead connection, and the owner learns of the loss from the message.
    m_count = 0;
}

void OutputStream::writeBytes(const void* data, int count) {
    if (!data || count <= 0) return;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    int part = kStreamBufferSize - m_count;
    if (part > count) part = count;
    std::memcpy(m_buffer + m_count, bytes, part);
    m_count += part;
    bytes += part;
    count -= part;
    while (count > 0) {
        flush();
        part = count < kStreamBufferSize ? count : kStreamBufferSize;
        std::memcpy(m_buffer, bytes, part);
        m_count = part;
        bytes += part;
        count -= part;
    }
}

void OutputStream::writeUInt32(uint32_t value) {
    reserve(4);
    uint8_t* p = m_buffer + m_count;
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
    m_count += 4;
}

void OutputStream::writeInt32(int32_t value) { writeUInt32(static_cast<uint32_t>(value)); }

void OutputStream::writeFloat(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    writeUInt32(bits);
}

void OutputStream::writeUInt8(uint8_t value) {
    reserve(1);
    m_buffer[m_count++] = value;
}

void OutputStream::writeBool(bool value) { writeUInt8(value ? 1 : 0); }

void OutputStream::writeString(const String& value) {
    writeInt32(value.length());
    writeBytes(value.c_str(), value.length());
}

void OutputStream::writeVec2f(const Vec2f& v) {
    writeFloat(v.x);
    writeFloat(v.y);
}

void OutputStream::writeVec3f(const Vec3f& v) {
    writeFloat(v.x);
    writeFloat(v.y);
    writeFloat(v.z);
}

void OutputStream::writeVec4f(const Vec4f& v) {
    writeFloat(v.x);
    writeFloat(v.y);
    writeFloat(v.z);
    writeFloat(v.w);
}

void OutputStream::writeVec2i(const Vec2i& v) {
    writeInt32(v.x);
    writeInt32(v.y);
}

void OutputStream::writeVec3i(const Vec3i& v) {
    writeInt32(v.x);
    writeInt32(v.y);
    writeInt32(v.z);
}

void OutputStream::writeVec4i(const Vec4i& v) {
    writeInt32(v.x);
    writeInt32(v.y);
    writeInt32(v.z);
    writeInt32(v.w);
}

void OutputStream::writeVec2b(const Vec2b& v) {
    writeBool(v.x);
    writeBool(v.y);
}

void OutputStream::writeVec3b(const Vec3b& v) {
    writeBool(v.x);
    writeBool(v.y);
    writeBool(v.z);
}

void OutputStream::writeVec4b(const Vec4b& v) {
    writeBool(v.x);
    writeBool(v.y);
    writeBool(v.z);
    writeBool(v.w);
}

void OutputStream::writeMat2f(const Mat2f& m) {
    for (float f : m.m) writeFloat(f);
}

void OutputStream::writeMat3f(const Mat3f& m) {
    for (float f : m.m) writeFloat(f);
}

void OutputStream::writeMat4f(const Mat4f& m) {
    for (float f : m.m) writeFloat(f);
}

void OutputStream::writeBox(const Vec3f& min, const Vec3f& max) {
    writeVec3f(min);
    writeVec3f(max);
}

}  // namespace util
}  // namespace hox
