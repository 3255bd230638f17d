#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "hox/message_callback.h"
#include "util/byte_stream.h"
#include "util/memory_stream.h"
#include "util/messages.h"

namespace hox {
namespace util {
namespace {

using Bytes = std::vector<uint8_t>;

// Records every block handed to it; takes at most `limit` bytes per call.
class RecordingSink : public IByteSink {
public:
    explicit RecordingSink(int limit = 1 << 30) : m_limit(limit) {}
    int write(const void* data, int count) override {
        int taken = count < m_limit ? count : m_limit;
        blocks.emplace_back(static_cast<const uint8_t*>(data),
                            static_cast<const uint8_t*>(data) + taken);
        return taken;
    }
    std::vector<Bytes> blocks;

private:
    int m_limit;
};

// Delivers a fixed byte sequence at most `chunk` bytes per call, then ends.
class ChunkedSource : public IByteSource {
public:
    ChunkedSource(Bytes bytes, int chunk) : m_bytes(std::move(bytes)), m_chunk(chunk) {}
    int read(void* data, int maxCount) override {
        ++calls;
        int n = static_cast<int>(m_bytes.size() - m_position);
        if (n > m_chunk) n = m_chunk;
        if (n > maxCount) n = maxCount;
        std::memcpy(data, m_bytes.data() + m_position, n);
        m_position += n;
        return n;
    }
    int calls = 0;

private:
    Bytes m_bytes;
    size_t m_position = 0;
    int m_chunk;
};

class ErrorCollector : public IMessageCallback {
public:
    void message(int, const char*) override {}
    void warning(const char*) override {}
    void error(const char* text) override { errors.push_back(text); }
    std::vector<std::string> errors;
};

Bytes encode(void (*write)(OutputStream&)) {
    MemorySink sink;
    OutputStream out(&sink);
    write(out);
    out.flush();
    return sink.bytes();
}

TEST(OutputStreamEncoding, WordsAreLittleEndian) {
    EXPECT_EQ(encode([](OutputStream& o) { o.writeInt32(0x01020304); }), (Bytes{4, 3, 2, 1}));
    EXPECT_EQ(encode([](OutputStream& o) { o.writeInt32(-2); }), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(encode([](OutputStream& o) { o.writeInt32(INT32_MIN); }), (Bytes{0, 0, 0, 0x80}));
    EXPECT_EQ(encode([](OutputStream& o) { o.writeUInt32(0xA1B2C3D4u); }),
              (Bytes{0xD4, 0xC3, 0xB2, 0xA1}));
    EXPECT_EQ(encode([](OutputStream& o) { o.writeFloat(1.0f); }), (Bytes{0, 0, 0x80, 0x3F}));
    EXPECT_EQ(encode([](OutputStream& o) { o.writeFloat(-2.5f); }), (Bytes{0, 0, 0x20, 0xC0}));
}

TEST(OutputStreamEncoding, BytesBoolsAndStrings) {
    EXPECT_EQ(encode([](OutputStream& o) {
                  o.writeUInt8(0xAB);
                  o.writeBool(true);
                  o.writeBool(false);
              }),
              (Bytes{0xAB, 1, 0}));
    EXPECT_EQ(encode([](OutputStream& o) { o.writeString(String()); }), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(encode([](OutputStream& o) { o.writeString(String("ab")); }),
              (Bytes{2, 0, 0, 0, 'a', 'b'}));
}

TEST(OutputStreamEncoding, MatricesInMemoryOrderAndBoxMinThenMax) {
    Bytes mat = encode([](OutputStream& o) { o.writeMat2f(Mat2f{{1.0f, 2.0f, 0.0f, -2.5f}}); });
    EXPECT_EQ(mat, (Bytes{0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0x20, 0xC0}));

    Bytes box = encode([](OutputStream& o) {
        o.writeBox(Vec3f{1.0f, 2.0f, 3.0f}, Vec3f{4.0f, 5.0f, 6.0f});
    });
    ASSERT_EQ(box.size(), 24u);
    for (int i = 0; i < 6; ++i) {
        float f;
        std::memcpy(&f, box.data() + 4 * i, 4);  // this host is little-endian
        EXPECT_EQ(f, 1.0f + i);
    }
    EXPECT_EQ(encode([](OutputStream& o) { o.writeVec3b(Vec3b{true, false, true}); }),
              (Bytes{1, 0, 1}));
}

TEST(OutputStreamBuffering, PrimitiveFlushesOnlyWhenItDoesNotFit) {
    Bytes block(1023, 7);
    RecordingSink sink;
    OutputStream out(&sink);
    out.writeBytes(block.data(), 1023);
    out.writeInt32(1);
    ASSERT_EQ(sink.blocks.size(), 1u);
    EXPECT_EQ(sink.blocks[0].size(), 1023u);
    EXPECT_EQ(out.bufferedCount(), 4);

    RecordingSink sink2;
    OutputStream out2(&sink2);
    out2.writeBytes(block.data(), 1020);
    out2.writeInt32(1);
    EXPECT_TRUE(sink2.blocks.empty());
    EXPECT_EQ(out2.bufferedCount(), 1024);
    out2.writeUInt8(9);  // a full buffer goes out before the next byte
    ASSERT_EQ(sink2.blocks.size(), 1u);
    EXPECT_EQ(sink2.blocks[0].size(), 1024u);
    EXPECT_EQ(out2.bufferedCount(), 1);
}

TEST(OutputStreamBuffering, LargeBlocksGoOutInFullKilobytes) {
    Bytes block(3000);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
    RecordingSink sink;
    OutputStream out(&sink);
    out.writeBytes(block.data(), 3000);
    ASSERT_EQ(sink.blocks.size(), 2u);
    EXPECT_EQ(sink.blocks[0].size(), 1024u);
    EXPECT_EQ(sink.blocks[1].size(), 1024u);
    EXPECT_EQ(out.bufferedCount(), 952);
    out.flush();
    Bytes joined;
    for (const Bytes& b : sink.blocks) joined.insert(joined.end(), b.begin(), b.end());
    EXPECT_EQ(joined, block);
}

TEST(OutputStreamBuffering, ExactKilobyteBoundaries) {
    Bytes block(1025, 1);
    RecordingSink sink;
    OutputStream out(&sink);
    out.writeBytes(block.data(), 1024);
    EXPECT_TRUE(sink.blocks.empty());
    EXPECT_EQ(out.bufferedCount(), 1024);

    RecordingSink sink2;
    OutputStream out2(&sink2);
    out2.writeBytes(block.data(), 1025);
    ASSERT_EQ(sink2.blocks.size(), 1u);
    EXPECT_EQ(out2.bufferedCount(), 1);

    RecordingSink sink3;  // a block tops up a partly filled buffer first
    OutputStream out3(&sink3);
    out3.writeBytes(block.data(), 10);
    out3.writeBytes(block.data(), 1020);
    ASSERT_EQ(sink3.blocks.size(), 1u);
    EXPECT_EQ(sink3.blocks[0].size(), 1024u);
    EXPECT_EQ(out3.bufferedCount(), 6);
    out3.flush();
    out3.flush();  // nothing left: the sink is not called again
    EXPECT_EQ(sink3.blocks.size(), 2u);
}

class OutputStreamFailure : public ::testing::Test {
protected:
    void SetUp() override { setMessageCallback(&collector); }
    void TearDown() override { setMessageCallback(nullptr); }
    ErrorCollector collector;
};

TEST_F(OutputStreamFailure, ShortWriteReportsOncePerFlushAndDropsData) {
    RecordingSink sink(100);
    OutputStream out(&sink);
    Bytes block(3000, 5);
    out.writeBytes(block.data(), 3000);  // two flushes on the way
    ASSERT_EQ(collector.errors.size(), 2u);
    EXPECT_EQ(collector.errors[0], "output stream : could not write data");
    out.flush();
    EXPECT_EQ(collector.errors.size(), 3u);
    EXPECT_EQ(out.bufferedCount(), 0);
    out.flush();
    EXPECT_EQ(collector.errors.size(), 3u);
    EXPECT_EQ(sink.blocks.size(), 3u);
}

TEST_F(OutputStreamFailure, NullSinkIsAShortWrite) {
    OutputStream out(nullptr);
    out.writeInt32(3);
    out.flush();
    ASSERT_EQ(collector.errors.size(), 1u);
    EXPECT_EQ(out.bufferedCount(), 0);
}

TEST(InputStream, OneByteAtATimeSatisfiesAWord) {
    ChunkedSource source({4, 3, 2, 1}, 1);
    InputStream in(&source);
    EXPECT_EQ(in.readInt32(), 0x01020304);
    EXPECT_EQ(source.calls, 4);
    EXPECT_FALSE(in.failed());
}

TEST(InputStream, EarlyEndFailsAndYieldsZerosWithoutAskingAgain) {
    ChunkedSource source({1, 2}, 1024);
    InputStream in(&source);
    EXPECT_EQ(in.readInt32(), 0);
    EXPECT_TRUE(in.failed());
    int calls = source.calls;
    EXPECT_EQ(in.readUInt8(), 0);  // the two delivered bytes are gone too
    EXPECT_EQ(in.readFloat(), 0.0f);
    EXPECT_FALSE(in.readBool());
    EXPECT_TRUE(in.readString().empty());
    uint8_t bytes[3000];
    std::memset(bytes, 0xCC, sizeof bytes);
    in.readBytes(bytes, sizeof bytes);
    for (uint8_t b : bytes) ASSERT_EQ(b, 0);
    EXPECT_EQ(source.calls, calls);
}

TEST(InputStream, ReadBytesAcrossRefills) {
    Bytes data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 + 1);
    ChunkedSource source(data, 300);  // uneven deliveries force moves inside the buffer
    InputStream in(&source);
    Bytes got(5000);
    got[0] = in.readUInt8();
    in.readBytes(got.data() + 1, 4999);
    EXPECT_FALSE(in.failed());
    EXPECT_EQ(got, data);
    EXPECT_EQ(in.readUInt8(), 0);
    EXPECT_TRUE(in.failed());
}

TEST(InputStream, AnyNonZeroByteIsTrue) {
    MemorySource source("\x07\x00", 2);
    InputStream in(&source);
    EXPECT_TRUE(in.readBool());
    EXPECT_FALSE(in.readBool());
}

TEST(InputStream, AbsurdStringLengthsFail) {
    for (int32_t length : {-1, INT32_MAX, kMaxStreamStringLength + 1}) {
        MemorySink sink;
        OutputStream out(&sink);
        out.writeInt32(length);
        out.writeBytes("abcdef", 6);
        out.flush();
        MemorySource source(sink.data(), sink.size());
        InputStream in(&source);
        String s("old");
        in.readString(s);
        EXPECT_TRUE(s.empty()) << length;
        EXPECT_TRUE(in.failed()) << length;
    }
    // Plausible length, but the data end early.
    MemorySource source("\x64\x00\x00\x00xyz", 7);
    InputStream in(&source);
    EXPECT_TRUE(in.readString().empty());
    EXPECT_TRUE(in.failed());
}

TEST(InputStream, RequireBeyondTheBufferFails) {
    MemorySource source("abcd", 4);
    InputStream in(&source);
    EXPECT_FALSE(in.require(kStreamBufferSize + 1));
    EXPECT_TRUE(in.failed());
}

TEST(ByteStreams, EveryPrimitiveRoundTrips) {
    String longText;
    for (int i = 0; i < 1500; ++i) longText += static_cast<char>('a' + i % 26);
    MemorySink sink;
    OutputStream out(&sink);
    out.writeInt32(-123456789);
    out.writeUInt32(0xDEADBEEFu);
    out.writeFloat(-0.15625f);
    out.writeUInt8(200);
    out.writeBool(true);
    out.writeString(String("hello"));
    out.writeString(longText);
    out.writeVec2f(Vec2f{1.5f, -2.0f});
    out.writeVec3f(Vec3f{3.0f, 4.0f, 5.0f});
    out.writeVec4f(Vec4f{6.0f, 7.0f, 8.0f, 9.0f});
    out.writeVec2i(Vec2i{-1, 2});
    out.writeVec3i(Vec3i{3, -4, 5});
    out.writeVec4i(Vec4i{6, 7, -8, INT32_MAX});
    out.writeVec2b(Vec2b{true, false});
    out.writeVec4b(Vec4b{false, true, true, false});
    Mat3f m3;
    Mat4f m4;
    for (int i = 0; i < 9; ++i) m3.m[i] = i * 0.5f;
    for (int i = 0; i < 16; ++i) m4.m[i] = -i * 0.25f;
    out.writeMat3f(m3);
    out.writeMat4f(m4);
    out.writeBox(Vec3f{-1, -2, -3}, Vec3f{1, 2, 3});
    out.flush();

    MemorySource source(sink.data(), sink.size());
    InputStream in(&source);
    EXPECT_EQ(in.readInt32(), -123456789);
    EXPECT_EQ(in.readUInt32(), 0xDEADBEEFu);
    EXPECT_EQ(in.readFloat(), -0.15625f);
    EXPECT_EQ(in.readUInt8(), 200);
    EXPECT_TRUE(in.readBool());
    EXPECT_STREQ(in.readString().c_str(), "hello");
    EXPECT_STREQ(in.readString().c_str(), longText.c_str());
    Vec2f v2 = in.readVec2f();
    EXPECT_EQ(v2.y, -2.0f);
    Vec3f v3 = in.readVec3f();
    EXPECT_EQ(v3.z, 5.0f);
    Vec4f v4 = in.readVec4f();
    EXPECT_EQ(v4.x, 6.0f);
    EXPECT_EQ(v4.w, 9.0f);
    EXPECT_EQ(in.readVec2i().x, -1);
    EXPECT_EQ(in.readVec3i().y, -4);
    Vec4i i4 = in.readVec4i();
    EXPECT_EQ(i4.z, -8);
    EXPECT_EQ(i4.w, INT32_MAX);
    Vec2b b2 = in.readVec2b();
    EXPECT_TRUE(b2.x && !b2.y);
    Vec4b b4 = in.readVec4b();
    EXPECT_TRUE(!b4.x && b4.y && b4.z && !b4.w);
    Mat3f r3 = in.readMat3f();
    Mat4f r4 = in.readMat4f();
    EXPECT_EQ(std::memcmp(&r3, &m3, sizeof m3), 0);
    EXPECT_EQ(std::memcmp(&r4, &m4, sizeof m4), 0);
    Vec3f lo, hi;
    in.readBox(lo, hi);
    EXPECT_EQ(lo.x, -1.0f);
    EXPECT_EQ(hi.z, 3.0f);
    EXPECT_FALSE(in.failed());
    EXPECT_EQ(source.remaining(), 0u);
}

}  // namespace
}  // namespace util
}  // namespace hox
