// Byte streams: the wire encoding, 1 KiB buffering, short writes, reads over
// uneven deliveries and early ends, hostile string lengths, and a round trip
// of every primitive.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
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
using Writer = std::function<void(OutputStream&)>;

// Records every block handed to it; takes at most `limit` bytes per call.
struct RecordingSink : IByteSink {
    explicit RecordingSink(int limit = 1 << 30) : limit(limit) {}
    int write(const void* data, int count) override {
        const int taken = count < limit ? count : limit;
        blocks.emplace_back(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + taken);
        return taken;
    }
    int limit;
    std::vector<Bytes> blocks;
};

// Delivers a fixed byte sequence at most `chunk` bytes per call, then ends.
struct ChunkedSource : IByteSource {
    ChunkedSource(Bytes bytes, int chunk) : bytes(std::move(bytes)), chunk(chunk) {}
    int read(void* data, int maxCount) override {
        ++calls;
        const int n = std::min({static_cast<int>(bytes.size() - position), chunk, maxCount});
        std::memcpy(data, bytes.data() + position, n);
        position += n;
        return n;
    }
    Bytes bytes;
    int chunk, calls = 0;
    size_t position = 0;
};

Bytes encode(const Writer& write) {
    MemorySink sink;
    OutputStream out(&sink);
    write(out);
    out.flush();
    return sink.bytes();
}

TEST(OutputStream, EncodesLittleEndianWithoutFiller) {
    const struct {
        Writer write;
        Bytes expected;
    } cases[] = {
        {[](OutputStream& o) { o.writeInt32(0x01020304); }, {4, 3, 2, 1}},
        {[](OutputStream& o) { o.writeInt32(INT32_MIN); }, {0, 0, 0, 0x80}},
        {[](OutputStream& o) { o.writeUInt32(0xA1B2C3D4u); }, {0xD4, 0xC3, 0xB2, 0xA1}},
        {[](OutputStream& o) { o.writeFloat(1.0f); }, {0, 0, 0x80, 0x3F}},
        {[](OutputStream& o) { o.writeUInt8(0xAB); o.writeBool(true); o.writeBool(false); }, {0xAB, 1, 0}},
        {[](OutputStream& o) { o.writeString(String()); }, {0, 0, 0, 0}},
        {[](OutputStream& o) { o.writeString(String("ab")); }, {2, 0, 0, 0, 'a', 'b'}},
        {[](OutputStream& o) { o.writeVec3b(Vec3b{true, false, true}); }, {1, 0, 1}},
        {[](OutputStream& o) { o.writeMat2f(Mat2f{{1.0f, 2.0f, 0.0f, -2.5f}}); },
         {0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0x20, 0xC0}},
        // A box is its minimum, then its maximum.
        {[](OutputStream& o) { o.writeBox(Vec3f{1, 0, 0}, Vec3f{0, 0, 2}); },
         {0, 0, 0x80, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40}},
    };
    for (const auto& c : cases) EXPECT_EQ(encode(c.write), c.expected);
}

TEST(OutputStream, BuffersWholeKilobytes) {
    // Each step: n > 0 writes a block of n bytes, -4 an int32, -1 a byte.
    const struct {
        std::vector<int> steps;
        std::vector<size_t> sent;
        int buffered;
    } cases[] = {
        {{1023, -4}, {1023}, 4},  // a primitive flushes only when it does not fit
        {{1020, -4}, {}, 1024},
        {{1020, -4, -1}, {1024}, 1},  // a full buffer goes out before the next byte
        {{1024}, {}, 1024},
        {{1025}, {1024}, 1},
        {{3000}, {1024, 1024}, 952},
        {{10, 1020}, {1024}, 6},  // a block tops up a partly filled buffer first
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.steps));
        RecordingSink sink;
        OutputStream out(&sink);
        Bytes expected;
        for (int step : c.steps) {
            if (step == -4) out.writeInt32(0x04030201);
            if (step == -1) out.writeUInt8(1);
            for (int i = 0; i < -step; ++i) expected.push_back(static_cast<uint8_t>(i + 1));
            Bytes block(step > 0 ? step : 0);
            for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
            out.writeBytes(block.data(), static_cast<int>(block.size()));
            expected.insert(expected.end(), block.begin(), block.end());
        }
        std::vector<size_t> sent;
        for (const Bytes& b : sink.blocks) sent.push_back(b.size());
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(out.bufferedCount(), c.buffered);
        out.flush();
        out.flush();  // nothing left: the sink is not called again
        ASSERT_EQ(sink.blocks.size(), c.sent.size() + 1);
        Bytes joined;
        for (const Bytes& b : sink.blocks) joined.insert(joined.end(), b.begin(), b.end());
        EXPECT_EQ(joined, expected);
    }
}

struct ErrorCatcher : IMessageCallback {
    ErrorCatcher() { setMessageCallback(this); }
    ~ErrorCatcher() override { setMessageCallback(nullptr); }
    void message(int, const char*) override {}
    void warning(const char*) override {}
    void error(const char* text) override { errors.push_back(text); }
    std::vector<std::string> errors;
};

TEST(OutputStream, ShortWriteReportsOncePerFlushAndDropsData) {
    ErrorCatcher catcher;
    RecordingSink sink(100);
    OutputStream out(&sink);
    Bytes block(3000, 5);
    out.writeBytes(block.data(), 3000);  // two flushes on the way
    ASSERT_EQ(catcher.errors.size(), 2u);
    EXPECT_EQ(catcher.errors[0], "output stream : could not write data");
    out.flush();
    out.flush();
    EXPECT_EQ(catcher.errors.size(), 3u);
    EXPECT_EQ(std::make_pair(out.bufferedCount(), sink.blocks.size()), std::make_pair(0, size_t(3)));

    OutputStream null(nullptr);  // a null sink is a short write
    null.writeInt32(3);
    null.flush();
    EXPECT_EQ(std::make_pair(catcher.errors.size(), null.bufferedCount()), std::make_pair(size_t(4), 0));
}

TEST(InputStream, ReadsAcrossUnevenDeliveries) {
    ChunkedSource bytewise({4, 3, 2, 1, 7, 0}, 1);
    InputStream in(&bytewise);
    EXPECT_EQ(in.readInt32(), 0x01020304);
    EXPECT_EQ(bytewise.calls, 4);
    EXPECT_TRUE(in.readBool());  // any non-zero byte
    EXPECT_FALSE(in.readBool());
    EXPECT_FALSE(in.failed());

    Bytes data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 + 1);
    ChunkedSource uneven(data, 300);  // forces moves inside the buffer
    InputStream big(&uneven);
    Bytes got(5000);
    got[0] = big.readUInt8();
    big.readBytes(got.data() + 1, 4999);
    EXPECT_FALSE(big.failed());
    EXPECT_EQ(got, data);
    EXPECT_EQ(big.readUInt8(), 0);
    EXPECT_TRUE(big.failed());
}

TEST(InputStream, EarlyEndFailsAndYieldsZerosWithoutAskingAgain) {
    ChunkedSource source({1, 2}, 1024);
    InputStream in(&source);
    EXPECT_EQ(in.readInt32(), 0);
    EXPECT_TRUE(in.failed());
    const int calls = source.calls;
    EXPECT_EQ(in.readUInt8(), 0);  // the two delivered bytes are gone too
    EXPECT_EQ(in.readFloat(), 0.0f);
    EXPECT_TRUE(in.readString().empty());
    uint8_t bytes[3000];
    std::memset(bytes, 0xCC, sizeof bytes);
    in.readBytes(bytes, sizeof bytes);
    EXPECT_EQ(Bytes(bytes, bytes + sizeof bytes), Bytes(sizeof bytes, 0));
    EXPECT_EQ(source.calls, calls);
}

TEST(InputStream, AbsurdLengthsFailAndLyingOnesCostOnlyWhatArrived) {
    // Lengths no string may have, then plausible ones whose data end early.
    for (int32_t length : {-1, INT32_MAX, kMaxStreamStringLength + 1, 100, kMaxStreamStringLength}) {
        const Bytes stream = encode([&](OutputStream& o) {
            o.writeInt32(length);
            for (int i = 0; i < 3000; ++i) o.writeUInt8('a');
        });
        MemorySource source(stream.data(), stream.size() - (length == 100 ? 2994 : 0));
        InputStream in(&source);
        String s("old");
        in.readString(s);
        EXPECT_TRUE(s.empty()) << length;
        EXPECT_TRUE(in.failed()) << length;
        // Blocks double from 1 KiB with the bytes that arrive: 3000 never
        // need more than 8 KiB, whatever the length claims.
        EXPECT_LE(s.bufferSize(), 8 * 1024) << length;
    }
    MemorySource source("abcd", 4);
    InputStream in(&source);
    EXPECT_FALSE(in.require(kStreamBufferSize + 1));
    EXPECT_TRUE(in.failed());
}

// Writes each value and remembers how to copy it from a reader to a writer.
struct RoundTrip {
    template <typename A, typename R>
    void add(void (OutputStream::*write)(A), R (InputStream::*read)(), const R& value) {
        (out.*write)(value);
        copies.push_back([=](InputStream& i, OutputStream& o) { (o.*write)((i.*read)()); });
    }
    MemorySink sink;
    OutputStream out{&sink};
    std::vector<std::function<void(InputStream&, OutputStream&)>> copies;
};

TEST(ByteStreams, EveryPrimitiveRoundTrips) {
    const auto text = [](int length) {
        String s;
        for (int i = 0; i < length; ++i) s += static_cast<char>('a' + i % 26);
        return s;
    };
    Mat3f m3;
    Mat4f m4;
    for (int i = 0; i < 9; ++i) m3.m[i] = i * 0.5f;
    for (int i = 0; i < 16; ++i) m4.m[i] = -i * 0.25f;
    RoundTrip t;
    t.add(&OutputStream::writeInt32, &InputStream::readInt32, -123456789);
    t.add(&OutputStream::writeUInt32, &InputStream::readUInt32, 0xDEADBEEFu);
    t.add(&OutputStream::writeFloat, &InputStream::readFloat, -0.15625f);
    t.add(&OutputStream::writeUInt8, &InputStream::readUInt8, uint8_t{200});
    t.add(&OutputStream::writeBool, &InputStream::readBool, true);
    t.add(&OutputStream::writeString, &InputStream::readString, String("hello"));
    // Longer than the stream's buffer, and across every edge of the blocks
    // (1, 1, 2, 4 KiB) a string grows in as it is read.
    for (int length : {1023, 1024, 1025, 1500, 4096, 9000})
        t.add(&OutputStream::writeString, &InputStream::readString, text(length));
    t.add(&OutputStream::writeVec2f, &InputStream::readVec2f, Vec2f{1.5f, -2.0f});
    t.add(&OutputStream::writeVec3f, &InputStream::readVec3f, Vec3f{3.0f, 4.0f, 5.0f});
    t.add(&OutputStream::writeVec4f, &InputStream::readVec4f, Vec4f{6.0f, 7.0f, 8.0f, 9.0f});
    t.add(&OutputStream::writeVec2i, &InputStream::readVec2i, Vec2i{-1, 2});
    t.add(&OutputStream::writeVec3i, &InputStream::readVec3i, Vec3i{3, -4, 5});
    t.add(&OutputStream::writeVec4i, &InputStream::readVec4i, Vec4i{6, 7, -8, INT32_MAX});
    t.add(&OutputStream::writeVec2b, &InputStream::readVec2b, Vec2b{true, false});
    t.add(&OutputStream::writeVec3b, &InputStream::readVec3b, Vec3b{false, true, false});
    t.add(&OutputStream::writeVec4b, &InputStream::readVec4b, Vec4b{false, true, true, false});
    t.add(&OutputStream::writeMat2f, &InputStream::readMat2f, Mat2f{{1.0f, -2.0f, 3.0f, 0.125f}});
    t.add(&OutputStream::writeMat3f, &InputStream::readMat3f, m3);
    t.add(&OutputStream::writeMat4f, &InputStream::readMat4f, m4);
    t.out.writeBox(Vec3f{-1, -2, -3}, Vec3f{1, 2, 3});
    t.out.flush();

    // Every value read is written again: the copy must match byte for byte.
    MemorySource source(t.sink.data(), t.sink.size());
    InputStream in(&source);
    MemorySink copySink;
    OutputStream copy(&copySink);
    for (const auto& c : t.copies) c(in, copy);
    Vec3f lo, hi;
    in.readBox(lo, hi);
    copy.writeBox(lo, hi);
    copy.flush();
    EXPECT_FALSE(in.failed());
    EXPECT_EQ(source.remaining(), 0u);
    EXPECT_EQ(copySink.bytes(), t.sink.bytes());
}

}  // namespace
}  // namespace util
}  // namespace hox
