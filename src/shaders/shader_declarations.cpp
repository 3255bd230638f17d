// The manager as the declaration interface that shaders see in declare().
#include <climits>
#include <cstdint>

#include "scene/uniform_kind.h"
#include "shaders/shader_library_manager.h"

namespace hox {
namespace shaders {

int ShaderLibraryManager::declareMember(int kind, ShaderObject* shader, const char* name,
                                        const void* member) {
    // Outside a load there is no entry to record into; refusing tells a
    // plug-in that called at the wrong time, instead of losing it silently.
    if (!m_current || !shader || !name || !member) return -1;
    const uintptr_t base = reinterpret_cast<uintptr_t>(shader);
    const uintptr_t address = reinterpret_cast<uintptr_t>(member);
    // A member lies after the object's table pointer; anything else (a
    // member of another object, an address before this one) would make the
    // setters write over memory that is not a parameter.
    if (address < base + sizeof(void*) || address - base > uintptr_t(INT32_MAX)) return -1;
    return m_current->parameters.declareUniform(kind, name, int32_t(address - base), member);
}

int ShaderLibraryManager::setFlags(ShaderObject* shader, int flags) {
    if (!m_current || !shader) return -1;
    m_current->flags = flags;
    return 0;
}

int ShaderLibraryManager::declareAttribute(ShaderObject* shader, int typeCode, const char* name,
                                           int slot) {
    if (!m_current || !shader) return -1;
    return m_current->parameters.declareAttribute(typeCode, name, slot);
}

#define HOX_DECLARE_UNIFORM(Operation, Member, kind)                                          \
    int ShaderLibraryManager::Operation(ShaderObject* shader, const char* name, Member* member) { \
        return declareMember(scene::kind, shader, name, member);                              \
    }

HOX_DECLARE_UNIFORM(declareUniform1b, bool, UNIFORM_1B)
HOX_DECLARE_UNIFORM(declareUniform2b, Vec2b, UNIFORM_2B)
HOX_DECLARE_UNIFORM(declareUniform3b, Vec3b, UNIFORM_3B)
HOX_DECLARE_UNIFORM(declareUniform4b, Vec4b, UNIFORM_4B)
HOX_DECLARE_UNIFORM(declareUniform1i, int, UNIFORM_1I)
HOX_DECLARE_UNIFORM(declareUniform2i, Vec2i, UNIFORM_2I)
HOX_DECLARE_UNIFORM(declareUniform3i, Vec3i, UNIFORM_3I)
HOX_DECLARE_UNIFORM(declareUniform4i, Vec4i, UNIFORM_4I)
HOX_DECLARE_UNIFORM(declareUniform1f, float, UNIFORM_1F)
HOX_DECLARE_UNIFORM(declareUniform2f, Vec2f, UNIFORM_2F)
HOX_DECLARE_UNIFORM(declareUniform3f, Vec3f, UNIFORM_3F)
HOX_DECLARE_UNIFORM(declareUniform4f, Vec4f, UNIFORM_4F)
HOX_DECLARE_UNIFORM(declareUniform2x2f, Mat2f, UNIFORM_2X2F)
HOX_DECLARE_UNIFORM(declareUniform3x3f, Mat3f, UNIFORM_3X3F)
HOX_DECLARE_UNIFORM(declareUniform4x4f, Mat4f, UNIFORM_4X4F)
HOX_DECLARE_UNIFORM(declareUniformTexture1D, UniformRef, UNIFORM_TEXTURE_1D)
HOX_DECLARE_UNIFORM(declareUniformTexture2D, UniformRef, UNIFORM_TEXTURE_2D)
HOX_DECLARE_UNIFORM(declareUniformTexture3D, UniformRef, UNIFORM_TEXTURE_3D)
HOX_DECLARE_UNIFORM(declareUniformTextureCube, UniformRef, UNIFORM_TEXTURE_CUBE)
HOX_DECLARE_UNIFORM(declareUniformShaderRef, UniformRef, UNIFORM_SHADER_REF)
HOX_DECLARE_UNIFORM(declareUniform1bv, UniformArray<bool>, UNIFORM_1BV)
HOX_DECLARE_UNIFORM(declareUniform2bv, UniformArray<Vec2b>, UNIFORM_2BV)
HOX_DECLARE_UNIFORM(declareUniform3bv, UniformArray<Vec3b>, UNIFORM_3BV)
HOX_DECLARE_UNIFORM(declareUniform4bv, UniformArray<Vec4b>, UNIFORM_4BV)
HOX_DECLARE_UNIFORM(declareUniform1iv, UniformArray<int>, UNIFORM_1IV)
HOX_DECLARE_UNIFORM(declareUniform2iv, UniformArray<Vec2i>, UNIFORM_2IV)
HOX_DECLARE_UNIFORM(declareUniform3iv, UniformArray<Vec3i>, UNIFORM_3IV)
HOX_DECLARE_UNIFORM(declareUniform4iv, UniformArray<Vec4i>, UNIFORM_4IV)
HOX_DECLARE_UNIFORM(declareUniform1fv, UniformArray<float>, UNIFORM_1FV)
HOX_DECLARE_UNIFORM(declareUniform2fv, UniformArray<Vec2f>, UNIFORM_2FV)
HOX_DECLARE_UNIFORM(declareUniform3fv, UniformArray<Vec3f>, UNIFORM_3FV)
HOX_DECLARE_UNIFORM(declareUniform4fv, UniformArray<Vec4f>, UNIFORM_4FV)
HOX_DECLARE_UNIFORM(declareUniform2x2fv, UniformArray<Mat2f>, UNIFORM_2X2FV)
HOX_DECLARE_UNIFORM(declareUniform3x3fv, UniformArray<Mat3f>, UNIFORM_3X3FV)
HOX_DECLARE_UNIFORM(declareUniform4x4fv, UniformArray<Mat4f>, UNIFORM_4X4FV)
HOX_DECLARE_UNIFORM(declareUniformTexture1Dv, UniformArray<UniformRef>, UNIFORM_TEXTURE_1DV)
HOX_DECLARE_UNIFORM(declareUniformTexture2Dv, UniformArray<UniformRef>, UNIFORM_TEXTURE_2DV)
HOX_DECLARE_UNIFORM(declareUniformTexture3Dv, UniformArray<UniformRef>, UNIFORM_TEXTURE_3DV)
HOX_DECLARE_UNIFORM(declareUniformTextureCubev, UniformArray<UniformRef>, UNIFORM_TEXTURE_CUBEV)

#undef HOX_DECLARE_UNIFORM

}  // namespace shaders
}  // namespace hox
