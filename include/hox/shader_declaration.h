// What a shader plug-in library is built against.
//
// A plug-in is a shared library that exports, for a shader named S, the two
// C functions S_getAPIVersion and S_create (HOX_DECLARE_SHADER writes both).
// The library file is the name the host passes to Shader::instantiate with
// "64" and ".so" appended.
//
// A shader keeps its parameters as ordinary data members of its own object
// and tells the system where they are in declare(): their name, kind and
// address. The system then writes parameter values straight into those
// members, between frames only, so shade() and transmit() always read a
// stable object. Members must use the layouts below: plain packed elements
// for scalars, vectors and matrices, UniformRef for texture and shader
// references, UniformArray<T> for arrays.
#pragma once

#include <cstdint>
#include <new>

#include "hox/config.h"
#include "hox/texture_sampler.h"
#include "hox/types.h"

namespace hox {

class IShaderServices;
struct ShadingState;
class IShaderDeclaration;
class ShaderObject;

// Values of ShaderObject::getKind(). Scene compilation keeps one stack per
// kind; any other value leaves the shader out of shading altogether.
enum EShaderKind {
    SHADER_KIND_SURFACE = 0,
    SHADER_KIND_LIGHT = 1,
    SHADER_KIND_OTHER = 2
};

// Bits of the flags word a shader sets with IShaderDeclaration::setFlags.
// Bits not named here are the shader's own.
enum EShaderFlags {
    // Surfaces let shadow and occlusion rays through, asking transmit().
    SHADER_FLAG_TRANSPARENT_SHADOWS = 2,
    // May serve as a render view's environment shader.
    SHADER_FLAG_ENVIRONMENT = 8
};

// Type codes of IShaderDeclaration::declareAttribute, with the number of
// float components each carries: 1, 2, 3, 4, 4, 9, 16.
enum EShaderAttributeType {
    SHADER_ATTRIBUTE_1F = 0,
    SHADER_ATTRIBUTE_2F = 1,
    SHADER_ATTRIBUTE_3F = 2,
    SHADER_ATTRIBUTE_4F = 3,
    SHADER_ATTRIBUTE_2X2F = 4,
    SHADER_ATTRIBUTE_3X3F = 5,
    SHADER_ATTRIBUTE_4X4F = 6
};

// Member layout of a texture or shader reference. The host names the object
// by handle; before every frame the system looks the instance up and stores
// what the shader may use in `pointer`: the referenced shader's object, or
// the lookup interface of the texture's sampler (the one of the parameter's
// dimension). A reference to nothing, or to a destroyed object, leaves
// `pointer` null, so a shader must always test it.
struct UniformRef {
    void* pointer;
    uint32_t instance;  // the referenced object's instance (handle bits 0-27)
    uint32_t reserved;  // the system's own

    ShaderObject* shader() const { return static_cast<ShaderObject*>(pointer); }
    const Sampler1D* sampler1D() const { return static_cast<const Sampler1D*>(pointer); }
    const Sampler2D* sampler2D() const { return static_cast<const Sampler2D*>(pointer); }
    const Sampler3D* sampler3D() const { return static_cast<const Sampler3D*>(pointer); }
    const SamplerCube* samplerCube() const { return static_cast<const SamplerCube*>(pointer); }
};
static_assert(sizeof(UniformRef) == 16, "UniformRef is a 16-byte record");

// Room of every array parameter: a fixed 256 elements, so that setting an
// array never allocates.
constexpr int kMaxUniformArrayCount = 256;

// Member layout of an array parameter: the number of valid elements, then
// room for all 256. Elements past `count` keep whatever they held.
template <typename T>
struct UniformArray {
    int32_t count;
    T elements[kMaxUniformArrayCount];
};

// The base class of every shader. The system calls the operations in this
// order of declaration and no others; reserved() is the plug-in's own and is
// never called by the system.
class ShaderObject {
public:
    virtual ~ShaderObject() {}
    // Called once, on the first load of the shader from its library: declare
    // the flags word and every parameter. Objects made later from the cache
    // are not asked again, so the constructor must give the members their
    // defaults.
    virtual void declare(IShaderDeclaration* declaration) { (void)declaration; }
    virtual void reserved() {}
    // Any number the shader likes; the answer of Shader::getVersion.
    virtual int getVersion() const { return 0; }
    // One of EShaderKind.
    virtual int getKind() const = 0;
    // Called from every render thread at once, each with its own services
    // and state: read the state, write RGBA into its colour words. The object
    // is shared, so it must not be written here.
    virtual void shade(IShaderServices* services, ShadingState* state) const = 0;
    // For shaders flagged SHADER_FLAG_TRANSPARENT_SHADOWS: write the RGB
    // colour that passes through the surface into the state.
    virtual void transmit(IShaderServices* services, ShadingState* state) const {
        (void)services;
        (void)state;
    }
};

// Handed to ShaderObject::declare. Every operation takes the object being
// declared and, for parameters, the address of the member; it returns 0, or
// -1 when the kind already has a parameter of that name (the repeat is
// ignored, the first declaration stays), when an argument is null, or when
// it is called outside a declare() of the system.
class IShaderDeclaration {
public:
    virtual ~IShaderDeclaration() {}
    virtual int setFlags(ShaderObject* shader, int flags) = 0;

    virtual int declareUniform1b(ShaderObject* shader, const char* name, bool* member) = 0;
    virtual int declareUniform2b(ShaderObject* shader, const char* name, Vec2b* member) = 0;
    virtual int declareUniform3b(ShaderObject* shader, const char* name, Vec3b* member) = 0;
    virtual int declareUniform4b(ShaderObject* shader, const char* name, Vec4b* member) = 0;
    virtual int declareUniform1i(ShaderObject* shader, const char* name, int* member) = 0;
    virtual int declareUniform2i(ShaderObject* shader, const char* name, Vec2i* member) = 0;
    virtual int declareUniform3i(ShaderObject* shader, const char* name, Vec3i* member) = 0;
    virtual int declareUniform4i(ShaderObject* shader, const char* name, Vec4i* member) = 0;
    virtual int declareUniform1f(ShaderObject* shader, const char* name, float* member) = 0;
    virtual int declareUniform2f(ShaderObject* shader, const char* name, Vec2f* member) = 0;
    virtual int declareUniform3f(ShaderObject* shader, const char* name, Vec3f* member) = 0;
    virtual int declareUniform4f(ShaderObject* shader, const char* name, Vec4f* member) = 0;
    virtual int declareUniform2x2f(ShaderObject* shader, const char* name, Mat2f* member) = 0;
    virtual int declareUniform3x3f(ShaderObject* shader, const char* name, Mat3f* member) = 0;
    virtual int declareUniform4x4f(ShaderObject* shader, const char* name, Mat4f* member) = 0;
    virtual int declareUniformTexture1D(ShaderObject* shader, const char* name,
                                        UniformRef* member) = 0;
    virtual int declareUniformTexture2D(ShaderObject* shader, const char* name,
                                        UniformRef* member) = 0;
    virtual int declareUniformTexture3D(ShaderObject* shader, const char* name,
                                        UniformRef* member) = 0;
    virtual int declareUniformTextureCube(ShaderObject* shader, const char* name,
                                          UniformRef* member) = 0;
    virtual int declareUniformShaderRef(ShaderObject* shader, const char* name,
                                        UniformRef* member) = 0;

    virtual int declareUniform1bv(ShaderObject* shader, const char* name,
                                  UniformArray<bool>* member) = 0;
    virtual int declareUniform2bv(ShaderObject* shader, const char* name,
                                  UniformArray<Vec2b>* member) = 0;
    virtual int declareUniform3bv(ShaderObject* shader, const char* name,
                                  UniformArray<Vec3b>* member) = 0;
    virtual int declareUniform4bv(ShaderObject* shader, const char* name,
                                  UniformArray<Vec4b>* member) = 0;
    virtual int declareUniform1iv(ShaderObject* shader, const char* name,
                                  UniformArray<int>* member) = 0;
    virtual int declareUniform2iv(ShaderObject* shader, const char* name,
                                  UniformArray<Vec2i>* member) = 0;
    virtual int declareUniform3iv(ShaderObject* shader, const char* name,
                                  UniformArray<Vec3i>* member) = 0;
    virtual int declareUniform4iv(ShaderObject* shader, const char* name,
                                  UniformArray<Vec4i>* member) = 0;
    virtual int declareUniform1fv(ShaderObject* shader, const char* name,
                                  UniformArray<float>* member) = 0;
    virtual int declareUniform2fv(ShaderObject* shader, const char* name,
                                  UniformArray<Vec2f>* member) = 0;
    virtual int declareUniform3fv(ShaderObject* shader, const char* name,
                                  UniformArray<Vec3f>* member) = 0;
    virtual int declareUniform4fv(ShaderObject* shader, const char* name,
                                  UniformArray<Vec4f>* member) = 0;
    virtual int declareUniform2x2fv(ShaderObject* shader, const char* name,
                                    UniformArray<Mat2f>* member) = 0;
    virtual int declareUniform3x3fv(ShaderObject* shader, const char* name,
                                    UniformArray<Mat3f>* member) = 0;
    virtual int declareUniform4x4fv(ShaderObject* shader, const char* name,
                                    UniformArray<Mat4f>* member) = 0;
    virtual int declareUniformTexture1Dv(ShaderObject* shader, const char* name,
                                         UniformArray<UniformRef>* member) = 0;
    virtual int declareUniformTexture2Dv(ShaderObject* shader, const char* name,
                                         UniformArray<UniformRef>* member) = 0;
    virtual int declareUniformTexture3Dv(ShaderObject* shader, const char* name,
                                         UniformArray<UniformRef>* member) = 0;
    virtual int declareUniformTextureCubev(ShaderObject* shader, const char* name,
                                           UniformArray<UniformRef>* member) = 0;

    // A per-vertex attribute the shader reads at `slot`; typeCode is one of
    // EShaderAttributeType (another code returns -1). A name may be declared
    // more than once.
    virtual int declareAttribute(ShaderObject* shader, int typeCode, const char* name,
                                 int slot) = 0;
};

// The two exports of a shader library, for a shader named S.
typedef int (*ShaderApiVersionFunction)();      // S_getAPIVersion: kApiVersion
typedef ShaderObject* (*ShaderCreateFunction)();  // S_create: a new object, or null

}  // namespace hox

#define HOX_SHADER_EXPORT extern "C" __attribute__((visibility("default")))

// Defines the two exports for a shader named `shaderName` (an identifier)
// whose objects are of `ClassName` (default-constructible). A constructor
// that runs out of memory yields null, which the system reports as a failed
// creation.
#define HOX_DECLARE_SHADER(ClassName, shaderName)                                   \
    HOX_SHADER_EXPORT int shaderName##_getAPIVersion() { return ::hox::kApiVersion; } \
    HOX_SHADER_EXPORT ::hox::ShaderObject* shaderName##_create() {                 \
        return new (std::nothrow) ClassName();                                      \
    }
