// A whole frame through the public interface, and the device's queries.
#include <gtest/gtest.h>

#include "host_test_support.h"
#include "hox/camera.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/render_view.h"
#include "hox/status.h"

namespace {

// A view with a camera and a framebuffer but no scene.
class FrameTest : public hox_host_test::HostDeviceTest {
protected:
    void SetUp() override {
        HostDeviceTest::SetUp();
        camera = hox::THandle<hox::Camera>(device);
        framebuffer = hox::THandle<hox::Framebuffer>(device);
        view = hox::THandle<hox::RenderView>(device);
        frameDef = hox::THandle<hox::FrameDef>(device);
        hox::Camera* c = camera.beginEdit();
        c->initPerspective(45.0f);
        c->setResolution(64, 48);
        ASSERT_EQ(0, camera.endEdit());
        hox::RenderView* v = view.beginEdit();
        v->setCamera(camera);
        v->setFramebuffer(framebuffer);
        ASSERT_EQ(0, view.endEdit());
        ASSERT_EQ(0, frameDef.beginEdit()->addRenderView(view));
        ASSERT_EQ(0, frameDef.endEdit());
    }

    hox::THandle<hox::Camera> camera;
    hox::THandle<hox::Framebuffer> framebuffer;
    hox::THandle<hox::RenderView> view;
    hox::THandle<hox::FrameDef> frameDef;
};

TEST_F(FrameTest, QueriesBeforeAndAfterAFrame) {
    float rate = -1.0f, progress = -1.0f;
    bool dirty = false;
    EXPECT_EQ(0, device->query1f(hox::QUERY_RATE, rate));
    EXPECT_EQ(0.0f, rate);
    EXPECT_EQ(0, device->query1b(hox::QUERY_SCENE_DIRTY, dirty));
    EXPECT_TRUE(dirty);
    EXPECT_EQ(0, device->query1f(hox::QUERY_PROGRESS, progress));
    EXPECT_EQ(0.0f, progress);

    ASSERT_EQ(0, device->frame(frameDef, false));
    EXPECT_EQ(0, device->query1b(hox::QUERY_SCENE_DIRTY, dirty));
    EXPECT_FALSE(dirty);
    EXPECT_EQ(0, device->query1f(hox::QUERY_PROGRESS, progress));
    // The frame renders on the engine's threads: anywhere from 0 to done.
    EXPECT_GE(progress, 0.0f);
    EXPECT_LE(progress, 1.0f);
    EXPECT_EQ(0, device->sync(1000, true));
    EXPECT_TRUE(callback.warnings.empty());
    EXPECT_TRUE(callback.errors.empty());
}

TEST_F(FrameTest, QueriesOfTheWrongTypeOrUnknownAreRefusedWithoutOutput) {
    for (int q = -1; q <= 11; ++q) {  // none has an integer answer
        int out = 42;
        EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1i(static_cast<hox::EQuery>(q), out));
        EXPECT_EQ(42, out);
    }
    float f = 42.0f;
    EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1f(hox::QUERY_SCENE_DIRTY, f));
    EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1f(static_cast<hox::EQuery>(10), f));
    EXPECT_EQ(42.0f, f);
    bool b = false;
    EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1b(hox::QUERY_PROGRESS, b));
    EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1b(hox::QUERY_RATE, b));
    EXPECT_FALSE(b);
}

// Edits while frames are in flight; the last edit is what the camera keeps.
TEST_F(FrameTest, HostEditsWhileFramesAreInFlight) {
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(0, device->frame(frameDef, true));
        hox::Camera* c = camera.beginEdit();
        ASSERT_NE(nullptr, c);
        c->setResolution(64 + i, 48);
        ASSERT_EQ(0, camera.endEdit());
    }
    EXPECT_EQ(0, device->sync(1000, true));
    hox::Camera* c = camera.beginEdit();
    EXPECT_EQ(73, c->getWidth());
    EXPECT_EQ(48, c->getHeight());
    camera.endEdit();
}

TEST_F(FrameTest, DestroyedViewMakesTheFrameFailWithAWarning) {
    hox::THandle<hox::RenderView> copy = view;
    view.destroy();
    EXPECT_EQ(hox::RESULT_INVALID_HANDLE, device->frame(frameDef, true));
    ASSERT_EQ(1u, callback.warnings.size());
    EXPECT_EQ("invalid render view " + std::to_string(copy.getInstance()), callback.warnings[0]);
    EXPECT_EQ(0, device->sync(0, true));
}

TEST_F(FrameTest, AbortEndsEverythingInFlight) {
    ASSERT_EQ(0, device->frame(frameDef, true));
    ASSERT_EQ(0, device->frame(frameDef, true));
    EXPECT_EQ(0, device->abort());
    EXPECT_EQ(0, device->sync(0, true));
    ASSERT_EQ(0, device->frame(frameDef, true));
    EXPECT_EQ(0, device->sync(1000, true));
}

}  // namespace
