// The frame cycle: overlap of frames in flight, sync rules, abort, failures.
// (The fallback from a missing cluster master is the cluster suite's.)
#include <chrono>

#include "accel/view_preparation.h"
#include "device_test_support.h"
#include "scene/object_table.h"

namespace hox {
namespace {

using namespace std::chrono_literals;
using testing_support::DelayedCompletion;

using FrameCycleTest = testing_support::DeviceTest;

TEST_F(FrameCycleTest, AsyncFramesOverlapByOneAndASynchronousFrameWaitsForAllInFlight) {
    useHeldEngine();
    buildView();
    const int f0 = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    EXPECT_EQ(2, device->framesInFlight());
    EXPECT_EQ(f0, slotOf(f0).frameNumber);
    EXPECT_EQ(f0 + 1, slotOf(f0 + 1).frameNumber);
    {
        DelayedCompletion first(heldEngine(), f0, 20ms);
        // If the third frame waited for the second as well, only this
        // fallback would end the wait, and the second would be done.
        DelayedCompletion fallback(heldEngine(), f0 + 1, 10s);
        ASSERT_EQ(0, hostDevice->frame(frameDef, true));
        EXPECT_TRUE(heldEngine().isPending(f0 + 1));
    }
    EXPECT_EQ(f0 + 2, device->frameNumber());
    EXPECT_EQ(2, device->framesInFlight());
    EXPECT_EQ(f0 + 2, slotOf(f0 + 2).frameNumber);
    EXPECT_EQ(f0 + 1, slotOf(f0 + 1).frameNumber);
    EXPECT_EQ(1, slotOf(f0 + 1).remainingUnits());

    // Switching to synchronous waits for both frames in flight.
    {
        DelayedCompletion second(heldEngine(), f0 + 1, 20ms);
        DelayedCompletion third(heldEngine(), f0 + 2, 30ms);
        ASSERT_EQ(0, hostDevice->frame(frameDef, false));
    }
    EXPECT_FALSE(heldEngine().isPending(f0 + 1));
    EXPECT_FALSE(heldEngine().isPending(f0 + 2));
    EXPECT_EQ(1, device->framesInFlight());
    EXPECT_EQ(-1, slotOf(f0 + 2).frameNumber);
    // After a synchronous frame the next frame waits for it, too.
    {
        DelayedCompletion fourth(heldEngine(), f0 + 3, 20ms);
        ASSERT_EQ(0, hostDevice->frame(frameDef, false));
    }
    EXPECT_FALSE(heldEngine().isPending(f0 + 3));
    EXPECT_EQ(1, device->framesInFlight());
    heldEngine().complete(f0 + 4);
    EXPECT_EQ(0, hostDevice->sync(1000, true));
    EXPECT_EQ(0, device->framesInFlight());
    EXPECT_EQ(-1, slotOf(f0 + 3).frameNumber);
    EXPECT_EQ(-1, slotOf(f0 + 4).frameNumber);
}

TEST_F(FrameCycleTest, SyncWaitsForTheCurrentFrameOnlyWhenAskedForAllAndTreatsNegativeAsZero) {
    useHeldEngine();
    // Nothing in flight right after Init: every sync returns at once.
    EXPECT_EQ(0, hostDevice->sync(0, false));
    EXPECT_EQ(0, hostDevice->sync(-1, true));

    buildView();
    const int f0 = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    // One async frame: sync without waitAll has nothing older to wait for.
    EXPECT_EQ(0, hostDevice->sync(0, false));
    EXPECT_EQ(RESULT_TIMEOUT, hostDevice->sync(-5, true));
    EXPECT_EQ(RESULT_TIMEOUT, hostDevice->sync(0, true));
    // A timed-out frame stays in flight and can be waited for again.
    EXPECT_EQ(1, device->framesInFlight());
    EXPECT_EQ(f0, slotOf(f0).frameNumber);
    heldEngine().complete(f0);
    EXPECT_EQ(0, hostDevice->sync(-5, true));
    EXPECT_EQ(0, device->framesInFlight());
}

TEST_F(FrameCycleTest, AbortWithTwoFramesInFlightFreesBothSlots) {
    useHeldEngine();
    buildView();
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    scene::CameraRecord* cameraVersion = current<scene::CameraRecord>(camera);
    ASSERT_NE(nullptr, cameraVersion);
    EXPECT_EQ(3, cameraVersion->refCount());  // table + two frames

    EXPECT_EQ(0, hostDevice->abort());
    EXPECT_EQ(1, heldEngine().aborts());
    EXPECT_EQ(0, device->framesInFlight());
    EXPECT_EQ(-1, device->frameSlot(0)->frameNumber);
    EXPECT_EQ(-1, device->frameSlot(1)->frameNumber);
    EXPECT_EQ(1, cameraVersion->refCount());
    bool dirty = false;
    EXPECT_EQ(0, hostDevice->query1b(QUERY_SCENE_DIRTY, dirty));
    EXPECT_TRUE(dirty);
    EXPECT_EQ(0, hostDevice->sync(0, true));
}

TEST_F(FrameCycleTest, FrameWithoutViewsStillAdvancesTheFrameNumber) {
    useHeldEngine();
    THandle<FrameDef> empty(hostDevice);
    const int f0 = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(empty, true));
    EXPECT_EQ(f0, device->frameNumber());
    EXPECT_EQ(0, slotOf(f0).viewCount());
    EXPECT_EQ(std::vector<int>{f0}, heldEngine().rendered());
    heldEngine().complete(f0);
    ASSERT_EQ(0, hostDevice->frame(empty, true));
    EXPECT_EQ(f0 + 1, device->frameNumber());
    heldEngine().complete(f0 + 1);
    EXPECT_EQ(0, hostDevice->sync(1000, true));
}

TEST_F(FrameCycleTest, UnknownFrameDefinitionOrNoDeviceFailsBeforeAnythingChanges) {
    THandle<FrameDef> missing;
    EXPECT_EQ(RESULT_FAILED, hostDevice->frame(missing, true));
    THandle<FrameDef> destroyed(hostDevice);
    destroyed.destroy();
    const int before = device->frameNumber();
    EXPECT_EQ(RESULT_FAILED, hostDevice->frame(destroyed, true));
    EXPECT_EQ(before, device->frameNumber());
    EXPECT_EQ(nullptr, device->engine());

    Shutdown(hostDevice);
    EXPECT_EQ(RESULT_FAILED, hostDevice->frame(frameDef, true));
    EXPECT_EQ(0, Init(&log, hostDevice));
}

TEST_F(FrameCycleTest, ViewListEntryThatIsNoRenderViewFailsWithAWarning) {
    useHeldEngine();
    buildView();
    THandle<RenderView> gone(hostDevice);
    const int goneInstance = gone.getInstance();
    gone.destroy();
    frameDef.beginEdit()->addRenderView(THandle<RenderView>::fromInstance(goneInstance));
    frameDef.endEdit();

    const int f0 = firstFrame();
    EXPECT_EQ(RESULT_INVALID_HANDLE, hostDevice->frame(frameDef, true));
    ASSERT_EQ(1u, log.warnings().size());
    EXPECT_EQ("invalid render view " + std::to_string(goneInstance), log.warnings()[0]);
    // The number advanced, but nothing went to the engine.
    EXPECT_EQ(f0, device->frameNumber());
    EXPECT_EQ(-1, slotOf(f0).frameNumber);
    EXPECT_EQ(0, device->framesInFlight());
    EXPECT_TRUE(heldEngine().rendered().empty());
    // The camera of the first, valid view was resolved but not referenced.
    EXPECT_EQ(1, current<scene::CameraRecord>(camera)->refCount());

    // A live handle of another class is no render view either.
    current<scene::FrameDefRecord>(frameDef)->renderViews[0] = camera.getValue();
    EXPECT_EQ(RESULT_INVALID_HANDLE, hostDevice->frame(frameDef, true));
    EXPECT_TRUE(heldEngine().rendered().empty());
}

// Below the device: prepareView refuses what is no render view with a
// camera and a framebuffer, and then holds no records.
TEST(ViewPreparation, BadHandleIsInvalidAndMissingCameraOrFramebufferFailsLeavingNoRecords) {
    scene::ObjectTable table;
    const HandleBase viewHandle(CLASS_TYPE_RENDER_VIEW, table.create(CLASS_TYPE_RENDER_VIEW));
    const HandleBase cameraHandle(CLASS_TYPE_CAMERA, table.create(CLASS_TYPE_CAMERA));
    const HandleBase framebufferHandle(CLASS_TYPE_FRAMEBUFFER, table.create(CLASS_TYPE_FRAMEBUFFER));
    scene::RenderViewRecord* record = scene::recordAs<scene::RenderViewRecord>(table.lookup(viewHandle));
    record->camera = cameraHandle.getValue();
    record->framebuffer = framebufferHandle.getValue();
    accel::PreparedView view;
    auto prepare = [&](const HandleBase& handle) { return accel::prepareView(view, table, handle, 0); };
    EXPECT_EQ(RESULT_INVALID_HANDLE, prepare(HandleBase(CLASS_TYPE_RENDER_VIEW, 5)));
    EXPECT_EQ(RESULT_INVALID_HANDLE, prepare(HandleBase(CLASS_TYPE_RENDER_VIEW)));
    EXPECT_EQ(RESULT_INVALID_HANDLE, prepare(cameraHandle));

    ASSERT_EQ(RESULT_OK, prepare(viewHandle));
    EXPECT_EQ(table.lookup(cameraHandle), view.camera);
    // A camera word naming a framebuffer is no camera.
    record->camera = framebufferHandle.getValue();
    EXPECT_EQ(RESULT_FAILED, prepare(viewHandle));
    EXPECT_EQ(nullptr, view.camera);
    EXPECT_EQ(nullptr, view.framebuffer);
    EXPECT_EQ(nullptr, view.renderView);
    record->camera = cameraHandle.getValue();
    table.destroy(CLASS_TYPE_FRAMEBUFFER, framebufferHandle.getInstance());
    EXPECT_EQ(RESULT_FAILED, prepare(viewHandle));
}

TEST_F(FrameCycleTest, FrameCopiesTheSettingsAndKeepsTheShaderPathWithASlash) {
    buildView();
    THandle<DeviceSettings> settings(hostDevice);
    frameDef.beginEdit()->setDeviceSettings(settings);
    frameDef.endEdit();
    scene::DeviceSettingsData& data = current<scene::DeviceSettingsRecord>(settings)->settings;
    data.threadCount = 3;
    const struct {
        const char* given;
        const char* searched;
    } paths[] = {{"/opt/shaders", "/opt/shaders/"}, {"", ""}, {"lib/", "lib/"}};
    for (const auto& path : paths) {
        SCOPED_TRACE(path.given);
        data.shaderPath = path.given;
        ASSERT_EQ(0, hostDevice->frame(frameDef, false));
        EXPECT_STREQ(path.searched, device->shaderSearchPath().c_str());
        EXPECT_EQ(3, device->settings().threadCount);
        EXPECT_EQ(3, slotOf(device->frameNumber()).settings.threadCount);
    }
}

}  // namespace
}  // namespace hox
