// What the shading tests share: a device with the render scene of the host
// tests (camera at the origin looking down -Z, 90 degree field of view,
// pixel-centre samples), plus the shaders of the shading_probe plug-in,
// lights, an environment and per-object render attributes.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "device/render_device.h"
#include "engine/render_engine_local.h"
#include "host/render_scene.h"
#include "hox/device.h"
#include "hox/render_attributes.h"
#include "util/cvars.h"

namespace hox_shading_test {

using hox_host_test::near;
using hox_host_test::Rgba;

inline hox::Mat4f translation(float x, float y, float z) {
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

class ShadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        hox::util::rt_debugShade.set(0);
        // Every render must trace, even of a scene that did not change.
        hox::util::rt_disableStaticFrames.set(true);
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
    hox::THandle<hox::Object> quad(const hox::THandle<hox::Shader>& surface, float x0, float y0, float x1,
                                   float y1, float z, const hox::Mat4f* transform = nullptr) {
        hox::THandle<hox::Object> object = scene->addQuad(x0, y0, x1, y1, z, transform);
        object.beginEdit()->setShader(surface);
        object.endEdit();
        return object;
    }

    // A light of `type` at `position`, pointing down -Z, lit by `lightShader`.
    hox::THandle<hox::Light> light(const hox::THandle<hox::Shader>& lightShader, hox::ELightType type,
                                   const hox::Vec3f& position) {
        hox::THandle<hox::Light> l(device);
        hox::Light* edit = l.beginEdit();
        edit->setLightType(type);
        edit->setTransform(translation(position.x, position.y, position.z));
        edit->setShader(lightShader);
        l.endEdit();
        scene->root.beginEdit()->addChild(l);
        scene->root.endEdit();
        return l;
    }

    void environment(const hox::THandle<hox::Shader>& env) {
        scene->view.beginEdit()->setEnvironmentShader(env);
        scene->view.endEdit();
    }

    void optionFloat(hox::ERenderOption option, float value) {
        scene->options.beginEdit()->setOption1f(option, value);
        scene->options.endEdit();
    }

    // Attributes of one object: built by `edit`, then attached.
    template <typename Edit>
    void attributes(hox::THandle<hox::Object>& object, Edit edit) {
        hox::THandle<hox::RenderAttributes> a(device);
        edit(*a.beginEdit());
        a.endEdit();
        object.beginEdit()->setRenderAttributes(a);
        object.endEdit();
        attributeHandles_.push_back(a);
    }

    Rgba at(int x, int y) const { return scene->capture.at(x, y); }

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
