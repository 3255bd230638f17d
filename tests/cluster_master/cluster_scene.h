// The end-to-end tests' scene, built through the public interface: two render
// views over three quads under a point light, matte shaders, one textured.
#pragma once

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

#include "hox/camera.h"
#include "hox/device.h"
#include "hox/device_settings.h"
#include "hox/entity.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/geometry.h"
#include "hox/render_options.h"
#include "hox/render_view.h"
#include "hox/shader.h"
#include "hox/texture.h"

namespace cluster_master_test {

// The last image a framebuffer swapped, four floats per pixel.
class Capture : public hox::IFramebufferCallback {
public:
    void swap(const hox::SwapInfo* info) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const float* p = static_cast<const float*>(info->pixels);
        pixels_.assign(p, p + 4 * static_cast<std::size_t>(info->width) * static_cast<std::size_t>(info->height));
    }
    std::vector<float> take() {
        std::lock_guard<std::mutex> lock(mutex_);
        return pixels_;
    }

private:
    std::mutex mutex_;
    std::vector<float> pixels_;
};

inline hox::Mat4f translation(float x, float y, float z) {
    return hox::Mat4f{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

class ClusterScene {
public:
    static constexpr int kViews = 2;

    explicit ClusterScene(hox::IRenderDevice* device) : device_(device) {}

    bool build(int width, int height) {
        using namespace hox;
        frameDef = THandle<FrameDef>(device_);
        settings = THandle<DeviceSettings>(device_);
        options = THandle<RenderOptions>(device_);
        root = THandle<Group>(device_);
        // Two views of sizes not a multiple of 16, the second from the side.
        const int sizes[kViews][2] = {{width, height}, {height + 5, width - 7}};
        const Mat4f where[kViews] = {translation(0, 0, 0), translation(0.6f, 0.3f, 0.5f)};
        THandle<RenderView> views[kViews];
        for (int v = 0; v < kViews; ++v) {
            THandle<Camera> camera(device_);
            Camera* c = camera.beginEdit();
            c->initPerspective(70.0f);
            c->setResolution(sizes[v][0], sizes[v][1]);
            c->setAspectRatio(static_cast<float>(sizes[v][0]) / static_cast<float>(sizes[v][1]));
            c->setTransform(where[v]);
            THandle<Framebuffer> framebuffer(device_);
            Framebuffer* b = framebuffer.beginEdit();
            b->setFormat(FRAMEBUFFER_FORMAT_RGBA32F);
            b->setSwapCallback(&captures[v]);
            if (camera.endEdit() != 0 || framebuffer.endEdit() != 0) return false;
            views[v] = THandle<RenderView>(device_);
            RenderView* r = views[v].beginEdit();
            r->setCamera(camera);
            r->setFramebuffer(framebuffer);
            r->setSceneRoot(root);
            r->setRenderOptions(options);
            if (views[v].endEdit() != 0) return false;
        }
        FrameDef* f = frameDef.beginEdit();
        for (auto& view : views) f->addRenderView(view);
        f->setDeviceSettings(settings);
        // Each frame stands alone unless a test asks for refinement.
        options.beginEdit()->setOption1b(OPTION_PROGRESSIVE_SAMPLING, false);
        if (frameDef.endEdit() != 0 || options.endEdit() != 0) return false;

        grey = makeMatte({0.8f, 0.8f, 0.8f});
        red = makeMatte({0.9f, 0.2f, 0.1f});
        textured = makeMatte({1.0f, 1.0f, 1.0f});
        if (!grey.isValid() || !red.isValid() || !textured.isValid() || !makeTexture(0)) return false;
        addQuad(-4, -1.2f, 4, 4, -6, grey);
        box = addQuad(-1.5f, -0.8f, -0.2f, 0.6f, -3, red);
        addQuad(0.2f, -0.5f, 1.6f, 0.9f, -3.5f, textured);

        THandle<Shader> lightShader(device_);
        Shader* s = lightShader.beginEdit();
        if (s->instantiate("pointlight", "hoxstd") != 0) return false;
        s->setUniform1f("intensity", 12.0f);
        lightShader.endEdit();
        THandle<Light> light(device_);
        Light* l = light.beginEdit();
        l->setShader(lightShader);
        l->setTransform(translation(0.5f, 2.0f, -1.0f));
        light.endEdit();
        root.beginEdit()->addChild(light);
        return root.endEdit() == 0;
    }

    hox::THandle<hox::Shader> makeMatte(const hox::Vec3f& colour) {
        hox::THandle<hox::Shader> shader(device_);
        hox::Shader* s = shader.beginEdit();
        if (s->instantiate("matte", "hoxstd") != 0) return hox::THandle<hox::Shader>();
        s->setUniform3f("colour", colour);
        shader.endEdit();
        return shader;
    }

    // A 4 × 4 checker whose colours depend on `variant`, as the colour map.
    bool makeTexture(int variant) {
        uint8_t texels[4 * 4 * 4];
        const uint8_t a = variant == 0 ? 250 : 20, b = variant == 0 ? 30 : 240;
        for (int i = 0; i < 16; ++i) {
            const bool odd = ((i % 4) + (i / 4)) % 2 != 0;
            const uint8_t texel[4] = {odd ? a : b, odd ? b : a, static_cast<uint8_t>(variant == 0 ? 60 : 200), 255};
            std::copy(texel, texel + 4, texels + 4 * i);
        }
        hox::TextureDescriptor d;
        d.width = 4;
        d.height = 4;
        d.data = texels;
        texture = hox::THandle<hox::Texture>(device_);
        if (texture.beginEdit()->create(d) != 0 || texture.endEdit() != 0) return false;
        const int status = textured.beginEdit()->setUniformTexture2D("colourMap", texture);
        return textured.endEdit() == 0 && status == 0;
    }

    hox::THandle<hox::Object> addQuad(float x0, float y0, float x1, float y1, float z,
                                      const hox::THandle<hox::Shader>& shader) {
        using namespace hox;
        const int indices[6] = {0, 1, 2, 2, 1, 3};
        const Vec3f coords[4] = {{x0, y0, z}, {x1, y0, z}, {x0, y1, z}, {x1, y1, z}};
        const Vec3f normals[4] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
        const Vec2f uv[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
        THandle<Geometry> quad(device_);
        Geometry* g = quad.beginEdit();
        g->init(GEOMETRY_TYPE_TRIANGLES, 2, 4);
        g->setIndexArray(indices);
        g->setCoordArray3f(coords);
        g->setNormalArray3f(normals);
        g->setVertexAttribArray2f("uv", uv);
        quad.endEdit();
        THandle<Object> object(device_);
        Object* o = object.beginEdit();
        o->setGeometry(quad);
        o->setShader(shader);
        object.endEdit();
        root.beginEdit()->addChild(object);
        root.endEdit();
        return object;
    }

    void useCluster(bool on, int port, float compression = 0.0f) {
        hox::DeviceSettings* s = settings.beginEdit();
        s->setSetting1i(hox::DEVICE_THREAD_COUNT, 1);
        s->setSetting1b(hox::DEVICE_CLUSTER, on);
        s->setSetting1s(hox::DEVICE_CLUSTER_MASTER_HOST, "127.0.0.1");
        s->setSetting1i(hox::DEVICE_CLUSTER_MASTER_PORT, port);
        s->setSetting1i(hox::DEVICE_CLUSTER_TILE_QUEUE_SIZE, 2);
        s->setSetting1f(hox::DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL, compression);
        settings.endEdit();
    }
    void setSampling(int rate) {
        options.beginEdit()->setOption1i(hox::OPTION_SAMPLING_RATE, rate);
        options.endEdit();
    }
    int render(int timeoutMs = 20000) {
        const int status = device_->frame(frameDef, false);
        return status != 0 ? status : device_->sync(timeoutMs, true);
    }

    hox::THandle<hox::FrameDef> frameDef;
    hox::THandle<hox::DeviceSettings> settings;
    hox::THandle<hox::RenderOptions> options;
    hox::THandle<hox::Group> root;
    Capture captures[kViews];
    hox::THandle<hox::Shader> grey, red, textured;
    hox::THandle<hox::Texture> texture;
    hox::THandle<hox::Object> box;

private:
    hox::IRenderDevice* device_;
};

}  // namespace cluster_master_test
