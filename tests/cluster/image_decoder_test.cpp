// View image data over a loopback connection: ImageSender → ImageDecoder.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cluster/image_decoder.h"
#include "cluster/image_sender.h"
#include "codec_test_support.h"
#include "hox/message_callback.h"
#include "platform/connection_test_support.h"
#include "util/cvars.h"
#include "util/messages.h"

namespace {

using hox::cluster::ImageCodecStatus;
using hox::cluster::ImageDecoder;
using hox::cluster::ImagePlanes;
using hox::cluster::ImageSender;
using namespace codec_test;
using vu_connection::vuGreeting;
using vu_connection::vuSocketConnection;
using vu_connection_test::connectClient;
using vu_connection_test::LoopbackPeer;

struct Received {
    std::vector<float> colour;
    std::vector<uint32_t> values;
    ImagePlanes planes(int width, int height) {
        colour.assign(static_cast<std::size_t>(width) * height * 4, -7.0f);
        values.assign(static_cast<std::size_t>(width) * height, 0u);
        return ImagePlanes{width, height, colour.data(), values.data()};
    }
};

uint32_t bitsOf(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

TEST(ImageDecoder, ImagesArriveWithTheirPerPixelPlaneInEitherByteOrder) {
    const int w = 37, h = 21;
    const std::vector<float> image = makeImage(Pattern::Gradient, w, h);
    for (vuGreeting order : {vuGreeting::Native, vuGreeting::Reversed}) {
        LoopbackPeer peer(order, [&](vuSocketConnection& c) {
            ImageSender sender;
            EXPECT_EQ(sender.sendImageData(c, image.data(), w, h, true, 0.25f), ImageCodecStatus::Ok);
            EXPECT_EQ(sender.sendImageData(c, image.data(), w, h, false, 0.25f), ImageCodecStatus::Ok);
            EXPECT_EQ(sender.lastColourBytes(), std::size_t(w) * h * 16);
            c.writeUInt32(0x600DF00Du);  // what follows the image data
            c.flush();
        });
        vuSocketConnection client(1000);
        ASSERT_EQ(connectClient(client, peer.port()), 0);
        ImageDecoder decoder;
        Received compressed, raw;
        ASSERT_EQ(decoder.receiveImageData(client, compressed.planes(w, h)), ImageCodecStatus::Ok);
        ASSERT_EQ(decoder.receiveImageData(client, raw.planes(w, h)), ImageCodecStatus::Ok);
        EXPECT_EQ(client.readUInt32(), 0x600DF00Du) << "the decoder read exactly the image data";
        EXPECT_LT(decoder.lastDecode().compressedBytes, std::size_t(w) * h * 4) << "compressed well below words";

        EXPECT_EQ(raw.colour, image) << "uncompressed pixels are copied bit for bit";
        for (int i = 0; i < w * h; ++i) {
            EXPECT_EQ(compressed.values[i], bitsOf(image[4 * i + 3]));
            EXPECT_EQ(bitsOf(compressed.colour[4 * i + 3]), bitsOf(image[4 * i + 3])) << "fourth component replaced";
            const double want = luminance(image[4 * i], image[4 * i + 1], image[4 * i + 2]);
            const double got = luminance(compressed.colour[4 * i], compressed.colour[4 * i + 1], compressed.colour[4 * i + 2]);
            EXPECT_NEAR(got / want, 1.0, 0.01) << i;
        }
        peer.join();
    }
}

TEST(ImageDecoder, BadCountsAndStreamsAreReportedAndKeepTheConnectionInStep) {
    const int w = 8, h = 4;  // two blocks: at most 130 bytes compressed, 512 raw
    LoopbackPeer peer(vuGreeting::Native, [&](vuSocketConnection& c) {
        const auto values = [&c] {
            c.writeUInt32(w * h * 4);
            std::vector<uint8_t> v(w * h * 4, 0x11);
            c.write(v.data(), static_cast<int>(v.size()));
        };
        // 1: compressed stream one block short.
        c.writeUInt32(1);
        c.writeUInt32(5);
        c.write("\x01\x00\x00\x00\x80", 5);
        values();
        c.writeUInt32(0xA1);
        // 2: an uncompressed block of the wrong size.
        c.writeUInt32(0);
        c.writeUInt32(100);
        c.write(std::vector<uint8_t>(100).data(), 100);
        values();
        c.writeUInt32(0xA2);
        // 3: a per-pixel plane of the wrong size.
        c.writeUInt32(1);
        c.writeUInt32(2);
        c.write("\x00\x00", 2);
        c.writeUInt32(3);
        c.write("abc", 3);
        c.writeUInt32(0xA3);
        // 4: a count no image of this size could need.
        c.writeUInt32(1);
        c.writeUInt32(0x7FFFFFFF);
        c.flush();
        c.readByte();  // stay open until the client is done
    });
    vuSocketConnection client(64);
    ASSERT_EQ(connectClient(client, peer.port()), 0);
    ImageDecoder decoder;
    Received r;
    EXPECT_EQ(decoder.receiveImageData(client, r.planes(w, h)), ImageCodecStatus::Truncated);
    EXPECT_EQ(client.readUInt32(), 0xA1u);
    EXPECT_EQ(decoder.receiveImageData(client, r.planes(w, h)), ImageCodecStatus::WrongByteCount);
    EXPECT_EQ(client.readUInt32(), 0xA2u);
    EXPECT_EQ(decoder.receiveImageData(client, r.planes(w, h)), ImageCodecStatus::WrongByteCount);
    EXPECT_EQ(client.readUInt32(), 0xA3u);
    EXPECT_EQ(decoder.receiveImageData(client, r.planes(w, h)), ImageCodecStatus::ByteCountTooLarge);
    EXPECT_EQ(decoder.receiveImageData(client, ImagePlanes{0, 4, r.colour.data(), nullptr}), ImageCodecStatus::BadImage);
    client.close();
    peer.join();
}

TEST(ImageDecoder, APeerThatStopsMidImageIsAConnectionLoss) {
    LoopbackPeer peer(vuGreeting::Native, [](vuSocketConnection& c) {
        c.writeUInt32(1);
        c.writeUInt32(65);
        c.write("\x02\x00\x00", 3);  // 62 bytes short
        c.flush();
    });
    vuSocketConnection client(64);
    ASSERT_EQ(connectClient(client, peer.port()), 0);
    ImageDecoder decoder;
    Received r;
    EXPECT_EQ(decoder.receiveImageData(client, r.planes(4, 4)), ImageCodecStatus::ConnectionLost);
    peer.join();
}

struct StatsCapture : hox::IMessageCallback {
    void message(int level, const char* text) override {
        levels.push_back(level);
        texts.push_back(text);
    }
    void warning(const char*) override {}
    void error(const char*) override {}
    std::vector<std::string> texts;
    std::vector<int> levels;
};

TEST(ImageDecoder, CompressionStatisticsArePrintedWhenAskedFor) {
    const int w = 64, h = 64;
    const std::vector<float> image = makeImage(Pattern::Mixed, w, h);
    LoopbackPeer peer(vuGreeting::Native, [&](vuSocketConnection& c) {
        ImageSender sender;
        sender.sendImageData(c, image.data(), w, h, true, 0.25f);
        sender.sendImageData(c, image.data(), w, h, true, 0.25f);
        c.flush();
    });
    vuSocketConnection client(4096);
    ASSERT_EQ(connectClient(client, peer.port()), 0);
    StatsCapture capture;
    hox::util::setMessageCallback(&capture);
    ImageDecoder decoder;
    Received r;
    ASSERT_EQ(decoder.receiveImageData(client, r.planes(w, h)), ImageCodecStatus::Ok);
    EXPECT_TRUE(capture.texts.empty()) << "off by default";
    hox::util::rt_compressionStats.set(true);
    ASSERT_EQ(decoder.receiveImageData(client, r.planes(w, h)), ImageCodecStatus::Ok);
    hox::util::rt_compressionStats.set(false);
    hox::util::setMessageCallback(nullptr);
    peer.join();

    ASSERT_EQ(capture.texts.size(), 1u);
    EXPECT_EQ(capture.levels[0], 0);
    double rate = 0, ratio = 0;
    ASSERT_EQ(std::sscanf(capture.texts[0].c_str(), "decomp: %lf MB/s, ratio: %lf percent", &rate, &ratio), 2)
        << capture.texts[0];
    EXPECT_GT(rate, 0.0);
    const double saved = 100.0 - 100.0 * static_cast<double>(decoder.lastDecode().compressedBytes) / (w * h * 16);
    EXPECT_NEAR(ratio, saved, 0.051);
    EXPECT_GT(ratio, 75.0) << "a quarter black, a quarter flat";
}

}  // namespace
