// Sampler lookups: every one of the 320 sampler classes against the reference
// sampler (its place in the registry, its acceptance test, its lookups), and
// the lookup rules on small textures worked out by hand, which anchor the
// reference too: the floor and its 3D nearest quirk, wrapping, completion,
// border mixing, cube faces and coordinates no texture should see.
#include <limits>

#include "texture_test_support.h"
#include "textures/sampler_registry.h"

using namespace texture_test;
using hox::textures::SamplerRegistry;

namespace {

// A random texture that class n, and no class before it, must take: type n/80,
// filter n/40 % 2, format n/20 % 2, components n/5 % 4 + 1, wrap variant n % 5.
TextureData textureFor(int n, std::mt19937& rng) {
    const int type = n / 80, variant = n % 5;
    const int axes = type == TEXTURE_TYPE_1D ? 1 : type == TEXTURE_TYPE_3D ? 3 : 2;
    auto pick = [&rng](std::vector<int> values) { return values[rng() % values.size()]; };
    int sizes[3], modes[3];
    for (bool ok = false; !ok;) {
        bool powers = true, mixed = false;
        for (int k = 0; k < 3; ++k) {
            sizes[k] = variant == 0 ? pick({1, 2, 4, 8}) : pick({1, 2, 3, 5, 6});
            modes[k] = variant == 0 ? 0 : variant - 1;
            if (variant == 4) modes[k] = axes == 1 ? pick({3, -1, 7}) : pick({0, 1, 2, 3});
            if (type == TEXTURE_TYPE_CUBE) sizes[1] = sizes[0];
            if (k >= axes) continue;
            powers &= (sizes[k] & (sizes[k] - 1)) == 0;
            mixed |= modes[k] != modes[0] || modes[k] > 2 || modes[k] < 0;
        }
        ok = variant == 1 ? !powers : variant == 4 ? mixed : true;
    }
    TextureData t =
        makeTexture(type, n / 20 % 2, n / 5 % 4 + 1, n / 40 % 2, sizes[0], sizes[1], sizes[2]);
    t.d.wrapS = modes[0];
    t.d.wrapT = modes[1];
    t.d.wrapR = modes[2];
    for (float& c : t.d.borderColor) c = std::uniform_real_distribution<float>(0, 1)(rng);
    t.fillRandom(rng);
    return t;
}

class EverySamplerClass : public ::testing::TestWithParam<int> {};

// One 8-bit component per texel, texel i holding 10·(i + 1).
TextureData numbered(int type, int filter, int wrap, int w, int h = 1, int d = 1) {
    TextureData t = makeTexture(type, TEXTURE_FORMAT_UINT8, 1, filter, w, h, d);
    t.d.wrapS = t.d.wrapT = t.d.wrapR = wrap;
    for (size_t i = 0; i < t.images[0].size(); ++i) t.images[0][i] = uint8_t(10 * (i + 1));
    for (int c = 0; c < 4; ++c) t.d.borderColor[c] = 0.2f * float(c + 1);
    return t;
}

float level(int i) { return float(10 * (i + 1)) * 0.003921569f; }

std::vector<float> lookup(const TextureData& t, std::vector<float> at) {
    scene::TextureSampler* s =
        SamplerRegistry::instance().find(t.desc())->createFromDescriptor(t.desc());
    s->addRef();
    std::vector<float> rgba(4, -1.0f);
    at.resize(3, 0.5f);
    samplerLookup(s, at.data(), rgba.data());
    s->release();
    return rgba;
}

}  // namespace

TEST_P(EverySamplerClass, IsFoundInItsPlaceAndLooksUpLikeTheReference) {
    const int n = GetParam();
    const SamplerRegistry& registry = SamplerRegistry::instance();
    ASSERT_EQ(registry.count(), 320);
    std::mt19937 rng(1234u + unsigned(n));
    std::uniform_real_distribution<float> wide(-2.0f, 3.0f);
    for (int texture = 0; texture < 3; ++texture) {
        const TextureData t = textureFor(n, rng);
        SCOPED_TRACE(::testing::Message() << t.d.width << "x" << t.d.height << "x" << t.d.depth
                                          << " wrap " << t.d.wrapS << t.d.wrapT << t.d.wrapR);
        ASSERT_EQ(registry.indexOf(t.desc()), n);
        scene::TextureSampler* sampler = registry.prototype(n)->createFromDescriptor(t.desc());
        ASSERT_NE(sampler, nullptr);
        sampler->addRef();
        EXPECT_EQ((sampler->as1D() != nullptr) + (sampler->as2D() != nullptr) +
                      (sampler->as3D() != nullptr) + (sampler->asCube() != nullptr),
                  1);
        // Random points over a few repeats, then texel edges and centres (first the zero direction).
        for (int i = 0; i < 300; ++i) {
            const float edge = float(i - 200) / float(2 * t.d.width);
            const float at[3] = {i < 200 ? wide(rng) : edge, i < 200 ? wide(rng) : edge,
                                 i < 200 ? wide(rng) : -edge};
            float expected[4] = {-7, -7, -7, -7}, actual[4] = {-7, -7, -7, -7};
            referenceLookup(t, at, expected);
            samplerLookup(sampler, at, actual);
            for (int c = 0; c < 4; ++c)
                ASSERT_NEAR(actual[c], expected[c], 1e-6)
                    << at[0] << ", " << at[1] << ", " << at[2];
        }
        sampler->release();
    }
}

INSTANTIATE_TEST_SUITE_P(AllClasses, EverySamplerClass, ::testing::Range(0, 320));

TEST(SamplerLookup, FollowsTheRulesOnSmallTextures) {
    const int N = TEXTURE_FILTER_NEAREST, L = TEXTURE_FILTER_LINEAR, T1 = TEXTURE_TYPE_1D;
    TextureData full = makeTexture(T1, TEXTURE_FORMAT_UINT8, 1, N, 1);
    full.images[0] = {255};
    TextureData pair = makeTexture(T1, TEXTURE_FORMAT_FLOAT32, 2, N, 1);
    const float halves[2] = {0.25f, 0.5f};
    std::memcpy(pair.images[0].data(), halves, 8);
    const struct {
        const char* name;
        TextureData texture;
        std::vector<float> at, expected;
    } cases[] = {
        {"repeat at 0 wraps to texel 3", numbered(T1, N, 0, 4), {0.0f}, {level(3), 0, 0, 1}},
        {"repeat at 0.3 reads texel 0", numbered(T1, N, 0, 4), {0.3f}, {level(0), 0, 0, 1}},
        {"repeat at 0.9 reads texel 3", numbered(T1, N, 0, 4), {0.9f}, {level(3), 0, 0, 1}},
        {"a modulo repeat wraps alike", numbered(T1, N, 0, 3), {0.0f}, {level(2), 0, 0, 1}},
        {"1.4 texel widths read texel 0", numbered(T1, N, 0, 4), {0.35f}, {level(0), 0, 0, 1}},
        {"clamp at 0 reads texel 0", numbered(T1, N, 1, 4), {0.0f}, {level(0), 0, 0, 1}},
        {"3D nearest truncates: slice 0", numbered(2, N, 0, 1, 1, 4), {0.5f, 0.5f, 0.0f}, {level(0), 0, 0, 1}},
        {"3D linear floors: slices 3 and 0", numbered(2, L, 0, 1, 1, 4), {0.5f, 0.5f, 0.0f},
         {0.5f * (level(3) + level(0)), 0, 0, 1}},
        {"2D nearest at v = 0 reads row 3", numbered(1, N, 0, 1, 4), {0.5f, 0.0f}, {level(3), 0, 0, 1}},
        {"border nearest at 0", numbered(T1, N, 2, 4), {0.0f}, {0.2f, 0.4f, 0.6f, 0.8f}},
        {"border linear at 0 mixes evenly", numbered(T1, L, 2, 4), {0.0f}, {0.1f + 0.5f * level(0), 0.2f, 0.3f, 0.9f}},
        {"8-bit 255 reads opaque red", full, {0.5f}, {1, 0, 0, 1}},
        {"two floats complete with 0 and 1", pair, {0.5f}, {0.25f, 0.5f, 0, 1}},
        {"an unknown wrap mode reads texel 0", numbered(T1, N, 9, 4), {0.9f}, {level(0), 0, 0, 1}},
    };
    for (const auto& c : cases) {
        const std::vector<float> rgba = lookup(c.texture, c.at);
        for (size_t k = 0; k < 4; ++k) EXPECT_NEAR(rgba[k], c.expected[k], 1e-6) << c.name;
    }
}

TEST(SamplerLookup, CubeDirectionsPickTheirFaces) {
    TextureData t = makeTexture(TEXTURE_TYPE_CUBE, TEXTURE_FORMAT_UINT8, 1, 0, 2, 2);
    for (size_t f = 0; f < 6; ++f) t.images[f].assign(4, uint8_t(f));  // every texel names its face
    const struct {
        std::vector<float> direction;
        int face;
    } cases[] = {
        {{1, 0, 0}, 0}, {{-1, 0, 0}, 1}, {{0, 1, 0}, 2}, {{0, -1, 0}, 3}, {{0, 0, 1}, 4}, {{0, 0, -1}, 5},
        {{-3, 0.2f, 2.9f}, 1}, {{1, -1, 0.5f}, 3}, {{0.5f, 0.5f, 0.25f}, 2},  // |x| = |y| > |z|: a y face
        {{0.5f, -1, -1}, 5},                                                   // |y| = |z|: the z face
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::lround(lookup(t, c.direction)[0] * 255.0f), c.face) << c.direction[0];
    EXPECT_EQ(lookup(t, {0, 0, 0}), std::vector<float>(4, -1.0f)) << "untouched";
}

TEST(SamplerLookup, AbsurdCoordinatesLandInsideTheTextureOrOnTheBorder) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // {wrap, coordinate, expected texel: 0 first, 1 last, 2 border, 3 any}
    const struct {
        int wrap;
        float at;
        int expect;
    } cases[] = {{0, nan, 0},    {1, nan, 0},   {1, inf, 1},  {1, -inf, 0},
                 {1, 3e38f, 1},  {2, 3e38f, 2}, {2, -inf, 2}, {0, 3e38f, 3},
                 {0, -3e38f, 3}, {0, -inf, 3},  {7, 1e20f, 0}};
    for (int type : {0, 1, 2})
        for (int filter : {0, 1})
            for (int w : {4, 5})  // masked and modulo repeat
                for (const auto& c : cases) {
                    const float r = lookup(numbered(type, filter, c.wrap, w), {c.at})[0];
                    const long byte = std::lround(r * 255.0f);
                    const float expected[3] = {level(0), level(w - 1), 0.2f};
                    if (c.expect == 3) {
                        EXPECT_TRUE(byte % 10 == 0 && byte >= 10 && byte <= 10 * w) << byte;
                    } else {
                        EXPECT_NEAR(r, expected[c.expect], 1e-6) << type << filter << c.wrap;
                    }
                }
}
