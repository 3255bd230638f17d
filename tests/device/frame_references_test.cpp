// References a frame holds on the records it renders from, the compiled
// scenes the local engine keeps per frame parity, the forced rebuild, and the
// engine's view of handle operations.
#include <vector>

#include "device_test_support.h"
#include "engine/frame_context.h"
#include "scene/geometry_record.h"
#include "trace/compiled_scene.h"

namespace hox {
namespace {

using FrameReferencesTest = testing_support::DeviceTest;

// Each frame in flight holds one reference on every record of its view; an
// edit meanwhile makes a new version and leaves the frames' one alive.
TEST_F(FrameReferencesTest, FramesReferenceTheirViewsRecordsAndKeepAnEditedVersionAlive) {
    useHeldEngine();
    buildView();
    THandle<RenderOptions> options(hostDevice);
    THandle<Shader> environment(hostDevice);
    RenderView* v = view.beginEdit();
    v->setRenderOptions(options);
    v->setEnvironmentShader(environment);
    view.endEdit();
    auto expectRefCounts = [&](int expected) {
        for (const HandleBase& h : {HandleBase(camera), HandleBase(framebuffer), HandleBase(view),
                                    HandleBase(options), HandleBase(environment)}) {
            EXPECT_EQ(expected, device->objectTable().lookup(h)->refCount()) << "class " << h.getType();
        }
    };

    const int f0 = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    EXPECT_EQ(1, slotOf(f0).useCount);
    ASSERT_EQ(0, hostDevice->frame(frameDef, true));
    expectRefCounts(3);

    scene::CameraRecord* rendered = current<scene::CameraRecord>(camera);
    ASSERT_NE(nullptr, camera.beginEdit());
    camera.endEdit();
    scene::CameraRecord* edited = current<scene::CameraRecord>(camera);
    EXPECT_NE(rendered, edited);
    // Only the frames keep the old version now, and they still see it.
    EXPECT_EQ(2, rendered->refCount());
    EXPECT_EQ(rendered, slotOf(f0).view(0).camera);
    EXPECT_EQ(rendered, slotOf(f0 + 1).view(0).camera);

    heldEngine().complete(f0);
    heldEngine().complete(f0 + 1);
    ASSERT_EQ(0, hostDevice->sync(1000, true));
    expectRefCounts(1);
    EXPECT_EQ(0, slotOf(f0).useCount);
    EXPECT_EQ(nullptr, slotOf(f0).view(0).camera);
    EXPECT_EQ(edited, current<scene::CameraRecord>(camera));
}

// Each parity gets a compiled scene of its own over the meshes the other
// shares; an edited geometry is a new version and is compiled afresh.
TEST_F(FrameReferencesTest, ParityScenesShareMeshesUntilTheGeometryIsEdited) {
    buildView();
    THandle<Geometry> quad(hostDevice);
    setQuad(quad, {0, 0, 0}, 1.0f, 1.0f);
    THandle<Group> root(hostDevice);
    Group* g = root.beginEdit();
    ASSERT_EQ(0, g->setShader(pluginShader("all_kinds", "all_kinds")));
    for (int i = 0; i < 2; ++i) {
        THandle<Object> object(hostDevice);
        Object* o = object.beginEdit();
        o->setGeometry(quad);
        o->setTransform({{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 4.0f * i, 0, 0, 1}});
        ASSERT_EQ(0, object.endEdit());
        g->addChild(object);
    }
    ASSERT_EQ(0, root.endEdit());
    view.beginEdit()->setSceneRoot(root);
    ASSERT_EQ(0, view.endEdit());
    auto compiled = [this](int frameNumber) -> const trace::CompiledScene& {
        EXPECT_EQ(0, hostDevice->frame(frameDef, false));
        const trace::CompiledScene* scene = device->engine()->getFrameContext()->sceneState(frameNumber & 1, 0);
        EXPECT_NE(nullptr, scene);
        EXPECT_EQ(2, scene->instances.count);
        return *scene;
    };

    const int first = firstFrame();
    const trace::CompiledScene& even = compiled(first);
    ASSERT_NE(nullptr, even.instances[0].mesh);
    EXPECT_EQ(even.instances[0].mesh, even.instances[1].mesh);
    const trace::CompiledScene& odd = compiled(first + 1);
    EXPECT_NE(&even, &odd);
    EXPECT_EQ(even.instances[0].mesh, odd.instances[0].mesh);
    setQuad(quad, {0, 0, 0}, 2.0f, 2.0f);
    EXPECT_NE(odd.instances[0].mesh, compiled(first + 2).instances[0].mesh);
    EXPECT_EQ(0, hostDevice->sync(1000, true));
    EXPECT_TRUE(log.warnings().empty());
}

TEST_F(FrameReferencesTest, ForcedRebuildGivesEveryGeometryANewVersionAndResetsTheSwitch) {
    buildView();
    std::vector<THandle<Geometry>> geometries;
    for (int i = 0; i < 3; ++i) geometries.emplace_back(hostDevice);
    geometries[1].destroy();
    for (const THandle<Geometry>& g : {geometries[0], geometries[2]}) {
        current<scene::GeometryRecord>(g)->editStamp = -5;
    }
    ASSERT_EQ(0, hostDevice->frame(frameDef, false));
    const int stamp = static_cast<int>(device->objectTable().editStamp());

    util::rt_rebuild.set(true);
    ASSERT_EQ(0, hostDevice->frame(frameDef, false));
    for (const THandle<Geometry>& g : {geometries[0], geometries[2]}) {
        EXPECT_EQ(stamp, current<scene::GeometryRecord>(g)->editStamp);
    }
    EXPECT_FALSE(geometries[1].isValid());
    EXPECT_FALSE(util::rt_rebuild.get());
    EXPECT_STREQ("false", util::rt_rebuild.getValueString());
    EXPECT_TRUE(util::rt_rebuild.getFlags() & util::CVAR_MODIFIED);
    // A rebuild is an edit: nothing may stay static in that frame.
    EXPECT_FALSE(slotOf(device->frameNumber()).view(0).isStatic);

    // A new edit is stamped with the number of the frame it will first be in.
    current<scene::GeometryRecord>(geometries[0])->editStamp = -5;
    ASSERT_NE(nullptr, geometries[0].beginEdit());
    EXPECT_EQ(device->frameNumber() + 1, current<scene::GeometryRecord>(geometries[0])->editStamp);
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

}  // namespace
}  // namespace hox
