// References a frame holds on the records it renders from, the forced
// rebuild, and the engine's view of handle operations.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "device_test_support.h"
#include "hox/geometry.h"
#include "hox/status.h"
#include "scene/geometry_record.h"
#include "scene/object_table.h"

namespace hox {
namespace {

using testing_support::currentRecord;
using testing_support::DeviceTest;

using FrameReferencesTest = DeviceTest;

TEST_F(FrameReferencesTest, EditingWhileAFrameIsInFlightLeavesTheFramesVersionAlive) {
    useHeldEngine();
    buildView();
    const int f0 = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    scene::CameraRecord* rendered = currentRecord<scene::CameraRecord>(*device, camera);
    EXPECT_EQ(2, rendered->refCount());
    EXPECT_EQ(1, slotOf(f0).useCount);

    ASSERT_NE(nullptr, camera.beginEdit());
    camera.endEdit();
    scene::CameraRecord* edited = currentRecord<scene::CameraRecord>(*device, camera);
    EXPECT_NE(rendered, edited);
    // Only the frame keeps the old version now, and the frame still sees it.
    EXPECT_EQ(1, rendered->refCount());
    EXPECT_EQ(rendered, slotOf(f0).view(0).camera);

    heldEngine().complete(f0);
    ASSERT_EQ(0, hostDevice->sync(1000, true));
    EXPECT_EQ(0, slotOf(f0).useCount);
    EXPECT_EQ(nullptr, slotOf(f0).view(0).camera);
    EXPECT_EQ(1, edited->refCount());
}

TEST_F(FrameReferencesTest, EveryRecordOfTheViewIsReferencedOncePerFrame) {
    useHeldEngine();
    buildView();
    THandle<RenderOptions> options(hostDevice);
    THandle<Shader> environment(hostDevice);
    RenderView* v = view.beginEdit();
    v->setRenderOptions(options);
    v->setEnvironmentShader(environment);
    view.endEdit();

    const int f0 = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    for (const HandleBase& h : {HandleBase(camera), HandleBase(framebuffer), HandleBase(view),
                                HandleBase(options), HandleBase(environment)}) {
        EXPECT_EQ(3, device->objectTable().lookup(h)->refCount()) << "class " << h.getType();
    }
    heldEngine().complete(f0);
    heldEngine().complete(f0 + 1);
    ASSERT_EQ(0, hostDevice->sync(1000, true));
    for (const HandleBase& h : {HandleBase(camera), HandleBase(framebuffer), HandleBase(view),
                                HandleBase(options), HandleBase(environment)}) {
        EXPECT_EQ(1, device->objectTable().lookup(h)->refCount()) << "class " << h.getType();
    }
}

TEST_F(FrameReferencesTest, ForcedRebuildGivesEveryGeometryANewVersionAndResetsTheSwitch) {
    buildView();
    std::vector<THandle<Geometry>> geometries;
    for (int i = 0; i < 3; ++i) geometries.emplace_back(hostDevice);
    geometries[1].destroy();
    for (const THandle<Geometry>& g : {geometries[0], geometries[2]}) {
        currentRecord<scene::GeometryRecord>(*device, g)->editStamp = -5;
    }
    ASSERT_EQ(0, hostDevice->frame(frameDef, false));
    const int stamp = static_cast<int>(device->objectTable().editStamp());

    util::rt_rebuild.set(true);
    ASSERT_EQ(0, hostDevice->frame(frameDef, false));
    for (const THandle<Geometry>& g : {geometries[0], geometries[2]}) {
        EXPECT_EQ(stamp, currentRecord<scene::GeometryRecord>(*device, g)->editStamp);
    }
    EXPECT_FALSE(geometries[1].isValid());
    EXPECT_FALSE(util::rt_rebuild.get());
    EXPECT_STREQ("false", util::rt_rebuild.getValueString());
    EXPECT_TRUE(util::rt_rebuild.getFlags() & util::CVAR_MODIFIED);
    // A rebuild is an edit: nothing may stay static in that frame.
    EXPECT_FALSE(slotOf(device->frameNumber()).view(0).isStatic);
}

TEST_F(FrameReferencesTest, EngineHearsOfCreationsDestructionsAndValidEdits) {
    useHeldEngine();
    THandle<FrameDef> empty(hostDevice);
    const int f0 = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(empty, true));
    testing_support::HeldEngine& engine = heldEngine();

    THandle<Camera> cam(hostDevice);
    HandleBase entity(CLASS_TYPE_ENTITY, hostDevice);  // no table: a failed creation
    EXPECT_TRUE(entity.isNull());
    EXPECT_EQ(2, engine.m_creates);

    EXPECT_EQ(0, cam.endEdit());
    EXPECT_EQ(RESULT_INVALID_HANDLE, THandle<Camera>().endEdit());
    EXPECT_EQ(1, engine.m_endEdits);

    THandle<Camera> copy = cam;
    EXPECT_EQ(0, cam.destroy());
    EXPECT_EQ(RESULT_INVALID_HANDLE, copy.destroy());
    EXPECT_EQ(2, engine.m_destroys);
    engine.complete(f0);
}

TEST_F(FrameReferencesTest, BeginEditUsesTheNextFrameNumberAsStamp) {
    THandle<FrameDef> empty(hostDevice);
    ASSERT_EQ(0, hostDevice->frame(empty, false));
    THandle<Geometry> geometry(hostDevice);
    ASSERT_NE(nullptr, geometry.beginEdit());
    EXPECT_EQ(device->frameNumber() + 1,
              currentRecord<scene::GeometryRecord>(*device, geometry)->editStamp);
}

// Render threads may drop a frame's last reference on a record while the
// host replaces that record by a new version; exactly one of them frees it.
TEST(FrameSlotReferences, HostEditsWhileAnotherThreadDropsTheFramesReferences) {
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
