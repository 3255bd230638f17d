// Glass against Snell's law and the Fresnel equations, including light
// passing through glass nested in other media, with the inherited words
// handed from level to level as the renderer does.
#include "stdshader_harness.h"

namespace stdshader_test {
namespace {

// A ray in the xz plane at `degrees` from the surface normal +z, going
// down (into the surface) or up (out of it from below).
Vec3f rayAt(float degrees, bool down) {
    const float a = degrees * kRad;
    return {std::sin(a), 0, down ? -std::cos(a) : std::cos(a)};
}

TEST(Glass, OfIndexOneIsInvisibleAndTransmitsItsWholeTint) {
    StdShader glass("glass");
    glass.set(K1F, "ior", 1.0f);
    glass.set(K3F, "colour", Vec3f{1, 0.5f, 0.25f});
    FakeServices services;
    services.refractionColour = {0.8f, 0.8f, 0.8f, 1};
    services.reflectionColour = {100, 100, 100, 1};
    for (bool entering : {true, false}) {
        services.rays.clear();
        const Vec3f d = rayAt(60, entering);
        ShadingState state = hitState({0, 0, 0}, {0, 0, 1}, d);
        EXPECT_RGBA_NEAR(shade(glass, services, state), 0.8f, 0.4f, 0.2f, 1);
        expectOneRay(services, Ray::Refraction, d);  // no reflection at all
    }
    FakeServices quiet;
    ShadingState state = floorHit();
    glass.object->transmit(&quiet, &state);
    EXPECT_VEC3_NEAR(state.transmission, 1, 0.5f, 0.25f);
    EXPECT_EQ(quiet.calls, 0);
}

TEST(Glass, HeadOnSplitsByTheNormalReflectanceInShadingAndTransmission) {
    StdShader glass("glass");
    glass.set(K3F, "colour", Vec3f{1, 0.5f, 1});
    FakeServices services;
    services.reflectionColour = {1, 0, 0, 1};
    services.refractionColour = {0, 1, 1, 1};
    ShadingState state = floorHit();
    // ((1.5 - 1) / (1.5 + 1))^2 = 0.04 reflected, the rest tinted through.
    EXPECT_RGBA_NEAR(shade(glass, services, state), 0.04f, 0.48f, 0.96f, 1);
    ASSERT_EQ(services.rays.size(), 2u);
    for (const TracedRay& ray : services.rays) {
        const float z = ray.service == Ray::Reflection ? 1.0f : -1.0f;
        EXPECT_VEC3_NEAR(ray.direction, 0, 0, z);
    }
    services.calls = 0;
    glass.object->transmit(&services, &state);
    EXPECT_VEC3_NEAR(state.transmission, 0.96f, 0.48f, 0.96f);
    EXPECT_EQ(services.calls, 0);
}

TEST(Glass, TotalInternalReflectionAsksOnlyForTheReflectionAndRoughGlassForGlossyLobes) {
    StdShader glass("glass");
    FakeServices services;
    services.reflectionColour = {0.3f, 0.6f, 0.9f, 1};
    // From inside at 80 degrees: 1.5 sin 80 > 1.
    ShadingState state = hitState({0, 0, 0}, {0, 0, 1}, rayAt(80, false));
    EXPECT_RGBA_NEAR(shade(glass, services, state), 0.3f, 0.6f, 0.9f, 1);
    expectOneRay(services, Ray::Reflection, rayAt(80, true));

    glass.set(K1F, "roughness", 0.25f);
    services.rays.clear();
    state = hitState({0, 0, 0}, {0, 0, 1}, rayAt(30, true));
    shade(glass, services, state);
    ASSERT_EQ(services.rays.size(), 2u);
    EXPECT_EQ(services.rays[0].service, Ray::GlossyReflection);
    EXPECT_EQ(services.rays[1].service, Ray::GlossyRefraction);
    EXPECT_FLOAT_EQ(services.rays[1].roughness, 0.25f);
}

// One crossing of a boundary: the shader shades a hit at 30 degrees with the
// medium words `inherited` (the level's A and B), and the test checks the
// refracted direction against Snell's law for indices n1 -> n2. Returns the
// B the refraction ray's level inherits.
float crossing(StdShader& glass, float ior, float inherited, bool entering, float n1, float n2) {
    SCOPED_TRACE(testing::Message() << "from " << n1 << " into " << n2);
    glass.set(K1F, "ior", ior);
    FakeServices services;
    ShadingState state = hitState({0, 0, 0}, {0, 0, 1}, rayAt(30, entering));
    state.inheritedA = state.inheritedB = inherited;
    shade(glass, services, state);
    EXPECT_EQ(state.inheritedB, inherited);  // put back after the refraction ray
    for (const TracedRay& ray : services.rays) {
        if (ray.service != Ray::Refraction) continue;
        const float sinT = n1 / n2 * std::sin(30 * kRad);
        const float cosT = std::sqrt(1 - sinT * sinT);
        EXPECT_VEC3_NEAR(ray.direction, sinT, 0, entering ? -cosT : cosT);
        return ray.inheritedB;
    }
    ADD_FAILURE() << "no refraction ray";
    return 0;
}

TEST(Glass, NestedMediaBendByTheRatioOfTheirIndices) {
    // Air -> glass 1.5 -> water 1.33 inside it -> back into the glass ->
    // back into air, each level inheriting the B its parent's refraction
    // ray was given; the camera's level starts at 0, "in air".
    StdShader glass("glass");
    float medium = crossing(glass, 1.5f, 0.0f, true, 1.0f, 1.5f);
    medium = crossing(glass, 1.33f, medium, true, 1.5f, 1.33f);
    medium = crossing(glass, 1.33f, medium, false, 1.33f, 1.5f);
    medium = crossing(glass, 1.5f, medium, false, 1.5f, 1.0f);
    // Back in air, the next glass is entered from index 1 again.
    crossing(glass, 1.5f, medium, true, 1.0f, 1.5f);
    // A renderer that starts camera rays at 1 is in air as well.
    crossing(glass, 1.5f, 1.0f, true, 1.0f, 1.5f);
}

}  // namespace
}  // namespace stdshader_test
