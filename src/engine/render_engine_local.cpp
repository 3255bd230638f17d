#include "engine/render_engine_local.h"

#include <cstdint>

#include "engine/frame_slot.h"
#include "engine/framebuffer_render_state.h"
#include "engine/tile_sampler.h"
#include "engine/work_dispatcher.h"
#include "hox/device.h"
#include "hox/status.h"
#include "util/messages.h"

namespace hox {
namespace engine {

namespace {

// A tile job carries its index in the job word's 24-bit payload.
constexpr int64_t kMaxTilesPerView = int64_t{1} << 24;
// How long one wait for a frame in flight lasts before it is retried.
constexpr unsigned kFrameWaitMilliseconds = 1000;

// Tiles of a view in this frame: none for a static view or one without a
// camera.
int viewTiles(const accel::PreparedView& view) {
    if (view.isStatic || !view.camera) return 0;
    const int64_t width = view.camera->width;
    const int64_t height = view.camera->height;
    if (width <= 0 || height <= 0) return 0;
    const int64_t tiles = ((width + kTileSize - 1) / kTileSize) * ((height + kTileSize - 1) / kTileSize);
    return static_cast<int>(tiles < kMaxTilesPerView ? tiles : kMaxTilesPerView);
}

}  // namespace

RenderEngineLocal::RenderEngineLocal() : initialized_(false), slots_{nullptr, nullptr} {}

RenderEngineLocal::~RenderEngineLocal() { shutdown(); }

void RenderEngineLocal::startThreads() {
    const int threads = RenderThreadPool::resolveThreadCount(settings_.threadCount);
    if (pool_.start(threads, context_) != 0) {
        util::error("Local render engine: cannot start %d render threads\n", threads);
    }
}

int RenderEngineLocal::init(const scene::DeviceSettingsData& settings) {
    settings_ = settings;
    startThreads();
    initialized_ = true;
    return RESULT_OK;
}

int RenderEngineLocal::shutdown() {
    pool_.stop([this] { context_.onAbort(); });
    initialized_ = false;
    return RESULT_OK;
}

void RenderEngineLocal::finishFrameInFlight(int parity) {
    FrameSlot* other = slots_[parity ^ 1];
    if (!other || !pool_.isRunning()) return;
    // The running threads finish it; every wait is bounded and the loop ends
    // when the units are done.
    while (other->frameNumber >= 0 && other->remainingUnits() > 0) {
        if (other->waitForCompletion(kFrameWaitMilliseconds) == RESULT_FAILED) break;
    }
}

void RenderEngineLocal::push(uint32_t job, FrameSlot& slot, int units) {
    if (pool_.push(job) != 0) slot.completeWorkUnits(units);
}

int RenderEngineLocal::renderFrame(FrameSlot& slot) {
    settings_ = slot.settings;
    const int parity = slot.frameNumber & 1;

    const int wanted = RenderThreadPool::resolveThreadCount(settings_.threadCount);
    if (!pool_.isRunning() || wanted != pool_.threadCount()) {
        finishFrameInFlight(parity);
        shutdown();
        init(settings_);
    }
    if (!pool_.isRunning()) {
        // Nobody would count the units down: the frame ends here, empty.
        slot.beginWork(0);
        return RESULT_FAILED;
    }

    const int status = context_.prepareFrame(slot);
    if (status != RESULT_OK) return status;
    slots_[parity] = &slot;

    const int threads = pool_.threadCount();
    const int views = slot.viewCount();
    int64_t units = static_cast<int64_t>(views + 1) * threads;
    for (int v = 0; v < views; ++v) units += viewTiles(slot.view(v));
    slot.beginWork(static_cast<int>(units < INT32_MAX ? units : INT32_MAX));

    // Every view's framebuffer is prepared before the first job is queued:
    // two views may share a framebuffer, and a buffer must not be cleared
    // while another view's tiles already write into it.
    for (int v = 0; v < views; ++v) {
        const accel::PreparedView& view = slot.view(v);
        if (!view.framebuffer || !view.camera) continue;
        prepareFramebufferForFrame(*view.framebuffer, slot.frameNumber, view.isStatic,
                                   view.renderViewHandle, view.camera->width, view.camera->height,
                                   clampSamplingLevel(view.renderOptions().samplingRate),
                                   view.passCount);
    }

    push(beginFrameJob(slot.frameNumber), slot, threads);
    for (int v = 0; v < views; ++v) {
        push(beginViewJob(v), slot, threads);
        const int tiles = viewTiles(slot.view(v));
        for (int t = 0; t < tiles; ++t) push(tileJob(t), slot, 1);
    }
    return RESULT_OK;
}

int RenderEngineLocal::abort() {
    pool_.drain([this] { context_.onAbort(); });
    return RESULT_OK;
}

void RenderEngineLocal::getStats(RenderStats& stats) {
    stats.clear();
    context_.getStats(stats);
}

float RenderEngineLocal::getProgress(int frameNumber) {
    if (frameNumber < 0) return 0.0f;
    const FrameSlot* slot = slots_[frameNumber & 1];
    if (!slot || slot->frameNumber < 0) return 0.0f;
    const int total = slot->totalUnits();
    if (total <= 0) return 0.0f;
    const int remaining = slot->remainingUnits();
    return 1.0f - static_cast<float>(remaining) / static_cast<float>(total);
}

void RenderEngineLocal::onCreateHandle(int, int) {}

void RenderEngineLocal::onDestroyHandle(const HandleBase&) {}

void RenderEngineLocal::onEndEdit(const HandleBase&) {}

}  // namespace engine
}  // namespace hox
