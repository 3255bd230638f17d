// The texture record's stream form: descriptor, flag and texels, read back
// into a sampler of the same class; streams that lie or end early.
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

std::vector<TextureData> samples() {
    std::mt19937 rng(7);
    std::vector<TextureData> all = {makeTexture(0, 0, 3, 1, 700), makeTexture(1, 1, 2, 0, 3, 5),
                                    makeTexture(2, 0, 2, 1, 5, 6, 7),
                                    makeTexture(3, 1, 1, 1, 8, 8)};
    all[1].d.wrapS = TEXTURE_WRAP_BORDER;
    for (TextureData& t : all) {
        t.fillRandom(rng);
        t.d.borderColor[2] = 0.5f;
    }
    return all;
}

}  // namespace

TEST(TextureStream, RoundTripsEveryTypeWithItsTexels) {
    for (const TextureData& t : samples()) {
        OwnedTexture sent(9), received(0);
        ASSERT_EQ(sent.create(t), 0);
        const std::vector<uint8_t> bytes = bytesOf(*sent.record);
        // Head, ten fields, border, flag, then the images (a 3 × 5
        // two-component float texture: 120 bytes).
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
    OwnedTexture sent;
    ASSERT_EQ(sent.create(samples()[2]), 0);
    const std::vector<uint8_t> good = bytesOf(*sent.record);
    for (size_t size = 0; size < good.size(); size += size < 80 ? 1 : 17) {
        OwnedTexture received;
        EXPECT_FALSE(readInto(good, *received.record, size)) << size;
        EXPECT_EQ(received->sampler(), nullptr) << size;
    }
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
