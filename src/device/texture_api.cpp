// The public Texture class: finds the record version being edited and hands
// the work to texture creation.
#include "device/public_object.h"
#include "hox/texture.h"
#include "scene/texture_record.h"
#include "textures/texture_creation.h"

namespace hox {

int Texture::create(const TextureDescriptor& descriptor) {
    scene::TextureRecord* record = device::recordOf<scene::TextureRecord>(this);
    return record ? textures::createTexture(*record, descriptor) : -1;
}

}  // namespace hox
