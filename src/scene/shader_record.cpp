// Shader and Texture records: names and stream form. The loaded plug-in
// shader and the texture sampler arrive with their managers; until then the
// records never own anything beyond their names.
#include "scene/shader_record.h"

#include "util/byte_stream.h"

namespace hox {
namespace scene {

// --- Shader -----------------------------------------------------------------

ShaderRecord::ShaderRecord(int instance)
    : Record(CLASS_TYPE_SHADER, instance), shaderObject(nullptr) {}

ShaderRecord::~ShaderRecord() {}

void ShaderRecord::copyFrom(const Record& other) {
    const ShaderRecord* from = recordAs<ShaderRecord>(&other);
    if (!from || from == this) return;
    shaderName = from->shaderName;
    libraryName = from->libraryName;
    // The loaded shader instance belongs to the version that loaded it; the
    // new version loads its own.
}

void ShaderRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    out.writeString(shaderName);
    out.writeString(libraryName);
}

void ShaderRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    in.readString(shaderName);
    in.readString(libraryName);
}

// --- Texture ----------------------------------------------------------------

TextureRecord::TextureRecord(int instance)
    : Record(CLASS_TYPE_TEXTURE, instance), sampler(nullptr) {}

TextureRecord::~TextureRecord() {}

// No fields yet besides the sampler, which each version creates itself.
void TextureRecord::copyFrom(const Record&) {}

void TextureRecord::write(util::OutputStream& out) const { out.writeInt32(instance()); }

void TextureRecord::read(util::InputStream& in) { setInstance(in.readInt32()); }

}  // namespace scene
}  // namespace hox
