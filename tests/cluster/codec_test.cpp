// The image codec: the block decoder against hand-built streams, and
// encoder → decoder round trips (error bounds, block modes, sizes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "cluster/block_decoder.h"
#include "cluster/block_encoder.h"
#include "codec_test_support.h"

namespace {

using hox::cluster::decodeBlockStream;
using hox::cluster::encodeBlockStream;
using hox::cluster::ImageCodecStatus;
using namespace codec_test;

struct Decoded {
    ImageCodecStatus status;
    std::vector<float> rgba;
};

// Decodes into a buffer with a guard of NaNs after the image and checks
// that the guard survived.
Decoded decode(const std::vector<uint8_t>& stream, int width, int height, std::size_t floatOffset = 0) {
    const std::size_t floats = static_cast<std::size_t>(width) * height * 4;
    std::vector<float> buffer(floatOffset + floats + 64, std::numeric_limits<float>::quiet_NaN());
    const ImageCodecStatus status =
        decodeBlockStream(stream.data(), stream.size(), width, height, buffer.data() + floatOffset);
    for (std::size_t i = floatOffset + floats; i < buffer.size(); ++i)
        EXPECT_TRUE(std::isnan(buffer[i])) << "wrote past the image at float " << i;
    return Decoded{status, std::vector<float>(buffer.begin() + floatOffset, buffer.begin() + floatOffset + floats)};
}

// Flat blocks (mode 1), one per word.
std::vector<uint8_t> flatBlocks(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> s;
    for (uint32_t w : words) {
        s.push_back(1);
        appendWord(s, w);
    }
    return s;
}

TEST(BlockDecoder, FlatBlocksDecodeTheWorkedExampleAndTheLuminanceRangeEnds) {
    // The worked example is nearly grey: this also checks the oracle.
    const Rgb want = expectedFromCodes(2048, 117, 306);
    EXPECT_NEAR(want.r, 1.0024, 5e-4);
    EXPECT_NEAR(want.g, 1.0012, 5e-4);
    EXPECT_NEAR(want.b, 1.0053, 5e-4);
    const Decoded d = decode(flatBlocks({word(2048, 117, 306)}), 4, 4);
    ASSERT_EQ(d.status, ImageCodecStatus::Ok);
    for (int i = 0; i < 16; ++i) EXPECT_PIXEL_NEAR(d.rgba, i, want, 1e-4);

    // Luminance spans 2^-12 .. 2^12; the top word here is all red.
    const Decoded ends = decode(flatBlocks({word(0, 117, 306), word(4095, 0, 1023)}), 8, 4);
    ASSERT_EQ(ends.status, ImageCodecStatus::Ok);
    EXPECT_NEAR(luminance(ends.rgba[0], ends.rgba[1], ends.rgba[2]), std::exp2(-12.0), std::exp2(-12.0) * 1e-4);
    EXPECT_NEAR(ends.rgba[16], 4096.0 / 0.299, 4096.0 / 0.299 * 1e-4);
    EXPECT_NEAR(ends.rgba[17], 0.0, 1e-3);
}

TEST(BlockDecoder, TheFourModesDecodeAsDefined) {
    // Mode 0, mode 2 with 16 different words, mode 3 with widths 0 and
    // with widths 2/4/8 bits, side by side in one 16 × 4 image.
    std::vector<uint8_t> s{0, 2};
    for (uint32_t i = 0; i < 16; ++i) appendWord(s, word(100 + 250 * i, 60 * i, 1000 - 50 * i));
    s.push_back(3);  // all widths 0: the middle of the endpoints
    appendWord(s, word(1000, 100, 200));
    appendWord(s, word(2001, 301, 400));
    s.push_back(3 | 3 << 2 | 2 << 4 | 1 << 6);  // luminance 2, blue 4, red 8 bits
    appendWord(s, word(3000, 500, 100));
    appendWord(s, word(2000, 200, 355));
    for (int row = 0; row < 4; ++row) s.push_back(static_cast<uint8_t>(0x1B ^ row));  // k = 0 1 2 3 (row 0)
    for (int row = 0; row < 4; ++row) s.insert(s.end(), {uint8_t(0x0F), static_cast<uint8_t>(0x7A + row)});
    for (int i = 0; i < 16; ++i) s.push_back(static_cast<uint8_t>(17 * i));
    ASSERT_EQ(s.size(), 1u + 65 + 9 + 9 + 4 + 8 + 16);

    const Decoded d = decode(s, 16, 4);
    ASSERT_EQ(d.status, ImageCodecStatus::Ok);
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            const int p = row * 4 + col;
            const float* black = &d.rgba[4 * (row * 16 + col)];
            EXPECT_EQ(std::vector<float>(black, black + 4), (std::vector<float>{0, 0, 0, 1}));
            EXPECT_PIXEL_NEAR(d.rgba, row * 16 + 4 + col, expectedFromCodes(100 + 250 * p, 60 * p, 1000 - 50 * p), 1e-4);
            EXPECT_PIXEL_NEAR(d.rgba, row * 16 + 8 + col, expectedFromCodes(1500.5, 200.5, 300), 1e-4);
            const int kl = ((0x1B ^ row) >> (6 - 2 * col)) & 3;
            const int nibbles = col < 2 ? 0x0F : 0x7A + row;
            const int kb = col % 2 == 0 ? nibbles >> 4 : nibbles & 15;
            const Rgb want = expectedFromCodes(3000 - kl / 3.0 * 1000, 500 - kb / 15.0 * 300, 100 + 17 * p);
            EXPECT_PIXEL_NEAR(d.rgba, row * 16 + 12 + col, want, 1e-4);
        }
    }
}

TEST(BlockDecoder, PartialEdgeBlocksAndUnalignedDestinationsWriteOnlyTheImage) {
    // 2 × 2 blocks over 5..7 × 5: the right ones cover fewer columns, the
    // bottom ones one row. Each block a flat colour of its own.
    const std::initializer_list<uint32_t> words = {word(2000, 100, 100), word(2100, 200, 300), word(2200, 300, 200),
                                                   word(1900, 50, 600)};
    for (int width : {5, 6, 7}) {
        const Decoded d = decode(flatBlocks(words), width, 5);
        ASSERT_EQ(d.status, ImageCodecStatus::Ok);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint32_t w = words.begin()[(y / 4) * 2 + x / 4];
                EXPECT_PIXEL_NEAR(d.rgba, y * width + x, expectedFromCodes(w >> 20, (w >> 10) & 1023, w & 1023), 1e-4);
            }
        }
    }
    const Decoded one = decode(flatBlocks({word(2048, 117, 306)}), 1, 1);
    ASSERT_EQ(one.status, ImageCodecStatus::Ok);
    EXPECT_PIXEL_NEAR(one.rgba, 0, expectedFromCodes(2048, 117, 306), 1e-4);

    // A destination 4 bytes off a 16-byte boundary gets the same pixels.
    std::vector<uint8_t> s{2};
    for (uint32_t i = 0; i < 16; ++i) appendWord(s, word(1500 + 40 * i, 100 + i, 300 - i));
    const Decoded shifted = decode(s, 4, 4, 1);
    ASSERT_EQ(shifted.status, ImageCodecStatus::Ok);
    EXPECT_EQ(decode(s, 4, 4, 0).rgba, shifted.rgba);
}

TEST(BlockDecoder, MalformedStreamsAreRejectedWithoutStrayAccess) {
    std::vector<uint8_t> good = flatBlocks({word(2048, 117, 306)});
    good.push_back(3 | 3 << 6);  // 9 + 16 bytes
    appendWord(good, word(1, 2, 3));
    appendWord(good, word(4, 5, 6));
    good.insert(good.end(), 16, 0xAB);
    ASSERT_EQ(decode(good, 8, 4).status, ImageCodecStatus::Ok);

    // Every shorter prefix is truncated, a longer stream has trailing bytes.
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_EQ(decode(std::vector<uint8_t>(good.begin(), good.begin() + long(n)), 8, 4).status,
                  ImageCodecStatus::Truncated)
            << n;
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_EQ(decode(longer, 8, 4).status, ImageCodecStatus::TrailingBytes);

    float pixel[4];
    EXPECT_EQ(decodeBlockStream(good.data(), good.size(), 0, 4, pixel), ImageCodecStatus::BadImage);
    EXPECT_EQ(decodeBlockStream(good.data(), good.size(), 1, -1, pixel), ImageCodecStatus::BadImage);
    EXPECT_EQ(decodeBlockStream(good.data(), good.size(), 1, 1, nullptr), ImageCodecStatus::BadImage);
    EXPECT_EQ(decodeBlockStream(good.data(), good.size(), 1 << 14, 1 << 14, pixel), ImageCodecStatus::BadImage);

    // Random bytes: any verdict, but never a write outside the buffer (the
    // guard in decode(); the sanitizer builds check the reads).
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> noise(random() % 300);
        for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
        const ImageCodecStatus status = decode(noise, 1 + random() % 13, 1 + random() % 9).status;
        EXPECT_TRUE(status == ImageCodecStatus::Ok || status == ImageCodecStatus::Truncated ||
                    status == ImageCodecStatus::TrailingBytes);
    }
}

// Luminance and the red and blue shares of a pixel (negatives as 0).
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

TEST(CodecRoundTrip, EveryLevelKeepsItsErrorBoundOnEveryPattern) {
    // Relative error of the luminance, absolute error of the shares.
    struct Bound {
        float level;
        double luminance, share;
    };
    const Bound bounds[] = {{0.0f, 0.0022, 0.0005}, {0.25f, 0.010, 0.0025}, {0.5f, 0.017, 0.0044}, {1.0f, 0.032, 0.0084}};
    const int sizes[][2] = {{1, 1}, {17, 5}, {33, 33}, {64, 48}};
    for (const Bound& bound : bounds) {
        for (Pattern pattern : {Pattern::Gradient, Pattern::Noise, Pattern::Flat, Pattern::Hdr, Pattern::Mixed}) {
            for (const auto& size : sizes) {
                SCOPED_TRACE(testing::Message() << "level " << bound.level << " pattern " << int(pattern) << " size "
                                                << size[0] << "x" << size[1]);
                const std::vector<float> image = makeImage(pattern, size[0], size[1]);
                const std::vector<float> decoded = roundTrip(image, size[0], size[1], bound.level);
                double worstY = 0, worstShare = 0;
                for (std::size_t i = 0; i < image.size() / 4; ++i) {
                    const Shares in = sharesOf(&image[4 * i]), out = sharesOf(&decoded[4 * i]);
                    EXPECT_EQ(decoded[4 * i + 3], 1.0f);
                    if (in.y < std::exp2(-12.0)) {
                        EXPECT_LE(out.y, std::exp2(-12.0) * 1.001) << "dark pixels stay at most the darkest word";
                        continue;
                    }
                    worstY = std::max(worstY, std::fabs(out.y / in.y - 1.0));
                    worstShare = std::max({worstShare, std::fabs(out.red - in.red), std::fabs(out.blue - in.blue)});
                }
                EXPECT_LE(worstY, bound.luminance);
                EXPECT_LE(worstShare, bound.share);
            }
        }
    }
}

TEST(CodecRoundTrip, BlocksTakeTheModeTheirContentAllowsAndHigherLevelsGiveSmallerStreams) {
    // Known sizes: a black image is one byte a block, a flat one a flat
    // block each, and at level 0 pure noise needs a word per pixel.
    std::vector<uint8_t> stream;
    roundTrip(makeImage(Pattern::Flat, 32, 32), 32, 32, 0.0f, &stream);
    EXPECT_EQ(stream.size(), 64u * 5);
    roundTrip(makeImage(Pattern::Black, 32, 32), 32, 32, 1.0f, &stream);
    EXPECT_EQ(stream.size(), 64u);
    roundTrip(makeImage(Pattern::Noise, 32, 32), 32, 32, 0.0f, &stream);
    EXPECT_EQ(stream.size(), 64u * 65);

    const std::vector<float> image = makeImage(Pattern::Hdr, 96, 64);
    std::size_t previous = 0;
    for (float level : {1.0f, 0.5f, 0.25f, 0.0f}) {
        std::vector<uint8_t> first, second;
        ASSERT_EQ(encodeBlockStream(image.data(), 96, 64, level, first), ImageCodecStatus::Ok);
        ASSERT_EQ(encodeBlockStream(image.data(), 96, 64, level, second), ImageCodecStatus::Ok);
        EXPECT_EQ(first, second) << "deterministic at level " << level;
        EXPECT_GE(first.size(), previous) << "level " << level;
        previous = first.size();
    }
    EXPECT_LT(previous, 24u * 16 * 65) << "even level 0 interpolates a smooth image";
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
