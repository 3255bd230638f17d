// Frames of a real scene through the public interface: what view
// preparation hands the engine (as the frame slot's stream form shows it)
// and the compiled scenes the local engine's frame context builds from it.
#include <string>

#include "device_test_support.h"
#include "engine/frame_slot_serialization.h"
#include "engine/frame_context.h"
#include "engine/render_engine.h"
#include "trace/compiled_scene.h"
#include "util/memory_stream.h"

namespace hox {
namespace {

class FrameCompileTest : public testing_support::DeviceTest {
protected:
    // Two objects sharing one quad and a light, under a root group that
    // carries the surface shader.
    void buildScene() {
        buildView();
        const THandle<Shader> surface = pluginShader("all_kinds", "all_kinds");
        const THandle<Shader> lightShader = pluginShader("reloadable", "reloadable_b");
        quad = THandle<Geometry>(hostDevice);
        setQuad(quad, {0, 0, 0}, 1.0f, 1.0f);
        for (int i = 0; i < 2; ++i) {
            objects[i] = THandle<Object>(hostDevice);
            Object* o = objects[i].beginEdit();
            o->setGeometry(quad);
            o->setTransform({{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 4.0f * i, 0, 0, 1}});
            ASSERT_EQ(0, objects[i].endEdit());
        }
        light = THandle<Light>(hostDevice);
        ASSERT_EQ(0, light.beginEdit()->setShader(lightShader));
        ASSERT_EQ(0, light.endEdit());
        root = THandle<Group>(hostDevice);
        Group* g = root.beginEdit();
        ASSERT_EQ(0, g->setShader(surface));
        for (const EntityHandle& child : {EntityHandle(objects[0]), EntityHandle(objects[1]),
                                          EntityHandle(light)}) {
            g->addChild(child);
        }
        ASSERT_EQ(0, root.endEdit());
        view.beginEdit()->setSceneRoot(root);
        ASSERT_EQ(0, view.endEdit());
    }

    // The slot of `frameNumber` as the cluster engine would send it.
    void decode(int frameNumber, engine::DecodedFrame& frame) {
        util::MemorySink sink;
        util::OutputStream out(&sink);
        engine::writeFrameSlot(out, slotOf(frameNumber));
        out.flush();
        util::MemorySource source(sink.data(), sink.size());
        util::InputStream in(&source);
        ASSERT_TRUE(engine::readFrameSlot(in, frame));
        ASSERT_EQ(1u, frame.views.size());
    }

    const trace::CompiledScene& compiled(int frameNumber) {
        engine::FrameContext* context = device->engine()->getFrameContext();
        EXPECT_NE(nullptr, context);
        const trace::CompiledScene* scene = context ? context->sceneState(frameNumber & 1, 0) : nullptr;
        EXPECT_NE(nullptr, scene);
        return *scene;
    }

    THandle<Geometry> quad;
    THandle<Group> root;
    THandle<Object> objects[2];
    THandle<Light> light;
};

TEST_F(FrameCompileTest, FramesCarryTheWalkedSceneAndCompileItWithSharedMeshes) {
    buildScene();
    const int first = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(frameDef, false));

    engine::DecodedFrame frame;
    decode(first, frame);
    const engine::DecodedView& v = *frame.views[0];
    ASSERT_EQ(2, v.objects.count());
    EXPECT_EQ(objects[0].getInstance(), v.objects[0].object);
    EXPECT_EQ(4.0f, v.objects[1].worldMatrix.m[12]);
    EXPECT_EQ(5.0f, v.objects[1].boundsMax.x);
    ASSERT_EQ(1, v.lights.count());
    EXPECT_EQ(light.getInstance(), v.lights[0].light);
    EXPECT_EQ(1, v.geometries.count());
    EXPECT_EQ(2, v.shaders.count());
    EXPECT_FLOAT_EQ(2.0f / 5.0f, v.worldScale);
    EXPECT_FLOAT_EQ(-2.5f, v.worldOffset.x);

    const trace::CompiledScene& even = compiled(first);
    ASSERT_EQ(2, even.instances.count);
    ASSERT_NE(nullptr, even.instances[0].mesh);
    EXPECT_EQ(even.instances[0].mesh, even.instances[1].mesh);

    // The other parity gets a scene of its own over the same mesh.
    ASSERT_EQ(0, hostDevice->frame(frameDef, false));
    const trace::CompiledScene& odd = compiled(first + 1);
    EXPECT_NE(&even, &odd);
    ASSERT_EQ(2, odd.instances.count);
    EXPECT_EQ(even.instances[0].mesh, odd.instances[0].mesh);

    // An edited geometry is a new version: it is compiled afresh.
    setQuad(quad, {0, 0, 0}, 2.0f, 2.0f);
    ASSERT_EQ(0, hostDevice->frame(frameDef, false));
    const trace::CompiledScene& edited = compiled(first + 2);
    ASSERT_EQ(2, edited.instances.count);
    EXPECT_NE(odd.instances[0].mesh, edited.instances[0].mesh);
    EXPECT_EQ(0, hostDevice->sync(1000, true));
}

TEST_F(FrameCompileTest, ADestroyedChildLeavesTheFrameValid) {
    buildScene();
    ASSERT_EQ(0, objects[0].destroy());
    const int first = firstFrame();
    ASSERT_EQ(0, hostDevice->frame(frameDef, false));
    engine::DecodedFrame frame;
    decode(first, frame);
    ASSERT_EQ(1, frame.views[0]->objects.count());
    EXPECT_EQ(objects[1].getInstance(), frame.views[0]->objects[0].object);
    EXPECT_EQ(1, compiled(first).instances.count);
    EXPECT_TRUE(log.warnings().empty());
}

}  // namespace
}  // namespace hox
