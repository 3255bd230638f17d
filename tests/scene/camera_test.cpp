// The camera model: setters and what they refuse, the pixel-to-ray frame of
// each camera type, the window region and pick rays.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "scene/camera_model.h"
#include "scene_test_support.h"

namespace {

using hox::Mat4f;
using hox::Vec3f;
using hox::scene::testing::expectVec3Near;
using namespace hox::scene;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
const Vec3f kZero{0, 0, 0};
const Vec3f kProjection[3] = {{-0.5f, -0.5f, 1}, {0.5f, -0.5f, 1}, {-0.5f, 0.5f, 1}};  // the defaults
const Mat4f kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
// A camera turned 90 degrees about +Y and moved to (1, 2, 3): its X axis is
// world -Z, its Z axis world +X. Rows are the axes, row 3 the position.
const Mat4f kTurnedAndMoved{{0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 1, 2, 3, 1}};

TEST(CameraSetters, ClampOrRefuseWhatCannotBeUsedAndEachTypeKeepsOnlyItsOwnFields) {
    CameraRecord camera(0);
    for (const auto& c : std::vector<std::pair<float, float>>{{200, 178}, {0, 0.1f}, {kNaN, 0.1f}, {kInf, 178},
                                                              {90, 90}}) {
        cameraInitOrthographic(camera, 3.0f);
        cameraInitPerspective(camera, c.first);
        EXPECT_EQ(std::make_tuple(camera.cameraType, camera.fieldOfView, camera.aperture),
                  std::make_tuple(0, c.second, 0.0f)) << "given " << c.first;
    }
    cameraInitOrthographic(camera, -2.5f);
    EXPECT_EQ(std::make_tuple(camera.cameraType, camera.aperture, camera.fieldOfView), std::make_tuple(1, -2.5f, 0.0f));
    camera.fieldOfView = 60.0f;
    cameraInitProjection(camera, {1, 2, 3}, {4, 5, 6}, {7, 8, 9});
    EXPECT_EQ(std::make_tuple(camera.cameraType, camera.aperture, camera.fieldOfView), std::make_tuple(2, 0.0f, 0.0f));
    expectVec3Near({7, 8, 9}, camera.projection[2], 0);

    cameraSetAspectRatio(camera, 2.0f);
    for (float bad : {0.0f, -1.0f, kNaN}) cameraSetAspectRatio(camera, bad);
    EXPECT_EQ(camera.aspectRatio, 2.0f);
    // {focal distance, lens radius} given, then stored.
    const float dof[][4] = {{0, -1, 1, 0}, {0.0001f, 2, 0.001f, 2}, {0.002f, 0.5f, 0.002f, 0.5f}, {kNaN, kNaN, 1, 0}};
    for (const auto& d : dof) {
        cameraSetDepthOfField(camera, d[0], d[1]);
        EXPECT_EQ(std::make_tuple(camera.focalDistance, camera.lensRadius), std::make_tuple(d[2], d[3])) << d[0];
    }
    cameraSetWindowRegion(camera, 100, 50, 10, 20);  // never stored inverted
    EXPECT_EQ(std::vector<int>(camera.windowRegion, camera.windowRegion + 4), (std::vector<int>{100, 50, 100, 50}));
}

TEST(CameraFrame, EachTypeMapsPixelsToRays) {
    const struct {
        const char* what;
        std::function<void(CameraRecord&)> set;
        Mat4f world;
        CameraFrame expected;  // origin, its steps, corner, its steps
    } cases[] = {
        {"perspective 640 x 480, 90 degrees", [](CameraRecord& c) { cameraInitPerspective(c, 90.0f); }, kIdentity,
         {kZero, kZero, kZero, {-1, -0.75f, -1}, {2.0f / 640, 0, 0}, {0, 1.5f / 480, 0}}},
        // Plane 2 * 2 * tan(45) = 4 wide and 3 high at distance 2 along world
        // -X; corner P - Z*f + (0.5 - 320) * stepX - 240 * stepY.
        {"perspective, turned, moved and offset",
         [](CameraRecord& c) {
             cameraInitPerspective(c, 90.0f);
             cameraSetDepthOfField(c, 2.0f, 0.0f);
             c.offsetX = 0.5f;
         },
         kTurnedAndMoved,
         {{1, 2, 3}, kZero, kZero, {1 - 2, 2 - 1.5f, 3 + 319.5f * 4.0f / 640}, {0, 0, -4.0f / 640}, {0, 3.0f / 480, 0}}},
        // Steps a * aspect / W = 2 * 4/3 / 640 and a / H = 2 / 480; the
        // origins move with the pixels.
        {"orthographic, moved", [](CameraRecord& c) { cameraInitOrthographic(c, 2.0f); },
         Mat4f{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 0, 0, 1}},
         {{5 - 4.0f / 3, -1, 0}, {1.0f / 240, 0, 0}, {0, 2.0f / 480, 0}, {5 - 4.0f / 3, -1, -1}, {1.0f / 240, 0, 0},
          {0, 2.0f / 480, 0}}},
        // The points are transformed as points: q0 (2, 1.5, 3.5), q1 (2, 1.5,
        // 2.5), q2 (2, 2.5, 3.5); no centring shift, only the offsets.
        {"projection, turned, moved and offset",
         [](CameraRecord& c) {
             cameraInitProjection(c, kProjection[0], kProjection[1], kProjection[2]);
             c.offsetX = 2.0f;
             c.offsetY = 3.0f;
         },
         kTurnedAndMoved,
         {{1, 2, 3}, kZero, kZero, {2, 1.5f + 3.0f / 480, 3.5f - 2.0f / 640}, {0, 0, -1.0f / 640}, {0, 1.0f / 480, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CameraRecord camera(0);
        c.set(camera);
        CameraFrame frame;
        ASSERT_TRUE(computeCameraFrame(camera, c.world, frame));
        const Vec3f CameraFrame::*fields[] = {&CameraFrame::origin, &CameraFrame::originStepX, &CameraFrame::originStepY,
                                              &CameraFrame::corner, &CameraFrame::stepX,       &CameraFrame::stepY};
        for (auto field : fields) expectVec3Near(c.expected.*field, frame.*field, 1e-5f);
    }

    // Odd sizes: the view axis passes through the middle of a pixel.
    CameraRecord odd(0);
    cameraInitPerspective(odd, 90.0f);
    cameraSetDepthOfField(odd, 7.0f, 0.0f);
    odd.width = 33;
    odd.height = 17;
    CameraFrame frame;
    ASSERT_TRUE(computeCameraFrame(odd, kIdentity, frame));
    const Vec3f centre{frame.corner.x + 16.5f * frame.stepX.x, frame.corner.y + 8.5f * frame.stepY.y, frame.corner.z};
    expectVec3Near({0, 0, -7}, centre, 1e-5f);

    // An unknown type or no pixels leave the frame untouched.
    const std::function<void(CameraRecord&)> bad[] = {[](CameraRecord& c) { c.cameraType = 3; },
                                                      [](CameraRecord& c) { c.cameraType = -1; },
                                                      [](CameraRecord& c) { c.width = 0; },
                                                      [](CameraRecord& c) { c.height = -480; }};
    const CameraFrame before = frame;
    for (const auto& set : bad) {
        CameraRecord camera(0);
        set(camera);
        EXPECT_FALSE(computeCameraFrame(camera, kIdentity, frame));
        expectVec3Near(before.corner, frame.corner, 0);
        expectVec3Near(before.stepY, frame.stepY, 0);
    }
}

TEST(WindowRegion, ClippedToTheImageAndActiveOnlyWhenItIsSmaller) {
    const struct {
        int stored[4];
        WindowRegion expected;
    } cases[] = {
        {{0, 0, INT_MAX, INT_MAX}, {0, 0, 639, 479, false}},  // the default
        {{-10, -10, 5000, 5000}, {0, 0, 639, 479, false}},
        {{1, 0, 639, 479}, {1, 0, 639, 479, true}},
        {{0, 1, 639, 479}, {0, 1, 639, 479, true}},
        {{0, 0, 639, 478}, {0, 0, 639, 478, true}},
        {{-20, 100, 1000, 200}, {0, 100, 639, 200, true}},
        // A record read from a stream need not have passed the setter.
        {{300, 0, 200, INT_MAX}, {200, 0, 200, 479, true}},
    };
    const auto fields = [](const WindowRegion& r) { return std::make_tuple(r.x0, r.y0, r.x1, r.y1, r.active); };
    for (const auto& c : cases) {
        CameraRecord camera(0);
        std::copy(c.stored, c.stored + 4, camera.windowRegion);
        EXPECT_EQ(fields(resolveWindowRegion(camera)), fields(c.expected)) << c.stored[0] << " " << c.stored[2];
    }
    // No pixel columns: the region comes out empty (x1 before x0), without overflow.
    CameraRecord camera(0);
    camera.width = std::numeric_limits<int>::min();
    const WindowRegion r = resolveWindowRegion(camera);
    EXPECT_LT(r.x1, r.x0);
}

TEST(PickRay, CountsRowsFromTheTop) {
    CameraRecord camera(0);
    cameraInitPerspective(camera, 90.0f);
    CameraFrame frame;
    ASSERT_TRUE(computeCameraFrame(camera, kIdentity, frame));
    expectVec3Near({0, 0, -1}, pickRay(frame, 320, 240, 480).direction);
    // The top-left pixel sees the image plane's -X, +Y corner.
    const float length = std::sqrt(1.0f + 0.75f * 0.75f + 1.0f);
    expectVec3Near({-1 / length, 0.75f / length, -1 / length}, pickRay(frame, 0, 0, 480).direction);

    // Orthographic rays start at the pixel.
    cameraInitOrthographic(camera, 2.0f);
    ASSERT_TRUE(computeCameraFrame(camera, kIdentity, frame));
    const PickRay ray = pickRay(frame, 0, 480, 480);
    expectVec3Near({-4.0f / 3, -1, 0}, ray.origin);
    expectVec3Near({0, 0, -1}, ray.direction);
    // A degenerate frame gives a zero direction.
    expectVec3Near(kZero, pickRay(CameraFrame{}, 3, 4, 10).direction, 0);
}

}  // namespace
