// The parts of the shading pipeline on their own: sample counts from
// accuracies, service directions, the level stack, shader bindings, and the
// level index after every service called by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "engine/depth_stack.h"
#include "engine/service_directions.h"
#include "engine/shader_bindings.h"
#include "engine/shading_settings.h"
#include "hox/shader_services.h"
#include "scene/geometry_record.h"
#include "scene/shader_record.h"
#include "trace/compiled_scene.h"

namespace hox {
namespace engine {
namespace {

TEST(ShadingSettingsTest, AccuracyBandsGiveTheirSampleCounts) {
    const struct {
        float accuracy;
        int samples;
    } cases[] = {{2.0f, 64}, {1.0f, 64}, {0.99f, 32}, {0.75f, 32}, {0.74f, 16}, {0.5f, 16}, {0.49f, 8},
                 {0.25f, 8}, {0.24f, 4}, {1e-6f, 4}, {0.0f, 1}, {-1.0f, 1},
                 {std::numeric_limits<float>::quiet_NaN(), 1}};
    for (const auto& c : cases) EXPECT_EQ(c.samples, samplesForAccuracy(c.accuracy)) << c.accuracy;

    scene::RenderOptionsData options;
    options.traceDepth = -3;
    options.occlusionAccuracy = 0.8f;
    options.globalIllumination = false;
    options.glossyRefractionsAccuracy = 1.0f;
    const ShadingSettings s = shadingSettingsFrom(options);
    EXPECT_EQ(0, s.traceDepth);
    EXPECT_FALSE(s.indirectDiffuse);
    EXPECT_EQ(32, samplesForRayKind(s, kRayKindOcclusion));
    EXPECT_EQ(64, samplesForRayKind(s, kRayKindRefraction));
    EXPECT_EQ(4, samplesForRayKind(s, kRayKindShadow));  // default accuracy 0.1
    EXPECT_EQ(1, samplesForRayKind(s, kRayKindCamera));
}

float length(const Vec3f& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
float dot3(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

TEST(ServiceDirectionsTest, TangentFramesAreOrthonormalAndAvoidTheNormalsAxis) {
    const float s = 1.0f / std::sqrt(3.0f);
    const Vec3f normals[] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {-1, 0, 0}, {s, -s, s}};
    for (const Vec3f& n : normals) {
        Vec3f t1, t2;
        tangentFrame(n, t1, t2);
        const float checks[5] = {length(t1) - 1, length(t2) - 1, dot3(t1, n), dot3(t2, n), dot3(t1, t2)};
        for (float c : checks) EXPECT_NEAR(0.0f, c, 1e-6f);
        // t1 is perpendicular to x, or to y for normals along x.
        EXPECT_NEAR(0.0f, n.y * n.y + n.z * n.z > 1e-6f ? t1.x : t1.y, 1e-7f);
    }
    // (0, 0, 1) in the frame of +y: x·t1 + y·t2 + z·n is n.
    Vec3f t1, t2;
    const Vec3f up = {0, 1, 0};
    tangentFrame(up, t1, t2);
    const float d[3] = {0.0f, 0.0f, 2.0f};
    const Vec3f out = frameDirection(d, t1, t2, up);
    EXPECT_NEAR(1.0f, out.y, 1e-6f);
}

TEST(ServiceDirectionsTest, LobeFollowsTheAshikhminShirleyFormulas) {
    EXPECT_FLOAT_EQ(16.0f, lobeExponent(0.5f));
    EXPECT_FLOAT_EQ(1.0f, lobeExponent(3.0f));
    EXPECT_FLOAT_EQ(1e12f, lobeExponent(0.0f));
    EXPECT_FLOAT_EQ(1e12f, lobeExponent(std::numeric_limits<float>::quiet_NaN()));

    const Vec3f axis = {0, 0, 1}, t = {1, 0, 0}, b = {0, 1, 0};
    // xi2 = 1: cos θ = 1 whatever φ.
    Vec3f d = glossyLobeDirection(axis, t, b, 5.0f, 5.0f, 0.3f, 1.0f);
    EXPECT_NEAR(1.0f, d.z, 1e-6f);
    // Isotropic nu = nv = 1, xi1 = 0 (φ = 0), xi2 = 1/4: cos θ = (1/4)^(1/2).
    d = glossyLobeDirection(axis, t, b, 1.0f, 1.0f, 0.0f, 0.25f);
    EXPECT_NEAR(0.5f, d.z, 1e-6f);
    EXPECT_NEAR(std::sqrt(0.75f), d.x, 1e-6f);
    // The quadrants: xi1 = 1/4 points along the bitangent, 1/2 against the
    // tangent.
    d = glossyLobeDirection(axis, t, b, 1.0f, 1.0f, 0.25f, 0.25f);
    EXPECT_NEAR(std::sqrt(0.75f), d.y, 1e-5f);
    d = glossyLobeDirection(axis, t, b, 1.0f, 1.0f, 0.5f, 0.25f);
    EXPECT_NEAR(-std::sqrt(0.75f), d.x, 1e-5f);
    // Anisotropic nu = 3, nv = 0 (k = 2), xi1 = 1/8: φ = atan 2, so
    // cos²φ = 1/5 and the exponent is 3/5 + 1.
    const float xi2 = 0.3f;
    d = glossyLobeDirection(axis, t, b, 3.0f, 0.0f, 0.125f, xi2);
    const float cosTheta = std::pow(xi2, 1.0f / 1.6f), sinTheta = std::sqrt(1.0f - cosTheta * cosTheta);
    EXPECT_NEAR(cosTheta, d.z, 1e-5f);
    EXPECT_NEAR(sinTheta / std::sqrt(5.0f), d.x, 1e-5f);
    EXPECT_NEAR(2.0f * sinTheta / std::sqrt(5.0f), d.y, 1e-5f);
}

TEST(DepthStackTest, GrowsToTheMinimumThenByEightAfterRunningOut) {
    DepthStack stack;
    ASSERT_TRUE(stack.prepare(20));
    EXPECT_EQ(20, stack.size());
    ASSERT_TRUE(stack.prepare(4));  // never shrinks
    EXPECT_EQ(20, stack.size());
    trace::HitSurface* kept = stack.level(19).surface;
    stack.markRanOut();
    ASSERT_TRUE(stack.prepare(4));
    EXPECT_EQ(28, stack.size());
    EXPECT_FALSE(stack.ranOut());
    EXPECT_EQ(kept, stack.level(19).surface);  // levels keep their blocks
    for (int i = 0; i < stack.size(); ++i) {
        ASSERT_NE(nullptr, stack.level(i).surface);
        EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(stack.level(i).surface) % 16);
        EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(&stack.level(i).ray) % 16);
    }
    // Running out again and again stops adding at the growth limit.
    for (int i = 0; i < 200; ++i) {
        stack.markRanOut();
        ASSERT_TRUE(stack.prepare(1));
    }
    EXPECT_EQ(kDepthStackGrowthLimit, stack.size());
}

class NoopSurface : public ShaderObject {
public:
    explicit NoopSurface(int kind) : kind_(kind) {}
    int getKind() const override { return kind_; }
    void shade(IShaderServices*, ShadingState*) const override {}

private:
    int kind_;
};

TEST(ShaderBindingsTest, AttributesMatchByNameAndComponentCount) {
    scene::GeometryRecord geometry(0);
    for (const auto& [name, components] : {std::pair{"uv", 2}, std::pair{"tint", 4}}) {
        scene::VertexAttribute* entry = scene::createVertexAttribute(util::String(name), components);
        ASSERT_NE(nullptr, entry);
        ASSERT_TRUE(entry->values.resize(3 * components));
        ASSERT_TRUE(geometry.vertexAttributes.push(entry));
    }
    NoopSurface surfaceObject(SHADER_KIND_SURFACE), lightObject(SHADER_KIND_LIGHT);
    scene::ShaderRecord surface(1), light(2);
    surface.shaderObject = &surfaceObject;
    light.shaderObject = &lightObject;
    // uv as given; tint with the wrong width; missing not given at all.
    ASSERT_EQ(0, surface.parameters.declareAttribute(SHADER_ATTRIBUTE_2F, "uv", 0));
    ASSERT_EQ(0, surface.parameters.declareAttribute(SHADER_ATTRIBUTE_3F, "tint", 1));
    ASSERT_EQ(0, surface.parameters.declareAttribute(SHADER_ATTRIBUTE_1F, "missing", 2));

    trace::CompiledScene compiled;
    ASSERT_TRUE(compiled.instances.resize(3));
    std::memset(static_cast<void*>(compiled.instances.data), 0, 3 * sizeof(trace::Instance));
    compiled.instances.data[0].shader = &surface;
    compiled.instances.data[0].geometry = &geometry;
    compiled.instances.data[1].shader = &light;  // not a surface: bound, never called
    // Instance 2 has no shader.

    ShaderBindingTable table;
    ASSERT_TRUE(table.bind(compiled));
    const trace::Instance& first = compiled.instances.data[0];
    ASSERT_EQ(1, first.bindingCount);
    EXPECT_EQ(&surface, first.bindings[0].shader);
    const AttributeBinding* binding = attributeBinding(first.bindings[0]);
    ASSERT_NE(nullptr, binding);
    EXPECT_EQ(&surfaceObject, binding->surface);
    ASSERT_EQ(3, binding->sourceCount);
    EXPECT_EQ(2, binding->sources[0].componentCount);
    EXPECT_EQ(geometry.vertexAttributes[0]->values.data(), binding->sources[0].perVertexData);
    EXPECT_EQ(6, binding->sources[0].valueCount);
    EXPECT_EQ(3, binding->sources[1].componentCount);  // the declared width, without data
    EXPECT_EQ(nullptr, binding->sources[1].perVertexData);
    EXPECT_EQ(nullptr, binding->sources[2].perVertexData);
    EXPECT_EQ(binding, findBinding(first, &surfaceObject));
    EXPECT_EQ(nullptr, findBinding(first, &lightObject));

    const AttributeBinding* lightBinding = attributeBinding(compiled.instances.data[1].bindings[0]);
    EXPECT_EQ(&lightObject, lightBinding->object);
    EXPECT_EQ(nullptr, lightBinding->surface);
    EXPECT_EQ(0, compiled.instances.data[2].bindingCount);
    EXPECT_EQ(nullptr, compiled.instances.data[2].bindings);

    surface.shaderObject = nullptr;  // not the records' to free
    light.shaderObject = nullptr;
}

}  // namespace
}  // namespace engine
}  // namespace hox
