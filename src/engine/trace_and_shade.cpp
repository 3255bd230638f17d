// RenderWorkerLocal::traceAndShade: trace one ray at a new depth level and
// shade what it finds; and the level bookkeeping that the tracing services
// share with it.
//
// A hit is shaded by the plug-in bound to the hit instance (rt_debugShade
// 0) or by a debug colouring (1: normal, 2: primitive); a miss, and a ray
// that the depth limit or the level stack refuses, by the view's
// environment shader, or opaque black without one.
//
// The instance's shader is the one the scene walk found on the surface
// stack, and the binding keeps it only when it still answers the surface
// kind: a hit without a callable surface shader is opaque black, as if its
// shader had written nothing.
#include <cassert>
#include <cmath>
#include <cstring>

#include "engine/debug_shading.h"
#include "engine/render_worker_local.h"
#include "engine/shader_bindings.h"
#include "engine/shading_vectors.h"
#include "hox/shader_declaration.h"
#include "scene/shader_record.h"
#include "trace/compiled_scene.h"
#include "trace/hit_surface.h"
#include "trace/ray.h"
#include "trace/traversal.h"

namespace hox {
namespace engine {

namespace {

// Directions shorter than this (squared) are refused as degenerate.
constexpr float kMinDirectionLength2 = 0.000001f;

// The inherited values of the root level, which the camera rays take: the
// index of refraction of the medium the camera is in (vacuum, or air taken
// as vacuum). Shaders that keep other quantities there see 1 at the first
// hit.
constexpr float kRootInheritedValue = 1.0f;

inline void setColour(float colour[4], float r, float g, float b, float a) {
    colour[0] = r;
    colour[1] = g;
    colour[2] = b;
    colour[3] = a;
}

// Refraction and shadow rays pass through the surface, into the medium
// behind it, so they take the value the shader keeps for that side.
inline bool takesInheritedB(int kind) { return kind == kRayKindRefraction || kind == kRayKindShadow; }

// The surface shader of an instance: its binding's, or (an instance left
// unbound when memory was short) its own record's.
inline const ShaderObject* surfaceShader(const trace::Instance& instance, const AttributeBinding* binding) {
    if (binding) return binding->surface;
    return instance.shader ? instance.shader->shaderObject : nullptr;
}

inline const AttributeBinding* ownBinding(const trace::Instance& instance) {
    return instance.bindingCount > 0 ? attributeBinding(instance.bindings[0]) : nullptr;
}

}  // namespace

void RenderWorkerLocal::resetForSample() {
    current_ = 0;
    DepthLevel& root = stack_.level(0);
    root.depth = 0;
    root.state.inheritedA = kRootInheritedValue;
    root.state.inheritedB = kRootInheritedValue;
    // Nothing for a camera ray to leave from.
    root.ray.hitInstance = nullptr;
    root.ray.hitTriangle = -1;
    root.ray.hitInstanceId = -1;
    active_ = {nullptr, nullptr};
    gather_ = false;
    shadowFlag_ = true;
    gatheringLights_ = false;
    inRefusedMiss_ = false;
}

DepthLevel& RenderWorkerLocal::enterLevel(int kind) {
    assert(levelFree());
    const DepthLevel& parent = stack_.level(current_);
    DepthLevel& level = stack_.level(++current_);
    level.depth = parent.depth + 1;
    const float inherited = takesInheritedB(kind) ? parent.state.inheritedB : parent.state.inheritedA;
    level.state.inheritedA = inherited;
    level.state.inheritedB = inherited;
    return level;
}

void RenderWorkerLocal::leaveLevel() {
    assert(current_ > 0);
    --current_;
}

void RenderWorkerLocal::beginRay(DepthLevel& level, const Vec3f& origin, const Vec3f& direction, int kind) {
    trace::Ray& ray = level.ray;
    if (scene_) {
        trace::initRay(ray, *scene_, origin, direction, static_cast<uint32_t>(kind));
    } else {
        std::memset(static_cast<void*>(&ray), 0, sizeof(ray));
        ray.hitTriangle = -1;
        ray.hitInstanceId = -1;
        ray.originTriangle = -1;
    }
    // Deeper than a camera ray, the ray starts on the surface the parent
    // level hit; hits on it closer than its epsilon are that surface again.
    if (level.depth > 1 && current_ > 0) {
        const trace::Ray& parent = stack_.level(current_ - 1).ray;
        ray.originInstance = parent.hitInstance;
        ray.originTriangle = parent.hitInstance ? parent.hitTriangle : -1;
        ray.tMin = parent.hitInstance ? parent.hitInstance->epsilon : 0.0f;
    }

    ShadingState& state = level.state;
    state.rayOrigin = origin;
    state.rayDirection = direction;
    state.samplePosition = {samplePosition_[0], samplePosition_[1]};
    state.viewSize = {width_, height_};
    state.rayKind = kind;
    state.depth = level.depth;
    state.traceDepth = settings_.traceDepth;
}

bool RenderWorkerLocal::traceLevel(DepthLevel& level) {
    // An empty view still has its root node: its rays are traced (and
    // counted) like any other, and simply find nothing.
    if (!scene_ || !scene_->node4Data) return false;
    ++counters_[kCountRays];
    const bool hit = trace::traceScene(*scene_, level.ray) && level.ray.hitInstance;
    if (hit) ++counters_[kCountHits];
    return hit;
}

bool RenderWorkerLocal::prepareHitState(DepthLevel& level, const AttributeBinding* binding) {
    const trace::Instance& instance = *level.ray.hitInstance;
    const trace::Ray* rays[1] = {&level.ray};
    trace::HitSurface& surface = *level.surface;
    trace::interpolateHits(surface, rays, 1, instance, binding ? binding->sources : nullptr,
                           binding ? binding->sourceCount : 0);
    ShadingState& state = level.state;
    if (!trace::fillShadingState(surface, 0, instance, state)) return false;
    // A shader reads as many components as it declared, whatever the
    // geometry had: the ones without data read as zeros.
    for (int c = surface.attributeComponents; c < trace::kMaxAttributeComponents; ++c) {
        surface.shadedAttributes[c] = 0.0f;
    }
    state.colour = {0.0f, 0.0f, 0.0f, 1.0f};
    state.transmission = {0.0f, 0.0f, 0.0f};
    state.lightPosition = {0.0f, 0.0f, 0.0f};
    state.lightAxis = {0.0f, 0.0f, 0.0f};
    state.toLight = {0.0f, 0.0f, 0.0f};
    state.lightDistance = 0.0f;
    state.lightColour = {0.0f, 0.0f, 0.0f};
    state.lightColourScale = {1.0f, 1.0f, 1.0f};
    return true;
}

void RenderWorkerLocal::callShade(const ShaderObject& shader, ShadingState& state,
                                  const trace::Instance* instance) {
    const ActiveShading saved = active_;
    active_ = {&state, instance};
    ++counters_[kCountShaderCalls];
    shader.shade(this, &state);
    active_ = saved;
}

void RenderWorkerLocal::callTransmit(const ShaderObject& shader, ShadingState& state,
                                     const trace::Instance* instance) {
    const ActiveShading saved = active_;
    active_ = {&state, instance};
    ++counters_[kCountShaderCalls];
    shader.transmit(this, &state);
    active_ = saved;
}

void RenderWorkerLocal::shadeHit(DepthLevel& level, float colour[4]) {
    const trace::Ray& ray = level.ray;
    if (debugMode_ == kShadePrimitives) {
        primitiveColour(ray.hitTriangle, colour);
        return;
    }
    const trace::Instance& instance = *ray.hitInstance;
    if (debugMode_ == kShadeNormals) {
        Vec3f normal;
        if (hitShadingNormal(instance, ray, normal)) {
            normalColour(normal, colour);
        } else {
            setColour(colour, 0.0f, 0.0f, 0.0f, 1.0f);
        }
        return;
    }
    const AttributeBinding* binding = ownBinding(instance);
    const ShaderObject* shader = surfaceShader(instance, binding);
    if (!shader || !prepareHitState(level, binding)) {
        setColour(colour, 0.0f, 0.0f, 0.0f, 1.0f);
        return;
    }
    callShade(*shader, level.state, &instance);
    const Vec4f& c = level.state.colour;
    setColour(colour, c.x, c.y, c.z, c.w);
}

void RenderWorkerLocal::shadeMiss(ShadingState& state, float colour[4]) {
    ++counters_[kCountMisses];
    if (!environment_) {
        setColour(colour, 0.0f, 0.0f, 0.0f, 1.0f);
        return;
    }
    state.colour = {0.0f, 0.0f, 0.0f, 1.0f};
    callShade(*environment_, state, nullptr);
    const Vec4f& c = state.colour;
    setColour(colour, c.x, c.y, c.z, c.w);
}

void RenderWorkerLocal::shadeRefusedMiss(const Vec3f& origin, const Vec3f& direction, int kind,
                                         float colour[4]) {
    // An environment shader that traces from a refused miss would be
    // refused again, and again: it gets opaque black instead.
    if (inRefusedMiss_) {
        ++counters_[kCountMisses];
        setColour(colour, 0.0f, 0.0f, 0.0f, 1.0f);
        return;
    }
    const DepthLevel& current = stack_.level(current_);
    ShadingState& state = refusedState_;
    state.rayOrigin = origin;
    state.rayDirection = direction;
    state.samplePosition = {samplePosition_[0], samplePosition_[1]};
    state.viewSize = {width_, height_};
    const float inherited = takesInheritedB(kind) ? current.state.inheritedB : current.state.inheritedA;
    state.inheritedA = inherited;
    state.inheritedB = inherited;
    state.rayKind = kind;
    state.depth = current.depth;
    state.traceDepth = settings_.traceDepth;
    inRefusedMiss_ = true;
    shadeMiss(state, colour);
    inRefusedMiss_ = false;
}

bool RenderWorkerLocal::traceAndShade(float colour[4], const Vec3f& origin, const Vec3f& direction,
                                      int kind) {
    const float length2 = lengthSquared(direction);
    if (!(length2 >= kMinDirectionLength2) || !std::isfinite(length2) || stack_.size() == 0) {
        ++counters_[kCountRefused];
        setColour(colour, 0.0f, 0.0f, 0.0f, 0.0f);
        return false;
    }
    const Vec3f unit = direction * (1.0f / std::sqrt(length2));
    if (bounce() >= settings_.traceDepth) {
        ++counters_[kCountRefused];
        shadeRefusedMiss(origin, unit, kind, colour);
        return false;
    }
    if (!levelFree()) {
        // Not an error: the ray sees the environment, and the next view
        // gets more levels.
        stack_.markRanOut();
        ++counters_[kCountRefused];
        shadeRefusedMiss(origin, unit, kind, colour);
        return false;
    }

    DepthLevel& level = enterLevel(kind);
    beginRay(level, origin, unit, kind);
    if (traceLevel(level)) {
        shadeHit(level, colour);
    } else {
        shadeMiss(level.state, colour);
    }
    leaveLevel();
    return true;
}

}  // namespace engine
}  // namespace hox
