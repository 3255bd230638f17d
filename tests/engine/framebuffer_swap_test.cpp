#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/framebuffer_render_state.h"
#include "engine/framebuffer_swap.h"
#include "hox/framebuffer.h"
#include "hox/message_callback.h"
#include "util/messages.h"

namespace {

using namespace hox;

// Keeps each SwapInfo as raw bytes (read back by offset) and a copy of the
// pixels, which are valid only during the call.
struct FramebufferSwap : ::testing::Test, IFramebufferCallback, IMessageCallback {
    void SetUp() override { util::setMessageCallback(this); }
    void TearDown() override { util::setMessageCallback(nullptr); }
    void message(int, const char*) override {}
    void warning(const char*) override {}
    void error(const char* text) override { errors.push_back(text); }
    void swap(const SwapInfo* info) override {
        infos.emplace_back(reinterpret_cast<const uint8_t*>(info),
                           reinterpret_cast<const uint8_t*>(info) + 40);
        const auto* p = static_cast<const uint8_t*>(info->pixels);
        pixels.emplace_back(p, p + std::size_t(info->width) * info->height * info->bytesPerPixel);
        pointers.push_back(info->pixels);
    }
    template <typename T>
    T field(std::size_t swap, std::size_t offset) const {
        T value;
        std::memcpy(&value, infos[swap].data() + offset, sizeof(T));
        return value;
    }
    float firstFloat(std::size_t swap) const {
        float v;
        std::memcpy(&v, pixels[swap].data(), 4);
        return v;
    }
    // Prepares frame `frame` and swaps it with pixel (0, 0) set to `value`.
    void frame(int frame, float value, int pass, bool isStatic = false, int level = 0) {
        ASSERT_TRUE(engine::prepareFramebufferForFrame(record, frame, isStatic, 0x1234 + frame, 17,
                                                       16, level, pass));
        const engine::SampleRecord sample{0.5f, 0.5f, 0, 0, 0};
        const float colour[4] = {value, value, value, 1.0f};
        engine::frameTileSink(record, frame)->writeTile(0, 0, 1, true, &sample, colour);
        engine::swapFramebuffer(record, frame);
    }

    scene::FramebufferRecord record{0};
    std::vector<std::vector<uint8_t>> infos, pixels;
    std::vector<const void*> pointers;
    std::vector<std::string> errors;
};

TEST_F(FramebufferSwap, DeliversEveryFieldAtItsOffset) {
    record.swapCallback = this;
    frame(6, 0.5f, 3, false, -1);
    ASSERT_EQ(infos.size(), 1u);
    const int32_t expected[6] = {6, 0x1234 + 6, 17, 16, 0, 16};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(field<int32_t>(0, 4 * i), expected[i]) << i;
    EXPECT_EQ(field<float>(0, 24), 3 * 0.25f);
    EXPECT_EQ(field<uint8_t>(0, 28), 0);
    EXPECT_NEAR(firstFloat(0), 0.5f, 1e-6);

    record.format = 1;
    frame(7, 1.0f, 0, false, 2);  // pass 0 restarts
    EXPECT_EQ(field<int32_t>(1, 16), 1);
    EXPECT_EQ(field<int32_t>(1, 20), 4);
    EXPECT_EQ(field<float>(1, 24), 16.0f);
    EXPECT_EQ(pixels[1][0], 255);
    EXPECT_EQ(pixels[1][4], 0);  // no sample since the restart
    EXPECT_TRUE(errors.empty());
}

TEST_F(FramebufferSwap, AveragesUntilARestartAndStaticViewsRedeliver) {
    record.swapCallback = this;
    frame(0, 0.2f, 0);
    frame(1, 0.6f, 1);
    EXPECT_NEAR(firstFloat(1), 0.4f, 1e-6);
    frame(2, 0.9f, 0);
    EXPECT_NEAR(firstFloat(2), 0.9f, 1e-6);
    frame(3, 0.1f, 1, true);  // static: what the buffer holds is not shown
    EXPECT_EQ(field<uint8_t>(3, 28), 1);
    EXPECT_EQ(field<int32_t>(3, 4), 0x1234 + 3);
    EXPECT_EQ(pixels[3], pixels[2]);
    EXPECT_EQ(pointers[3], pointers[2]);
}

TEST_F(FramebufferSwap, WithoutCallbackNothingIsResolved) {
    frame(0, 0.5f, 0);
    auto* state = engine::ensureRenderState(record);
    ASSERT_EQ(state, record.state);
    EXPECT_EQ(state->resolver().image(), nullptr);
    // A new version of the record starts with its own, fresh state.
    scene::FramebufferRecord edited(0);
    edited.copyFrom(record);
    EXPECT_EQ(engine::frameTileSink(edited, 0), nullptr);
}

TEST_F(FramebufferSwap, UnknownFormatIsReportedAndDeliveredAsFloats) {
    record.swapCallback = this;
    record.format = 7;
    frame(0, 0.5f, 0);
    EXPECT_EQ(field<int32_t>(0, 16), 7);
    EXPECT_EQ(field<int32_t>(0, 20), 16);
    EXPECT_NEAR(firstFloat(0), 0.5f, 1e-6);
    EXPECT_EQ(errors, std::vector<std::string>{"Unknown framebuffer format"});
}

TEST(SampleDensity, IsPassesTimesFourToTheLevel) {
    const float perLevel[] = {1 / 16.0f, 0.25f, 1, 4, 16, 64, 256};
    for (int level = -2; level <= 4; ++level) {
        EXPECT_EQ(engine::sampleDensity(0, level), perLevel[level + 2]);
        EXPECT_EQ(engine::sampleDensity(5, level), 5 * perLevel[level + 2]);
    }
}

}  // namespace
