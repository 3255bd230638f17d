// Shader: the public operations forward to the shader library manager and
// the uniform setters; this file only finds the record and picks the kind.
#include <cstdint>

#include "device/public_object.h"
#include "hox/shader.h"
#include "hox/shader_declaration.h"
#include "scene/shader_record.h"
#include "scene/uniform_kind.h"
#include "shaders/shader_instance.h"
#include "shaders/uniform_setters.h"

namespace hox {

namespace {

using scene::ShaderRecord;

ShaderRecord* recordOf(Shader* shader) { return device::recordOf<ShaderRecord>(shader); }

int setTextures(ShaderRecord* record, int kind, const char* name, int count,
                const THandle<Texture>* values) {
    // Handles become their words here; a count out of range is left for
    // the setter to refuse, before it looks at anything else.
    uint32_t words[kMaxUniformArrayCount];
    const bool convert = values && count > 0 && count <= kMaxUniformArrayCount;
    if (convert)
        for (int i = 0; i < count; ++i) words[i] = values[i].getValue();
    return shaders::setUniformReferenceArray(record, kind, name, count, convert ? words : nullptr);
}

}  // namespace

int Shader::instantiate(const char* shaderName, const char* libraryName) {
    ShaderRecord* record = recordOf(this);
    return record ? shaders::instantiateShader(*record, shaderName, libraryName) : -1;
}

int Shader::reload() {
    ShaderRecord* record = recordOf(this);
    return record ? shaders::reloadShader(*record) : -1;
}

int Shader::getVersion() {
    ShaderRecord* record = recordOf(this);
    return record ? shaders::shaderVersion(*record) : -1;
}

// --- scalars, vectors, matrices --------------------------------------------

int Shader::setUniform1b(const char* name, bool value) {
    return shaders::setUniformValue(recordOf(this), scene::UNIFORM_1B, name, &value);
}
int Shader::setUniform2b(const char* name, const Vec2b& value) {
    return shaders::setUniformValue(recordOf(this), scene::UNIFORM_2B, name, &value);
}
int Shader::setUniform3b(const char* name, const Vec3b& value) {
    return shaders::setUniformValue(recordOf(this), scene::UNIFORM_3B, name, &value);
}
int Shader::setUniform4b(const char* name, const Vec4b& value) {
    return shaders::setUniformValue(recordOf(this), scene::UNIFORM_4B, name, &value);
}
int Shader::setUniform1i(const char* name, int value) {
    return shaders::setUniformValue(recordOf(this), scene::UNIFORM_1I, name, &value);
}
int Shader::setUniform2i(const char* name, const Vec2i& value) {
    return shaders::setUniformValue(recordOf(this), scene::UNIFORM_2I, name, &value);
}
int Shader::setUniform3i(const char* name, const Vec3i& value) {
    return shaders::setUniformValue(recordOf(this), scene::UNIFORM_3I, name, &value);
}
int Shader::setUniform4i(const char* name, const Vec4i& value) {
    return shaders::setUniformValue(recordOf(this), scene::UNIFORM_4I, name, &value);
}
int Shader::setUniform1f(const char* name, float value) {
    return shaders::setUniformValue(recordOf(this), scene::UNIFORM_1F, name, &value);
}
int Shader::setUniform2f(const char* name, const Vec2f& value) {
    return shaders::setUniformValue(recordOf(this), scene::UNIFORM_2F, name, &value);
}
int Shader::setUniform3f(const char* name, const Vec3f& value) {
    return shaders::setUniformValue(recordOf(this), scene::UNIFORM_3F, name, &value);
}
int Shader::setUniform4f(const char* name, const Vec4f& value) {
    return shaders::setUniformValue(recordOf(this), scene::UNIFORM_4F, name, &value);
}
int Shader::setUniform2x2f(const char* name, bool transpose, const Mat2f& value) {
    return shaders::setUniformMatrix(recordOf(this), scene::UNIFORM_2X2F, name, transpose, value.m);
}
int Shader::setUniform3x3f(const char* name, bool transpose, const Mat3f& value) {
    return shaders::setUniformMatrix(recordOf(this), scene::UNIFORM_3X3F, name, transpose, value.m);
}
int Shader::setUniform4x4f(const char* name, bool transpose, const Mat4f& value) {
    return shaders::setUniformMatrix(recordOf(this), scene::UNIFORM_4X4F, name, transpose, value.m);
}

// --- references ----------------------------------------------------------------

int Shader::setUniformTexture1D(const char* name, const THandle<Texture>& texture) {
    return shaders::setUniformReference(recordOf(this), scene::UNIFORM_TEXTURE_1D, name,
                                        texture.getValue());
}
int Shader::setUniformTexture2D(const char* name, const THandle<Texture>& texture) {
    return shaders::setUniformReference(recordOf(this), scene::UNIFORM_TEXTURE_2D, name,
                                        texture.getValue());
}
int Shader::setUniformTexture3D(const char* name, const THandle<Texture>& texture) {
    return shaders::setUniformReference(recordOf(this), scene::UNIFORM_TEXTURE_3D, name,
                                        texture.getValue());
}
int Shader::setUniformTextureCube(const char* name, const THandle<Texture>& texture) {
    return shaders::setUniformReference(recordOf(this), scene::UNIFORM_TEXTURE_CUBE, name,
                                        texture.getValue());
}
int Shader::setUniformShaderRef(const char* name, const THandle<Shader>& shader) {
    return shaders::setUniformReference(recordOf(this), scene::UNIFORM_SHADER_REF, name,
                                        shader.getValue());
}

// --- arrays ----------------------------------------------------------------------

int Shader::setUniform1bv(const char* name, int count, const bool* values) {
    return shaders::setUniformArray(recordOf(this), scene::UNIFORM_1BV, name, count, values);
}
int Shader::setUniform2bv(const char* name, int count, const Vec2b* values) {
    return shaders::setUniformArray(recordOf(this), scene::UNIFORM_2BV, name, count, values);
}
int Shader::setUniform3bv(const char* name, int count, const Vec3b* values) {
    return shaders::setUniformArray(recordOf(this), scene::UNIFORM_3BV, name, count, values);
}
int Shader::setUniform4bv(const char* name, int count, const Vec4b* values) {
    return shaders::setUniformArray(recordOf(this), scene::UNIFORM_4BV, name, count, values);
}
int Shader::setUniform1iv(const char* name, int count, const int* values) {
    return shaders::setUniformArray(recordOf(this), scene::UNIFORM_1IV, name, count, values);
}
int Shader::setUniform2iv(const char* name, int count, const Vec2i* values) {
    return shaders::setUniformArray(recordOf(this), scene::UNIFORM_2IV, name, count, values);
}
int Shader::setUniform3iv(const char* name, int count, const Vec3i* values) {
    return shaders::setUniformArray(recordOf(this), scene::UNIFORM_3IV, name, count, values);
}
int Shader::setUniform4iv(const char* name, int count, const Vec4i* values) {
    return shaders::setUniformArray(recordOf(this), scene::UNIFORM_4IV, name, count, values);
}
int Shader::setUniform1fv(const char* name, int count, const float* values) {
    return shaders::setUniformArray(recordOf(this), scene::UNIFORM_1FV, name, count, values);
}
int Shader::setUniform2fv(const char* name, int count, const Vec2f* values) {
    return shaders::setUniformArray(recordOf(this), scene::UNIFORM_2FV, name, count, values);
}
int Shader::setUniform3fv(const char* name, int count, const Vec3f* values) {
    return shaders::setUniformArray(recordOf(this), scene::UNIFORM_3FV, name, count, values);
}
int Shader::setUniform4fv(const char* name, int count, const Vec4f* values) {
    return shaders::setUniformArray(recordOf(this), scene::UNIFORM_4FV, name, count, values);
}
int Shader::setUniform2x2fv(const char* name, bool transpose, int count, const Mat2f* values) {
    return shaders::setUniformMatrixArray(recordOf(this), scene::UNIFORM_2X2FV, name, transpose,
                                          count, values ? values->m : nullptr);
}
int Shader::setUniform3x3fv(const char* name, bool transpose, int count, const Mat3f* values) {
    return shaders::setUniformMatrixArray(recordOf(this), scene::UNIFORM_3X3FV, name, transpose,
                                          count, values ? values->m : nullptr);
}
int Shader::setUniform4x4fv(const char* name, bool transpose, int count, const Mat4f* values) {
    return shaders::setUniformMatrixArray(recordOf(this), scene::UNIFORM_4X4FV, name, transpose,
                                          count, values ? values->m : nullptr);
}
int Shader::setUniformTexture1Dv(const char* name, int count, const THandle<Texture>* values) {
    return setTextures(recordOf(this), scene::UNIFORM_TEXTURE_1DV, name, count, values);
}
int Shader::setUniformTexture2Dv(const char* name, int count, const THandle<Texture>* values) {
    return setTextures(recordOf(this), scene::UNIFORM_TEXTURE_2DV, name, count, values);
}
int Shader::setUniformTexture3Dv(const char* name, int count, const THandle<Texture>* values) {
    return setTextures(recordOf(this), scene::UNIFORM_TEXTURE_3DV, name, count, values);
}
int Shader::setUniformTextureCubev(const char* name, int count, const THandle<Texture>* values) {
    return setTextures(recordOf(this), scene::UNIFORM_TEXTURE_CUBEV, name, count, values);
}

}  // namespace hox
