// Byte sink and source over memory.
//
// MemorySink lets a serialiser write a record into memory first, to measure
// and frame it before it goes out; MemorySource reads such a buffer back.
// Neither is thread-safe: like the streams on top of them, each belongs to
// one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "util/byte_stream.h"

namespace hox {
namespace util {

// Appends everything written to a growable byte vector.
class MemorySink : public IByteSink {
public:
    // Takes all count bytes, or none (returns 0) for a null pointer, a
    // negative count or when memory runs out.
    int write(const void* data, int count) override;

    const uint8_t* data() const { return m_bytes.data(); }
    size_t size() const { return m_bytes.size(); }
    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    // Forgets the contents but keeps the memory for the next record.
    void clear() { m_bytes.clear(); }

private:
    std::vector<uint8_t> m_bytes;
};

// Delivers the bytes of a caller-owned block, which must outlive the source,
// and then reports end of data.
class MemorySource : public IByteSource {
public:
    MemorySource(const void* data, size_t size);

    int read(void* data, int maxCount) override;

    size_t position() const { return m_position; }
    size_t remaining() const { return m_size - m_position; }
    void rewind() { m_position = 0; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position;
};

}  // namespace util
}  // namespace hox
