// Shader instances from the standard shader library, and a writer that sets
// their parameters.
//
// The library is looked for once. When it cannot be loaded the tool says so
// once and goes on: objects without a shader are not drawn, but the run
// still completes and writes its image.
#pragma once

#include <set>
#include <string>

#include "hox/device.h"
#include "hox/shader.h"
#include "hox/texture.h"
#include "hox/types.h"

namespace hox_render {

class ShaderFactory {
public:
    ShaderFactory(hox::IRenderDevice* device, const char* libraryName);

    // A new instance of `shaderName`, or the null handle when the library
    // or the shader cannot be loaded (reported once per library or shader).
    hox::THandle<hox::Shader> create(const char* shaderName);
    bool libraryAvailable() const { return !m_libraryMissing; }

private:
    hox::IRenderDevice* m_device;
    std::string m_library;
    bool m_libraryMissing = false;
    bool m_libraryLoaded = false;
    std::set<std::string> m_missingShaders;
};

// Sets parameters of one shader within one edit. A parameter the shader
// does not declare is reported once per name and otherwise ignored, so a
// shader library that lacks a parameter still renders.
class UniformWriter {
public:
    explicit UniformWriter(hox::THandle<hox::Shader>& shader);
    ~UniformWriter();
    UniformWriter(const UniformWriter&) = delete;
    UniformWriter& operator=(const UniformWriter&) = delete;

    UniformWriter& set(const char* name, float value);
    UniformWriter& set(const char* name, int value);
    UniformWriter& set(const char* name, bool value);
    UniformWriter& set(const char* name, const hox::Vec3f& value);
    UniformWriter& setTexture2D(const char* name, const hox::THandle<hox::Texture>& texture);

private:
    void check(int status, const char* name);

    hox::THandle<hox::Shader>& m_handle;
    hox::Shader* m_shader;
};

}  // namespace hox_render
