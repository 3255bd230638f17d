// The hemisphere services, noise and vertex attributes as the probe
// shaders see them.
#include <gtest/gtest.h>

#include "engine/noise.h"
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

}  // namespace
}  // namespace hox_shading_test
