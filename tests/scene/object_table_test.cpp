#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "hox/message_callback.h"
#include "scene/entity_records.h"
#include "scene/geometry_record.h"
#include "scene/object_table.h"
#include "util/memory_stream.h"
#include "util/messages.h"

using namespace hox;
using namespace hox::scene;

namespace {

const int kTabledTypes[] = {2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

struct ErrorRecorder : IMessageCallback {
    std::vector<std::string> errors;
    void message(int, const char*) override {}
    void warning(const char*) override {}
    void error(const char* text) override { errors.push_back(text); }
};

struct ObjectTableTest : ::testing::Test {
    ObjectTable table;
    void TearDown() override { util::setMessageCallback(nullptr); }

    CameraRecord* camera(int instance) {
        return recordAs<CameraRecord>(table.lookup(CLASS_TYPE_CAMERA, instance));
    }
};

std::vector<uint8_t> written(const ObjectTable& table, int type, int instance) {
    util::MemorySink sink;
    util::OutputStream out(&sink);
    table.writeObject(type, instance, out);
    out.flush();
    return sink.bytes();
}

}  // namespace

TEST_F(ObjectTableTest, PoolOrderIsFixed) {
    const int expected[] = {2, 3, 6, 4, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < ObjectTable::kPoolCount; ++i) EXPECT_EQ(ObjectTable::kPoolOrder[i], expected[i]);
}

TEST_F(ObjectTableTest, InstancesAreHandedOutInOrderAndNeverReused) {
    EXPECT_EQ(table.create(CLASS_TYPE_CAMERA), 0);
    EXPECT_EQ(table.create(CLASS_TYPE_CAMERA), 1);
    EXPECT_EQ(table.create(CLASS_TYPE_CAMERA), 2);
    HandleBase stale(CLASS_TYPE_CAMERA, 1);
    EXPECT_EQ(table.destroy(CLASS_TYPE_CAMERA, 1), 0);
    EXPECT_EQ(table.create(CLASS_TYPE_CAMERA), 3);
    EXPECT_FALSE(table.isValid(stale));
    EXPECT_TRUE(table.isValid(HandleBase(CLASS_TYPE_CAMERA, 0)));
    EXPECT_TRUE(table.isValid(HandleBase(CLASS_TYPE_CAMERA, 3)));
    EXPECT_EQ(table.slotCount(CLASS_TYPE_CAMERA), 4);
    // Other classes number on their own.
    EXPECT_EQ(table.create(CLASS_TYPE_LIGHT), 0);
}

TEST_F(ObjectTableTest, EveryTabledClassCreatesItsOwnRecord) {
    for (int type : kTabledTypes) {
        ASSERT_EQ(table.create(type), 0) << type;
        Record* r = table.lookup(type, 0);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->type(), type);
        EXPECT_EQ(r->instance(), 0);
        EXPECT_EQ(r->refCount(), 1);
    }
}

TEST_F(ObjectTableTest, ValuesWithoutATableCreateNothing) {
    for (int type : {-3, 0, 1, 5, 16, 31}) {
        EXPECT_EQ(table.create(type), -1) << type;
        EXPECT_EQ(table.slotCount(type), 0);
        EXPECT_EQ(table.destroy(type, 0), 4096) << type;
    }
}

TEST_F(ObjectTableTest, DestroyReportsRangeAndToleratesEmptySlots) {
    table.create(CLASS_TYPE_OBJECT);
    EXPECT_EQ(table.destroy(CLASS_TYPE_OBJECT, -1), -1);
    EXPECT_EQ(table.destroy(CLASS_TYPE_OBJECT, 1), -1);
    EXPECT_EQ(table.destroy(CLASS_TYPE_OBJECT, 0), 0);
    EXPECT_EQ(table.destroy(CLASS_TYPE_OBJECT, 0), 0);
    EXPECT_EQ(table.lookup(CLASS_TYPE_OBJECT, 0), nullptr);
}

TEST_F(ObjectTableTest, ForeignAndNullHandlesAreInvalid) {
    for (int type : kTabledTypes) table.create(type);
    EXPECT_TRUE(table.isValid(HandleBase(CLASS_TYPE_CAMERA, 0)));
    for (int type : {0, 1, 5}) {
        EXPECT_FALSE(table.isValid(HandleBase(type, 0))) << type;
        EXPECT_EQ(table.lookup(HandleBase(type, 0)), nullptr);
    }
    EXPECT_FALSE(table.isValid(HandleBase(CLASS_TYPE_CAMERA)));  // instance 0xFFFFFFF
    EXPECT_FALSE(table.isValid(HandleBase(CLASS_TYPE_CAMERA, 1)));
    // An instance counts only in the handle's own class.
    table.create(CLASS_TYPE_CAMERA);
    EXPECT_TRUE(table.isValid(HandleBase(CLASS_TYPE_CAMERA, 1)));
    EXPECT_FALSE(table.isValid(HandleBase(CLASS_TYPE_LIGHT, 1)));
}

TEST_F(ObjectTableTest, BeginEditOnABadHandleStillMarksTheSceneDirty) {
    table.create(CLASS_TYPE_CAMERA);
    table.create(CLASS_TYPE_CAMERA);
    table.destroy(CLASS_TYPE_CAMERA, 1);
    const HandleBase bad[] = {HandleBase(CLASS_TYPE_CAMERA), HandleBase(CLASS_TYPE_CAMERA, 1),
                              HandleBase(CLASS_TYPE_CAMERA, 9), HandleBase(CLASS_TYPE_ENTITY, 0),
                              HandleBase(0, 0), HandleBase(CLASS_TYPE_CLASS, 0)};
    for (const HandleBase& h : bad) {
        table.setSceneDirty(false);
        EXPECT_EQ(table.beginEdit(h, 1), nullptr) << std::hex << h.getValue();
        EXPECT_TRUE(table.sceneDirty());
    }
}

TEST_F(ObjectTableTest, BeginEditHandsOutANewVersionCarryingTheFields) {
    table.create(CLASS_TYPE_CAMERA);
    CameraRecord* original = camera(0);
    original->width = 800;
    original->addRef();  // keep it observable
    table.setSceneDirty(false);
    void* object = table.beginEdit(HandleBase(CLASS_TYPE_CAMERA, 0), 5);
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(table.sceneDirty());
    CameraRecord* edited = camera(0);
    EXPECT_NE(edited, original);
    EXPECT_EQ(Record::fromPublic(object), edited);
    EXPECT_EQ(edited->publicObject(), object);
    EXPECT_EQ(edited->instance(), 0);
    EXPECT_EQ(edited->width, 800);
    EXPECT_EQ(edited->refCount(), 1);
    EXPECT_EQ(original->refCount(), 1);  // the slot's reference is gone
    original->release();
}

TEST_F(ObjectTableTest, TwoEditsWithoutAFrameLeaveOneLiveRecord) {
    table.create(CLASS_TYPE_GROUP);
    HandleBase h(CLASS_TYPE_GROUP, 0);
    Record* first = Record::fromPublic(table.beginEdit(h, 1));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->refCount(), 1);
    first->addRef();  // observe the first version past the second edit
    Record* second = Record::fromPublic(table.beginEdit(h, 1));
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->refCount(), 1);
    // Only the observer's reference is left: without it the first version
    // would have been freed here. Releasing it must free it (a leak or a
    // double free shows under the address sanitizer).
    EXPECT_EQ(first->refCount(), 1);
    first->release();
    EXPECT_EQ(table.lookup(h), second);
}

TEST_F(ObjectTableTest, AFrameKeepsItsVersionUnchangedWhileTheHostEdits) {
    table.create(CLASS_TYPE_GROUP);
    HandleBase h(CLASS_TYPE_GROUP, 0);
    GroupRecord* v1 = recordAs<GroupRecord>(table.lookup(h));
    v1->children.push(0x60000000u);
    v1->addRef();  // the frame in flight

    GroupRecord* v2 = recordAs<GroupRecord>(Record::fromPublic(table.beginEdit(h, 2)));
    ASSERT_NE(v2, nullptr);
    v2->children.push(0x70000001u);
    v2->children[0] = 0x90000003u;
    v2->entity.transform.m[13] = 7.0f;

    ASSERT_EQ(v1->children.count(), 1);
    EXPECT_EQ(v1->children[0], 0x60000000u);
    EXPECT_EQ(v1->entity.transform.m[13], 0.0f);
    EXPECT_EQ(v1->refCount(), 1);
    EXPECT_EQ(table.lookup(h), v2);
    v1->release();  // the frame is released: the old version goes
}

TEST_F(ObjectTableTest, DestroyKeepsAVersionThatAFrameStillUses) {
    table.create(CLASS_TYPE_CAMERA);
    CameraRecord* cam = camera(0);
    cam->addRef();
    EXPECT_EQ(table.destroy(CLASS_TYPE_CAMERA, 0), 0);
    EXPECT_EQ(cam->refCount(), 1);
    EXPECT_EQ(cam->width, 640);
    cam->release();
}

TEST_F(ObjectTableTest, WriteObjectWritesTheCurrentVersion) {
    table.create(CLASS_TYPE_CAMERA);
    table.create(CLASS_TYPE_CAMERA);
    auto* edit = recordAs<CameraRecord>(Record::fromPublic(table.beginEdit(HandleBase(CLASS_TYPE_CAMERA, 1), 1)));
    edit->height = 1234;

    std::vector<uint8_t> bytes = written(table, CLASS_TYPE_CAMERA, 1);
    util::MemorySink direct;
    util::OutputStream out(&direct);
    camera(1)->write(out);
    out.flush();
    EXPECT_EQ(bytes, direct.bytes());
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 1);  // the instance leads
}

TEST_F(ObjectTableTest, WriteObjectReportsMissingObjectsByClass) {
    ErrorRecorder recorder;
    util::setMessageCallback(&recorder);
    std::vector<std::string> expected;
    for (int type : kTabledTypes) {
        table.create(type);
        table.create(type);
        table.destroy(type, 1);
        EXPECT_TRUE(written(table, type, 1).empty());  // empty slot
        EXPECT_TRUE(written(table, type, 7).empty());  // out of range
        EXPECT_TRUE(written(table, type, -2).empty());
        std::string name = ObjectTable::className(type);
        expected.push_back("invalid " + name + " handle 1");
        expected.push_back("invalid " + name + " handle 7");
        expected.push_back("invalid " + name + " handle -2");
    }
    EXPECT_EQ(recorder.errors, expected);
    EXPECT_EQ(recorder.errors[0], "invalid FrameDef handle 1");
    EXPECT_EQ(recorder.errors.back(), "invalid DeviceSettings handle -2");

    recorder.errors.clear();
    for (int type : {0, 1, 5, 16}) EXPECT_TRUE(written(table, type, 0).empty());
    EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(ObjectTableTest, ClassNames) {
    const char* names[] = {"FrameDef", "RenderView", "Framebuffer", "Camera", "Light",
                           "Group", "Object", "Shader", "Geometry", "Texture",
                           "RenderOptions", "RenderAttributes", "DeviceSettings"};
    int i = 0;
    for (int type : kTabledTypes) EXPECT_STREQ(ObjectTable::className(type), names[i++]);
    for (int type : {0, 1, 5, 16}) EXPECT_EQ(ObjectTable::className(type), nullptr);
}

TEST_F(ObjectTableTest, ForEachObjectVisitsPoolsInTableOrder) {
    table.create(CLASS_TYPE_DEVICE_SETTINGS);
    table.create(CLASS_TYPE_FRAMEBUFFER);
    table.create(CLASS_TYPE_CAMERA);
    table.create(CLASS_TYPE_CAMERA);
    table.create(CLASS_TYPE_CAMERA);
    table.create(CLASS_TYPE_FRAME_DEF);
    table.create(CLASS_TYPE_GEOMETRY);
    table.destroy(CLASS_TYPE_CAMERA, 1);

    using Visit = std::pair<int, int>;
    std::vector<Visit> visits;
    table.forEachObject(
        [](void* context, const ObjectTable&, int type, int instance) {
            static_cast<std::vector<Visit>*>(context)->push_back(Visit(type, instance));
        },
        &visits);
    const std::vector<Visit> expected = {{CLASS_TYPE_FRAME_DEF, 0}, {CLASS_TYPE_CAMERA, 0},
                                         {CLASS_TYPE_CAMERA, 2},    {CLASS_TYPE_FRAMEBUFFER, 0},
                                         {CLASS_TYPE_GEOMETRY, 0},  {CLASS_TYPE_DEVICE_SETTINGS, 0}};
    EXPECT_EQ(visits, expected);
}

TEST_F(ObjectTableTest, ResetEmptiesEveryPoolAndRestartsNumbering) {
    for (int type : kTabledTypes) {
        table.create(type);
        table.create(type);
    }
    table.lookup(CLASS_TYPE_LIGHT, 1)->addRef();  // a frame still in flight
    Record* inFlight = table.lookup(CLASS_TYPE_LIGHT, 1);
    table.setSceneDirty(false);
    table.reset();
    EXPECT_TRUE(table.sceneDirty());
    for (int type : kTabledTypes) {
        EXPECT_EQ(table.slotCount(type), 0);
        EXPECT_FALSE(table.isValid(HandleBase(type, 0)));
    }
    EXPECT_EQ(inFlight->refCount(), 1);
    inFlight->release();
    EXPECT_EQ(table.create(CLASS_TYPE_CAMERA), 0);
    EXPECT_EQ(table.create(CLASS_TYPE_LIGHT), 0);
}

TEST_F(ObjectTableTest, SlotArraysGrowPastOneStep) {
    const int n = ObjectTable::kGrowthStep * 2 + 3;
    for (int i = 0; i < n; ++i) ASSERT_EQ(table.create(CLASS_TYPE_OBJECT), i);
    EXPECT_EQ(table.slotCount(CLASS_TYPE_OBJECT), n);
    for (int i : {0, 1023, 1024, 2047, 2048, n - 1}) {
        Record* r = table.lookup(CLASS_TYPE_OBJECT, i);
        ASSERT_NE(r, nullptr) << i;
        EXPECT_EQ(r->instance(), i);
    }
}

TEST_F(ObjectTableTest, MarkAllGeometryEditedStampsNewVersions) {
    for (int i = 0; i < 3; ++i) table.create(CLASS_TYPE_GEOMETRY);
    table.destroy(CLASS_TYPE_GEOMETRY, 1);
    table.create(CLASS_TYPE_CAMERA);
    Record* oldGeometry[3] = {table.lookup(CLASS_TYPE_GEOMETRY, 0), nullptr,
                              table.lookup(CLASS_TYPE_GEOMETRY, 2)};
    for (Record* r : oldGeometry) {
        if (r) r->addRef();
    }
    Record* cameraBefore = table.lookup(CLASS_TYPE_CAMERA, 0);

    table.setEditStamp(42);
    table.setSceneDirty(false);
    table.markAllGeometryEdited();
    EXPECT_TRUE(table.sceneDirty());
    for (int i : {0, 2}) {
        auto* g = recordAs<GeometryRecord>(table.lookup(CLASS_TYPE_GEOMETRY, i));
        ASSERT_NE(g, nullptr);
        EXPECT_NE(g, oldGeometry[i]);
        EXPECT_EQ(g->editStamp, 42);
        EXPECT_EQ(oldGeometry[i]->refCount(), 1);
        oldGeometry[i]->release();
    }
    EXPECT_EQ(table.lookup(CLASS_TYPE_GEOMETRY, 1), nullptr);
    EXPECT_EQ(table.lookup(CLASS_TYPE_CAMERA, 0), cameraBefore);
}

TEST_F(ObjectTableTest, BeginEditHandsTheStampToGeometryOnly) {
    table.create(CLASS_TYPE_GEOMETRY);
    auto* g = recordAs<GeometryRecord>(Record::fromPublic(table.beginEdit(HandleBase(CLASS_TYPE_GEOMETRY, 0), 9)));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->editStamp, 9);
}
