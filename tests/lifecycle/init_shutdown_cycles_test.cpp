// The library started and stopped many times in one process: every cycle
// must give a working device and release everything it took (the sanitizer
// builds' leak checker sees what a cycle leaves behind).
#include <gtest/gtest.h>

#include "hox/hox.h"

namespace {

class SizeRecorder : public hox::IFramebufferCallback {
public:
    void swap(const hox::SwapInfo* info) override {
        ++images;
        width = info->width;
        height = info->height;
    }
    int images = 0, width = 0, height = 0;
};

// An empty scene seen by one camera: the frame still delivers an image.
void renderSmallFrame(hox::IRenderDevice* device, SizeRecorder& recorder) {
    hox::THandle<hox::Camera> camera(device);
    hox::Camera* c = camera.beginEdit();
    ASSERT_NE(c, nullptr);
    c->initPerspective(45.0f);
    c->setResolution(12, 8);
    camera.endEdit();
    hox::THandle<hox::Framebuffer> framebuffer(device);
    framebuffer.beginEdit()->setSwapCallback(&recorder);
    framebuffer.endEdit();
    hox::THandle<hox::Group> root(device);
    hox::THandle<hox::RenderView> view(device);
    hox::RenderView* v = view.beginEdit();
    v->setSceneRoot(root);
    v->setCamera(camera);
    v->setFramebuffer(framebuffer);
    view.endEdit();
    hox::THandle<hox::FrameDef> frameDef(device);
    frameDef.beginEdit()->addRenderView(view);
    frameDef.endEdit();
    ASSERT_EQ(device->frame(frameDef, true), 0);
    ASSERT_EQ(device->sync(30000, true), 0);
}

TEST(InitShutdownCycles, HundredCyclesEachWithAWorkingDevice) {
    hox::IRenderDevice* first = nullptr;
    for (int cycle = 0; cycle < 100; ++cycle) {
        hox::IRenderDevice* device = nullptr;
        ASSERT_EQ(hox::Init(nullptr, device), 0) << "cycle " << cycle;
        ASSERT_NE(device, nullptr);
        if (!first) first = device;
        EXPECT_EQ(device, first) << "there is one device";
        EXPECT_TRUE(device->isInitialized());
        if (cycle % 10 == 9) {
            SizeRecorder recorder;
            renderSmallFrame(device, recorder);
            EXPECT_EQ(recorder.images, 1) << "cycle " << cycle;
            EXPECT_EQ(recorder.width, 12);
            EXPECT_EQ(recorder.height, 8);
        } else {
            // An object created and left alive: Shutdown must free it.
            hox::THandle<hox::Geometry> leftOver(device);
            EXPECT_TRUE(leftOver.isValid());
        }
        ASSERT_EQ(hox::Shutdown(device), 0) << "cycle " << cycle;
        EXPECT_FALSE(device->isInitialized());
    }
}

TEST(InitShutdownCycles, ShutdownWithAFrameInFlight) {
    for (int cycle = 0; cycle < 10; ++cycle) {
        hox::IRenderDevice* device = nullptr;
        ASSERT_EQ(hox::Init(nullptr, device), 0);
        SizeRecorder recorder;
        renderSmallFrame(device, recorder);
        hox::THandle<hox::Camera> camera(device);
        hox::THandle<hox::Framebuffer> framebuffer(device);
        hox::THandle<hox::RenderView> view(device);
        hox::RenderView* v = view.beginEdit();
        v->setCamera(camera);
        v->setFramebuffer(framebuffer);
        view.endEdit();
        hox::THandle<hox::FrameDef> frameDef(device);
        frameDef.beginEdit()->addRenderView(view);
        frameDef.endEdit();
        ASSERT_EQ(device->frame(frameDef, true), 0);
        // No sync: Shutdown aborts the frame and must not wait forever or leak.
        ASSERT_EQ(hox::Shutdown(device), 0);
        EXPECT_FALSE(frameDef.isValid());
    }
}

}  // namespace
