// Texture creation: the checks of a host's descriptor and the new sampler.
#pragma once

#include "hox/texture_descriptor.h"
#include "scene/texture_record.h"

namespace hox {
namespace textures {

// Drops the record's sampler, checks the descriptor (data pointers, then
// dimensions, then whether any sampler class takes it) and gives the record
// a new sampler with a copy of the texels and a copy of the descriptor.
// 0; -1 with a warning at the first failed check, the record then holding
// no sampler and its previous descriptor.
int createTexture(scene::TextureRecord& record, const TextureDescriptor& descriptor);

}  // namespace textures
}  // namespace hox
