// RenderWorkerLocal: frame and view set-up, skipping, statistics.
//
// Begin-view is where every block a view's shading needs is sized (sample
// list, depth levels, light samples), so that tracing never allocates.
#include "engine/render_worker_local.h"

#include <cmath>
#include <cstring>

#include "accel/prepared_view.h"
#include "engine/frame_context.h"
#include "engine/frame_slot.h"
#include "engine/framebuffer_render_state.h"
#include "engine/tile_sampler.h"
#include "hox/shader_declaration.h"
#include "platform/aligned_memory.h"
#include "scene/camera_model.h"
#include "scene/shader_record.h"
#include "trace/compiled_scene.h"
#include "util/messages.h"

namespace hox {
namespace engine {

RenderWorkerLocal::RenderWorkerLocal(FrameContext& context, int threadIndex)
    : context_(context), threadIndex_(threadIndex), slot_(nullptr), frameNumber_(-1), parity_(0),
      debugMode_(0), sinkOverride_(nullptr), viewValid_(false), cameraValid_(false),
      windowed_(false), sink_(nullptr), scene_(nullptr), environment_(nullptr), raySetup_(),
      width_(0), height_(0), regionX0_(0), regionY0_(0), regionX1_(-1), regionY1_(-1),
      tilesX_(0), tilesY_(0), level_(0), sceneExtent_(0.0f), samples_(nullptr), sampleCount_(0),
      sampleCapacity_(0), passCounters_(util::GrowableArray<int32_t>::kDefaultGrowthStep),
      samplePosition_{0.0f, 0.0f}, samplePixel_{0, 0}, sampleOffsetIndex_(0), tileX_(0), tileY_(0),
      view_(nullptr), settings_(shadingSettingsFrom(scene::RenderOptionsData())), farDistance_(1.0f),
      worldScale_(1.0f), current_(0), active_{nullptr, nullptr}, inRefusedMiss_(false), gather_(false),
      shadowFlag_(true), gatheringLights_(false), lightSamples_(nullptr), lightSampleCapacity_(0) {
    for (uint64_t& counter : counters_) counter = 0;
    std::memset(static_cast<void*>(&refusedState_), 0, sizeof(refusedState_));
}

RenderWorkerLocal::~RenderWorkerLocal() {
    platform::alignedFree(samples_);
    platform::alignedFree(lightSamples_);
}

void RenderWorkerLocal::countDown() {
    if (slot_) slot_->completeWorkUnits(1);
}

void RenderWorkerLocal::flushStats() {
    context_.addStats(counters_);
    for (uint64_t& counter : counters_) counter = 0;
}

int RenderWorkerLocal::passCounter(int viewIndex) const {
    return viewIndex >= 0 && viewIndex < passCounters_.count() ? passCounters_[viewIndex] : 0;
}

bool RenderWorkerLocal::reserveLightSamples(const accel::PreparedView& view) {
    // Illuminance stores at most (light list length) x (shadow samples)
    // entries, for the longest list of the view.
    int longest = 0;
    for (const accel::LightSetEntry& set : view.lightSets) {
        if (set.lightCount > longest) longest = set.lightCount;
    }
    const int64_t wanted = static_cast<int64_t>(longest) * settings_.shadowSamples;
    if (wanted <= lightSampleCapacity_) return true;
    if (wanted > (int64_t(1) << 24)) return false;
    LightSample* block = static_cast<LightSample*>(
        platform::alignedAlloc(sizeof(LightSample) * static_cast<std::size_t>(wanted)));
    if (!block) return false;
    platform::alignedFree(lightSamples_);
    lightSamples_ = block;
    lightSampleCapacity_ = static_cast<int>(wanted);
    return true;
}

bool RenderWorkerLocal::reserveSamples(int count) {
    if (count <= sampleCapacity_) return true;
    // Grown once to the largest level a view asks for, then kept.
    SampleRecord* block =
        static_cast<SampleRecord*>(platform::alignedAlloc(sizeof(SampleRecord) * static_cast<std::size_t>(count)));
    if (!block) return false;
    platform::alignedFree(samples_);
    samples_ = block;
    sampleCapacity_ = count;
    return true;
}

void RenderWorkerLocal::beginFrame(int frameNumber) {
    parity_ = frameNumber & 1;
    slot_ = context_.getFrameSlot(parity_);
    frameNumber_ = slot_ ? slot_->frameNumber : frameNumber;
    debugMode_ = context_.debugShadeMode(parity_);
    sinkOverride_ = context_.getTileSink();
    viewValid_ = false;
    flushStats();
    countDown();
}

void RenderWorkerLocal::beginView(int viewIndex) {
    viewValid_ = false;
    sink_ = nullptr;
    const accel::PreparedView* view =
        slot_ && viewIndex >= 0 && viewIndex < slot_->viewCount() ? &slot_->view(viewIndex) : nullptr;
    if (!view || !view->framebuffer || !view->camera) {
        util::warning("Critical warning: invalid view %d for frame %d\n", viewIndex, frameNumber_);
        // The device validated its views, so this is a guard; counting the
        // unit down keeps the device's wait from hanging on it.
        countDown();
        return;
    }

    sink_ = sinkOverride_ ? sinkOverride_ : frameTileSink(*view->framebuffer, frameNumber_);
    options_ = view->renderOptions();

    const scene::CameraRecord& camera = *view->camera;
    width_ = camera.width;
    height_ = camera.height;
    cameraValid_ = setupPrimaryRays(camera, camera.entity.transform, raySetup_);
    const scene::WindowRegion region = scene::resolveWindowRegion(camera);
    regionX0_ = region.x0;
    regionY0_ = region.y0;
    regionX1_ = region.x1;
    regionY1_ = region.y1;
    windowed_ = region.active;
    tilesX_ = width_ > 0 ? (width_ + kTileSize - 1) / kTileSize : 0;
    tilesY_ = height_ > 0 ? (height_ + kTileSize - 1) / kTileSize : 0;

    const Vec3f& lo = view->boundsMin;
    const Vec3f& hi = view->boundsMax;
    sceneExtent_ = hi.x >= lo.x ? std::sqrt((hi.x - lo.x) * (hi.x - lo.x) + (hi.y - lo.y) * (hi.y - lo.y) +
                                            (hi.z - lo.z) * (hi.z - lo.z))
                                : 0.0f;
    scene_ = context_.sceneState(parity_, viewIndex);
    view_ = view;
    settings_ = shadingSettingsFrom(options_);
    worldScale_ = scene_ ? scene_->worldScale : 1.0f;
    farDistance_ = sceneExtent_ > 0.0f && std::isfinite(sceneExtent_)
                       ? kDirectionalLightDistanceFactor * sceneExtent_
                       : 1.0f;
    const scene::ShaderRecord* environment = view->environmentShader;
    environment_ = environment && environment->shaderObject &&
                           (environment->flags & SHADER_FLAG_ENVIRONMENT) != 0
                       ? environment->shaderObject
                       : nullptr;

    // The pass counter of this view index, then the sample list of the pass.
    level_ = clampSamplingLevel(options_.samplingRate);
    bool ready = true;
    while (passCounters_.count() <= viewIndex) {
        if (!passCounters_.push(0)) {
            ready = false;
            break;
        }
    }
    if (ready) {
        passCounters_[viewIndex] = advancePassCounter(passCounters_[viewIndex], level_, view->progressive);
        ready = reserveSamples(samplesPerTile(level_));
    }
    // Four levels per bounce leave room for the services' own levels
    // (shadow rays, transparent hits, re-shading) below every bounce. A
    // failed growth keeps the levels there were; only a stack without its
    // root level cannot render.
    if (!stack_.prepare(4 * settings_.traceDepth > 1 ? 4 * settings_.traceDepth : 1)) {
        util::warning("Render thread %d: no memory for more trace depth levels\n", threadIndex_);
    }
    if (ready) ready = stack_.size() > 0;
    // Short of memory, illuminance stores fewer samples than it finds.
    if (ready && !reserveLightSamples(*view)) {
        util::warning("Render thread %d: no memory for the light samples of view %d\n", threadIndex_, viewIndex);
    }
    if (ready) {
        sampleCount_ = buildSampleList(level_, passCounters_[viewIndex], samples_);
        resetForSample();
        viewValid_ = true;
    } else {
        util::error("Render thread %d: no memory for the samples of view %d\n", threadIndex_, viewIndex);
    }
    countDown();
}

void RenderWorkerLocal::skipTile(int) { countDown(); }

}  // namespace engine
}  // namespace hox
