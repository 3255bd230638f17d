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
    void litPlane(const Vec3f& at, float radius = 0.0f) {
        build(32, 24);
        lambert = shader("probe_lambert");
        pointLight = shader("probe_point_light");
        quad(lambert, -10.0f, -10.0f, 10.0f, 10.0f, kPlaneZ);
        lamp = light(pointLight, hox::LIGHT_TYPE_POINT, at);
        lamp.beginEdit()->setParameter1f(hox::LIGHT_PARAMETER_RADIUS, radius);
        lamp.endEdit();
    }
    // An occluder between light and plane that the camera does not see.
    hox::THandle<hox::Object> occluder(const hox::THandle<hox::Shader>& surface, float x0, float x1, float z) {
        hox::THandle<hox::Object> o = quad(surface, x0, -10.0f, x1, 10.0f, z);
        attributes(o, [](hox::RenderAttributes& a) { a.setAttribute1b(hox::ATTRIBUTE_CAMERA_RAYS, false); });
        return o;
    }
    // Pixel (x, 12)'s share of the light it would get unshadowed.
    float litShare(int x, const Vec3f& lightAt) {
        float wx, wy;
        scene->worldAt(x, 12, kPlaneZ, wx, wy);
        return at(x, 12).r / pointIrradiance(wx, wy, kPlaneZ, lightAt);
    }

    hox::THandle<hox::Shader> lambert, pointLight;
    hox::THandle<hox::Light> lamp;
};

TEST_F(ShadingLightsTest, DiffusePlaneMatchesTheInverseSquareIrradiance) {
    const Vec3f lightAt = {0.3f, 0.2f, -1.0f};
    litPlane(lightAt);
    ASSERT_EQ(0, scene->render());
    for (int y = 0; y < 24; y += 3) {
        for (int x = 0; x < 32; x += 3) {
            float wx, wy;
            scene->worldAt(x, y, kPlaneZ, wx, wy);
            const float e = pointIrradiance(wx, wy, kPlaneZ, lightAt);
            EXPECT_TRUE(near(at(x, y), {e, e, e, 1.0f}, 2e-4f * (1.0f + e))) << x << ", " << y;
        }
    }
    // Straight below the light: cos 1 over d² = 1.
    EXPECT_NEAR(1.0f, pointIrradiance(0.3f, 0.2f, kPlaneZ, lightAt), 1e-6f);
}

TEST_F(ShadingLightsTest, PenumbraWidensWithTheLightRadiusAndHardShadowsHaveNone) {
    const Vec3f light = {0.0f, 0.0f, -1.0f};
    litPlane(light);
    optionFloat(hox::OPTION_TRANSMISSION_ACCURACY, 1.0f);  // 64 samples per light
    hox::THandle<hox::Shader> opaque = shader("probe_lambert");
    occluder(opaque, 0.0f, 10.0f, -1.5f);  // a point light's shadow covers x > 0 on the plane
    std::vector<int> partial;
    for (float radius : {0.0f, 0.1f, 0.3f}) {
        lamp.beginEdit()->setParameter1f(hox::LIGHT_PARAMETER_RADIUS, radius);
        lamp.endEdit();
        ASSERT_EQ(0, scene->render());
        int count = 0;
        for (int x = 0; x < 32; ++x) {
            const float share = litShare(x, light);
            count += share > 0.1f && share < 0.9f;
            if (radius == 0.0f) {
                float wx, wy;
                scene->worldAt(x, 12, kPlaneZ, wx, wy);
                EXPECT_NEAR(wx > 0.0f ? 0.0f : 1.0f, share, 1e-3f) << x;
            }
        }
        partial.push_back(count);
    }
    EXPECT_EQ(0, partial[0]);
    EXPECT_GT(partial[1], 0);
    EXPECT_GT(partial[2], partial[1]);
}

TEST_F(ShadingLightsTest, TransparentShadowsTintAndSwitchesLetTheLightThrough) {
    const Vec3f light = {0.0f, 0.0f, -1.0f};
    litPlane(light);
    hox::THandle<hox::Shader> pane = shader("probe_tinted");  // lets (1, 0.5, 0.25) through
    occluder(pane, 0.0f, 10.0f, -1.5f);
    ASSERT_EQ(0, scene->render());
    const int shadowed = 24, lit = 8;
    float wx, wy;
    scene->worldAt(shadowed, 12, kPlaneZ, wx, wy);
    const float e = pointIrradiance(wx, wy, kPlaneZ, light);
    EXPECT_TRUE(near(at(shadowed, 12), {e, e * 0.5f, e * 0.25f, 1.0f}, 1e-4f));
    EXPECT_NEAR(1.0f, litShare(lit, light), 1e-4f);

    // Without shadow transmission, or for a light that casts no shadows,
    // the pane is not there for the light.
    scene->setOption(hox::OPTION_TRANSMISSION, false);
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(near(at(shadowed, 12), {e, e, e, 1.0f}, 1e-4f));
    scene->setOption(hox::OPTION_TRANSMISSION, true);
    lamp.beginEdit()->setParameter1b(hox::LIGHT_PARAMETER_CAST_SHADOWS, false);
    lamp.endEdit();
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(near(at(shadowed, 12), {e, e, e, 1.0f}, 1e-4f));
}

class LightSelectionTest : public ShadingTest {
protected:
    // Three diffuse quads side by side (left, middle, right) under a red
    // light of group 1 and a green one of group 2, both at (0, 0, -1)
    // without falloff: a quad's pixel is (cos) per light it sees.
    void SetUp() override {
        ShadingTest::SetUp();
        build(32, 16);
        hox::THandle<hox::Shader> red = shader("probe_point_light"), green = shader("probe_point_light");
        hox::Shader* edit = red.beginEdit();
        edit->setUniform3f("intensity", Vec3f{1, 0, 0});
        edit->setUniform1b("falloff", false);
        red.endEdit();
        edit = green.beginEdit();
        edit->setUniform3f("intensity", Vec3f{0, 1, 0});
        edit->setUniform1b("falloff", false);
        green.endEdit();
        redLight = light(red, hox::LIGHT_TYPE_POINT, lightAt);
        greenLight = light(green, hox::LIGHT_TYPE_POINT, lightAt);
        redLight.beginEdit()->setParameter1i(hox::LIGHT_PARAMETER_LIGHT_GROUP, 1);
        redLight.endEdit();
        greenLight.beginEdit()->setParameter1i(hox::LIGHT_PARAMETER_LIGHT_GROUP, 2);
        greenLight.endEdit();
        const float x[3][2] = {{-2.0f, -0.7f}, {-0.6f, 0.6f}, {0.7f, 2.0f}};
        for (int i = 0; i < 3; ++i) {
            surfaces[i] = shader("probe_lambert");
            quads[i] = quad(surfaces[i], x[i][0], -2.0f, x[i][1], 2.0f, kPlaneZ);
        }
    }
    // The pixel on quad i's centre line, and the cosine it gets.
    Rgba pixel(int i, float& cosine) {
        const int px[3] = {5, 16, 26};
        float wx, wy;
        scene->worldAt(px[i], 8, kPlaneZ, wx, wy);
        const float dx = lightAt.x - wx, dy = lightAt.y - wy, dz = lightAt.z - kPlaneZ;
        cosine = dz / std::sqrt(dx * dx + dy * dy + dz * dz);
        return at(px[i], 8);
    }

    const Vec3f lightAt = {0.0f, 0.0f, -1.0f};
    hox::THandle<hox::Light> redLight, greenLight;
    hox::THandle<hox::Shader> surfaces[3];
    hox::THandle<hox::Object> quads[3];
};

TEST_F(LightSelectionTest, GroupSelectorsKeepOrDropALightGroup) {
    const int selectors[3] = {1, -1, 0};  // only group 1; all but group 1; all
    for (int i = 0; i < 3; ++i) {
        surfaces[i].beginEdit()->setUniform1i("selector", selectors[i]);
        surfaces[i].endEdit();
    }
    ASSERT_EQ(0, scene->render());
    float c;
    Rgba p = pixel(0, c);
    EXPECT_TRUE(near(p, {c, 0, 0, 1}, 1e-5f));
    p = pixel(1, c);
    EXPECT_TRUE(near(p, {0, c, 0, 1}, 1e-5f));
    p = pixel(2, c);
    EXPECT_TRUE(near(p, {c, c, 0, 1}, 1e-5f));
}

TEST_F(LightSelectionTest, LightSetsOfTheObjectsChooseTheLights) {
    const int red = redLight.getInstance(), green = greenLight.getInstance();
    attributes(quads[0],
               [&](hox::RenderAttributes& a) { a.setAttribute1iv(hox::ATTRIBUTE_REMOVE_LIST, 1, &red); });
    attributes(quads[1], [&](hox::RenderAttributes& a) {
        const int both[2] = {red, green};
        a.setAttribute1iv(hox::ATTRIBUTE_REMOVE_LIST, 2, both);
        a.setAttribute1iv(hox::ATTRIBUTE_ADD_LIST, 1, &red);
    });
    ASSERT_EQ(0, scene->render());
    float c;
    Rgba p = pixel(0, c);
    EXPECT_TRUE(near(p, {0, c, 0, 1}, 1e-5f));
    p = pixel(1, c);
    EXPECT_TRUE(near(p, {c, 0, 0, 1}, 1e-5f));
    p = pixel(2, c);
    EXPECT_TRUE(near(p, {c, c, 0, 1}, 1e-5f));
}

TEST_F(ShadingTest, AmbientLightsAddTheirColourTimesTheirScaleAndIlluminanceSkipsThem) {
    build(8, 8);
    hox::THandle<hox::Shader> ambientShader = shader("probe_ambient_light");
    hox::Shader* edit = ambientShader.beginEdit();
    edit->setUniform3f("colour", hox::Vec3f{0.2f, 0.4f, 0.6f});
    edit->setUniform3f("scale", hox::Vec3f{0.5f, 0.5f, 2.0f});
    ambientShader.endEdit();
    quad(shader("probe_lambert"), -10, -10, 10, 10, -2);
    light(ambientShader, hox::LIGHT_TYPE_AMBIENT, {0, 0, -1});
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(near(at(4, 4), {0.1f, 0.2f, 1.2f, 1.0f}, 1e-6f));
}

}  // namespace
}  // namespace hox_shading_test
