// basic_host: a small host of the hox library.
//
// Builds a scene with an object of every class through the public interface,
// renders frames - some of them overlapped with edits of the scene - and
// shuts the library down. Every status is checked; the program exits with 1
// if any operation answered something other than expected, so it doubles as
// a smoke test of the whole interface.
#include <cstdio>
#include <initializer_list>

#include "hox/camera.h"
#include "hox/device.h"
#include "hox/device_settings.h"
#include "hox/entity.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/geometry.h"
#include "hox/message_callback.h"
#include "hox/render_attributes.h"
#include "hox/render_options.h"
#include "hox/render_view.h"
#include "hox/selection.h"
#include "hox/shader.h"
#include "hox/status.h"
#include "hox/texture.h"

namespace {

int g_failures = 0;

void expect(int status, int expected, const char* what) {
    if (status == expected) return;
    std::printf("basic_host: %s returned %d, expected %d\n", what, status, expected);
    ++g_failures;
}

void expectTrue(bool condition, const char* what) { expect(condition ? 1 : 0, 1, what); }

class ConsoleCallback : public hox::IMessageCallback {
public:
    void message(int level, const char* text) override { std::printf("[%d] %s\n", level, text); }
    void warning(const char* text) override {
        std::printf("warning: %s\n", text);
        ++warnings;
    }
    void error(const char* text) override {
        std::printf("error: %s", text);
        ++errors;
    }
    int warnings = 0;
    int errors = 0;
};

class ImageCounter : public hox::IFramebufferCallback {
public:
    void swap(const hox::SwapInfo* info) override {
        ++images;
        lastFrame = info->frameNumber;
    }
    int images = 0;
    int lastFrame = -1;
};

hox::Mat4f translation(float x, float y, float z) {
    hox::Mat4f m = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
    return m;
}

// A unit quad in the z = 0 plane.
void buildQuad(hox::IRenderDevice* device, hox::THandle<hox::Geometry>& geometry) {
    geometry = hox::THandle<hox::Geometry>(device);
    const int indices[6] = {0, 1, 2, 0, 2, 3};
    const hox::Vec3f coords[4] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    const hox::Vec2f uvs[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    hox::Geometry* g = geometry.beginEdit();
    expectTrue(g != nullptr, "Geometry beginEdit");
    if (!g) return;
    expect(g->init(hox::GEOMETRY_TYPE_TRIANGLES, 2, 4), 0, "Geometry::init");
    expect(g->setIndexArray(indices), 0, "Geometry::setIndexArray");
    expect(g->setCoordArray3f(coords), 0, "Geometry::setCoordArray3f");
    expect(g->setVertexAttribArray2f("uv", uvs), 0, "Geometry::setVertexAttribArray2f");
    expect(geometry.endEdit(), 0, "Geometry endEdit");
}

}  // namespace

int main() {
    ConsoleCallback console;
    hox::IRenderDevice* device = nullptr;
    expect(hox::Init(&console, device), 0, "hox::Init");
    if (!device) return 1;
    std::printf("hox %s (API %d)\n", device->getAPIVersionString(), device->getAPIVersion());

    // --- One object of every class --------------------------------------
    hox::THandle<hox::DeviceSettings> settings(device);
    hox::THandle<hox::RenderOptions> options(device);
    hox::THandle<hox::RenderAttributes> attributes(device);
    hox::THandle<hox::Shader> shader(device);
    hox::THandle<hox::Texture> texture(device);
    hox::THandle<hox::Geometry> quad;
    buildQuad(device, quad);
    hox::THandle<hox::Object> left(device), right(device);
    hox::THandle<hox::Light> light(device);
    hox::THandle<hox::Group> root(device), pair(device);
    hox::THandle<hox::Camera> camera(device);
    hox::THandle<hox::Framebuffer> framebuffer(device);
    hox::THandle<hox::RenderView> view(device);
    hox::THandle<hox::FrameDef> frameDef(device);
    expectTrue(frameDef.isValid() && texture.isValid() && shader.isValid(), "creation");

    hox::DeviceSettings* s = settings.beginEdit();
    expect(s->setSetting1i(hox::DEVICE_THREAD_COUNT, 2), 0, "DEVICE_THREAD_COUNT");
    expect(s->setSetting1s(hox::DEVICE_SHADER_PATH, "shaders"), 0, "DEVICE_SHADER_PATH");
    expect(settings.endEdit(), 0, "DeviceSettings endEdit");

    hox::RenderOptions* o = options.beginEdit();
    expect(o->setOption1i(hox::OPTION_SAMPLING_RATE, 1), 0, "OPTION_SAMPLING_RATE");
    expect(o->setOption1i(hox::OPTION_MAX_PROGRESSIVE_SAMPLING_RATE, 2), 0,
           "OPTION_MAX_PROGRESSIVE_SAMPLING_RATE");
    expect(o->setOption1i(hox::OPTION_TRACE_DEPTH, 2000), hox::RESULT_INVALID_VALUE,
           "OPTION_TRACE_DEPTH out of range");
    expect(options.endEdit(), 0, "RenderOptions endEdit");

    hox::RenderAttributes* a = attributes.beginEdit();
    expect(a->setAttribute1b(hox::ATTRIBUTE_SHADOW_RAYS, false), 0, "ATTRIBUTE_SHADOW_RAYS");
    const int lights[1] = {0};
    expect(a->setAttribute1iv(hox::ATTRIBUTE_ADD_LIST, 1, lights), 0, "ATTRIBUTE_ADD_LIST");
    expect(attributes.endEdit(), 0, "RenderAttributes endEdit");

    for (hox::THandle<hox::Object>* object : {&left, &right}) {
        hox::Object* obj = object->beginEdit();
        expect(obj->setGeometry(quad), 0, "Object::setGeometry");
        expect(obj->setShader(shader), 0, "Object::setShader");
        obj->setTransform(translation(object == &left ? -1.5f : 1.5f, 0, 0));
        expect(object->endEdit(), 0, "Object endEdit");
    }
    hox::Light* l = light.beginEdit();
    expect(l->setLightType(hox::LIGHT_TYPE_POINT), 0, "Light::setLightType");
    expect(l->setParameter1f(hox::LIGHT_PARAMETER_RADIUS, 0.25f), 0, "LIGHT_PARAMETER_RADIUS");
    l->setTransform(translation(0, 5, 5));
    expect(light.endEdit(), 0, "Light endEdit");

    hox::Group* p = pair.beginEdit();
    p->addChild(left);
    p->addChild(right);
    p->setRenderAttributes(attributes);
    expect(pair.endEdit(), 0, "Group endEdit");
    hox::Group* r = root.beginEdit();
    r->addChild(pair);
    r->addChild(light);
    expect(r->getNumChildren(), 2, "Group::getNumChildren");
    expect(root.endEdit(), 0, "Group endEdit");

    hox::Camera* c = camera.beginEdit();
    c->initPerspective(45.0f);
    c->setResolution(160, 120);
    c->setTransform(translation(0, 0, 6));
    expect(camera.endEdit(), 0, "Camera endEdit");

    ImageCounter images;
    hox::Framebuffer* fb = framebuffer.beginEdit();
    fb->setFormat(hox::FRAMEBUFFER_FORMAT_RGBA8);
    fb->setSwapCallback(&images);
    expect(framebuffer.endEdit(), 0, "Framebuffer endEdit");

    hox::RenderView* v = view.beginEdit();
    v->setSceneRoot(root);
    v->setCamera(camera);
    v->setFramebuffer(framebuffer);
    v->setEnvironmentShader(shader);
    v->setRenderOptions(options);
    expect(view.endEdit(), 0, "RenderView endEdit");

    hox::FrameDef* f = frameDef.beginEdit();
    expect(f->addRenderView(view), 0, "FrameDef::addRenderView");
    expect(f->setDeviceSettings(settings), 0, "FrameDef::setDeviceSettings");
    expect(frameDef.endEdit(), 0, "FrameDef endEdit");

    // --- Frames ------------------------------------------------------------
    expect(device->frame(frameDef, false), 0, "first frame");
    expect(device->sync(10000, true), 0, "sync");

    // Overlapped frames: the host moves the camera while earlier frames
    // still render from the version they started with.
    for (int i = 0; i < 8; ++i) {
        expect(device->frame(frameDef, true), 0, "async frame");
        hox::Camera* moving = camera.beginEdit();
        expectTrue(moving != nullptr, "Camera beginEdit in flight");
        if (moving) moving->setTransform(translation(0.1f * static_cast<float>(i), 0, 6));
        expect(camera.endEdit(), 0, "Camera endEdit in flight");
    }
    expect(device->sync(10000, true), 0, "sync after overlapped frames");

    // An unchanged scene keeps refining; the queries report on it.
    for (int i = 0; i < 4; ++i) expect(device->frame(frameDef, false), 0, "refining frame");
    bool dirty = true;
    expect(device->query1b(hox::QUERY_SCENE_DIRTY, dirty), 0, "QUERY_SCENE_DIRTY");
    expectTrue(!dirty, "scene clean after a frame");
    float progress = 0.0f;
    expect(device->query1f(hox::QUERY_PROGRESS, progress), 0, "QUERY_PROGRESS");
    int unused = 0;
    expect(device->query1i(hox::QUERY_PROGRESS, unused), hox::RESULT_INVALID_ENUM, "query1i");

    hox::ISelectionDevice* selection = device->getSelectionDevice();
    expectTrue(selection != nullptr, "getSelectionDevice");
    if (selection) selection->pick(view, 80, 60);

    // Removing an object, then destroying it, while a frame renders.
    expect(device->frame(frameDef, true), 0, "frame before removal");
    hox::Group* edited = pair.beginEdit();
    expect(edited->removeChild(right), 0, "Group::removeChild");
    expect(pair.endEdit(), 0, "Group endEdit");
    expect(right.destroy(), 0, "Object destroy");
    expect(right.destroy(), hox::RESULT_INVALID_HANDLE, "second destroy");
    expect(device->frame(frameDef, true), 0, "frame after removal");
    expect(device->abort(), 0, "abort");
    expect(device->sync(0, true), 0, "sync after abort");

    std::printf("basic_host: %d images, %d warnings, %d errors\n", images.images,
                console.warnings, console.errors);
    expect(console.errors, 0, "library errors");
    expect(hox::Shutdown(device), 0, "hox::Shutdown");
    expect(hox::Shutdown(device), -1, "second hox::Shutdown");
    // The second Shutdown reports that the device is not initialised.
    expect(console.errors, 1, "errors after the second Shutdown");

    if (g_failures) std::printf("basic_host: %d unexpected results\n", g_failures);
    return g_failures ? 1 : 0;
}
