// The public classes edit the record version beginEdit hands out: each call
// must reach its own field and refuse an object that is not of its class.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "hox/hox.h"
#include "scene/entity_records.h"
#include "scene/geometry_record.h"
#include "scene/record.h"
#include "scene/view_records.h"

namespace {

using namespace hox;

// A record version as beginEdit would hand it out: the public object `T`
// edits a fresh record of T's class.
template <typename T>
class Edited {
public:
    Edited() : m_record(scene::createRecord(T::TypeId, 1)) { m_record->addRef(); }
    ~Edited() { m_record->release(); }
    T* operator->() { return reinterpret_cast<T*>(m_record->publicObject()); }
    T& object() { return *operator->(); }
    template <typename R>
    R& record() {
        return *scene::recordAs<R>(m_record);
    }

private:
    scene::Record* m_record;
};

EntityHandle entity(int type, int instance) { return HandleBase(type, instance); }
THandle<RenderView> view(int instance) { return THandle<RenderView>::fromInstance(instance); }

std::vector<unsigned int> childValues(const Group& group) {
    std::vector<unsigned int> values;
    for (EntityConstIterator it = group.getChildren(); it.valid(); it.next()) values.push_back(it.get().getValue());
    return values;
}

TEST(GroupApi, ChildListEditingMatchesClassAndInstanceAndChangesTheFirstMatch) {
    Edited<Group> group;
    const EntityHandle a = entity(CLASS_TYPE_OBJECT, 1);
    const EntityHandle b = entity(CLASS_TYPE_OBJECT, 2);
    EXPECT_EQ(group->findChild(a), -1);
    EXPECT_EQ(group->setChild(0, a), RESULT_FAILED);
    EXPECT_EQ(group->replaceChild(a, b), RESULT_FAILED);
    group->addChild(a);
    group->addChild(entity(CLASS_TYPE_LIGHT, 1));
    group->addChild(a);
    EXPECT_EQ(group->getNumChildren(), 3);
    EXPECT_EQ(group->getChild(1).getType(), CLASS_TYPE_LIGHT);
    // Same instance, other class: a different child.
    EXPECT_EQ(group->findChild(entity(CLASS_TYPE_LIGHT, 1)), 1);
    EXPECT_EQ(group->findChild(entity(CLASS_TYPE_CAMERA, 1)), -1);
    EXPECT_EQ(group->removeChild(b), RESULT_INVALID_HANDLE);
    EXPECT_EQ(group->replaceChild(entity(CLASS_TYPE_OBJECT, 9), b), RESULT_FAILED);

    EXPECT_EQ(group->removeChild(a), RESULT_OK);
    EXPECT_EQ(childValues(group.object()), (std::vector<unsigned int>{entity(CLASS_TYPE_LIGHT, 1).getValue(), a.getValue()}));
    EXPECT_EQ(group->replaceChild(entity(CLASS_TYPE_LIGHT, 1), b), RESULT_OK);
    group->addChild(b);
    EXPECT_EQ(group->replaceChild(b, entity(CLASS_TYPE_GROUP, 3)), RESULT_OK);
    EXPECT_EQ(childValues(group.object()),
              (std::vector<unsigned int>{entity(CLASS_TYPE_GROUP, 3).getValue(), a.getValue(), b.getValue()}));

    EXPECT_EQ(group->setChild(3, a), RESULT_FAILED);
    EXPECT_EQ(group->setChild(-1, a), RESULT_FAILED);
    EXPECT_EQ(group->setChild(2, entity(CLASS_TYPE_LIGHT, 5)), RESULT_OK);
    EXPECT_EQ(group->getChild(2).getValue(), entity(CLASS_TYPE_LIGHT, 5).getValue());
    // Out of range reads give the null Entity handle.
    for (int index : {-1, 3, 1 << 30}) {
        EXPECT_EQ(group->getChild(index).getValue(), 0x5FFFFFFFu) << index;
        EXPECT_TRUE(group->getChild(index).isNull());
    }
}

TEST(GroupApi, IteratorWalksTheChildrenAndRemoveAllKeepsTheBlock) {
    Edited<Group> group;
    EntityConstIterator empty = group->getChildren();
    EXPECT_FALSE(empty.valid());
    EXPECT_EQ(empty.remaining(), 0);
    for (EntityHandle child : group->getChildren()) ADD_FAILURE() << child.getValue();

    for (int i = 0; i < 20; ++i) group->addChild(entity(i % 2 ? CLASS_TYPE_CAMERA : CLASS_TYPE_OBJECT, i));
    EntityConstIterator it = group->getChildren();
    EXPECT_EQ(it.remaining(), 20);
    std::vector<int> instances;
    for (EntityHandle child : it) instances.push_back(child.getInstance());
    ASSERT_EQ(instances.size(), 20u);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(instances[i], i);

    const scene::GroupRecord& record = group.record<scene::GroupRecord>();
    const int capacity = record.children.capacity();
    const unsigned int* block = record.children.data();
    ASSERT_GE(capacity, 20);
    group->removeAllChildren();
    EXPECT_EQ(group->getNumChildren(), 0);
    // Emptied but still owning its block: the iterator is null again.
    EXPECT_FALSE(group->getChildren().valid());
    group->addChild(entity(CLASS_TYPE_LIGHT, 7));
    EXPECT_EQ(record.children.capacity(), capacity);
    EXPECT_EQ(record.children.data(), block);
    EXPECT_EQ(group->getChild(0).getValue(), entity(CLASS_TYPE_LIGHT, 7).getValue());
}

TEST(FrameDefApi, RenderViewListEditingAndDeviceSettings) {
    Edited<FrameDef> frame;
    EXPECT_EQ(frame->getRenderView(-1).getValue(), 0x3FFFFFFFu);
    EXPECT_EQ(frame->removeRenderView(view(1)), RESULT_INVALID_HANDLE);
    EXPECT_EQ(frame->replaceRenderView(view(1), view(2)), RESULT_FAILED);
    EXPECT_EQ(frame->findRenderView(view(1)), -1);
    EXPECT_EQ(frame->addRenderView(view(1)), 0);
    EXPECT_EQ(frame->addRenderView(view(2)), 1);
    EXPECT_EQ(frame->addRenderView(view(1)), 2);
    EXPECT_EQ(frame->findRenderView(view(1)), 0);
    EXPECT_EQ(frame->getRenderView(3).getValue(), 0x3FFFFFFFu);
    EXPECT_EQ(frame->setRenderView(3, view(5)), RESULT_FAILED);
    EXPECT_EQ(frame->setRenderView(2, view(5)), RESULT_OK);
    EXPECT_EQ(frame->replaceRenderView(view(2), view(6)), RESULT_OK);
    EXPECT_EQ(frame->removeRenderView(view(1)), RESULT_OK);
    ASSERT_EQ(frame->getNumRenderViews(), 2);
    EXPECT_EQ(frame->getRenderView(0), view(6));
    EXPECT_EQ(frame->getRenderView(1), view(5));
    frame->removeAllRenderViews();
    EXPECT_EQ(frame->getNumRenderViews(), 0);

    EXPECT_EQ(frame.record<scene::FrameDefRecord>().deviceSettings, 0xFFFFFFFFu);
    EXPECT_EQ(frame->setDeviceSettings(THandle<DeviceSettings>::fromInstance(4)), RESULT_OK);
    EXPECT_EQ(frame.record<scene::FrameDefRecord>().deviceSettings, 0xF0000004u);
}

// A handle getter hands out a reference into the record: it follows later
// edits.
TEST(PublicGetters, ReferToTheRecordsWords) {
    Edited<RenderView> v;
    const THandle<Camera>& viewCamera = v->getCamera();
    EXPECT_EQ(viewCamera.getValue(), 0x6FFFFFFFu);
    v->setCamera(THandle<Camera>::fromInstance(2));
    EXPECT_EQ(viewCamera, THandle<Camera>::fromInstance(2));
    EXPECT_EQ(v.record<scene::RenderViewRecord>().camera, 0x60000002u);
    Edited<Object> object;
    const THandle<Geometry>& geometry = object->getGeometry();
    EXPECT_EQ(object->setGeometry(THandle<Geometry>::fromInstance(12)), RESULT_OK);
    EXPECT_EQ(geometry.getInstance(), 12);
}

TEST(GeometryApi, EachAttributeSetterStoresItsComponentCount) {
    Edited<Geometry> edited;
    Geometry* g = &edited.object();
    ASSERT_EQ(0, g->init(GEOMETRY_TYPE_TRIANGLES, 2, 4));
    EXPECT_EQ(std::make_tuple(2, 4), std::make_tuple(g->getPrimitiveCount(), g->getVertexCount()));
    EXPECT_EQ(-1, g->setVertexAttribArray4x4f("n", true, nullptr));
    float f[4] = {};
    Vec2f v2[4] = {};
    Vec3f v3[4] = {};
    Vec4f v4[4] = {};
    Mat2f m2[4] = {};
    Mat3f m3[4] = {};
    Mat4f m4[4] = {};
    ASSERT_EQ(0, g->setVertexAttribArray1f("a1", f));
    ASSERT_EQ(0, g->setVertexAttribArray2f("a2", v2));
    ASSERT_EQ(0, g->setVertexAttribArray3f("a3", v3));
    ASSERT_EQ(0, g->setVertexAttribArray4f("a4", v4));
    ASSERT_EQ(0, g->setVertexAttribArray2x2f("m2", false, m2));
    ASSERT_EQ(0, g->setVertexAttribArray3x3f("m3", true, m3));
    ASSERT_EQ(0, g->setVertexAttribArray4x4f("m4", false, m4));
    const char* names[] = {"a1", "a2", "a3", "a4", "m2", "m3", "m4"};
    const int components[] = {1, 2, 3, 4, 4, 9, 16};
    for (int i = 0; i < 7; ++i) {
        const scene::VertexAttribute* a = edited.record<scene::GeometryRecord>().findAttribute(names[i]);
        ASSERT_NE(nullptr, a) << names[i];
        EXPECT_EQ(components[i], a->componentCount) << names[i];
        EXPECT_EQ(4 * components[i], a->values.count()) << names[i];
    }
}

TEST(PublicObjects, AnObjectOfTheWrongClassReachesNoFields) {
    Edited<Camera> camera;
    // A camera's public object misused as a group, light or geometry:
    // nothing may be written into the camera record.
    Group& notAGroup = reinterpret_cast<Group&>(camera.object());
    notAGroup.addChild(entity(CLASS_TYPE_OBJECT, 1));
    EXPECT_EQ(notAGroup.getNumChildren(), 0);
    EXPECT_EQ(notAGroup.findChild(entity(CLASS_TYPE_OBJECT, 1)), -1);
    EXPECT_FALSE(notAGroup.getChildren().valid());
    Light& notALight = reinterpret_cast<Light&>(camera.object());
    EXPECT_EQ(notALight.setLightType(LIGHT_TYPE_AMBIENT), RESULT_INVALID_HANDLE);
    Geometry& notAGeometry = reinterpret_cast<Geometry&>(camera.object());
    EXPECT_EQ(-1, notAGeometry.init(GEOMETRY_TYPE_TRIANGLES, 1, 3));
    const int indices[3] = {0, 1, 2};
    EXPECT_EQ(-1, notAGeometry.setIndexArray(indices));
    EXPECT_EQ(0, notAGeometry.getPrimitiveCount());
    EXPECT_EQ(0, notAGeometry.getVertexCount());
    EXPECT_EQ(camera->getWidth(), 640);
    EXPECT_EQ(camera->getCameraType(), CAMERA_TYPE_PERSPECTIVE);
}

TEST(PublicObjects, AnObjectWithoutARecordIsHarmless) {
    Object detached;
    EXPECT_TRUE(detached.getGeometry().isNull());
    EXPECT_EQ(detached.setGeometry(THandle<Geometry>::fromInstance(1)), RESULT_OK);
    RenderView detachedView;
    EXPECT_TRUE(detachedView.getCamera().isNull());
    FrameDef detachedFrame;
    EXPECT_EQ(detachedFrame.addRenderView(view(1)), RESULT_FAILED);
    EXPECT_EQ(detachedFrame.getRenderView(0).getValue(), 0x3FFFFFFFu);
}

}  // namespace
