// The image codec on a rendered-like view image: encode and decode speed in
// MB/s of uncompressed pixels (16 bytes each), and the compressed size, at
// the compression levels 0, 0.25, 0.5 and 1.
//
// The image is procedural, 1280 × 720: a sky gradient, a checkered ground
// with soft shadows, three shaded spheres with HDR highlights, and a little
// per-pixel noise as a progressive render leaves after a few passes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "cluster/block_decoder.h"
#include "cluster/block_encoder.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

float noise(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return static_cast<float>(x & 0xFFFF) / 65536.0f - 0.5f;
}

struct Sphere {
    float x, y, r;      // screen centre and radius, in pixels
    float red, green, blue;
};

std::vector<float> renderedLikeImage() {
    const Sphere spheres[3] = {{400, 430, 150, 0.8f, 0.2f, 0.15f},
                               {760, 470, 120, 0.2f, 0.6f, 0.3f},
                               {1010, 400, 90, 0.7f, 0.7f, 0.75f}};
    const float light[3] = {-0.5f, -0.6f, 0.62f};  // towards the light, screen x / y / out
    std::vector<float> rgba(static_cast<std::size_t>(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            float c[3];
            if (y < 300) {  // sky
                const float t = y / 300.0f;
                c[0] = 0.35f + 0.3f * t, c[1] = 0.55f + 0.25f * t, c[2] = 0.95f;
            } else {  // ground: checker, darker towards the horizon, soft shadows
                const float depth = (y - 300) / 420.0f;
                const bool odd = ((x / (20 + static_cast<int>(80 * depth))) + (y / 40)) & 1;
                const float shade = 0.3f + 0.5f * depth;
                c[0] = c[1] = c[2] = shade * (odd ? 0.8f : 0.45f);
                for (const Sphere& s : spheres) {
                    const float dx = (x - s.x - 0.6f * s.r) / (1.3f * s.r), dy = (y - s.y - 0.9f * s.r) / (0.35f * s.r);
                    const float d = dx * dx + dy * dy;
                    if (d < 1.0f) {
                        const float dim = 0.35f + 0.65f * d;
                        for (float& v : c) v *= dim;
                    }
                }
            }
            for (const Sphere& s : spheres) {
                const float nx = (x - s.x) / s.r, ny = (y - s.y) / s.r, rr = nx * nx + ny * ny;
                if (rr >= 1.0f) continue;
                const float nz = std::sqrt(1.0f - rr);
                const float diffuse = std::fmax(0.0f, nx * light[0] + ny * light[1] + nz * light[2]);
                const float h = std::fmax(0.0f, nx * light[0] * 0.5f + ny * light[1] * 0.5f + nz * 0.85f);
                const float specular = 40.0f * std::pow(h, 120.0f);  // up to 40: HDR
                c[0] = s.red * (0.08f + diffuse) + specular;
                c[1] = s.green * (0.08f + diffuse) + specular;
                c[2] = s.blue * (0.08f + diffuse) + specular;
            }
            const std::size_t i = static_cast<std::size_t>(y) * kWidth + x;
            for (int k = 0; k < 3; ++k) rgba[4 * i + k] = c[k] * (1.0f + 0.02f * noise(static_cast<uint32_t>(4 * i + k)));
            rgba[4 * i + 3] = 4.0f;  // sample weight: the per-pixel plane
        }
    }
    return rgba;
}

const std::vector<float>& image() {
    static const std::vector<float> rgba = renderedLikeImage();
    return rgba;
}

constexpr double kUncompressedBytes = 16.0 * kWidth * kHeight;

float levelOf(const benchmark::State& state) { return static_cast<float>(state.range(0)) / 100.0f; }

void setSizeCounters(benchmark::State& state, std::size_t compressedBytes) {
    // As the decoder's statistics print it: the share of the 16-byte pixels saved.
    state.counters["saved_percent"] = 100.0 - static_cast<double>(compressedBytes) / kUncompressedBytes * 100.0;
    state.counters["bytes_per_pixel"] = static_cast<double>(compressedBytes) / (kWidth * kHeight);
}

void BM_Encode(benchmark::State& state) {
    std::vector<uint8_t> stream;
    for (auto _ : state) {
        hox::cluster::encodeBlockStream(image().data(), kWidth, kHeight, levelOf(state), stream);
        benchmark::DoNotOptimize(stream.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kUncompressedBytes));
    setSizeCounters(state, stream.size());
}
BENCHMARK(BM_Encode)->Arg(0)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State& state) {
    std::vector<uint8_t> stream;
    hox::cluster::encodeBlockStream(image().data(), kWidth, kHeight, levelOf(state), stream);
    std::vector<float> decoded(image().size());
    for (auto _ : state) {
        const auto status =
            hox::cluster::decodeBlockStream(stream.data(), stream.size(), kWidth, kHeight, decoded.data());
        if (status != hox::cluster::ImageCodecStatus::Ok) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(decoded.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kUncompressedBytes));
    setSizeCounters(state, stream.size());

    // The round trip's worst luminance error, printed once per level.
    double worst = 0.0;
    for (std::size_t i = 0; i < decoded.size(); i += 4) {
        const double y = 0.299 * image()[i] + 0.587 * image()[i + 1] + 0.114 * image()[i + 2];
        const double y2 = 0.299 * decoded[i] + 0.587 * decoded[i + 1] + 0.114 * decoded[i + 2];
        if (y > 1.0 / 4096.0) worst = std::fmax(worst, std::fabs(y2 / y - 1.0));
    }
    state.counters["worst_lum_err_percent"] = 100.0 * worst;
}
BENCHMARK(BM_Decode)->Arg(0)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
