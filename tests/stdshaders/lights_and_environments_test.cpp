// The light shaders as illuminance and ambient call them (the sample in the
// state, the colour left in lightColour), and the environment shaders as a
// miss calls them (only the ray's direction set, no service asked).
#include "stdshader_harness.h"

namespace stdshader_test {
namespace {

// A light sample at `distance` straight above the shaded point (1, 2, 3);
// the light points down.
ShadingState lightSample(float distance, const Vec3f& toLight = {0, 1, 0}) {
    ShadingState state = hitState({1, 2, 3}, {0, 1, 0}, {0, -1, 0});
    state.toLight = toLight;
    state.lightDistance = distance;
    state.lightPosition = {1, 2 + distance, 3};
    state.lightAxis = {0, -1, 0};
    return state;
}

Vec3f lightFrom(StdShader& light, FakeServices& services, ShadingState state) {
    shade(light, services, state);
    EXPECT_RGBA_NEAR(state.colour, 0, 0, 0, 1);  // lights leave the surface colour alone
    return state.lightColour;
}

TEST(PointLight, FallsOffWithDistanceAndCastsShadows) {
    StdShader point("pointlight");
    point.set(K1F, "intensity", 8.0f);
    FakeServices services;
    services.transmitted = {0.5f, 0.25f, 1.0f};

    EXPECT_VEC3_NEAR(lightFrom(point, services, lightSample(2)), 1, 0.5f, 2);  // 8 / 2^2
    EXPECT_VEC3_NEAR(lightFrom(point, services, lightSample(4)), 0.25f, 0.125f, 0.5f);
    ASSERT_EQ(services.shadowRays.size(), 2u);
    EXPECT_VEC3_NEAR(services.shadowRays[0].first, 1, 2, 3);
    EXPECT_VEC3_NEAR(services.shadowRays[0].second, 1, 4, 3);
    EXPECT_VEC3_NEAR(services.shadowRays[1].second, 1, 6, 3);

    point.set(K1I, "falloff", 1);  // linear
    EXPECT_VEC3_NEAR(lightFrom(point, services, lightSample(4)), 1, 0.5f, 2);
    point.set(K1I, "falloff", 0);  // none
    EXPECT_VEC3_NEAR(lightFrom(point, services, lightSample(4)), 4, 2, 8);

    // A light of no intensity needs no shadow ray.
    point.set(K1F, "intensity", 0.0f);
    services.shadowRays.clear();
    EXPECT_VEC3_NEAR(lightFrom(point, services, lightSample(4)), 0, 0, 0);
    EXPECT_TRUE(services.shadowRays.empty());
}

// A sample `degrees` off the spot's axis, at distance 1.
ShadingState offAxis(float degrees) {
    const float a = degrees * kRad;
    return lightSample(1, {std::sin(a), std::cos(a), 0});
}

TEST(SpotLight, FadesAcrossThePenumbra) {
    StdShader spot("spotlight");
    spot.set(K1F, "coneAngle", 40.0f * kRad);
    spot.set(K1F, "penumbra", 0.5f);  // full light inside 20 degrees
    spot.set(K3F, "colour", Vec3f{1, 0.5f, 0.25f});
    FakeServices services;

    EXPECT_VEC3_NEAR(lightFrom(spot, services, offAxis(0)), 1, 0.5f, 0.25f);
    EXPECT_VEC3_NEAR(lightFrom(spot, services, offAxis(19)), 1, 0.5f, 0.25f);
    // Halfway through a smooth, symmetric fade.
    EXPECT_VEC3_NEAR(lightFrom(spot, services, offAxis(30)), 0.5f, 0.25f, 0.125f);
    const float inner = lightFrom(spot, services, offAxis(25)).x;
    const float outer = lightFrom(spot, services, offAxis(35)).x;
    EXPECT_GT(inner, 0.5f);
    EXPECT_LT(outer, 0.5f);
    EXPECT_NEAR(inner + outer, 1.0f, 1e-4f);
    services.shadowRays.clear();
    EXPECT_VEC3_NEAR(lightFrom(spot, services, offAxis(41)), 0, 0, 0);
    EXPECT_TRUE(services.shadowRays.empty());

    // Inverse square as for the point light.
    services.transmitted = {0.5f, 0.5f, 0.5f};
    EXPECT_VEC3_NEAR(lightFrom(spot, services, lightSample(2)), 0.125f, 0.0625f, 0.03125f);
}

TEST(DistantAndAmbientLight, ConstantColourWithAndWithoutShadow) {
    StdShader distant("distantlight");
    distant.set(K3F, "colour", Vec3f{1, 0.9f, 0.8f});
    distant.set(K1F, "intensity", 3.0f);
    FakeServices services;
    services.transmitted = {0.5f, 0.5f, 0.0f};
    // Far away: no falloff; the shadow ray reaches the sample point.
    EXPECT_VEC3_NEAR(lightFrom(distant, services, lightSample(1000)), 1.5f, 1.35f, 0);
    ASSERT_EQ(services.shadowRays.size(), 1u);
    EXPECT_VEC3_NEAR(services.shadowRays[0].second, 1, 1002, 3);

    StdShader ambient("ambientlight");
    ambient.set(K3F, "colour", Vec3f{1, 0.5f, 0});
    services.calls = 0;
    ShadingState state = lightSample(5);
    shade(ambient, services, state);
    EXPECT_VEC3_NEAR(state.lightColour, 0.1f, 0.05f, 0);  // default intensity 0.1
    EXPECT_VEC3_NEAR(state.lightColourScale, 1, 1, 1);
    EXPECT_EQ(services.calls, 0);
}

// --- environments ----------------------------------------------------------

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
