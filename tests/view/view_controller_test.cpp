// What input means: clicks pick, drags move the camera, shift-drags pick
// regions in either direction, keys change the render choices within their
// bounds, and held fly keys move the camera with time.
#include <gtest/gtest.h>

#include "view_controller.h"
#include "vec_math.h"

namespace hox_view {
namespace {

using hox_render::length;
using hox_render::operator-;

hox_render::CameraPose home() {
    hox_render::CameraPose pose;
    pose.eye = {0, 1, 8};
    pose.target = {0, 1, 0};
    return pose;
}

InputEvent mouse(InputEvent::Kind kind, int x, int y, bool shift = false, int dx = 0, int dy = 0,
                 MouseButton button = MouseButton::kLeft) {
    InputEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    e.dx = dx;
    e.dy = dy;
    e.shift = shift;
    e.button = button;
    return e;
}

InputEvent key(InputEvent::Kind kind, ViewerKey k) {
    InputEvent e;
    e.kind = kind;
    e.key = k;
    return e;
}

struct Fixture : ::testing::Test {
    OrbitCamera camera{home()};
    ViewController controller{camera, 320, RenderChoices(), 4};
};

TEST_F(Fixture, AClickAsksForAPixelPickAndDoesNotMoveTheCamera) {
    controller.handle(mouse(InputEvent::kMouseDown, 100, 50));
    controller.handle(mouse(InputEvent::kMouseMove, 101, 51, false, 1, 1));  // a shaking hand
    controller.handle(mouse(InputEvent::kMouseUp, 101, 51));
    const auto picks = controller.takePicks();
    ASSERT_EQ(1u, picks.size());
    EXPECT_FALSE(picks[0].region);
    EXPECT_EQ(101, picks[0].x0);
    EXPECT_EQ(51, picks[0].y0);
    EXPECT_TRUE(controller.takePicks().empty());  // taken once
}

TEST_F(Fixture, ADragOrbitsAndPicksNothing) {
    const hox::Vec3f before = camera.pose().eye;
    controller.handle(mouse(InputEvent::kMouseDown, 100, 50));
    controller.handle(mouse(InputEvent::kMouseMove, 140, 50, false, 40, 0));
    controller.handle(mouse(InputEvent::kMouseUp, 140, 50));
    EXPECT_TRUE(controller.takePicks().empty());
    EXPECT_TRUE(controller.takeCameraMoved());
    EXPECT_FALSE(controller.takeCameraMoved());
    EXPECT_GT(length(camera.pose().eye - before), 0.5f);
    EXPECT_NEAR(8.0f, camera.distance(), 1e-4f);
}

TEST_F(Fixture, ARightDragPans) {
    controller.handle(mouse(InputEvent::kMouseDown, 100, 50, false, 0, 0, MouseButton::kRight));
    controller.handle(mouse(InputEvent::kMouseMove, 100, 80, false, 0, 30, MouseButton::kRight));
    controller.handle(mouse(InputEvent::kMouseUp, 100, 80, false, 0, 0, MouseButton::kRight));
    EXPECT_TRUE(controller.takeCameraMoved());
    EXPECT_GT(length(camera.pose().target - home().target), 0.1f);
    EXPECT_NEAR(8.0f, camera.distance(), 1e-4f);
}

TEST_F(Fixture, ShiftDragsPickRegionsInTheDirectionDrawn) {
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
    EXPECT_EQ(200, picks[0].x0);
    EXPECT_EQ(150, picks[0].y0);
    EXPECT_EQ(20, picks[0].x1);
    EXPECT_EQ(10, picks[0].y1);
}

TEST_F(Fixture, AShiftClickIsAPixelPick) {
    controller.handle(mouse(InputEvent::kMouseDown, 30, 40, true));
    controller.handle(mouse(InputEvent::kMouseUp, 31, 40, true));
    const auto picks = controller.takePicks();
    ASSERT_EQ(1u, picks.size());
    EXPECT_FALSE(picks[0].region);
}

TEST_F(Fixture, KeysChangeChoicesWithinTheirBounds) {
    controller.handle(key(InputEvent::kKeyDown, ViewerKey::kShadePrimitives));
    EXPECT_EQ(2, controller.choices().debugShade);
    EXPECT_TRUE(controller.takeChoicesChanged());
    controller.handle(key(InputEvent::kKeyDown, ViewerKey::kShadePrimitives));
    EXPECT_FALSE(controller.takeChoicesChanged());  // no change, no restart
    for (int i = 0; i < 10; ++i) controller.handle(key(InputEvent::kKeyDown, ViewerKey::kMoreThreads));
    EXPECT_EQ(4, controller.choices().threads);
    for (int i = 0; i < 10; ++i) controller.handle(key(InputEvent::kKeyDown, ViewerKey::kFewerThreads));
    EXPECT_EQ(1, controller.choices().threads);
    for (int i = 0; i < 30; ++i) controller.handle(key(InputEvent::kKeyDown, ViewerKey::kDeeper));
    EXPECT_EQ(kMaxTraceDepth, controller.choices().traceDepth);
    for (int i = 0; i < 30; ++i) controller.handle(key(InputEvent::kKeyDown, ViewerKey::kShallower));
    EXPECT_EQ(0, controller.choices().traceDepth);
    controller.handle(key(InputEvent::kKeyDown, ViewerKey::kToggleShadows));
    controller.handle(key(InputEvent::kKeyDown, ViewerKey::kToggleOcclusion));
    EXPECT_FALSE(controller.choices().shadows);
    EXPECT_FALSE(controller.choices().occlusion);
    EXPECT_TRUE(controller.choices().illumination);
    EXPECT_TRUE(controller.takeChoicesChanged());
}

TEST_F(Fixture, HeldFlyKeysMoveWithTimeAndStopOnRelease) {
    controller.advance(0.05f);
    EXPECT_FALSE(controller.takeCameraMoved());
    controller.handle(key(InputEvent::kKeyDown, ViewerKey::kForward));
    controller.advance(0.05f);
    EXPECT_TRUE(controller.takeCameraMoved());
    const hox::Vec3f after = camera.pose().eye;
    // Half the home distance per second: 8 * 0.5 * 0.05.
    EXPECT_NEAR(0.2f, length(after - home().eye), 1e-4f);
    controller.advance(10.0f);  // a stall does not fling the camera
    EXPECT_NEAR(0.6f, length(camera.pose().eye - home().eye), 1e-4f);
    controller.handle(key(InputEvent::kKeyUp, ViewerKey::kForward));
    controller.takeCameraMoved();
    controller.advance(0.05f);
    EXPECT_FALSE(controller.takeCameraMoved());
}

TEST_F(Fixture, ResetAndQuit) {
    controller.handle(mouse(InputEvent::kWheel, 0, 0, false, 0, 3));
    EXPECT_LT(camera.distance(), 8.0f);
    controller.handle(key(InputEvent::kKeyDown, ViewerKey::kReset));
    EXPECT_NEAR(8.0f, camera.distance(), 1e-4f);
    EXPECT_FALSE(controller.quitRequested());
    controller.handle(key(InputEvent::kKeyDown, ViewerKey::kQuit));
    EXPECT_TRUE(controller.quitRequested());
}

}  // namespace
}  // namespace hox_view
