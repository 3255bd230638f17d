// Drives the standard shaders outside a renderer: loads hoxstd64.so, records
// what a shader declares, sets its parameters at the declared offsets (as
// the library does between frames) and shades with fake tracing services
// whose answers the tests choose and whose questions they inspect.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hox/config.h"
#include "hox/shader_api.h"
#include "platform/shared_library.h"

namespace stdshader_test {

using namespace hox;

// Uniform kind numbers (table order) used by the standard shaders.
enum Kind { K1B = 0, K1I = 4, K1F = 8, K3F = 10, KTEX2D = 16, KTEXCUBE = 18 };

struct Declared {
    int kind;
    std::string name;
    std::ptrdiff_t offset;
};
struct DeclaredAttribute {
    int type;
    std::string name;
    int slot;
};

class RecordingDeclaration : public IShaderDeclaration {
public:
    int flags = 0;
    std::vector<Declared> uniforms;
    std::vector<DeclaredAttribute> attributes;

    int setFlags(ShaderObject*, int f) override { return flags = f, 0; }
#define HOX_RECORD(fn, kind, T) \
    int fn(ShaderObject* s, const char* n, T* m) override { return add(kind, s, n, m); }
// The four sizes of one element type: 1x, 2x, 3x, 4x, kinds k .. k + 3.
#define HOX_RECORD4(suffix, k, T1, T2, T3, T4, wrap)  \
    HOX_RECORD(declareUniform1##suffix, k, wrap(T1))     \
    HOX_RECORD(declareUniform2##suffix, k + 1, wrap(T2)) \
    HOX_RECORD(declareUniform3##suffix, k + 2, wrap(T3)) \
    HOX_RECORD(declareUniform4##suffix, k + 3, wrap(T4))
#define HOX_PLAIN(T) T
#define HOX_ARRAY(T) UniformArray<T>
    HOX_RECORD4(b, 0, bool, Vec2b, Vec3b, Vec4b, HOX_PLAIN)
    HOX_RECORD4(i, 4, int, Vec2i, Vec3i, Vec4i, HOX_PLAIN)
    HOX_RECORD4(f, 8, float, Vec2f, Vec3f, Vec4f, HOX_PLAIN)
    HOX_RECORD(declareUniform2x2f, 12, Mat2f)
    HOX_RECORD(declareUniform3x3f, 13, Mat3f)
    HOX_RECORD(declareUniform4x4f, 14, Mat4f)
    HOX_RECORD(declareUniformTexture1D, 15, UniformRef)
    HOX_RECORD(declareUniformTexture2D, 16, UniformRef)
    HOX_RECORD(declareUniformTexture3D, 17, UniformRef)
    HOX_RECORD(declareUniformTextureCube, 18, UniformRef)
    HOX_RECORD(declareUniformShaderRef, 19, UniformRef)
    HOX_RECORD4(bv, 20, bool, Vec2b, Vec3b, Vec4b, HOX_ARRAY)
    HOX_RECORD4(iv, 24, int, Vec2i, Vec3i, Vec4i, HOX_ARRAY)
    HOX_RECORD4(fv, 28, float, Vec2f, Vec3f, Vec4f, HOX_ARRAY)
    HOX_RECORD(declareUniform2x2fv, 32, UniformArray<Mat2f>)
    HOX_RECORD(declareUniform3x3fv, 33, UniformArray<Mat3f>)
    HOX_RECORD(declareUniform4x4fv, 34, UniformArray<Mat4f>)
    HOX_RECORD(declareUniformTexture1Dv, 35, UniformArray<UniformRef>)
    HOX_RECORD(declareUniformTexture2Dv, 36, UniformArray<UniformRef>)
    HOX_RECORD(declareUniformTexture3Dv, 37, UniformArray<UniformRef>)
    HOX_RECORD(declareUniformTextureCubev, 38, UniformArray<UniformRef>)
#undef HOX_ARRAY
#undef HOX_PLAIN
#undef HOX_RECORD4
#undef HOX_RECORD
    int declareAttribute(ShaderObject*, int type, const char* name, int slot) override {
        attributes.push_back({type, name, slot});
        return 0;
    }

    const Declared* find(int kind, const std::string& name) const {
        for (const Declared& d : uniforms)
            if (d.kind == kind && d.name == name) return &d;
        return nullptr;
    }

private:
    int add(int kind, ShaderObject* shader, const char* name, const void* member) {
        if (find(kind, name)) return -1;
        uniforms.push_back({kind, name, static_cast<const char*>(member) - reinterpret_cast<const char*>(shader)});
        return 0;
    }
};

// One shader of hoxstd64.so, created and declared; the library stays loaded
// as long as the object lives.
class StdShader {
public:
    explicit StdShader(const char* name, bool declare = true) {
        library = platform::openSharedLibrary(HOX_STDSHADERS_FILE);
        if (!library) return;
        const std::string prefix(name);
        auto version = reinterpret_cast<ShaderApiVersionFunction>(
            platform::findSharedLibrarySymbol(library, (prefix + "_getAPIVersion").c_str()));
        auto create = reinterpret_cast<ShaderCreateFunction>(
            platform::findSharedLibrarySymbol(library, (prefix + "_create").c_str()));
        apiVersion = version ? version() : -1;
        if (create) object.reset(create());
        if (object && declare) object->declare(&declaration);
    }
    ~StdShader() {
        object.reset();
        platform::closeSharedLibrary(library);
    }
    StdShader(const StdShader&) = delete;
    StdShader& operator=(const StdShader&) = delete;

    // Address of a declared member; fails the test (and returns null) when
    // the shader did not declare it.
    char* member(int kind, const char* name) {
        const Declared* d = declaration.find(kind, name);
        EXPECT_NE(d, nullptr) << "uniform " << name << " of kind " << kind;
        return d ? reinterpret_cast<char*>(object.get()) + d->offset : nullptr;
    }
    template <typename T>
    void set(int kind, const char* name, const T& value) {
        if (char* m = member(kind, name)) std::memcpy(m, &value, sizeof value);
    }
    void setTexture(int kind, const char* name, const void* sampler) {
        if (char* m = member(kind, name)) reinterpret_cast<UniformRef*>(m)->pointer = const_cast<void*>(sampler);
    }

    platform::SharedLibrary* library = nullptr;
    std::unique_ptr<ShaderObject> object;
    RecordingDeclaration declaration;
    int apiVersion = -1;
};

// Which service a traced ray came from.
enum class Ray { Trace, Reflection, Refraction, GlossyReflection, GlossyRefraction };

struct TracedRay {
    Ray service;
    Vec3f origin, direction;
    float roughness;   // glossy services only
    float inheritedB;  // the caller's B at the time: what a refraction level inherits
};

// Tracing services with chosen answers. Every call is counted; the tests
// inspect what was asked.
class FakeServices : public IShaderServices {
public:
    ~FakeServices() override = default;

    // Answers.
    std::vector<LightSample> lights;  // illuminance returns these, linked in order
    int lightCount = -1;              // what illuminance returns; -1: all of them
    Vec3f ambientLight{0, 0, 0}, transmitted{1, 1, 1}, openness{1, 1, 1};
    Vec4f reflectionColour{0, 0, 0, 1}, refractionColour{0, 0, 0, 1}, indirectLight{0, 0, 0, 1};
    std::function<float(const Vec3f&)> noise = [](const Vec3f&) { return 0.0f; };

    // Questions.
    const ShadingState* caller = nullptr;  // set by shade() below
    int calls = 0;
    std::vector<Vec3f> illuminanceAxes, occlusionNormals, indirectNormals, noisePoints;
    std::vector<std::pair<Vec3f, Vec3f>> shadowRays;
    std::vector<TracedRay> rays;

    void addLight(const Vec3f& toLight, const Vec3f& colour) {
        LightSample s{};
        s.toLight = toLight;
        s.distance = 1.0f;
        s.colour = colour;
        lights.push_back(s);
    }

    int illuminance(int, const Vec3f&, const Vec3f& axis, const LightSample** samples, float) override {
        ++calls;
        illuminanceAxes.push_back(axis);
        for (std::size_t i = 0; i < lights.size(); ++i)
            lights[i].next = i + 1 < lights.size() ? &lights[i + 1] : nullptr;
        *samples = lights.empty() ? nullptr : lights.data();
        return lightCount >= 0 ? lightCount : static_cast<int>(lights.size());
    }
    int illuminance(int g, const Vec3f& p, const Vec3f& axis, const LightSample** s) override {
        return illuminance(g, p, axis, s, 1.5707964f);
    }
    void ambient(Vec3f& result, const Vec3f&) override { ++calls, result = ambientLight; }
    void transmission(Vec3f& result, const Vec3f& from, const Vec3f& to) override {
        ++calls;
        shadowRays.push_back({from, to});
        result = transmitted;
    }
    void trace(Vec4f& r, const Vec3f& o, const Vec3f& d, int kind) override {
        record(r, Ray::Trace, o, d, 0, kind == kRayKindRefraction);
    }
    void traceReflection(Vec4f& r, const Vec3f& o, const Vec3f& d) override {
        record(r, Ray::Reflection, o, d, 0, false);
    }
    void traceRefraction(Vec4f& r, const Vec3f& o, const Vec3f& d) override {
        record(r, Ray::Refraction, o, d, 0, true);
    }
    void glossyReflection(Vec4f& r, const Vec3f& o, const Vec3f& d, const Vec3f&, const Vec3f&, float ru,
                          float) override {
        record(r, Ray::GlossyReflection, o, d, ru, false);
    }
    void glossyReflection(Vec4f& r, const Vec3f& o, const Vec3f& d, float rough) override {
        record(r, Ray::GlossyReflection, o, d, rough, false);
    }
    void glossyRefraction(Vec4f& r, const Vec3f& o, const Vec3f& d, const Vec3f&, const Vec3f&, float ru,
                          float) override {
        record(r, Ray::GlossyRefraction, o, d, ru, true);
    }
    void glossyRefraction(Vec4f& r, const Vec3f& o, const Vec3f& d, float rough) override {
        record(r, Ray::GlossyRefraction, o, d, rough, true);
    }
    void ambientOcclusion(Vec3f& result, const Vec3f&, const Vec3f& n) override {
        ++calls;
        occlusionNormals.push_back(n);
        result = openness;
    }
    void indirectDiffuse(Vec4f& result, const Vec3f&, const Vec3f& n) override {
        ++calls;
        indirectNormals.push_back(n);
        result = indirectLight;
    }
    void shadeWith(Vec4f& r, const ShaderObject*, const ShadingState&) override { ++calls, r = Vec4f{0, 0, 0, 0}; }
    void transmissionOf(Vec3f& r, const ShaderObject*, const ShadingState&) override { ++calls, r = Vec3f{0, 0, 0}; }

    float noiseFloat(const Vec3f& p) override {
        ++calls;
        noisePoints.push_back(p);
        return noise(p);
    }
    // The shaders use only the three-dimensional one-component gradient
    // noise; every other form answers 0 and counts as a call.
#define HOX_OTHER_NOISE_FORMS(name, R)                     \
    R name(const Vec4f&) override { return ++calls, R{}; } \
    R name(const Vec2f&) override { return ++calls, R{}; } \
    R name(float) override { return ++calls, R{}; }
#define HOX_NOISE_FORMS(name, R)   \
    HOX_OTHER_NOISE_FORMS(name, R) \
    R name(const Vec3f&) override { return ++calls, R{}; }
    HOX_OTHER_NOISE_FORMS(noiseFloat, float)
    HOX_NOISE_FORMS(noiseVec2, Vec2f)
    HOX_NOISE_FORMS(noiseVec3, Vec3f)
    HOX_NOISE_FORMS(noiseVec4, Vec4f)
    HOX_NOISE_FORMS(cellNoiseFloat, float)
    HOX_NOISE_FORMS(cellNoiseVec2, Vec2f)
    HOX_NOISE_FORMS(cellNoiseVec3, Vec3f)
    HOX_NOISE_FORMS(cellNoiseVec4, Vec4f)
#undef HOX_NOISE_FORMS
#undef HOX_OTHER_NOISE_FORMS
#define HOX_PERIODIC_FORMS(name, R)                                      \
    R name(const Vec4f&, const Vec4i&) override { return ++calls, R{}; } \
    R name(const Vec3f&, const Vec3i&) override { return ++calls, R{}; } \
    R name(const Vec2f&, const Vec2i&) override { return ++calls, R{}; } \
    R name(float, int) override { return ++calls, R{}; }
    HOX_PERIODIC_FORMS(periodicNoiseFloat, float)
    HOX_PERIODIC_FORMS(periodicNoiseVec2, Vec2f)
    HOX_PERIODIC_FORMS(periodicNoiseVec3, Vec3f)
    HOX_PERIODIC_FORMS(periodicNoiseVec4, Vec4f)
#undef HOX_PERIODIC_FORMS

private:
    void record(Vec4f& result, Ray service, const Vec3f& o, const Vec3f& d, float roughness, bool refraction) {
        ++calls;
        rays.push_back({service, o, d, roughness, caller ? caller->inheritedB : 0.0f});
        result = refraction ? refractionColour : reflectionColour;
    }
};

// A texture of one colour (Sampler2D or SamplerCube, N coordinates) that
// keeps the coordinates it was asked for.
template <typename Sampler, int N>
class FakeSampler : public Sampler {
public:
    explicit FakeSampler(const Vec4f& c) : colour(c) {}
    ~FakeSampler() override = default;
    void lookup(const float* at, float* rgba) const override {
        asked.emplace_back(at, at + N);
        std::memcpy(rgba, &colour, sizeof colour);
    }
    Vec4f colour;
    mutable std::vector<std::vector<float>> asked;
};
using FakeSampler2D = FakeSampler<Sampler2D, 2>;
using FakeSamplerCube = FakeSampler<SamplerCube, 3>;

// A hit at `position` with the given normal, seen along `direction`.
inline ShadingState hitState(const Vec3f& position, const Vec3f& normal, const Vec3f& direction) {
    ShadingState s{};
    s.rayDirection = direction;
    s.position = s.objectPosition = position;
    s.normal = s.faceNormal = normal;
    s.rayKind = kRayKindCamera;
    s.depth = 1;
    s.traceDepth = 4;
    return s;
}

// A floor at the origin facing +z, seen straight from above.
inline ShadingState floorHit() { return hitState({0, 0, 0}, {0, 0, 1}, {0, 0, -1}); }

// Runs shade() with the entry values the renderer gives; returns the colour.
inline Vec4f shade(StdShader& shader, FakeServices& services, ShadingState& state) {
    state.colour = Vec4f{0, 0, 0, 1};
    state.transmission = Vec3f{0, 0, 0};
    state.lightColour = Vec3f{0, 0, 0};
    state.lightColourScale = Vec3f{1, 1, 1};
    services.caller = &state;
    shader.object->shade(&services, &state);
    return state.colour;
}

// Exactly one ray was traced, by `service` along `direction`.
inline void expectOneRay(const FakeServices& services, Ray service, const Vec3f& direction) {
    ASSERT_EQ(services.rays.size(), 1u);
    EXPECT_EQ(services.rays[0].service, service);
    const Vec3f& d = services.rays[0].direction;
    EXPECT_NEAR(d.x, direction.x, 1e-5f);
    EXPECT_NEAR(d.y, direction.y, 1e-5f);
    EXPECT_NEAR(d.z, direction.z, 1e-5f);
}

inline Vec3f unit(float x, float y, float z) {
    const float l = std::sqrt(x * x + y * y + z * z);
    return {x / l, y / l, z / l};
}

constexpr float kTolerance = 1e-5f;
constexpr float kRad = 3.14159265f / 180.0f;

#define EXPECT_VEC3_NEAR(actual, ex, ey, ez)                   \
    do {                                                       \
        const ::hox::Vec3f a_ = (actual);                      \
        EXPECT_NEAR(a_.x, (ex), ::stdshader_test::kTolerance); \
        EXPECT_NEAR(a_.y, (ey), ::stdshader_test::kTolerance); \
        EXPECT_NEAR(a_.z, (ez), ::stdshader_test::kTolerance); \
    } while (0)
#define EXPECT_RGBA_NEAR(actual, er, eg, eb, ea)                        \
    do {                                                                \
        const ::hox::Vec4f c_ = (actual);                               \
        EXPECT_VEC3_NEAR((::hox::Vec3f{c_.x, c_.y, c_.z}), er, eg, eb); \
        EXPECT_NEAR(c_.w, (ea), ::stdshader_test::kTolerance);          \
    } while (0)

}  // namespace stdshader_test
