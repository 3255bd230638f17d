// ImageDecoder on the image data of a view image: bad counts and streams,
// a peer that stops mid-image, and the compression statistics. The bytes
// come from memory; the good path is in cluster_protocol_test.cpp.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cluster/image_decoder.h"
#include "cluster/image_sender.h"
#include "codec_test_support.h"
#include "message_log.h"
#include "platform/vu_memory_connection.h"
#include "util/cvars.h"
#include "util/messages.h"

namespace {

using hox::cluster::ImageCodecStatus;
using hox::cluster::ImageDecoder;
using hox::cluster::ImagePlanes;
using vu_connection::vuMemoryConnection;

// Planes for the decoder, pre-filled so that unwritten pixels show.
struct Received {
    std::vector<float> colour;
    std::vector<uint32_t> values;
    ImagePlanes planes(int width, int height) {
        colour.assign(static_cast<std::size_t>(width) * height * 4, -7.0f);
        values.assign(static_cast<std::size_t>(width) * height, 0u);
        return ImagePlanes{width, height, colour.data(), values.data()};
    }
};

TEST(ImageDecoder, BadCountsAndStreamsAreReportedAndKeepTheConnectionInStep) {
    const int w = 8, h = 4;  // two blocks: at most 130 bytes compressed, 512 raw
    vuMemoryConnection peer(nullptr, 0);
    const auto values = [&peer] {
        peer.writeUInt32(w * h * 4);
        const std::vector<uint8_t> v(w * h * 4, 0x11);
        peer.write(v.data(), static_cast<int>(v.size()));
    };
    // 1: a compressed stream one block short.
    peer.writeUInt32(1);
    peer.writeUInt32(5);
    peer.write("\x01\x00\x00\x00\x80", 5);
    values();
    peer.writeUInt32(0xA1);
    // 2: an uncompressed block of the wrong size.
    peer.writeUInt32(0);
    peer.writeUInt32(100);
    peer.write(std::vector<uint8_t>(100).data(), 100);
    values();
    peer.writeUInt32(0xA2);
    // 3: a per-pixel plane of the wrong size.
    peer.writeUInt32(1);
    peer.writeUInt32(2);
    peer.write("\x00\x00", 2);
    peer.writeUInt32(3);
    peer.write("abc", 3);
    peer.writeUInt32(0xA3);
    // 4: a count no image of this size could need.
    peer.writeUInt32(1);
    peer.writeUInt32(0x7FFFFFFF);
    // 5: a peer that stops in the middle of the image (62 bytes short).
    peer.writeUInt32(1);
    peer.writeUInt32(65);
    peer.write("\x02\x00\x00", 3);
    peer.flush();

    vuMemoryConnection client(peer.sent().data(), peer.sent().size(), 64);
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
    EXPECT_EQ(decoder.receiveImageData(client, r.planes(4, 4)), ImageCodecStatus::ConnectionLost);
}

TEST(ImageDecoder, CompressionStatisticsArePrintedWhenAskedFor) {
    const int w = 64, h = 64;
    const std::vector<float> image = codec_test::makeImage(codec_test::Pattern::Mixed, w, h);
    vuMemoryConnection peer(nullptr, 0);
    hox::cluster::ImageSender sender;
    for (int i = 0; i < 2; ++i) ASSERT_EQ(sender.sendImageData(peer, image.data(), w, h, true, 0.25f), ImageCodecStatus::Ok);
    peer.flush();
    vuMemoryConnection client(peer.sent().data(), peer.sent().size());
    cluster_test::MessageLog log;
    hox::util::setMessageCallback(&log);
    ImageDecoder decoder;
    Received r;
    ASSERT_EQ(decoder.receiveImageData(client, r.planes(w, h)), ImageCodecStatus::Ok);
    EXPECT_TRUE(log.lines().empty()) << "off by default";
    hox::util::rt_compressionStats.set(true);
    ASSERT_EQ(decoder.receiveImageData(client, r.planes(w, h)), ImageCodecStatus::Ok);
    hox::util::rt_compressionStats.set(false);
    hox::util::setMessageCallback(nullptr);

    const std::vector<std::string> lines = log.lines('m');
    ASSERT_EQ(log.lines().size(), 1u);
    ASSERT_EQ(lines.size(), 1u) << "at the normal level";
    double rate = 0, ratio = 0;
    ASSERT_EQ(std::sscanf(lines[0].c_str(), "decomp: %lf MB/s, ratio: %lf percent", &rate, &ratio), 2) << lines[0];
    EXPECT_GT(rate, 0.0);
    const double saved = 100.0 - 100.0 * static_cast<double>(decoder.lastDecode().compressedBytes) / (w * h * 16);
    EXPECT_NEAR(ratio, saved, 0.051);
    EXPECT_GT(ratio, 75.0) << "a quarter black, a quarter flat";
}

}  // namespace
