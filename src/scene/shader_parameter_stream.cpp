// Stream form of a shader parameter set: how a Shader record's values reach
// a render server that has loaded the same shader.
#include "scene/shader_parameters.h"
#include "util/byte_stream.h"

namespace hox {
namespace scene {

void ShaderParameterSet::write(util::OutputStream& out) const {
    for (const UniformTable& table : m_tables) {
        out.writeInt32(table.count());
        for (int i = 0; i < table.count(); ++i)
            writeUniformValue(out, table.kind(), table.entry(i).value);
    }
}

bool ShaderParameterSet::readValues(util::InputStream& in, void* object) {
    // Values are read into a copy, which replaces this set only once the
    // whole stream form has arrived intact: a hostile or truncated stream
    // leaves neither half-updated tables nor a half-updated object.
    ShaderParameterSet incoming;
    if (!incoming.assign(*this)) {
        in.fail();
        return false;
    }
    for (UniformTable& table : incoming.m_tables) {
        const int32_t count = in.readInt32();
        if (in.failed()) return false;
        // Names do not travel, so only entries this side has declared can
        // take values.
        if (count < 0 || count > table.count()) {
            in.fail();
            return false;
        }
        for (int i = 0; i < count; ++i)
            if (!readUniformValue(in, table.kind(), table.entry(i).value)) return false;
        table.truncate(count);
    }
    swap(incoming);
    storeAllInto(object);
    return true;
}

}  // namespace scene
}  // namespace hox
