// The viewer's device side without a window: asynchronous frames deliver
// RGBA8 images, a still camera refines pass by pass, a moved camera starts
// over, and picks answer for the view.
#include <gtest/gtest.h>

#include "hox/device.h"
#include "hox/selection.h"
#include "hox/status.h"
#include "scene_builder.h"
#include "scene_source.h"
#include "shader_factory.h"
#include "view_session.h"

namespace hox_view {
namespace {

class ViewSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, hox::Init(nullptr, m_device));
        m_shaders = new hox_render::ShaderFactory(m_device, "hoxstd");
        m_builder = new hox_render::SceneBuilder(m_device, *m_shaders);
        std::string error;
        ASSERT_TRUE(hox_render::buildScene(*m_builder, "", "/nonexistent", m_scene, error)) << error;
    }
    void TearDown() override {
        delete m_builder;
        delete m_shaders;
        if (m_device) hox::Shutdown(m_device);
    }

    // Submits and waits until `count` more images arrived.
    void show(ViewSession& session, int count) {
        const int target = session.image().swaps + count;
        for (int guard = 0; session.image().swaps < target && guard < 10 * count + 10; ++guard) {
            if (session.readyToSubmit()) {
                ASSERT_EQ(hox::RESULT_OK, session.submit());
            }
            const int status = session.waitOlder(30000);
            ASSERT_TRUE(status == hox::RESULT_OK || status == hox::RESULT_TIMEOUT) << status;
        }
        ASSERT_EQ(target, session.image().swaps);
    }

    hox::IRenderDevice* m_device = nullptr;
    hox_render::ShaderFactory* m_shaders = nullptr;
    hox_render::SceneBuilder* m_builder = nullptr;
    hox_render::SceneContent m_scene;
};

TEST_F(ViewSessionTest, StillFramesRefineAndAMovedCameraStartsOver) {
    SessionSetup setup;
    setup.width = 64;
    setup.height = 48;
    setup.samplingRate = -1;
    setup.maxRate = 0;  // four passes of a quarter sample
    ViewSession session(m_device, setup);
    session.setScene(m_scene.root, m_scene.environment);
    const hox_render::CameraPose pose = hox_render::sceneCamera(m_scene, 64.0f / 48.0f);
    session.setCamera(pose);
    RenderChoices choices;
    choices.threads = 2;
    session.setChoices(choices);

    show(session, 2);
    const SwappedImage& first = session.image();
    EXPECT_EQ(64, first.width);
    EXPECT_EQ(48, first.height);
    EXPECT_EQ(64u * 48u * 4u, first.rgba.size());
    const float early = first.sampleDensity;
    EXPECT_GT(early, 0.0f);
    show(session, 6);
    EXPECT_FLOAT_EQ(1.0f, session.image().sampleDensity);  // 4^maxRate reached
    EXPECT_TRUE(session.image().isStatic);

    hox_render::CameraPose moved = pose;
    moved.eye.x += 1.0f;
    session.setCamera(moved);
    show(session, 2);
    // A frame rendered after the move (the older one may predate it) has
    // at most two passes again.
    EXPECT_LE(session.image().sampleDensity, 0.5f);
    EXPECT_FALSE(session.image().isStatic);

    // The middle of the home view is the gold sphere: the pick finds an
    // object there, at a sensible distance.
    hox::ISelectionDevice* selection = m_device->getSelectionDevice();
    ASSERT_NE(nullptr, selection);
    session.setCamera(pose);
    show(session, 2);
    ASSERT_EQ(1, selection->pick(session.view(), 35, 24));
    const hox::SelectionResult* hit = selection->getResult(0);
    ASSERT_NE(nullptr, hit);
    EXPECT_EQ("gold sphere", m_builder->objectName(hit->object));
    EXPECT_GT(hit->distance, 7.0f);
    EXPECT_LT(hit->distance, 8.5f);
}

}  // namespace
}  // namespace hox_view
