#include "textures/sampler_registry.h"

#include <new>

#include "textures/sampler_family.h"

namespace hox {
namespace textures {

namespace {

const scene::TextureSampler* searchRegistry(const TextureDescriptor& descriptor) {
    return SamplerRegistry::instance().find(descriptor);
}

// Records read from a stream may arrive before anything here has been
// called (a render server's first message can be a texture), so the search
// is handed to the records when the library is loaded rather than on first
// use. It only stores a function pointer; the registry itself is still
// built on the first search. (A program linking the static layers must use
// something of this file for it to be linked at all; texture creation
// does.)
struct InstallSearch {
    InstallSearch() { scene::installSamplerPrototypeSearch(&searchRegistry); }
} g_installSearch;

}  // namespace

SamplerRegistry::SamplerRegistry() : m_prototypes(kGrowthStep) {
    // Short memory leaves a shorter list: textures of the missing classes
    // are then refused as unsupported, which is the best that can be done.
    bool (*const types[])(PrototypeList&) = {addPrototypes1D, addPrototypes2D, addPrototypes3D,
                                             addPrototypesCube};
    for (auto addType : types)
        if (!addType(m_prototypes)) return;
}

const SamplerRegistry& SamplerRegistry::instance() {
    // Never destroyed: records released by other static destructors at exit
    // may still ask it.
    alignas(SamplerRegistry) static unsigned char storage[sizeof(SamplerRegistry)];
    static const SamplerRegistry* registry = ::new (static_cast<void*>(storage)) SamplerRegistry();
    return *registry;
}

int SamplerRegistry::indexOf(const TextureDescriptor& descriptor) const {
    for (int i = 0; i < m_prototypes.count(); ++i)
        if (m_prototypes[i]->accepts(descriptor)) return i;
    return -1;
}

const scene::TextureSampler* SamplerRegistry::find(const TextureDescriptor& descriptor) const {
    const int index = indexOf(descriptor);
    return index < 0 ? nullptr : m_prototypes[index];
}

}  // namespace textures
}  // namespace hox
