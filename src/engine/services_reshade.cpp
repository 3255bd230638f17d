// Tracing services 14 and 15: shading the current hit again with another
// shader, one that the caller holds (typically through a shader reference
// parameter), as a layer of its own result.
//
// The re-shading runs at a level of its own with a copy of the current
// level's ray and of the caller's hit set-up, so the shader called sees the
// same hit, and anything the caller changed in the set-up (a bent normal,
// other inherited values). What the copy cannot hold right is the vertex
// attributes, which are the ones the caller's shader declared: they are
// interpolated again for the called shader's binding on the hit instance
// (zeros when the instance has no binding for it). The depth counter stays
// the caller's, because no ray was traced.
#include <cstring>

#include "engine/render_worker_local.h"
#include "engine/shader_bindings.h"
#include "hox/shader_declaration.h"
#include "trace/hit_surface.h"
#include "trace/instance.h"

namespace hox {
namespace engine {

namespace {

// The called shader's attributes at the level's hit, into the level's
// surface block; the record's pointer is set to them.
void bindAttributes(DepthLevel& level, const ShaderObject& shader) {
    trace::HitSurface& surface = *level.surface;
    const trace::Instance* instance = level.ray.hitInstance;
    int components = 0;
    if (instance) {
        const AttributeBinding* binding = findBinding(*instance, &shader);
        const trace::Ray* rays[1] = {&level.ray};
        trace::interpolateHits(surface, rays, 1, *instance, binding ? binding->sources : nullptr,
                               binding ? binding->sourceCount : 0);
        if (surface.activeMask[0] & 1) components = surface.attributeComponents;
    }
    for (int c = 0; c < trace::kMaxAttributeComponents; ++c) {
        surface.shadedAttributes[c] = c < components ? surface.attributes[c][0] : 0.0f;
    }
    level.state.attributes = surface.shadedAttributes;
}

}  // namespace

void RenderWorkerLocal::shadeWith(Vec4f& result, const ShaderObject* shader, const ShadingState& hit) {
    result = {0.0f, 0.0f, 0.0f, 1.0f};
    if (!levelFree()) {
        stack_.markRanOut();
        return;
    }
    if (!shader) return;
    const DepthLevel& parent = stack_.level(current_);
    DepthLevel& level = stack_.level(current_ + 1);
    level.ray = parent.ray;
    // memmove: a shader may hand over any record, even this level's.
    std::memmove(static_cast<void*>(&level.state), &hit, sizeof(ShadingState));
    level.depth = parent.depth;
    ++current_;
    bindAttributes(level, *shader);
    level.state.colour = {0.0f, 0.0f, 0.0f, 1.0f};
    callShade(*shader, level.state, level.ray.hitInstance);
    result = level.state.colour;
    leaveLevel();
}

void RenderWorkerLocal::transmissionOf(Vec3f& result, const ShaderObject* shader, const ShadingState& hit) {
    result = {0.0f, 0.0f, 0.0f};
    if (!levelFree()) {
        stack_.markRanOut();
        return;
    }
    if (!shader) return;
    const DepthLevel& parent = stack_.level(current_);
    DepthLevel& level = stack_.level(current_ + 1);
    level.ray = parent.ray;
    std::memmove(static_cast<void*>(&level.state), &hit, sizeof(ShadingState));
    level.depth = parent.depth;
    ++current_;
    bindAttributes(level, *shader);
    level.state.transmission = {0.0f, 0.0f, 0.0f};
    callTransmit(*shader, level.state, level.ray.hitInstance);
    result = level.state.transmission;
    leaveLevel();
}

}  // namespace engine
}  // namespace hox
