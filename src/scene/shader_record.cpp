// Shader records: ownership, copies and stream form.
#include "scene/shader_record.h"

#include "platform/shared_library.h"
#include "util/byte_stream.h"

namespace hox {
namespace scene {

// --- Shader -----------------------------------------------------------------

ShaderRecord::ShaderRecord(int instance)
    : Record(CLASS_TYPE_SHADER, instance),
      shaderObject(nullptr),
      factory(nullptr),
      flags(0),
      library(nullptr) {}

ShaderRecord::~ShaderRecord() { releaseShader(); }

void ShaderRecord::adoptShader(ShaderObject* object, platform::SharedLibrary* lib,
                               ShaderCreateFunction create, int flagsWord) {
    releaseShader();
    shaderObject = object;
    library = lib;
    factory = create;
    flags = flagsWord;
}

void ShaderRecord::releaseShader() {
    // The object first: its destructor is code of the library.
    delete shaderObject;
    shaderObject = nullptr;
    platform::closeSharedLibrary(library);
    library = nullptr;
    factory = nullptr;
    flags = 0;
}

void ShaderRecord::copyFrom(const Record& other) {
    const ShaderRecord* from = recordAs<ShaderRecord>(&other);
    if (!from || from == this) return;
    releaseShader();
    shaderName = from->shaderName;
    libraryName = from->libraryName;
    parameters.assign(from->parameters);
    if (!from->shaderObject || !from->factory) return;
    // Render threads may still be reading the old version's object, so the
    // new version gets an object of its own from the plug-in's factory,
    // holding its own reference on the library, and takes the values set
    // so far. A factory that fails leaves the new version without a shader.
    ShaderObject* object = nullptr;
    try {
        object = from->factory();
    } catch (...) {
        // Plug-in code: a throw must not unwind through beginEdit.
    }
    if (!object) return;
    platform::retainSharedLibrary(from->library);
    adoptShader(object, from->library, from->factory, from->flags);
    parameters.storeAllInto(object);
}

// Stream form: the instance, the names, then the values of the parameter
// tables. The reader must hold the same shader, loaded, for the values to
// land (see ShaderParameterSet::readValues).
void ShaderRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    out.writeString(shaderName);
    out.writeString(libraryName);
    parameters.write(out);
}

void ShaderRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    in.readString(shaderName);
    in.readString(libraryName);
    parameters.readValues(in, shaderObject);
}

}  // namespace scene
}  // namespace hox
