// The camera controller's geometry: orbiting keeps the target and distance,
// panning makes the target follow the cursor, zoom and fly move as asked,
// reset returns home, and bad input leaves the camera alone.
#include <gtest/gtest.h>

#include <cmath>

#include "orbit_camera.h"
#include "vec_math.h"

namespace hox_view {
namespace {

using hox_render::CameraPose;
using hox_render::length;
using hox_render::operator-;

CameraPose home() {
    CameraPose pose;
    pose.eye = {0.6f, 2.4f, 8.0f};
    pose.target = {0.0f, 0.7f, 0.0f};
    pose.fovDegrees = 55.0f;
    return pose;
}

void expectNear(const hox::Vec3f& a, const hox::Vec3f& b, float tolerance = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(OrbitCamera, StartsAtTheHomePose) {
    const OrbitCamera camera(home());
    expectNear(camera.pose().eye, home().eye);
    expectNear(camera.pose().target, home().target);
    EXPECT_FLOAT_EQ(55.0f, camera.pose().fovDegrees);
}

TEST(OrbitCamera, OrbitKeepsTargetAndDistanceAndUndoes) {
    OrbitCamera camera(home());
    const float distance = length(home().eye - home().target);
    camera.orbit(120.0f, -40.0f);
    const CameraPose turned = camera.pose();
    expectNear(turned.target, home().target);
    EXPECT_NEAR(distance, length(turned.eye - turned.target), 1e-4f);
    EXPECT_GT(length(turned.eye - home().eye), 1.0f);  // it did move
    camera.orbit(-120.0f, 40.0f);
    expectNear(camera.pose().eye, home().eye, 1e-3f);
}

TEST(OrbitCamera, ElevationStopsShortOfThePoles) {
    OrbitCamera camera(home());
    camera.orbit(0.0f, 100000.0f);
    EXPECT_LT(camera.pitchRadians(), 1.5708f);
    EXPECT_GT(camera.pitchRadians(), 1.55f);
    camera.orbit(0.0f, -300000.0f);
    EXPECT_GT(camera.pitchRadians(), -1.5708f);
    // Still a usable frame: the eye is not straight below the target.
    const CameraPose pose = camera.pose();
    EXPECT_GT(std::hypot(pose.eye.x - pose.target.x, pose.eye.z - pose.target.z), 1e-3f);
}

TEST(OrbitCamera, PanMakesTheTargetFollowTheCursor) {
    OrbitCamera camera(home());
    const hox::Vec3f target = home().target;
    float x = 0, y = 0;
    ASSERT_TRUE(camera.project(target, 320, 240, x, y));
    EXPECT_NEAR(160.0f, x, 1e-3f);
    EXPECT_NEAR(120.0f, y, 1e-3f);
    camera.pan(30.0f, -20.0f, 320);
    ASSERT_TRUE(camera.project(target, 320, 240, x, y));
    EXPECT_NEAR(190.0f, x, 0.05f);
    EXPECT_NEAR(100.0f, y, 0.05f);
    // The distance and direction are unchanged: a pure slide.
    EXPECT_NEAR(length(home().eye - home().target), camera.distance(), 1e-4f);
}

TEST(OrbitCamera, ZoomStepsAreTenPercentAndStopShortOfTheTarget) {
    OrbitCamera camera(home());
    const float start = camera.distance();
    camera.zoom(1.0f);
    EXPECT_NEAR(start * 0.9f, camera.distance(), 1e-4f);
    camera.zoom(-2.0f);
    EXPECT_NEAR(start / 0.9f, camera.distance(), 1e-3f);
    for (int i = 0; i < 100; ++i) camera.zoom(50.0f);
    EXPECT_GE(camera.distance(), start * 1e-3f * 0.999f);
}

TEST(OrbitCamera, FlyMovesEyeAndTargetTogether) {
    OrbitCamera camera(home());
    const float distance = camera.distance();
    camera.fly(0.0f, 0.0f, 1.0f, 0.5f);  // forward for half a second: half the home distance
    const CameraPose pose = camera.pose();
    EXPECT_NEAR(distance, camera.distance(), 1e-4f);
    EXPECT_NEAR(0.5f * distance, length(pose.eye - home().eye), 1e-3f);
    // Forward is towards where the camera looked.
    EXPECT_LT(length(pose.eye - home().target), length(home().eye - home().target));
    camera.fly(1.0f, 0.0f, 0.0f, 0.1f);
    camera.fly(0.0f, 1.0f, 0.0f, 0.1f);
    EXPECT_NEAR(camera.pose().target.y, pose.target.y + 0.1f * distance, 1e-3f);
}

TEST(OrbitCamera, ResetReturnsHome) {
    OrbitCamera camera(home());
    camera.orbit(50, 20);
    camera.pan(10, 10, 320);
    camera.zoom(3);
    camera.fly(1, 1, 1, 0.1f);
    camera.reset();
    expectNear(camera.pose().eye, home().eye);
    expectNear(camera.pose().target, home().target);
}

TEST(OrbitCamera, NonFiniteInputIsIgnored) {
    OrbitCamera camera(home());
    camera.orbit(NAN, 1.0f);
    camera.pan(INFINITY, 0.0f, 320);
    camera.zoom(NAN);
    camera.fly(0, 0, NAN, 1.0f);
    camera.pan(5.0f, 5.0f, 0);  // no image to pan in
    expectNear(camera.pose().eye, home().eye);
    expectNear(camera.pose().target, home().target);
}

TEST(OrbitCamera, PointsBehindTheCameraDoNotProject) {
    const OrbitCamera camera(home());
    float x = 0, y = 0;
    const hox::Vec3f behind = {1.2f, 4.1f, 16.0f};  // beyond the eye, away from the target
    EXPECT_FALSE(camera.project(behind, 320, 240, x, y));
    EXPECT_FALSE(camera.project(home().target, 0, 240, x, y));
}

}  // namespace
}  // namespace hox_view
