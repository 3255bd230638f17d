#include "accel/view_finish.h"

#include <cmath>

#include "accel/array_growth.h"
#include "accel/light_sets.h"
#include "scene/shader_record.h"
#include "shaders/shader_references.h"

namespace hox {
namespace accel {

namespace {

void setTracingSpace(PreparedView& view) {
    const double lo[3] = {view.boundsMin.x, view.boundsMin.y, view.boundsMin.z};
    const double hi[3] = {view.boundsMax.x, view.boundsMax.y, view.boundsMax.z};
    double centre[3];
    double longest = 0.0;
    for (int a = 0; a < 3; ++a) {
        centre[a] = 0.5 * (lo[a] + hi[a]);
        const double side = hi[a] - lo[a];
        if (side > longest) longest = side;
    }
    // An empty scene keeps its bounds at (1e38, -1e38): centre 0, no side
    // above 0, so it stays where it is at scale 1.
    float scale = 1.0f;
    if (longest > 0.0 && std::isfinite(longest)) {
        const float candidate = static_cast<float>(2.0 / longest);
        if (candidate > 0.0f && std::isfinite(1.0f / candidate)) scale = candidate;
    }
    view.worldScale = scale;
    view.inverseWorldScale = 1.0f / scale;
    view.negatedWorldOffset = {static_cast<float>(centre[0]), static_cast<float>(centre[1]),
                               static_cast<float>(centre[2])};
    view.worldOffset = {-view.negatedWorldOffset.x, -view.negatedWorldOffset.y,
                        -view.negatedWorldOffset.z};
}

// Appends `record` unless its instance is already marked.
template <typename R>
void pushDistinct(util::GrowableArray<R*>& list, util::GrowableArray<uint8_t>& seen, R* record) {
    if (!record) return;
    const int instance = record->instance();
    if (instance < 0 || instance >= seen.count() || seen[instance]) return;
    if (pushGrowing(list, record)) seen[instance] = 1;
}

bool resetMarks(util::GrowableArray<uint8_t>& marks, int count) {
    if (!marks.resize(count)) return false;
    for (uint8_t& mark : marks) mark = 0;
    return true;
}

void gatherGeometries(PreparedView& view, const scene::ObjectTable& table) {
    util::GrowableArray<uint8_t> seen;
    if (!resetMarks(seen, table.slotCount(CLASS_TYPE_GEOMETRY))) return;
    for (const ObjectEntry& entry : view.objects)
        pushDistinct(view.geometries, seen, entry.geometry);
}

void gatherShadersAndTextures(PreparedView& view, const scene::ObjectTable& table) {
    shaders::ShaderReferenceUses uses;
    const int shaderSlots = view.usedShaders.count();
    for (int i = 0; i < shaderSlots; ++i) {
        if (!view.usedShaders[i]) continue;
        auto* record = scene::recordAs<scene::ShaderRecord>(table.lookup(CLASS_TYPE_SHADER, i));
        if (record) shaders::prepareShaderReferences(*record, table, uses);
    }
    // The environment shader is shaded too (rays that leave the scene), and
    // its references (an environment map) need the same preparation.
    if (view.environmentShader)
        shaders::prepareShaderReferences(*view.environmentShader, table, uses);

    // The prepared list holds each reachable shader once. The environment
    // shader stays out of it: the view's own field already keeps it for the
    // frame, and each record is to be held once per place the view names it.
    view.shaders.clear();
    if (view.shaders.reserve(uses.prepared.count())) {
        for (scene::ShaderRecord* shader : uses.prepared)
            if (shader != view.environmentShader) view.shaders.push(shader);
    }
    util::GrowableArray<uint8_t> seen;
    if (!resetMarks(seen, table.slotCount(CLASS_TYPE_TEXTURE))) return;
    for (scene::TextureRecord* texture : uses.textures) pushDistinct(view.textures, seen, texture);
}

}  // namespace

void finishView(PreparedView& view, const scene::ObjectTable& table) {
    finishLightSets(view, table.slotCount(CLASS_TYPE_LIGHT));
    setTracingSpace(view);
    gatherGeometries(view, table);
    gatherShadersAndTextures(view, table);
}

}  // namespace accel
}  // namespace hox
