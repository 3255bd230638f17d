// Whole frames rendered by the local engine and read back through the
// framebuffer's swap callback. Expected pixels are worked out here from the
// camera model and the debug shading definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "host_test_support.h"

namespace hox_host_test {
namespace {

constexpr float kTolerance = 1e-5f;

class RenderFrameTest : public RenderSceneTest {
protected:
    void SetUp() override {
        RenderSceneTest::SetUp();
        setDebugShade(1);
    }
};

// World rectangle of the quad used by the coverage tests, at depth −2.
constexpr float kQuadX0 = -0.9f, kQuadY0 = -0.3f, kQuadX1 = 0.5f, kQuadY1 = 0.7f, kQuadZ = -2.0f;

// In primitive mode each pixel the camera model puts inside the quad shows
// its triangle's colour (either one on the diagonal), every other pixel
// black.
TEST_F(RenderFrameTest, QuadCoversExactlyThePixelsTheCameraModelPredictsColouredByTriangle) {
    setDebugShade(2);
    build(32, 24);
    scene->addQuad(kQuadX0, kQuadY0, kQuadX1, kQuadY1, kQuadZ);
    ASSERT_EQ(0, scene->render());
    ASSERT_EQ(1, scene->capture.swaps);
    ASSERT_EQ(32, scene->capture.last.width);
    ASSERT_EQ(24, scene->capture.last.height);
    int seen[2] = {0, 0};
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 32; ++x) {
            float wx, wy;
            scene->worldAt(x, y, kQuadZ, wx, wy);
            const Rgba p = scene->capture.at(x, y);
            if (wx < kQuadX0 || wx > kQuadX1 || wy < kQuadY0 || wy > kQuadY1) {
                EXPECT_TRUE(near(p, kOpaqueBlack, kTolerance)) << "pixel " << x << ", " << y;
                continue;
            }
            // Triangle 0 lies below the diagonal from (x1, y0) to (x0, y1).
            const float d = (wx - kQuadX0) / (kQuadX1 - kQuadX0) + (wy - kQuadY0) / (kQuadY1 - kQuadY0);
            if (std::fabs(d - 1.0f) < 0.05f) {
                EXPECT_TRUE(near(p, primitiveColour(0), kTolerance) || near(p, primitiveColour(1), kTolerance));
                continue;
            }
            const int primitive = d < 1.0f ? 0 : 1;
            ++seen[primitive];
            EXPECT_TRUE(near(p, primitiveColour(primitive), kTolerance)) << "pixel " << x << ", " << y;
        }
    }
    EXPECT_GT(seen[0], 10);
    EXPECT_GT(seen[1], 10);
    EXPECT_TRUE(callback.warnings.empty());
    EXPECT_TRUE(callback.errors.empty());
}

TEST_F(RenderFrameTest, NormalModeShowsTheTransformedNormal) {
    build(16, 16);
    // Turned 30° about x: the normal +z becomes (0, −sin, cos).
    const float s = 0.5f, c = std::sqrt(3.0f) / 2.0f;
    const hox::Mat4f turn = {{1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, -3, 1}};
    hox::THandle<hox::Object> quad = scene->addQuad(-1.0f, -1.0f, 1.0f, 1.0f, 0.0f, &turn);
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(near(scene->capture.at(8, 8), normalColour(0.0f, -s, c), kTolerance));
    EXPECT_TRUE(near(scene->capture.at(0, 0), kOpaqueBlack, kTolerance));

    // The normal is shown as the shading record holds it, unnormalised: an
    // object scaled by 2 has normals of length 1/2.
    const hox::Mat4f grown = {{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, -3, 1}};
    quad.beginEdit()->setTransform(grown);
    ASSERT_EQ(0, quad.endEdit());
    ASSERT_EQ(0, scene->render());
    EXPECT_TRUE(near(scene->capture.at(8, 8), normalColour(0.0f, 0.0f, 0.5f), kTolerance));
}

// Every pixel of the window region (the whole image without one) is
// rendered, also on tiny images and one-pixel edge tiles; the rest has no
// samples.
TEST_F(RenderFrameTest, EveryPixelOfTheWindowIsRenderedAndNoneOutsideIt) {
    build(1, 1);
    scene->addQuad(-10.0f, -10.0f, 10.0f, 10.0f, -1.0f);
    const struct {
        int width, height, x0, y0, x1, y1;
    } cases[] = {{1, 1, 0, 0, 0, 0}, {17, 16, 0, 0, 16, 15}, {40, 24, 8, 4, 19, 13}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        scene->resize(c.width, c.height);
        if (c.width == 40) {
            scene->camera.beginEdit()->setWindowRegion(c.x0, c.y0, c.x1, c.y1);
            ASSERT_EQ(0, scene->camera.endEdit());
        }
        ASSERT_EQ(0, scene->render());
        ASSERT_EQ(c.width, scene->capture.last.width);
        ASSERT_EQ(c.height, scene->capture.last.height);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const bool inside = x >= c.x0 && x <= c.x1 && y >= c.y0 && y <= c.y1;
                EXPECT_TRUE(near(scene->capture.at(x, y), inside ? normalColour(0, 0, 1) : kNoSample, kTolerance))
                    << "pixel " << x << ", " << y;
            }
        }
    }
}

// Over a vertical edge, the image converges to the tent-filtered coverage:
// with a the edge's distance from the pixel centre (positive inside), the
// covered share of a tent of radius 1 is 1/2 + a − a·|a|/2.
float tentCoverage(float a) {
    a = std::max(-1.0f, std::min(1.0f, a));
    return 0.5f + a - a * std::fabs(a) / 2.0f;
}

TEST_F(RenderFrameTest, ProgressivePassesConvergeToTheFilteredEdge) {
    ASSERT_TRUE(scene->build(32, 8));
    scene->setOption(hox::OPTION_PROGRESSIVE_SAMPLING, true);
    // The quad's right edge at view x = 10.25.
    const float edge = 10.25f, z = -1.0f;
    const float worldEdge = (edge * 2.0f / 32.0f - 1.0f) * -z;
    scene->addQuad(-10.0f, -10.0f, worldEdge, 10.0f, z);

    // First pass: pixel centres only, a hard edge.
    ASSERT_EQ(0, scene->render());
    EXPECT_FLOAT_EQ(1.0f, scene->capture.at(9, 4).b);
    EXPECT_FLOAT_EQ(0.0f, scene->capture.at(10, 4).b);

    float firstError = 0.0f;
    int passes = 1;
    for (; passes < 300 && scene->capture.last.isStatic == 0; ++passes) {
        ASSERT_EQ(0, scene->render());
        if (passes == 8) firstError = std::fabs(scene->capture.at(10, 4).b - tentCoverage(edge - 10.5f));
    }
    EXPECT_GT(passes, 250);  // 256 passes from level 0 to level 4
    for (int x = 8; x <= 12; ++x) {
        const float expected = tentCoverage(edge - (x + 0.5f));
        for (int y = 1; y < 7; ++y) {
            const Rgba p = scene->capture.at(x, y);
            EXPECT_NEAR(expected, p.b, 0.02f) << "pixel " << x << ", " << y;
            EXPECT_NEAR(expected * 0.5f, p.r, 0.01f);
            EXPECT_NEAR(1.0f, p.a, kTolerance);
        }
    }
    EXPECT_LT(std::fabs(scene->capture.at(10, 4).b - tentCoverage(edge - 10.5f)), firstError + 0.005f);
}

}  // namespace
}  // namespace hox_host_test
