// MemorySink and MemorySource.
#include "util/memory_stream.h"

#include <cstring>
#include <new>
#include <stdexcept>

namespace hox {
namespace util {

int MemorySink::write(const void* data, int count) {
    if (!data || count <= 0) return 0;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    // Running out of memory becomes a short write, which the stream reports,
    // instead of an exception escaping into the serialiser.
    try {
        m_bytes.insert(m_bytes.end(), bytes, bytes + count);
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (const std::length_error&) {
        return 0;
    }
    return count;
}

MemorySource::MemorySource(const void* data, size_t size)
    : m_data(static_cast<const uint8_t*>(data)), m_size(data ? size : 0), m_position(0) {}

int MemorySource::read(void* data, int maxCount) {
    if (!data || maxCount <= 0) return 0;
    size_t count = remaining();
    if (count > static_cast<size_t>(maxCount)) count = static_cast<size_t>(maxCount);
    if (count == 0) return 0;
    std::memcpy(data, m_data + m_position, count);
    m_position += count;
    return static_cast<int>(count);
}

}  // namespace util
}  // namespace hox
