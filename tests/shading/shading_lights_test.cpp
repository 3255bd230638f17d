// Lights through illuminance, ambient and transmission: a diffuse plane
// lit by point lights, compared with the irradiance worked out here from
// the camera model; soft and tinted shadows; light groups and light sets.
#include <gtest/gtest.h>

#include <vector>

#include "shading_scene.h"

namespace hox_shading_test {
namespace {

using hox::Vec3f;

constexpr float kPlaneZ = -2.0f;

class ShadingLightsTest : public ShadingTest {
protected:
    // A diffuse plane over the whole view, lit by a point light at `at`.
    void litPlane(const Vec3f& at) {
        build(32, 24);
        quad(shader("probe_lambert"), -10.0f, -10.0f, 10.0f, 10.0f, kPlaneZ);
        lamp = light(shader("probe_point_light"), hox::LIGHT_TYPE_POINT, at);
    }
    // An occluder over x0 … x1 between light and plane, unseen by the camera.
    void occluder(const char* surface, float x0, float x1) {
        hox::THandle<hox::Object> o = quad(shader(surface), x0, -10.0f, x1, 10.0f, -1.5f);
        attributes(o, [](hox::RenderAttributes& a) { a.setAttribute1b(hox::ATTRIBUTE_CAMERA_RAYS, false); });
    }
    // The unshadowed irradiance at pixel (x, y), and pixel (x, 12)'s share of it.
    float irradiance(int x, int y, const Vec3f& lightAt) {
        float wx, wy;
        scene->worldAt(x, y, kPlaneZ, wx, wy);
        return pointIrradiance(wx, wy, kPlaneZ, lightAt);
    }
    float litShare(int x, const Vec3f& lightAt) { return at(x, 12).r / irradiance(x, 12, lightAt); }
    void setRadius(float radius) {
        edit(lamp, [&](hox::Light& l) { l.setParameter1f(hox::LIGHT_PARAMETER_RADIUS, radius); });
    }

    hox::THandle<hox::Light> lamp;
};

TEST_F(ShadingLightsTest, DiffusePlaneMatchesTheInverseSquareIrradiance) {
    const Vec3f lightAt = {0.3f, 0.2f, -1.0f};
    litPlane(lightAt);
    ASSERT_EQ(0, scene->render());
    for (int y = 0; y < 24; y += 3)
        for (int x = 0; x < 32; x += 3) {
            const float e = irradiance(x, y, lightAt);
            EXPECT_TRUE(near(at(x, y), {e, e, e, 1.0f}, 2e-4f * (1.0f + e))) << x << ", " << y;
        }
}

TEST_F(ShadingLightsTest, PenumbraWidensWithTheLightRadiusAndHardShadowsHaveNone) {
    const Vec3f lightAt = {0.0f, 0.0f, -1.0f};
    litPlane(lightAt);
    optionFloat(hox::OPTION_TRANSMISSION_ACCURACY, 1.0f);  // 64 samples per light
    occluder("probe_lambert", 0.0f, 10.0f);  // a point light's shadow covers x > 0 on the plane
    std::vector<int> partial;
    for (float radius : {0.0f, 0.1f, 0.3f}) {
        setRadius(radius);
        ASSERT_EQ(0, scene->render());
        int count = 0;
        for (int x = 0; x < 32; ++x) {
            const float share = litShare(x, lightAt);
            count += share > 0.1f && share < 0.9f;
            float wx, wy;
            scene->worldAt(x, 12, kPlaneZ, wx, wy);
            EXPECT_TRUE(radius > 0.0f || std::fabs((wx > 0.0f ? 0.0f : 1.0f) - share) < 1e-3f) << x << ": " << share;
        }
        partial.push_back(count);
    }
    EXPECT_EQ(0, partial[0]);
    EXPECT_GT(partial[1], 0);
    EXPECT_GT(partial[2], partial[1]);
}

TEST_F(ShadingLightsTest, TransparentShadowsTintAndSwitchesLetTheLightThrough) {
    const Vec3f lightAt = {0.0f, 0.0f, -1.0f};
    litPlane(lightAt);
    occluder("probe_tinted", 0.0f, 10.0f);  // lets (1, 0.5, 0.25) through
    ASSERT_EQ(0, scene->render());
    const int shadowed = 24;
    const float e = irradiance(shadowed, 12, lightAt);
    EXPECT_TRUE(near(at(shadowed, 12), {e, e * 0.5f, e * 0.25f, 1.0f}, 1e-4f));
    EXPECT_NEAR(1.0f, litShare(8, lightAt), 1e-4f);
    // Without shadow transmission, or for a light that casts no shadows,
    // the pane is not there for the light.
    scene->setOption(hox::OPTION_TRANSMISSION, false);
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(near(at(shadowed, 12), {e, e, e, 1.0f}, 1e-4f));
    scene->setOption(hox::OPTION_TRANSMISSION, true);
    edit(lamp, [](hox::Light& l) { l.setParameter1b(hox::LIGHT_PARAMETER_CAST_SHADOWS, false); });
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(near(at(shadowed, 12), {e, e, e, 1.0f}, 1e-4f));
}

TEST_F(ShadingTest, AmbientLightsAddTheirColourTimesTheirScaleAndIlluminanceSkipsThem) {
    build(8, 8);
    hox::THandle<hox::Shader> ambient = shader("probe_ambient_light");
    edit(ambient, [](hox::Shader& s) {
        s.setUniform3f("colour", hox::Vec3f{0.2f, 0.4f, 0.6f});
        s.setUniform3f("scale", hox::Vec3f{0.5f, 0.5f, 2.0f});
    });
    quad(shader("probe_lambert"), -10, -10, 10, 10, -2);
    light(ambient, hox::LIGHT_TYPE_AMBIENT, {0, 0, -1});
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(near(at(4, 4), {0.1f, 0.2f, 1.2f, 1.0f}, 1e-6f));
}

// Three diffuse quads side by side (left, middle, right) under a red light
// of group 1 and a green one of group 2, both at (0, 0, -1) without
// falloff: a quad's pixel is (cos) per light it sees. First the surfaces'
// group selectors choose, then the objects' light sets.
TEST_F(ShadingTest, GroupSelectorsAndLightSetsChooseTheLights) {
    build(32, 16);
    const Vec3f lightAt = {0.0f, 0.0f, -1.0f};
    hox::THandle<hox::Light> lights[2];
    for (int i = 0; i < 2; ++i) {
        hox::THandle<hox::Shader> s = shader("probe_point_light");
        edit(s, [&](hox::Shader& e) {
            e.setUniform3f("intensity", Vec3f{i == 0 ? 1.0f : 0.0f, i == 1 ? 1.0f : 0.0f, 0});
            e.setUniform1b("falloff", false);
        });
        lights[i] = light(s, hox::LIGHT_TYPE_POINT, lightAt);
        edit(lights[i], [&](hox::Light& l) { l.setParameter1i(hox::LIGHT_PARAMETER_LIGHT_GROUP, i + 1); });
    }
    hox::THandle<hox::Shader> surfaces[3];
    hox::THandle<hox::Object> quads[3];
    const float x[3][2] = {{-2.0f, -0.7f}, {-0.6f, 0.6f}, {0.7f, 2.0f}};
    for (int i = 0; i < 3; ++i) {
        surfaces[i] = shader("probe_lambert");
        quads[i] = quad(surfaces[i], x[i][0], -2.0f, x[i][1], 2.0f, kPlaneZ);
    }
    // Which of (red, green) each quad must show.
    auto expectLights = [&](const bool (&lit)[3][2]) {
        ASSERT_EQ(0, scene->render());
        const int px[3] = {5, 16, 26};
        for (int i = 0; i < 3; ++i) {
            float wx, wy;
            scene->worldAt(px[i], 8, kPlaneZ, wx, wy);
            const float c = (lightAt.z - kPlaneZ) / std::sqrt(wx * wx + wy * wy + 1.0f);
            EXPECT_TRUE(near(at(px[i], 8), {lit[i][0] ? c : 0, lit[i][1] ? c : 0, 0, 1}, 1e-5f)) << "quad " << i;
        }
    };
    const int selectors[3] = {1, -1, 0};  // only group 1; all but group 1; all
    for (int i = 0; i < 3; ++i) edit(surfaces[i], [&](hox::Shader& s) { s.setUniform1i("selector", selectors[i]); });
    expectLights({{true, false}, {false, true}, {true, true}});

    for (int i = 0; i < 3; ++i) edit(surfaces[i], [](hox::Shader& s) { s.setUniform1i("selector", 0); });
    const int red = lights[0].getInstance(), both[2] = {red, lights[1].getInstance()};
    attributes(quads[0], [&](hox::RenderAttributes& a) { a.setAttribute1iv(hox::ATTRIBUTE_REMOVE_LIST, 1, &red); });
    attributes(quads[1], [&](hox::RenderAttributes& a) {
        a.setAttribute1iv(hox::ATTRIBUTE_REMOVE_LIST, 2, both);
        a.setAttribute1iv(hox::ATTRIBUTE_ADD_LIST, 1, &red);
    });
    expectLights({{false, true}, {true, false}, {true, true}});
}

}  // namespace
}  // namespace hox_shading_test
