// The camera controller and what input means to it: orbit, pan, zoom and fly
// move as asked and bad input leaves the camera alone; clicks pick, drags
// move the camera, shift-drags pick regions, keys change the render choices
// within their bounds, held fly keys move with time.
#include <gtest/gtest.h>

#include <cmath>

#include "orbit_camera.h"
#include "vec_math.h"
#include "view_controller.h"

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

TEST(OrbitCamera, OrbitKeepsTargetAndDistanceUndoesAndStopsShortOfThePoles) {
    OrbitCamera camera(home());
    const float distance = length(home().eye - home().target);
    camera.orbit(120.0f, -40.0f);
    expectNear(camera.pose().target, home().target);
    EXPECT_NEAR(distance, length(camera.pose().eye - camera.pose().target), 1e-4f);
    EXPECT_GT(length(camera.pose().eye - home().eye), 1.0f);  // it did move
    camera.orbit(-120.0f, 40.0f);
    expectNear(camera.pose().eye, home().eye, 1e-3f);

    camera.orbit(0.0f, 100000.0f);
    EXPECT_LT(camera.pitchRadians(), 1.5708f);
    EXPECT_GT(camera.pitchRadians(), 1.55f);
    camera.orbit(0.0f, -300000.0f);
    EXPECT_GT(camera.pitchRadians(), -1.5708f);
    // Still a usable frame: the eye is not straight below the target.
    const CameraPose pose = camera.pose();
    EXPECT_GT(std::hypot(pose.eye.x - pose.target.x, pose.eye.z - pose.target.z), 1e-3f);
}

TEST(OrbitCamera, PanMakesTheTargetFollowTheCursorAndPointsBehindDoNotProject) {
    OrbitCamera camera(home());
    const hox::Vec3f target = home().target;
    float x = 0, y = 0;
    ASSERT_TRUE(camera.project(target, 320, 240, x, y));
    EXPECT_NEAR(160.0f, x, 1e-3f);
    EXPECT_NEAR(120.0f, y, 1e-3f);
    EXPECT_FALSE(camera.project({1.2f, 4.1f, 16.0f}, 320, 240, x, y));  // beyond the eye
    EXPECT_FALSE(camera.project(target, 0, 240, x, y));
    camera.pan(30.0f, -20.0f, 320);
    ASSERT_TRUE(camera.project(target, 320, 240, x, y));
    EXPECT_NEAR(190.0f, x, 0.05f);
    EXPECT_NEAR(100.0f, y, 0.05f);
    EXPECT_NEAR(length(home().eye - home().target), camera.distance(), 1e-4f);  // a pure slide
}

TEST(OrbitCamera, ZoomStepsTenPercentAndFlyMovesEyeAndTargetTogether) {
    OrbitCamera camera(home());
    const float start = camera.distance();
    camera.zoom(1.0f);
    EXPECT_NEAR(start * 0.9f, camera.distance(), 1e-4f);
    camera.zoom(-2.0f);
    EXPECT_NEAR(start / 0.9f, camera.distance(), 1e-3f);
    for (int i = 0; i < 100; ++i) camera.zoom(50.0f);
    EXPECT_GE(camera.distance(), start * 1e-3f * 0.999f);  // stops short of the target

    camera.reset();
    camera.fly(0.0f, 0.0f, 1.0f, 0.5f);  // forward for half a second: half the home distance
    const CameraPose pose = camera.pose();
    EXPECT_NEAR(start, camera.distance(), 1e-4f);
    EXPECT_NEAR(0.5f * start, length(pose.eye - home().eye), 1e-3f);
    EXPECT_LT(length(pose.eye - home().target), start);  // towards the view
    camera.fly(1.0f, 0.0f, 0.0f, 0.1f);
    camera.fly(0.0f, 1.0f, 0.0f, 0.1f);
    EXPECT_NEAR(camera.pose().target.y, pose.target.y + 0.1f * start, 1e-3f);
}

TEST(OrbitCamera, NonFiniteInputIsIgnoredAndResetReturnsHome) {
    OrbitCamera camera(home());
    camera.orbit(NAN, 1.0f);
    camera.pan(INFINITY, 0.0f, 320);
    camera.zoom(NAN);
    camera.fly(0, 0, NAN, 1.0f);
    camera.pan(5.0f, 5.0f, 0);  // no image to pan in
    expectNear(camera.pose().eye, home().eye);
    expectNear(camera.pose().target, home().target);
    camera.orbit(50, 20);
    camera.pan(10, 10, 320);
    camera.zoom(3);
    camera.fly(1, 1, 1, 0.1f);
    camera.reset();
    expectNear(camera.pose().eye, home().eye);
    expectNear(camera.pose().target, home().target);
    EXPECT_FLOAT_EQ(55.0f, camera.pose().fovDegrees);
}

InputEvent mouse(InputEvent::Kind kind, int x, int y, bool shift = false, int dx = 0, int dy = 0,
                 MouseButton button = MouseButton::kLeft) {
    return InputEvent{kind, x, y, dx, dy, button, shift, ViewerKey::kNone};
}

InputEvent key(ViewerKey k, InputEvent::Kind kind = InputEvent::kKeyDown) {
    return InputEvent{kind, 0, 0, 0, 0, MouseButton::kLeft, false, k};
}

// The controller over a camera 8 units from its target, on four processors.
struct ViewControllerTest : ::testing::Test {
    static CameraPose start() {
        CameraPose pose;
        pose.eye = {0, 1, 8};
        pose.target = {0, 1, 0};
        return pose;
    }
    OrbitCamera camera{start()};
    ViewController controller{camera, 320, RenderChoices(), 4};
};

TEST_F(ViewControllerTest, ClicksWithOrWithoutShiftAskForPixelPicks) {
    for (bool shift : {false, true}) {
        SCOPED_TRACE(shift ? "shift" : "plain");
        controller.handle(mouse(InputEvent::kMouseDown, 100, 50, shift));
        controller.handle(mouse(InputEvent::kMouseMove, 101, 51, shift, 1, 1));  // a shaking hand
        controller.handle(mouse(InputEvent::kMouseUp, 101, 51, shift));
        const auto picks = controller.takePicks();
        ASSERT_EQ(1u, picks.size());
        EXPECT_FALSE(picks[0].region);
        EXPECT_EQ(101, picks[0].x0);
        EXPECT_EQ(51, picks[0].y0);
        EXPECT_TRUE(controller.takePicks().empty());  // taken once
    }
}

// A left drag orbits (the eye moves), a right drag pans (the target slides);
// neither picks, both keep the distance.
TEST_F(ViewControllerTest, DragsOrbitOrPanAndPickNothing) {
    for (const bool pans : {false, true}) {
        SCOPED_TRACE(pans ? "right" : "left");
        const MouseButton b = pans ? MouseButton::kRight : MouseButton::kLeft;
        const int dx = pans ? 0 : 40, dy = pans ? 30 : 0;
        const CameraPose before = camera.pose();
        controller.handle(mouse(InputEvent::kMouseDown, 100, 50, false, 0, 0, b));
        controller.handle(mouse(InputEvent::kMouseMove, 100 + dx, 50 + dy, false, dx, dy, b));
        controller.handle(mouse(InputEvent::kMouseUp, 100 + dx, 50 + dy, false, 0, 0, b));
        EXPECT_TRUE(controller.takePicks().empty());
        EXPECT_TRUE(controller.takeCameraMoved());
        EXPECT_FALSE(controller.takeCameraMoved());
        EXPECT_GT(pans ? length(camera.pose().target - before.target) : length(camera.pose().eye - before.eye),
                  pans ? 0.1f : 0.5f);
        EXPECT_NEAR(8.0f, camera.distance(), 1e-4f);
    }
}

TEST_F(ViewControllerTest, ShiftDragsPickRegionsInTheDirectionDrawn) {
    controller.handle(mouse(InputEvent::kMouseDown, 200, 150, true));
    controller.handle(mouse(InputEvent::kMouseMove, 20, 10, true, -180, -140));
    PickRequest drawing;
    ASSERT_TRUE(controller.regionInProgress(drawing));
    EXPECT_EQ(20, drawing.x1);
    controller.handle(mouse(InputEvent::kMouseUp, 20, 10, true));
    EXPECT_FALSE(controller.regionInProgress(drawing));
    EXPECT_FALSE(controller.takeCameraMoved());  // a region drag does not orbit
    const auto picks = controller.takePicks();
    ASSERT_EQ(1u, picks.size());
    EXPECT_TRUE(picks[0].region);
    EXPECT_EQ(std::make_pair(200, 150), std::make_pair(picks[0].x0, picks[0].y0));
    EXPECT_EQ(std::make_pair(20, 10), std::make_pair(picks[0].x1, picks[0].y1));
}

TEST_F(ViewControllerTest, KeysChangeChoicesWithinTheirBoundsWheelZoomsAndEscapeQuits) {
    controller.handle(key(ViewerKey::kShadePrimitives));
    EXPECT_EQ(2, controller.choices().debugShade);
    EXPECT_TRUE(controller.takeChoicesChanged());
    controller.handle(key(ViewerKey::kShadePrimitives));
    EXPECT_FALSE(controller.takeChoicesChanged());  // no change, no restart
    auto press = [&](ViewerKey k, int times) {
        for (int i = 0; i < times; ++i) controller.handle(key(k));
    };
    press(ViewerKey::kMoreThreads, 10);
    EXPECT_EQ(4, controller.choices().threads);
    press(ViewerKey::kFewerThreads, 10);
    EXPECT_EQ(1, controller.choices().threads);
    press(ViewerKey::kDeeper, 30);
    EXPECT_EQ(kMaxTraceDepth, controller.choices().traceDepth);
    press(ViewerKey::kShallower, 30);
    EXPECT_EQ(0, controller.choices().traceDepth);
    press(ViewerKey::kToggleShadows, 1);
    press(ViewerKey::kToggleOcclusion, 1);
    EXPECT_FALSE(controller.choices().shadows);
    EXPECT_FALSE(controller.choices().occlusion);
    EXPECT_TRUE(controller.choices().illumination);
    EXPECT_TRUE(controller.takeChoicesChanged());

    controller.handle(mouse(InputEvent::kWheel, 0, 0, false, 0, 3));
    EXPECT_LT(camera.distance(), 8.0f);
    controller.handle(key(ViewerKey::kReset));
    EXPECT_NEAR(8.0f, camera.distance(), 1e-4f);
    EXPECT_FALSE(controller.quitRequested());
    controller.handle(key(ViewerKey::kQuit));
    EXPECT_TRUE(controller.quitRequested());
}

TEST_F(ViewControllerTest, HeldFlyKeysMoveWithTimeAndStopOnRelease) {
    controller.advance(0.05f);
    EXPECT_FALSE(controller.takeCameraMoved());
    controller.handle(key(ViewerKey::kForward));
    controller.advance(0.05f);
    EXPECT_TRUE(controller.takeCameraMoved());
    EXPECT_NEAR(0.2f, length(camera.pose().eye - start().eye), 1e-4f);  // half the distance a second
    controller.advance(10.0f);  // a stall does not fling the camera
    EXPECT_NEAR(0.6f, length(camera.pose().eye - start().eye), 1e-4f);
    controller.handle(key(ViewerKey::kForward, InputEvent::kKeyUp));
    controller.takeCameraMoved();
    controller.advance(0.05f);
    EXPECT_FALSE(controller.takeCameraMoved());
}

}  // namespace
}  // namespace hox_view
