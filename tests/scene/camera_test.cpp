#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "scene/camera_model.h"

namespace {

using hox::Mat4f;
using hox::Vec3f;
using hox::scene::CameraFrame;
using hox::scene::CameraRecord;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

Mat4f identity() {
    return Mat4f{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
}

// A camera turned 90 degrees about +Y and moved to (1, 2, 3): its X axis is
// world -Z, its Z axis world +X. Rows are the axes, row 3 the position.
Mat4f turnedAndMoved() {
    return Mat4f{{0, 0, -1, 0,  //
                  0, 1, 0, 0,   //
                  1, 0, 0, 0,   //
                  1, 2, 3, 1}};
}

void expectVec(const Vec3f& actual, float x, float y, float z, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

Vec3f at(const Vec3f& base, const Vec3f& stepX, const Vec3f& stepY, float x, float y) {
    return {base.x + x * stepX.x + y * stepY.x, base.y + x * stepX.y + y * stepY.y,
            base.z + x * stepX.z + y * stepY.z};
}

// --- setters -----------------------------------------------------------

TEST(CameraSetters, FreshCameraIsTheDefaultPerspectiveCamera) {
    CameraRecord camera(0);
    EXPECT_EQ(camera.cameraType, 0);
    EXPECT_EQ(camera.width, 640);
    EXPECT_EQ(camera.height, 480);
    EXPECT_FLOAT_EQ(camera.aspectRatio, 4.0f / 3.0f);
    EXPECT_FLOAT_EQ(camera.fieldOfView, 45.0f);
}

TEST(CameraSetters, PerspectiveFieldOfViewIsClampedAndClearsAperture) {
    CameraRecord camera(0);
    struct Case { float given, stored; } cases[] = {
        {200.0f, 178.0f}, {178.0f, 178.0f}, {0.0f, 0.1f},  {0.1f, 0.1f}, {-5.0f, 0.1f},
        {kNaN, 0.1f},     {kInf, 178.0f},   {-kInf, 0.1f}, {90.0f, 90.0f}};
    for (const Case& c : cases) {
        cameraInitOrthographic(camera, 3.0f);
        cameraInitPerspective(camera, c.given);
        EXPECT_EQ(camera.cameraType, 0);
        EXPECT_FLOAT_EQ(camera.fieldOfView, c.stored) << "given " << c.given;
        EXPECT_EQ(camera.aperture, 0.0f);
    }
}

TEST(CameraSetters, OrthographicKeepsApertureAndClearsFieldOfView) {
    CameraRecord camera(0);
    cameraInitOrthographic(camera, -2.5f);
    EXPECT_EQ(camera.cameraType, 1);
    EXPECT_EQ(camera.aperture, -2.5f);
    EXPECT_EQ(camera.fieldOfView, 0.0f);
}

TEST(CameraSetters, ProjectionStoresPointsAndClearsApertureAndFieldOfView) {
    CameraRecord camera(0);
    cameraInitProjection(camera, {1, 2, 3}, {4, 5, 6}, {7, 8, 9});
    EXPECT_EQ(camera.cameraType, 2);
    expectVec(camera.projection[0], 1, 2, 3, 0);
    expectVec(camera.projection[1], 4, 5, 6, 0);
    expectVec(camera.projection[2], 7, 8, 9, 0);
    EXPECT_EQ(camera.aperture, 0.0f);
    EXPECT_EQ(camera.fieldOfView, 0.0f);
}

TEST(CameraSetters, AspectRatioMustBePositive) {
    CameraRecord camera(0);
    cameraSetAspectRatio(camera, 2.0f);
    for (float bad : {0.0f, -1.0f, kNaN, -kInf}) {
        cameraSetAspectRatio(camera, bad);
        EXPECT_EQ(camera.aspectRatio, 2.0f) << "given " << bad;
    }
    cameraSetAspectRatio(camera, 0.5f);
    EXPECT_EQ(camera.aspectRatio, 0.5f);
}

TEST(CameraSetters, DepthOfFieldClamping) {
    CameraRecord camera(0);
    cameraSetDepthOfField(camera, 0.0f, -1.0f);
    EXPECT_EQ(camera.focalDistance, 1.0f);
    EXPECT_EQ(camera.lensRadius, 0.0f);

    cameraSetDepthOfField(camera, 0.0001f, 2.0f);
    EXPECT_EQ(camera.focalDistance, 0.001f);
    EXPECT_EQ(camera.lensRadius, 2.0f);

    cameraSetDepthOfField(camera, 0.001f, 0.0f);
    EXPECT_EQ(camera.focalDistance, 0.001f);

    cameraSetDepthOfField(camera, 0.002f, 0.5f);
    EXPECT_EQ(camera.focalDistance, 0.002f);
    EXPECT_EQ(camera.lensRadius, 0.5f);

    cameraSetDepthOfField(camera, kNaN, kNaN);
    EXPECT_EQ(camera.focalDistance, 1.0f);
    EXPECT_EQ(camera.lensRadius, 0.0f);

    cameraSetDepthOfField(camera, -kInf, -kInf);
    EXPECT_EQ(camera.focalDistance, 1.0f);
    EXPECT_EQ(camera.lensRadius, 0.0f);
}

TEST(CameraSetters, WindowRegionNeverStoresAnInvertedRectangle) {
    CameraRecord camera(0);
    cameraSetWindowRegion(camera, 100, 50, 10, 20);
    EXPECT_EQ(camera.windowRegion[0], 100);
    EXPECT_EQ(camera.windowRegion[1], 50);
    EXPECT_EQ(camera.windowRegion[2], 100);
    EXPECT_EQ(camera.windowRegion[3], 50);

    cameraSetWindowRegion(camera, -5, 1, 30, 40);
    EXPECT_EQ(camera.windowRegion[0], -5);
    EXPECT_EQ(camera.windowRegion[2], 30);
    EXPECT_EQ(camera.windowRegion[3], 40);
}

// --- camera frame ------------------------------------------------------

TEST(CameraFrame, Perspective640x480FieldOfView90) {
    CameraRecord camera(0);
    cameraInitPerspective(camera, 90.0f);
    CameraFrame frame;
    ASSERT_TRUE(computeCameraFrame(camera, identity(), frame));
    expectVec(frame.stepX, 2.0f / 640, 0, 0);
    expectVec(frame.stepY, 0, 1.5f / 480, 0);
    expectVec(frame.corner, -1, -0.75f, -1);
    expectVec(frame.origin, 0, 0, 0);
    expectVec(frame.originStepX, 0, 0, 0);
    expectVec(frame.originStepY, 0, 0, 0);
}

TEST(CameraFrame, PerspectiveFollowsTheWorldMatrixAndOffsets) {
    CameraRecord camera(0);
    cameraInitPerspective(camera, 90.0f);
    cameraSetDepthOfField(camera, 2.0f, 0.0f);
    camera.offsetX = 0.5f;
    CameraFrame frame;
    ASSERT_TRUE(computeCameraFrame(camera, turnedAndMoved(), frame));
    // Plane 2 * 2 * tan(45) = 4 wide and 3 high at distance 2 along world -X.
    expectVec(frame.stepX, 0, 0, -4.0f / 640);
    expectVec(frame.stepY, 0, 3.0f / 480, 0);
    // P - Z*f + (0.5 - 320) * stepX - 240 * stepY
    expectVec(frame.corner, 1 - 2, 2 - 1.5f, 3 + 319.5f * 4.0f / 640);
    expectVec(frame.origin, 1, 2, 3);
}

TEST(CameraFrame, PerspectiveCentreLooksDownMinusZ) {
    CameraRecord camera(0);
    cameraInitPerspective(camera, 90.0f);
    cameraSetDepthOfField(camera, 7.0f, 0.0f);
    camera.width = 33;  // odd sizes: the centre falls inside a pixel
    camera.height = 17;
    CameraFrame frame;
    ASSERT_TRUE(computeCameraFrame(camera, identity(), frame));
    expectVec(at(frame.corner, frame.stepX, frame.stepY, 16.5f, 8.5f), 0, 0, -7);
}

TEST(CameraFrame, OrthographicRaysAreParallel) {
    CameraRecord camera(0);
    cameraInitOrthographic(camera, 2.0f);
    Mat4f world = identity();
    world.m[12] = 5.0f;
    CameraFrame frame;
    ASSERT_TRUE(computeCameraFrame(camera, world, frame));
    // a * aspect / W = 2 * 4/3 / 640; a / H = 2 / 480.
    expectVec(frame.stepX, 1.0f / 240, 0, 0);
    expectVec(frame.stepY, 0, 2.0f / 480, 0);
    expectVec(frame.corner, 5 - 4.0f / 3, -1, -1);
    expectVec(frame.origin, 5 - 4.0f / 3, -1, 0);
    expectVec(frame.originStepX, 1.0f / 240, 0, 0);
    expectVec(frame.originStepY, 0, 2.0f / 480, 0);
    for (float x : {0.0f, 100.0f, 639.0f}) {
        for (float y : {0.0f, 479.0f}) {
            Vec3f point = at(frame.corner, frame.stepX, frame.stepY, x, y);
            Vec3f start = at(frame.origin, frame.originStepX, frame.originStepY, x, y);
            expectVec({point.x - start.x, point.y - start.y, point.z - start.z}, 0, 0, -1);
        }
    }
}

TEST(CameraFrame, ProjectionWithDefaultPointsSpansAUnitSquare) {
    CameraRecord camera(0);
    cameraInitProjection(camera, {-0.5f, -0.5f, 1}, {0.5f, -0.5f, 1}, {-0.5f, 0.5f, 1});
    CameraFrame frame;
    ASSERT_TRUE(computeCameraFrame(camera, identity(), frame));
    expectVec(frame.stepX, 1.0f / 640, 0, 0);
    expectVec(frame.stepY, 0, 1.0f / 480, 0);
    expectVec(frame.corner, -0.5f, -0.5f, 1);
    expectVec(frame.origin, 0, 0, 0);
}

TEST(CameraFrame, ProjectionPointsAreTransformedAsPoints) {
    CameraRecord camera(0);
    cameraInitProjection(camera, {-0.5f, -0.5f, 1}, {0.5f, -0.5f, 1}, {-0.5f, 0.5f, 1});
    camera.offsetX = 2.0f;
    camera.offsetY = 3.0f;
    CameraFrame frame;
    ASSERT_TRUE(computeCameraFrame(camera, turnedAndMoved(), frame));
    // q = p.x * X + p.y * Y + p.z * Z + P: q0 (2, 1.5, 3.5), q1 (2, 1.5, 2.5),
    // q2 (2, 2.5, 3.5).
    expectVec(frame.stepX, 0, 0, -1.0f / 640);
    expectVec(frame.stepY, 0, 1.0f / 480, 0);
    expectVec(frame.corner, 2, 1.5f + 3.0f / 480, 3.5f - 2.0f / 640);
    expectVec(frame.origin, 1, 2, 3);
    expectVec(frame.originStepX, 0, 0, 0);
}

TEST(CameraFrame, UnknownTypeLeavesTheFrameUntouched) {
    CameraRecord camera(0);
    camera.cameraType = 3;
    CameraFrame frame;
    frame.corner = {7, 8, 9};
    frame.stepX = {1, 1, 1};
    EXPECT_FALSE(computeCameraFrame(camera, identity(), frame));
    expectVec(frame.corner, 7, 8, 9, 0);
    expectVec(frame.stepX, 1, 1, 1, 0);
    camera.cameraType = -1;
    EXPECT_FALSE(computeCameraFrame(camera, identity(), frame));
}

TEST(CameraFrame, CameraWithoutPixelsHasNoFrame) {
    CameraRecord camera(0);
    CameraFrame frame;
    camera.width = 0;
    EXPECT_FALSE(computeCameraFrame(camera, identity(), frame));
    camera.width = 640;
    camera.height = -480;
    EXPECT_FALSE(computeCameraFrame(camera, identity(), frame));
}

// --- window region -----------------------------------------------------

TEST(WindowRegion, DefaultRegionIsTheWholeImageAndNotActive) {
    CameraRecord camera(0);
    hox::scene::WindowRegion region = resolveWindowRegion(camera);
    EXPECT_EQ(region.x0, 0);
    EXPECT_EQ(region.y0, 0);
    EXPECT_EQ(region.x1, 639);
    EXPECT_EQ(region.y1, 479);
    EXPECT_FALSE(region.active);
}

TEST(WindowRegion, ExactWholeImageIsNotActive) {
    CameraRecord camera(0);
    cameraSetWindowRegion(camera, 0, 0, 639, 479);
    EXPECT_FALSE(resolveWindowRegion(camera).active);
    cameraSetWindowRegion(camera, -10, -10, 5000, 5000);
    EXPECT_FALSE(resolveWindowRegion(camera).active);
}

TEST(WindowRegion, AnyShorterSideMakesItActive) {
    CameraRecord camera(0);
    const int regions[][4] = {{1, 0, 639, 479}, {0, 1, 639, 479}, {0, 0, 638, 479}, {0, 0, 639, 478}};
    for (const auto& r : regions) {
        cameraSetWindowRegion(camera, r[0], r[1], r[2], r[3]);
        EXPECT_TRUE(resolveWindowRegion(camera).active) << r[0] << " " << r[1] << " " << r[2] << " " << r[3];
    }
}

TEST(WindowRegion, ClipsToTheImage) {
    CameraRecord camera(0);
    cameraSetWindowRegion(camera, -20, 100, 1000, 200);
    hox::scene::WindowRegion region = resolveWindowRegion(camera);
    EXPECT_EQ(region.x0, 0);
    EXPECT_EQ(region.y0, 100);
    EXPECT_EQ(region.x1, 639);
    EXPECT_EQ(region.y1, 200);
    EXPECT_TRUE(region.active);
}

TEST(WindowRegion, CollapsedRegionIsOnePixel) {
    CameraRecord camera(0);
    cameraSetWindowRegion(camera, 100, 50, 10, 20);
    hox::scene::WindowRegion region = resolveWindowRegion(camera);
    EXPECT_EQ(region.x0, 100);
    EXPECT_EQ(region.x1, 100);
    EXPECT_EQ(region.y0, 50);
    EXPECT_EQ(region.y1, 50);
    EXPECT_TRUE(region.active);
}

TEST(WindowRegion, RawInvertedRecordIsRepairedAndNegativeResolutionDoesNotOverflow) {
    CameraRecord camera(0);
    // A record read from a stream need not have passed the setter.
    camera.windowRegion[0] = 300;
    camera.windowRegion[2] = 200;
    hox::scene::WindowRegion region = resolveWindowRegion(camera);
    EXPECT_EQ(region.x0, 200);
    EXPECT_EQ(region.x1, 200);

    // No pixel columns: the region comes out empty (x1 before x0).
    camera.width = std::numeric_limits<int>::min();
    region = resolveWindowRegion(camera);
    EXPECT_LT(region.x1, region.x0);
}

// --- picking -----------------------------------------------------------

TEST(PickRay, CountsRowsFromTheTop) {
    CameraRecord camera(0);
    cameraInitPerspective(camera, 90.0f);
    CameraFrame frame;
    ASSERT_TRUE(computeCameraFrame(camera, identity(), frame));

    hox::scene::PickRay centre = pickRay(frame, 320, 240, 480);
    expectVec(centre.origin, 0, 0, 0);
    expectVec(centre.direction, 0, 0, -1);

    // The top-left pixel sees the image plane's -X, +Y corner.
    hox::scene::PickRay topLeft = pickRay(frame, 0, 0, 480);
    const float length = std::sqrt(1.0f + 0.75f * 0.75f + 1.0f);
    expectVec(topLeft.direction, -1 / length, 0.75f / length, -1 / length);
}

TEST(PickRay, OrthographicRaysStartAtThePixel) {
    CameraRecord camera(0);
    cameraInitOrthographic(camera, 2.0f);
    CameraFrame frame;
    ASSERT_TRUE(computeCameraFrame(camera, identity(), frame));
    hox::scene::PickRay ray = pickRay(frame, 0, 480, 480);
    expectVec(ray.origin, -4.0f / 3, -1, 0);
    expectVec(ray.direction, 0, 0, -1);
}

TEST(PickRay, DegenerateFrameGivesAZeroDirection) {
    CameraFrame frame = {};
    hox::scene::PickRay ray = pickRay(frame, 3, 4, 10);
    expectVec(ray.direction, 0, 0, 0, 0);
}

}  // namespace
