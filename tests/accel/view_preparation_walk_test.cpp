// View preparation's scene walk: shaders, attributes, transforms, light sets,
// lights, tracing space, and graphs that loop or point nowhere.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "accel/light_sets.h"
#include "accel/view_preparation.h"
#include "accel_test_support.h"
#include "hox/status.h"
#include "scene/geometry_edit.h"
#include "scene/matrix4.h"
#include "scene/object_table.h"
#include "scene/shader_record.h"

namespace hox {
namespace accel {
namespace {

using namespace testing;

class KindShader : public ShaderObject {
public:
    explicit KindShader(int kind) : m_kind(kind) {}
    int getKind() const override { return m_kind; }
    void shade(IShaderServices*, ShadingState*) const override {}

private:
    int m_kind;
};

// Row-vector rotation by `angle` radians about axis 0 (X) or 2 (Z).
Mat4f rotation(int axis, float angle) {
    const int a = axis == 0 ? 1 : 0, b = axis == 0 ? 2 : 1;
    Mat4f m = scene::mat4Identity();
    m.m[a * 4 + a] = m.m[b * 4 + b] = std::cos(angle);
    m.m[a * 4 + b] = std::sin(angle);
    m.m[b * 4 + a] = -std::sin(angle);
    return m;
}

class SceneWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        viewInstance = table.create(CLASS_TYPE_RENDER_VIEW);
        auto* v = rec<scene::RenderViewRecord>(CLASS_TYPE_RENDER_VIEW, viewInstance);
        v->camera = HandleBase(CLASS_TYPE_CAMERA, table.create(CLASS_TYPE_CAMERA)).getValue();
        v->framebuffer = HandleBase(CLASS_TYPE_FRAMEBUFFER, table.create(CLASS_TYPE_FRAMEBUFFER)).getValue();
        root = table.create(CLASS_TYPE_GROUP);
        v->sceneRoot = HandleBase(CLASS_TYPE_GROUP, root).getValue();
        surface = shader(SHADER_KIND_SURFACE);
        lightShader = shader(SHADER_KIND_LIGHT);
        triangle = geometry({{0, 0, 0}, {1, 0, 0}, {0, 2, 0}});
    }

    template <typename R>
    R* rec(int type, int instance) { return scene::recordAs<R>(table.lookup(type, instance)); }
    scene::EntityRecord* entity(int type, int instance) {
        return static_cast<scene::EntityRecord*>(table.lookup(type, instance));
    }
    int shader(int kind) {
        const int s = table.create(CLASS_TYPE_SHADER);
        rec<scene::ShaderRecord>(CLASS_TYPE_SHADER, s)->adoptShader(new KindShader(kind), nullptr, nullptr, 0);
        return s;
    }
    int geometry(const std::vector<Vec3f>& coords) {
        const int g = table.create(CLASS_TYPE_GEOMETRY);
        auto* r = rec<scene::GeometryRecord>(CLASS_TYPE_GEOMETRY, g);
        const int indices[3] = {0, 1, 2};
        EXPECT_EQ(0, scene::initGeometry(*r, scene::kGeometryTypeTriangles, 1, 3));
        EXPECT_EQ(0, scene::setGeometryIndices(*r, indices));
        EXPECT_EQ(0, scene::setGeometryCoords(*r, coords.data()));
        return g;
    }
    // A new entity of `type` appended to `parent`'s children.
    int add(int parent, int type) {
        const int e = table.create(type);
        addChild(parent, HandleBase(type, e).getValue());
        return e;
    }
    void addChild(int parent, uint32_t word) {
        ASSERT_TRUE(rec<scene::GroupRecord>(CLASS_TYPE_GROUP, parent)->children.push(word));
    }
    int object(int parent, int geometryInstance) {
        const int o = add(parent, CLASS_TYPE_OBJECT);
        rec<scene::ObjectRecord>(CLASS_TYPE_OBJECT, o)->geometry =
            HandleBase(CLASS_TYPE_GEOMETRY, geometryInstance).getValue();
        return o;
    }
    void setShader(int type, int instance, int shaderInstance) {
        entity(type, instance)->entity.shader = HandleBase(CLASS_TYPE_SHADER, shaderInstance).getValue();
    }
    scene::RenderAttributesRecord* attributes(int type, int instance) {
        const int a = table.create(CLASS_TYPE_RENDER_ATTRIBUTES);
        entity(type, instance)->entity.renderAttributes = HandleBase(CLASS_TYPE_RENDER_ATTRIBUTES, a).getValue();
        return rec<scene::RenderAttributesRecord>(CLASS_TYPE_RENDER_ATTRIBUTES, a);
    }
    int prepare() { return prepareView(view, table, HandleBase(CLASS_TYPE_RENDER_VIEW, viewInstance), 0); }
    // Object record instances of the object list, in walk order.
    std::vector<int> objectInstances() const {
        std::vector<int> out;
        for (const ObjectEntry& e : view.objects) out.push_back(e.object->instance());
        return out;
    }
    std::vector<int> members(int set) const {
        const LightSetEntry& s = view.lightSets[set];
        return std::vector<int>(view.lightSetMembers.data() + s.first, view.lightSetMembers.data() + s.first + s.count);
    }

    scene::ObjectTable table;
    PreparedView view;
    int viewInstance = -1, root = -1, surface = -1, lightShader = -1, triangle = -1;
};

TEST_F(SceneWalkTest, SurfaceShadersApplyBelowTheirEntityUntilOverridden) {
    object(root, triangle);  // no surface shader anywhere above: left out
    const int g = add(root, CLASS_TYPE_GROUP);
    setShader(CLASS_TYPE_GROUP, g, surface);
    const int inherits = object(g, triangle);
    const int other = shader(SHADER_KIND_SURFACE);
    const int overrides = object(g, triangle);
    setShader(CLASS_TYPE_OBJECT, overrides, other);
    // A group whose shaders are of other kinds leaves the surface in force.
    const int h = add(g, CLASS_TYPE_GROUP);
    setShader(CLASS_TYPE_GROUP, h, lightShader);
    const int deeper = object(h, triangle);
    const int odd = shader(3);
    const int kindThree = object(h, triangle);
    setShader(CLASS_TYPE_OBJECT, kindThree, odd);
    object(g, table.create(CLASS_TYPE_GEOMETRY));  // geometry never given: not ready
    object(g, -1);                                 // no geometry at all

    ASSERT_EQ(RESULT_OK, prepare());
    EXPECT_EQ((std::vector<int>{inherits, overrides, deeper, kindThree}), objectInstances());
    const int expectedShader[] = {surface, other, surface, surface};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(expectedShader[i], view.objects[i].shader->instance()) << i;
    // A kind above 2 is never in force.
    EXPECT_EQ(std::make_tuple(view.usedShaders[surface], view.usedShaders[other], view.usedShaders[lightShader],
                              view.usedShaders[odd], view.geometries.count(), view.shaders.count()),
              std::make_tuple(1, 1, 1, 0, 1, 3));
}

TEST_F(SceneWalkTest, AttributesAreInheritedAndOverridden) {
    setShader(CLASS_TYPE_GROUP, root, surface);
    const int g = add(root, CLASS_TYPE_GROUP);
    scene::RenderAttributesRecord* ga = attributes(CLASS_TYPE_GROUP, g);
    ga->givenMask = 0x6, ga->offMask = 0x4, ga->floatGiven = true, ga->floatValue = 0.25f;
    object(g, triangle);
    const int own = object(g, triangle);
    scene::RenderAttributesRecord* oa = attributes(CLASS_TYPE_OBJECT, own);
    oa->givenMask = 0x4, oa->offMask = 0x0;  // bit 2 back on, bit 1 still given

    ASSERT_EQ(RESULT_OK, prepare());
    ASSERT_EQ(2, view.objects.count());
    const auto state = [](const ObjectEntry& e) {
        return std::make_tuple(e.givenMask, e.offMask, int(e.floatGiven), e.floatValue);
    };
    EXPECT_EQ(state(view.objects[0]), std::make_tuple(0x6u, 0x4u, 1, 0.25f));
    EXPECT_EQ(state(view.objects[1]), std::make_tuple(0x6u, 0x0u, 1, 0.25f));
}

// p_world = p * T_object * T_group: the object's own transform comes first.
TEST_F(SceneWalkTest, WorldMatrixAppliesTheEntityBeforeItsParents) {
    setShader(CLASS_TYPE_GROUP, root, surface);
    const int g = add(root, CLASS_TYPE_GROUP);
    entity(CLASS_TYPE_GROUP, g)->entity.transform = translation(10, 0, 0);
    entity(CLASS_TYPE_OBJECT, object(g, triangle))->entity.transform = rotation(2, 1.5707964f);
    ASSERT_EQ(RESULT_OK, prepare());
    ASSERT_EQ(1, view.objects.count());
    expectNear({10, 1, 0}, scene::transformPoint({1, 0, 0}, view.objects[0].worldMatrix));  // (0, 1, 0), moved
}

TEST_F(SceneWalkTest, WorldBoxesHoldRotatedVerticesAndSetTheTracingSpace) {
    setShader(CLASS_TYPE_GROUP, root, surface);
    const std::vector<Vec3f> coords = {{1, 0, 0}, {3, 1, 0}, {2, 4, 5}};
    const int o = object(root, geometry(coords));
    // Turned about two axes and stretched, so that no object axis stays a
    // world axis.
    Mat4f m = scene::mat4Multiply(rotation(2, 0.5f), rotation(0, 0.7f));
    m.m[1] *= 2;
    m = scene::mat4Multiply(m, translation(-2, 3, 1));
    entity(CLASS_TYPE_OBJECT, o)->entity.transform = m;

    ASSERT_EQ(RESULT_OK, prepare());
    ASSERT_EQ(1, view.objects.count());
    const ObjectEntry& e = view.objects[0];
    for (const Vec3f& c : coords) {
        const Vec3f w = scene::transformPoint(c, m);
        EXPECT_TRUE(w.x >= e.boundsMin.x - 1e-5f && w.y >= e.boundsMin.y - 1e-5f && w.z >= e.boundsMin.z - 1e-5f &&
                    w.x <= e.boundsMax.x + 1e-5f && w.y <= e.boundsMax.y + 1e-5f && w.z <= e.boundsMax.z + 1e-5f);
    }
    EXPECT_EQ(std::make_pair(e.boundsMin.x, e.boundsMax.z), std::make_pair(view.boundsMin.x, view.boundsMax.z));
    const float longest =
        std::fmax(std::fmax(e.boundsMax.x - e.boundsMin.x, e.boundsMax.y - e.boundsMin.y),
                  e.boundsMax.z - e.boundsMin.z);
    EXPECT_NEAR(2.0f, longest * view.worldScale, 1e-5f);
    EXPECT_NEAR(1.0f, view.worldScale * view.inverseWorldScale, 1e-6f);
    EXPECT_NEAR(-(e.boundsMin.y + e.boundsMax.y) / 2, view.worldOffset.y, 1e-5f);
    EXPECT_EQ(-view.worldOffset.x, view.negatedWorldOffset.x);
}

TEST_F(SceneWalkTest, SceneWithoutExtentKeepsScaleOne) {
    struct Case {
        const char* name;
        bool addPoint;
        Vec3f centre;
    };
    for (const Case& c : {Case{"empty", false, {0, 0, 0}}, Case{"point", true, {3, -1, 2}}}) {
        if (c.addPoint) {
            setShader(CLASS_TYPE_GROUP, root, surface);
            object(root, geometry({c.centre, c.centre, c.centre}));
        }
        ASSERT_EQ(RESULT_OK, prepare()) << c.name;
        EXPECT_EQ(std::make_tuple(view.worldScale, view.inverseWorldScale, view.worldOffset.x, view.worldOffset.y),
                  std::make_tuple(1.0f, 1.0f, -c.centre.x, -c.centre.y)) << c.name;
    }
}

TEST_F(SceneWalkTest, LightSetsAreSharedByContents) {
    setShader(CLASS_TYPE_GROUP, root, surface);
    for (int i = 0; i < 4; ++i) table.create(CLASS_TYPE_LIGHT);  // light numbers 0..3
    const int32_t one = 1, zeroOne[2] = {0, 1}, three = 3;
    const int a = add(root, CLASS_TYPE_GROUP);
    attributes(CLASS_TYPE_GROUP, a)->removeList.assign(&one, 1);
    object(a, triangle);
    const int b = add(root, CLASS_TYPE_GROUP);  // removes 0 and 1, adds 0 back: the same set
    scene::RenderAttributesRecord* ba = attributes(CLASS_TYPE_GROUP, b);
    ba->removeList.assign(zeroOne, 2);
    ba->addList.assign(zeroOne, 1);
    object(b, triangle);
    const int c = object(b, triangle);
    attributes(CLASS_TYPE_OBJECT, c)->removeList.assign(&three, 1);
    object(root, triangle);

    ASSERT_EQ(RESULT_OK, prepare());
    ASSERT_EQ(4, view.objects.count());
    ASSERT_EQ(3, view.lightSets.count());
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), members(0));
    EXPECT_EQ(view.objects[0].lightSetIndex, view.objects[1].lightSetIndex);
    EXPECT_EQ((std::vector<int>{0, 2, 3}), members(view.objects[0].lightSetIndex));
    EXPECT_EQ((std::vector<int>{0, 2}), members(view.objects[2].lightSetIndex));
    EXPECT_EQ(0u, view.objects[3].lightSetIndex);
    for (int s = 0; s < view.lightSets.count(); ++s) {
        const std::vector<int> m = members(s);
        EXPECT_EQ(lightSetHash(m.data(), static_cast<int>(m.size())), view.lightSets[s].hash);
    }
}

TEST_F(SceneWalkTest, LoopsAndDeadOrForeignChildrenAreSkipped) {
    setShader(CLASS_TYPE_GROUP, root, surface);
    const int g1 = add(root, CLASS_TYPE_GROUP);
    const int first = object(g1, triangle);
    const int g2 = add(g1, CLASS_TYPE_GROUP);
    addChild(g2, HandleBase(CLASS_TYPE_GROUP, g1).getValue());  // g2 -> g1: a loop
    addChild(g2, HandleBase(CLASS_TYPE_GROUP, g2).getValue());  // a group holding itself
    const int gone = object(g2, triangle);
    table.destroy(CLASS_TYPE_OBJECT, gone);
    addChild(g2, HandleBase(CLASS_TYPE_GROUP, 999).getValue());  // never made
    addChild(g2, HandleBase(CLASS_TYPE_OBJECT).getValue());      // null
    add(g2, CLASS_TYPE_CAMERA);                                  // not a scene-graph child
    const int last = object(g2, triangle);

    ASSERT_EQ(RESULT_OK, prepare());
    EXPECT_EQ((std::vector<int>{first, last}), objectInstances());
}

TEST_F(SceneWalkTest, DeepNestingDoesNotExhaustTheStack) {
    setShader(CLASS_TYPE_GROUP, root, surface);
    int parent = root;
    for (int i = 0; i < 100000; ++i) parent = add(parent, CLASS_TYPE_GROUP);
    const int o = object(parent, triangle);
    ASSERT_EQ(RESULT_OK, prepare());
    EXPECT_EQ((std::vector<int>{o}), objectInstances());
}

TEST_F(SceneWalkTest, LightsTakeTheirPlaceFromTheMatrixAndNeedALightShader) {
    const int dark = add(root, CLASS_TYPE_LIGHT);  // no light shader: not lit
    const int g = add(root, CLASS_TYPE_GROUP);
    setShader(CLASS_TYPE_GROUP, g, lightShader);
    Mat4f scale2 = scene::mat4Identity();
    scale2.m[0] = scale2.m[5] = scale2.m[10] = 2;
    entity(CLASS_TYPE_GROUP, g)->entity.transform =
        scene::mat4Multiply(scale2, translation(5, 6, 7));
    const int lit = add(g, CLASS_TYPE_LIGHT);
    auto* l = rec<scene::LightRecord>(CLASS_TYPE_LIGHT, lit);
    l->parameter0 = 10, l->parameter1 = 0.5f, l->parameter2 = 3, l->parameter3 = 0.25f;
    l->entity.transform = rotation(2, 1.5707964f);
    addChild(root, HandleBase(CLASS_TYPE_LIGHT, lit).getValue());  // the same light again, unlit
    const int32_t removeLit = lit;
    setShader(CLASS_TYPE_GROUP, root, surface);
    object(root, triangle);
    const int o = object(root, triangle);
    attributes(CLASS_TYPE_OBJECT, o)->removeList.assign(&removeLit, 1);

    ASSERT_EQ(RESULT_OK, prepare());
    ASSERT_EQ(1, view.lights.count());
    const LightEntry& e = view.lights[0];
    EXPECT_EQ(std::make_pair(e.light->instance(), e.shader->instance()), std::make_pair(lit, lightShader));
    expectNear({5, 6, 7}, e.worldPosition);
    expectNear({0, 0, -2}, e.worldDirection);  // -Z of the world matrix, scale kept
    // Lengths (range and radius) scale with the light; angles do not.
    EXPECT_EQ(std::make_tuple(e.parameter0, e.parameter1, e.parameter2, e.parameter3),
              std::make_tuple(20.0f, 0.5f, 6.0f, 0.25f));

    // Members are record numbers; each set lists the entries of its lit members.
    ASSERT_EQ(table.slotCount(CLASS_TYPE_LIGHT), view.lightEntryByRecord.count());
    EXPECT_EQ(0, view.lightEntryByRecord[lit]);
    EXPECT_EQ(-1, view.lightEntryByRecord[dark]);
    const LightSetEntry& all = view.lightSets[view.objects[0].lightSetIndex];
    ASSERT_EQ(1, all.lightCount);
    EXPECT_EQ(0, view.lightSetLights[all.lightFirst]);
    EXPECT_EQ(0, view.lightSets[view.objects[1].lightSetIndex].lightCount);
}

}  // namespace
}  // namespace accel
}  // namespace hox
