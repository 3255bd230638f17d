// The framebuffer path: sample accumulation per tile, the resolver's
// progressive average and byte conversion, and the swap to the host.
#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/frame_buffer.h"
#include "engine/framebuffer_render_state.h"
#include "engine/framebuffer_resolver.h"
#include "engine/framebuffer_swap.h"
#include "hox/framebuffer.h"
#include "hox/message_callback.h"
#include "util/messages.h"

namespace {

using namespace hox;
using engine::FrameBuffer;
using engine::FramebufferResolver;
using engine::SampleRecord;

struct Colour {
    float c[4];
};
const Colour kRed{{1.0f, 0.25f, 0.5f, 1.0f}};
const Colour kBlue{{0.0f, 0.5f, 2.0f, 1.0f}};

SampleRecord sampleAt(float px, float py) {
    return {px, py, static_cast<int>(std::floor(px)), static_cast<int>(std::floor(py)), 0};
}
float weightAt(const FrameBuffer& fb, int x, int y) { return fb.weights()[y * fb.width() + x]; }
float sumAt(const FrameBuffer& fb, int x, int y, int c) { return fb.floatSums()[4 * (y * fb.width() + x) + c]; }
double totalWeight(const FrameBuffer& fb) {
    return std::accumulate(fb.weights(), fb.weights() + fb.width() * fb.height(), 0.0);
}
void write(FrameBuffer& fb, int tileX, int tileY, const std::vector<SampleRecord>& records,
           const std::vector<Colour>& colours) {
    fb.writeTile(tileX, tileY, int(records.size()), true, records.data(), &colours[0].c[0]);
}

TEST(FrameBufferPrepare, AllocatesClearsAndReportsFailure) {
    FrameBuffer fb;
    ASSERT_TRUE(fb.prepare(17, 16, 16, 0, 0, 1));
    EXPECT_EQ(fb.tilesAcross() * 10 + fb.tilesDown(), 21);
    write(fb, 0, 0, {sampleAt(3.5f, 2.5f)}, {kRed});
    ASSERT_TRUE(fb.prepare(17, 16, 16, 0, 0, 1));  // same size: cleared in place
    EXPECT_EQ(totalWeight(fb), 0.0);
    ASSERT_TRUE(fb.prepare(5, 3, 16, 1, 0, 1));
    EXPECT_EQ(fb.bytesPerPixel(), 4);
    write(fb, 0, 0, {sampleAt(1.5f, 1.5f)}, {kRed});  // bytes cannot hold sums
    EXPECT_EQ(totalWeight(fb), 0.0);
    EXPECT_FALSE(fb.prepare(0, 16, 16, 0, 0, 1));
    EXPECT_FALSE(fb.prepare(1 << 30, 1 << 30, 16, 0, 0, 1));  // too big: no crash, no writes
    write(fb, 0, 0, {sampleAt(1.5f, 1.5f)}, {kRed});
}

TEST(FrameBufferModes, DirectOverwritesAndSplatSpreadsATent) {
    FrameBuffer fb;
    ASSERT_TRUE(fb.prepare(32, 32, 16, 0, 0, 1));  // level 0, pass 1: direct
    write(fb, 1, 1, {sampleAt(2.3f, 4.9f), sampleAt(2.7f, 4.1f)}, {kRed, kBlue});
    EXPECT_EQ(sumAt(fb, 18, 20, 2), kBlue.c[2]);
    EXPECT_EQ(totalWeight(fb), 1.0);
    // Level 1 always splats; level 0 once the pass count exceeds 1.
    for (auto [level, pass] : {std::pair{1, 0}, std::pair{0, 2}}) {
        ASSERT_TRUE(fb.prepare(32, 32, 16, 0, level, pass));
        const float px = 5.25f, py = 7.6f;
        write(fb, 0, 0, {sampleAt(px, py)}, {kRed});
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                double w = std::max(0.0, 1 - std::fabs(px - (x + 0.5))) * std::max(0.0, 1 - std::fabs(py - (y + 0.5)));
                EXPECT_NEAR(weightAt(fb, x, y), w > 0.0001 ? w : 0, 1e-6) << x << "," << y;
                EXPECT_NEAR(sumAt(fb, x, y, 1), w > 0.0001 ? w * kRed.c[1] : 0, 1e-6);
            }
        EXPECT_NEAR(weightAt(fb, 4, 7), 0.25 * 0.9, 1e-6);
    }
}

TEST(FrameBufferModes, FillSpreadsAFaintTentThatNeverCoversASample) {
    FrameBuffer fb;
    for (auto [level, radius] : {std::pair{-2, 3}, std::pair{-1, 1}}) {
        ASSERT_TRUE(fb.prepare(32, 32, 16, 0, level, 0));
        write(fb, 0, 0, {sampleAt(6.5f, 6.5f)}, {kRed});
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const int dx = std::abs(x - 6), dy = std::abs(y - 6);
                double w = dx <= radius && dy <= radius
                               ? (1 - dx / (radius + 1.0)) * (1 - dy / (radius + 1.0)) * 0.01
                               : 0;
                if (dx == 0 && dy == 0) w = 1;
                EXPECT_NEAR(weightAt(fb, x, y), w, 1e-7) << level << ":" << x << "," << y;
                EXPECT_NEAR(sumAt(fb, x, y, 2), w * kRed.c[2], 1e-7);
            }
    }
    // A sampled pixel shows exactly its sample, whichever neighbour came first.
    for (bool redFirst : {true, false}) {
        ASSERT_TRUE(fb.prepare(32, 32, 16, 0, -2, 3));
        std::vector<SampleRecord> records{sampleAt(4.5f, 4.5f), sampleAt(5.5f, 4.5f)};
        std::vector<Colour> colours{kRed, kBlue};
        if (!redFirst) std::reverse(records.begin(), records.end());
        if (!redFirst) std::reverse(colours.begin(), colours.end());
        write(fb, 0, 0, records, colours);
        EXPECT_EQ(sumAt(fb, 4, 4, 2), kRed.c[2]);
        EXPECT_EQ(sumAt(fb, 5, 4, 2), kBlue.c[2]);
    }
    // At the block size the fill stops; beyond it, samples splat.
    ASSERT_TRUE(fb.prepare(32, 32, 16, 0, -2, 16));
    write(fb, 0, 0, {sampleAt(4.5f, 4.5f)}, {kRed});
    EXPECT_EQ(totalWeight(fb), 1.0);
    ASSERT_TRUE(fb.prepare(32, 32, 16, 0, -1, 5));
    write(fb, 0, 0, {sampleAt(4.75f, 4.5f)}, {kRed});
    EXPECT_NEAR(weightAt(fb, 5, 4), 0.25, 1e-7);
}

TEST(FrameBufferBounds, EdgeTilesStayInsideAndOutOfRangeWritesAreDropped) {
    FrameBuffer edge;
    ASSERT_TRUE(edge.prepare(17, 16, 16, 0, 2, 5));
    // Tile (1, 0) holds only column 16; its column 1 lies outside the image.
    write(edge, 1, 0, {sampleAt(0.2f, 15.5f), sampleAt(1.5f, 3.5f)}, {kRed, kRed});
    EXPECT_NEAR(weightAt(edge, 16, 15), 0.7, 1e-6);
    EXPECT_NEAR(weightAt(edge, 15, 15), 0.3, 1e-6);
    EXPECT_NEAR(totalWeight(edge), 1.0, 1e-6);

    const int big = std::numeric_limits<int>::max();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int level : {-2, -1, 0, 3}) {
        FrameBuffer fb;
        ASSERT_TRUE(fb.prepare(17, 16, 16, 0, level, 0));
        std::vector<SampleRecord> bad{{0.5f, 0.5f, -1, 0, 0},    {0.5f, 0.5f, 0, -1, 0},
                                      {16.5f, 0.5f, 16, 0, 0},   {0.5f, 16.5f, 0, 16, 0},
                                      {0.5f, 0.5f, big, big, 0}, {0.5f, 0.5f, -big - 1, 3, 0},
                                      {1.5f, 0.5f, 1, 0, 0}};  // in the tile, not the image
        write(fb, 1, 0, bad, std::vector<Colour>(bad.size(), kRed));
        bad.pop_back();
        write(fb, 0, 0, bad, std::vector<Colour>(bad.size(), kRed));
        for (int t : {2, -1, big}) {
            write(fb, t, 0, {sampleAt(0.5f, 0.5f)}, {kRed});
            write(fb, 0, t == 2 ? 1 : t, {sampleAt(0.5f, 0.5f)}, {kRed});
        }
        const SampleRecord good = sampleAt(0.5f, 0.5f);
        fb.writeTile(0, 0, 1, true, nullptr, kRed.c);
        fb.writeTile(0, 0, -5, true, &good, kRed.c);
        if (level > 0) write(fb, 0, 0, {{nan, nan, 3, 3, 0}}, {kRed});  // no splat weight
        EXPECT_EQ(totalWeight(fb), 0.0) << level;
    }
}

// Four threads splat into the four tiles of a 32×32 image; every contribution
// is 0.5, so the sums are exact in any order and must equal one thread's.
TEST(FrameBufferConcurrency, NeighbouringTilesFromFourThreadsSumExactly) {
    auto render = [](FrameBuffer& fb, int tile) {
        std::vector<SampleRecord> records;
        for (int i = 0; i < 256; ++i) records.push_back({i % 16 + 1.0f, i / 16 + 0.5f, i % 16, i / 16, 0});
        for (int round = 0; round < 50; ++round)
            write(fb, tile % 2, tile / 2, records, std::vector<Colour>(256, kRed));
    };
    FrameBuffer shared, reference;
    ASSERT_TRUE(shared.prepare(32, 32, 16, 0, 1, 1));
    ASSERT_TRUE(reference.prepare(32, 32, 16, 0, 1, 1));
    std::vector<std::thread> threads;
    for (int tile = 0; tile < 4; ++tile) threads.emplace_back([&, tile] { render(shared, tile); });
    for (auto& t : threads) t.join();
    for (int tile = 0; tile < 4; ++tile) render(reference, tile);
    for (int i = 0; i < 32 * 32; ++i) {
        ASSERT_EQ(shared.weights()[i], reference.weights()[i]) << i;
        ASSERT_EQ(shared.floatSums()[4 * i + 1], reference.floatSums()[4 * i + 1]) << i;
    }
    EXPECT_EQ(weightAt(shared, 0, 0), 25.0f);   // half of its own samples
    EXPECT_EQ(weightAt(shared, 16, 5), 50.0f);  // its own and the left tile's
}

// Every pixel holds `sum` in all channels with weight `weight`, except
// pixel `skip`, which got nothing.
struct Frame {
    Frame(int pixels, float sum, float weight, int skip = -1) : sums(4 * pixels, sum), weights(pixels, weight) {
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
        engine::convertToBytes(rgba.data(), out[0], cases.size());
        engine::convertToBytes(rgba.data(), out[1] + 1, cases.size());
        EXPECT_EQ(_MM_GET_ROUNDING_MODE(), mode);
        _MM_SET_ROUNDING_MODE(saved);
        for (std::size_t i = 0; i < 4 * cases.size(); ++i) {
            EXPECT_EQ(out[0][i], cases[i / 4].second) << "case " << i / 4 << " mode " << mode;
            EXPECT_EQ(out[1][i + 1], cases[i / 4].second) << "case " << i / 4;
        }
    }
}

// Keeps each SwapInfo as raw bytes (read back by offset: the binary
// interface) and a copy of the pixels, valid only during the call.
struct FramebufferSwap : ::testing::Test, IFramebufferCallback, IMessageCallback {
    void SetUp() override { util::setMessageCallback(this); }
    void TearDown() override { util::setMessageCallback(nullptr); }
    void message(int, const char*) override {}
    void warning(const char*) override {}
    void error(const char* text) override { errors.push_back(text); }
    void swap(const SwapInfo* info) override {
        const auto* raw = reinterpret_cast<const uint8_t*>(info);
        infos.emplace_back(raw, raw + 40);
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
        ASSERT_TRUE(engine::prepareFramebufferForFrame(record, frame, isStatic, 0x1234 + frame, 17, 16, level, pass));
        const SampleRecord sample{0.5f, 0.5f, 0, 0, 0};
        const float colour[4] = {value, value, value, 1.0f};
        engine::frameTileSink(record, frame)->writeTile(0, 0, 1, true, &sample, colour);
        engine::swapFramebuffer(record, frame);
    }

    scene::FramebufferRecord record{0};
    std::vector<std::vector<uint8_t>> infos, pixels;
    std::vector<const void*> pointers;
    std::vector<std::string> errors;
};

TEST_F(FramebufferSwap, DeliversEveryFieldAtItsOffsetInEachFormat) {
    record.swapCallback = this;
    frame(6, 0.5f, 3, false, -1);
    ASSERT_EQ(infos.size(), 1u);
    const int32_t expected[6] = {6, 0x1234 + 6, 17, 16, 0, 16};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(field<int32_t>(0, 4 * i), expected[i]) << i;
    EXPECT_EQ(field<float>(0, 24), 3 * 0.25f);
    EXPECT_EQ(field<uint8_t>(0, 28), 0);
    EXPECT_NEAR(firstFloat(0), 0.5f, 1e-6);

    record.format = 1;
    frame(7, 1.0f, 0, false, 2);  // pass 0 restarts; pixel 1 has no sample since
    EXPECT_EQ(std::make_tuple(1, 4, 16.0f, 255, 0),
              std::make_tuple(field<int32_t>(1, 16), field<int32_t>(1, 20), field<float>(1, 24), int(pixels[1][0]),
                              int(pixels[1][4])));
    EXPECT_TRUE(errors.empty());

    record.format = 7;  // unknown: reported, delivered as floats
    frame(8, 0.5f, 0);
    EXPECT_EQ(std::make_pair(7, 16), std::make_pair(field<int32_t>(2, 16), field<int32_t>(2, 20)));
    EXPECT_NEAR(firstFloat(2), 0.5f, 1e-6f);
    EXPECT_EQ(errors, std::vector<std::string>{"Unknown framebuffer format"});
}

TEST_F(FramebufferSwap, AveragesUntilARestartAndStaticViewsRedeliver) {
    record.swapCallback = this;
    frame(0, 0.2f, 0);
    frame(1, 0.6f, 1);
    EXPECT_NEAR(firstFloat(1), 0.4f, 1e-6);
    frame(2, 0.9f, 0);
    EXPECT_NEAR(firstFloat(2), 0.9f, 1e-6);
    frame(3, 0.1f, 1, true);  // static: what the buffer holds is not shown
    EXPECT_EQ(std::make_pair(1, 0x1234 + 3), std::make_pair(int(field<uint8_t>(3, 28)), field<int32_t>(3, 4)));
    EXPECT_EQ(std::make_pair(pixels[3], pointers[3]), std::make_pair(pixels[2], pointers[2]));
}

TEST_F(FramebufferSwap, WithoutCallbackNothingIsResolvedAndNewVersionsStartFresh) {
    frame(0, 0.5f, 0);
    auto* state = engine::ensureRenderState(record);
    ASSERT_EQ(state, record.state);
    EXPECT_EQ(state->resolver().image(), nullptr);
    scene::FramebufferRecord edited(0);
    edited.copyFrom(record);
    EXPECT_EQ(engine::frameTileSink(edited, 0), nullptr);
}

}  // namespace
