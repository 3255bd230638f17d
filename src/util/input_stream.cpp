// InputStream: refilling and the little-endian decoders.
#include <cstring>

#include "util/byte_stream.h"

namespace hox {
namespace util {

void InputStream::fail() {
    // Whatever is still buffered belongs to a record that cannot be completed;
    // dropping it means no later read can pick up stale bytes.
    m_failed = true;
    m_position = 0;
    m_fill = 0;
}

bool InputStream::require(int n) {
    if (m_failed) return false;
    if (n < 0 || n > kStreamBufferSize) {
        fail();
        return false;
    }
    if (m_fill - m_position >= n) return true;
    if (m_position > 0) {
        m_fill -= m_position;
        std::memmove(m_buffer, m_buffer + m_position, m_fill);
        m_position = 0;
    }
    while (m_fill < n) {
        int room = kStreamBufferSize - m_fill;
        int got = m_source ? m_source->read(m_buffer + m_fill, room) : 0;
        if (got <= 0) {
            fail();
            return false;
        }
        // A source claiming more than it was offered must not push fill past
        // the buffer.
        m_fill += got < room ? got : room;
    }
    return true;
}

void InputStream::readBytes(void* data, int count) {
    if (!data || count <= 0) return;
    uint8_t* out = static_cast<uint8_t*>(data);
    while (count > 0) {
        int part = count < kStreamBufferSize ? count : kStreamBufferSize;
        if (!require(part)) {
            std::memset(out, 0, count);
            return;
        }
        std::memcpy(out, m_buffer + m_position, part);
        m_position += part;
        out += part;
        count -= part;
    }
}

uint32_t InputStream::readUInt32() {
    if (!require(4)) return 0;
    const uint8_t* p = m_buffer + m_position;
    m_position += 4;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int32_t InputStream::readInt32() { return static_cast<int32_t>(readUInt32()); }

float InputStream::readFloat() {
    uint32_t bits = readUInt32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint8_t InputStream::readUInt8() {
    if (!require(1)) return 0;
    return m_buffer[m_position++];
}

bool InputStream::readBool() { return readUInt8() != 0; }

void InputStream::readString(String& out) {
    int32_t length = readInt32();
    if (!m_failed && (length < 0 || length > kMaxStreamStringLength)) fail();
    if (m_failed) {
        out.clear();
        return;
    }
    // The length is trusted only as far as the bytes arrive: the text grows
    // with what has been read, doubling from a small first block, so a lying
    // length at the end of a short hostile stream costs a few KiB instead of
    // a 64 MiB allocation, and an honest long text still costs few copies.
    out.clear();
    int32_t done = 0;
    while (done < length && !m_failed) {
        const int32_t block = done < kStreamBufferSize ? kStreamBufferSize : done;
        const int32_t part = length - done < block ? length - done : block;
        out.resize(done + part, ' ');
        if (out.length() != done + part) {
            // Out of memory: resize kept the old text, so there is nowhere to
            // put the bytes and the rest of the record cannot be read in step.
            fail();
            break;
        }
        readBytes(&out[done], part);
        done += part;
    }
    if (m_failed) out.clear();
}

String InputStream::readString() {
    String value;
    readString(value);
    return value;
}

Vec2f InputStream::readVec2f() {
    Vec2f v;
    v.x = readFloat();
    v.y = readFloat();
    return v;
}

Vec3f InputStream::readVec3f() {
    Vec3f v;
    v.x = readFloat();
    v.y = readFloat();
    v.z = readFloat();
    return v;
}

Vec4f InputStream::readVec4f() {
    Vec4f v;
    v.x = readFloat();
    v.y = readFloat();
    v.z = readFloat();
    v.w = readFloat();
    return v;
}

Vec2i InputStream::readVec2i() {
    Vec2i v;
    v.x = readInt32();
    v.y = readInt32();
    return v;
}

Vec3i InputStream::readVec3i() {
    Vec3i v;
    v.x = readInt32();
    v.y = readInt32();
    v.z = readInt32();
    return v;
}

Vec4i InputStream::readVec4i() {
    Vec4i v;
    v.x = readInt32();
    v.y = readInt32();
    v.z = readInt32();
    v.w = readInt32();
    return v;
}

Vec2b InputStream::readVec2b() {
    Vec2b v;
    v.x = readBool();
    v.y = readBool();
    return v;
}

Vec3b InputStream::readVec3b() {
    Vec3b v;
    v.x = readBool();
    v.y = readBool();
    v.z = readBool();
    return v;
}

Vec4b InputStream::readVec4b() {
    Vec4b v;
    v.x = readBool();
    v.y = readBool();
    v.z = readBool();
    v.w = readBool();
    return v;
}

Mat2f InputStream::readMat2f() {
    Mat2f m;
    for (float& f : m.m) f = readFloat();
    return m;
}

Mat3f InputStream::readMat3f() {
    Mat3f m;
    for (float& f : m.m) f = readFloat();
    return m;
}

Mat4f InputStream::readMat4f() {
    Mat4f m;
    for (float& f : m.m) f = readFloat();
    return m;
}

void InputStream::readBox(Vec3f& min, Vec3f& max) {
    min = readVec3f();
    max = readVec3f();
}

}  // namespace util
}  // namespace hox
