#include "engine/frame_context.h"

#include <cmath>
#include <new>

#include "accel/scene_compile.h"
#include "engine/frame_slot.h"
#include "engine/render_worker_local.h"
#include "engine/shader_bindings.h"
#include "hox/device.h"
#include "hox/shader_services.h"
#include "hox/status.h"
#include "trace/compiled_scene.h"
#include "trace/query_hit.h"
#include "trace/ray.h"
#include "trace/traversal.h"
#include "util/cvars.h"

namespace hox {
namespace engine {

FrameContext::FrameContext() : slots_{nullptr, nullptr}, debugShade_{0, 0},
                               preparedFrame_{-1, -1}, sinkOverride_(nullptr) {
    for (uint64_t& counter : stats_) counter = 0;
}

FrameContext::~FrameContext() {
    for (int parity = 0; parity < 2; ++parity) {
        trimScenes(parity, 0);
        scenes_[parity].release();
        bindings_[parity].release();
    }
}

RenderWorker* FrameContext::createWorker(int threadIndex) {
    return allocateWorker<RenderWorkerLocal>(*this, threadIndex);
}

void FrameContext::destroyWorker(RenderWorker* worker) {
    if (!worker) return;
    // Counts made since the worker's last begin-frame would be lost
    // otherwise.
    static_cast<RenderWorkerLocal*>(worker)->flushStats();
    freeWorker<RenderWorkerLocal>(worker);
}

void FrameContext::completeWithoutWorker(int frameNumber) {
    // Job payloads carry only the low bits of the frame number; its parity
    // is all that picks the slot, as for a worker's begin-frame.
    FrameSlot* slot = getFrameSlot(frameNumber & 1);
    if (slot) slot->completeWorkUnits(1);
}

trace::CompiledScene* FrameContext::ensureScene(int parity, int view) {
    util::GrowableArray<trace::CompiledScene*>& scenes = scenes_[parity];
    while (scenes.count() <= view) {
        if (!scenes.push(nullptr)) return nullptr;
    }
    if (!scenes[view]) scenes[view] = new (std::nothrow) trace::CompiledScene();
    return scenes[view];
}

ShaderBindingTable* FrameContext::ensureBindings(int parity, int view) {
    util::GrowableArray<ShaderBindingTable*>& tables = bindings_[parity];
    while (tables.count() <= view) {
        if (!tables.push(nullptr)) return nullptr;
    }
    if (!tables[view]) tables[view] = new (std::nothrow) ShaderBindingTable();
    return tables[view];
}

void FrameContext::trimScenes(int parity, int viewCount) {
    util::GrowableArray<trace::CompiledScene*>& scenes = scenes_[parity];
    if (viewCount < 0) viewCount = 0;
    util::GrowableArray<ShaderBindingTable*>& tables = bindings_[parity];
    if (tables.count() > viewCount) {
        for (int i = viewCount; i < tables.count(); ++i) delete tables[i];
        tables.resize(viewCount);
    }
    if (scenes.count() <= viewCount) return;
    for (int i = viewCount; i < scenes.count(); ++i) delete scenes[i];
    scenes.resize(viewCount);
}

int FrameContext::prepareFrame(FrameSlot& slot) {
    const int parity = slot.frameNumber & 1;
    slots_[parity] = &slot;
    // Console variables change between frames on the host thread; taking
    // the value here, once per frame, keeps the render threads from reading
    // a variable the host may be writing.
    debugShade_[parity] = util::rt_debugShade.get();
    preparedFrame_[parity] = -1;

    trimScenes(parity, slot.viewCount());
    for (int i = 0; i < slot.viewCount(); ++i) {
        trace::CompiledScene* scene = ensureScene(parity, i);
        if (!scene) return RESULT_FAILED;
        accel::compileScene(*scene, slot.view(i));
        // The compile leaves the instances unbound. Without a table they
        // stay so, and shading falls back to each instance's own shader.
        ShaderBindingTable* bindings = ensureBindings(parity, i);
        if (bindings) bindings->bind(*scene);
    }
    preparedFrame_[parity] = slot.frameNumber;
    return RESULT_OK;
}

FrameSlot* FrameContext::getFrameSlot(int parity) const { return slots_[parity & 1]; }

void FrameContext::setTileSink(TileSink* sink) { sinkOverride_.store(sink, std::memory_order_release); }

TileSink* FrameContext::getTileSink() const { return sinkOverride_.load(std::memory_order_acquire); }

void FrameContext::getStats(RenderStats& out) {
    out.clear();
    vu_threads::vuScopedLock lock(statsMutex_);
    for (int i = 0; i < kCounterCount; ++i) {
        out.counters[i] = stats_[i];
        stats_[i] = 0;
    }
}

void FrameContext::addStats(const uint64_t counters[kCounterCount]) {
    vu_threads::vuScopedLock lock(statsMutex_);
    for (int i = 0; i < kCounterCount; ++i) stats_[i] += counters[i];
}

const trace::CompiledScene* FrameContext::sceneState(int parity, int view) const {
    const util::GrowableArray<trace::CompiledScene*>& scenes = scenes_[parity & 1];
    return view >= 0 && view < scenes.count() ? scenes[view] : nullptr;
}

int FrameContext::pick(SelectionQuery& query) {
    query.hit = 0;
    if (query.frameNumber < 0) return 0;
    const int parity = query.frameNumber & 1;
    if (preparedFrame_[parity] != query.frameNumber) return 0;
    const trace::CompiledScene* scene = sceneState(parity, query.viewIndex);
    if (!scene) return 0;

    const Vec3f& d = query.direction;
    const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (!(length > 0.0f) || !std::isfinite(length)) return 0;
    const Vec3f direction = {d.x / length, d.y / length, d.z / length};

    trace::Ray ray;
    trace::initRay(ray, *scene, query.origin, direction, static_cast<uint32_t>(kRayKindSelection));
    if (!trace::traceScene(*scene, ray) || !ray.hitInstance) return 0;

    trace::QueryHit hit;
    if (!trace::evaluateQueryHit(*ray.hitInstance, ray, hit)) return 0;
    query.hit = 1;
    query.position = hit.position;
    query.normal = hit.normal;
    query.boxMin = hit.boxMin;
    query.boxMax = hit.boxMax;
    query.object = hit.objectNumber >= 0
                       ? kObjectHandleClass | (static_cast<uint32_t>(hit.objectNumber) & 0x0FFFFFFFu)
                       : kNullObjectHandle;
    return 0;
}

}  // namespace engine
}  // namespace hox
