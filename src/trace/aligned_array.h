// AlignedArray: the growable array behind every structure the ray kernels
// walk (nodes, packets, instances, leaf records).
//
// Blocks are 16-byte aligned up to 1 KiB and 128-byte aligned above, so the
// kernels can load boxes and packets with aligned SSE instructions. Growth
// adds `growBy` elements (or jumps straight to the size asked for), which is
// what the builders want: they reserve once and then append.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "platform/aligned_memory.h"

namespace hox {
namespace trace {

template <typename T>
class AlignedArray {
    static_assert(std::is_trivially_copyable<T>::value, "AlignedArray holds plain elements only");

public:
    explicit AlignedArray(int growBy = 16) : count(0), capacity(0), growBy(growBy > 0 ? growBy : 1), data(nullptr) {}
    ~AlignedArray() { platform::alignedFree(data); }
    AlignedArray(const AlignedArray&) = delete;
    AlignedArray& operator=(const AlignedArray&) = delete;

    // Makes room for n elements: the new capacity is the larger of
    // capacity + growBy and n. False (array unchanged) when memory is short.
    bool reserve(int n) {
        if (n <= capacity) return true;
        if (n < 0 || static_cast<std::size_t>(n) > kMaxBytes / sizeof(T)) return false;
        int target = capacity + growBy > n ? capacity + growBy : n;
        if (static_cast<std::size_t>(target) > kMaxBytes / sizeof(T)) target = n;
        T* block = static_cast<T*>(platform::alignedReallocate(data, sizeof(T) * static_cast<std::size_t>(count),
                                                                 sizeof(T) * static_cast<std::size_t>(target)));
        if (!block) return false;
        data = block;
        capacity = target;
        return true;
    }

    // Sets the count (growing as needed); new elements are uninitialised.
    // n <= 0 frees the block.
    bool resize(int n) {
        if (n <= 0) {
            release();
            return true;
        }
        if (!reserve(n)) return false;
        count = n;
        return true;
    }

    bool push(const T& value) {
        if (count == capacity && !reserve(count + 1)) return false;
        data[count++] = value;
        return true;
    }

    // Exactly max(count, minimum) elements of capacity, growBy reset to 16.
    void shrinkToFit(int minimum = 16) {
        int target = count > minimum ? count : minimum;
        growBy = 16;
        if (target == capacity) return;
        T* block = static_cast<T*>(platform::alignedReallocate(data, sizeof(T) * static_cast<std::size_t>(count),
                                                                 sizeof(T) * static_cast<std::size_t>(target)));
        if (!block) return;
        data = block;
        capacity = target;
    }

    void release() {
        platform::alignedFree(data);
        data = nullptr;
        count = 0;
        capacity = 0;
    }

    T& operator[](int i) { return data[i]; }
    const T& operator[](int i) const { return data[i]; }

    int count;
    int capacity;
    int growBy;
    T* data;

private:
    static constexpr std::size_t kMaxBytes = std::size_t(1) << 31;
};

}  // namespace trace
}  // namespace hox
