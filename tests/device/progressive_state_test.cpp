// Static views and progressive passes across frames.
#include "device_test_support.h"

namespace hox {
namespace {

class ProgressiveStateTest : public testing_support::DeviceTest {
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

// After any edit nothing accumulates; then passes count up to four to the
// power of the rate gap, after which the unchanged view is static.
TEST_F(ProgressiveStateTest, PassesCountUpToTheLimitOfTheOptionsThenTheViewIsStaticUntilAnEdit) {
    buildView();
    const struct {
        const char* name;
        int rate, maxRate;
        bool progressive;
        int passes;
    } cases[] = {
        {"built-in defaults", 0, 0, true, 256},
        {"not progressive", 0, 4, false, 0},
        {"rate above the maximum", 2, 1, true, 1},
        {"gap of one", 3, 4, true, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.maxRate != 0) useOptions(c.rate, c.maxRate, c.progressive);
        const accel::PreparedView& first = renderFrame();
        EXPECT_FALSE(first.progressive);
        EXPECT_FALSE(first.isStatic);
        EXPECT_EQ(0, first.passCount);
        for (int pass = 1; pass <= c.passes; ++pass) {
            const accel::PreparedView& v = renderFrame();
            ASSERT_TRUE(v.progressive);
            ASSERT_FALSE(v.isStatic) << "pass " << pass;
            ASSERT_EQ(pass, v.passCount);
        }
        for (int i = 0; i < 2; ++i) {
            const accel::PreparedView& v = renderFrame();
            EXPECT_EQ(c.progressive, v.progressive);
            EXPECT_TRUE(v.isStatic);
            EXPECT_EQ(c.passes, v.passCount);
        }
    }

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
