// Every one of the 320 sampler classes: its place in the registry, its
// acceptance test, and its lookups against the reference sampler.
#include "texture_test_support.h"
#include "textures/sampler_registry.h"

using namespace texture_test;
using hox::textures::SamplerRegistry;

namespace {

// A random texture that class n, and no class registered before it, must
// take. Class n is, outermost first: type n/80, filter n/40 % 2, format
// n/20 % 2, components n/5 % 4 + 1, wrap variant n % 5.
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
        // Random points over a few repeats, then texel edges and centres,
        // where the floor changes (the first of them is the zero direction).
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
