#include <gtest/gtest.h>

#include <vector>

#include "hox/camera.h"
#include "hox/device_settings.h"
#include "hox/entity.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/render_attributes.h"
#include "hox/render_options.h"
#include "hox/render_view.h"
#include "hox/status.h"
#include "scene/entity_records.h"
#include "scene/record.h"
#include "scene/settings_records.h"
#include "scene/view_records.h"

namespace {

using namespace hox;

// A record version as beginEdit would hand it out: the public object `T`
// edits a fresh record of T's class.
template <typename T>
class Edited {
public:
    Edited() : m_record(scene::createRecord(T::TypeId, 1)) {
        if (m_record) m_record->addRef();
    }
    ~Edited() {
        if (m_record) m_record->release();
    }
    bool ok() const { return m_record != nullptr; }
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

std::vector<unsigned int> childValues(const Group& group) {
    std::vector<unsigned int> values;
    for (EntityConstIterator it = group.getChildren(); it.valid(); it.next()) values.push_back(it.get().getValue());
    return values;
}

// --- Group -------------------------------------------------------------

TEST(GroupApi, ChildrenKeepTheirOrderAndClass) {
    Edited<Group> group;
    ASSERT_TRUE(group.ok());
    const EntityHandle camera = THandle<Camera>::fromInstance(3);
    const EntityHandle light = THandle<Light>::fromInstance(3);
    group->addChild(camera);
    group->addChild(light);
    EXPECT_EQ(group->getNumChildren(), 2);
    EXPECT_EQ(group->getChild(0).getValue(), camera.getValue());
    EXPECT_EQ(group->getChild(1).getType(), CLASS_TYPE_LIGHT);
    // Same instance, other class: a different child.
    EXPECT_EQ(group->findChild(light), 1);
    EXPECT_EQ(group->findChild(THandle<Object>::fromInstance(3)), -1);
}

TEST(GroupApi, RemoveChildOfANonChildReports4096) {
    Edited<Group> group;
    group->addChild(entity(CLASS_TYPE_OBJECT, 1));
    EXPECT_EQ(group->removeChild(entity(CLASS_TYPE_OBJECT, 2)), RESULT_INVALID_HANDLE);
    EXPECT_EQ(group->getNumChildren(), 1);
}

TEST(GroupApi, RemoveChildAddedTwiceRemovesTheFirstOnly) {
    Edited<Group> group;
    const EntityHandle a = entity(CLASS_TYPE_OBJECT, 1);
    const EntityHandle b = entity(CLASS_TYPE_GROUP, 2);
    group->addChild(a);
    group->addChild(b);
    group->addChild(a);
    EXPECT_EQ(group->removeChild(a), RESULT_OK);
    EXPECT_EQ(childValues(group.object()), (std::vector<unsigned int>{b.getValue(), a.getValue()}));
    EXPECT_EQ(group->findChild(a), 1);
}

TEST(GroupApi, IndexedAccessOutsideTheListFails) {
    Edited<Group> group;
    const EntityHandle a = entity(CLASS_TYPE_OBJECT, 1);
    EXPECT_EQ(group->findChild(a), -1);
    EXPECT_EQ(group->setChild(0, a), RESULT_FAILED);
    group->addChild(a);
    group->addChild(a);
    EXPECT_EQ(group->setChild(2, a), RESULT_FAILED);
    EXPECT_EQ(group->setChild(-1, a), RESULT_FAILED);
    EXPECT_EQ(group->setChild(1, entity(CLASS_TYPE_LIGHT, 5)), RESULT_OK);
    EXPECT_EQ(group->getChild(1).getValue(), entity(CLASS_TYPE_LIGHT, 5).getValue());
    // Out of range reads give the null Entity handle.
    for (int index : {-1, 2, 1 << 30}) {
        EXPECT_EQ(group->getChild(index).getValue(), 0x5FFFFFFFu) << index;
        EXPECT_TRUE(group->getChild(index).isNull());
    }
}

TEST(GroupApi, ReplaceChildChangesTheFirstMatch) {
    Edited<Group> group;
    const EntityHandle a = entity(CLASS_TYPE_OBJECT, 1);
    const EntityHandle b = entity(CLASS_TYPE_OBJECT, 2);
    EXPECT_EQ(group->replaceChild(a, b), RESULT_FAILED);
    group->addChild(a);
    group->addChild(a);
    EXPECT_EQ(group->replaceChild(a, b), RESULT_OK);
    EXPECT_EQ(childValues(group.object()), (std::vector<unsigned int>{b.getValue(), a.getValue()}));
    EXPECT_EQ(group->replaceChild(entity(CLASS_TYPE_OBJECT, 9), b), RESULT_FAILED);
}

TEST(GroupApi, RemoveAllChildrenKeepsCapacityForTheNextAdds) {
    Edited<Group> group;
    for (int i = 0; i < 20; ++i) group->addChild(entity(CLASS_TYPE_OBJECT, i));
    const scene::GroupRecord& record = group.record<scene::GroupRecord>();
    const int capacity = record.children.capacity();
    const unsigned int* block = record.children.data();
    ASSERT_GE(capacity, 20);
    group->removeAllChildren();
    EXPECT_EQ(group->getNumChildren(), 0);
    group->addChild(entity(CLASS_TYPE_LIGHT, 7));
    EXPECT_EQ(record.children.capacity(), capacity);
    EXPECT_EQ(record.children.data(), block);
    EXPECT_EQ(group->getChild(0).getValue(), entity(CLASS_TYPE_LIGHT, 7).getValue());
}

TEST(GroupApi, IteratorOverChildren) {
    Edited<Group> group;
    EntityConstIterator empty = group->getChildren();
    EXPECT_FALSE(empty.valid());
    EXPECT_EQ(empty.remaining(), 0);
    int visited = 0;
    for (EntityHandle child : group->getChildren()) {
        (void)child;
        ++visited;
    }
    EXPECT_EQ(visited, 0);

    group->addChild(entity(CLASS_TYPE_OBJECT, 4));
    group->addChild(entity(CLASS_TYPE_CAMERA, 5));
    group->addChild(entity(CLASS_TYPE_GROUP, 6));
    EntityConstIterator it = group->getChildren();
    EXPECT_EQ(it.remaining(), 3);
    std::vector<int> instances;
    for (EntityHandle child : it) instances.push_back(child.getInstance());
    EXPECT_EQ(instances, (std::vector<int>{4, 5, 6}));
    ++it;
    EXPECT_EQ((*it).getType(), CLASS_TYPE_CAMERA);
    EXPECT_TRUE(it != it.end());

    // Emptied but still owning its block: the iterator is null again.
    group->removeAllChildren();
    EXPECT_FALSE(group->getChildren().valid());
}

// --- FrameDef ----------------------------------------------------------

THandle<RenderView> view(int instance) { return THandle<RenderView>::fromInstance(instance); }

TEST(FrameDefApi, AddRenderViewReturnsTheNewIndex) {
    Edited<FrameDef> frame;
    EXPECT_EQ(frame->addRenderView(view(10)), 0);
    EXPECT_EQ(frame->addRenderView(view(11)), 1);
    EXPECT_EQ(frame->addRenderView(view(10)), 2);
    EXPECT_EQ(frame->getNumRenderViews(), 3);
    EXPECT_EQ(frame->getRenderView(1), view(11));
    EXPECT_EQ(frame->findRenderView(view(10)), 0);
}

TEST(FrameDefApi, OutOfRangeReadsGiveTheNullRenderView) {
    Edited<FrameDef> frame;
    EXPECT_EQ(frame->getRenderView(-1).getValue(), 0x3FFFFFFFu);
    frame->addRenderView(view(1));
    EXPECT_EQ(frame->getRenderView(1).getValue(), 0x3FFFFFFFu);
    EXPECT_EQ(frame->getRenderView(0), view(1));
}

TEST(FrameDefApi, ListEditing) {
    Edited<FrameDef> frame;
    EXPECT_EQ(frame->removeRenderView(view(1)), RESULT_INVALID_HANDLE);
    EXPECT_EQ(frame->replaceRenderView(view(1), view(2)), RESULT_FAILED);
    EXPECT_EQ(frame->findRenderView(view(1)), -1);
    frame->addRenderView(view(1));
    frame->addRenderView(view(2));
    frame->addRenderView(view(1));
    EXPECT_EQ(frame->setRenderView(3, view(5)), RESULT_FAILED);
    EXPECT_EQ(frame->setRenderView(2, view(5)), RESULT_OK);
    EXPECT_EQ(frame->replaceRenderView(view(2), view(6)), RESULT_OK);
    EXPECT_EQ(frame->removeRenderView(view(1)), RESULT_OK);
    ASSERT_EQ(frame->getNumRenderViews(), 2);
    EXPECT_EQ(frame->getRenderView(0), view(6));
    EXPECT_EQ(frame->getRenderView(1), view(5));
    frame->removeAllRenderViews();
    EXPECT_EQ(frame->getNumRenderViews(), 0);
}

TEST(FrameDefApi, DeviceSettingsHandleIsStored) {
    Edited<FrameDef> frame;
    EXPECT_EQ(frame.record<scene::FrameDefRecord>().deviceSettings, 0xFFFFFFFFu);
    EXPECT_EQ(frame->setDeviceSettings(THandle<DeviceSettings>::fromInstance(4)), RESULT_OK);
    EXPECT_EQ(frame.record<scene::FrameDefRecord>().deviceSettings, 0xF0000004u);
}

// --- RenderView and Framebuffer ----------------------------------------

TEST(RenderViewApi, GettersReferToTheStoredHandles) {
    Edited<RenderView> v;
    EXPECT_EQ(v->getSceneRoot().getValue(), 0x8FFFFFFFu);
    EXPECT_EQ(v->getCamera().getValue(), 0x6FFFFFFFu);
    EXPECT_EQ(v->getFramebuffer().getValue(), 0x4FFFFFFFu);
    EXPECT_EQ(v->getEnvironmentShader().getValue(), 0xAFFFFFFFu);
    EXPECT_EQ(v->getRenderOptions().getValue(), 0xDFFFFFFFu);

    const THandle<Camera>& camera = v->getCamera();
    v->setCamera(THandle<Camera>::fromInstance(2));
    EXPECT_EQ(camera, THandle<Camera>::fromInstance(2));  // a reference, not a copy
    v->setSceneRoot(THandle<Group>::fromInstance(3));
    v->setFramebuffer(THandle<Framebuffer>::fromInstance(4));
    v->setEnvironmentShader(THandle<Shader>::fromInstance(5));
    v->setRenderOptions(THandle<RenderOptions>::fromInstance(6));
    const scene::RenderViewRecord& r = v.record<scene::RenderViewRecord>();
    EXPECT_EQ(r.sceneRoot, 0x80000003u);
    EXPECT_EQ(r.framebuffer, 0x40000004u);
    EXPECT_EQ(r.environmentShader, 0xA0000005u);
    EXPECT_EQ(r.renderOptions, 0xD0000006u);
    EXPECT_EQ(v->getRenderOptions().getInstance(), 6);
}

struct CountingCallback : IFramebufferCallback {
    int swaps = 0;
    void swap(const SwapInfo*) override { ++swaps; }
};

TEST(FramebufferApi, FormatAndCallbackAreStored) {
    Edited<Framebuffer> fb;
    EXPECT_EQ(fb->getFormat(), FRAMEBUFFER_FORMAT_RGBA32F);
    EXPECT_EQ(fb->getSwapCallback(), nullptr);
    CountingCallback callback;
    fb->setFormat(FRAMEBUFFER_FORMAT_RGBA8);
    fb->setSwapCallback(&callback);
    EXPECT_EQ(fb.record<scene::FramebufferRecord>().format, 1);
    EXPECT_EQ(fb->getSwapCallback(), &callback);
    // An unknown format is kept; it is reported when an image is produced.
    fb->setFormat(static_cast<EFramebufferFormat>(7));
    EXPECT_EQ(fb->getFormat(), 7);
}

// --- entities ----------------------------------------------------------

TEST(EntityApi, TransformShaderAndAttributes) {
    Edited<Object> object;
    Mat4f m;
    for (int i = 0; i < 16; ++i) m.m[i] = static_cast<float>(i) * 0.5f;
    object->setTransform(m);
    Mat4f back = {};
    object->getTransform(back);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(back.m[i], m.m[i]);

    EXPECT_EQ(object->setShader(THandle<Shader>::fromInstance(8)), RESULT_OK);
    object->setRenderAttributes(THandle<RenderAttributes>::fromInstance(9));
    const scene::ObjectRecord& r = object.record<scene::ObjectRecord>();
    EXPECT_EQ(r.entity.shader, 0xA0000008u);
    EXPECT_EQ(r.entity.renderAttributes, 0xE0000009u);
}

TEST(EntityApi, ObjectGeometryReferenceFollowsTheRecord) {
    Edited<Object> object;
    const THandle<Geometry>& geometry = object->getGeometry();
    EXPECT_EQ(geometry.getValue(), 0xBFFFFFFFu);
    EXPECT_EQ(object->setGeometry(THandle<Geometry>::fromInstance(12)), RESULT_OK);
    EXPECT_EQ(geometry.getInstance(), 12);
    EXPECT_EQ(object.record<scene::ObjectRecord>().geometry, 0xB000000Cu);
}

TEST(EntityApi, EntityOperationsWorkOnEveryEntityClass) {
    Edited<Camera> camera;
    Edited<Light> light;
    Mat4f moved = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 4, 5, 6, 1}};
    camera->setTransform(moved);
    light->setTransform(moved);
    EXPECT_EQ(camera.record<scene::CameraRecord>().entity.transform.m[12], 4.0f);
    EXPECT_EQ(light.record<scene::LightRecord>().entity.transform.m[14], 6.0f);
}

TEST(LightApi, TypeOutsideRangeIsRefusedAndKept) {
    Edited<Light> light;
    EXPECT_EQ(light->setLightType(LIGHT_TYPE_DIRECTIONAL), RESULT_OK);
    EXPECT_EQ(light->setLightType(static_cast<ELightType>(3)), RESULT_INVALID_ENUM);
    EXPECT_EQ(light->getLightType(), LIGHT_TYPE_DIRECTIONAL);
}

TEST(LightApi, ParametersRoundTrip) {
    Edited<Light> light;
    EXPECT_EQ(light->setParameter1f(LIGHT_PARAMETER_ANGULAR_SIZE, 60.0f), RESULT_OK);
    EXPECT_EQ(light->setParameter1b(LIGHT_PARAMETER_CAST_SHADOWS, false), RESULT_OK);
    EXPECT_EQ(light->setParameter1i(LIGHT_PARAMETER_LIGHT_GROUP, 3), RESULT_OK);
    EXPECT_EQ(light->setParameter1i(LIGHT_PARAMETER_RANGE, 3), RESULT_INVALID_ENUM);
    float tangent = 0.0f;
    bool shadows = true;
    int group = 0;
    EXPECT_EQ(light->getParameter1f(LIGHT_PARAMETER_ANGULAR_SIZE, tangent), RESULT_OK);
    EXPECT_EQ(light->getParameter1b(LIGHT_PARAMETER_CAST_SHADOWS, shadows), RESULT_OK);
    EXPECT_EQ(light->getParameter1i(LIGHT_PARAMETER_LIGHT_GROUP, group), RESULT_OK);
    EXPECT_NEAR(tangent, 1.0f, 1e-6f);
    EXPECT_FALSE(shadows);
    EXPECT_EQ(group, 3);
}

TEST(CameraApi, SettersForwardToTheCameraModel) {
    Edited<Camera> camera;
    EXPECT_EQ(camera->getWidth(), 640);
    camera->initPerspective(200.0f);
    EXPECT_EQ(camera->getFieldOfView(), 178.0f);
    camera->setDepthOfField(0.0001f, 2.0f);
    EXPECT_EQ(camera->getFocalDistance(), 0.001f);
    EXPECT_EQ(camera->getLensRadius(), 2.0f);
    camera->setWindowRegion(100, 50, 10, 20);
    int x0, y0, x1, y1;
    camera->getWindowRegion(x0, y0, x1, y1);
    EXPECT_EQ(x1, 100);
    EXPECT_EQ(y1, 50);
    camera->initProjection({1, 2, 3}, {4, 5, 6}, {7, 8, 9});
    Vec3f p0, p1, p2;
    camera->getProjection(p0, p1, p2);
    EXPECT_EQ(camera->getCameraType(), CAMERA_TYPE_PROJECTION);
    EXPECT_EQ(p2.z, 9.0f);
}

// --- settings classes --------------------------------------------------

TEST(SettingsApi, RenderOptionsForwardTheRules) {
    Edited<RenderOptions> options;
    EXPECT_EQ(options->setOption1i(OPTION_TRACE_DEPTH, 7), RESULT_OK);
    EXPECT_EQ(options->setOption1i(OPTION_TRACE_DEPTH_THRESHOLD, 3), RESULT_INVALID_ENUM);
    EXPECT_EQ(options->setOption1f(OPTION_OCCLUSION_ACCURACY, 0.75f), RESULT_OK);
    EXPECT_EQ(options->setOption1b(OPTION_OCCLUSION, false), RESULT_OK);
    EXPECT_EQ(options->setOption1b(static_cast<ERenderOption>(15), false), RESULT_INVALID_ENUM);
    int depth = 0;
    float accuracy = 0.0f;
    bool occlusion = true;
    EXPECT_EQ(options->getOption1i(OPTION_TRACE_DEPTH, depth), RESULT_OK);
    EXPECT_EQ(options->getOption1f(OPTION_OCCLUSION_ACCURACY, accuracy), RESULT_OK);
    EXPECT_EQ(options->getOption1b(OPTION_OCCLUSION, occlusion), RESULT_OK);
    EXPECT_EQ(depth, 7);
    EXPECT_EQ(accuracy, 0.75f);
    EXPECT_FALSE(occlusion);
}

TEST(SettingsApi, RenderAttributesForwardTheRules) {
    Edited<RenderAttributes> attributes;
    const int lights[] = {3, 1};
    EXPECT_EQ(attributes->setAttribute1b(ATTRIBUTE_CAMERA_RAYS, false), RESULT_OK);
    EXPECT_EQ(attributes->setAttribute1f(ATTRIBUTE_OCCLUSION_RANGE, 2.0f), RESULT_OK);
    EXPECT_EQ(attributes->setAttribute1iv(ATTRIBUTE_ADD_LIST, 2, lights), RESULT_OK);
    EXPECT_EQ(attributes->removeAttribute(static_cast<ERenderAttribute>(9)), RESULT_INVALID_ENUM);
    const scene::RenderAttributesRecord& r = attributes.record<scene::RenderAttributesRecord>();
    EXPECT_EQ(r.givenMask, 1u);
    EXPECT_EQ(r.offMask, 1u);
    EXPECT_EQ(r.floatValue, 2.0f);
    EXPECT_EQ(r.addList.count(), 2);
}

TEST(SettingsApi, DeviceSettingsForwardTheRules) {
    Edited<DeviceSettings> settings;
    EXPECT_EQ(settings->setSetting1i(DEVICE_CLUSTER_MASTER_PORT, 1024), RESULT_INVALID_VALUE);
    EXPECT_EQ(settings->setSetting1i(DEVICE_THREAD_COUNT, -2), RESULT_OK);
    EXPECT_EQ(settings->setSetting1b(DEVICE_CLUSTER, true), RESULT_OK);
    EXPECT_EQ(settings->setSetting1f(DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL, 0.5f), RESULT_OK);
    EXPECT_EQ(settings->setSetting1s(DEVICE_SHADER_PATH, nullptr), RESULT_OK);
    EXPECT_EQ(settings->setSetting1s(DEVICE_THREAD_COUNT, "x"), RESULT_INVALID_ENUM);
    const scene::DeviceSettingsData& s = settings.record<scene::DeviceSettingsRecord>().settings;
    EXPECT_EQ(s.clusterMasterPort, 50709);
    EXPECT_EQ(s.threadCount, 0);
    EXPECT_TRUE(s.clusterEnabled);
    EXPECT_EQ(s.clusterImageCompressionLevel, 0.5f);
    EXPECT_STREQ(s.shaderPath.c_str(), "");
}

// --- objects without a record of their class ---------------------------

TEST(PublicObjects, AnObjectOfTheWrongClassReachesNoFields) {
    Edited<Camera> camera;
    // A camera's public object misused as a group: nothing may be written
    // into the camera record.
    Group& notAGroup = reinterpret_cast<Group&>(camera.object());
    notAGroup.addChild(entity(CLASS_TYPE_OBJECT, 1));
    EXPECT_EQ(notAGroup.getNumChildren(), 0);
    EXPECT_EQ(notAGroup.findChild(entity(CLASS_TYPE_OBJECT, 1)), -1);
    EXPECT_FALSE(notAGroup.getChildren().valid());
    EXPECT_EQ(camera->getWidth(), 640);

    Light& notALight = reinterpret_cast<Light&>(camera.object());
    EXPECT_EQ(notALight.setLightType(LIGHT_TYPE_AMBIENT), RESULT_INVALID_HANDLE);
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
