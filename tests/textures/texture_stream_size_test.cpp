// Texture records read from a stream: large images (staged while their
// texels arrive) come back exactly, and a header that claims more texels
// than the stream holds is refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hox/handle.h"
#include "hox/texture_descriptor.h"
#include "scene/record.h"
#include "scene/texture_record.h"
#include "textures/texture_creation.h"
#include "util/byte_stream.h"
#include "util/memory_stream.h"

namespace {

using hox::scene::Record;

struct HeldTexture {
    HeldTexture() : record(hox::scene::createRecord(hox::CLASS_TYPE_TEXTURE, 4)) { record->addRef(); }
    ~HeldTexture() { record->release(); }
    hox::scene::TextureRecord& texture() { return *hox::scene::recordAs<hox::scene::TextureRecord>(record); }
    std::vector<uint8_t> bytes() const {
        hox::util::MemorySink sink;
        hox::util::OutputStream out(&sink);
        record->write(out);
        out.flush();
        return sink.bytes();
    }
    // True when the stream read without failing.
    bool read(const std::vector<uint8_t>& stream) {
        hox::util::MemorySource source(stream.data(), stream.size());
        hox::util::InputStream in(&source);
        record->read(in);
        return !in.failed();
    }
    Record* record;
};

// A cube map of float texels: 6 faces of 128 x 128 x 4 floats, 1.5 MiB in
// all, above the size read straight into the images.
std::vector<uint8_t> largeCubeStream(std::vector<float>& texels) {
    texels.resize(128 * 128 * 4);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<float>(i % 977) * 0.25f;
    hox::TextureDescriptor d;
    d.type = hox::TEXTURE_TYPE_CUBE;
    d.format = hox::TEXTURE_FORMAT_FLOAT32;
    d.width = d.height = 128;
    for (auto& face : d.faces) face = texels.data();
    HeldTexture source;
    EXPECT_EQ(hox::textures::createTexture(source.texture(), d), 0);
    return source.bytes();
}

TEST(TextureStreamSize, LargeImagesRoundTripExactly) {
    std::vector<float> texels;
    const std::vector<uint8_t> stream = largeCubeStream(texels);
    ASSERT_GT(stream.size(), 6u * 128 * 128 * 16);
    HeldTexture copy;
    ASSERT_TRUE(copy.read(stream));
    EXPECT_EQ(copy.bytes(), stream);
}

TEST(TextureStreamSize, TexelsThatNeverArriveAreRefused) {
    std::vector<float> texels;
    std::vector<uint8_t> stream = largeCubeStream(texels);
    // Cut in the middle of the fourth face: the header still claims all six.
    stream.resize(stream.size() / 2 + 1000);
    HeldTexture copy;
    EXPECT_FALSE(copy.read(stream));
    // The record then has no sampler: it writes only its header and a 0.
    const std::vector<uint8_t> written = copy.bytes();
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back(), 0);
    EXPECT_LT(written.size(), 100u);
}

}  // namespace
