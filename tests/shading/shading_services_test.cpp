// The tracing services as the probe shaders see them: mirrors against a
// constant environment, the trace depth limit, instances hidden from
// reflection rays, levels every service gives back, the level stack's growth,
// repeatable images, the hemisphere services, noise and vertex attributes.
#include <gtest/gtest.h>

#include <vector>

#include "engine/noise.h"
#include "engine/render_counters.h"
#include "hox/geometry.h"
#include "shading_scene.h"

namespace hox_shading_test {
namespace {

using hox::Mat4f;

class ShadingServicesTest : public ShadingTest {
protected:
    hox::THandle<hox::Shader> hemisphere(int mode) {
        hox::THandle<hox::Shader> s = shader("probe_hemisphere");
        edit(s, [&](hox::Shader& e) { e.setUniform1i("mode", mode); });
        return s;
    }
};

TEST_F(ShadingServicesTest, OcclusionIsOneUnderTheOpenSkyAndZeroInsideAClosedBox) {
    build(16, 16);
    hox::THandle<hox::Shader> ao = hemisphere(0);
    hox::THandle<hox::Object> back = quad(ao, -1.0f, -1.0f, 1.0f, 1.0f, -1.0f);
    ASSERT_EQ(0, scene->render());
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x) EXPECT_TRUE(near(at(x, y), {1, 1, 1, 1}, 1e-6f)) << x << ", " << y;

    // Close the box around the camera (the quad carried to the other five
    // walls; row vectors); with a range far beyond the box every hit counts
    // as fully occluded.
    const Mat4f walls[5] = {
        translation(0.0f, 0.0f, 2.0f),                        // z = +1
        {{0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1}},   // x = -1
        {{0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 2, 0, 0, 1}},   // x = +1
        {{1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1}},   // y = -1
        {{1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 2, 0, 1}},   // y = +1
    };
    for (const Mat4f& wall : walls) quad(ao, -1.0f, -1.0f, 1.0f, 1.0f, -1.0f, &wall);
    attributes(back, [](hox::RenderAttributes& a) { a.setAttribute1f(hox::ATTRIBUTE_OCCLUSION_RANGE, 1e6f); });
    ASSERT_EQ(0, scene->render());
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x) EXPECT_TRUE(near(at(x, y), {0, 0, 0, 1}, 1e-5f)) << x << ", " << y;

    // Occlusion switched off leaves everything open.
    scene->setOption(hox::OPTION_OCCLUSION, false);
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(near(at(8, 8), {1, 1, 1, 1}, 1e-6f));
}

TEST_F(ShadingServicesTest, IndirectDiffuseAveragesTheEnvironmentAndIsBlackWhenOff) {
    build(8, 8);
    environment(shader("probe_environment"));
    quad(hemisphere(1), -10.0f, -10.0f, 10.0f, 10.0f, -2.0f);
    optionFloat(hox::OPTION_GLOBAL_ILLUMINATION_ACCURACY, 0.5f);  // 16 rays
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(near(at(3, 5), {0.25f, 0.5f, 0.75f, 1.0f}, 1e-6f));
    scene->setOption(hox::OPTION_GLOBAL_ILLUMINATION, false);
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(near(at(3, 5), {0, 0, 0, 0}, 1e-6f));
}

TEST_F(ShadingServicesTest, NoiseServicesReachTheNoiseFunctions) {
    build(4, 4);
    hox::THandle<hox::Shader> probe = shader("probe_noise");
    edit(probe, [](hox::Shader& s) { s.setUniform4f("point", hox::Vec4f{1.5f, 2.0f, 3.0f, 4.0f}); });
    quad(probe, -10.0f, -10.0f, 10.0f, 10.0f, -2.0f);
    ASSERT_EQ(0, scene->render());
    // Red: cell 1; green: gradient noise at an integer point; blue: the
    // difference one period apart.
    const float p = 1.5f;
    float cell;
    hox::engine::noise::cellComponents(&p, 1, &cell, 1);
    EXPECT_NEAR(0.2860609f, cell, 1e-6f);
    EXPECT_TRUE(near(at(1, 2), {cell, 0.0f, 0.0f, 1.0f}, 1e-6f));
}

// A quad at depth -2 over x0 … x1, y -1 … 1, with "uv" (0, 0) … (1, 1) at
// its corners and a "weight" of 0.5 in one or three components.
hox::THandle<hox::Geometry> attributeQuad(hox::IRenderDevice* device, float x0, float x1, bool threeComponents) {
    hox::THandle<hox::Geometry> g(device);
    const int indices[6] = {0, 1, 2, 2, 1, 3};
    const hox::Vec3f coords[4] = {{x0, -1, -2}, {x1, -1, -2}, {x0, 1, -2}, {x1, 1, -2}};
    const hox::Vec3f normals[4] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    const hox::Vec2f uv[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    const float w1[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    const hox::Vec3f h = {0.5f, 0.5f, 0.5f}, w3[4] = {h, h, h, h};
    edit(g, [&](hox::Geometry& e) {
        e.init(hox::GEOMETRY_TYPE_TRIANGLES, 2, 4);
        e.setIndexArray(indices);
        e.setCoordArray3f(coords);
        e.setNormalArray3f(normals);
        e.setVertexAttribArray2f("uv", uv);
        if (threeComponents) e.setVertexAttribArray3f("weight", w3);
        else e.setVertexAttribArray1f("weight", w1);
    });
    return g;
}

TEST_F(ShadingServicesTest, DeclaredAttributesAreInterpolatedAndMismatchesReadZero) {
    build(32, 16);
    hox::THandle<hox::Shader> probe = shader("probe_attributes");
    // Left quad: "weight" as declared; right quad: three components where
    // the shader declared one.
    const float halves[2][2] = {{-2.0f, 0.0f}, {0.0f, 2.0f}};
    for (int i = 0; i < 2; ++i) {
        hox::THandle<hox::Object> o(device);
        edit(o, [&](hox::Object& e) {
            e.setGeometry(attributeQuad(device, halves[i][0], halves[i][1], i == 1));
            e.setShader(probe);
        });
        edit(scene->root, [&](hox::Group& g) { g.addChild(o); });
    }
    ASSERT_EQ(0, scene->render());
    for (int y = 2; y < 14; y += 3)
        for (int x = 1; x < 32; x += 3) {
            float wx, wy;
            scene->worldAt(x, y, -2.0f, wx, wy);
            const int i = wx < 0.0f ? 0 : 1;
            const float u = (wx - halves[i][0]) / 2.0f, v = (wy + 1.0f) / 2.0f;
            EXPECT_TRUE(near(at(x, y), {u, v, i == 0 ? 0.5f : 0.0f, 1.0f}, 1e-5f)) << x << ", " << y;
        }
}

constexpr Rgba kEnvironment = {0.25f, 0.5f, 0.75f, 1.0f};  // probe_environment's default

class ShadingTraceTest : public ShadingTest {
protected:
    // A mirror filling the view at z = -2, in front of the constant
    // environment.
    void mirrorScene(int size) {
        build(size, size);
        mirror = shader("probe_mirror");
        env = shader("probe_environment");
        environment(env);
        quad(mirror, -10.0f, -10.0f, 10.0f, 10.0f, -2.0f);
    }
    void setTraceDepth(int depth) { scene->setOption(hox::OPTION_TRACE_DEPTH, depth); }

    hox::THandle<hox::Shader> mirror, env;
};

TEST_F(ShadingTraceTest, MirrorsShowTheEnvironmentAndEachPixelCallsTwoShaders) {
    mirrorScene(16);
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(everyPixelIs(kEnvironment, 1e-6f));
    ASSERT_EQ(0, scene->render());  // its begin-frame hands over the first frame's counts
    hox::RenderStats stats;
    ShadingTest::stats(stats);
    EXPECT_EQ(2u * 256u, stats.counters[hox::engine::kCountShaderCalls]);  // mirror + environment
    EXPECT_EQ(2u * 256u, stats.counters[hox::engine::kCountRays]);
    EXPECT_EQ(256u, stats.counters[hox::engine::kCountHits]);
    EXPECT_EQ(256u, stats.counters[hox::engine::kCountMisses]);

    // Glossy lobes of missing rays average to the environment.
    edit(mirror, [](hox::Shader& s) { s.setUniform1f("roughness", 0.3f); });
    optionFloat(hox::OPTION_GLOSSY_REFLECTIONS_ACCURACY, 1.0f);
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(everyPixelIs(kEnvironment, 1e-6f));

    // Mirrors facing each other end at the depth limit in the environment.
    edit(mirror, [](hox::Shader& s) { s.setUniform1f("roughness", 0.0f); });
    quad(mirror, -10.0f, -10.0f, 10.0f, 10.0f, 2.0f);  // behind the camera
    setTraceDepth(100);
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(everyPixelIs(kEnvironment, 1e-6f));
}

TEST_F(ShadingTraceTest, TraceDepthLimitsWhatTheMirrorSees) {
    mirrorScene(8);
    // Behind the camera, where only the mirror's rays reach.
    hox::THandle<hox::Object> behind = quad(shader("probe_tinted"), -10.0f, -10.0f, 10.0f, 10.0f, 1.0f);
    setTraceDepth(2);
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(everyPixelIs({1.0f, 0.5f, 0.25f, 1.0f}, 1e-6f));
    // Depth 1: the mirror's reflection is refused and sees the environment;
    // depth 0: even camera rays are refused.
    for (int depth : {1, 0}) {
        setTraceDepth(depth);
        ASSERT_EQ(0, scene->render());
        EXPECT_TRUE(everyPixelIs(kEnvironment, 1e-6f)) << depth;
    }
    // The root level hands the refused camera rays inherited values of one.
    edit(env, [](hox::Shader& s) { s.setUniform1i("mode", 2); });
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(everyPixelIs({1.0f, 1.0f, 0.0f, 1.0f}, 1e-6f));

    // An instance hidden from reflection rays is not there for them.
    edit(env, [](hox::Shader& s) { s.setUniform1i("mode", 0); });
    setTraceDepth(2);
    attributes(behind, [](hox::RenderAttributes& a) { a.setAttribute1b(hox::ATTRIBUTE_REFLECTION_RAYS, false); });
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(everyPixelIs(kEnvironment, 1e-6f));
}

TEST_F(ShadingTraceTest, EveryServiceGivesBackTheLevelsItTook) {
    build(16, 16);
    hox::THandle<hox::Shader> services = shader("probe_services"), layer = shader("probe_tinted");
    edit(services, [&](hox::Shader& s) { s.setUniformShaderRef("layer", layer); });
    env = shader("probe_environment");
    edit(env, [](hox::Shader& s) { s.setUniform1i("mode", 1); });  // reports depth, limit and kind
    environment(env);
    quad(services, -10.0f, -10.0f, 10.0f, 10.0f, -2.0f);
    light(shader("probe_point_light"), hox::LIGHT_TYPE_POINT, {0.0f, 0.0f, -1.0f});
    light(shader("probe_ambient_light"), hox::LIGHT_TYPE_AMBIENT, {0.0f, 0.0f, -1.0f});
    // The last reflection ray leaves the hit of a camera ray: depth 2.
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(everyPixelIs({0.02f, 0.05f, 0.02f, 1.0f}, 1e-6f));
}

TEST_F(ShadingTraceTest, LevelStackGrowsByEightAfterAFrameRanOutOfLevels) {
    build(4, 4);
    scene->setThreads(1);  // one worker, one stack to watch
    quad(shader("probe_chain"), -10.0f, -10.0f, 10.0f, 10.0f, -2.0f);
    // Trace depth 5 gives 20 levels: the camera ray's hit shades at level 1
    // and re-shades itself down to level 19.
    for (int levels = 20; levels <= 36; levels += 8) {
        ASSERT_EQ(0, scene->render());
        EXPECT_TRUE(everyPixelIs({(levels - 1) / 1024.0f, 0.0f, 0.0f, 1.0f}, 1e-6f)) << levels;
    }
}

TEST_F(ShadingTraceTest, RendersOfOneSceneAreIdentical) {
    build(32, 24);
    optionFloat(hox::OPTION_TRANSMISSION_ACCURACY, 0.5f);
    quad(shader("probe_lambert"), -10.0f, -10.0f, 10.0f, 10.0f, -2.0f);
    hox::THandle<hox::Light> lamp = light(shader("probe_point_light"), hox::LIGHT_TYPE_POINT, {0, 0, -1});
    edit(lamp, [](hox::Light& l) { l.setParameter1f(hox::LIGHT_PARAMETER_RADIUS, 0.3f); });
    quad(shader("probe_hemisphere"), 0.0f, -10.0f, 10.0f, 10.0f, -1.5f);  // occluded and shadowing
    ASSERT_EQ(0, scene->render());
    const std::vector<float> first = scene->capture.pixels;
    ASSERT_EQ(0, scene->render());
    EXPECT_EQ(first, scene->capture.pixels);
}

}  // namespace
}  // namespace hox_shading_test
