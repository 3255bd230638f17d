// Socket connections on loopback: greeting, byte order, statuses.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "connection_test_support.h"
#include "platform/clock.h"

namespace {

using namespace vu_connection;
using vu_connection_test::connectClient;
using vu_connection_test::LoopbackPeer;

// A port on which nothing listens: one the system just handed out and took
// back.
int unusedPort() {
    vuSocketListener listener;
    EXPECT_EQ(listener.listen("127.0.0.1", 0), 0);
    return listener.port();
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
        EXPECT_EQ(raw[0], reversed ? 0x01 : 0x04);
        EXPECT_EQ(raw[3], reversed ? 0x04 : 0x01);
        EXPECT_EQ(client.readUInt16(), 0xBEEF);
        EXPECT_EQ(client.readUInt64(), 0x1122334455667788ull);
        EXPECT_EQ(client.readFloat(), -2.5f);
        EXPECT_EQ(client.readDouble(), 1.0 / 3.0);
        uint32_t words[3] = {};
        client.readUInt32Array(words, 3);
        EXPECT_EQ(words[0], 7u);
        EXPECT_EQ(words[2], 9u);
        client.writeUInt64(0x0102030405060708ull);
        client.writeFloat(0.75f);
        client.flush();
        peer.join();
        EXPECT_EQ(peer.accepted(), 0);
    }
}

TEST(SocketConnection, GreetingWordsAreCheckedInEitherOrder) {
    struct Case {
        uint8_t bytes[8];
        int status;
        bool swap;
    };
    const Case cases[] = {
        {{0x7C, 0x34, 0x0A, 0x5F, 42, 0, 0, 0}, 0, false},         // little-endian peer
        {{0x5F, 0x0A, 0x34, 0x7C, 0, 0, 0, 42}, 0, true},          // big-endian peer
        {{0x5F, 0x0A, 0x34, 0x7C, 42, 0, 0, 0}, 0, false},         // either form of the magic
        {{0x7D, 0x34, 0x0A, 0x5F, 42, 0, 0, 0}, 6, false},         // one bit off
        {{0x00, 0x00, 0x00, 0x00, 0, 0, 0, 0}, 6, false},
    };
    for (const Case& c : cases) {
        LoopbackPeer peer(vuGreeting::None, [&c](vuSocketConnection& s) {
            s.write(c.bytes, 8);
            s.flush();
        });
        vuSocketConnection client(64);
        EXPECT_EQ(connectClient(client, peer.port()), c.status) << int(c.bytes[0]) << " " << int(c.bytes[7]);
        EXPECT_EQ(client.isConnected(), c.status == 0);
        if (c.status == 0) {
            EXPECT_EQ(client.swap(), c.swap);
        }
        peer.join();
    }
}

TEST(SocketConnection, FailedConnectsReportTheirStatus) {
    vuSocketConnection client(64);
    EXPECT_EQ(connectClient(client, unusedPort()), 5) << "no listener: refused";
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
    good.join();
}

TEST(SocketConnection, ResolvesIPv6AndIPv4Addresses) {
    // An IPv4 listener reached by name: whether the name has no IPv6 address
    // here or its IPv6 attempt is refused, the IPv4 attempt connects.
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
    v6.join();
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
    EXPECT_EQ(count, 0);
    EXPECT_EQ(client.status(), 0);
    client.writeUInt32(1);
    client.flush();
    EXPECT_EQ(client.readUInt32(), 99u);
    peer.join();
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
        // Silent until the client has been interrupted.
        while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
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
    EXPECT_TRUE(done);
    EXPECT_NE(client.connect("127.0.0.1", peer.port()), 0) << "an interrupted connection stays down";
    peer.join();
}

}  // namespace
