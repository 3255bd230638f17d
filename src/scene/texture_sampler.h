// TextureSampler: the object that holds a texture's texels and answers its
// lookups.
//
// Texture records keep their sampler through this abstract class, the way
// shader records keep the plug-in's object: the family of concrete samplers
// (one class per dimension, filter, format, component count and wrap
// behaviour) lives in the textures layer above the records, and the records
// only need to count, copy, serialise and hand out the object.
//
// Samplers never change after creation, so record versions, shader
// parameters and frames share one object and count their holds on it. The
// count starts at 0: whoever creates a sampler takes the first reference.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "hox/texture_descriptor.h"
#include "hox/texture_sampler.h"

namespace hox {
namespace util {
class InputStream;
class OutputStream;
}  // namespace util

namespace scene {

class TextureSampler {
public:
    TextureSampler() : m_refCount(0) {}
    // Frees the texel buffers.
    virtual ~TextureSampler() {}

    // The lookup interface of the sampler's dimension; the other three
    // answer null.
    virtual Sampler1D* as1D() = 0;
    virtual Sampler2D* as2D() = 0;
    virtual Sampler3D* as3D() = 0;
    virtual SamplerCube* asCube() = 0;

    // A new sampler of the same class holding a copy of the descriptor's
    // texels, or null (no reference taken yet). Meant for the registered
    // prototypes, which hold no texels themselves.
    virtual TextureSampler* createFromDescriptor(const TextureDescriptor& descriptor) const = 0;
    // The same, reading the texels from a stream in the form serialise()
    // writes them. Null when the stream ends early or memory is short.
    virtual TextureSampler* createFromStream(const TextureDescriptor& descriptor,
                                             util::InputStream& in) const = 0;
    // Whether this class is the one for the descriptor (see the registry for
    // the order in which classes are asked).
    virtual bool accepts(const TextureDescriptor& descriptor) const = 0;
    // The raw texel bytes, image after image; the sizes come from the
    // descriptor that travels before them.
    virtual void serialise(util::OutputStream& out) const = 0;

    void addRef() { m_refCount.fetch_add(1, std::memory_order_relaxed); }
    // Drops one reference; the last one destroys the sampler.
    void release() {
        if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }
    int refCount() const { return m_refCount.load(std::memory_order_acquire); }

    // Samplers live in the library's aligned blocks. The allocation does not
    // throw: a new-expression yields null when memory is short.
    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* block);

private:
    TextureSampler(const TextureSampler&) = delete;
    TextureSampler& operator=(const TextureSampler&) = delete;

    std::atomic<int32_t> m_refCount;
};

// The sampler registry lives with the family in a higher layer; records that
// arrive through a stream reach it through this search, which the registry
// installs. The search returns the first prototype that accepts the
// descriptor, or null.
using SamplerPrototypeSearch = const TextureSampler* (*)(const TextureDescriptor& descriptor);

void installSamplerPrototypeSearch(SamplerPrototypeSearch search);
// Null when no search is installed or no prototype accepts.
const TextureSampler* findSamplerPrototype(const TextureDescriptor& descriptor);

}  // namespace scene
}  // namespace hox
