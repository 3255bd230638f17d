#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "engine/framebuffer_resolver.h"

namespace {

using hox::engine::FramebufferResolver;

// A frame whose every pixel holds `sum` in all channels with weight `weight`,
// except pixel `skip`, which got nothing.
struct Frame {
    Frame(int pixels, float sum, float weight, int skip = -1)
        : sums(4 * pixels, sum), weights(pixels, weight) {
        if (skip >= 0) weights[skip] = 0;
    }
    std::vector<float> sums, weights;
};

TEST(FramebufferResolver, RestartsOnRequestOrNewSizeAndBlanksUnsampledPixels) {
    FramebufferResolver r;
    Frame first(6, 3.0f, 4.0f), second(6, 1.5f, 2.0f, 4);
    ASSERT_TRUE(r.resolve(3, 2, first.sums.data(), first.weights.data()));
    r.requestRestart();
    ASSERT_TRUE(r.resolve(3, 2, second.sums.data(), second.weights.data()));
    EXPECT_FALSE(r.restartPending());
    for (int i = 0; i < 24; ++i) EXPECT_NEAR(r.averagedImage()[i], i / 4 == 4 ? 0 : 0.75, 1e-6);
    ASSERT_TRUE(r.resolve(2, 3, second.sums.data(), second.weights.data()));
    EXPECT_EQ(r.averagedImage()[4 * 4], 0.0f);  // the new size restarted
    ASSERT_TRUE(r.resolve(2, 3, nullptr, first.weights.data()));  // no sums: nothing sampled
    EXPECT_NEAR(r.averagedImage()[0], 0.75, 1e-6);
    EXPECT_FALSE(r.resolve(0, 3, first.sums.data(), first.weights.data()));
    EXPECT_EQ(r.image(), nullptr);
}

TEST(FramebufferResolver, ProgressiveFramesConvergeToTheMean) {
    FramebufferResolver r;
    r.setOutputFormat(1);
    // Alternating values and weights; pixel 2 misses the odd frames and
    // keeps its history meanwhile; pixel 6 is in the last, partial group.
    double sum = 0, weight = 0;
    for (int frame = 0; frame < 40; ++frame) {
        const float value = frame % 2 ? 0.2f : 0.9f, w = frame % 2 ? 1.0f : 3.0f;
        Frame f(7, value * w, w, frame % 2 ? 2 : -1);
        ASSERT_TRUE(r.resolve(7, 1, f.sums.data(), f.weights.data()));
        sum += value * w;
        weight += w;
        EXPECT_NEAR(r.averagedImage()[0], sum / weight, 1e-5) << frame;
        EXPECT_NEAR(r.averagedImage()[4 * 6 + 3], sum / weight, 1e-5);
        EXPECT_NEAR(r.averagedImage()[4 * 2], 0.9, 1e-5);
    }
    ASSERT_TRUE(r.holdsImage(1));
    EXPECT_EQ(r.image(), r.byteImage());
    EXPECT_EQ(r.byteImage()[0], 185);  // 58 / 80 × 255 = 184.9
}

// The float whose product with 255 is exactly k + 0.5: a true tie.
float tieInput(int k) {
    float v = (k + 0.5f) / 255.0f;
    for (int step = 0; step < 8 && v * 255.0f != k + 0.5f; ++step)
        v = std::nextafter(v, v * 255.0f < k + 0.5f ? 2.0f : -1.0f);
    EXPECT_EQ(v * 255.0f, k + 0.5f) << k;
    return v;
}

TEST(ByteConversion, RoundsHalfToEvenClampsAndMapsNaNToZero) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<float, int>> cases = {
        {0.0f, 0},          {1.0f, 255},         {0.5f, 128},          {tieInput(0), 0},
        {tieInput(1), 2},   {tieInput(2), 2},    {tieInput(253), 254}, {tieInput(254), 254},
        {tieInput(0) * 1.001f, 1},               {-0.3f, 0},           {1.5f, 255},
        {3e9f, 255},        {inf, 255},          {-inf, 0},            {0.999f, 255},
        {std::numeric_limits<float>::quiet_NaN(), 0}};
    std::vector<float> rgba;
    for (const auto& c : cases) rgba.insert(rgba.end(), 4, c.first);
    // Every rounding mode of the caller; aligned output (four pixels per
    // step, then the rest) and unaligned output.
    for (unsigned mode : {_MM_ROUND_NEAREST, _MM_ROUND_UP, _MM_ROUND_TOWARD_ZERO}) {
        alignas(16) uint8_t out[2][4 * 17 + 16];
        const unsigned saved = _MM_GET_ROUNDING_MODE();
        _MM_SET_ROUNDING_MODE(mode);
        hox::engine::convertToBytes(rgba.data(), out[0], cases.size());
        hox::engine::convertToBytes(rgba.data(), out[1] + 1, cases.size());
        EXPECT_EQ(_MM_GET_ROUNDING_MODE(), mode);
        _MM_SET_ROUNDING_MODE(saved);
        for (std::size_t i = 0; i < 4 * cases.size(); ++i) {
            EXPECT_EQ(out[0][i], cases[i / 4].second) << "case " << i / 4 << " mode " << mode;
            EXPECT_EQ(out[1][i + 1], cases[i / 4].second) << "case " << i / 4;
        }
    }
}

}  // namespace
