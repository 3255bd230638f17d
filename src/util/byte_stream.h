// Buffered little-endian byte streams.
//
// Every record, texture, shader table and frame that crosses a connection is
// written through an OutputStream and read back through an InputStream. The
// streams know nothing of sockets: each sits on a byte sink or source with a
// single block operation, so the same serialisers can write into memory (to
// measure a record before sending it) or straight to a connection.
//
// Wire format: no alignment, no filler, no type tags. Words are composed from
// shifted bytes, least significant first, so the encoding is the same on any
// processor:
//   int32, uint32, float (IEEE 754 bit pattern)   4 bytes
//   uint8, bool (1 / 0; any non-zero byte reads as true)   1 byte
//   String    int32 length, then the bytes, no terminator
//   vectors   their elements in order; matrices their elements in memory order
//   box       minimum x y z, then maximum x y z
//   raw bytes as they are, without a length
#pragma once

#include <cstdint>

#include "hox/string.h"
#include "hox/types.h"

namespace hox {
namespace util {

// Where an OutputStream's bytes go. write() returns how many bytes it took.
class IByteSink {
public:
    virtual ~IByteSink() {}
    virtual int write(const void* data, int count) = 0;
};

// Where an InputStream's bytes come from. read() delivers up to maxCount
// bytes and returns how many; 0 or a negative value means end of data or an
// error, after which the stream does not ask again.
class IByteSource {
public:
    virtual ~IByteSource() {}
    virtual int read(void* data, int maxCount) = 0;
};

constexpr int kStreamBufferSize = 1024;

// Longest String a reader accepts. A corrupt or hostile length must not make
// the reader allocate gigabytes before it discovers that the data are not
// there; no record of this system comes near this size.
constexpr int kMaxStreamStringLength = 64 * 1024 * 1024;

// Collects small writes into a 1 KiB buffer and hands it to the sink when it
// is full or on flush(), so a record of many small fields costs one sink call
// per KiB. The destructor does NOT flush: the owner flushes explicitly once
// the data are needed (and decides what to do with a half-written record).
//
// A sink that takes fewer (or more) bytes than offered is reported once per
// flush as "output stream : could not write data"; those bytes are lost and
// the stream goes on. A null sink behaves like a sink that takes nothing.
class OutputStream {
public:
    explicit OutputStream(IByteSink* sink) : m_sink(sink), m_count(0) {}
    ~OutputStream() {}
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    void flush();
    // Bytes waiting in the buffer.
    int bufferedCount() const { return m_count; }

    // Does nothing for a null pointer or a count <= 0.
    void writeBytes(const void* data, int count);
    void writeInt32(int32_t value);
    void writeUInt32(uint32_t value);
    void writeFloat(float value);
    void writeUInt8(uint8_t value);
    void writeBool(bool value);
    void writeString(const String& value);

    void writeVec2f(const Vec2f& v);
    void writeVec3f(const Vec3f& v);
    void writeVec4f(const Vec4f& v);
    void writeVec2i(const Vec2i& v);
    void writeVec3i(const Vec3i& v);
    void writeVec4i(const Vec4i& v);
    void writeVec2b(const Vec2b& v);
    void writeVec3b(const Vec3b& v);
    void writeVec4b(const Vec4b& v);
    void writeMat2f(const Mat2f& m);
    void writeMat3f(const Mat3f& m);
    void writeMat4f(const Mat4f& m);
    void writeBox(const Vec3f& min, const Vec3f& max);

private:
    // Makes room for a primitive of n bytes (n <= kStreamBufferSize).
    void reserve(int n) {
        if (m_count + n > kStreamBufferSize && m_count >= 1) flush();
    }

    IByteSink* m_sink;
    int m_count;
    uint8_t m_buffer[kStreamBufferSize];
};

// Reads primitives out of a 1 KiB buffer that it refills from the source as
// needed, waiting for the source to deliver.
//
// End of data: when the source returns 0 or a negative count before enough
// bytes have arrived, the stream enters the failed state. The bytes of the
// primitive in progress are discarded, and that read and every read after it
// yield zeros (zero-filled bytes, 0, 0.0f, false, empty String) without
// calling the source again. A String length below 0 or above
// kMaxStreamStringLength also fails the stream. Callers read a whole record
// and then check failed() once.
class InputStream {
public:
    explicit InputStream(IByteSource* source)
        : m_source(source), m_position(0), m_fill(0), m_failed(false) {}
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;

    // Makes at least n unread bytes available (0 <= n <= kStreamBufferSize).
    // Returns false, and fails the stream, if the source ends first or n is
    // out of range.
    bool require(int n);
    bool failed() const { return m_failed; }
    // For readers that find the data inconsistent (a count that cannot be
    // right): the stream then behaves as at end of data.
    void fail();

    // Fills data with count bytes; what the source could not deliver is
    // zero-filled. Does nothing for a null pointer or a count <= 0.
    void readBytes(void* data, int count);
    int32_t readInt32();
    uint32_t readUInt32();
    float readFloat();
    uint8_t readUInt8();
    bool readBool();
    // Replaces out's text with the string read (empty on failure).
    void readString(String& out);
    String readString();

    Vec2f readVec2f();
    Vec3f readVec3f();
    Vec4f readVec4f();
    Vec2i readVec2i();
    Vec3i readVec3i();
    Vec4i readVec4i();
    Vec2b readVec2b();
    Vec3b readVec3b();
    Vec4b readVec4b();
    Mat2f readMat2f();
    Mat3f readMat3f();
    Mat4f readMat4f();
    void readBox(Vec3f& min, Vec3f& max);

private:
    IByteSource* m_source;
    int m_position;
    int m_fill;
    uint8_t m_buffer[kStreamBufferSize];
    bool m_failed;
};

}  // namespace util
}  // namespace hox
