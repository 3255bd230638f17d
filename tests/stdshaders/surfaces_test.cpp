// The opaque surfaces against hand-computed shading: lights of known colour
// and direction, ambient and secondary light of known value.
#include "stdshader_harness.h"

namespace stdshader_test {
namespace {

const float kCos45 = std::sqrt(0.5f);

TEST(Matte, SumsLightsByCosineAddsAmbientAndSamplesTheColourMapAtUv) {
    StdShader matte("matte");
    matte.set(K3F, "colour", Vec3f{0.5f, 1.0f, 0.25f});
    FakeServices services;
    services.addLight({0, 0, 1}, {1, 1, 1});
    services.addLight(unit(1, 0, 1), {0.5f, 0.25f, 1.0f});
    services.addLight({0, 0, -1}, {9, 9, 9});  // behind the surface: adds nothing
    services.ambientLight = {0.1f, 0.2f, 0.3f};

    // The expected sums: 1 + c*cos45 + ambient, per channel, times colour.
    const float r = 0.5f * (1 + 0.5f * kCos45 + 0.1f);
    const float g = 1.0f * (1 + 0.25f * kCos45 + 0.2f);
    const float b = 0.25f * (1 + 1.0f * kCos45 + 0.3f);
    ShadingState state = floorHit();
    EXPECT_RGBA_NEAR(shade(matte, services, state), r, g, b, 1);
    EXPECT_VEC3_NEAR(services.illuminanceAxes.at(0), 0, 0, 1);

    // A normal that is unnormalised and faces away from the viewer is the
    // same surface: the shader normalises and turns it to the viewer.
    state = floorHit();
    state.normal = {0, 0, -5};
    EXPECT_RGBA_NEAR(shade(matte, services, state), r, g, b, 1);
    EXPECT_VEC3_NEAR(services.illuminanceAxes.at(1), 0, 0, 1);

    // Only as many samples as illuminance reports count, whatever the
    // links after them point at.
    services.lightCount = 1;
    state = floorHit();
    EXPECT_RGBA_NEAR(shade(matte, services, state), 0.5f * 1.1f, 1.2f, 0.25f * 1.3f, 1);

    // A colour map multiplies the colour, sampled at the uv attribute.
    FakeSampler2D texture({0.5f, 0.25f, 1.0f, 1.0f});
    matte.setTexture(KTEX2D, "colourMap", static_cast<const Sampler2D*>(&texture));
    const float uv[2] = {0.3f, 0.7f};
    state = floorHit();
    state.attributes = uv;
    EXPECT_RGBA_NEAR(shade(matte, services, state), 0.25f * 1.1f, 0.25f * 1.2f, 0.25f * 1.3f, 1);
    EXPECT_EQ(texture.asked, (std::vector<std::vector<float>>{{0.3f, 0.7f}}));
}

TEST(Matte, OcclusionScalesAmbientAndIndirectOnly) {
    StdShader matte("matte");
    matte.set(K3F, "colour", Vec3f{1, 0.5f, 0.5f});
    FakeServices services;
    services.addLight({0, 0, 1}, {1, 1, 1});
    services.ambientLight = {0.2f, 0.2f, 0.2f};
    services.indirectLight = {0.4f, 0.2f, 0.0f, 1};
    services.openness = {0.5f, 0.5f, 0.5f};

    // Both off: neither service is asked.
    ShadingState state = floorHit();
    EXPECT_RGBA_NEAR(shade(matte, services, state), 1.2f, 0.6f, 0.6f, 1);
    EXPECT_TRUE(services.occlusionNormals.empty());
    EXPECT_TRUE(services.indirectNormals.empty());

    matte.set(K1B, "indirect", true);
    matte.set(K1B, "occlusion", true);
    state = floorHit();
    state.normal = {0, 0, -1};  // turned to the viewer before the services see it
    // colour x (direct 1 + (ambient + indirect) x openness)
    EXPECT_RGBA_NEAR(shade(matte, services, state), 1 + 0.3f, 0.5f * (1 + 0.2f),
                     0.5f * (1 + 0.1f), 1);
    EXPECT_VEC3_NEAR(services.occlusionNormals.at(0), 0, 0, 1);
    EXPECT_VEC3_NEAR(services.indirectNormals.at(0), 0, 0, 1);
}

// The viewer at `degrees` from the normal in the xz plane, on the side
// opposite +x.
ShadingState floorSeenFrom(float degrees) {
    const float a = degrees * kRad;
    return hitState({0, 0, 0}, {0, 0, 1}, {std::sin(a), 0, -std::cos(a)});
}

TEST(Plastic, HighlightPeaksInTheMirrorDirection) {
    StdShader plastic("plastic");
    plastic.set(K3F, "colour", Vec3f{0, 0, 0});  // the highlight alone
    plastic.set(K1F, "specular", 1.0f);
    FakeServices services;
    services.addLight(unit(1, 0, 1), {1, 1, 1});  // 45 degrees toward +x

    // Seen from the mirror direction (45 degrees toward -x) the half vector
    // is the normal: the highlight is the light's cosine-weighted colour.
    ShadingState state = floorSeenFrom(45);
    const float peak = shade(plastic, services, state).x;
    EXPECT_NEAR(peak, kCos45, kTolerance);
    float previous = -1.0f;
    for (float degrees : {0.0f, 15.0f, 30.0f, 40.0f}) {
        state = floorSeenFrom(degrees);
        const float below = shade(plastic, services, state).x;
        state = floorSeenFrom(90.0f - degrees);
        const float above = shade(plastic, services, state).x;
        EXPECT_LT(below, peak);
        EXPECT_LT(above, peak);
        EXPECT_GT(below, previous);  // rising toward the mirror direction
        previous = below;
    }
    EXPECT_TRUE(services.rays.empty());  // no reflection at weight 0
}

TEST(Plastic, ReflectionIsWeightedByTheCoatsFresnel) {
    StdShader plastic("plastic");
    plastic.set(K1F, "reflection", 1.0f);
    FakeServices services;  // no light: only the reflection shows
    services.reflectionColour = {1, 0.5f, 0, 1};
    ShadingState state = floorHit();
    // Head-on a coat of index 1.5 reflects ((1.5 - 1) / (1.5 + 1))^2 = 4%.
    EXPECT_RGBA_NEAR(shade(plastic, services, state), 0.04f, 0.02f, 0, 1);
    expectOneRay(services, Ray::Reflection, {0, 0, 1});
    // At a grazing angle nearly all of it.
    state = floorSeenFrom(89.5f);
    EXPECT_GT(shade(plastic, services, state).x, 0.9f);
}

TEST(MetalAndMirror, ReflectTheMirroredRayTintedByTheirColour) {
    FakeServices services;
    services.reflectionColour = {0.5f, 1.0f, 0.25f, 1};

    StdShader mirror("mirror");
    mirror.set(K3F, "colour", Vec3f{0.5f, 0.5f, 1.0f});
    ShadingState state = hitState({1, 2, 3}, {0, 1, 0}, unit(1, -1, 0));
    EXPECT_RGBA_NEAR(shade(mirror, services, state), 0.25f, 0.5f, 0.25f, 1);
    expectOneRay(services, Ray::Reflection, {kCos45, kCos45, 0});
    EXPECT_VEC3_NEAR(services.rays.at(0).origin, 1, 2, 3);

    // Metal head-on reflects its colour (its Fresnel reflectance there).
    StdShader metal("metal");
    metal.set(K3F, "colour", Vec3f{0.5f, 0.5f, 1.0f});
    metal.set(K1F, "roughness", 0.0f);
    services.rays.clear();
    state = floorHit();
    EXPECT_RGBA_NEAR(shade(metal, services, state), 0.25f, 0.5f, 0.25f, 1);
    expectOneRay(services, Ray::Reflection, {0, 0, 1});

    // A rough metal asks for a glossy lobe of its roughness.
    metal.set(K1F, "roughness", 0.3f);
    services.rays.clear();
    state = floorHit();
    shade(metal, services, state);
    ASSERT_EQ(services.rays.size(), 1u);
    EXPECT_EQ(std::make_pair(services.rays[0].service, services.rays[0].roughness),
              std::make_pair(Ray::GlossyReflection, 0.3f));
}

TEST(Emissive, GlowsWithoutAskingTheServices) {
    StdShader emissive("emissive");
    emissive.set(K3F, "colour", Vec3f{1, 0.5f, 0.25f});
    emissive.set(K1F, "intensity", 2.0f);
    FakeServices services;
    services.addLight({0, 0, 1}, {5, 5, 5});
    ShadingState state = floorHit();
    EXPECT_RGBA_NEAR(shade(emissive, services, state), 2, 1, 0.5f, 1);
    EXPECT_EQ(services.calls, 0);
}

// Procedural surfaces lit head-on by a white light: the result is their
// albedo at the hit.
Vec4f litHeadOn(StdShader& shader, FakeServices& services, const Vec3f& objectPosition) {
    services.lights.clear();
    services.addLight({0, 0, 1}, {1, 1, 1});
    ShadingState state = floorHit();
    state.objectPosition = objectPosition;
    return shade(shader, services, state);
}

TEST(Marble, VeinsFollowTheTurbulentBands) {
    StdShader marble("marble");
    marble.set(K1F, "scale", 2.0f);
    FakeServices services;

    // Flat noise: a band's crest (scaled x = 0.25) is vein, its trough
    // (0.75) the stone.
    EXPECT_RGBA_NEAR(litHeadOn(marble, services, {0.125f, 0, 0}), 0.2f, 0.2f, 0.3f, 1);
    EXPECT_RGBA_NEAR(litHeadOn(marble, services, {0.375f, 0, 0}), 0.9f, 0.9f, 0.85f, 1);

    // Four octaves sample the noise at the scaled point, doubling.
    services.noisePoints.clear();
    litHeadOn(marble, services, {0.5f, 1.0f, -1.5f});
    ASSERT_EQ(services.noisePoints.size(), 4u);
    EXPECT_VEC3_NEAR(services.noisePoints[3], 8.0f, 16.0f, -24.0f);

    // Noise of -1/16 everywhere: turbulence 1/16 (1 + 1/2 + 1/4 + 1/8),
    // pushing the band by four times that; the crest moves to compensate.
    services.noise = [](const Vec3f&) { return -0.0625f; };
    const float shift = 4.0f * 0.0625f * 1.875f;
    EXPECT_RGBA_NEAR(litHeadOn(marble, services, {(0.25f - shift) / 2, 0, 0}), 0.2f, 0.2f,
                     0.3f, 1);
    marble.set(K1I, "octaves", 0);
    services.noisePoints.clear();
    EXPECT_RGBA_NEAR(litHeadOn(marble, services, {0.125f, 0, 0}), 0.2f, 0.2f, 0.3f, 1);
    EXPECT_TRUE(services.noisePoints.empty());
}

TEST(Wood, RingsAroundTheObjectsYAxis) {
    StdShader wood("wood");
    FakeServices services;
    // On the axis a dark ring; half a ring out (1/16 at 8 rings) light wood,
    // at any height. Both carry the same varnish highlight, so their
    // difference is the difference of the two woods.
    const Vec4f dark = litHeadOn(wood, services, {0, 0, 0});
    const Vec4f light = litHeadOn(wood, services, {0, 5, 0.0625f});
    EXPECT_VEC3_NEAR((Vec3f{dark.x - light.x, dark.y - light.y, dark.z - light.z}),
                     0.45f - 0.75f, 0.28f - 0.55f, 0.12f - 0.3f);
    EXPECT_GT(light.x, 0.75f);  // the highlight is there
    EXPECT_LT(light.x, 0.75f + 0.2f);  // and faint

    // Noise of 0.5 shifts the rings by a quarter: halfway between the woods.
    services.noise = [](const Vec3f&) { return 0.5f; };
    const Vec4f shifted = litHeadOn(wood, services, {0, 0, 0});
    EXPECT_NEAR(shifted.x - light.x, (0.45f - 0.75f) / 2, kTolerance);
}

}  // namespace
}  // namespace stdshader_test
