// Buffering, strings and hostile data over loopback socket connections.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "connection_test_support.h"

namespace {

using namespace vu_connection;
using vu_connection_test::connectClient;
using vu_connection_test::LoopbackPeer;

// Reads exactly n bytes through the peer's buffered read.
std::vector<uint8_t> readBlock(vuSocketConnection& c, int n) {
    std::vector<uint8_t> bytes(static_cast<std::size_t>(n));
    c.read(bytes.data(), n);
    return bytes;
}

TEST(BufferedConnection, WritesSendWhenTheBufferFillsAndKeepTheRest) {
    constexpr int kSize = 64;
    std::vector<uint8_t> received;
    LoopbackPeer peer(vuGreeting::Native, [&](vuSocketConnection& c) { received = readBlock(c, 64 + 63 + 3 * 64 + 6); });
    vuSocketConnection client(kSize);
    ASSERT_EQ(connectClient(client, peer.port()), 0);

    std::vector<uint8_t> data(400);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 1);
    client.write(data.data(), kSize);  // exactly the buffer: sent at once
    EXPECT_EQ(client.pending(), 0);
    client.write(data.data() + 64, 63);
    EXPECT_EQ(client.pending(), 63);
    client.write(data.data() + 127, 3 * 64 + 6);  // 63 + 198: four buffers go out
    EXPECT_EQ(client.pending(), 5);
    client.flush();
    EXPECT_EQ(client.pending(), 0);
    peer.join();
    ASSERT_EQ(received.size(), 64u + 63 + 3 * 64 + 6);
    EXPECT_TRUE(std::equal(received.begin(), received.end(), data.begin()));
}

TEST(BufferedConnection, ReadsAssembleValuesAcrossPacketsAndBufferRefills) {
    std::vector<uint8_t> big(5000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i ^ (i >> 8));
    LoopbackPeer peer(vuGreeting::Native, [&](vuSocketConnection& c) {
        // A uint32 and a double one byte per packet, then a block far larger
        // than the reader's buffer in uneven pieces.
        const uint32_t word = 0xA1B2C3D4u;
        const double value = 6.02214076e23;
        uint8_t bytes[12];
        std::memcpy(bytes, &word, 4);
        std::memcpy(bytes + 4, &value, 8);
        for (uint8_t b : bytes) {
            c.write(&b, 1);
            c.flush();
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
        for (std::size_t done = 0; done < big.size();) {
            const std::size_t piece = std::min<std::size_t>(big.size() - done, 777);
            c.write(big.data() + done, static_cast<int>(piece));
            c.flush();
            done += piece;
        }
    });
    vuSocketConnection client(100);
    ASSERT_EQ(connectClient(client, peer.port()), 0);
    EXPECT_EQ(client.readUInt32(), 0xA1B2C3D4u);
    EXPECT_EQ(client.readDouble(), 6.02214076e23);
    EXPECT_EQ(client.readByte(), big[0]);
    const std::vector<uint8_t> rest = readBlock(client, 4999);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), big.begin() + 1));
    EXPECT_FALSE(client.endOfData());
    EXPECT_EQ(client.readUInt16(), 0) << "then the peer closed";
    EXPECT_TRUE(client.endOfData());
    peer.join();
}

TEST(ConnectionStrings, RoundTripCutAndDiscard) {
    const std::string long3000(3000, 'q');
    LoopbackPeer peer(vuGreeting::Reversed, [&](vuSocketConnection& c) {
        c.writeString("");
        c.writeCString("hello");
        c.writeCString(nullptr);
        c.writeString(long3000);
        c.writeCString("abcdefghij");  // into a 4-byte buffer
        c.writeUInt32(77);
        c.writeCString("exact");  // into a 6-byte buffer: fits
        c.writeString(std::string("with\0nul", 8));
        c.flush();
    });
    vuSocketConnection client(128);
    ASSERT_EQ(connectClient(client, peer.port()), 0);
    ASSERT_TRUE(client.swap()) << "string lengths follow the peer's byte order";
    EXPECT_EQ(client.readString(), "");
    std::string text = "old";
    client.readString(text);
    EXPECT_EQ(text, "hello");
    EXPECT_EQ(client.readString(), "");
    EXPECT_EQ(client.readString(), long3000);
    char small[4] = {'x', 'x', 'x', 'x'};
    client.readCString(small, 4);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(client.readUInt32(), 77u) << "all 10 characters were consumed";
    char six[6];
    client.readCString(six, 6);
    EXPECT_STREQ(six, "exact");
    char* copy = client.readCStringAlloc();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy, "with\0nul\0", 9), 0);
    std::free(copy);
    peer.join();
}

TEST(ConnectionStrings, AnOverLongLengthEndsTheReadsInsteadOfAllocating) {
    for (int form = 0; form < 3; ++form) {
        LoopbackPeer peer(vuGreeting::Native, [](vuSocketConnection& c) {
            c.writeUInt32(0xFFFFFFF0u);
            c.writeUInt32(1234);
            c.flush();
            c.readByte();  // stay open: the end must come from the length
        });
        vuSocketConnection client(64);
        ASSERT_EQ(connectClient(client, peer.port()), 0);
        if (form == 0) {
            EXPECT_EQ(client.readString(), "");
        } else if (form == 1) {
            char buffer[8] = "zzzzzzz";
            client.readCString(buffer, 8);
            EXPECT_STREQ(buffer, "");
        } else {
            EXPECT_EQ(client.readCStringAlloc(), nullptr);
        }
        EXPECT_TRUE(client.endOfData());
        EXPECT_EQ(client.readUInt32(), 0u) << "the next value is not read from the stream";
        client.close();
        peer.join();
    }
}

TEST(ConnectionStrings, RandomBytesFromThePeerNeverCrashOrHang) {
    std::mt19937 random(20240611);
    int totalReads = 0;
    for (int round = 0; round < 40; ++round) {
        // Mostly zero bytes, so that many lengths are small and strings are
        // read whole, among lengths of every size (the first one over the
        // limit ends the round).
        std::vector<uint8_t> garbage(3000);
        for (uint8_t& b : garbage) b = random() % 20 == 0 ? static_cast<uint8_t>(random()) : 0;
        LoopbackPeer peer(vuGreeting::Native, [&garbage](vuSocketConnection& c) {
            c.write(garbage.data(), static_cast<int>(garbage.size()));
            c.flush();
        });
        vuSocketConnection client(256);
        ASSERT_EQ(connectClient(client, peer.port()), 0);
        int reads = 0;
        while (!client.endOfData() && reads < 100000) {
            switch (reads++ % 5) {
                case 0: client.readString(); break;
                case 1: {
                    char buffer[16];
                    client.readCString(buffer, 16);
                    EXPECT_LT(std::strlen(buffer), 16u);
                    break;
                }
                case 2: std::free(client.readCStringAlloc()); break;
                case 3: client.readDouble(); break;
                default: client.readUInt16(); break;
            }
        }
        EXPECT_TRUE(client.endOfData()) << "the reads ran out with the data";
        EXPECT_EQ(client.status(), 0);
        totalReads += reads;
        peer.join();
    }
    EXPECT_GT(totalReads, 200) << "small lengths were read whole";
}

}  // namespace
