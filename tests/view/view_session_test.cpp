// The viewer's device side without a window: asynchronous frames deliver
// RGBA8 images, a still camera refines pass by pass, a moved camera starts
// over. (Picks through the session are checked in the program tests.)
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "hox/device.h"
#include "hox/status.h"
#include "scene_builder.h"
#include "scene_source.h"
#include "shader_factory.h"
#include "view_session.h"

namespace hox_view {
namespace {

TEST(ViewSession, StillFramesRefineAndAMovedCameraStartsOver) {
    hox::IRenderDevice* device = nullptr;
    ASSERT_EQ(0, hox::Init(nullptr, device));
    std::unique_ptr<hox::IRenderDevice, void (*)(hox::IRenderDevice*)> shutdown(
        device, [](hox::IRenderDevice* d) { hox::Shutdown(d); });
    hox_render::ShaderFactory shaders(device, "hoxstd");
    hox_render::SceneBuilder builder(device, shaders);
    hox_render::SceneContent scene;
    std::string error;
    ASSERT_TRUE(hox_render::buildScene(builder, "", "/nonexistent", scene, error)) << error;

    SessionSetup setup;
    setup.width = 64;
    setup.height = 48;
    setup.samplingRate = -1;
    setup.maxRate = 0;  // four passes of a quarter sample
    ViewSession session(device, setup);
    session.setScene(scene.root, scene.environment);
    const hox_render::CameraPose pose = hox_render::sceneCamera(scene, 64.0f / 48.0f);
    session.setCamera(pose);
    RenderChoices choices;
    choices.threads = 2;
    session.setChoices(choices);
    // Submits and waits until `count` more images arrived.
    auto show = [&session](int count) {
        const int target = session.image().swaps + count;
        for (int guard = 0; session.image().swaps < target && guard < 10 * count + 10; ++guard) {
            if (session.readyToSubmit()) {
                ASSERT_EQ(hox::RESULT_OK, session.submit());
            }
            const int status = session.waitOlder(30000);
            ASSERT_TRUE(status == hox::RESULT_OK || status == hox::RESULT_TIMEOUT) << status;
        }
        ASSERT_EQ(target, session.image().swaps);
    };

    show(2);
    EXPECT_EQ(64, session.image().width);
    EXPECT_EQ(48, session.image().height);
    EXPECT_EQ(64u * 48u * 4u, session.image().rgba.size());
    EXPECT_GT(session.image().sampleDensity, 0.0f);
    show(6);
    EXPECT_FLOAT_EQ(1.0f, session.image().sampleDensity);  // 4^maxRate reached
    EXPECT_TRUE(session.image().isStatic);

    hox_render::CameraPose moved = pose;
    moved.eye.x += 1.0f;
    session.setCamera(moved);
    show(2);
    // A frame rendered after the move (the older one may predate it) has at
    // most two passes again.
    EXPECT_LE(session.image().sampleDensity, 0.5f);
    EXPECT_FALSE(session.image().isStatic);
}

}  // namespace
}  // namespace hox_view
