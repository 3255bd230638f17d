#include "textures/texture_creation.h"

#include "textures/sampler_registry.h"
#include "util/messages.h"

namespace hox {
namespace textures {

namespace {

bool checkDataPointers(const TextureDescriptor& d) {
    // Before the type check: an unknown type with a null pointer reports
    // the pointer.
    if (d.type == TEXTURE_TYPE_CUBE) {
        for (const void* face : d.faces) {
            if (!face) {
                util::warning("could not create texture : invalid cube map texture data pointer");
                return false;
            }
        }
        return true;
    }
    if (!d.data) {
        util::warning("could not create texture : invalid texture data pointer");
        return false;
    }
    return true;
}

bool checkDimensions(const TextureDescriptor& d) {
    switch (d.type) {
        case TEXTURE_TYPE_1D:
            if (d.width >= 1) return true;
            util::warning("could not create texture : invalid 1D texture dimension %d", d.width);
            return false;
        case TEXTURE_TYPE_2D:
            if (d.width >= 1 && d.height >= 1) return true;
            util::warning("could not create texture : invalid 2D texture dimensions (%d x %d)",
                          d.width, d.height);
            return false;
        case TEXTURE_TYPE_3D:
            if (d.width >= 1 && d.height >= 1 && d.depth >= 1) return true;
            util::warning("could not create texture : invalid 3D texture dimensions (%d x %d x %d)",
                          d.width, d.height, d.depth);
            return false;
        case TEXTURE_TYPE_CUBE:
            if (d.width >= 1 && d.height >= 1 && d.width == d.height) return true;
            util::warning(
                "could not create texture : invalid cube map texture dimensions (%d x %d)",
                d.width, d.height);
            return false;
        default:
            util::warning("could not create texture : unsupported texture type");
            return false;
    }
}

}  // namespace

int createTexture(scene::TextureRecord& record, const TextureDescriptor& descriptor) {
    record.releaseSampler();
    if (!checkDataPointers(descriptor) || !checkDimensions(descriptor)) return -1;

    const scene::TextureSampler* prototype = SamplerRegistry::instance().find(descriptor);
    if (!prototype) {
        util::warning("could not create texture : unsupported texture format");
        return -1;
    }
    scene::TextureSampler* sampler = prototype->createFromDescriptor(descriptor);
    if (!sampler) {
        // The descriptor passed every check, so only the size is left: an
        // image beyond the library's limit, or memory the system refused.
        util::warning("could not create texture : out of memory");
        return -1;
    }
    record.descriptor = descriptor;
    record.setSampler(sampler);
    return 0;
}

}  // namespace textures
}  // namespace hox
