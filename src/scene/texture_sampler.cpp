#include "scene/texture_sampler.h"

#include "platform/aligned_memory.h"

namespace hox {
namespace scene {

namespace {

// Constant-initialised, so a search installed by a static initialiser of
// another file is never overwritten by this one's.
std::atomic<SamplerPrototypeSearch> g_search{nullptr};

}  // namespace

void* TextureSampler::operator new(std::size_t size) noexcept {
    return platform::alignedAlloc(size);
}

void TextureSampler::operator delete(void* block) { platform::alignedFree(block); }

void installSamplerPrototypeSearch(SamplerPrototypeSearch search) {
    g_search.store(search, std::memory_order_release);
}

const TextureSampler* findSamplerPrototype(const TextureDescriptor& descriptor) {
    const SamplerPrototypeSearch search = g_search.load(std::memory_order_acquire);
    return search ? search(descriptor) : nullptr;
}

}  // namespace scene
}  // namespace hox
