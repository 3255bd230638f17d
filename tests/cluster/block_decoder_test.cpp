// The block decoder against hand-built streams.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "cluster/block_decoder.h"
#include "codec_test_support.h"

namespace {

using hox::cluster::decodeBlockStream;
using hox::cluster::ImageCodecStatus;
using namespace codec_test;

// Decodes into a buffer with a guard of NaNs after the image, and checks
// that the guard survived.
struct Decoded {
    ImageCodecStatus status;
    std::vector<float> rgba;
};

Decoded decode(const std::vector<uint8_t>& stream, int width, int height, std::size_t floatOffset = 0) {
    const std::size_t floats = static_cast<std::size_t>(width) * height * 4;
    std::vector<float> buffer(floatOffset + floats + 64, std::numeric_limits<float>::quiet_NaN());
    const ImageCodecStatus status =
        decodeBlockStream(stream.data(), stream.size(), width, height, buffer.data() + floatOffset);
    for (std::size_t i = floatOffset + floats; i < buffer.size(); ++i)
        EXPECT_TRUE(std::isnan(buffer[i])) << "wrote past the image at float " << i;
    return Decoded{status, std::vector<float>(buffer.begin() + floatOffset, buffer.begin() + floatOffset + floats)};
}

std::vector<uint8_t> flatBlock(uint32_t w) {
    std::vector<uint8_t> block{1};
    appendWord(block, w);
    return block;
}

TEST(BlockDecoder, FlatBlockOfTheWorkedExampleIsNearlyGrey) {
    const Decoded d = decode(flatBlock(word(2048, 117, 306)), 4, 4);
    ASSERT_EQ(d.status, ImageCodecStatus::Ok);
    const Rgb want = expectedFromCodes(2048, 117, 306);
    EXPECT_NEAR(want.r, 1.0024, 5e-4);
    EXPECT_NEAR(want.g, 1.0012, 5e-4);
    EXPECT_NEAR(want.b, 1.0053, 5e-4);
    for (int i = 0; i < 16; ++i) EXPECT_PIXEL_NEAR(d.rgba, i, want, 1e-4);
}

TEST(BlockDecoder, TheFourModesDecodeAsDefined) {
    // Mode 0, mode 2 with 16 different words, mode 3 with widths 0 and
    // with widths 2/4/8 bits, side by side in one 16 × 4 image.
    std::vector<uint8_t> s{0};
    s.push_back(2);
    for (uint32_t i = 0; i < 16; ++i) appendWord(s, word(100 + 250 * i, 60 * i, 1000 - 50 * i));
    s.push_back(3);  // all widths 0: the middle of the endpoints
    appendWord(s, word(1000, 100, 200));
    appendWord(s, word(2001, 301, 400));
    s.push_back(3 | 3 << 2 | 2 << 4 | 1 << 6);  // luminance 2, blue 4, red 8 bits
    appendWord(s, word(3000, 500, 100));
    appendWord(s, word(2000, 200, 355));
    for (int row = 0; row < 4; ++row) s.push_back(static_cast<uint8_t>(0x1B ^ row));  // k = 0 1 2 3 (row 0)
    for (int row = 0; row < 4; ++row) s.insert(s.end(), {static_cast<uint8_t>(0x0F), static_cast<uint8_t>(0x7A + row)});
    for (int i = 0; i < 16; ++i) s.push_back(static_cast<uint8_t>(17 * i));
    ASSERT_EQ(s.size(), 1u + 65 + 9 + 9 + 4 + 8 + 16);

    const Decoded d = decode(s, 16, 4);
    ASSERT_EQ(d.status, ImageCodecStatus::Ok);
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            const int p = row * 4 + col;
            const float* black = &d.rgba[4 * (row * 16 + col)];
            EXPECT_EQ(black[0], 0.0f);
            EXPECT_EQ(black[2], 0.0f);
            EXPECT_EQ(black[3], 1.0f);
            EXPECT_PIXEL_NEAR(d.rgba, row * 16 + 4 + col, expectedFromCodes(100 + 250 * p, 60 * p, 1000 - 50 * p), 1e-4);
            EXPECT_PIXEL_NEAR(d.rgba, row * 16 + 8 + col, expectedFromCodes(1500.5, 200.5, 300), 1e-4);

            const uint8_t twoBits = static_cast<uint8_t>(0x1B ^ row);
            const int kl = (twoBits >> (6 - 2 * col)) & 3;
            const uint8_t nibbles = col < 2 ? 0x0F : static_cast<uint8_t>(0x7A + row);
            const int kb = col % 2 == 0 ? nibbles >> 4 : nibbles & 15;
            const int kr = 17 * p;
            const Rgb want = expectedFromCodes(3000 + kl / 3.0 * -1000, 500 + kb / 15.0 * -300, 100 + kr / 255.0 * 255);
            EXPECT_PIXEL_NEAR(d.rgba, row * 16 + 12 + col, want, 1e-4);
        }
    }
}

TEST(BlockDecoder, LuminanceSpansTwoToTheMinusAndPlusTwelve) {
    std::vector<uint8_t> s = flatBlock(word(0, 117, 306));
    const std::vector<uint8_t> top = flatBlock(word(4095, 0, 1023));  // all red
    s.insert(s.end(), top.begin(), top.end());
    const Decoded d = decode(s, 8, 4);
    ASSERT_EQ(d.status, ImageCodecStatus::Ok);
    const double low = luminance(d.rgba[0], d.rgba[1], d.rgba[2]);
    EXPECT_NEAR(low, std::exp2(-12.0), std::exp2(-12.0) * 1e-4);
    EXPECT_NEAR(d.rgba[4 * 4], 4096.0 / 0.299, 4096.0 / 0.299 * 1e-4);
    EXPECT_NEAR(d.rgba[4 * 4 + 1], 0.0, 1e-3);
}

TEST(BlockDecoder, PartialEdgeBlocksWriteOnlyInsideTheImage) {
    // 6 × 5: 2 × 2 blocks; the right ones cover 2 columns, the bottom ones
    // 1 row. Each block a flat colour of its own.
    const uint32_t words[4] = {word(2000, 100, 100), word(2100, 200, 300), word(2200, 300, 200), word(1900, 50, 600)};
    for (int width : {5, 6, 7}) {
        std::vector<uint8_t> s;
        for (uint32_t w : words) {
            const std::vector<uint8_t> b = flatBlock(w);
            s.insert(s.end(), b.begin(), b.end());
        }
        const Decoded d = decode(s, width, 5);
        ASSERT_EQ(d.status, ImageCodecStatus::Ok);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint32_t w = words[(y / 4) * 2 + x / 4];
                EXPECT_PIXEL_NEAR(d.rgba, y * width + x, expectedFromCodes(w >> 20, (w >> 10) & 1023, w & 1023), 1e-4);
            }
        }
    }
    // 1 × 1: one block, one pixel.
    const Decoded one = decode(flatBlock(word(2048, 117, 306)), 1, 1);
    ASSERT_EQ(one.status, ImageCodecStatus::Ok);
    EXPECT_PIXEL_NEAR(one.rgba, 0, expectedFromCodes(2048, 117, 306), 1e-4);
}

TEST(BlockDecoder, UnalignedDestinationGivesTheSamePixels) {
    std::vector<uint8_t> s{2};
    for (uint32_t i = 0; i < 16; ++i) appendWord(s, word(1500 + 40 * i, 100 + i, 300 - i));
    const Decoded aligned = decode(s, 4, 4, 0);
    const Decoded shifted = decode(s, 4, 4, 1);  // 4 bytes off a 16-byte boundary
    ASSERT_EQ(shifted.status, ImageCodecStatus::Ok);
    EXPECT_EQ(aligned.rgba, shifted.rgba);
}

TEST(BlockDecoder, MalformedStreamsAreRejectedWithoutStrayAccess) {
    std::vector<uint8_t> good = flatBlock(word(2048, 117, 306));
    good.push_back(3 | 3 << 6);  // 9 + 16 bytes
    appendWord(good, word(1, 2, 3));
    appendWord(good, word(4, 5, 6));
    good.insert(good.end(), 16, 0xAB);
    ASSERT_EQ(decode(good, 8, 4).status, ImageCodecStatus::Ok);

    // Every shorter prefix is truncated, a longer stream has trailing bytes.
    for (std::size_t n = 0; n < good.size(); ++n) {
        const std::vector<uint8_t> prefix(good.begin(), good.begin() + static_cast<long>(n));
        EXPECT_EQ(decode(prefix, 8, 4).status, ImageCodecStatus::Truncated) << n;
    }
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_EQ(decode(longer, 8, 4).status, ImageCodecStatus::TrailingBytes);

    float pixel[4];
    EXPECT_EQ(decodeBlockStream(good.data(), good.size(), 0, 4, pixel), ImageCodecStatus::BadImage);
    EXPECT_EQ(decodeBlockStream(good.data(), good.size(), 1, -1, pixel), ImageCodecStatus::BadImage);
    EXPECT_EQ(decodeBlockStream(good.data(), good.size(), 1, 1, nullptr), ImageCodecStatus::BadImage);
    EXPECT_EQ(decodeBlockStream(good.data(), good.size(), 1 << 14, 1 << 14, pixel), ImageCodecStatus::BadImage);

    // Random bytes: any verdict, but never a read or write outside the
    // buffers (the guard in decode(); the sanitizer builds check the reads).
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> noise(random() % 300);
        for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
        const ImageCodecStatus status = decode(noise, 1 + random() % 13, 1 + random() % 9).status;
        EXPECT_TRUE(status == ImageCodecStatus::Ok || status == ImageCodecStatus::Truncated ||
                    status == ImageCodecStatus::TrailingBytes);
    }
}

}  // namespace
