// Texture: image data that shaders sample.
//
// A Texture* comes from THandle<Texture>::beginEdit. create() copies the
// host's texels into the library; shaders then read the texture through the
// sampler interface of hox/texture_sampler.h, bound to their texture
// parameters with Shader::setUniformTexture*.
#pragma once

#include "hox/config.h"
#include "hox/handle.h"
#include "hox/texture_descriptor.h"

namespace hox {

class HOX_API Texture : public Class {
public:
    enum { TypeId = CLASS_TYPE_TEXTURE };

    // Replaces the texture's image by the one the descriptor describes. The
    // old image is dropped first, so a refused descriptor leaves the texture
    // without any (shaders then see none). 0, or -1 with a warning saying
    // why: a null data or face pointer, dimensions below 1 (or a cube map
    // that is not square), an unknown type, a format, component count or
    // filter the library does not have, or too little memory.
    int create(const TextureDescriptor& descriptor);
};

}  // namespace hox
