// The cluster protocol without sockets: the command messages' bytes, the
// record and frame messages, the growing sink, and the image connection's
// message reader fed from memory, hostile input included.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cluster/command_messages.h"
#include "cluster/growing_byte_sink.h"
#include "cluster/image_message_reader.h"
#include "cluster/image_sender.h"
#include "cluster/record_sender.h"
#include "device/device_test_support.h"
#include "engine/frame_slot.h"
#include "engine/frame_slot_serialization.h"
#include "platform/vu_memory_connection.h"
#include "scene/object_table.h"
#include "util/memory_stream.h"

namespace {

using hox::cluster::ImageMessageReader;
using hox::cluster::ReadOutcome;
using hox::cluster::ViewImage;
using vu_connection::vuMemoryConnection;

std::vector<int32_t> wordsOf(const std::vector<uint8_t>& bytes) {
    std::vector<int32_t> words(bytes.size() / 4);
    std::memcpy(words.data(), bytes.data(), words.size() * 4);
    return words;
}

void putWords(std::vector<uint8_t>& bytes, const std::vector<uint32_t>& words) {
    const std::size_t at = bytes.size();
    bytes.resize(at + words.size() * 4);
    std::memcpy(bytes.data() + at, words.data(), words.size() * 4);
}

uint32_t floatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

TEST(ClusterCommands, FixedMessagesHaveTheirDocumentedWords) {
    vuMemoryConnection c(nullptr, 0);
    hox::cluster::sendHello(c, 8, 7);
    hox::cluster::sendCreate(c, 1, 3, 9);
    hox::cluster::sendDestroy(c, 4, (11u << 28) | 5u);
    hox::cluster::sendAbort(c, 6);
    hox::cluster::sendShutdown(c);
    EXPECT_EQ(c.pending(), 0) << "every message is flushed at once";
    const std::vector<int32_t> expected = {1, 12, 8, 7, 50,  6, 12, 1, 3, 9,  7, 12, 4, 11, 5,  9, 4, 6,  17, 0};
    EXPECT_EQ(wordsOf(c.sent()), expected);
}

TEST(ClusterCommands, TheSinkGrowsInSixteenMebibyteSteps) {
    hox::cluster::GrowingByteSink sink;
    EXPECT_EQ(sink.capacity(), 0);
    const std::vector<uint8_t> block(1000, 0xAB);
    EXPECT_EQ(sink.write(block.data(), 1000), 1000);
    EXPECT_EQ(sink.capacity(), 16 << 20);
    std::vector<uint8_t> big((16 << 20) - 1000 + 1, 1);
    EXPECT_EQ(sink.write(big.data(), static_cast<int>(big.size())), static_cast<int>(big.size()));
    EXPECT_EQ(sink.size(), (16 << 20) + 1);
    EXPECT_EQ(sink.capacity(), 32 << 20);
    EXPECT_EQ(sink.data()[999], 0xAB);
    EXPECT_EQ(sink.data()[1000], 1);
    sink.clear();
    EXPECT_EQ(sink.size(), 0);
    EXPECT_EQ(sink.capacity(), 32 << 20) << "the memory is kept for the next message";
    EXPECT_EQ(sink.write(nullptr, 4), 0);
}

TEST(ClusterRecords, RecordMessagesCarryTheRecordAsTheTableWritesIt) {
    hox::scene::ObjectTable table;
    const int camera = table.create(hox::CLASS_TYPE_CAMERA);
    const int view = table.create(hox::CLASS_TYPE_RENDER_VIEW);
    const int second = table.create(hox::CLASS_TYPE_CAMERA);
    ASSERT_GE(camera, 0);
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
    const std::vector<int32_t> words = wordsOf(c.sent());
    const std::vector<int32_t> header(words.begin(), words.begin() + 6);
    EXPECT_EQ(header, (std::vector<int32_t>{8, 16 + n, 42, hox::CLASS_TYPE_CAMERA, second, n}));
    EXPECT_EQ(std::vector<uint8_t>(c.sent().begin() + 24, c.sent().end()), expected.bytes());

    EXPECT_EQ(sender.sendRecord(1, hox::CLASS_TYPE_CAMERA, 77), 0) << "a missing object sends nothing";

    // The whole table: render views come before cameras in the table's order.
    vuMemoryConnection all(nullptr, 0);
    hox::cluster::RecordSender allSender(all, &table);
    EXPECT_EQ(allSender.sendAllRecords(5), 3);
    std::vector<std::pair<int, int>> order;
    std::size_t at = 0;
    while (at + 24 <= all.sent().size()) {
        int32_t h[6];
        std::memcpy(h, all.sent().data() + at, 24);
        EXPECT_EQ(h[0], 8);
        EXPECT_EQ(h[2], 5) << "one frame field for the whole scene";
        order.emplace_back(h[3], h[4]);
        at += 8 + static_cast<std::size_t>(h[1]);
    }
    EXPECT_EQ(at, all.sent().size());
    EXPECT_EQ(order, (std::vector<std::pair<int, int>>{
                         {hox::CLASS_TYPE_RENDER_VIEW, view}, {hox::CLASS_TYPE_CAMERA, camera}, {hox::CLASS_TYPE_CAMERA, second}}));
}

TEST(ClusterRecords, FrameMessagesCarryTheSerialisedSlot) {
    hox::engine::FrameSlot slot;
    slot.frameNumber = 9;
    slot.settings.setting7 = 123;
    vuMemoryConnection c(nullptr, 0);
    hox::cluster::RecordSender sender(c, nullptr);
    const int sent = sender.sendFrame(slot);
    const std::vector<int32_t> words = wordsOf(c.sent());
    ASSERT_GE(words.size(), 4u);
    EXPECT_EQ(words[0], 4);
    EXPECT_EQ(words[1], 8 + words[3]);
    EXPECT_EQ(words[2], 9);
    EXPECT_EQ(sent, 16 + words[3]);
    ASSERT_EQ(c.sent().size(), static_cast<std::size_t>(sent));

    hox::util::MemorySource source(c.sent().data() + 16, static_cast<std::size_t>(words[3]));
    hox::util::InputStream in(&source);
    hox::engine::DecodedFrame frame;
    ASSERT_TRUE(hox::engine::readFrameSlot(in, frame));
    EXPECT_EQ(frame.frameNumber, 9);
    EXPECT_EQ(frame.settings.setting7, 123);
    EXPECT_TRUE(frame.views.empty());
    EXPECT_EQ(source.remaining(), 0u);
}

// Records what the reader hands over.
struct Collected : hox::cluster::ImageMessageHandler {
    std::vector<ViewImage> images;
    std::vector<std::vector<float>> pixels;
    std::vector<int> errors;
    std::vector<float> progress;
    void onViewImage(const ViewImage& image) override {
        images.push_back(image);
        pixels.emplace_back(image.planes.colour, image.planes.colour + image.planes.pixelCount() * 4);
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
        vuMemoryConnection c(bytes.data(), bytes.size());
        c.setSwap(swap);
        std::vector<ReadOutcome> outcomes;
        for (int i = 0; i < 32; ++i) {
            outcomes.push_back(reader.readMessage(c, handler));
            if (outcomes.back() != ReadOutcome::Handled && outcomes.back() != ReadOutcome::Unknown) break;
        }
        return outcomes;
    }
    bool errorMentions(const std::string& text) const {
        for (const std::string& e : log.errors())
            if (e.find(text) != std::string::npos) return true;
        return false;
    }

    hox::testing_support::MessageLog log;
    ImageMessageReader reader{1 << 16};
    Collected handler;
};

TEST_F(ImageMessages, SmallMessagesUnknownTypesAndTheEnds) {
    std::vector<uint8_t> bytes;
    putWords(bytes, {14, 4, floatBits(0.25f)});
    putWords(bytes, {13, 4, 77});
    putWords(bytes, {99, 8});  // unknown: its payload is not read
    putWords(bytes, {14, 4, floatBits(0.75f)});
    putWords(bytes, {17, 0});
    putWords(bytes, {14, 4, floatBits(0.5f)});  // after the end: never read
    const std::vector<ReadOutcome> outcomes = readAll(bytes);
    EXPECT_EQ(outcomes, (std::vector<ReadOutcome>{ReadOutcome::Handled, ReadOutcome::Handled, ReadOutcome::Unknown,
                                                   ReadOutcome::Handled, ReadOutcome::Finished}));
    EXPECT_EQ(handler.progress, (std::vector<float>{0.25f, 0.75f}));
    EXPECT_EQ(handler.errors, std::vector<int>{77});
    EXPECT_TRUE(errorMentions("cluster error code: 77"));
    ASSERT_EQ(log.warnings().size(), 1u);
    EXPECT_EQ(log.warnings()[0], "RenderEngineCluster: unknown message type = 99\n");

    std::vector<uint8_t> zero;
    putWords(zero, {0, 0});
    EXPECT_EQ(readAll(zero), std::vector<ReadOutcome>{ReadOutcome::Lost});
    EXPECT_EQ(readAll({}), std::vector<ReadOutcome>{ReadOutcome::Lost}) << "end of data reads as type 0";
    std::vector<uint8_t> cut;
    putWords(cut, {14, 4});
    EXPECT_EQ(readAll(cut), std::vector<ReadOutcome>{ReadOutcome::Lost}) << "a payload cut short";
}

TEST_F(ImageMessages, ViewImagesDecodeRawAndCompressedInEitherByteOrder) {
    const int w = 5, h = 3;
    std::vector<float> rgba(w * h * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = 0.1f + 0.01f * static_cast<float>(i);
    for (bool swap : {false, true}) {
        for (bool compress : {false, true}) {
            vuMemoryConnection encoder(nullptr, 0);
            encoder.setSwap(swap);
            const std::vector<uint32_t> header = {12, 24, 3, 1, w, h, 2, 4};
            encoder.write(header.data(), 32);  // the framing is raw, never swapped
            hox::cluster::ImageSender sender;
            ASSERT_EQ(sender.sendImageData(encoder, rgba.data(), w, h, compress, 0.0f),
                      hox::cluster::ImageCodecStatus::Ok);
            encoder.flush();
            handler = Collected();
            EXPECT_EQ(readAll(encoder.sent(), swap), (std::vector<ReadOutcome>{ReadOutcome::Handled, ReadOutcome::Lost}));
            ASSERT_EQ(handler.images.size(), 1u);
            const ViewImage& image = handler.images[0];
            EXPECT_EQ(image.frame, 3);
            EXPECT_EQ(image.view, 1);
            EXPECT_EQ(image.planes.width, w);
            EXPECT_EQ(image.planes.height, h);
            EXPECT_EQ(image.samplingLevel, 2);
            EXPECT_EQ(image.passCount, 4);
            for (std::size_t i = 0; i < rgba.size(); ++i) {
                if (compress)
                    EXPECT_NEAR(handler.pixels[0][i], rgba[i], rgba[i] * 0.02f) << i;
                else
                    EXPECT_EQ(handler.pixels[0][i], rgba[i]) << i;
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
        std::vector<uint8_t> bytes;
        putWords(bytes, c.words);
        putWords(bytes, {14, 4, floatBits(0.5f)});  // never reached
        handler = Collected();
        const std::vector<ReadOutcome> outcomes = readAll(bytes);
        EXPECT_EQ(outcomes.back(), ReadOutcome::Malformed) << c.name;
        EXPECT_TRUE(errorMentions(c.error)) << c.name;
        EXPECT_TRUE(handler.images.empty()) << c.name;
        EXPECT_TRUE(handler.progress.empty()) << c.name;
    }
}

}  // namespace
