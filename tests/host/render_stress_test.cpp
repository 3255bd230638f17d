// Many small frames with everything a host may do between them: frames with
// and without async, aborts, thread-count changes, scene and camera edits
// while frames render. The frames must all end, with no message, and every
// image must have the size its frame was started with.
#include <gtest/gtest.h>

#include <random>

#include "host_test_support.h"

namespace hox_host_test {
namespace {

using RenderStressTest = RenderSceneTest;

TEST_F(RenderStressTest, ThousandFramesWithAbortsEditsAndThreadChanges) {
    ASSERT_TRUE(scene->build(24, 16));
    hox::THandle<hox::Object> quads[3] = {
        scene->addQuad(-0.5f, -0.5f, 0.5f, 0.5f, -2.0f),
        scene->addQuad(-2.0f, -0.2f, 0.1f, 0.3f, -3.0f),
        scene->addQuad(0.2f, -1.0f, 1.5f, 0.4f, -1.5f),
    };
    std::mt19937 random(1234);
    auto chance = [&random](int percent) { return static_cast<int>(random() % 100) < percent; };

    int swapsBefore = 0;
    for (int frame = 0; frame < 1000; ++frame) {
        if (chance(5)) scene->setThreads(chance(50) ? 1 : 0);
        if (chance(5)) setDebugShade(static_cast<int>(random() % 3));
        if (chance(10)) scene->setOption(hox::OPTION_SAMPLING_RATE, static_cast<int>(random() % 4) - 2);
        if (chance(10)) scene->setOption(hox::OPTION_PROGRESSIVE_SAMPLING, chance(50));
        if (chance(5)) scene->resize(8 + static_cast<int>(random() % 60), 1 + static_cast<int>(random() % 40));

        const bool async = chance(50);
        ASSERT_EQ(0, device->frame(scene->frameDef, async)) << "frame " << frame;

        // Edits while the frame renders: a new transform, or a new version
        // of the camera; the frame keeps the versions it started with.
        if (chance(30)) {
            const float dx = static_cast<float>(random() % 100) / 100.0f - 0.5f;
            const hox::Mat4f move = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, dx, 0, 0, 1}};
            hox::THandle<hox::Object>& q = quads[random() % 3];
            q.beginEdit()->setTransform(move);
            ASSERT_EQ(0, q.endEdit());
        }
        if (chance(10)) {
            scene->camera.beginEdit()->setWindowRegion(static_cast<int>(random() % 10), 0, 20, 12);
            ASSERT_EQ(0, scene->camera.endEdit());
        }
        if (chance(10)) {
            ASSERT_EQ(0, device->abort());
        } else if (chance(50)) {
            ASSERT_EQ(0, device->sync(10000, true)) << "frame " << frame;
        }
    }
    ASSERT_EQ(0, device->sync(10000, true));
    EXPECT_GT(scene->capture.swaps, swapsBefore + 100);
    const hox::SwapInfo& last = scene->capture.last;
    EXPECT_EQ(static_cast<size_t>(4 * last.width * last.height), scene->capture.pixels.size());
    EXPECT_TRUE(callback.warnings.empty()) << callback.warnings.front();
    EXPECT_TRUE(callback.errors.empty()) << callback.errors.front();
}

}  // namespace
}  // namespace hox_host_test
