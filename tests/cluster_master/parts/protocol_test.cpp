// The master's side of the host protocol: which command headers it
// believes, and how records land in its mirrored scene (gaps, copy-on-write,
// shaders whose plug-in arrives late). The images it sends back are checked
// end to end, against the library's reader, in cluster_master_test.cpp.
#include <gtest/gtest.h>

#include "cluster/cluster_protocol.h"
#include "command_message.h"
#include "error_codes.h"
#include "mirrored_scene.h"
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
    struct Case {
        int type, length;
        bool ok;
    };
    const Case cases[] = {{1, 12, true},  {1, 16, false}, {6, 12, true}, {7, 12, true}, {7, 8, false},
                          {9, 4, true},   {17, 0, true},  {17, 4, false}, {4, 8, true}, {4, 7, false},
                          {8, 16, true},  {8, -1, false}, {8, kMaxCommandPayloadBytes + 1, false},
                          // The master's own messages, and anything else, never come from a host.
                          {0, 4, false}, {2, 4, false}, {12, 4, false}, {13, 4, false}, {14, 4, false},
                          {99, 4, false}, {-5, 4, false}};
    std::string why;
    for (const Case& c : cases) EXPECT_EQ(c.ok, checkCommandHeader(c.type, c.length, why)) << c.type << " " << c.length;
    EXPECT_NE(std::string::npos, why.find("-5")) << "the reason names the type";
}

std::vector<uint8_t> bytesOf(const scene::Record& record) {
    util::MemorySink sink;
    util::OutputStream out(&sink);
    record.write(out);
    out.flush();
    return sink.bytes();
}

int apply(MirroredScene& mirror, int frame, int type, int instance, const std::vector<uint8_t>& bytes) {
    return mirror.applyRecord(frame, type, instance, bytes.data(), bytes.size());
}

scene::CameraRecord* cameraOf(scene::ObjectTable& table, int instance) {
    return scene::recordAs<scene::CameraRecord>(table.lookup(CLASS_TYPE_CAMERA, instance));
}

TEST(MirroredScene, RecordsFillGapsAsTheHostsDestroyedObjectsAndKeepOldVersions) {
    scene::ObjectTable host;
    for (int i = 0; i < 3; ++i) host.create(CLASS_TYPE_CAMERA);
    host.destroy(CLASS_TYPE_CAMERA, 1);
    auto* camera2 = cameraOf(host, 2);
    camera2->width = 123;

    MirroredScene mirror("");
    const std::vector<uint8_t> bytes0 = bytesOf(*host.lookup(CLASS_TYPE_CAMERA, 0));
    std::vector<uint8_t> bytes2 = bytesOf(*camera2);
    // At set-up records come without creations, ascending; 1 was destroyed.
    EXPECT_EQ(0, apply(mirror, 0, CLASS_TYPE_CAMERA, 0, bytes0));
    EXPECT_EQ(0, apply(mirror, 0, CLASS_TYPE_CAMERA, 2, bytes2));
    scene::ObjectTable& table = mirror.table();
    EXPECT_EQ(nullptr, table.lookup(CLASS_TYPE_CAMERA, 1));
    auto* mirrored = cameraOf(table, 2);
    ASSERT_NE(nullptr, mirrored);
    EXPECT_EQ(123, mirrored->width);
    EXPECT_EQ(bytes2, bytesOf(*mirrored));

    // A frame in flight keeps its version while the next one arrives.
    mirrored->addRef();
    camera2->width = 77;
    bytes2 = bytesOf(*camera2);
    EXPECT_EQ(0, apply(mirror, 1, CLASS_TYPE_CAMERA, 2, bytes2));
    EXPECT_EQ(123, mirrored->width);
    EXPECT_EQ(77, cameraOf(table, 2)->width);
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
    EXPECT_EQ(kErrorBadRecord, apply(mirror, 0, CLASS_TYPE_ENTITY, 0, bytes));
    EXPECT_EQ(kErrorBadRecord, apply(mirror, 0, 0, 0, bytes));
    EXPECT_EQ(kErrorBadRecord, mirror.create(15 + 1, 0));
    EXPECT_EQ(kErrorBadRecord, apply(mirror, 0, CLASS_TYPE_CAMERA, MirroredScene::kMaxInstance + 1, bytes));
    EXPECT_EQ(kErrorBadRecord, apply(mirror, 0, CLASS_TYPE_CAMERA, 3, bytes));
    EXPECT_EQ(0, mirror.table().slotCount(CLASS_TYPE_CAMERA)) << "nothing made for a refused record";
    EXPECT_EQ(kErrorBadRecord, mirror.applyRecord(0, CLASS_TYPE_CAMERA, 0, bytes.data(), bytes.size() / 2));
    EXPECT_EQ(kErrorBadRecord, mirror.destroy(CLASS_TYPE_CLASS, 0));
    // The object keeps its state (here the defaults): a half-read body
    // never lands.
    ASSERT_NE(nullptr, cameraOf(mirror.table(), 0));
    EXPECT_EQ(bytes, bytesOf(*cameraOf(mirror.table(), 0)));
    cameraOf(host, 0)->width = 999;
    std::vector<uint8_t> wide = bytesOf(*cameraOf(host, 0));
    wide.pop_back();
    EXPECT_EQ(kErrorBadRecord, apply(mirror, 0, CLASS_TYPE_CAMERA, 0, wide));
    EXPECT_EQ(640, cameraOf(mirror.table(), 0)->width);
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
    EXPECT_EQ(kErrorShaderLoad, apply(mirror, 1, CLASS_TYPE_SHADER, 0, bytes));
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
    EXPECT_EQ(0, apply(mirror, 3, CLASS_TYPE_SHADER, 0, edited));
    mirrored = scene::recordAs<scene::ShaderRecord>(mirror.table().lookup(CLASS_TYPE_SHADER, 0));
    ASSERT_NE(nullptr, mirrored->shaderObject);
    EXPECT_EQ(edited, bytesOf(*mirrored));
    mirror.reset();
}

}  // namespace
}  // namespace hox_cluster
