#include "shader_factory.h"

#include <cstdio>

#include "hox/status.h"

namespace hox_render {

namespace {

// Parameter names already reported as missing, for the whole run.
std::set<std::string>& reportedUniforms() {
    static std::set<std::string> names;
    return names;
}

}  // namespace

ShaderFactory::ShaderFactory(hox::IRenderDevice* device, const char* libraryName)
    : m_device(device), m_library(libraryName) {}

hox::THandle<hox::Shader> ShaderFactory::create(const char* shaderName) {
    if (m_libraryMissing || m_missingShaders.count(shaderName)) return hox::THandle<hox::Shader>();
    hox::THandle<hox::Shader> shader(m_device);
    hox::Shader* edit = shader.beginEdit();
    const int status = edit ? edit->instantiate(shaderName, m_library.c_str()) : hox::RESULT_FAILED;
    shader.endEdit();
    if (status == hox::RESULT_OK) {
        m_libraryLoaded = true;
        return shader;
    }
    shader.destroy();
    if (!m_libraryLoaded) {
        // The first load failed: the library itself is missing or broken.
        // Further attempts would only repeat the library's warning.
        m_libraryMissing = true;
        std::fprintf(stderr,
                     "hox-render: warning: the shader library '%s' could not be loaded; "
                     "surfaces, lights and the sky are left out of the image\n",
                     m_library.c_str());
    } else {
        m_missingShaders.insert(shaderName);
        std::fprintf(stderr, "hox-render: warning: shader '%s' is not in '%s'; objects using it are left out\n",
                     shaderName, m_library.c_str());
    }
    return hox::THandle<hox::Shader>();
}

UniformWriter::UniformWriter(hox::THandle<hox::Shader>& shader)
    : m_handle(shader), m_shader(shader.isNull() ? nullptr : shader.beginEdit()) {}

UniformWriter::~UniformWriter() {
    if (m_shader) m_handle.endEdit();
}

void UniformWriter::check(int status, const char* name) {
    if (status == hox::RESULT_OK) return;
    if (reportedUniforms().insert(name).second)
        std::fprintf(stderr, "hox-render: warning: shader parameter '%s' could not be set (status %d)\n", name,
                     status);
}

UniformWriter& UniformWriter::set(const char* name, float value) {
    if (m_shader) check(m_shader->setUniform1f(name, value), name);
    return *this;
}

UniformWriter& UniformWriter::set(const char* name, int value) {
    if (m_shader) check(m_shader->setUniform1i(name, value), name);
    return *this;
}

UniformWriter& UniformWriter::set(const char* name, bool value) {
    if (m_shader) check(m_shader->setUniform1b(name, value), name);
    return *this;
}

UniformWriter& UniformWriter::set(const char* name, const hox::Vec3f& value) {
    if (m_shader) check(m_shader->setUniform3f(name, value), name);
    return *this;
}

UniformWriter& UniformWriter::setTexture2D(const char* name, const hox::THandle<hox::Texture>& texture) {
    if (m_shader && !texture.isNull()) check(m_shader->setUniformTexture2D(name, texture), name);
    return *this;
}

}  // namespace hox_render
