// GrowableArray: the library's growable array of plain elements.
//
// Shape shared by records, frame slots and the selection service: count,
// capacity, growth step, element pointer. Blocks come from the aligned
// allocator (16-byte aligned up to 1 KiB, 128-byte above), so arrays of
// vectors can be loaded with aligned SSE instructions. Elements must be
// trivially copyable: arrays are copied and moved with memcpy, which is what
// the deep copy of a record version needs to be fast.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "platform/aligned_memory.h"

namespace hox {
namespace util {

template <typename T>
class GrowableArray {
    static_assert(std::is_trivially_copyable<T>::value,
                  "GrowableArray holds plain elements only");

public:
    static constexpr int kDefaultGrowthStep = 16;

    explicit GrowableArray(int growthStep = kDefaultGrowthStep)
        : m_count(0), m_capacity(0), m_growthStep(growthStep > 0 ? growthStep : 1),
          m_data(nullptr) {}
    GrowableArray(const GrowableArray& other)
        : m_count(0), m_capacity(0), m_growthStep(other.m_growthStep), m_data(nullptr) {
        assign(other.m_data, other.m_count);
    }
    GrowableArray& operator=(const GrowableArray& other) {
        if (this != &other) assign(other.m_data, other.m_count);
        return *this;
    }
    ~GrowableArray() { platform::alignedFree(m_data); }

    int count() const { return m_count; }
    int capacity() const { return m_capacity; }
    int growthStep() const { return m_growthStep; }
    bool empty() const { return m_count == 0; }
    T* data() { return m_data; }
    const T* data() const { return m_data; }
    T& operator[](int i) { return m_data[i]; }
    const T& operator[](int i) const { return m_data[i]; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_count; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_count; }

    // Makes room for at least `n` elements; false when memory is short (the
    // array is then unchanged).
    bool reserve(int n) {
        if (n <= m_capacity) return true;
        if (n < 0 || static_cast<std::size_t>(n) > kMaxBytes / sizeof(T)) return false;
        T* block = static_cast<T*>(platform::alignedReallocate(m_data, sizeof(T) * static_cast<std::size_t>(m_count),
                                                                 sizeof(T) * static_cast<std::size_t>(n)));
        if (!block) return false;
        m_data = block;
        m_capacity = n;
        return true;
    }

    // Appends; grows by the growth step when full. False (and nothing
    // appended) when memory is short.
    bool push(const T& value) {
        if (m_count == m_capacity && !reserve(m_capacity + m_growthStep)) return false;
        m_data[m_count++] = value;
        return true;
    }

    // Sets the count to n, growing to exactly n when needed; the contents of
    // new elements are undefined. n <= 0 frees the block.
    bool resize(int n) {
        if (n <= 0) {
            release();
            return true;
        }
        if (!reserve(n)) return false;
        m_count = n;
        return true;
    }

    // Count 0, capacity kept.
    void clear() { m_count = 0; }

    // Frees the block: count and capacity 0.
    void release() {
        platform::alignedFree(m_data);
        m_data = nullptr;
        m_count = 0;
        m_capacity = 0;
    }

    // Replaces the contents by `n` elements copied from `values`.
    bool assign(const T* values, int n) {
        if (n <= 0 || !values) {
            release();
            return true;
        }
        if (n > m_capacity) {
            release();
            if (!reserve(n)) return false;
        }
        std::memcpy(m_data, values, sizeof(T) * static_cast<std::size_t>(n));
        m_count = n;
        return true;
    }

    // Removes the element at i; later elements move down one place.
    void removeAt(int i) {
        if (i < 0 || i >= m_count) return;
        std::memmove(m_data + i, m_data + i + 1, sizeof(T) * static_cast<std::size_t>(m_count - i - 1));
        --m_count;
    }

    // Shrinks the block to max(count, minimum) elements.
    void shrinkToFit(int minimum = kDefaultGrowthStep) {
        int target = m_count > minimum ? m_count : minimum;
        if (target >= m_capacity) return;
        T* block = static_cast<T*>(platform::alignedReallocate(m_data, sizeof(T) * static_cast<std::size_t>(m_count),
                                                                 sizeof(T) * static_cast<std::size_t>(target)));
        if (!block) return;
        m_data = block;
        m_capacity = target;
    }

private:
    // No single array may exceed 2 GiB: counts are 32-bit throughout.
    static constexpr std::size_t kMaxBytes = std::size_t(1) << 31;

    int m_count;
    int m_capacity;
    int m_growthStep;
    T* m_data;
};

}  // namespace util
}  // namespace hox
