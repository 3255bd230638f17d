// The cluster protocol without sockets: record messages, the growing sink,
// and the image connection's message reader fed from memory, hostile input
// included. The other command messages are checked in the engine tests.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cluster/growing_byte_sink.h"
#include "cluster/image_message_reader.h"
#include "cluster/image_sender.h"
#include "cluster/record_sender.h"
#include "codec_test_support.h"
#include "message_log.h"
#include "platform/vu_memory_connection.h"
#include "scene/object_table.h"
#include "util/memory_stream.h"
#include "util/messages.h"

namespace {

using hox::cluster::ImageMessageReader;
using hox::cluster::ReadOutcome;
using hox::cluster::ViewImage;
using vu_connection::vuMemoryConnection;

void putWords(std::vector<uint8_t>& bytes, const std::vector<uint32_t>& words) {
    if (words.empty()) return;  // memcpy may not be handed the null data of an empty vector
    const std::size_t at = bytes.size();
    bytes.resize(at + words.size() * 4);
    std::memcpy(bytes.data() + at, words.data(), words.size() * 4);
}

uint32_t floatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

TEST(ClusterCommands, TheSinkGrowsInSixteenMebibyteStepsAndKeepsItsMemory) {
    hox::cluster::GrowingByteSink sink;
    EXPECT_EQ(sink.capacity(), 0);
    const std::vector<uint8_t> block(1000, 0xAB);
    EXPECT_EQ(sink.write(block.data(), 1000), 1000);
    EXPECT_EQ(sink.capacity(), 16 << 20);
    const std::vector<uint8_t> big((16 << 20) - 1000 + 1, 1);
    EXPECT_EQ(sink.write(big.data(), static_cast<int>(big.size())), static_cast<int>(big.size()));
    EXPECT_EQ(sink.size(), (16 << 20) + 1);
    EXPECT_EQ(sink.capacity(), 32 << 20);
    EXPECT_EQ(std::make_pair(sink.data()[999], sink.data()[1000]), std::make_pair(uint8_t(0xAB), uint8_t(1)));
    sink.clear();
    EXPECT_EQ(sink.size(), 0);
    EXPECT_EQ(sink.capacity(), 32 << 20) << "the memory is kept for the next message";
    EXPECT_EQ(sink.write(nullptr, 4), 0);
}

TEST(ClusterRecords, RecordMessagesCarryTheRecordAsTheTableWritesIt) {
    hox::scene::ObjectTable table;
    table.create(hox::CLASS_TYPE_CAMERA);
    const int second = table.create(hox::CLASS_TYPE_CAMERA);
    ASSERT_GE(second, 0);

    vuMemoryConnection c(nullptr, 0);
    hox::cluster::RecordSender sender(c, &table);
    const int sent = sender.sendRecord(42, hox::CLASS_TYPE_CAMERA, second);
    hox::util::MemorySink expected;
    hox::util::OutputStream out(&expected);
    table.writeObject(hox::CLASS_TYPE_CAMERA, second, out);
    out.flush();
    const int n = static_cast<int>(expected.size());
    ASSERT_GT(n, 0);
    EXPECT_EQ(sent, 24 + n);
    ASSERT_EQ(c.sent().size(), static_cast<std::size_t>(24 + n));
    std::vector<int32_t> header(6);
    std::memcpy(header.data(), c.sent().data(), 24);
    EXPECT_EQ(header, (std::vector<int32_t>{8, 16 + n, 42, hox::CLASS_TYPE_CAMERA, second, n}));
    EXPECT_EQ(std::vector<uint8_t>(c.sent().begin() + 24, c.sent().end()), expected.bytes());
    EXPECT_EQ(sender.sendRecord(1, hox::CLASS_TYPE_CAMERA, 77), 0) << "a missing object sends nothing";
}

// Records what the reader hands over.
struct Collected : hox::cluster::ImageMessageHandler {
    std::vector<ViewImage> images;
    std::vector<std::vector<float>> pixels;
    std::vector<std::vector<uint32_t>> values;
    std::vector<int> errors;
    std::vector<float> progress;
    void onViewImage(const ViewImage& image) override {
        images.push_back(image);
        pixels.emplace_back(image.planes.colour, image.planes.colour + image.planes.pixelCount() * 4);
        values.emplace_back(image.planes.values, image.planes.values + image.planes.pixelCount());
    }
    void onClusterError(int32_t code) override { errors.push_back(code); }
    void onProgress(float p) override { progress.push_back(p); }
};

class ImageMessages : public ::testing::Test {
protected:
    void SetUp() override { hox::util::setMessageCallback(&log); }
    void TearDown() override { hox::util::setMessageCallback(nullptr); }

    // Reads messages until one ends the stream; returns every outcome.
    std::vector<ReadOutcome> readAll(const std::vector<uint8_t>& bytes, bool swap = false) {
        handler = Collected();
        vuMemoryConnection c(bytes.data(), bytes.size());
        c.setSwap(swap);
        std::vector<ReadOutcome> outcomes;
        for (int i = 0; i < 32; ++i) {
            outcomes.push_back(reader.readMessage(c, handler));
            if (outcomes.back() != ReadOutcome::Handled && outcomes.back() != ReadOutcome::Unknown) break;
        }
        return outcomes;
    }
    bool errorMentions(const std::string& text) { return log.contains(text, 'e'); }

    cluster_test::MessageLog log;
    ImageMessageReader reader{1 << 16};
    Collected handler;
};

TEST_F(ImageMessages, SmallMessagesUnknownTypesAndTheEnds) {
    std::vector<uint8_t> bytes;
    putWords(bytes, {14, 4, floatBits(0.25f), 13, 4, 77});
    putWords(bytes, {99, 8});  // unknown: its payload is not read
    putWords(bytes, {14, 4, floatBits(0.75f), 17, 0});
    putWords(bytes, {14, 4, floatBits(0.5f)});  // after the end: never read
    EXPECT_EQ(readAll(bytes), (std::vector<ReadOutcome>{ReadOutcome::Handled, ReadOutcome::Handled,
                                                        ReadOutcome::Unknown, ReadOutcome::Handled,
                                                        ReadOutcome::Finished}));
    EXPECT_EQ(handler.progress, (std::vector<float>{0.25f, 0.75f}));
    EXPECT_EQ(handler.errors, std::vector<int>{77});
    EXPECT_TRUE(errorMentions("cluster error code: 77"));
    EXPECT_EQ(log.lines('w'), std::vector<std::string>{"RenderEngineCluster: unknown message type = 99\n"});

    // Type 0, the end of the data (read as type 0), a cut payload and an
    // image whose data stops early are a loss.
    for (const std::vector<uint32_t>& words :
         {std::vector<uint32_t>{0, 0}, {}, {14, 4}, {12, 24, 1, 0, 4, 4, 0, 0, 1, 65, 0x02}}) {
        std::vector<uint8_t> lost;
        putWords(lost, words);
        EXPECT_EQ(readAll(lost), std::vector<ReadOutcome>{ReadOutcome::Lost}) << words.size();
    }
}

TEST_F(ImageMessages, ViewImagesArriveRawAndCompressedInEitherByteOrder) {
    const int w = 37, h = 21;
    const std::vector<float> rgba = codec_test::makeImage(codec_test::Pattern::Gradient, w, h);
    for (bool swap : {false, true}) {
        for (bool compress : {false, true}) {
            SCOPED_TRACE(std::string(swap ? "swapped" : "native") + (compress ? " compressed" : " raw"));
            vuMemoryConnection encoder(nullptr, 0);
            encoder.setSwap(swap);
            const uint32_t header[8] = {12, 24, 3, 1, w, h, 2, 4};
            encoder.write(header, 32);  // the framing is raw, never swapped
            hox::cluster::ImageSender sender;
            ASSERT_EQ(sender.sendImageData(encoder, rgba.data(), w, h, compress, 0.25f),
                      hox::cluster::ImageCodecStatus::Ok);
            const uint32_t progress[3] = {14, 4, floatBits(0.5f)};  // read only if the image was read exactly
            encoder.write(progress, 12);
            encoder.flush();
            EXPECT_EQ(readAll(encoder.sent(), swap),
                      (std::vector<ReadOutcome>{ReadOutcome::Handled, ReadOutcome::Handled, ReadOutcome::Lost}));
            EXPECT_EQ(handler.progress, std::vector<float>{0.5f});
            ASSERT_EQ(handler.images.size(), 1u);
            const ViewImage& image = handler.images[0];
            EXPECT_EQ((std::vector<int>{image.frame, image.view, image.planes.width, image.planes.height,
                                        image.samplingLevel, image.passCount}),
                      (std::vector<int>{3, 1, w, h, 2, 4}));
            const std::vector<float>& got = handler.pixels[0];
            EXPECT_TRUE(compress || got == rgba) << "uncompressed pixels are copied bit for bit";
            for (int i = 0; i < w * h; ++i) {
                const float* in = &rgba[4 * i];
                const float* out = &got[4 * i];
                EXPECT_EQ(handler.values[0][i], floatBits(in[3])) << "the per-pixel plane";
                EXPECT_EQ(floatBits(out[3]), floatBits(in[3])) << "fourth component replaced";
                EXPECT_NEAR(codec_test::luminance(out[0], out[1], out[2]) / codec_test::luminance(in[0], in[1], in[2]),
                            1.0, 0.01)
                    << i;
            }
        }
    }
}

TEST_F(ImageMessages, HostileMessagesAreRejectedWithAnError) {
    struct Case {
        const char* name;
        std::vector<uint32_t> words;
        const char* error;
    };
    const uint32_t big = 0x7FFFFFF0u;
    const std::vector<Case> cases = {
        {"negative length", {12, 0xFFFFFFF0u}, "payload of -16 bytes"},
        {"length past the buffer", {14, big}, "rejected"},
        {"payload too short for an image", {12, 8, 1, 2}, "payload of 8 bytes"},
        {"negative width", {12, 24, 1, 0, 0xFFFFFFFFu, 4, 0, 0}, "view image of -1 x 4 pixels rejected"},
        {"absurd size", {12, 24, 1, 0, 100000, 100000, 0, 0}, "view image of 100000 x 100000"},
        {"colour count above the image", {12, 24, 1, 0, 2, 2, 0, 0, 0, big}, "rejected"},
        {"colour count not matching", {12, 24, 1, 0, 2, 2, 0, 0, 0, 4, 1}, "rejected"},
        {"truncated block stream", {12, 24, 1, 0, 2, 2, 0, 0, 1, 4, 0x01010101u, 16, 0, 0, 0, 0}, "rejected"},
        {"mode-3 block past the end", {12, 24, 1, 0, 2, 2, 0, 0, 1, 8, 0xFFu, 0, 16, 0, 0, 0, 0}, "rejected"},
        {"bytes after the last block", {12, 24, 1, 0, 2, 2, 0, 0, 1, 4, 0, 16, 0, 0, 0, 0}, "rejected"},
        {"per-pixel count not matching", {12, 24, 1, 0, 1, 1, 0, 0, 0, 16, 0, 0, 0, 0, 8, 0, 0}, "rejected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes;
        putWords(bytes, c.words);
        putWords(bytes, {14, 4, floatBits(0.5f)});  // never reached
        EXPECT_EQ(readAll(bytes).back(), ReadOutcome::Malformed);
        EXPECT_TRUE(errorMentions(c.error));
        EXPECT_TRUE(handler.images.empty());
        EXPECT_TRUE(handler.progress.empty());
    }
}

}  // namespace
