// The classes of the test plug-ins, shared with the tests so that they can
// read the members the system writes. Everything is defined here, inline:
// the tests then know the classes' type information too, which the
// sanitizer's checks of member access through a pointer want. Objects are
// only ever made inside the plug-ins, so the code that runs is theirs.
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
        d->declareUniform1b(this, "b1", &b1);
        d->declareUniform2b(this, "b2", &b2);
        d->declareUniform3b(this, "b3", &b3);
        d->declareUniform4b(this, "b4", &b4);
        d->declareUniform1i(this, "i1", &i1);
        d->declareUniform2i(this, "i2", &i2);
        d->declareUniform3i(this, "i3", &i3);
        d->declareUniform4i(this, "i4", &i4);
        d->declareUniform1f(this, "f1", &f1);
        d->declareUniform2f(this, "f2", &f2);
        d->declareUniform3f(this, "f3", &f3);
        d->declareUniform4f(this, "f4", &f4);
        d->declareUniform2x2f(this, "m2", &m2);
        d->declareUniform3x3f(this, "m3", &m3);
        d->declareUniform4x4f(this, "m4", &m4);
        d->declareUniformTexture1D(this, "t1", &t1);
        d->declareUniformTexture2D(this, "t2", &t2);
        d->declareUniformTexture3D(this, "t3", &t3);
        d->declareUniformTextureCube(this, "tc", &tc);
        d->declareUniformShaderRef(this, "ref", &ref);
        d->declareUniform1bv(this, "b1v", &b1v);
        d->declareUniform2bv(this, "b2v", &b2v);
        d->declareUniform3bv(this, "b3v", &b3v);
        d->declareUniform4bv(this, "b4v", &b4v);
        d->declareUniform1iv(this, "i1v", &i1v);
        d->declareUniform2iv(this, "i2v", &i2v);
        d->declareUniform3iv(this, "i3v", &i3v);
        d->declareUniform4iv(this, "i4v", &i4v);
        d->declareUniform1fv(this, "f1v", &f1v);
        d->declareUniform2fv(this, "f2v", &f2v);
        d->declareUniform3fv(this, "f3v", &f3v);
        d->declareUniform4fv(this, "f4v", &f4v);
        d->declareUniform2x2fv(this, "m2v", &m2v);
        d->declareUniform3x3fv(this, "m3v", &m3v);
        d->declareUniform4x4fv(this, "m4v", &m4v);
        d->declareUniformTexture1Dv(this, "t1v", &t1v);
        d->declareUniformTexture2Dv(this, "t2v", &t2v);
        d->declareUniformTexture3Dv(this, "t3v", &t3v);
        d->declareUniformTextureCubev(this, "tcv", &tcv);
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

    bool b1;
    Vec2b b2;
    Vec3b b3;
    Vec4b b4;
    int i1;
    Vec2i i2;
    Vec3i i3;
    Vec4i i4;
    float f1;
    Vec2f f2;
    Vec3f f3;
    Vec4f f4;
    Mat2f m2;
    Mat3f m3;
    Mat4f m4;
    UniformRef t1;
    UniformRef t2;
    UniformRef t3;
    UniformRef tc;
    UniformRef ref;
    UniformArray<bool> b1v;
    UniformArray<Vec2b> b2v;
    UniformArray<Vec3b> b3v;
    UniformArray<Vec4b> b4v;
    UniformArray<int> i1v;
    UniformArray<Vec2i> i2v;
    UniformArray<Vec3i> i3v;
    UniformArray<Vec4i> i4v;
    UniformArray<float> f1v;
    UniformArray<Vec2f> f2v;
    UniformArray<Vec3f> f3v;
    UniformArray<Vec4f> f4v;
    UniformArray<Mat2f> m2v;
    UniformArray<Mat3f> m3v;
    UniformArray<Mat4f> m4v;
    UniformArray<UniformRef> t1v;
    UniformArray<UniformRef> t2v;
    UniformArray<UniformRef> t3v;
    UniformArray<UniformRef> tcv;
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
