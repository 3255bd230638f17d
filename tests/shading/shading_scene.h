// What the shading tests share: a device with the render scene of the host
// tests (camera at the origin looking down -Z, 90 degree field of view,
// pixel-centre samples), the shading_probe plug-in's shaders, lights, an
// environment and per-object render attributes.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "device/render_device.h"
#include "engine/render_engine_local.h"
#include "host/render_scene.h"
#include "hox/device.h"
#include "hox/render_attributes.h"
#include "util/cvars.h"

namespace hox_shading_test {

using hox_host_test::near;
using hox_host_test::Rgba;

inline hox::Mat4f translation(float x, float y, float z) { return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}}; }

// Edits a handle's object with `change` and ends the edit.
template <typename Handle, typename Change>
void edit(Handle& handle, Change change) {
    change(*handle.beginEdit());
    handle.endEdit();
}

class ShadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        hox::util::rt_debugShade.set(0);
        hox::util::rt_disableStaticFrames.set(true);  // every render traces, changed or not
        ASSERT_EQ(0, hox::Init(nullptr, device));
        scene.reset(new hox_host_test::RenderScene(device));
    }
    void TearDown() override {
        scene.reset();
        hox::Shutdown(device);
        hox::util::rt_disableStaticFrames.set(false);
    }

    // Builds the view; single passes at the pixel centres.
    void build(int width, int height) {
        ASSERT_TRUE(scene->build(width, height));
        scene->setOption(hox::OPTION_PROGRESSIVE_SAMPLING, false);
    }

    // A shader of the probe library, e.g. "probe_lambert".
    hox::THandle<hox::Shader> shader(const char* name) {
        hox::THandle<hox::Shader> s(device);
        EXPECT_EQ(0, s.beginEdit()->instantiate(name, hox_host_test::pluginPath("shading_probe").c_str()));
        s.endEdit();
        return s;
    }

    // A quad facing +z (see RenderScene::addQuad) shaded by `surface`.
    hox::THandle<hox::Object> quad(const hox::THandle<hox::Shader>& surface, float x0, float y0, float x1, float y1,
                                   float z, const hox::Mat4f* transform = nullptr) {
        hox::THandle<hox::Object> object = scene->addQuad(x0, y0, x1, y1, z, transform);
        edit(object, [&](hox::Object& o) { o.setShader(surface); });
        return object;
    }

    // A light of `type` at `position`, pointing down -Z, lit by `lightShader`.
    hox::THandle<hox::Light> light(const hox::THandle<hox::Shader>& lightShader, hox::ELightType type,
                                   const hox::Vec3f& position) {
        hox::THandle<hox::Light> l(device);
        edit(l, [&](hox::Light& e) {
            e.setLightType(type);
            e.setTransform(translation(position.x, position.y, position.z));
            e.setShader(lightShader);
        });
        edit(scene->root, [&](hox::Group& g) { g.addChild(l); });
        return l;
    }

    void environment(const hox::THandle<hox::Shader>& env) {
        edit(scene->view, [&](hox::RenderView& v) { v.setEnvironmentShader(env); });
    }
    void optionFloat(hox::ERenderOption option, float value) {
        edit(scene->options, [&](hox::RenderOptions& o) { o.setOption1f(option, value); });
    }

    // Attributes of one object: built by `change`, then attached.
    template <typename Change>
    void attributes(hox::THandle<hox::Object>& object, Change change) {
        hox::THandle<hox::RenderAttributes> a(device);
        edit(a, change);
        edit(object, [&](hox::Object& o) { o.setRenderAttributes(a); });
        attributeHandles_.push_back(a);
    }

    Rgba at(int x, int y) const { return scene->capture.at(x, y); }

    bool everyPixelIs(const Rgba& expected, float tolerance) {
        for (int y = 0; y < scene->height; ++y)
            for (int x = 0; x < scene->width; ++x)
                if (!near(at(x, y), expected, tolerance)) {
                    ADD_FAILURE() << "pixel " << x << ", " << y << ": "
                                  << near(at(x, y), expected, tolerance).message();
                    return false;
                }
        return true;
    }

    // The statistics counters of the frames rendered since the last call.
    void stats(hox::RenderStats& out) {
        static_cast<hox::engine::RenderEngineLocal*>(hox::RenderDevice::instance()->engine())->getStats(out);
    }

    hox::IRenderDevice* device = nullptr;
    std::unique_ptr<hox_host_test::RenderScene> scene;

private:
    std::vector<hox::THandle<hox::RenderAttributes>> attributeHandles_;
};

// Irradiance at P (normal +z) from a point light at L of unit intensity:
// cos / d², with cos = (L - P).z / d.
inline float pointIrradiance(float px, float py, float pz, const hox::Vec3f& l) {
    const float dx = l.x - px, dy = l.y - py, dz = l.z - pz;
    const float d2 = dx * dx + dy * dy + dz * dz;
    return std::fmax(0.0f, dz / std::sqrt(d2)) / d2;
}

}  // namespace hox_shading_test
