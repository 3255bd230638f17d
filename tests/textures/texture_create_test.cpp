// Texture::create: the order of its checks, their warnings, and what the
// record holds afterwards.
#include "texture_test_support.h"

using namespace texture_test;

TEST(TextureCreate, RefusesBadDescriptorsWithTheirWarningAndNoSampler) {
    const std::string prefix = "could not create texture : ";
    const std::string format = "unsupported texture format";
    // {type, format, components, filter, width, height, depth, null face}
    const struct {
        int f[8];
        std::string warning;
    } cases[] = {
        {{1, 0, 4, 0, 4, 4, 1, 0}, "invalid texture data pointer"},  // data cleared below
        {{7, 0, 4, 0, 4, 4, 1, 0}, "invalid texture data pointer"},  // pointer before type
        {{3, 0, 4, 0, 64, 32, 1, -1}, "invalid cube map texture dimensions (64 x 32)"},
        {{3, 0, 4, 0, 64, 32, 1, 3}, "invalid cube map texture data pointer"},
        {{0, 0, 1, 0, -3, 1, 1, -1}, "invalid 1D texture dimension -3"},
        {{1, 0, 4, 0, 0, 5, 1, -1}, "invalid 2D texture dimensions (0 x 5)"},
        {{2, 0, 4, 0, 1, 1, 0, -1}, "invalid 3D texture dimensions (1 x 1 x 0)"},
        {{4, 0, 4, 0, 1, 1, 1, -1}, "unsupported texture type"},
        {{-1, 0, 4, 0, 1, 1, 1, -1}, "unsupported texture type"},
        {{1, 2, 4, 0, 1, 1, 1, -1}, format},
        {{1, -1, 4, 0, 1, 1, 1, -1}, format},
        {{1, 0, 5, 0, 1, 1, 1, -1}, format},
        {{1, 0, 0, 0, 1, 1, 1, -1}, format},
        {{1, 0, 4, 2, 1, 1, 1, -1}, format},
        // Images that cannot be had, refused before any allocation is tried.
        {{1, 0, 4, 0, 1 << 30, 1 << 30, 1, -1}, "out of memory"},
        {{2, 1, 4, 0, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, -1}, "out of memory"},
    };
    for (const auto& c : cases) {
        OwnedTexture record;
        CapturedWarnings captured;
        ASSERT_EQ(record.create(makeTexture(0, 0, 1, 0, 2)), 0);
        ASSERT_NE(record->sampler(), nullptr);

        TextureData t = makeTexture(c.f[0], c.f[1], 1, c.f[3], 1, 1, 1);
        t.d.components = c.f[2];
        t.d.width = c.f[4];
        t.d.height = c.f[5];
        t.d.depth = c.f[6];
        if (c.f[7] == 0) t.d.data = nullptr;
        if (c.f[7] > 0) t.d.faces[c.f[7]] = nullptr;
        EXPECT_EQ(record.create(t), -1);
        EXPECT_EQ(captured.warnings, std::vector<std::string>{prefix + c.warning});
        EXPECT_EQ(record->sampler(), nullptr) << c.warning << ": the old sampler is gone";
        EXPECT_EQ(record->descriptor.width, 2) << c.warning << ": the old descriptor stays";
    }
}

TEST(TextureCreate, CopiesTheTexelsAndRecordVersionsShareTheSampler) {
    OwnedTexture first;
    TextureData t = makeTexture(TEXTURE_TYPE_2D, TEXTURE_FORMAT_FLOAT32, 2, 0, 3, 5);
    const float given[2] = {0.25f, 0.5f}, later[2] = {9.0f, 9.0f};
    std::memcpy(t.images[0].data(), given, 8);
    ASSERT_EQ(first.create(t), 0);
    EXPECT_EQ(first->descriptor.data, t.images[0].data()) << "pointers included";
    std::memcpy(t.images[0].data(), later, 8);  // not read after create
    float rgba[4];
    const float texel0[2] = {0.2f, 0.15f};
    first->sampler()->as2D()->lookup(texel0, rgba);
    EXPECT_EQ(std::vector<float>(rgba, rgba + 4), (std::vector<float>{0.25f, 0.5f, 0, 1}));

    scene::TextureSampler* sampler = first->sampler();
    EXPECT_EQ(sampler->refCount(), 1);
    {
        OwnedTexture second;
        second->copyFrom(*first.record);
        EXPECT_EQ(std::make_pair(second->sampler(), sampler->refCount()), std::make_pair(sampler, 2));
        // A new image on the newer version leaves the older one's alone.
        ASSERT_EQ(second.create(t), 0);
        EXPECT_NE(second->sampler(), sampler);
        EXPECT_EQ(sampler->refCount(), 1);
    }
    first->setSampler(sampler);  // setting the held sampler again keeps it
    EXPECT_EQ(sampler->refCount(), 1);
}
