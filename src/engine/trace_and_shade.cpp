// RenderWorkerLocal::traceAndShade: trace one ray, shade what it finds.
//
// What is here is the frame's part of shading: the depth limit, the
// traversal, the debug modes and the default colours. Plug-in shaders are
// called with the render thread's tracing services (IShaderServices), which
// shaders may use for further rays; until the worker provides those
// services, a hit whose shader would run (rt_debugShade 0) is shown with the
// normal colouring of mode 1, and a miss is opaque black even when the view
// names an environment shader. A shader must never be handed services it
// cannot call.
#include <cmath>

#include "engine/debug_shading.h"
#include "engine/render_worker_local.h"
#include "trace/compiled_scene.h"
#include "trace/ray.h"
#include "trace/traversal.h"

namespace hox {
namespace engine {

namespace {

// Directions shorter than this (squared) are refused as degenerate.
constexpr float kMinDirectionLength2 = 0.000001f;

inline void setColour(float colour[4], float r, float g, float b, float a) {
    colour[0] = r;
    colour[1] = g;
    colour[2] = b;
    colour[3] = a;
}

}  // namespace

void RenderWorkerLocal::shadeMiss(float colour[4]) {
    ++counters_[kCountMisses];
    // The environment shader (environment_) runs here once the worker has
    // tracing services to hand it.
    setColour(colour, 0.0f, 0.0f, 0.0f, 1.0f);
}

void RenderWorkerLocal::shadeHit(const trace::Ray& ray, float colour[4]) {
    if (debugMode_ == kShadePrimitives) {
        primitiveColour(ray.hitTriangle, colour);
        return;
    }
    // Mode 1, and mode 0 until shaders can be called (see above).
    Vec3f normal;
    if (hitShadingNormal(*ray.hitInstance, ray, normal)) {
        normalColour(normal, colour);
    } else {
        setColour(colour, 0.0f, 0.0f, 0.0f, 1.0f);
    }
}

bool RenderWorkerLocal::traceAndShade(float colour[4], const Vec3f& origin, const Vec3f& direction,
                                      int kind) {
    const float length2 = direction.x * direction.x + direction.y * direction.y + direction.z * direction.z;
    if (!(length2 >= kMinDirectionLength2)) {
        ++counters_[kCountRefused];
        setColour(colour, 0.0f, 0.0f, 0.0f, 0.0f);
        return false;
    }
    if (depth_ >= options_.traceDepth) {
        ++counters_[kCountRefused];
        shadeMiss(colour);
        return false;
    }

    ++depth_;
    const float inverse = 1.0f / std::sqrt(length2);
    const Vec3f unit = {direction.x * inverse, direction.y * inverse, direction.z * inverse};
    setColour(colour, 0.0f, 0.0f, 0.0f, 1.0f);
    bool hit = false;
    if (scene_ && scene_->node4Data) {
        trace::Ray ray;
        trace::initRay(ray, *scene_, origin, unit, static_cast<uint32_t>(kind));
        ++counters_[kCountRays];
        hit = trace::traceScene(*scene_, ray) && ray.hitInstance;
        if (hit) {
            ++counters_[kCountHits];
            shadeHit(ray, colour);
        }
    }
    if (!hit) shadeMiss(colour);
    --depth_;
    return true;
}

}  // namespace engine
}  // namespace hox
