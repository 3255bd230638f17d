// The object table: instance numbering, copy-on-write edits and the lifetime
// of each version, writing objects, visiting them and resetting.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "scene/entity_records.h"
#include "scene/geometry_record.h"
#include "scene/object_table.h"
#include "scene_test_support.h"

using namespace hox;
using namespace hox::scene;
using hox::scene::testing::Bytes;
using hox::scene::testing::bytesOf;

namespace {

const int kTabledTypes[] = {2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

struct ObjectTableTest : ::testing::Test {
    ObjectTable table;

    CameraRecord* camera(int instance) { return recordAs<CameraRecord>(table.lookup(CLASS_TYPE_CAMERA, instance)); }
    Record* edit(int type, int instance, int stamp = 1) {
        return Record::fromPublic(table.beginEdit(HandleBase(type, instance), stamp));
    }
    Bytes written(int type, int instance) {
        util::MemorySink sink;
        util::OutputStream out(&sink);
        table.writeObject(type, instance, out);
        out.flush();
        return sink.bytes();
    }
};

}  // namespace

TEST_F(ObjectTableTest, InstancesAreNumberedPerClassInOrderAndNeverReused) {
    for (int type : kTabledTypes) {
        ASSERT_EQ(table.create(type), 0) << type;
        Record* r = table.lookup(type, 0);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(std::make_tuple(r->type(), r->instance(), r->refCount()), std::make_tuple(type, 0, 1));
    }
    for (int type : {-3, 0, 1, 5, 16}) {  // classes without a table
        EXPECT_EQ(std::make_tuple(table.create(type), table.slotCount(type), table.destroy(type, 0)),
                  std::make_tuple(-1, 0, 4096)) << type;
    }
    for (int type : {0, 1, 5}) EXPECT_FALSE(table.isValid(HandleBase(type, 0))) << type;
    const int n = ObjectTable::kGrowthStep * 2 + 3;  // past one growth step
    for (int i = 1; i < n; ++i) ASSERT_EQ(table.create(CLASS_TYPE_CAMERA), i);
    EXPECT_EQ(table.destroy(CLASS_TYPE_CAMERA, 1), 0);
    EXPECT_EQ(table.create(CLASS_TYPE_CAMERA), n);
    EXPECT_EQ(table.slotCount(CLASS_TYPE_CAMERA), n + 1);
    EXPECT_EQ(camera(n - 1)->instance(), n - 1);
    EXPECT_FALSE(table.isValid(HandleBase(CLASS_TYPE_CAMERA, 1)));
    EXPECT_TRUE(table.isValid(HandleBase(CLASS_TYPE_CAMERA, n)));
    EXPECT_FALSE(table.isValid(HandleBase(CLASS_TYPE_CAMERA)));  // instance 0xFFFFFFF
    EXPECT_FALSE(table.isValid(HandleBase(CLASS_TYPE_CAMERA, n + 1)));
    EXPECT_FALSE(table.isValid(HandleBase(CLASS_TYPE_LIGHT, 1)));
    // Destroying out of range is reported; an empty slot is tolerated.
    EXPECT_EQ(table.destroy(CLASS_TYPE_CAMERA, -1), -1);
    EXPECT_EQ(table.destroy(CLASS_TYPE_CAMERA, n + 1), -1);
    EXPECT_EQ(table.destroy(CLASS_TYPE_CAMERA, 1), 0);
}

TEST_F(ObjectTableTest, BeginEditHandsOutANewVersionOrNullButAlwaysMarksTheSceneDirty) {
    table.create(CLASS_TYPE_CAMERA);
    table.create(CLASS_TYPE_CAMERA);
    table.destroy(CLASS_TYPE_CAMERA, 1);
    for (const HandleBase& h : {HandleBase(CLASS_TYPE_CAMERA), HandleBase(CLASS_TYPE_CAMERA, 1),
                                HandleBase(CLASS_TYPE_CAMERA, 9), HandleBase(CLASS_TYPE_ENTITY, 0), HandleBase(0, 0)}) {
        table.setSceneDirty(false);
        EXPECT_EQ(table.beginEdit(h, 1), nullptr) << std::hex << h.getValue();
        EXPECT_TRUE(table.sceneDirty());
    }
    CameraRecord* original = camera(0);
    original->width = 800;
    original->addRef();  // keep it observable
    table.setSceneDirty(false);
    void* object = table.beginEdit(HandleBase(CLASS_TYPE_CAMERA, 0), 5);
    EXPECT_TRUE(table.sceneDirty());
    CameraRecord* edited = camera(0);
    ASSERT_NE(edited, original);
    EXPECT_EQ(Record::fromPublic(object), edited);
    EXPECT_EQ(edited->publicObject(), object);
    EXPECT_EQ(bytesOf(*edited), bytesOf(*original));
    EXPECT_EQ(std::make_tuple(edited->refCount(), original->refCount()), std::make_tuple(1, 1))
        << "the slot's reference moved to the new version";
    original->release();

    table.create(CLASS_TYPE_GEOMETRY);
    auto* g = recordAs<GeometryRecord>(edit(CLASS_TYPE_GEOMETRY, 0, 9));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->editStamp, 9);
}

TEST_F(ObjectTableTest, CopyOnWriteKeepsEachVersionAliveExactlyAsLongAsItIsHeld) {
    table.create(CLASS_TYPE_GROUP);
    HandleBase h(CLASS_TYPE_GROUP, 0);
    GroupRecord* v1 = recordAs<GroupRecord>(table.lookup(h));
    v1->children.push(0x60000000u);
    v1->addRef();  // the frame in flight

    GroupRecord* v2 = recordAs<GroupRecord>(edit(CLASS_TYPE_GROUP, 0, 2));
    ASSERT_NE(v2, nullptr);
    v2->children.push(0x70000001u);
    v2->children[0] = 0x90000003u;
    ASSERT_EQ(v1->children.count(), 1);
    EXPECT_EQ(v1->children[0], 0x60000000u);
    EXPECT_EQ(std::make_tuple(v1->refCount(), v2->refCount()), std::make_tuple(1, 1));

    // A second edit without a frame in between drops the slot's reference
    // on v2: only the observer's is left, and its release frees v2 (a leak
    // or a double free shows under the address sanitizer).
    v2->addRef();
    Record* v3 = edit(CLASS_TYPE_GROUP, 0);
    ASSERT_NE(v3, nullptr);
    EXPECT_EQ(std::make_tuple(table.lookup(h), v3->refCount(), v2->refCount()), std::make_tuple(v3, 1, 1));
    v2->release();
    v1->release();  // the frame is released: the old version goes

    // Destroy keeps a version that a frame still uses.
    table.create(CLASS_TYPE_CAMERA);
    CameraRecord* cam = camera(0);
    cam->addRef();
    EXPECT_EQ(table.destroy(CLASS_TYPE_CAMERA, 0), 0);
    EXPECT_EQ(std::make_tuple(table.lookup(CLASS_TYPE_CAMERA, 0), cam->refCount(), cam->width),
              std::make_tuple(nullptr, 1, 640));
    cam->release();
}

TEST_F(ObjectTableTest, WriteObjectWritesTheCurrentVersionOrReportsTheMissingObjectByClass) {
    table.create(CLASS_TYPE_CAMERA);
    table.create(CLASS_TYPE_CAMERA);
    recordAs<CameraRecord>(edit(CLASS_TYPE_CAMERA, 1))->height = 1234;
    const Bytes bytes = written(CLASS_TYPE_CAMERA, 1);
    EXPECT_EQ(bytes, bytesOf(*camera(1)));
    EXPECT_EQ(bytes.at(0), 1);  // the instance leads

    hox::scene::testing::MessageCatcher catcher;
    for (int type : kTabledTypes) {
        table.create(type);
        table.create(type);
        table.destroy(type, 1);
        for (int instance : {1, 7, -2}) EXPECT_TRUE(written(type, instance).empty()) << type;  // empty, out of range
    }
    for (int type : {0, 1, 5, 16}) {
        EXPECT_TRUE(written(type, 0).empty());
        EXPECT_EQ(ObjectTable::className(type), nullptr);
    }
    ASSERT_EQ(catcher.errors.size(), 3u * 13);
    EXPECT_EQ(catcher.errors[0], "invalid FrameDef handle 1");
    EXPECT_EQ(catcher.errors[3 * 3 + 2], "invalid Camera handle -2");
    EXPECT_EQ(catcher.errors.back(), "invalid DeviceSettings handle -2");
}

TEST_F(ObjectTableTest, ForEachObjectVisitsPoolsInTableOrderAndInstancesAscending) {
    for (auto it = std::rbegin(kTabledTypes); it != std::rend(kTabledTypes); ++it) table.create(*it);
    table.create(CLASS_TYPE_CAMERA);
    table.create(CLASS_TYPE_CAMERA);
    table.destroy(CLASS_TYPE_CAMERA, 1);
    using Visit = std::pair<int, int>;
    std::vector<Visit> visits;
    table.forEachObject(
        [](void* context, const ObjectTable&, int type, int instance) {
            static_cast<std::vector<Visit>*>(context)->push_back(Visit(type, instance));
        },
        &visits);
    const std::vector<Visit> expected = {
        {CLASS_TYPE_FRAME_DEF, 0}, {CLASS_TYPE_RENDER_VIEW, 0}, {CLASS_TYPE_CAMERA, 0},      {CLASS_TYPE_CAMERA, 2},
        {CLASS_TYPE_FRAMEBUFFER, 0}, {CLASS_TYPE_LIGHT, 0},     {CLASS_TYPE_GROUP, 0},       {CLASS_TYPE_OBJECT, 0},
        {CLASS_TYPE_SHADER, 0},    {CLASS_TYPE_GEOMETRY, 0},    {CLASS_TYPE_TEXTURE, 0},     {CLASS_TYPE_RENDER_OPTIONS, 0},
        {CLASS_TYPE_RENDER_ATTRIBUTES, 0}, {CLASS_TYPE_DEVICE_SETTINGS, 0}};
    EXPECT_EQ(visits, expected);
}

TEST_F(ObjectTableTest, ResetEmptiesEveryPoolAndMarkAllGeometryEditedStampsNewVersions) {
    for (int i = 0; i < 3; ++i) table.create(CLASS_TYPE_GEOMETRY);
    table.destroy(CLASS_TYPE_GEOMETRY, 1);
    table.create(CLASS_TYPE_CAMERA);
    Record* oldGeometry[3] = {table.lookup(CLASS_TYPE_GEOMETRY, 0), nullptr, table.lookup(CLASS_TYPE_GEOMETRY, 2)};
    oldGeometry[0]->addRef();
    oldGeometry[2]->addRef();
    Record* cameraBefore = table.lookup(CLASS_TYPE_CAMERA, 0);
    table.setEditStamp(42);
    table.setSceneDirty(false);
    table.markAllGeometryEdited();
    EXPECT_TRUE(table.sceneDirty());
    for (int i : {0, 2}) {
        auto* g = recordAs<GeometryRecord>(table.lookup(CLASS_TYPE_GEOMETRY, i));
        ASSERT_NE(g, nullptr);
        EXPECT_NE(g, oldGeometry[i]);
        EXPECT_EQ(std::make_tuple(g->editStamp, oldGeometry[i]->refCount()), std::make_tuple(42, 1));
        oldGeometry[i]->release();
    }
    EXPECT_EQ(table.lookup(CLASS_TYPE_GEOMETRY, 1), nullptr);
    EXPECT_EQ(table.lookup(CLASS_TYPE_CAMERA, 0), cameraBefore);

    for (int type : kTabledTypes) table.create(type);
    Record* inFlight = table.lookup(CLASS_TYPE_LIGHT, 0);
    inFlight->addRef();  // a frame still in flight
    table.setSceneDirty(false);
    table.reset();
    EXPECT_TRUE(table.sceneDirty());
    for (int type : kTabledTypes) EXPECT_EQ(table.slotCount(type), 0);
    EXPECT_FALSE(table.isValid(HandleBase(CLASS_TYPE_LIGHT, 0)));
    EXPECT_EQ(inFlight->refCount(), 1);
    inFlight->release();
    EXPECT_EQ(table.create(CLASS_TYPE_CAMERA), 0);
}
