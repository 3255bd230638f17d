// The public classes edit the record version beginEdit hands out: each call
// must reach its own field, keep the class's rules and refuse an object that
// is not of its class.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "hox/camera.h"
#include "hox/device_settings.h"
#include "hox/entity.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/geometry.h"
#include "hox/render_attributes.h"
#include "hox/render_options.h"
#include "hox/render_view.h"
#include "hox/status.h"
#include "scene/entity_records.h"
#include "scene/geometry_record.h"
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

TEST(RenderViewApi, HandlesStartNullAndGettersReferToTheStoredWords) {
    Edited<RenderView> v;
    EXPECT_EQ(std::make_tuple(v->getSceneRoot().getValue(), v->getCamera().getValue(), v->getFramebuffer().getValue(),
                              v->getEnvironmentShader().getValue(), v->getRenderOptions().getValue()),
              std::make_tuple(0x8FFFFFFFu, 0x6FFFFFFFu, 0x4FFFFFFFu, 0xAFFFFFFFu, 0xDFFFFFFFu));

    const THandle<Camera>& camera = v->getCamera();
    v->setCamera(THandle<Camera>::fromInstance(2));
    EXPECT_EQ(camera, THandle<Camera>::fromInstance(2));  // a reference, not a copy
    v->setSceneRoot(THandle<Group>::fromInstance(3));
    v->setFramebuffer(THandle<Framebuffer>::fromInstance(4));
    v->setEnvironmentShader(THandle<Shader>::fromInstance(5));
    v->setRenderOptions(THandle<RenderOptions>::fromInstance(6));
    const scene::RenderViewRecord& r = v.record<scene::RenderViewRecord>();
    EXPECT_EQ(std::make_tuple(r.sceneRoot, r.framebuffer, r.environmentShader, r.renderOptions),
              std::make_tuple(0x80000003u, 0x40000004u, 0xA0000005u, 0xD0000006u));
}

TEST(FramebufferApi, FormatReachesTheRecordAndAnUnknownOneIsKeptUntilAnImageIsMade) {
    Edited<Framebuffer> fb;
    EXPECT_EQ(fb->getFormat(), FRAMEBUFFER_FORMAT_RGBA32F);
    fb->setFormat(FRAMEBUFFER_FORMAT_RGBA8);
    EXPECT_EQ(fb.record<scene::FramebufferRecord>().format, 1);
    fb->setFormat(static_cast<EFramebufferFormat>(7));
    EXPECT_EQ(fb->getFormat(), 7);
}

TEST(EntityApi, TransformShaderAttributesAndGeometryReachTheRecord) {
    Edited<Object> object;
    Mat4f m;
    for (int i = 0; i < 16; ++i) m.m[i] = static_cast<float>(i) * 0.5f;
    object->setTransform(m);
    Mat4f back = {};
    object->getTransform(back);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(back.m[i], m.m[i]);
    EXPECT_EQ(object->setShader(THandle<Shader>::fromInstance(8)), RESULT_OK);
    object->setRenderAttributes(THandle<RenderAttributes>::fromInstance(9));
    const THandle<Geometry>& geometry = object->getGeometry();
    EXPECT_EQ(geometry.getValue(), 0xBFFFFFFFu);
    EXPECT_EQ(object->setGeometry(THandle<Geometry>::fromInstance(12)), RESULT_OK);
    EXPECT_EQ(geometry.getInstance(), 12);  // follows the record
    const scene::ObjectRecord& r = object.record<scene::ObjectRecord>();
    EXPECT_EQ(std::make_tuple(r.entity.shader, r.entity.renderAttributes, r.geometry),
              std::make_tuple(0xA0000008u, 0xE0000009u, 0xB000000Cu));

    // The entity part works on every entity class.
    Edited<Camera> camera;
    Edited<Light> light;
    const Mat4f moved = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 4, 5, 6, 1}};
    camera->setTransform(moved);
    light->setTransform(moved);
    EXPECT_EQ(camera.record<scene::CameraRecord>().entity.transform.m[12], 4.0f);
    EXPECT_EQ(light.record<scene::LightRecord>().entity.transform.m[14], 6.0f);
}

TEST(LightApi, TypeAndParametersKeepTheRules) {
    Edited<Light> light;
    EXPECT_EQ(light->setLightType(LIGHT_TYPE_DIRECTIONAL), RESULT_OK);
    EXPECT_EQ(light->setLightType(static_cast<ELightType>(3)), RESULT_INVALID_ENUM);
    EXPECT_EQ(light->getLightType(), LIGHT_TYPE_DIRECTIONAL);

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
    EXPECT_EQ(std::make_tuple(shadows, group), std::make_tuple(false, 3));
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
    EXPECT_EQ(std::make_tuple(x1, y1), std::make_tuple(100, 50));
    camera->initProjection({1, 2, 3}, {4, 5, 6}, {7, 8, 9});
    Vec3f p0, p1, p2;
    camera->getProjection(p0, p1, p2);
    EXPECT_EQ(camera->getCameraType(), CAMERA_TYPE_PROJECTION);
    EXPECT_EQ(p2.z, 9.0f);
}

TEST(GeometryApi, EditsReachTheRecordWithTheirComponentCountsAndNullsAreRefused) {
    Edited<Geometry> edited;
    Geometry* g = &edited.object();
    EXPECT_EQ(-1, g->init(static_cast<EGeometryType>(1), 1, 3));
    ASSERT_EQ(0, g->init(GEOMETRY_TYPE_TRIANGLES, 2, 4));
    EXPECT_EQ(std::make_tuple(2, 4), std::make_tuple(g->getPrimitiveCount(), g->getVertexCount()));
    EXPECT_EQ(GEOMETRY_TYPE_TRIANGLES, g->getGeometryType());
    const int indices[6] = {0, 1, 2, 2, 1, 3};
    const Vec3f coords[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    ASSERT_EQ(0, g->setIndexArray(indices));
    ASSERT_EQ(0, g->setCoordArray3f(coords));
    ASSERT_EQ(0, g->setNormalArray3f(coords));
    EXPECT_EQ(-1, g->setIndexArray(nullptr));
    EXPECT_EQ(-1, g->setCoordArray3f(nullptr));
    EXPECT_EQ(-1, g->setVertexAttribArray3f(nullptr, coords));
    EXPECT_EQ(-1, g->setVertexAttribArray3f("n", nullptr));
    EXPECT_EQ(-1, g->setVertexAttribArray4x4f("n", true, nullptr));
    scene::GeometryRecord& record = edited.record<scene::GeometryRecord>();
    EXPECT_EQ(3, record.indices[5]);
    EXPECT_EQ(1.0f, record.coords[3].y);
    EXPECT_EQ(0, record.attributeCount());
    EXPECT_EQ(static_cast<uint32_t>(scene::GEOMETRY_INDICES | scene::GEOMETRY_COORDS |
                                    scene::GEOMETRY_NORMALS),
              record.state);

    float f[4] = {};
    Vec2f v2[4] = {};
    Vec4f v4[4] = {};
    Mat2f m2[4] = {};
    Mat3f m3[4] = {};
    Mat4f m4[4] = {};
    ASSERT_EQ(0, g->setVertexAttribArray1f("a1", f));
    ASSERT_EQ(0, g->setVertexAttribArray2f("a2", v2));
    ASSERT_EQ(0, g->setVertexAttribArray3f("a3", coords));
    ASSERT_EQ(0, g->setVertexAttribArray4f("a4", v4));
    ASSERT_EQ(0, g->setVertexAttribArray2x2f("m2", false, m2));
    ASSERT_EQ(0, g->setVertexAttribArray3x3f("m3", true, m3));
    ASSERT_EQ(0, g->setVertexAttribArray4x4f("m4", false, m4));
    const char* names[] = {"a1", "a2", "a3", "a4", "m2", "m3", "m4"};
    const int components[] = {1, 2, 3, 4, 4, 9, 16};
    for (int i = 0; i < 7; ++i) {
        const scene::VertexAttribute* a = record.findAttribute(names[i]);
        ASSERT_NE(nullptr, a) << names[i];
        EXPECT_EQ(components[i], a->componentCount) << names[i];
        EXPECT_EQ(4 * components[i], a->values.count()) << names[i];
    }
}

TEST(SettingsApi, RenderOptionsAttributesAndDeviceSettingsForwardTheRules) {
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
    EXPECT_EQ(std::make_tuple(depth, accuracy, occlusion), std::make_tuple(7, 0.75f, false));

    Edited<RenderAttributes> attributes;
    const int lights[] = {3, 1};
    EXPECT_EQ(attributes->setAttribute1b(ATTRIBUTE_CAMERA_RAYS, false), RESULT_OK);
    EXPECT_EQ(attributes->setAttribute1f(ATTRIBUTE_OCCLUSION_RANGE, 2.0f), RESULT_OK);
    EXPECT_EQ(attributes->setAttribute1iv(ATTRIBUTE_ADD_LIST, 2, lights), RESULT_OK);
    EXPECT_EQ(attributes->removeAttribute(static_cast<ERenderAttribute>(9)), RESULT_INVALID_ENUM);
    const scene::RenderAttributesRecord& r = attributes.record<scene::RenderAttributesRecord>();
    EXPECT_EQ(std::make_tuple(r.givenMask, r.offMask, r.floatValue, r.addList.count()),
              std::make_tuple(1u, 1u, 2.0f, 2));

    Edited<DeviceSettings> settings;
    EXPECT_EQ(settings->setSetting1i(DEVICE_CLUSTER_MASTER_PORT, 1024), RESULT_INVALID_VALUE);
    EXPECT_EQ(settings->setSetting1i(DEVICE_THREAD_COUNT, -2), RESULT_OK);
    EXPECT_EQ(settings->setSetting1b(DEVICE_CLUSTER, true), RESULT_OK);
    EXPECT_EQ(settings->setSetting1f(DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL, 0.5f), RESULT_OK);
    EXPECT_EQ(settings->setSetting1s(DEVICE_SHADER_PATH, nullptr), RESULT_OK);
    EXPECT_EQ(settings->setSetting1s(DEVICE_THREAD_COUNT, "x"), RESULT_INVALID_ENUM);
    const scene::DeviceSettingsData& s = settings.record<scene::DeviceSettingsRecord>().settings;
    EXPECT_EQ(std::make_tuple(s.clusterMasterPort, s.threadCount, s.clusterEnabled, s.clusterImageCompressionLevel),
              std::make_tuple(50709, 0, true, 0.5f));
    EXPECT_STREQ(s.shaderPath.c_str(), "");
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
