#include "platform/aligned_memory.h"

#include <cstdlib>
#include <cstring>

namespace hox {
namespace platform {

void* alignedAlloc(std::size_t size) {
    return alignedAlloc(size, alignmentFor(size));
}

void* alignedAlloc(std::size_t size, std::size_t alignment) {
    if (alignment < sizeof(void*)) alignment = sizeof(void*);
    void* block = nullptr;
    if (posix_memalign(&block, alignment, size == 0 ? 1 : size) != 0) return nullptr;
    return block;
}

void alignedFree(void* block) {
    std::free(block);
}

void* alignedReallocate(void* block, std::size_t keptBytes, std::size_t size) {
    void* fresh = alignedAlloc(size);
    if (!fresh) return nullptr;
    if (keptBytes > 0 && block) std::memcpy(fresh, block, keptBytes < size ? keptBytes : size);
    alignedFree(block);
    return fresh;
}

}  // namespace platform
}  // namespace hox
