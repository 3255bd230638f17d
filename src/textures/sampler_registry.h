// The registry of sampler prototypes: one object of every class of the
// family, in registration order.
//
// Created on first use and kept until the process ends. Finding a class
// asks the prototypes in order and takes the first that accepts, so the
// order (see sampler_family.h) decides, for example, that a repeat texture
// of power-of-two sizes gets the masked variant.
#pragma once

#include "hox/texture_descriptor.h"
#include "scene/texture_sampler.h"
#include "util/growable_array.h"

namespace hox {
namespace textures {

class SamplerRegistry {
public:
    // Growth step of the prototype list.
    static constexpr int kGrowthStep = 16;

    // The process's registry, filled on the first call (thread-safe). It
    // also makes the records able to rebuild samplers from a stream.
    static const SamplerRegistry& instance();

    // The first prototype that accepts the descriptor, or null.
    const scene::TextureSampler* find(const TextureDescriptor& descriptor) const;
    // Its position in registration order, or -1.
    int indexOf(const TextureDescriptor& descriptor) const;

    int count() const { return m_prototypes.count(); }
    const scene::TextureSampler* prototype(int index) const { return m_prototypes[index]; }

private:
    SamplerRegistry();

    util::GrowableArray<const scene::TextureSampler*> m_prototypes;
};

}  // namespace textures
}  // namespace hox
