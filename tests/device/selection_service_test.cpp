// The selection service inside the device: the engine's frame context it
// follows, the references it holds on the last frame's records, the result
// array's growth and what a region result leaves in its slot.
#include <cmath>
#include <vector>

#include "device/selection_service.h"
#include "device_test_support.h"
#include "engine/render_engine.h"
#include "hox/selection.h"
#include "scene/geometry_record.h"

namespace hox {
namespace {

constexpr int kObjects = 20;

// A row of small quads at depth 10 in front of a 64 x 48 camera with a 90°
// field of view (the view spans x in [-10, 10] there), each with its own
// geometry, under a root group with the surface shader.
class SelectionServiceTest : public testing_support::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        buildView();
        Camera* c = camera.beginEdit();
        c->initPerspective(90.0f);
        c->setResolution(64, 48);
        c->setAspectRatio(64.0f / 48.0f);
        ASSERT_EQ(0, camera.endEdit());
        const THandle<Shader> surface = pluginShader("all_kinds", "all_kinds");
        for (int i = 0; i < kObjects; ++i) {
            geometries.emplace_back(hostDevice);
            objects.emplace_back(hostDevice);
            setQuad(geometries[i], {-8.0f + 0.8f * static_cast<float>(i), -0.25f, -10}, 0.5f, 0.5f);
            ASSERT_EQ(0, objects[i].beginEdit()->setGeometry(geometries[i]));
            ASSERT_EQ(0, objects[i].endEdit());
        }
        root = THandle<Group>(hostDevice);
        Group* g = root.beginEdit();
        ASSERT_EQ(0, g->setShader(surface));
        for (const THandle<Object>& object : objects) g->addChild(object);
        ASSERT_EQ(0, root.endEdit());
        view.beginEdit()->setSceneRoot(root);
        ASSERT_EQ(0, view.endEdit());
        service = static_cast<device::SelectionService*>(hostDevice->getSelectionDevice());
        ASSERT_NE(nullptr, service);
    }

    // The pixel column nearest the centre of quad i (x = -7.75 + 0.8 i at
    // depth 10); the quad is 1.6 pixels wide.
    static int column(int i) { return static_cast<int>(std::lround((-7.75f + 0.8f * i) / 10.0f * 32.0f + 32.0f)); }

    THandle<Group> root;
    std::vector<THandle<Geometry>> geometries;
    std::vector<THandle<Object>> objects;
    device::SelectionService* service = nullptr;
};

TEST_F(SelectionServiceTest, FollowsTheEngineAndHoldsTheLastFramesRecordsUntilTheNextFrame) {
    EXPECT_EQ(nullptr, service->frameContext());
    EXPECT_EQ(0, service->pick(view, column(3), 24));
    ASSERT_EQ(0, renderAndSync());
    ASSERT_NE(nullptr, device->engine());
    EXPECT_EQ(device->engine()->getFrameContext(), service->frameContext());

    scene::Record* object = current<scene::ObjectRecord>(objects[3]);
    scene::GeometryRecord* geometry = current<scene::GeometryRecord>(geometries[3]);
    // The table's reference and the service's: the frame's own are gone.
    EXPECT_EQ(2, object->refCount());
    EXPECT_EQ(2, geometry->refCount());

    // Destroyed after sync: the service's version still answers.
    ASSERT_EQ(0, root.beginEdit()->removeChild(objects[3]));
    ASSERT_EQ(0, root.endEdit());
    const uint32_t handle = objects[3].getValue();
    ASSERT_EQ(0, objects[3].destroy());
    EXPECT_EQ(1, object->refCount());
    ASSERT_EQ(1, service->pick(view, column(3), 24));
    EXPECT_EQ(handle, service->getResult(0)->object);
    ASSERT_EQ(kObjects, service->pickRegion(view, 0, 0, 64, 48));

    // The next frame no longer uses the geometry: its snapshot reference
    // goes with the old snapshot.
    ASSERT_EQ(0, renderAndSync());
    EXPECT_EQ(1, geometry->refCount());
    EXPECT_EQ(0, service->pick(view, column(3), 24));
    EXPECT_EQ(kObjects - 1, service->pickRegion(view, 0, 0, 64, 48));
}

TEST_F(SelectionServiceTest, ObjectsThatFindNoRoomAreLeftOut) {
    ASSERT_EQ(0, renderAndSync());
    // No room at all: a hit that cannot be stored is no result.
    service->setResultLimit(0);
    EXPECT_EQ(0, service->pick(view, column(0), 24));
    EXPECT_EQ(0, service->getNumResults());

    service->setResultLimit(16);  // one growth step: the seventeenth fails
    ASSERT_EQ(16, service->pickRegion(view, 0, 0, 64, 48));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(objects[i].getValue(), service->getResult(i)->object) << i;
    EXPECT_EQ(nullptr, service->getResult(16));
    service->setResultLimit(1 << 30);
    EXPECT_EQ(kObjects, service->pickRegion(view, 0, 0, 64, 48));
}

TEST_F(SelectionServiceTest, RegionResultsLeaveTheOtherWordsOfTheirSlot) {
    ASSERT_EQ(0, renderAndSync());
    // Drawn right to left around quad 5 only (pixels 19.2 to 20.8; its
    // neighbours end at 18.24 and start at 21.76).
    ASSERT_EQ(1, service->pickRegion(view, column(5) + 1, 20, column(5) - 1, 28));
    const SelectionResult* r = service->getResult(0);
    EXPECT_EQ(SelectionResult::VALID_BOUNDS | SelectionResult::VALID_OBJECT, r->valid);
    EXPECT_EQ(objects[5].getValue(), r->object);
    // A new slot starts at zero.
    EXPECT_EQ(0.0f, r->position.x);
    EXPECT_EQ(0.0f, r->distance);

    ASSERT_EQ(1, service->pick(view, column(5), 24));
    const Vec3f hit = service->getResult(0)->position;
    EXPECT_NEAR(-10.0f, hit.z, 1e-4f);
    ASSERT_EQ(1, service->pickRegion(view, column(5) + 1, 20, column(5) - 1, 28));
    EXPECT_EQ(20, service->getResult(0)->valid);
    EXPECT_EQ(hit.x, service->getResult(0)->position.x);
    EXPECT_EQ(hit.z, service->getResult(0)->position.z);
}

}  // namespace
}  // namespace hox
