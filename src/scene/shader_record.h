// ShaderRecord: a named shader from a plug-in library and its parameters.
//
// The shader library manager fills the record when the host instantiates a
// shader: the object the plug-in made, the parameter tables recorded at
// declaration, the plug-in's factory and flags word, and a reference on the
// library that keeps the object's code loaded for as long as the object
// lives. The host then sets values by name; each value goes both into the
// tables and into the object.
#pragma once

#include "hox/shader_declaration.h"
#include "hox/string.h"
#include "scene/record.h"
#include "scene/shader_parameters.h"

namespace hox {
namespace platform {
class SharedLibrary;
}

namespace scene {

class ShaderRecord : public Record {
public:
    enum { kClassType = CLASS_TYPE_SHADER };
    explicit ShaderRecord(int instance);
    ~ShaderRecord() override;
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    void copyFrom(const Record& other) override;

    // Takes over a loaded shader: the object, its library reference, the
    // factory and flags. Any shader held before is released first.
    void adoptShader(ShaderObject* object, platform::SharedLibrary* library,
                     ShaderCreateFunction factory, int flags);
    // Destroys the object (with its own destructor, in its own library) and
    // then drops the library reference. Tables and names stay.
    void releaseShader();

    util::String shaderName;
    util::String libraryName;
    ShaderObject* shaderObject;          // owned; null until instantiated
    ShaderParameterSet parameters;       // this record's copy, with its values
    ShaderCreateFunction factory;        // <shaderName>_create of the library
    int flags;                           // the shader's flags word
    platform::SharedLibrary* library;    // one reference, held for shaderObject
};

}  // namespace scene
}  // namespace hox
