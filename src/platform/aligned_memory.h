// Aligned heap blocks for every internal allocation.
//
// Blocks of up to 1,024 bytes are 16-byte aligned (enough for SSE loads);
// larger blocks are 128-byte aligned so that big arrays start on a cache-line
// pair and never share a line with a neighbour written by another thread.
// The rule lives in the platform layer because the allocator is an operating
// system call (_aligned_malloc on Windows, posix_memalign here).
#pragma once

#include <cstddef>

namespace hox {
namespace platform {

constexpr std::size_t kSmallBlockLimit = 1024;
constexpr std::size_t kSmallBlockAlignment = 16;
constexpr std::size_t kLargeBlockAlignment = 128;

// The alignment the general rule gives a block of `size` bytes.
constexpr std::size_t alignmentFor(std::size_t size) {
    return size <= kSmallBlockLimit ? kSmallBlockAlignment : kLargeBlockAlignment;
}

// Returns null when the block cannot be had (never throws). A size of 0
// yields a valid, unique block of minimal size.
void* alignedAlloc(std::size_t size);
void* alignedAlloc(std::size_t size, std::size_t alignment);
// Accepts null.
void alignedFree(void* block);
// Moves the first `keptBytes` of `block` into a new block of `size` bytes
// (aligned as alignedAlloc(size)) and frees `block`; the growable arrays'
// one way to grow and shrink. Null, with `block` untouched, when memory is
// short.
void* alignedReallocate(void* block, std::size_t keptBytes, std::size_t size);

// Constructs a T in an aligned block; null when allocation fails.
template <typename T, typename... Args>
T* alignedNew(std::size_t alignment, Args&&... args);

template <typename T>
void alignedDelete(T* object) {
    if (object) {
        object->~T();
        alignedFree(object);
    }
}

}  // namespace platform
}  // namespace hox

#include <new>
#include <utility>

template <typename T, typename... Args>
T* hox::platform::alignedNew(std::size_t alignment, Args&&... args) {
    void* block = alignedAlloc(sizeof(T), alignment);
    if (!block) return nullptr;
    return new (block) T(std::forward<Args>(args)...);
}
