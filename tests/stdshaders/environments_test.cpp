// Environment shaders as a miss calls them: only the ray's direction set, and
// no service asked.
#include "stdshader_harness.h"

namespace stdshader_test {
namespace {

Vec4f environment(StdShader& shader, const Vec3f& direction) {
    FakeServices services;
    ShadingState state{};
    state.rayDirection = direction;
    const Vec4f colour = shade(shader, services, state);
    EXPECT_EQ(services.calls, 0);
    return colour;
}

TEST(ConstantEnvironment, GivesItsScaledColourAndAlpha) {
    StdShader env("constantenv");
    EXPECT_RGBA_NEAR(environment(env, {0, 0, -1}), 0, 0, 0, 1);
    env.set(K3F, "colour", Vec3f{0.2f, 0.4f, 0.6f});
    env.set(K1F, "intensity", 2.0f);
    env.set(K1F, "alpha", 0.5f);
    EXPECT_RGBA_NEAR(environment(env, {0, 1, 0}), 0.4f, 0.8f, 1.2f, 0.5f);
}

TEST(Sky, BlendsZenithHorizonAndGroundAndDrawsTheSunOnlyWhenGiven) {
    StdShader sky("sky");
    EXPECT_RGBA_NEAR(environment(sky, {0, 1, 0}), 0.25f, 0.45f, 0.85f, 1);
    EXPECT_RGBA_NEAR(environment(sky, {0, 0, -1}), 0.8f, 0.85f, 0.95f, 1);
    EXPECT_RGBA_NEAR(environment(sky, {0, -1, 0}), 0.3f, 0.28f, 0.25f, 1);
    // No seam at the horizon, and halfway up the zenith has not yet won.
    EXPECT_NEAR(environment(sky, unit(1, 1e-4f, 0)).z, 0.95f, 1e-3f);
    EXPECT_NEAR(environment(sky, unit(1, -1e-4f, 0)).z, 0.95f, 1e-3f);
    const float halfway = environment(sky, unit(1, 1, 0)).z;
    EXPECT_LT(halfway, 0.95f);
    EXPECT_GT(halfway, 0.85f);

    const Vec3f sun = unit(0, 1, 1);
    EXPECT_LT(environment(sky, sun).x, 1.0f);  // no sun by default: plain sky
    sky.set(K3F, "sunDirection", Vec3f{0, 3, 3});  // any length
    EXPECT_RGBA_NEAR(environment(sky, sun), 10, 9, 8, 1);
    // Inside and outside the default 0.03 radian radius, tilting about x.
    for (float tilt : {0.02f, 0.04f}) {
        const float a = 45 * kRad + tilt;
        EXPECT_EQ(environment(sky, {0, std::sin(a), std::cos(a)}).x == 10.0f, tilt < 0.03f) << tilt;
    }
    // Another up turns the gradient with it.
    sky.set(K3F, "sunDirection", Vec3f{0, 0, 0});
    sky.set(K3F, "up", Vec3f{0, 0, 2});
    EXPECT_RGBA_NEAR(environment(sky, {0, 0, 1}), 0.25f, 0.45f, 0.85f, 1);
    EXPECT_RGBA_NEAR(environment(sky, {0, 1, 0}), 0.8f, 0.85f, 0.95f, 1);
}

TEST(EnvironmentMap, LooksUpLatitudeAndLongitudeOrTheCubeMap) {
    StdShader env("envmap");
    EXPECT_RGBA_NEAR(environment(env, {0, 1, 0}), 0, 0, 0, 1);  // nothing bound
    FakeSampler2D map({0.5f, 0.25f, 1.0f, 0.0f});
    env.setTexture(KTEX2D, "map", static_cast<const Sampler2D*>(&map));
    env.set(K1F, "intensity", 2.0f);
    EXPECT_RGBA_NEAR(environment(env, {0, 1, 0}), 1, 0.5f, 2, 1);  // opaque whatever the map

    // (direction, u, v): v runs from the zenith (0) down; u puts -z (ahead)
    // at the middle, -x at 1/4 and +x at 3/4, the seam behind (+z). The
    // nadir has no longitude to check.
    struct Case { Vec3f d; float u, v; };
    const Case cases[] = {{{0, 0, -1}, 0.5f, 0.5f}, {{1, 0, 0}, 0.75f, 0.5f}, {{-1, 0, 0}, 0.25f, 0.5f},
                          {unit(0, -1, -1), 0.5f, 0.75f}, {{0, -1, 0}, -1, 1.0f}};
    for (const Case& c : cases) {
        map.asked.clear();
        environment(env, c.d);
        ASSERT_EQ(map.asked.size(), 1u);
        if (c.u >= 0) {
            EXPECT_NEAR(map.asked[0][0], c.u, kTolerance);
        }
        EXPECT_NEAR(map.asked[0][1], c.v, kTolerance);
    }
    // With up along +z the poles follow.
    env.set(K3F, "up", Vec3f{0, 0, 1});
    map.asked.clear();
    environment(env, {0, 0, 1});
    EXPECT_NEAR(map.asked.at(0)[1], 0.0f, kTolerance);

    // A bound cube map wins and is asked along the ray.
    FakeSamplerCube cube({0.25f, 0.25f, 0.25f, 1});
    env.setTexture(KTEXCUBE, "cubeMap", static_cast<const SamplerCube*>(&cube));
    map.asked.clear();
    EXPECT_RGBA_NEAR(environment(env, {0, 0, -1}), 0.5f, 0.5f, 0.5f, 1);
    EXPECT_TRUE(map.asked.empty());
    EXPECT_EQ(cube.asked, (std::vector<std::vector<float>>{{0, 0, -1}}));
}

}  // namespace
}  // namespace stdshader_test
