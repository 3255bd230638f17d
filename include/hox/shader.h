// Shader: a named shader from a plug-in library and its parameters.
//
// instantiate loads the shader (see hox/shader_declaration.h for what a
// plug-in provides); the setUniform family then sets its parameters by the
// names the shader declared. Each kind of parameter has its own names, so
// setting a float under the name of an int parameter fails.
//
// A Shader* comes from THandle<Shader>::beginEdit and stays usable until the
// next beginEdit or destroy of the same object. Setters return 0; -1 when
// the shader holds no object (not instantiated, or its load failed), when
// the name or a value pointer is null, or when the kind has no parameter of
// that name; 4098 (RESULT_INVALID_VALUE) for an array count outside
// 0 … 256, whatever else is wrong. Values are written between frames: a
// frame that has started renders with the values it found.
#pragma once

#include "hox/config.h"
#include "hox/handle.h"
#include "hox/types.h"

namespace hox {

class HOX_API Shader : public Class {
public:
    enum { TypeId = CLASS_TYPE_SHADER };

    // Loads shader `shaderName` from the library `libraryName`, replacing
    // any shader held before. The library file is the name with "64.so"
    // appended, looked for under the device's shader path first. 0, or -1
    // with a warning saying why.
    int instantiate(const char* shaderName, const char* libraryName);
    // Loads the shader again from its library file (after a rebuild),
    // keeping every value whose name the new build still declares. 0; -1
    // without a shader, or when loading fails (the old shader then stays).
    int reload();
    // The shader's own version number, or -1 without a shader.
    int getVersion();

    int setUniform1b(const char* name, bool value);
    int setUniform2b(const char* name, const Vec2b& value);
    int setUniform3b(const char* name, const Vec3b& value);
    int setUniform4b(const char* name, const Vec4b& value);
    int setUniform1i(const char* name, int value);
    int setUniform2i(const char* name, const Vec2i& value);
    int setUniform3i(const char* name, const Vec3i& value);
    int setUniform4i(const char* name, const Vec4i& value);
    int setUniform1f(const char* name, float value);
    int setUniform2f(const char* name, const Vec2f& value);
    int setUniform3f(const char* name, const Vec3f& value);
    int setUniform4f(const char* name, const Vec4f& value);
    // With `transpose`, element (row r, column c) stored is element (c, r)
    // of the matrix given.
    int setUniform2x2f(const char* name, bool transpose, const Mat2f& value);
    int setUniform3x3f(const char* name, bool transpose, const Mat3f& value);
    int setUniform4x4f(const char* name, bool transpose, const Mat4f& value);
    // References are resolved before each frame; a handle that names no
    // live object gives the shader none.
    int setUniformTexture1D(const char* name, const THandle<Texture>& texture);
    int setUniformTexture2D(const char* name, const THandle<Texture>& texture);
    int setUniformTexture3D(const char* name, const THandle<Texture>& texture);
    int setUniformTextureCube(const char* name, const THandle<Texture>& texture);
    int setUniformShaderRef(const char* name, const THandle<Shader>& shader);

    // Arrays: the count and the first `count` values; elements past the
    // count keep what they held. `values` may be null for a count of 0.
    int setUniform1bv(const char* name, int count, const bool* values);
    int setUniform2bv(const char* name, int count, const Vec2b* values);
    int setUniform3bv(const char* name, int count, const Vec3b* values);
    int setUniform4bv(const char* name, int count, const Vec4b* values);
    int setUniform1iv(const char* name, int count, const int* values);
    int setUniform2iv(const char* name, int count, const Vec2i* values);
    int setUniform3iv(const char* name, int count, const Vec3i* values);
    int setUniform4iv(const char* name, int count, const Vec4i* values);
    int setUniform1fv(const char* name, int count, const float* values);
    int setUniform2fv(const char* name, int count, const Vec2f* values);
    int setUniform3fv(const char* name, int count, const Vec3f* values);
    int setUniform4fv(const char* name, int count, const Vec4f* values);
    int setUniform2x2fv(const char* name, bool transpose, int count, const Mat2f* values);
    int setUniform3x3fv(const char* name, bool transpose, int count, const Mat3f* values);
    int setUniform4x4fv(const char* name, bool transpose, int count, const Mat4f* values);
    int setUniformTexture1Dv(const char* name, int count, const THandle<Texture>* values);
    int setUniformTexture2Dv(const char* name, int count, const THandle<Texture>* values);
    int setUniformTexture3Dv(const char* name, int count, const THandle<Texture>* values);
    int setUniformTextureCubev(const char* name, int count, const THandle<Texture>* values);
};

}  // namespace hox
