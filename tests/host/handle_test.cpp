// Handles as a host sees them: creation, validity, destruction, edits.
#include <gtest/gtest.h>

#include "host_test_support.h"
#include "hox/camera.h"
#include "hox/entity.h"
#include "hox/status.h"

namespace {

using HandleTest = hox_host_test::HostDeviceTest;

TEST_F(HandleTest, NullHandlesKeepTheirClassAndTypesMatchExactly) {
    hox::HandleBase h(hox::CLASS_TYPE_GROUP);
    EXPECT_EQ(0xFFFFFFF, h.getInstance());
    EXPECT_EQ(hox::CLASS_TYPE_GROUP, h.getType());
    EXPECT_EQ(0x8FFFFFFFu, h.getValue());
    EXPECT_FALSE(h.isValid());
    hox::THandle<hox::Camera> deviceless(static_cast<hox::IRenderDevice*>(nullptr));
    EXPECT_TRUE(deviceless.isNull());
    EXPECT_EQ(hox::CLASS_TYPE_CAMERA, deviceless.getType());

    hox::THandle<hox::Camera> camera(device);
    EXPECT_TRUE(camera.isOfType(hox::CLASS_TYPE_CAMERA));
    EXPECT_FALSE(camera.isOfType(hox::CLASS_TYPE_ENTITY));
    EXPECT_FALSE(camera.isOfType(hox::CLASS_TYPE_CLASS));
}

TEST_F(HandleTest, InstancesCountUpAndAreNeverReused) {
    hox::THandle<hox::Camera> c0(device), c1(device), c2(device);
    EXPECT_EQ(0, c0.getInstance());
    EXPECT_EQ(1, c1.getInstance());
    EXPECT_EQ(2, c2.getInstance());
    hox::THandle<hox::Camera> oldCopy = c1;
    EXPECT_EQ(0, c1.destroy());
    hox::THandle<hox::Camera> c3(device);
    EXPECT_EQ(3, c3.getInstance());
    EXPECT_FALSE(oldCopy.isValid());
    EXPECT_TRUE(c3.isValid());
    // Each class counts on its own.
    hox::THandle<hox::Group> g0(device);
    EXPECT_EQ(0, g0.getInstance());
}

TEST_F(HandleTest, DestroyedUnknownAndNullHandlesGiveNothingToEdit) {
    hox::THandle<hox::Camera> camera(device);
    hox::THandle<hox::Camera> copy = camera;
    const unsigned int value = camera.getValue();
    EXPECT_EQ(0, camera.destroy());
    // The handle destroyed through becomes null; its copies keep the value.
    EXPECT_EQ(hox::THandle<hox::Camera>().getValue(), camera.getValue());
    EXPECT_EQ(value, copy.getValue());
    EXPECT_FALSE(copy.isValid());
    const hox::THandle<hox::Camera> unknown = hox::THandle<hox::Camera>::fromInstance(77);
    for (hox::THandle<hox::Camera> bad : {copy, hox::THandle<hox::Camera>(), unknown}) {
        SCOPED_TRACE(bad.getValue());
        EXPECT_EQ(nullptr, bad.beginEdit());
        EXPECT_EQ(hox::RESULT_INVALID_HANDLE, bad.endEdit());
        EXPECT_EQ(hox::RESULT_INVALID_HANDLE, bad.destroy());
    }
}

TEST_F(HandleTest, EveryEditMarksTheSceneDirtyEvenOnABadHandle) {
    hox::THandle<hox::FrameDef> empty(device);
    ASSERT_EQ(0, device->frame(empty, false));
    bool dirty = true;
    device->query1b(hox::QUERY_SCENE_DIRTY, dirty);
    EXPECT_FALSE(dirty);
    hox::THandle<hox::Camera>().beginEdit();
    device->query1b(hox::QUERY_SCENE_DIRTY, dirty);
    EXPECT_TRUE(dirty);
}

}  // namespace
