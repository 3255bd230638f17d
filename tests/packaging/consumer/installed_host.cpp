// installed_host: renders one small frame with the standard "matte" shader
// through an installed hox. The shader library is named without a directory
// and no shader path is set, so it is found only if hoxstd64.so was installed
// beside libhox64.so. Exits 0 when the image arrived with the camera's size.
#include <cstdio>

#include "hox/hox.h"

namespace {

class ImageCheck : public hox::IFramebufferCallback {
public:
    void swap(const hox::SwapInfo* info) override {
        ++images;
        sizeOk = info->width == 32 && info->height == 24 && info->pixels != nullptr;
    }
    int images = 0;
    bool sizeOk = false;
};

int fail(const char* what) {
    std::printf("installed_host: %s\n", what);
    return 1;
}

}  // namespace

int main() {
    hox::IRenderDevice* device = nullptr;
    if (hox::Init(nullptr, device) != 0 || !device) return fail("Init failed");

    hox::THandle<hox::Shader> shader(device);
    if (shader.beginEdit()->instantiate("matte", "hoxstd") != 0)
        return fail("the standard shaders were not found beside libhox64.so");
    shader.endEdit();

    hox::THandle<hox::Geometry> triangle(device);
    hox::Geometry* g = triangle.beginEdit();
    const int indices[3] = {0, 1, 2};
    const hox::Vec3f coords[3] = {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}};
    if (g->init(hox::GEOMETRY_TYPE_TRIANGLES, 1, 3) != 0 || g->setIndexArray(indices) != 0 ||
        g->setCoordArray3f(coords) != 0)
        return fail("geometry refused");
    triangle.endEdit();

    hox::THandle<hox::Object> object(device);
    object.beginEdit()->setGeometry(triangle);
    object.beginEdit()->setShader(shader);
    object.endEdit();
    hox::THandle<hox::Group> root(device);
    root.beginEdit()->addChild(object);
    root.endEdit();

    hox::THandle<hox::Camera> camera(device);
    hox::Camera* c = camera.beginEdit();
    c->initPerspective(60.0f);
    c->setResolution(32, 24);
    c->setTransform({{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 3, 1}});
    camera.endEdit();

    ImageCheck check;
    hox::THandle<hox::Framebuffer> framebuffer(device);
    framebuffer.beginEdit()->setSwapCallback(&check);
    framebuffer.endEdit();
    hox::THandle<hox::RenderView> view(device);
    hox::RenderView* v = view.beginEdit();
    v->setSceneRoot(root);
    v->setCamera(camera);
    v->setFramebuffer(framebuffer);
    view.endEdit();
    hox::THandle<hox::FrameDef> frameDef(device);
    frameDef.beginEdit()->addRenderView(view);
    frameDef.endEdit();

    if (device->frame(frameDef, false) != 0) return fail("frame failed");
    if (device->sync(30000, true) != 0) return fail("sync failed");
    if (check.images != 1 || !check.sizeOk) return fail("no 32 x 24 image arrived");
    if (hox::Shutdown(device) != 0) return fail("Shutdown failed");
    std::printf("installed_host: hox %s rendered a 32 x 24 image\n", hox::kApiVersionString);
    return 0;
}
