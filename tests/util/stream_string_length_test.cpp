// Strings read from a stream grow with the bytes that arrive, not with the
// length the stream claims: a hostile length costs what was really sent.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "util/byte_stream.h"
#include "util/memory_stream.h"

namespace {

using hox::util::InputStream;
using hox::util::MemorySink;
using hox::util::MemorySource;
using hox::util::OutputStream;
using hox::util::String;

std::vector<uint8_t> stringStream(int32_t claimedLength, int sentBytes) {
    MemorySink sink;
    OutputStream out(&sink);
    out.writeInt32(claimedLength);
    for (int i = 0; i < sentBytes; ++i) out.writeUInt8(static_cast<uint8_t>('a' + i % 26));
    out.flush();
    return sink.bytes();
}

TEST(StreamStringLength, LyingLengthAllocatesOnlyWhatArrived) {
    const auto stream = stringStream(hox::util::kMaxStreamStringLength, 3000);
    MemorySource source(stream.data(), stream.size());
    InputStream in(&source);
    String text;
    in.readString(text);
    EXPECT_TRUE(in.failed());
    EXPECT_TRUE(text.empty());
    // The blocks double from 1 KiB: 3000 bytes never need more than 8 KiB.
    EXPECT_LE(text.bufferSize(), 8 * 1024);
}

TEST(StreamStringLength, LongTextsCrossingEveryBlockRoundTrip) {
    // 1 KiB + 1 KiB + 2 KiB + 4 KiB + a part: every block boundary once.
    for (int length : {1023, 1024, 1025, 4096, 9000}) {
        const auto stream = stringStream(length, length);
        MemorySource source(stream.data(), stream.size());
        InputStream in(&source);
        String text;
        in.readString(text);
        ASSERT_FALSE(in.failed()) << length;
        ASSERT_EQ(text.length(), length);
        for (int i = 0; i < length; ++i) ASSERT_EQ(text[i], 'a' + i % 26) << length << " at " << i;
    }
}

}  // namespace
