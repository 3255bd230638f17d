// first_frame: the smallest complete host. One lit triangle under a sky,
// rendered once and written to first_frame.ppm. Exits with 1 unless the
// centre shows the lit grey triangle (the sky behind it is bluish), so the
// build's tests run it too.
#include <cstdio>

#include "hox/hox.h"

// Receives each finished image; this one keeps the bytes as a PPM file.
struct PpmWriter : hox::IFramebufferCallback {
    void swap(const hox::SwapInfo* info) override {
        const auto* rgba = static_cast<const unsigned char*>(info->pixels);
        const unsigned char* c = rgba + 4 * (info->width * (info->height / 2) + info->width / 2);
        for (int i = 0; i < 3; ++i) centre[i] = c[i];
        FILE* file = std::fopen("first_frame.ppm", "wb");
        if (!file) return;
        std::fprintf(file, "P6 %d %d 255\n", info->width, info->height);
        for (int i = 0; i < info->width * info->height; ++i) std::fwrite(rgba + 4 * i, 1, 3, file);
        std::fclose(file);
    }
    int centre[3] = {-1, -1, -1};  // the centre pixel
};

hox::THandle<hox::Shader> standardShader(hox::IRenderDevice* device, const char* name) {
    hox::THandle<hox::Shader> shader(device);
    shader.beginEdit()->instantiate(name, "hoxstd");  // the standard library, beside libhox64
    shader.endEdit();
    return shader;
}

int main() {
    hox::IRenderDevice* device = nullptr;
    if (hox::Init(nullptr, device) != hox::RESULT_OK) return 1;

    hox::THandle<hox::Geometry> triangle(device);
    const int indices[3] = {0, 1, 2};
    const hox::Vec3f corners[3] = {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}};
    hox::Geometry* g = triangle.beginEdit();
    g->init(hox::GEOMETRY_TYPE_TRIANGLES, 1, 3);
    g->setIndexArray(indices);
    g->setCoordArray3f(corners);
    triangle.endEdit();

    hox::THandle<hox::Object> object(device);
    hox::Object* o = object.beginEdit();
    o->setGeometry(triangle);
    o->setShader(standardShader(device, "matte"));
    object.endEdit();

    hox::THandle<hox::Light> sun(device);  // directional, shining along its -Z: toward the triangle
    hox::Light* l = sun.beginEdit();
    l->setLightType(hox::LIGHT_TYPE_DIRECTIONAL);
    l->setShader(standardShader(device, "distantlight"));
    sun.endEdit();

    hox::THandle<hox::Group> root(device);
    hox::Group* r = root.beginEdit();
    r->addChild(object);
    r->addChild(sun);
    root.endEdit();

    hox::THandle<hox::Camera> camera(device);  // looks along -Z from z = 3
    hox::Camera* c = camera.beginEdit();
    c->initPerspective(60.0f);
    c->setResolution(320, 240);
    c->setTransform({{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 3, 1}});
    camera.endEdit();

    PpmWriter writer;
    hox::THandle<hox::Framebuffer> framebuffer(device);
    hox::Framebuffer* fb = framebuffer.beginEdit();
    fb->setFormat(hox::FRAMEBUFFER_FORMAT_RGBA8);
    fb->setSwapCallback(&writer);
    framebuffer.endEdit();

    hox::THandle<hox::RenderView> view(device);
    hox::RenderView* v = view.beginEdit();
    v->setSceneRoot(root);
    v->setCamera(camera);
    v->setFramebuffer(framebuffer);
    v->setEnvironmentShader(standardShader(device, "sky"));
    view.endEdit();

    hox::THandle<hox::FrameDef> frame(device);
    frame.beginEdit()->addRenderView(view);
    frame.endEdit();

    device->frame(frame, false);  // renders; the swap hands over the image
    device->sync(10000, true);
    hox::Shutdown(device);

    const int* rgb = writer.centre;
    std::printf("first_frame: wrote first_frame.ppm, centre %d %d %d\n", rgb[0], rgb[1], rgb[2]);
    const bool litGrey = rgb[0] > 150 && rgb[0] == rgb[1] && rgb[1] == rgb[2];
    return litGrey ? 0 : 1;
}
