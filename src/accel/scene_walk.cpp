#include "accel/scene_walk.h"

#include <cmath>

#include "accel/array_growth.h"
#include "accel/light_sets.h"
#include "accel/resolve_record.h"
#include "scene/attribute_state.h"
#include "scene/geometry_preparation.h"
#include "scene/matrix4.h"
#include "scene/settings_records.h"
#include "scene/shader_record.h"

namespace hox {
namespace accel {

namespace {

constexpr int kShaderKinds = 3;  // surface, light, other

// The attribute state in force at an entity, flat: the light set is its
// number in the view's light-set table, so a level of the walk's stack is
// plain data and entering an entity without attributes copies nothing.
struct Attributes {
    uint32_t givenMask;
    uint32_t offMask;
    bool floatGiven;
    float floatValue;
    int32_t lightSet;
};

// Heights of the three shader stacks before an entity was entered: leaving
// it cuts them back.
struct ShaderMarks {
    int height[kShaderKinds];
};

struct EnteredState {
    Mat4f world;
    Attributes attributes;
    ShaderMarks marks;
};

// A group being walked: its entered state and the next child to visit.
struct GroupFrame {
    const scene::GroupRecord* group;
    int nextChild;
    EnteredState state;
};

bool finite(const Mat4f& m) {
    for (float f : m.m)
        if (!std::isfinite(f)) return false;
    return true;
}

bool finite(const Vec3f& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

void extend(PreparedView& view, const Vec3f& lo, const Vec3f& hi) {
    if (lo.x < view.boundsMin.x) view.boundsMin.x = lo.x;
    if (lo.y < view.boundsMin.y) view.boundsMin.y = lo.y;
    if (lo.z < view.boundsMin.z) view.boundsMin.z = lo.z;
    if (hi.x > view.boundsMax.x) view.boundsMax.x = hi.x;
    if (hi.y > view.boundsMax.y) view.boundsMax.y = hi.y;
    if (hi.z > view.boundsMax.z) view.boundsMax.z = hi.z;
}

// The shader's kind, or -1 when the plug-in's answer cannot be had: a
// plug-in that throws must not unwind through the frame.
int shaderKind(const ShaderObject& object) {
    try {
        return object.getKind();
    } catch (...) {
        return -1;
    }
}

class SceneWalk {
public:
    SceneWalk(PreparedView& view, const scene::ObjectTable& table)
        : m_view(view), m_table(table), m_lightSets(view) {}

    void run(const scene::GroupRecord* root);

private:
    bool start();
    void visitChild(uint32_t handleWord, const EnteredState& parent);
    bool enterGroup(const scene::GroupRecord& group, const EnteredState& parent);
    void leaveTopGroup();
    void makeObjectEntry(scene::ObjectRecord& object, const EnteredState& parent);
    void makeLightEntry(scene::LightRecord& light, const EnteredState& parent);

    void enter(const scene::EntityRecord& entity, const EnteredState& parent, EnteredState& state);
    void leave(const ShaderMarks& marks);
    Attributes inherit(const Attributes& parent, uint32_t attributesHandle);
    void pushShader(uint32_t shaderHandle);
    scene::ShaderRecord* topShader(int kind) const {
        const util::GrowableArray<scene::ShaderRecord*>& stack = m_shaders[kind];
        return stack.empty() ? nullptr : stack[stack.count() - 1];
    }

    PreparedView& m_view;
    const scene::ObjectTable& m_table;
    LightSetIndex m_lightSets;
    util::GrowableArray<scene::ShaderRecord*> m_shaders[kShaderKinds];
    util::GrowableArray<GroupFrame> m_frames;
    util::GrowableArray<uint8_t> m_onPath;  // per group slot: being walked now
    // Scratch states for inheritAttributes, kept so that their light-set
    // blocks are reused from one entity to the next.
    scene::AttributeState m_parentScratch;
    scene::AttributeState m_childScratch;
};

// Set 0 (every light record number), the used-shader marks and the cycle
// marks, all sized to the table's slots.
bool SceneWalk::start() {
    const int lights = m_table.slotCount(CLASS_TYPE_LIGHT);
    util::GrowableArray<int32_t> all;
    if (!all.resize(lights)) return false;
    for (int i = 0; i < lights; ++i) all[i] = i;
    if (m_lightSets.findOrAdd(all.data(), lights) != 0) return false;

    const int shaders = m_table.slotCount(CLASS_TYPE_SHADER);
    if (!m_view.usedShaders.resize(shaders)) return false;
    for (uint8_t& used : m_view.usedShaders) used = 0;

    const int groups = m_table.slotCount(CLASS_TYPE_GROUP);
    if (!m_onPath.resize(groups)) return false;
    for (uint8_t& mark : m_onPath) mark = 0;
    return true;
}

void SceneWalk::run(const scene::GroupRecord* root) {
    if (!start() || !root) return;

    EnteredState initial;
    initial.world = scene::mat4Identity();
    initial.attributes = {0u, 0u, false, 1.0f, 0};
    for (int& height : initial.marks.height) height = 0;
    if (!enterGroup(*root, initial)) return;

    while (!m_frames.empty()) {
        GroupFrame& frame = m_frames[m_frames.count() - 1];
        if (frame.nextChild >= frame.group->children.count()) {
            leaveTopGroup();
            continue;
        }
        const uint32_t child = frame.group->children[frame.nextChild++];
        // A copy: entering a child group may move the frame array.
        const EnteredState parent = frame.state;
        visitChild(child, parent);
    }
}

void SceneWalk::visitChild(uint32_t handleWord, const EnteredState& parent) {
    // A handle that names no live record (destroyed, never made, null)
    // ends only its own branch.
    const HandleBase handle = HandleBase::fromValue(handleWord);
    switch (handle.getType()) {
        case CLASS_TYPE_LIGHT:
            if (auto* light = resolveRecord<scene::LightRecord>(m_table, handleWord))
                makeLightEntry(*light, parent);
            break;
        case CLASS_TYPE_GROUP:
            if (const auto* group = resolveRecord<scene::GroupRecord>(m_table, handleWord))
                enterGroup(*group, parent);
            break;
        case CLASS_TYPE_OBJECT:
            if (auto* object = resolveRecord<scene::ObjectRecord>(m_table, handleWord))
                makeObjectEntry(*object, parent);
            break;
        default:
            break;  // cameras and foreign words have no place in the walk
    }
}

bool SceneWalk::enterGroup(const scene::GroupRecord& group, const EnteredState& parent) {
    const int instance = group.instance();
    if (instance < 0 || instance >= m_onPath.count()) return false;
    // Already on the path from the root: the graph loops here.
    if (m_onPath[instance]) return false;

    GroupFrame frame;
    frame.group = &group;
    frame.nextChild = 0;
    enter(group, parent, frame.state);
    if (!pushGrowing(m_frames, frame)) {
        leave(frame.state.marks);
        return false;
    }
    m_onPath[instance] = 1;
    return true;
}

void SceneWalk::leaveTopGroup() {
    const GroupFrame& frame = m_frames[m_frames.count() - 1];
    m_onPath[frame.group->instance()] = 0;
    leave(frame.state.marks);
    m_frames.resize(m_frames.count() - 1);
}

void SceneWalk::makeObjectEntry(scene::ObjectRecord& object, const EnteredState& parent) {
    EnteredState state;
    enter(object, parent, state);

    scene::ShaderRecord* surface = topShader(SHADER_KIND_SURFACE);
    scene::GeometryRecord* geometry =
        resolveRecord<scene::GeometryRecord>(m_table, object.geometry);
    if (surface && surface->shaderObject && geometry && scene::prepareGeometry(*geometry) &&
        finite(state.world)) {
        ObjectEntry entry{};
        entry.object = &object;
        entry.shader = surface;
        entry.geometry = geometry;
        entry.worldMatrix = state.world;
        scene::transformBox(state.world, geometry->boundsMin, geometry->boundsMax, entry.boundsMin,
                 entry.boundsMax);
        entry.givenMask = state.attributes.givenMask;
        entry.offMask = state.attributes.offMask;
        entry.floatGiven = state.attributes.floatGiven ? 1 : 0;
        entry.floatValue = state.attributes.floatValue;
        entry.lightSetIndex = static_cast<uint32_t>(state.attributes.lightSet);
        if (finite(entry.boundsMin) && finite(entry.boundsMax) &&
            pushGrowing(m_view.objects, entry))
            extend(m_view, entry.boundsMin, entry.boundsMax);
    }
    leave(state.marks);
}

void SceneWalk::makeLightEntry(scene::LightRecord& light, const EnteredState& parent) {
    EnteredState state;
    enter(light, parent, state);

    scene::ShaderRecord* shader = topShader(SHADER_KIND_LIGHT);
    const float* m = state.world.m;
    if (shader && shader->shaderObject && finite(state.world)) {
        // The light sits at the matrix's translation and points along its
        // -Z axis. The direction keeps the matrix's scale: shading
        // normalises what it uses.
        const float scale = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
        LightEntry entry{};
        entry.light = &light;
        entry.shader = shader;
        entry.worldPosition = {m[12], m[13], m[14]};
        entry.worldDirection = {-m[8], -m[9], -m[10]};
        entry.lightType = light.lightType;
        // Parameters 0 and 2 are lengths in the light's own space; the
        // others are angles, factors and switches.
        entry.parameter0 = light.parameter0 * scale;
        entry.parameter1 = light.parameter1;
        entry.parameter2 = light.parameter2 * scale;
        entry.parameter3 = light.parameter3;
        entry.parameter5 = light.parameter5;
        entry.parameter4 = light.parameter4;
        pushGrowing(m_view.lights, entry);
    }
    leave(state.marks);
}

// Matrix, then attributes, then shader: the order in which an entity's
// parts take effect for itself and its subtree.
void SceneWalk::enter(const scene::EntityRecord& entity, const EnteredState& parent,
                      EnteredState& state) {
    state.world = scene::mat4Multiply(entity.entity.transform, parent.world);
    state.attributes = inherit(parent.attributes, entity.entity.renderAttributes);
    for (int kind = 0; kind < kShaderKinds; ++kind)
        state.marks.height[kind] = m_shaders[kind].count();
    pushShader(entity.entity.shader);
}

void SceneWalk::leave(const ShaderMarks& marks) {
    for (int kind = 0; kind < kShaderKinds; ++kind) {
        // Cut back without freeing: the next entity pushes again.
        if (marks.height[kind] == 0)
            m_shaders[kind].clear();
        else
            m_shaders[kind].resize(marks.height[kind]);
    }
}

Attributes SceneWalk::inherit(const Attributes& parent, uint32_t attributesHandle) {
    const scene::RenderAttributesRecord* record =
        resolveRecord<scene::RenderAttributesRecord>(m_table, attributesHandle);
    if (!record) return parent;

    // The light set is only needed when the record edits it; otherwise the
    // child keeps the parent's set number and no set is copied.
    const bool editsLightSet = !record->addList.empty() || !record->removeList.empty();
    m_parentScratch.givenMask = parent.givenMask;
    m_parentScratch.offMask = parent.offMask;
    m_parentScratch.floatGiven = parent.floatGiven;
    m_parentScratch.floatValue = parent.floatValue;
    bool ok = true;
    if (editsLightSet) {
        const LightSetEntry& set = m_view.lightSets[parent.lightSet];
        ok = m_parentScratch.lightSet.assign(m_view.lightSetMembers.data() + set.first, set.count);
    } else {
        m_parentScratch.lightSet.clear();
    }
    // Short of memory, the entity keeps the parent's state whole rather
    // than a half-applied one.
    if (!ok || !scene::inheritAttributes(m_parentScratch, record, m_childScratch)) return parent;

    Attributes child = {m_childScratch.givenMask, m_childScratch.offMask, m_childScratch.floatGiven,
                        m_childScratch.floatValue, parent.lightSet};
    if (editsLightSet) {
        const int set =
            m_lightSets.findOrAdd(m_childScratch.lightSet.data(), m_childScratch.lightSet.count());
        if (set >= 0) child.lightSet = set;
    }
    return child;
}

void SceneWalk::pushShader(uint32_t shaderHandle) {
    scene::ShaderRecord* record = resolveRecord<scene::ShaderRecord>(m_table, shaderHandle);
    if (!record || !record->shaderObject) return;
    const int kind = shaderKind(*record->shaderObject);
    if (kind < 0 || kind >= kShaderKinds) return;
    if (!pushGrowing(m_shaders[kind], record)) return;
    const int instance = record->instance();
    if (instance >= 0 && instance < m_view.usedShaders.count()) m_view.usedShaders[instance] = 1;
}

}  // namespace

void walkScene(PreparedView& view, const scene::ObjectTable& table,
               const scene::GroupRecord* root) {
    SceneWalk walk(view, table);
    walk.run(root);
}

}  // namespace accel
}  // namespace hox
