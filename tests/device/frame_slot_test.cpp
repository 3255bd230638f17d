// FrameSlot: work counting between engine threads and the device's wait,
// the prepared views it keeps from frame to frame, its references, and its
// stream form with a reader that survives bad data.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <tuple>
#include <vector>

#include "engine/frame_slot.h"
#include "engine/frame_slot_serialization.h"
#include "hox/status.h"
#include "scene/entity_records.h"
#include "scene/geometry_record.h"
#include "scene/object_table.h"
#include "util/memory_stream.h"

namespace hox {
namespace {

TEST(FrameSlot, WaitEndsOnlyWhenEveryUnitIsDoneEvenWhenCountedPastZero) {
    engine::FrameSlot slot;
    EXPECT_EQ(-1, slot.frameNumber);
    EXPECT_EQ(RESULT_OK, slot.waitForCompletion(0));  // a free slot has nothing to wait for
    slot.frameNumber = 4;
    slot.beginWork(2);
    EXPECT_EQ(2, slot.totalUnits());
    EXPECT_EQ(RESULT_TIMEOUT, slot.waitForCompletion(0));
    slot.completeWorkUnits(1);
    EXPECT_EQ(RESULT_TIMEOUT, slot.waitForCompletion(5));
    slot.completeWorkUnits(3);
    EXPECT_EQ(0, slot.remainingUnits());
    EXPECT_EQ(RESULT_OK, slot.waitForCompletion(0));

    slot.beginWork(5);
    slot.markFree();
    EXPECT_EQ(-1, slot.frameNumber);
    EXPECT_EQ(0, slot.remainingUnits());
}

TEST(FrameSlot, ConcurrentCompletionsEndTheWaitExactlyAtZero) {
    engine::FrameSlot slot;
    constexpr int kThreads = 4;
    constexpr int kUnitsPerThread = 250;
    slot.beginWork(kThreads * kUnitsPerThread);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&slot] {
            for (int i = 0; i < kUnitsPerThread; ++i) slot.completeWorkUnits(1);
        });
    }
    EXPECT_EQ(RESULT_OK, slot.waitForCompletion(60000));
    EXPECT_EQ(0, slot.remainingUnits());
    for (std::thread& w : workers) w.join();
}

TEST(FrameSlot, ResizingKeepsTheViewsProgressiveState) {
    engine::FrameSlot slot;
    ASSERT_TRUE(slot.resizeViews(3));
    slot.view(1).passCount = 7;
    accel::PreparedView* second = &slot.view(1);
    ASSERT_TRUE(slot.resizeViews(2));
    EXPECT_EQ(2, slot.viewCount());
    EXPECT_EQ(second, &slot.view(1));
    EXPECT_EQ(7, slot.view(1).passCount);
    ASSERT_TRUE(slot.resizeViews(0));
    EXPECT_EQ(0, slot.viewCount());
    EXPECT_EQ(0, slot.views.capacity());
}

// Render threads may drop a frame's last reference on a record while the
// host replaces that record by a new version; exactly one of them frees it.
TEST(FrameSlot, HostEditsWhileAnotherThreadDropsTheFramesReferences) {
    scene::ObjectTable table;
    constexpr int kGeometries = 32;
    for (int i = 0; i < kGeometries; ++i) ASSERT_EQ(i, table.create(CLASS_TYPE_GEOMETRY));
    ASSERT_EQ(0, table.create(CLASS_TYPE_CAMERA));

    engine::FrameSlot slot;
    ASSERT_TRUE(slot.resizeViews(1));
    for (int round = 0; round < 50; ++round) {
        accel::PreparedView& view = slot.view(0);
        view.camera = scene::recordAs<scene::CameraRecord>(table.lookup(CLASS_TYPE_CAMERA, 0));
        for (int i = 0; i < kGeometries; ++i) {
            view.geometries.push(
                scene::recordAs<scene::GeometryRecord>(table.lookup(CLASS_TYPE_GEOMETRY, i)));
        }
        slot.takeReferences();

        std::thread release([&slot] { slot.releaseReferences(); });
        for (int i = 0; i < kGeometries; ++i) {
            EXPECT_NE(nullptr, table.beginEdit(HandleBase(CLASS_TYPE_GEOMETRY, i), round));
        }
        table.beginEdit(HandleBase(CLASS_TYPE_CAMERA, 0), round);
        release.join();

        EXPECT_EQ(0, slot.useCount);
        for (int i = 0; i < kGeometries; ++i) {
            ASSERT_EQ(1, table.lookup(CLASS_TYPE_GEOMETRY, i)->refCount());
        }
    }
}

using engine::DecodedFrame;

class FrameSlotSerializationTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int type : {CLASS_TYPE_CAMERA, CLASS_TYPE_CAMERA, CLASS_TYPE_FRAMEBUFFER,
                         CLASS_TYPE_RENDER_VIEW, CLASS_TYPE_RENDER_VIEW, CLASS_TYPE_SHADER,
                         CLASS_TYPE_SHADER, CLASS_TYPE_GEOMETRY, CLASS_TYPE_TEXTURE,
                         CLASS_TYPE_OBJECT, CLASS_TYPE_LIGHT}) {
            table.create(type);
        }
        slot.frameNumber = 12;
        slot.settings.threadCount = 3;
        slot.settings.shaderPath = "shaders/";
        ASSERT_TRUE(slot.resizeViews(2));

        accel::PreparedView& v = slot.view(0);
        v.index = 0;
        v.renderViewHandle = HandleBase(CLASS_TYPE_RENDER_VIEW, 1).getValue();
        v.camera = record<scene::CameraRecord>(CLASS_TYPE_CAMERA, 1);
        v.framebuffer = record<scene::FramebufferRecord>(CLASS_TYPE_FRAMEBUFFER, 0);
        v.environmentShader = record<scene::ShaderRecord>(CLASS_TYPE_SHADER, 1);
        accel::ObjectEntry object{};
        object.object = record<scene::ObjectRecord>(CLASS_TYPE_OBJECT, 0);
        object.shader = record<scene::ShaderRecord>(CLASS_TYPE_SHADER, 0);
        object.geometry = record<scene::GeometryRecord>(CLASS_TYPE_GEOMETRY, 0);
        for (int i = 0; i < 16; ++i) object.worldMatrix.m[i] = static_cast<float>(i);
        object.boundsMin = {-1.0f, -2.0f, -3.0f};
        object.boundsMax = {1.0f, 2.0f, 3.0f};
        object.givenMask = 5;
        object.offMask = 4;
        object.floatGiven = 1;
        object.floatValue = 0.5f;
        object.lightSetIndex = 2;
        ASSERT_TRUE(v.objects.push(object));
        accel::LightEntry light{};
        light.light = record<scene::LightRecord>(CLASS_TYPE_LIGHT, 0);
        light.worldPosition = {1.0f, 2.0f, 3.0f};
        light.worldDirection = {0.0f, 0.0f, -1.0f};
        light.lightType = 1;
        light.parameter0 = 100.0f;
        light.parameter5 = 9;
        light.parameter4 = true;
        ASSERT_TRUE(v.lights.push(light));
        ASSERT_TRUE(v.geometries.push(object.geometry));
        ASSERT_TRUE(v.shaders.push(object.shader));
        ASSERT_TRUE(v.textures.push(record<scene::TextureRecord>(CLASS_TYPE_TEXTURE, 0)));
        v.isStatic = true;
        v.progressive = true;
        v.passCount = 3;
        v.boundsMin = {-1.0f, -2.0f, -3.0f};
        v.boundsMax = {1.0f, 2.0f, 3.0f};
        v.worldScale = 0.25f;
        v.inverseWorldScale = 4.0f;
        v.worldOffset = {1.0f, 1.0f, 1.0f};
        v.negatedWorldOffset = {-1.0f, -1.0f, -1.0f};

        slot.view(1).index = 1;  // a view that resolved nothing
    }

    template <typename R>
    R* record(int type, int instance) {
        return scene::recordAs<R>(table.lookup(type, instance));
    }

    std::vector<uint8_t> encode() {
        util::MemorySink sink;
        util::OutputStream out(&sink);
        engine::writeFrameSlot(out, slot);
        out.flush();
        return sink.bytes();
    }

    // The frame number, then the settings, then the view count.
    size_t viewCountAt() const {
        util::MemorySink settingsOnly;
        util::OutputStream out(&settingsOnly);
        slot.settings.write(out);
        out.flush();
        return 4 + settingsOnly.size();
    }

    static bool decode(const std::vector<uint8_t>& bytes, DecodedFrame& frame) {
        util::MemorySource source(bytes.data(), bytes.size());
        util::InputStream in(&source);
        return engine::readFrameSlot(in, frame);
    }

    scene::ObjectTable table;
    engine::FrameSlot slot;
};

TEST_F(FrameSlotSerializationTest, RoundTripKeepsEveryField) {
    const std::vector<uint8_t> bytes = encode();
    uint32_t viewWord = 0;  // the render view travels as its instance only
    std::memcpy(&viewWord, bytes.data() + viewCountAt() + 4, 4);
    EXPECT_EQ(1u, viewWord);
    DecodedFrame frame;
    ASSERT_TRUE(decode(bytes, frame));
    EXPECT_EQ(std::make_tuple(12, 3), std::make_tuple(frame.frameNumber, frame.settings.threadCount));
    EXPECT_STREQ("shaders/", frame.settings.shaderPath.c_str());
    ASSERT_EQ(2u, frame.views.size());

    const engine::DecodedView& v = *frame.views[0];
    EXPECT_EQ(HandleBase(CLASS_TYPE_RENDER_VIEW, 1).getValue(), v.renderViewHandle);
    EXPECT_EQ(std::make_tuple(0, 1, 0, 1, -1),
              std::make_tuple(v.index, v.camera, v.framebuffer, v.environmentShader, v.options));
    ASSERT_EQ(1, v.objects.count());
    const engine::DecodedObjectEntry& o = v.objects[0];
    EXPECT_EQ(std::make_tuple(0, 0, 0, 15.0f, -3.0f, 5u, 4u, true, 0.5f, 2u),
              std::make_tuple(o.object, o.shader, o.geometry, o.worldMatrix.m[15], o.boundsMin.z,
                              o.givenMask, o.offMask, o.floatGiven, o.floatValue,
                              o.lightSetIndex));
    ASSERT_EQ(1, v.lights.count());
    const engine::DecodedLightEntry& l = v.lights[0];
    EXPECT_EQ(std::make_tuple(0, -1, -1.0f, 1, 100.0f, 9, true),
              std::make_tuple(l.light, l.shader, l.worldDirection.z, l.lightType, l.parameter0,
                              l.parameter5, l.parameter4));
    EXPECT_EQ(std::make_tuple(1, 1, 1, 0), std::make_tuple(v.geometries.count(), v.shaders.count(),
                                                           v.textures.count(), v.textures[0]));
    EXPECT_EQ(std::make_tuple(true, true, 3, 2.0f, 0.25f, 4.0f, -1.0f),
              std::make_tuple(v.isStatic, v.progressive, v.passCount, v.boundsMax.y, v.worldScale,
                              v.inverseWorldScale, v.negatedWorldOffset.x));
    const engine::DecodedView& empty = *frame.views[1];
    EXPECT_EQ(std::make_tuple(1, -1, 0), std::make_tuple(empty.index, empty.camera, empty.objects.count()));

    // Reading into the same frame replaces what it held.
    ASSERT_TRUE(slot.resizeViews(0));
    slot.frameNumber = 13;
    ASSERT_TRUE(decode(encode(), frame));
    EXPECT_EQ(13, frame.frameNumber);
    EXPECT_TRUE(frame.views.empty());
}

TEST_F(FrameSlotSerializationTest, EveryTruncationFails) {
    const std::vector<uint8_t> bytes = encode();
    for (size_t n = 0; n < bytes.size(); ++n) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
        DecodedFrame frame;
        EXPECT_FALSE(decode(cut, frame)) << n << " bytes";
        EXPECT_TRUE(frame.views.empty());
    }
}

TEST_F(FrameSlotSerializationTest, AbsurdCountsFailWithoutHugeAllocations) {
    const std::vector<uint8_t> bytes = encode();
    // View word, index, four instances, then the object count.
    const size_t objectCountAt = viewCountAt() + 4 + 4 + 4 + 16;
    for (int32_t count : {0x7fffffff, -1, static_cast<int32_t>(0x80000000)}) {
        for (size_t at : {viewCountAt(), objectCountAt}) {
            std::vector<uint8_t> bad = bytes;
            std::memcpy(bad.data() + at, &count, 4);
            DecodedFrame frame;
            EXPECT_FALSE(decode(bad, frame)) << "count " << count << " at " << at;
            EXPECT_TRUE(frame.views.empty());
        }
    }
}

}  // namespace
}  // namespace hox
