// TextureRecord: a texture's descriptor and the sampler holding its texels.
//
// The descriptor is the host's, copied whole (its data pointers included,
// though they are never followed after Texture::create). The sampler is
// shared by every version of the record and counted: a version holds one
// reference, a new version from beginEdit takes another, so a frame still
// rendering an old version keeps the texels it reads.
#pragma once

#include "hox/texture_descriptor.h"
#include "scene/record.h"
#include "scene/texture_sampler.h"

namespace hox {
namespace scene {

class TextureRecord : public Record {
public:
    enum { kClassType = CLASS_TYPE_TEXTURE };
    explicit TextureRecord(int instance);
    ~TextureRecord() override;
    // Stream form: the instance; type, format, components, filter, wrapS,
    // wrapT, wrapR, width, height, depth; the border colour; one byte, 1 when
    // a sampler follows; then the sampler's texels. Reading clears the data
    // pointers and builds a new sampler from the first class that accepts
    // the descriptor; a class nobody accepts fails the stream.
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    // The descriptor, and a reference on the same sampler.
    void copyFrom(const Record& other) override;

    TextureSampler* sampler() const { return m_sampler; }
    // Takes one reference on `sampler` (null for none) after dropping the
    // one held.
    void setSampler(TextureSampler* sampler);
    void releaseSampler() { setSampler(nullptr); }

    TextureDescriptor descriptor;

private:
    TextureSampler* m_sampler;
};

}  // namespace scene
}  // namespace hox
