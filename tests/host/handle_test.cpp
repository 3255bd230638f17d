// Handles as a host sees them: creation, validity, destruction, edits.
#include <gtest/gtest.h>

#include "device_fixture.h"
#include "hox/camera.h"
#include "hox/entity.h"
#include "hox/status.h"

namespace {

using HandleTest = hox_host_test::HostDeviceTest;

TEST_F(HandleTest, ClassOnlyHandleIsNull) {
    hox::HandleBase h(hox::CLASS_TYPE_GROUP);
    EXPECT_EQ(0xFFFFFFF, h.getInstance());
    EXPECT_EQ(hox::CLASS_TYPE_GROUP, h.getType());
    EXPECT_EQ(0x8FFFFFFFu, h.getValue());
    EXPECT_FALSE(h.isValid());
}

TEST_F(HandleTest, TypeMatchIsExact) {
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

TEST_F(HandleTest, DestroyThroughOneCopyInvalidatesTheOthers) {
    hox::THandle<hox::Camera> camera(device);
    hox::THandle<hox::Camera> copy = camera;
    const unsigned int value = camera.getValue();
    EXPECT_EQ(0, camera.destroy());
    EXPECT_EQ(hox::THandle<hox::Camera>().getValue(), camera.getValue());
    EXPECT_EQ(value, copy.getValue());
    EXPECT_FALSE(copy.isValid());
    EXPECT_EQ(hox::RESULT_INVALID_HANDLE, copy.destroy());
    EXPECT_EQ(hox::RESULT_INVALID_HANDLE, copy.endEdit());
}

TEST_F(HandleTest, BadHandlesGiveNoObjectToEdit) {
    hox::THandle<hox::Camera> null;
    EXPECT_EQ(nullptr, null.beginEdit());
    EXPECT_EQ(nullptr, hox::THandle<hox::Camera>::fromInstance(77).beginEdit());
    hox::THandle<hox::Camera> gone(device);
    hox::THandle<hox::Camera> goneCopy = gone;
    gone.destroy();
    EXPECT_EQ(nullptr, goneCopy.beginEdit());
    EXPECT_EQ(hox::RESULT_INVALID_HANDLE, null.endEdit());
    EXPECT_EQ(hox::RESULT_INVALID_HANDLE, null.destroy());
    EXPECT_EQ(hox::RESULT_INVALID_HANDLE, hox::THandle<hox::Camera>::fromInstance(77).endEdit());
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

TEST_F(HandleTest, EditedObjectKeepsItsHandleAndItsFields) {
    hox::THandle<hox::Camera> camera(device);
    hox::Camera* first = camera.beginEdit();
    ASSERT_NE(nullptr, first);
    first->setResolution(320, 200);
    EXPECT_EQ(0, camera.endEdit());
    hox::Camera* second = camera.beginEdit();
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(320, second->getWidth());
    EXPECT_EQ(200, second->getHeight());
    EXPECT_EQ(0, camera.endEdit());
}

TEST_F(HandleTest, AfterShutdownEveryHandleIsInvalid) {
    hox::THandle<hox::Camera> camera(device);
    ASSERT_EQ(0, hox::Shutdown(device));
    EXPECT_FALSE(camera.isValid());
    EXPECT_EQ(nullptr, camera.beginEdit());
    EXPECT_EQ(hox::RESULT_INVALID_HANDLE, camera.endEdit());
    EXPECT_EQ(hox::RESULT_INVALID_HANDLE, camera.destroy());
    EXPECT_TRUE(camera.isNull());
}

TEST_F(HandleTest, HandleWithoutDeviceIsNull) {
    hox::THandle<hox::Camera> camera(static_cast<hox::IRenderDevice*>(nullptr));
    EXPECT_TRUE(camera.isNull());
    EXPECT_EQ(hox::CLASS_TYPE_CAMERA, camera.getType());
}

}  // namespace
