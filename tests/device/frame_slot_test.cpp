// FrameSlot: work counting between engine threads and the device's wait,
// the prepared views it keeps from frame to frame, and its references.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "engine/frame_slot.h"
#include "hox/status.h"
#include "scene/entity_records.h"
#include "scene/geometry_record.h"
#include "scene/object_table.h"

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

}  // namespace
}  // namespace hox
