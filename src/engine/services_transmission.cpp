// Tracing service 4, shadow transmission: how much light passes between two
// points. An opaque surface in between blocks it; a surface whose shader
// casts transparent shadows lets through what its `transmit` says, and the
// walk continues behind it, one level deeper per surface, so a stack of
// tinted panes multiplies their colours.
#include <cmath>

#include "engine/render_worker_local.h"
#include "engine/shader_bindings.h"
#include "engine/shading_vectors.h"
#include "hox/shader_declaration.h"
#include "scene/shader_record.h"
#include "trace/instance.h"

namespace hox {
namespace engine {

namespace {
const Vec3f kWhite = {1.0f, 1.0f, 1.0f};
const Vec3f kBlack = {0.0f, 0.0f, 0.0f};
}  // namespace

Vec3f RenderWorkerLocal::hitTransmission(DepthLevel& level) {
    const trace::Instance& instance = *level.ray.hitInstance;
    const AttributeBinding* binding =
        instance.bindingCount > 0 ? attributeBinding(instance.bindings[0]) : nullptr;
    const ShaderObject* shader =
        binding ? binding->surface : (instance.shader ? instance.shader->shaderObject : nullptr);
    if (!shader || !prepareHitState(level, binding)) return kBlack;
    callTransmit(*shader, level.state, &instance);
    return level.state.transmission;
}

Vec3f RenderWorkerLocal::transmitAlong(const Vec3f& from, const Vec3f& to, int kind) {
    if (bounce() >= settings_.traceDepth) return kWhite;
    if (!levelFree()) {
        stack_.markRanOut();
        return kWhite;
    }
    const Vec3f span = to - from;
    const float distance = std::sqrt(lengthSquared(span));
    // Coincident points have nothing between them; points that are no
    // numbers cannot be traced towards.
    if (!(distance > 1e-6f) || !std::isfinite(distance)) return kWhite;
    const Vec3f direction = span * (1.0f / distance);

    DepthLevel& level = enterLevel(kind);
    beginRay(level, from, direction, kind);
    trace::setRayTMax(level.ray, distance * kShadowDistanceFactor * worldScale_);
    Vec3f result = kWhite;
    if (traceLevel(level)) {
        if (!level.ray.hitInstance->transparentShadows) {
            result = kBlack;
        } else {
            const Vec3f passed = hitTransmission(level);
            if (isBlack(passed)) {
                result = passed;
            } else {
                const float t = level.ray.tMax / worldScale_;
                result = passed * transmitAlong(from + direction * t, to, kind);
            }
        }
    }
    leaveLevel();
    return result;
}

void RenderWorkerLocal::transmission(Vec3f& result, const Vec3f& from, const Vec3f& to) {
    if (!settings_.transmission || !shadowFlag_ || bounce() >= settings_.traceDepth) {
        result = kWhite;
        return;
    }
    result = transmitAlong(from, to, kRayKindShadow);
}

}  // namespace engine
}  // namespace hox
