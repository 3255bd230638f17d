// The master's side of the host protocol: which command headers it
// believes, how records land in its mirrored scene (gaps, copy-on-write,
// shaders whose plug-in arrives late), and view images as the library's
// own reader reads them back.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "cluster/cluster_protocol.h"
#include "cluster/image_message_reader.h"
#include "command_message.h"
#include "error_codes.h"
#include "host_images.h"
#include "mirrored_scene.h"
#include "platform/vu_socket_listener.h"
#include "scene/entity_records.h"
#include "scene/shader_record.h"
#include "scene/uniform_kind.h"
#include "shaders/shader_instance.h"
#include "shaders/uniform_setters.h"
#include "util/memory_stream.h"

namespace hox_cluster {
namespace {

using namespace hox;

TEST(CommandHeader, FixedLengthsExactlyAndBodiesWithinTheCap) {
    std::string why;
    EXPECT_TRUE(checkCommandHeader(1, 12, why));
    EXPECT_FALSE(checkCommandHeader(1, 16, why));
    EXPECT_TRUE(checkCommandHeader(6, 12, why));
    EXPECT_TRUE(checkCommandHeader(7, 12, why));
    EXPECT_FALSE(checkCommandHeader(7, 8, why));
    EXPECT_TRUE(checkCommandHeader(9, 4, why));
    EXPECT_TRUE(checkCommandHeader(17, 0, why));
    EXPECT_FALSE(checkCommandHeader(17, 4, why));
    EXPECT_TRUE(checkCommandHeader(4, 8, why));
    EXPECT_FALSE(checkCommandHeader(4, 7, why));
    EXPECT_TRUE(checkCommandHeader(8, 16, why));
    EXPECT_FALSE(checkCommandHeader(8, -1, why));
    EXPECT_FALSE(checkCommandHeader(8, kMaxCommandPayloadBytes + 1, why));
    // The master's own messages, and anything else, never come from a host.
    for (int type : {0, 2, 12, 13, 14, 99, -5}) EXPECT_FALSE(checkCommandHeader(type, 4, why)) << type;
    EXPECT_NE(std::string::npos, why.find("-5"));
}

TEST(CommandBody, DeclaredSizesMustBeTheRestOfThePayload) {
    std::string why;
    CommandMessage record;
    record.type = cluster::kMessageRecord;
    const int32_t words[5] = {1, CLASS_TYPE_CAMERA, 0, 4, 77};
    record.payload.assign(reinterpret_cast<const uint8_t*>(words), reinterpret_cast<const uint8_t*>(words) + 20);
    EXPECT_TRUE(checkCommandBody(record, why));
    record.payload.push_back(0);
    EXPECT_FALSE(checkCommandBody(record, why));
    CommandMessage frame;
    frame.type = cluster::kMessageFrame;
    const int32_t frameWords[3] = {5, 8, 0};
    frame.payload.assign(reinterpret_cast<const uint8_t*>(frameWords),
                         reinterpret_cast<const uint8_t*>(frameWords) + 12);
    EXPECT_FALSE(checkCommandBody(frame, why)) << "declares 8, holds 4";
    EXPECT_EQ(0, frame.word(7)) << "past the end";
}

std::vector<uint8_t> bytesOf(const scene::Record& record) {
    util::MemorySink sink;
    util::OutputStream out(&sink);
    record.write(out);
    out.flush();
    return sink.bytes();
}

TEST(MirroredScene, RecordsFillGapsAsTheHostsDestroyedObjectsAndKeepOldVersions) {
    scene::ObjectTable host;
    for (int i = 0; i < 3; ++i) host.create(CLASS_TYPE_CAMERA);
    host.destroy(CLASS_TYPE_CAMERA, 1);
    auto* camera2 = scene::recordAs<scene::CameraRecord>(host.lookup(CLASS_TYPE_CAMERA, 2));
    camera2->width = 123;

    MirroredScene mirror("");
    const std::vector<uint8_t> bytes0 = bytesOf(*host.lookup(CLASS_TYPE_CAMERA, 0));
    std::vector<uint8_t> bytes2 = bytesOf(*camera2);
    // At set-up records come without creations, ascending; 1 was destroyed.
    EXPECT_EQ(0, mirror.applyRecord(0, CLASS_TYPE_CAMERA, 0, bytes0.data(), bytes0.size()));
    EXPECT_EQ(0, mirror.applyRecord(0, CLASS_TYPE_CAMERA, 2, bytes2.data(), bytes2.size()));
    scene::ObjectTable& table = mirror.table();
    EXPECT_EQ(nullptr, table.lookup(CLASS_TYPE_CAMERA, 1));
    auto* mirrored = scene::recordAs<scene::CameraRecord>(table.lookup(CLASS_TYPE_CAMERA, 2));
    ASSERT_NE(nullptr, mirrored);
    EXPECT_EQ(123, mirrored->width);
    EXPECT_EQ(bytes2, bytesOf(*mirrored));

    // A frame in flight keeps its version while the next one arrives.
    mirrored->addRef();
    camera2->width = 77;
    bytes2 = bytesOf(*camera2);
    EXPECT_EQ(0, mirror.applyRecord(1, CLASS_TYPE_CAMERA, 2, bytes2.data(), bytes2.size()));
    EXPECT_EQ(123, mirrored->width);
    EXPECT_EQ(77, scene::recordAs<scene::CameraRecord>(table.lookup(CLASS_TYPE_CAMERA, 2))->width);
    mirrored->release();

    // Creations extend the table; a host's failed creation (-1) is nothing.
    EXPECT_EQ(0, mirror.create(CLASS_TYPE_CAMERA, 4));
    EXPECT_NE(nullptr, table.lookup(CLASS_TYPE_CAMERA, 4));
    EXPECT_EQ(nullptr, table.lookup(CLASS_TYPE_CAMERA, 3));
    EXPECT_EQ(0, mirror.create(CLASS_TYPE_CAMERA, -1));
    EXPECT_EQ(0, mirror.destroy(CLASS_TYPE_CAMERA, 4));
    EXPECT_EQ(nullptr, table.lookup(CLASS_TYPE_CAMERA, 4));
    mirror.reset();
    EXPECT_EQ(0, table.slotCount(CLASS_TYPE_CAMERA));
}

TEST(MirroredScene, RefusesWhatCannotBeARecordOfTheTable) {
    MirroredScene mirror("");
    scene::ObjectTable host;
    host.create(CLASS_TYPE_CAMERA);
    const std::vector<uint8_t> bytes = bytesOf(*host.lookup(CLASS_TYPE_CAMERA, 0));
    // Classes without a table, an instance beyond reason, a body for
    // another instance, a body cut short.
    EXPECT_EQ(kErrorBadRecord, mirror.applyRecord(0, CLASS_TYPE_ENTITY, 0, bytes.data(), bytes.size()));
    EXPECT_EQ(kErrorBadRecord, mirror.applyRecord(0, 0, 0, bytes.data(), bytes.size()));
    EXPECT_EQ(kErrorBadRecord, mirror.create(15 + 1, 0));
    EXPECT_EQ(kErrorBadRecord, mirror.applyRecord(0, CLASS_TYPE_CAMERA, MirroredScene::kMaxInstance + 1,
                                                  bytes.data(), bytes.size()));
    EXPECT_EQ(kErrorBadRecord, mirror.applyRecord(0, CLASS_TYPE_CAMERA, 3, bytes.data(), bytes.size()));
    EXPECT_EQ(0, mirror.table().slotCount(CLASS_TYPE_CAMERA)) << "nothing made for a refused record";
    EXPECT_EQ(kErrorBadRecord, mirror.applyRecord(0, CLASS_TYPE_CAMERA, 0, bytes.data(), bytes.size() / 2));
    EXPECT_EQ(kErrorBadRecord, mirror.destroy(CLASS_TYPE_CLASS, 0));
    // The object keeps its state (here the defaults): a half-read body
    // never lands.
    auto* camera = scene::recordAs<scene::CameraRecord>(mirror.table().lookup(CLASS_TYPE_CAMERA, 0));
    ASSERT_NE(nullptr, camera);
    EXPECT_EQ(bytes, bytesOf(*camera));
    auto* hostCamera = scene::recordAs<scene::CameraRecord>(host.lookup(CLASS_TYPE_CAMERA, 0));
    hostCamera->width = 999;
    const std::vector<uint8_t> wide = bytesOf(*hostCamera);
    EXPECT_EQ(kErrorBadRecord, mirror.applyRecord(0, CLASS_TYPE_CAMERA, 0, wide.data(), wide.size() - 1));
    camera = scene::recordAs<scene::CameraRecord>(mirror.table().lookup(CLASS_TYPE_CAMERA, 0));
    EXPECT_EQ(640, camera->width);
}

TEST(MirroredScene, AShaderWhosePluginIsNotFoundYetLoadsWhenTheFramesPathNamesIt) {
    // The host's side, on a library manager of its own so that the mirror's
    // loads do not come from its cache.
    shaders::ShaderLibraryManager hostManager;
    hostManager.setSearchPath(HOX_STDSHADERS_DIR);
    scene::ObjectTable host;
    host.create(CLASS_TYPE_SHADER);
    auto* shader = scene::recordAs<scene::ShaderRecord>(host.lookup(CLASS_TYPE_SHADER, 0));
    ASSERT_EQ(0, shaders::instantiateShader(*shader, "matte", "hoxstd", hostManager));
    const Vec3f colour = {0.25f, 0.5f, 0.125f};
    ASSERT_EQ(0, shaders::setUniformValue(shader, scene::UNIFORM_3F, "colour", &colour));
    const std::vector<uint8_t> bytes = bytesOf(*shader);

    // No path yet: "hoxstd" is not beside this test program.
    MirroredScene mirror("");
    scene::DeviceSettingsData settings;
    EXPECT_EQ(kErrorShaderLoad, mirror.applyRecord(1, CLASS_TYPE_SHADER, 0, bytes.data(), bytes.size()));
    EXPECT_EQ(1, mirror.prepareForFrame(1, settings));
    auto* mirrored = scene::recordAs<scene::ShaderRecord>(mirror.table().lookup(CLASS_TYPE_SHADER, 0));
    ASSERT_NE(nullptr, mirrored);
    EXPECT_EQ(nullptr, mirrored->shaderObject);

    // The frame brings the host's shader path.
    settings.shaderPath = HOX_STDSHADERS_DIR;
    EXPECT_EQ(0, mirror.prepareForFrame(2, settings));
    mirrored = scene::recordAs<scene::ShaderRecord>(mirror.table().lookup(CLASS_TYPE_SHADER, 0));
    ASSERT_NE(nullptr, mirrored->shaderObject);
    EXPECT_EQ(bytes, bytesOf(*mirrored)) << "names and values as the host has them";

    // A later edit keeps the plug-in and takes the new value.
    const Vec3f other = {1.0f, 0.0f, 0.0f};
    ASSERT_EQ(0, shaders::setUniformValue(shader, scene::UNIFORM_3F, "colour", &other));
    const std::vector<uint8_t> edited = bytesOf(*shader);
    EXPECT_EQ(0, mirror.applyRecord(3, CLASS_TYPE_SHADER, 0, edited.data(), edited.size()));
    mirrored = scene::recordAs<scene::ShaderRecord>(mirror.table().lookup(CLASS_TYPE_SHADER, 0));
    ASSERT_NE(nullptr, mirrored->shaderObject);
    EXPECT_EQ(edited, bytesOf(*mirrored));
    mirror.reset();
}

// View images through the library's own reader.
struct ImageCatcher : cluster::ImageMessageHandler {
    void onViewImage(const cluster::ViewImage& image) override {
        frame = image.frame;
        view = image.view;
        level = image.samplingLevel;
        passes = image.passCount;
        const std::size_t pixels = image.planes.pixelCount();
        colour.assign(image.planes.colour, image.planes.colour + 4 * pixels);
        values.assign(image.planes.values, image.planes.values + pixels);
    }
    void onClusterError(int32_t code) override { errors.push_back(code); }
    void onProgress(float p) override { progress = p; }
    int frame = -1, view = -1, level = 0, passes = 0;
    std::vector<float> colour;
    std::vector<uint32_t> values;
    std::vector<int32_t> errors;
    float progress = -1;
};

TEST(HostImages, ViewImagesErrorsAndProgressReadBackThroughTheLibrarysReader) {
    vu_connection::vuSocketListener listener;
    ASSERT_EQ(0, listener.listen("127.0.0.1", 0));
    vu_connection::vuSocketConnection host(cluster::kImageBufferBytes);
    std::thread connector([&] { host.connect("127.0.0.1", listener.port()); });
    vu_connection::vuSocketConnection master(cluster::kImageBufferBytes);
    ASSERT_EQ(0, listener.accept(master, 5.0));
    connector.join();
    ASSERT_TRUE(host.isConnected());

    // A 37 × 21 image with one sample per pixel (level 0, direct writes).
    engine::FrameBuffer image;
    ASSERT_TRUE(image.prepare(37, 21, engine::kTileSize, 0, 0, 1));
    for (int ty = 0; ty < image.tilesDown(); ++ty) {
        for (int tx = 0; tx < image.tilesAcross(); ++tx) {
            std::vector<engine::SampleRecord> records;
            std::vector<float> colours;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    records.push_back({x + 0.5f, y + 0.5f, x, y, 0});
                    const float px = static_cast<float>(tx * 16 + x), py = static_cast<float>(ty * 16 + y);
                    colours.insert(colours.end(), {0.02f * px + 0.01f, 0.05f * py + 0.02f, 0.3f, 1.0f});
                }
            image.writeTile(tx, ty, static_cast<int>(records.size()), true, records.data(), colours.data());
        }
    }
    HostImages images(master);
    cluster::ImageMessageReader reader;
    ImageCatcher caught;
    const std::size_t pixels = 37 * 21;

    ASSERT_TRUE(images.sendImage(7, 1, image, 0.0f));
    ASSERT_EQ(cluster::ReadOutcome::Handled, reader.readMessage(host, caught));
    EXPECT_EQ(7, caught.frame);
    EXPECT_EQ(1, caught.view);
    EXPECT_EQ(1, caught.passes);
    ASSERT_EQ(4 * pixels, caught.colour.size());
    for (std::size_t i = 0; i < pixels; ++i) {
        for (int c = 0; c < 3; ++c) ASSERT_EQ(image.floatSums()[4 * i + c], caught.colour[4 * i + c]) << i;
        uint32_t weight;
        std::memcpy(&weight, &image.weights()[i], 4);
        ASSERT_EQ(weight, caught.values[i]) << i;
    }
    // Raw: header, six words, flag, two counts, 20 bytes a pixel.
    EXPECT_EQ(8u + 24 + 12 + pixels * 20, images.bytesSent());

    const uint64_t before = images.bytesSent();
    ASSERT_TRUE(images.sendImage(8, 0, image, 0.25f));
    ASSERT_EQ(cluster::ReadOutcome::Handled, reader.readMessage(host, caught));
    EXPECT_LT(images.bytesSent() - before, 8u + 24 + 12 + pixels * 8) << "compressed below half the raw size";
    for (std::size_t i = 0; i < pixels; ++i) {
        const float* a = &caught.colour[4 * i];
        const float* b = &image.floatSums()[4 * i];
        const float ya = 0.299f * a[0] + 0.587f * a[1] + 0.114f * a[2];
        const float yb = 0.299f * b[0] + 0.587f * b[1] + 0.114f * b[2];
        ASSERT_NEAR(ya, yb, 0.0101f * yb) << i;
    }

    ASSERT_TRUE(images.sendProgress(0.375f));
    ASSERT_EQ(cluster::ReadOutcome::Handled, reader.readMessage(host, caught));
    EXPECT_EQ(0.375f, caught.progress);
    ASSERT_TRUE(images.sendError(kErrorShaderLoad));
    ASSERT_EQ(cluster::ReadOutcome::Handled, reader.readMessage(host, caught));
    EXPECT_EQ(std::vector<int32_t>{kErrorShaderLoad}, caught.errors);
    ASSERT_TRUE(images.sendEnd());
    EXPECT_EQ(cluster::ReadOutcome::Finished, reader.readMessage(host, caught));
}

}  // namespace
}  // namespace hox_cluster
