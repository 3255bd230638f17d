#include "scene/texture_record.h"

#include <initializer_list>

#include "util/byte_stream.h"

namespace hox {
namespace scene {

TextureRecord::TextureRecord(int instance)
    : Record(CLASS_TYPE_TEXTURE, instance), m_sampler(nullptr) {}

TextureRecord::~TextureRecord() { releaseSampler(); }

void TextureRecord::setSampler(TextureSampler* sampler) {
    // Reference first, release second: setting the sampler already held
    // must not destroy it in between.
    if (sampler) sampler->addRef();
    if (m_sampler) m_sampler->release();
    m_sampler = sampler;
}

void TextureRecord::copyFrom(const Record& other) {
    const TextureRecord* from = recordAs<TextureRecord>(&other);
    if (!from || from == this) return;
    descriptor = from->descriptor;
    setSampler(from->m_sampler);
}

void TextureRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    const TextureDescriptor& d = descriptor;
    for (int field : {d.type, d.format, d.components, d.filter, d.wrapS, d.wrapT, d.wrapR, d.width,
                      d.height, d.depth})
        out.writeInt32(field);
    out.writeVec4f(Vec4f{d.borderColor[0], d.borderColor[1], d.borderColor[2], d.borderColor[3]});
    out.writeUInt8(m_sampler ? 1 : 0);
    if (m_sampler) m_sampler->serialise(out);
}

void TextureRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    TextureDescriptor& d = descriptor;
    for (int* field : {&d.type, &d.format, &d.components, &d.filter, &d.wrapS, &d.wrapT, &d.wrapR,
                       &d.width, &d.height, &d.depth})
        *field = in.readInt32();
    const Vec4f border = in.readVec4f();
    d.borderColor[0] = border.x;
    d.borderColor[1] = border.y;
    d.borderColor[2] = border.z;
    d.borderColor[3] = border.w;
    // The sender's pointers mean nothing here.
    d.data = nullptr;
    for (const void*& face : d.faces) face = nullptr;
    releaseSampler();

    const bool hasSampler = in.readUInt8() != 0;
    if (in.failed() || !hasSampler) return;
    // Without a class for the descriptor the texel bytes cannot even be
    // measured, so the rest of the stream is unreadable.
    const TextureSampler* prototype = findSamplerPrototype(d);
    TextureSampler* sampler = prototype ? prototype->createFromStream(d, in) : nullptr;
    if (!sampler) {
        in.fail();
        return;
    }
    setSampler(sampler);
}

}  // namespace scene
}  // namespace hox
