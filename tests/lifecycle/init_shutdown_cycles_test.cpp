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

// An empty scene seen by one 12 x 8 camera: the frame still delivers an image.
hox::THandle<hox::FrameDef> emptyView(hox::IRenderDevice* device, SizeRecorder* recorder) {
    hox::THandle<hox::Camera> camera(device);
    camera.beginEdit()->setResolution(12, 8);
    camera.endEdit();
    hox::THandle<hox::Framebuffer> framebuffer(device);
    framebuffer.beginEdit()->setSwapCallback(recorder);
    framebuffer.endEdit();
    hox::THandle<hox::RenderView> view(device);
    hox::RenderView* v = view.beginEdit();
    v->setSceneRoot(hox::THandle<hox::Group>(device));
    v->setCamera(camera);
    v->setFramebuffer(framebuffer);
    view.endEdit();
    hox::THandle<hox::FrameDef> frameDef(device);
    frameDef.beginEdit()->addRenderView(view);
    frameDef.endEdit();
    return frameDef;
}

TEST(InitShutdownCycles, HundredCyclesEachWithAWorkingDevice) {
    hox::IRenderDevice* first = nullptr;
    for (int cycle = 0; cycle < 100; ++cycle) {
        SCOPED_TRACE(cycle);
        hox::IRenderDevice* device = nullptr;
        ASSERT_EQ(hox::Init(nullptr, device), 0);
        ASSERT_NE(device, nullptr);
        if (!first) first = device;
        EXPECT_EQ(device, first) << "there is one device";
        EXPECT_TRUE(device->isInitialized());
        if (cycle % 10 == 9) {
            SizeRecorder recorder;
            hox::THandle<hox::FrameDef> frameDef = emptyView(device, &recorder);
            ASSERT_EQ(device->frame(frameDef, true), 0);
            ASSERT_EQ(device->sync(30000, true), 0);
            EXPECT_EQ(recorder.images, 1);
            EXPECT_EQ(recorder.width, 12);
            EXPECT_EQ(recorder.height, 8);
        } else {
            // An object created and left alive: Shutdown must free it.
            EXPECT_TRUE(hox::THandle<hox::Geometry>(device).isValid());
        }
        ASSERT_EQ(hox::Shutdown(device), 0);
        EXPECT_FALSE(device->isInitialized());
    }
}

// No sync: Shutdown aborts the frames in flight and must not wait forever
// or leak.
TEST(InitShutdownCycles, ShutdownWithFramesInFlight) {
    for (int cycle = 0; cycle < 10; ++cycle) {
        hox::IRenderDevice* device = nullptr;
        ASSERT_EQ(hox::Init(nullptr, device), 0);
        SizeRecorder recorder;
        hox::THandle<hox::FrameDef> frameDef = emptyView(device, &recorder);
        ASSERT_EQ(device->frame(frameDef, true), 0);
        ASSERT_EQ(device->frame(frameDef, true), 0);
        ASSERT_EQ(hox::Shutdown(device), 0);
        EXPECT_FALSE(frameDef.isValid());
    }
}

}  // namespace
