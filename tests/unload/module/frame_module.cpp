// A plug-in that uses hox: loading it loads libhox64.so, unloading it (the
// last user) unloads the library. The unload test reaches hox only through
// this module, so that nothing else keeps libhox64.so in the process.
#include "hox/hox.h"

namespace {

class ImageCounter : public hox::IFramebufferCallback {
public:
    void swap(const hox::SwapInfo* info) override {
        if (info->width == 16 && info->height == 16 && info->pixels) ++images;
    }
    int images = 0;
};

}  // namespace

// Init, one frame, Shutdown. 0 when the image arrived and every call succeeded.
extern "C" __attribute__((visibility("default"))) int hoxUnloadRenderOneFrame() {
    hox::IRenderDevice* device = nullptr;
    if (hox::Init(nullptr, device) != 0) return 1;
    ImageCounter counter;
    hox::THandle<hox::Camera> camera(device);
    camera.beginEdit()->setResolution(16, 16);
    camera.endEdit();
    hox::THandle<hox::Framebuffer> framebuffer(device);
    framebuffer.beginEdit()->setSwapCallback(&counter);
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
    const int frame = device->frame(frameDef, false);
    const int sync = device->sync(30000, true);
    const int shutdown = hox::Shutdown(device);
    if (frame != 0) return 2;
    if (sync != 0) return 3;
    if (counter.images != 1) return 4;
    return shutdown == 0 ? 0 : 5;
}
