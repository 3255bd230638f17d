// The rendering tests' scene: a view over quads, an image capture behind the
// swap callback, and the debug shading switch; public interface only.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "hox/hox.h"

namespace hox_host_test {

// The library's console variables by name; the first use registers the
// process's one registry.
class CVarTable : public hox::util::ICVarRegistry {
public:
    static CVarTable& instance() {
        static CVarTable table;
        static const bool registered = (hox::util::CVar::registerStaticCVars(&table), true);
        (void)registered;
        return table;
    }
    bool registerCVar(hox::util::CVar* cvar) override {
        vars_[cvar->getName()] = cvar;
        return true;
    }
    bool setInt(const char* name, int value) {
        auto it = vars_.find(name);
        if (it == vars_.end() || it->second->getType() != hox::util::CVar::TYPE_INT) return false;
        static_cast<hox::util::CVar_i*>(it->second)->set(value);
        return true;
    }

private:
    std::map<std::string, hox::util::CVar*> vars_;
};

inline void setDebugShade(int mode) { ASSERT_TRUE(CVarTable::instance().setInt("rt_debugShade", mode)); }

struct Rgba {
    float r, g, b, a;
};

// Keeps a copy of every image the framebuffer hands over.
class ImageCapture : public hox::IFramebufferCallback {
public:
    void swap(const hox::SwapInfo* info) override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++swaps;
        last = *info;
        const float* p = static_cast<const float*>(info->pixels);
        pixels.assign(p, p + 4 * static_cast<size_t>(info->width) * static_cast<size_t>(info->height));
        last.pixels = nullptr;
    }
    // Pixel (x, y), y counted from the top row.
    Rgba at(int x, int y) const {
        const float* p = pixels.data() + 4 * (static_cast<size_t>(y) * last.width + x);
        return {p[0], p[1], p[2], p[3]};
    }

    int swaps = 0;
    hox::SwapInfo last{};
    std::vector<float> pixels;

private:
    std::mutex mutex_;
};

inline ::testing::AssertionResult near(const Rgba& actual, const Rgba& expected, float tolerance) {
    if (std::fabs(actual.r - expected.r) <= tolerance && std::fabs(actual.g - expected.g) <= tolerance &&
        std::fabs(actual.b - expected.b) <= tolerance && std::fabs(actual.a - expected.a) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.r << ", " << actual.g << ", " << actual.b << ", " << actual.a << ") vs ("
           << expected.r << ", " << expected.g << ", " << expected.b << ", " << expected.a << ")";
}

inline std::string pluginPath(const char* name) { return std::string(HOX_TEST_PLUGIN_DIR) + "/" + name; }

// One render view: a 90° perspective camera at the origin looking down −Z
// with square pixels, a captured framebuffer, options, device settings, and
// a root group with the test plug-in's surface shader.
class RenderScene {
public:
    explicit RenderScene(hox::IRenderDevice* device) : device_(device) {
        camera = hox::THandle<hox::Camera>(device);
        framebuffer = hox::THandle<hox::Framebuffer>(device);
        view = hox::THandle<hox::RenderView>(device);
        frameDef = hox::THandle<hox::FrameDef>(device);
        options = hox::THandle<hox::RenderOptions>(device);
        settings = hox::THandle<hox::DeviceSettings>(device);
        root = hox::THandle<hox::Group>(device);
        surface = hox::THandle<hox::Shader>(device);
    }

    // Call once; false when a part of the scene could not be made.
    bool build(int width, int height) {
        if (surface.beginEdit()->instantiate("all_kinds", pluginPath("all_kinds").c_str()) != 0) return false;
        if (surface.endEdit() != 0) return false;
        if (root.beginEdit()->setShader(surface) != 0 || root.endEdit() != 0) return false;
        resize(width, height);
        framebuffer.beginEdit()->setSwapCallback(&capture);
        if (framebuffer.endEdit() != 0) return false;
        hox::RenderView* v = view.beginEdit();
        v->setCamera(camera);
        v->setFramebuffer(framebuffer);
        v->setSceneRoot(root);
        v->setRenderOptions(options);
        if (view.endEdit() != 0) return false;
        hox::FrameDef* f = frameDef.beginEdit();
        f->addRenderView(view);
        f->setDeviceSettings(settings);
        return frameDef.endEdit() == 0;
    }

    void resize(int w, int h) {
        width = w;
        height = h;
        hox::Camera* c = camera.beginEdit();
        c->initPerspective(90.0f);
        c->setResolution(w, h);
        c->setAspectRatio(static_cast<float>(w) / static_cast<float>(h));
        camera.endEdit();
    }

    // A quad facing +z at depth z as triangles (v0, v1, v2), (v2, v1, v3).
    hox::THandle<hox::Object> addQuad(float x0, float y0, float x1, float y1, float z,
                                      const hox::Mat4f* transform = nullptr) {
        hox::THandle<hox::Geometry> quad(device_);
        const int indices[6] = {0, 1, 2, 2, 1, 3};
        const hox::Vec3f coords[4] = {{x0, y0, z}, {x1, y0, z}, {x0, y1, z}, {x1, y1, z}};
        const hox::Vec3f normals[4] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
        hox::Geometry* g = quad.beginEdit();
        g->init(hox::GEOMETRY_TYPE_TRIANGLES, 2, 4);
        g->setIndexArray(indices);
        g->setCoordArray3f(coords);
        g->setNormalArray3f(normals);
        quad.endEdit();
        hox::THandle<hox::Object> object(device_);
        hox::Object* o = object.beginEdit();
        o->setGeometry(quad);
        if (transform) o->setTransform(*transform);
        object.endEdit();
        root.beginEdit()->addChild(object);
        root.endEdit();
        return object;
    }

    void setOption(hox::ERenderOption option, int value) {
        options.beginEdit()->setOption1i(option, value);
        options.endEdit();
    }
    void setOption(hox::ERenderOption option, bool value) {
        options.beginEdit()->setOption1b(option, value);
        options.endEdit();
    }
    void setThreads(int count) {
        settings.beginEdit()->setSetting1i(hox::DEVICE_THREAD_COUNT, count);
        settings.endEdit();
    }

    // Renders one frame and swaps it (waiting at most ten seconds).
    int render() {
        const int status = device_->frame(frameDef, false);
        if (status != 0) return status;
        return device_->sync(10000, true);
    }

    // The world point at depth z that pixel centre (x, y) looks at.
    void worldAt(int x, int y, float z, float& wx, float& wy) const {
        const float s = 2.0f / width;
        wx = (-1.0f + (x + 0.5f) * s) * -z;
        wy = (static_cast<float>(height) / width - (y + 0.5f) * s) * -z;
    }

    int width = 0;
    int height = 0;
    ImageCapture capture;
    hox::THandle<hox::Camera> camera;
    hox::THandle<hox::Framebuffer> framebuffer;
    hox::THandle<hox::RenderView> view;
    hox::THandle<hox::FrameDef> frameDef;
    hox::THandle<hox::RenderOptions> options;
    hox::THandle<hox::DeviceSettings> settings;
    hox::THandle<hox::Group> root;
    hox::THandle<hox::Shader> surface;

private:
    hox::IRenderDevice* device_;
};

// The debug modes' colours.
inline Rgba normalColour(float nx, float ny, float nz) {
    return {(nx + 1.0f) / 2.0f, (ny + 1.0f) / 2.0f, (nz + 1.0f) / 2.0f, 1.0f};
}
inline Rgba primitiveColour(int p) {
    return {(17 * p % 200) / 255.0f, (37 * p % 200) / 255.0f, (79 * p % 200) / 255.0f, 1.0f};
}
constexpr Rgba kOpaqueBlack = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr Rgba kNoSample = {0.0f, 0.0f, 0.0f, 0.0f};

}  // namespace hox_host_test
