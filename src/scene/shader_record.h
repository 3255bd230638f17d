// ShaderRecord: a named shader from a plug-in library and its parameters.
// The plug-in loading and the parameter table arrive with the shader
// library manager; until then a record holds its names only.
#pragma once

#include "hox/string.h"
#include "scene/record.h"

namespace hox {
namespace scene {

class ShaderRecord : public Record {
public:
    enum { kClassType = CLASS_TYPE_SHADER };
    explicit ShaderRecord(int instance);
    ~ShaderRecord() override;
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    void copyFrom(const Record& other) override;

    util::String shaderName;
    util::String libraryName;
    void* shaderObject;  // the plug-in's shader instance once loaded (not yet)
};

class TextureRecord : public Record {
public:
    enum { kClassType = CLASS_TYPE_TEXTURE };
    explicit TextureRecord(int instance);
    ~TextureRecord() override;
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    void copyFrom(const Record& other) override;

    void* sampler;  // the texture's sampler once created (not yet)
};

}  // namespace scene
}  // namespace hox
