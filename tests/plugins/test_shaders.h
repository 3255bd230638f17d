// The classes of the test plug-ins, defined inline here so that the tests can
// read the members the system writes (and the sanitizer knows their types).
#pragma once

#include <cstring>

#include "hox/shader_declaration.h"

namespace hox_test {

using namespace hox;

// Declarations made by objects of the all_kinds build it is compiled into.
inline int& allKindsDeclareCalls() {
    static int calls = 0;
    return calls;
}

// Flags word set by AllKindsShader: both named bits and one of its own.
constexpr int kAllKindsFlags = SHADER_FLAG_ENVIRONMENT | SHADER_FLAG_TRANSPARENT_SHADOWS | 0x100;
constexpr int kAllKindsVersion = 7;

// One member of every uniform kind, in kind order: declare suffix, type, name.
#define HOX_TEST_ALL_KINDS(X)                                                                           \
    X(1b, bool, b1) X(2b, Vec2b, b2) X(3b, Vec3b, b3) X(4b, Vec4b, b4)                                 \
    X(1i, int, i1) X(2i, Vec2i, i2) X(3i, Vec3i, i3) X(4i, Vec4i, i4)                                  \
    X(1f, float, f1) X(2f, Vec2f, f2) X(3f, Vec3f, f3) X(4f, Vec4f, f4)                                \
    X(2x2f, Mat2f, m2) X(3x3f, Mat3f, m3) X(4x4f, Mat4f, m4)                                            \
    X(Texture1D, UniformRef, t1) X(Texture2D, UniformRef, t2) X(Texture3D, UniformRef, t3)              \
    X(TextureCube, UniformRef, tc) X(ShaderRef, UniformRef, ref)                                        \
    X(1bv, UniformArray<bool>, b1v) X(2bv, UniformArray<Vec2b>, b2v) X(3bv, UniformArray<Vec3b>, b3v)   \
    X(4bv, UniformArray<Vec4b>, b4v) X(1iv, UniformArray<int>, i1v) X(2iv, UniformArray<Vec2i>, i2v)    \
    X(3iv, UniformArray<Vec3i>, i3v) X(4iv, UniformArray<Vec4i>, i4v) X(1fv, UniformArray<float>, f1v) \
    X(2fv, UniformArray<Vec2f>, f2v) X(3fv, UniformArray<Vec3f>, f3v) X(4fv, UniformArray<Vec4f>, f4v) \
    X(2x2fv, UniformArray<Mat2f>, m2v) X(3x3fv, UniformArray<Mat3f>, m3v)                               \
    X(4x4fv, UniformArray<Mat4f>, m4v) X(Texture1Dv, UniformArray<UniformRef>, t1v)                     \
    X(Texture2Dv, UniformArray<UniformRef>, t2v) X(Texture3Dv, UniformArray<UniformRef>, t3v)           \
    X(TextureCubev, UniformArray<UniformRef>, tcv)

// Declares one parameter of every kind, the same name in two kinds, a
// duplicate, attributes, and a member the system must refuse.
class AllKindsShader : public ShaderObject {
public:
    AllKindsShader() {
        // Everything zero, then recognisable defaults for a few members and
        // counts that mark which array elements the declaration records.
        std::memset(static_cast<void*>(&b1), 0, reinterpret_cast<char*>(this + 1) -
                                                     reinterpret_cast<char*>(&b1));
        b1 = true;
        i1 = 11;
        f1 = 1.5f;
        f3 = Vec3f{1, 2, 3};
        // References start out naming nothing, as a null handle does.
        t1.instance = t2.instance = t3.instance = tc.instance = ref.instance = 0xFFFFFFFu;
        i1v.count = 2;
        i1v.elements[0] = 100;
        i1v.elements[1] = 101;
        i1v.elements[2] = 102;  // past the count: not part of the default
        f4v.count = 999;        // out of range: recorded as 256
        sharedInt = 5;
        sharedFloat = 5.5f;
        duplicateResult = vtableResult = repeatedAttributeResult = badAttributeResult = 1;
    }
    void declare(IShaderDeclaration* d) override {
        ++allKindsDeclareCalls();
        declaredHere = true;
        d->setFlags(this, kAllKindsFlags);
#define HOX_DECLARE_KIND(suffix, T, name) d->declareUniform##suffix(this, #name, &name);
        HOX_TEST_ALL_KINDS(HOX_DECLARE_KIND)
#undef HOX_DECLARE_KIND
        d->declareUniform1i(this, "shared", &sharedInt);
        d->declareUniform1f(this, "shared", &sharedFloat);
        duplicateResult = d->declareUniform1f(this, "f1", &second);
        // The object's first bytes are its table pointer, never a parameter.
        vtableResult = d->declareUniform1i(this, "vtable", reinterpret_cast<int*>(this));
        d->declareAttribute(this, SHADER_ATTRIBUTE_2F, "uv", 0);
        repeatedAttributeResult = d->declareAttribute(this, SHADER_ATTRIBUTE_4X4F, "uv", 3);
        badAttributeResult = d->declareAttribute(this, 7, "bad", 4);
    }
    int getVersion() const override { return kAllKindsVersion; }
    int getKind() const override { return SHADER_KIND_SURFACE; }
    void shade(IShaderServices*, ShadingState*) const override {}
    // Declarations made by every object of the plug-in's build, ever.
    virtual int declareCallsInLibrary() const { return allKindsDeclareCalls(); }

#define HOX_KIND_MEMBER(suffix, T, name) T name;
    HOX_TEST_ALL_KINDS(HOX_KIND_MEMBER)
#undef HOX_KIND_MEMBER
    // "shared" is declared both as an int and as a float.
    int sharedInt;
    float sharedFloat;
    float second;  // declared as "f1" again: must be refused

    // What the declarations answered, for the tests to check.
    bool declaredHere;
    int duplicateResult;
    int vtableResult;
    int repeatedAttributeResult;
    int badAttributeResult;
};

// Two builds of the shader "reloadable" with different layouts. Both declare
// "gain" (1f), "steps" (1i) and "colours" (4fv), at different offsets; "mode"
// is an int in A and a float in B; "onlyA" and "onlyB" exist in one build.
class ReloadableA : public ShaderObject {
public:
    ReloadableA() : gain(1.0f), steps(2), mode(3), onlyA(4.0f) {
        colours.count = 1;
        colours.elements[0] = Vec4f{1, 1, 1, 1};
    }
    void declare(IShaderDeclaration* d) override {
        d->declareUniform1f(this, "gain", &gain);
        d->declareUniform1i(this, "steps", &steps);
        d->declareUniform1i(this, "mode", &mode);
        d->declareUniform1f(this, "onlyA", &onlyA);
        d->declareUniform4fv(this, "colours", &colours);
    }
    int getVersion() const override { return 1; }
    int getKind() const override { return SHADER_KIND_SURFACE; }
    void shade(IShaderServices*, ShadingState*) const override {}

    float gain;
    int steps;
    int mode;
    float onlyA;
    UniformArray<Vec4f> colours;
};

class ReloadableB : public ShaderObject {
public:
    ReloadableB() : padding(), onlyB(40.0f), mode(30.0f), steps(20), gain(10.0f) {
        colours.count = 0;
    }
    void declare(IShaderDeclaration* d) override {
        d->declareUniform4fv(this, "colours", &colours);
        d->declareUniform1f(this, "onlyB", &onlyB);
        d->declareUniform1f(this, "mode", &mode);
        d->declareUniform1i(this, "steps", &steps);
        d->declareUniform1f(this, "gain", &gain);
    }
    int getVersion() const override { return 2; }
    int getKind() const override { return SHADER_KIND_LIGHT; }
    void shade(IShaderServices*, ShadingState*) const override {}

    char padding[40];
    UniformArray<Vec4f> colours;
    float onlyB;
    float mode;
    int steps;
    float gain;
};

}  // namespace hox_test
