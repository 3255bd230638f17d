// Bilinear lookups per second on a 256 × 256 8-bit RGBA texture, through
// the Sampler2D interface as a shader calls it, for the wrap variants: the
// masked repeat class (power-of-two sizes, the index wrap is an AND), the
// repeat class (a modulo), the clamp class, and the general class (a switch
// on each axis's mode; here repeat along s and clamp along t).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "hox/texture_descriptor.h"
#include "scene/texture_record.h"
#include "textures/texture_creation.h"

namespace {

using namespace hox;

constexpr int kCoordinates = 4096;

struct Setup {
    int width, wrapS, wrapT;
};

void BM_Bilinear2D(benchmark::State& state, Setup setup) {
    const int w = setup.width, h = 256;
    std::mt19937 rng(5);
    std::vector<uint8_t> texels(size_t(w) * h * 4);
    for (uint8_t& b : texels) b = uint8_t(rng());
    TextureDescriptor d;
    d.type = TEXTURE_TYPE_2D;
    d.format = TEXTURE_FORMAT_UINT8;
    d.components = 4;
    d.filter = TEXTURE_FILTER_LINEAR;
    d.wrapS = setup.wrapS;
    d.wrapT = setup.wrapT;
    d.width = w;
    d.height = h;
    d.data = texels.data();

    scene::TextureRecord* record = static_cast<scene::TextureRecord*>(
        scene::createRecord(CLASS_TYPE_TEXTURE, 0));
    record->addRef();
    if (textures::createTexture(*record, d) != 0) {
        state.SkipWithError("texture creation failed");
        record->release();
        return;
    }
    const Sampler2D* sampler = record->sampler()->as2D();

    // Coordinates over a few repeats, so wrapping really happens.
    std::uniform_real_distribution<float> wide(-1.0f, 2.0f);
    std::vector<float> st(2 * kCoordinates);
    for (float& c : st) c = wide(rng);

    float sum = 0.0f;
    for (auto _ : state) {
        float rgba[4];
        for (int i = 0; i < kCoordinates; ++i) {
            sampler->lookup(&st[size_t(2 * i)], rgba);
            sum += rgba[0] + rgba[3];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kCoordinates);
    record->release();
}

BENCHMARK_CAPTURE(BM_Bilinear2D, masked_repeat_256, Setup{256, 0, 0});
BENCHMARK_CAPTURE(BM_Bilinear2D, repeat_255, Setup{255, 0, 0});
BENCHMARK_CAPTURE(BM_Bilinear2D, clamp_256, Setup{256, 1, 1});
BENCHMARK_CAPTURE(BM_Bilinear2D, general_256, Setup{256, 0, 1});

}  // namespace

BENCHMARK_MAIN();
