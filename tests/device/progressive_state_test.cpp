// Static views and progressive passes across frames.
#include <gtest/gtest.h>

#include "device_test_support.h"

namespace hox {
namespace {

using testing_support::DeviceTest;

class ProgressiveStateTest : public DeviceTest {
protected:
    void useOptions(int rate, int maxRate, bool progressive) {
        options = THandle<RenderOptions>(hostDevice);
        RenderOptions* o = options.beginEdit();
        ASSERT_EQ(0, o->setOption1i(OPTION_SAMPLING_RATE, rate));
        ASSERT_EQ(0, o->setOption1i(OPTION_MAX_PROGRESSIVE_SAMPLING_RATE, maxRate));
        ASSERT_EQ(0, o->setOption1b(OPTION_PROGRESSIVE_SAMPLING, progressive));
        options.endEdit();
        view.beginEdit()->setRenderOptions(options);
        view.endEdit();
    }

    // Renders a synchronous frame and returns its prepared view.
    const accel::PreparedView& renderFrame() {
        EXPECT_EQ(0, hostDevice->frame(frameDef, false));
        return slotOf(device->frameNumber()).view(0);
    }

    THandle<RenderOptions> options;
};

TEST_F(ProgressiveStateTest, PassesCountUpToFourToTheRateGapThenTheViewIsStatic) {
    buildView();
    useOptions(3, 4, true);  // 4^(4-3) = 4 passes

    const accel::PreparedView& first = renderFrame();
    // The scene was just built: nothing accumulates yet.
    EXPECT_FALSE(first.progressive);
    EXPECT_FALSE(first.isStatic);
    EXPECT_EQ(0, first.passCount);

    for (int pass = 1; pass <= 4; ++pass) {
        const accel::PreparedView& v = renderFrame();
        EXPECT_TRUE(v.progressive);
        EXPECT_FALSE(v.isStatic) << "pass " << pass;
        EXPECT_EQ(pass, v.passCount);
    }
    for (int i = 0; i < 2; ++i) {
        const accel::PreparedView& v = renderFrame();
        EXPECT_TRUE(v.progressive);
        EXPECT_TRUE(v.isStatic);
        EXPECT_EQ(4, v.passCount);
    }
}

TEST_F(ProgressiveStateTest, AnyEditStartsThePassesAgain) {
    buildView();
    useOptions(3, 4, true);
    for (int i = 0; i < 7; ++i) renderFrame();
    ASSERT_TRUE(slotOf(device->frameNumber()).view(0).isStatic);

    // An edit of an object the view does not even use marks the scene dirty.
    THandle<Camera> unrelated(hostDevice);
    unrelated.beginEdit();
    unrelated.endEdit();
    const accel::PreparedView& afterEdit = renderFrame();
    EXPECT_FALSE(afterEdit.progressive);
    EXPECT_FALSE(afterEdit.isStatic);
    EXPECT_EQ(0, afterEdit.passCount);
    EXPECT_EQ(1, renderFrame().passCount);
}

TEST_F(ProgressiveStateTest, DefaultOptionsRefineForTwoHundredFiftySixPasses) {
    buildView();
    renderFrame();
    for (int pass = 1; pass <= 256; ++pass) ASSERT_EQ(pass, renderFrame().passCount);
    EXPECT_TRUE(renderFrame().isStatic);
}

TEST_F(ProgressiveStateTest, RateAtOrAboveTheMaximumGivesOnePass) {
    buildView();
    useOptions(2, 1, true);
    renderFrame();
    EXPECT_EQ(1, renderFrame().passCount);
    EXPECT_TRUE(renderFrame().isStatic);
}

TEST_F(ProgressiveStateTest, WithoutProgressiveSamplingAnUnchangedSceneIsStatic) {
    buildView();
    useOptions(0, 4, false);
    const accel::PreparedView& first = renderFrame();
    EXPECT_FALSE(first.isStatic);
    const accel::PreparedView& second = renderFrame();
    EXPECT_FALSE(second.progressive);
    EXPECT_TRUE(second.isStatic);
    EXPECT_EQ(0, second.passCount);
}

TEST_F(ProgressiveStateTest, DisabledStaticFramesRenderEveryView) {
    buildView();
    useOptions(3, 4, true);
    util::rt_disableStaticFrames.set(true);
    for (int i = 0; i < 8; ++i) EXPECT_FALSE(renderFrame().isStatic);
    // The passes still count, and stop at the limit.
    EXPECT_EQ(4, slotOf(device->frameNumber()).view(0).passCount);
    util::rt_disableStaticFrames.set(false);
}

}  // namespace
}  // namespace hox
