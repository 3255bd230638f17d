// Primary rays against rays worked out from the camera model by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/primary_rays.h"
#include "scene/camera_model.h"
#include "scene/entity_records.h"

namespace hox {
namespace engine {
namespace {

const Mat4f kIdentity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

SampleRecord sampleAt(float x, float y, int offsetIndex = 0) {
    return {x, y, static_cast<int>(x), static_cast<int>(y), offsetIndex};
}

class PrimaryRaysTest : public ::testing::Test {
protected:
    PrimaryRaysTest() : camera(0) {
        scene::cameraInitPerspective(camera, 90.0f);
        camera.width = 640;
        camera.height = 480;
        camera.aspectRatio = 4.0f / 3.0f;
    }
    scene::CameraRecord camera;
    PrimaryRaySetup setup;
    PrimaryRayBatch batch;
};

TEST_F(PrimaryRaysTest, PerspectiveRaysStartAtTheCameraAndRunDownTheImage) {
    ASSERT_TRUE(setupPrimaryRays(camera, kIdentity, setup));
    EXPECT_FALSE(setup.hasLens);
    // Top-left pixel centre of tile (0, 0) and a pixel of tile (2, 1).
    const SampleRecord records[2] = {sampleAt(0.5f, 0.5f), sampleAt(3.25f, 7.75f)};
    generatePrimaryRays(setup, 0, 0, records, 1, batch);
    // Image plane at z = −1, 2 wide and 1.5 high; row 0 is its top (+y).
    EXPECT_FLOAT_EQ(0.0f, batch.origin[0][0]);
    EXPECT_FLOAT_EQ(-1.0f + 0.5f * 2.0f / 640.0f, batch.direction[0][0]);
    EXPECT_FLOAT_EQ(0.75f - 0.5f * 1.5f / 480.0f, batch.direction[1][0]);
    EXPECT_FLOAT_EQ(-1.0f, batch.direction[2][0]);

    generatePrimaryRays(setup, 2, 1, records + 1, 1, batch);
    const float x = 32.0f + 3.25f, y = 16.0f + 7.75f;
    EXPECT_NEAR(-1.0f + x * 2.0f / 640.0f, batch.direction[0][0], 1e-6f);
    EXPECT_NEAR(0.75f - y * 1.5f / 480.0f, batch.direction[1][0], 1e-6f);
}

TEST_F(PrimaryRaysTest, APixelRendersTheRayThatPickingBuildsForIt) {
    const Mat4f turned = {{0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 5, 2, -3, 1}};
    scene::CameraFrame frame;
    ASSERT_TRUE(scene::computeCameraFrame(camera, turned, frame));
    ASSERT_TRUE(setupPrimaryRays(camera, turned, setup));
    const SampleRecord record = sampleAt(9.5f, 4.5f);
    generatePrimaryRays(setup, 7, 11, &record, 1, batch);
    const scene::PickRay pick = scene::pickRay(frame, 7 * 16 + 9.5f, 11 * 16 + 4.5f, 480);
    const float d[3] = {batch.direction[0][0], batch.direction[1][0], batch.direction[2][0]};
    const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    EXPECT_NEAR(pick.origin.x, batch.origin[0][0], 1e-5f);
    EXPECT_NEAR(pick.origin.z, batch.origin[2][0], 1e-5f);
    EXPECT_NEAR(pick.direction.x, d[0] / length, 1e-5f);
    EXPECT_NEAR(pick.direction.y, d[1] / length, 1e-5f);
    EXPECT_NEAR(pick.direction.z, d[2] / length, 1e-5f);
}

TEST_F(PrimaryRaysTest, ALensMovesTheStartButNotTheFocusedPoint) {
    scene::cameraSetDepthOfField(camera, 2.0f, 0.25f);
    ASSERT_TRUE(setupPrimaryRays(camera, kIdentity, setup));
    ASSERT_TRUE(setup.hasLens);
    SampleRecord records[8];
    for (int i = 0; i < 8; ++i) records[i] = sampleAt(4.5f, 4.5f, i);
    generatePrimaryRays(setup, 1, 1, records, 8, batch);
    // Pinhole far point of view position (20.5, 20.5) at focal distance 2.
    const float fx = (-1.0f + 20.5f * 2.0f / 640.0f) * 2.0f;
    const float fy = (0.75f - 20.5f * 1.5f / 480.0f) * 2.0f;
    float previousX = 99.0f;
    for (int i = 0; i < 8; ++i) {
        const float ox = batch.origin[0][i], oy = batch.origin[1][i];
        EXPECT_EQ(0.0f, batch.origin[2][i]);
        EXPECT_LT(ox * ox + oy * oy, 0.25f * 0.25f);
        EXPECT_NEAR(fx, ox + batch.direction[0][i], 1e-5f);
        EXPECT_NEAR(fy, oy + batch.direction[1][i], 1e-5f);
        EXPECT_NEAR(-2.0f, batch.direction[2][i], 1e-6f);
        EXPECT_NE(previousX, ox);  // each offset index has its own lens point
        previousX = ox;
    }
}

}  // namespace
}  // namespace engine
}  // namespace hox
