// The texture record: Texture::create's checks and warnings, what the record
// holds afterwards, its stream form, and streams that lie or end early.
#include "texture_test_support.h"
#include "textures/sampler_registry.h"
#include "util/memory_stream.h"

using namespace texture_test;

namespace {

std::vector<uint8_t> bytesOf(const scene::Record& record) {
    util::MemorySink sink;
    util::OutputStream out(&sink);
    record.write(out);
    out.flush();
    return sink.bytes();
}

// Reads the first `size` bytes into the record; whether the stream held up.
bool readInto(const std::vector<uint8_t>& bytes, scene::Record& record, size_t size = SIZE_MAX) {
    util::MemorySource source(bytes.data(), std::min(size, bytes.size()));
    util::InputStream in(&source);
    record.read(in);
    return !in.failed();
}

// One texture of each type; the last (1.5 MiB) is above the size read straight
// into the images and is staged instead.
std::vector<TextureData> samples() {
    std::mt19937 rng(7);
    std::vector<TextureData> all = {makeTexture(0, 0, 3, 1, 700), makeTexture(1, 1, 2, 0, 3, 5),
                                    makeTexture(2, 0, 2, 1, 5, 6, 7), makeTexture(3, 1, 1, 1, 8, 8),
                                    makeTexture(3, 1, 4, 0, 128, 128)};
    all[1].d.wrapS = TEXTURE_WRAP_BORDER;
    for (TextureData& t : all) {
        t.fillRandom(rng);
        t.d.borderColor[2] = 0.5f;
    }
    return all;
}

}  // namespace

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

TEST(TextureStream, RoundTripsEveryTypeWithItsTexels) {
    for (const TextureData& t : samples()) {
        OwnedTexture sent(9), received(0);
        ASSERT_EQ(sent.create(t), 0);
        const std::vector<uint8_t> bytes = bytesOf(*sent.record);
        // Head, ten fields, border, flag, then the images.
        EXPECT_EQ(bytes.size(), 61u + t.images.size() * t.images[0].size());
        ASSERT_EQ(received.create(makeTexture(1, 0, 4, 0, 1, 1)), 0);  // replaced
        ASSERT_TRUE(readInto(bytes, *received.record));
        EXPECT_EQ(received->instance(), 9);
        EXPECT_EQ(received->descriptor.data, nullptr);
        EXPECT_EQ(received->descriptor.faces[5], nullptr);
        ASSERT_NE(received->sampler(), nullptr);
        EXPECT_EQ(bytesOf(*received.record), bytes);
        EXPECT_TRUE(received->sampler()->accepts(t.desc())) << "the same class";
    }
    OwnedTexture none;
    const std::vector<uint8_t> bytes = bytesOf(*none.record);
    EXPECT_EQ(std::make_pair(bytes.size(), bytes.back()), std::make_pair(size_t(61), uint8_t(0)));
}

TEST(TextureStream, CutLyingOrUnaffordableStreamsFailAndLeaveNoSampler) {
    textures::SamplerRegistry::instance();  // the records' search is installed
    const std::vector<TextureData> all = samples();
    OwnedTexture sent, large;
    ASSERT_EQ(sent.create(all[2]), 0);
    ASSERT_EQ(large.create(all[4]), 0);
    const std::vector<uint8_t> good = bytesOf(*sent.record);
    for (size_t size = 0; size < good.size(); size += size < 80 ? 1 : 17) {
        OwnedTexture received;
        EXPECT_FALSE(readInto(good, *received.record, size)) << size;
        EXPECT_EQ(received->sampler(), nullptr) << size;
    }
    // A staged image cut in its fourth face: the record, left without a sampler,
    // writes only its header and a 0.
    const std::vector<uint8_t> big = bytesOf(*large.record);
    OwnedTexture cut;
    EXPECT_FALSE(readInto(big, *cut.record, big.size() / 2 + 1000));
    const std::vector<uint8_t> written = bytesOf(*cut.record);
    EXPECT_EQ(std::make_pair(written.size(), written.back()), std::make_pair(size_t(61), uint8_t(0)));

    // {descriptor field (0 type, 1 format, …, 7 width), value}
    const int32_t lies[][2] = {{1, 5}, {2, 0}, {3, 2}, {0, 8}, {7, 0}, {7, -4}, {8, 0x7FFFFFFF}};
    for (const auto& lie : lies) {
        std::vector<uint8_t> bytes = good;
        std::memcpy(&bytes[size_t(4 + 4 * lie[0])], &lie[1], 4);
        OwnedTexture received;
        EXPECT_FALSE(readInto(bytes, *received.record)) << lie[0] << " = " << lie[1];
        EXPECT_EQ(received->sampler(), nullptr);
    }
}
