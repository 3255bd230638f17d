// Socket connections on loopback: greeting, byte order, statuses, buffering,
// strings and hostile data from the peer.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/vu_connection.h"

namespace {

using namespace vu_connection;

// Listens on an ephemeral port and runs `body` on its own thread with the
// accepted connection.
class LoopbackPeer {
public:
    using Body = std::function<void(vuSocketConnection&)>;
    LoopbackPeer(vuGreeting greeting, Body body, const char* address = "127.0.0.1") : connection_(256) {
        listening_ = listener_.listen(address, 0) == 0;
        if (!listening_) return;
        thread_ = std::thread([this, greeting, body = std::move(body)] {
            accepted_ = listener_.accept(connection_, 5.0, greeting);
            if (accepted_ == 0 && body) body(connection_);
            connection_.close();
        });
    }
    ~LoopbackPeer() { join(); }
    bool listening() const { return listening_; }
    int port() const { return listener_.port(); }
    int accepted() const { return accepted_; }  // valid after join()
    void join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    vuSocketListener listener_;
    vuSocketConnection connection_;
    std::thread thread_;
    bool listening_ = false;
    int accepted_ = -1;
};

// A short connect limit: a test that goes wrong fails instead of hanging.
int connectClient(vuSocketConnection& client, int port, const char* host = "127.0.0.1") {
    client.setConnectTimeout(2.0);
    return client.connect(host, port);
}

std::vector<uint8_t> readBlock(vuSocketConnection& c, int n) {
    std::vector<uint8_t> bytes(static_cast<std::size_t>(n));
    c.read(bytes.data(), n);
    return bytes;
}

// The peer's greeting decides whether values are swapped; either way every
// value arrives as written, in both directions.
TEST(SocketConnection, PeerByteOrderSetsSwapAndValuesTravelAsWritten) {
    for (vuGreeting greeting : {vuGreeting::Native, vuGreeting::Reversed}) {
        const bool reversed = greeting == vuGreeting::Reversed;
        SCOPED_TRACE(reversed ? "other order" : "same order");
        LoopbackPeer peer(greeting, [](vuSocketConnection& c) {
            c.writeUInt32(0x01020304u);
            c.writeUInt16(0xBEEF);
            c.writeUInt64(0x1122334455667788ull);
            c.writeFloat(-2.5f);
            c.writeDouble(1.0 / 3.0);
            const uint32_t words[3] = {7, 8, 9};
            c.writeUInt32Array(words, 3);
            c.flush();
            EXPECT_EQ(c.readUInt64(), 0x0102030405060708ull);  // what the client sends back
            EXPECT_EQ(c.readFloat(), 0.75f);
        });
        ASSERT_TRUE(peer.listening());
        vuSocketConnection client(64);
        ASSERT_EQ(connectClient(client, peer.port()), 0);
        EXPECT_TRUE(client.isConnected());
        EXPECT_EQ(client.swap(), reversed);
        uint8_t raw[4];
        client.read(raw, 4);  // little-endian on the wire, or big from the other order
        EXPECT_EQ(std::make_pair(int(raw[0]), int(raw[3])), reversed ? std::make_pair(1, 4) : std::make_pair(4, 1));
        EXPECT_EQ(client.readUInt16(), 0xBEEF);
        EXPECT_EQ(client.readUInt64(), 0x1122334455667788ull);
        EXPECT_EQ(client.readFloat(), -2.5f);
        EXPECT_EQ(client.readDouble(), 1.0 / 3.0);
        uint32_t words[3] = {};
        client.readUInt32Array(words, 3);
        EXPECT_EQ(std::make_pair(words[0], words[2]), std::make_pair(7u, 9u));
        client.writeUInt64(0x0102030405060708ull);
        client.writeFloat(0.75f);
        client.flush();
        peer.join();
        EXPECT_EQ(peer.accepted(), 0);
    }
}

TEST(SocketConnection, GreetingWordsAreCheckedInEitherOrder) {
    const struct {
        uint8_t bytes[8];
        int status;
        bool swap;
    } cases[] = {
        {{0x7C, 0x34, 0x0A, 0x5F, 42, 0, 0, 0}, 0, false},  // little-endian peer
        {{0x5F, 0x0A, 0x34, 0x7C, 0, 0, 0, 42}, 0, true},   // big-endian peer
        {{0x5F, 0x0A, 0x34, 0x7C, 42, 0, 0, 0}, 0, false},  // either form of the magic
        {{0x7D, 0x34, 0x0A, 0x5F, 42, 0, 0, 0}, 6, false},  // one bit off
        {{0, 0, 0, 0, 0, 0, 0, 0}, 6, false},
    };
    for (const auto& c : cases) {
        LoopbackPeer peer(vuGreeting::None, [&c](vuSocketConnection& s) {
            s.write(c.bytes, 8);
            s.flush();
        });
        vuSocketConnection client(64);
        EXPECT_EQ(connectClient(client, peer.port()), c.status) << int(c.bytes[0]) << " " << int(c.bytes[7]);
        EXPECT_EQ(client.isConnected(), c.status == 0);
        EXPECT_TRUE(c.status != 0 || client.swap() == c.swap);
        peer.join();
    }
}

TEST(SocketConnection, FailedConnectsReportTheirStatus) {
    int unusedPort;
    {
        vuSocketListener gone;
        ASSERT_EQ(gone.listen("127.0.0.1", 0), 0);
        unusedPort = gone.port();
    }
    vuSocketConnection client(64);
    EXPECT_EQ(connectClient(client, unusedPort), 5) << "no listener: refused";
    EXPECT_FALSE(client.isConnected());
    EXPECT_EQ(client.connect(nullptr, 80), 3);
    EXPECT_EQ(client.connect("127.0.0.1", 70000), 3);

    // A peer that closes before greeting, and one that accepts (the system
    // completes the handshake) but never greets.
    LoopbackPeer closing(vuGreeting::None, nullptr);
    EXPECT_EQ(connectClient(client, closing.port()), 6);
    closing.join();
    vuSocketListener silent;
    ASSERT_EQ(silent.listen("127.0.0.1", 0), 0);
    client.setConnectTimeout(0.2);
    const uint64_t start = hox::platform::monotonicMicroseconds();
    EXPECT_EQ(client.connect("127.0.0.1", silent.port()), 6);
    const uint64_t elapsed = hox::platform::monotonicMicroseconds() - start;
    EXPECT_GE(elapsed, 190000u);
    EXPECT_LT(elapsed, 2000000u);

    // A failed attempt does not stop a later one.
    LoopbackPeer good(vuGreeting::Native, nullptr);
    EXPECT_EQ(connectClient(client, good.port()), 0);
}

TEST(SocketConnection, ResolvesIPv6AndIPv4Addresses) {
    // By name: whether "localhost" has no IPv6 address here or its IPv6
    // attempt is refused, the IPv4 attempt connects.
    LoopbackPeer v4(vuGreeting::Native, nullptr);
    vuSocketConnection client(64);
    EXPECT_EQ(connectClient(client, v4.port(), "localhost"), 0);
    ASSERT_NE(client.peerAddress(), nullptr);
    EXPECT_EQ(static_cast<const sockaddr*>(client.peerAddress())->sa_family, AF_INET);
    v4.join();
    LoopbackPeer v6(vuGreeting::Native, nullptr, "::1");
    if (!v6.listening()) GTEST_SKIP() << "no IPv6 loopback";
    vuSocketConnection client6(64);
    EXPECT_EQ(connectClient(client6, v6.port(), "::1"), 0);
    EXPECT_EQ(static_cast<const sockaddr*>(client6.peerAddress())->sa_family, AF_INET6);
}

TEST(SocketConnection, TimedReceiveReturnsNothingAndKeepsTheConnection) {
    LoopbackPeer peer(vuGreeting::Native, [](vuSocketConnection& c) {
        EXPECT_EQ(c.readUInt32(), 1u);  // hold the connection open until told
        c.writeUInt32(99);
        c.flush();
    });
    vuSocketConnection client(64);
    ASSERT_EQ(connectClient(client, peer.port()), 0);
    char byte;
    int count = 1;
    const uint64_t start = hox::platform::monotonicMicroseconds();
    client.receiveRaw(&byte, count, 0.05);
    EXPECT_GE(hox::platform::monotonicMicroseconds() - start, 50000u);
    EXPECT_EQ(std::make_pair(count, client.status()), std::make_pair(0, 0));
    client.writeUInt32(1);
    client.flush();
    EXPECT_EQ(client.readUInt32(), 99u);
}

TEST(SocketConnection, PeerThatGoesAwayEndsReadsThenFailsSends) {
    LoopbackPeer peer(vuGreeting::Native, [](vuSocketConnection& c) {
        c.writeUInt32(5);
        c.flush();
    });
    vuSocketConnection client(64);
    ASSERT_EQ(connectClient(client, peer.port()), 0);
    EXPECT_EQ(client.readUInt32(), 5u);
    EXPECT_EQ(client.readUInt32(), 0u) << "end of data reads as zeros";
    EXPECT_TRUE(client.endOfData());
    EXPECT_TRUE(client.isConnected()) << "an orderly close is not a failure";
    peer.join();

    // Writing into the closed connection fails without SIGPIPE ending the
    // test: the first send may still be accepted, a later one is refused.
    char block[4096] = {};
    for (int i = 0; i < 200 && client.status() == 0; ++i) {
        client.write(block, sizeof block);
        client.flush();
    }
    EXPECT_EQ(client.status(), 1);
    EXPECT_FALSE(client.isConnected());
    client.write(block, 10);  // dropped
    client.flush();
    EXPECT_EQ(client.pending(), 0);
}

TEST(SocketConnection, InterruptEndsAReadThatWouldWaitForever) {
    std::atomic<bool> done{false};
    LoopbackPeer peer(vuGreeting::Native, [&done](vuSocketConnection& c) {
        while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(5));  // silent until then
        c.writeUInt32(1);
        c.flush();
    });
    vuSocketConnection client(64);
    ASSERT_EQ(connectClient(client, peer.port()), 0);
    std::thread reader([&] {
        EXPECT_EQ(client.readUInt32(), 0u);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    client.interrupt();
    reader.join();
    EXPECT_NE(client.connect("127.0.0.1", peer.port()), 0) << "an interrupted connection stays down";
}

TEST(BufferedConnection, WritesGoOutInWholeBuffersAndReadsAssembleValuesAcrossPackets) {
    std::vector<uint8_t> data(400), received;
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 1);
    std::vector<uint8_t> big(5000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i ^ (i >> 8));
    LoopbackPeer peer(vuGreeting::Native, [&](vuSocketConnection& c) {
        received = readBlock(c, 64 + 63 + 198);
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
        for (std::size_t done = 0; done < big.size(); done += 777) {
            c.write(big.data() + done, static_cast<int>(std::min<std::size_t>(big.size() - done, 777)));
            c.flush();
        }
    });
    vuSocketConnection client(64);
    ASSERT_EQ(connectClient(client, peer.port()), 0);
    client.write(data.data(), 64);  // exactly the buffer: sent at once
    EXPECT_EQ(client.pending(), 0);
    client.write(data.data() + 64, 63);
    EXPECT_EQ(client.pending(), 63);
    client.write(data.data() + 127, 198);  // 63 + 198: four buffers go out
    EXPECT_EQ(client.pending(), 5);
    client.flush();
    EXPECT_EQ(client.pending(), 0);

    EXPECT_EQ(client.readUInt32(), 0xA1B2C3D4u);
    EXPECT_EQ(client.readDouble(), 6.02214076e23);
    EXPECT_EQ(client.readByte(), big[0]);
    const std::vector<uint8_t> rest = readBlock(client, 4999);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), big.begin() + 1));
    EXPECT_FALSE(client.endOfData());
    EXPECT_EQ(client.readUInt16(), 0) << "then the peer closed";
    EXPECT_TRUE(client.endOfData());
    peer.join();
    ASSERT_EQ(received.size(), 325u);
    EXPECT_TRUE(std::equal(received.begin(), received.end(), data.begin()));
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
        char buffer[8] = "zzzzzzz";
        if (form == 1) client.readCString(buffer, 8);
        EXPECT_TRUE(form != 0 || client.readString().empty());
        EXPECT_TRUE(form != 2 || client.readCStringAlloc() == nullptr);
        EXPECT_STREQ(buffer, form == 1 ? "" : "zzzzzzz");
        EXPECT_TRUE(client.endOfData());
        EXPECT_EQ(client.readUInt32(), 0u) << "the next value is not read from the stream";
        client.close();
    }
}

TEST(ConnectionStrings, RandomBytesFromThePeerNeverCrashOrHang) {
    std::mt19937 random(20240611);
    int totalReads = 0;
    for (int round = 0; round < 40; ++round) {
        // Mostly zeros, so that many strings are read whole, among lengths
        // of every size (the first one over the limit ends the round).
        std::vector<uint8_t> garbage(3000);
        for (uint8_t& b : garbage) b = random() % 20 == 0 ? static_cast<uint8_t>(random()) : 0;
        LoopbackPeer peer(vuGreeting::Native, [&garbage](vuSocketConnection& c) {
            c.write(garbage.data(), static_cast<int>(garbage.size()));
            c.flush();
        });
        vuSocketConnection client(256);
        ASSERT_EQ(connectClient(client, peer.port()), 0);
        int reads = 0;
        for (char buffer[16]; !client.endOfData() && reads < 100000; ++reads) {
            switch (reads % 5) {
                case 0: client.readString(); break;
                case 1: {
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
    }
    EXPECT_GT(totalReads, 200) << "small lengths were read whole";
}

}  // namespace
