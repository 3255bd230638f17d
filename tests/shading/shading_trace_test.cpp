// Rays the shaders trace: mirrors against a constant environment, the trace
// depth limit, instances hidden from reflection rays, levels that every
// service gives back, the level stack's growth, and repeatable images.
#include <gtest/gtest.h>

#include <vector>

#include "engine/render_counters.h"
#include "shading_scene.h"

namespace hox_shading_test {
namespace {

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
