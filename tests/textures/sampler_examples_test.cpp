// The lookup rules on small hand-made textures: the floor and its 3D
// nearest quirk, wrapping, completion, border mixing, cube faces, and
// coordinates no texture should ever see. (The choice of wrap variant is
// checked class by class in sampler_family_test.cpp.)
#include <limits>

#include "texture_test_support.h"
#include "textures/sampler_registry.h"

using namespace texture_test;
using hox::textures::SamplerRegistry;

namespace {

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
