// Encoder → decoder round trips: error bounds, block modes, sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "cluster/block_decoder.h"
#include "cluster/block_encoder.h"
#include "codec_test_support.h"

namespace {

using hox::cluster::decodeBlockStream;
using hox::cluster::encodeBlockStream;
using hox::cluster::ImageCodecStatus;
using namespace codec_test;

// Bounds stated for the levels: relative error of the luminance, absolute
// error of the red and blue shares.
struct Bound {
    float level;
    double luminance;
    double share;
};
constexpr Bound kBounds[] = {{0.0f, 0.0022, 0.0005}, {0.25f, 0.010, 0.0025}, {0.5f, 0.017, 0.0044}, {1.0f, 0.032, 0.0084}};

struct Shares {
    double y, red, blue;
};

Shares sharesOf(const float* p) {
    const double r = std::max(0.0f, p[0]), g = std::max(0.0f, p[1]), b = std::max(0.0f, p[2]);
    const double y = luminance(r, g, b);
    return y > 0 ? Shares{y, 0.299 * r / y, 0.114 * b / y} : Shares{0, 0.299, 0.114};
}

std::vector<float> roundTrip(const std::vector<float>& image, int width, int height, float level,
                             std::vector<uint8_t>* streamOut = nullptr) {
    std::vector<uint8_t> stream;
    EXPECT_EQ(encodeBlockStream(image.data(), width, height, level, stream), ImageCodecStatus::Ok);
    std::vector<float> decoded(image.size(), -1.0f);
    EXPECT_EQ(decodeBlockStream(stream.data(), stream.size(), width, height, decoded.data()), ImageCodecStatus::Ok);
    if (streamOut) *streamOut = stream;
    return decoded;
}

// Walks a stream by the block sizes of the format and counts the modes.
std::array<int, 4> modeCounts(const std::vector<uint8_t>& stream) {
    static const int kHalf[4] = {0, 2, 4, 8};
    std::array<int, 4> counts{};
    for (std::size_t at = 0; at < stream.size();) {
        const uint8_t m = stream[at];
        ++counts[m & 3];
        const int size[4] = {1, 5, 65, 9 + 2 * (kHalf[m >> 6 & 3] + kHalf[m >> 4 & 3] + kHalf[m >> 2 & 3])};
        at += static_cast<std::size_t>(size[m & 3]);
    }
    return counts;
}

TEST(CodecRoundTrip, EveryLevelKeepsItsErrorBoundOnEveryPattern) {
    const Pattern patterns[] = {Pattern::Gradient, Pattern::Noise, Pattern::Flat, Pattern::Hdr, Pattern::Mixed};
    const int sizes[][2] = {{1, 1}, {17, 5}, {33, 33}, {64, 48}};
    for (const Bound& bound : kBounds) {
        for (Pattern pattern : patterns) {
            for (const auto& size : sizes) {
                const std::vector<float> image = makeImage(pattern, size[0], size[1]);
                const std::vector<float> decoded = roundTrip(image, size[0], size[1], bound.level);
                double worstY = 0, worstShare = 0;
                for (std::size_t i = 0; i < image.size() / 4; ++i) {
                    const Shares in = sharesOf(&image[4 * i]);
                    const Shares out = sharesOf(&decoded[4 * i]);
                    EXPECT_EQ(decoded[4 * i + 3], 1.0f);
                    if (in.y < std::exp2(-12.0)) {
                        EXPECT_LE(out.y, std::exp2(-12.0) * 1.001) << "dark pixels stay at most the darkest word";
                        continue;
                    }
                    worstY = std::max(worstY, std::fabs(out.y / in.y - 1.0));
                    worstShare = std::max({worstShare, std::fabs(out.red - in.red), std::fabs(out.blue - in.blue)});
                }
                EXPECT_LE(worstY, bound.luminance) << "level " << bound.level << " pattern " << int(pattern)
                                                   << " size " << size[0] << "x" << size[1];
                EXPECT_LE(worstShare, bound.share) << "level " << bound.level << " pattern " << int(pattern)
                                                   << " size " << size[0] << "x" << size[1];
            }
        }
    }
}

TEST(CodecRoundTrip, BlocksTakeTheModeTheirContentAllows) {
    std::vector<uint8_t> stream;
    // Quadrants of 32 × 32: black, flat, gradient, noise over 20 octaves.
    roundTrip(makeImage(Pattern::Mixed, 64, 64), 64, 64, 0.25f, &stream);
    const std::array<int, 4> counts = modeCounts(stream);
    EXPECT_EQ(counts[0], 64) << "the black quadrant";
    EXPECT_EQ(counts[1], 64) << "the flat quadrant";
    EXPECT_GT(counts[3], 32) << "most of the gradient interpolates";
    EXPECT_GT(counts[2], 32) << "wide noise needs words";
    EXPECT_EQ(counts[0] + counts[1] + counts[2] + counts[3], 256);

    // Known sizes: a flat 32 × 32 image is 64 flat blocks, a black one 64
    // bytes, and at level 0 pure noise is all words.
    roundTrip(makeImage(Pattern::Flat, 32, 32), 32, 32, 0.0f, &stream);
    EXPECT_EQ(stream.size(), 64u * 5);
    roundTrip(makeImage(Pattern::Black, 32, 32), 32, 32, 1.0f, &stream);
    EXPECT_EQ(stream.size(), 64u);
    roundTrip(makeImage(Pattern::Noise, 32, 32), 32, 32, 0.0f, &stream);
    EXPECT_EQ(stream.size(), 64u * 65);
}

TEST(CodecRoundTrip, HigherLevelsGiveSmallerStreamsDeterministically) {
    const std::vector<float> image = makeImage(Pattern::Hdr, 96, 64);
    std::size_t previous = 0;
    for (float level : {1.0f, 0.5f, 0.25f, 0.0f}) {
        std::vector<uint8_t> first, second;
        ASSERT_EQ(encodeBlockStream(image.data(), 96, 64, level, first), ImageCodecStatus::Ok);
        ASSERT_EQ(encodeBlockStream(image.data(), 96, 64, level, second), ImageCodecStatus::Ok);
        EXPECT_EQ(first, second) << "level " << level;
        EXPECT_GE(first.size(), previous) << "level " << level;
        previous = first.size();
    }
    EXPECT_LT(previous, 24u * 16 * 65) << "even level 0 beats words everywhere on a smooth image";
}

TEST(CodecRoundTrip, OutOfRangeInputIsClampedNotPropagated) {
    std::vector<float> image(4 * 8, 0.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float pixels[8][3] = {{nan, 0.5f, 0.5f}, {-1.0f, 0.5f, 0.5f}, {inf, 1.0f, 1.0f}, {1e9f, 1e9f, 1e9f},
                                {0.5f, 0.5f, 0.5f}, {0.0f, 0.0f, 0.0f}, {1e-30f, 0.0f, 0.0f}, {0.3f, -inf, 0.2f}};
    for (int i = 0; i < 8; ++i) std::copy(pixels[i], pixels[i] + 3, &image[4 * i]);
    for (float level : {0.0f, 0.25f, 1.0f, -3.0f, 7.0f, nan}) {
        const std::vector<float> decoded = roundTrip(image, 8, 1, level);
        for (float v : decoded) EXPECT_TRUE(std::isfinite(v)) << "level " << level;
        EXPECT_NEAR(decoded[1], 0.5f, 0.5f * 0.04f) << "a NaN red leaves green alone";
        EXPECT_NEAR(sharesOf(&decoded[12]).y, 4096.0, 4096.0 * 0.04) << "clamped to the brightest word";
    }
    std::vector<uint8_t> stream;
    EXPECT_EQ(encodeBlockStream(image.data(), 0, 1, 0.25f, stream), ImageCodecStatus::BadImage);
    EXPECT_EQ(encodeBlockStream(nullptr, 8, 1, 0.25f, stream), ImageCodecStatus::BadImage);
    EXPECT_TRUE(stream.empty());
}

}  // namespace
