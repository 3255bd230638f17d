// A whole frame through the public interface.
#include <gtest/gtest.h>

#include "device_fixture.h"
#include "hox/camera.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/render_view.h"
#include "hox/selection.h"
#include "hox/status.h"

namespace {

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
        hox::FrameDef* f = frameDef.beginEdit();
        ASSERT_EQ(0, f->addRenderView(view));
        ASSERT_EQ(0, frameDef.endEdit());
    }

    hox::THandle<hox::Camera> camera;
    hox::THandle<hox::Framebuffer> framebuffer;
    hox::THandle<hox::RenderView> view;
    hox::THandle<hox::FrameDef> frameDef;
};

TEST_F(FrameTest, FrameRendersAndSyncs) {
    ASSERT_EQ(0, device->frame(frameDef, false));
    bool dirty = true;
    EXPECT_EQ(0, device->query1b(hox::QUERY_SCENE_DIRTY, dirty));
    EXPECT_FALSE(dirty);
    float progress = 0.0f;
    EXPECT_EQ(0, device->query1f(hox::QUERY_PROGRESS, progress));
    // The frame renders on the engine's threads: anywhere from 0 to done.
    EXPECT_GE(progress, 0.0f);
    EXPECT_LE(progress, 1.0f);
    EXPECT_EQ(0, device->sync(1000, true));
    EXPECT_TRUE(callback.warnings.empty());
    EXPECT_TRUE(callback.errors.empty());
}

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

TEST_F(FrameTest, PickingBeforeAnyFrameFindsNothing) {
    hox::ISelectionDevice* selection = device->getSelectionDevice();
    ASSERT_NE(nullptr, selection);
    EXPECT_EQ(0, selection->pick(view, 10, 10));
    EXPECT_EQ(0, selection->getNumResults());
    EXPECT_EQ(nullptr, selection->getResult(0));
    EXPECT_EQ(0, selection->pickRegion(view, 10, 10, 10, 100));
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
