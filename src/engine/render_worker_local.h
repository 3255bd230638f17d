// RenderWorkerLocal: what one render thread of the local engine renders
// with.
//
// One per render thread, used only by that thread. Begin-frame picks up the
// frame slot of the job's parity; begin-view copies everything a view's
// tiles need (sink, options, camera set-up, window region, the sample list
// of the view's pass) so that tiles read nothing shared but the compiled
// scene and the tables; a tile turns its sample list into primary rays,
// traces and shades them and hands the colours to the sink in batches.
//
// Every job ends with one work unit counted down on the frame slot; that is
// the worker's last touch of the slot for the job, because the count that
// reaches zero lets the device free the frame.
#pragma once

#include <cstdint>

#include "engine/primary_rays.h"
#include "engine/render_counters.h"
#include "engine/render_worker.h"
#include "engine/tile_sink.h"
#include "scene/settings_records.h"
#include "util/growable_array.h"

namespace hox {
class ShaderObject;

namespace trace {
class CompiledScene;
struct Ray;
}

namespace engine {

class FrameContext;
class FrameSlot;

class alignas(kWorkerAlignment) RenderWorkerLocal : public RenderWorker {
public:
    RenderWorkerLocal(FrameContext& context, int threadIndex);
    ~RenderWorkerLocal() override;
    RenderWorkerLocal(const RenderWorkerLocal&) = delete;
    RenderWorkerLocal& operator=(const RenderWorkerLocal&) = delete;

    void beginFrame(int frameNumber) override;
    void beginView(int viewIndex) override;
    void renderTile(int tileIndex) override;
    void skipTile(int tileIndex) override;

    // Traces one ray of kind `kind` (a kRayKind* bit) from the current
    // level and shades what it finds; `colour` receives RGBA. False when the
    // ray was refused (degenerate direction, depth limit), true when it was
    // traced, hit or miss.
    bool traceAndShade(float colour[4], const Vec3f& origin, const Vec3f& direction, int kind);

    // Hands the counters to the frame context and zeroes them.
    void flushStats();

    // --- Read by tests ---
    int threadIndex() const { return threadIndex_; }
    // The pass counter of view `viewIndex`; 0 for a view never begun.
    int passCounter(int viewIndex) const;
    int sampleCount() const { return sampleCount_; }
    const SampleRecord* samples() const { return samples_; }
    bool viewIsWindowed() const { return windowed_; }
    int tilesAcross() const { return tilesX_; }
    int tilesDown() const { return tilesY_; }

private:
    void countDown();
    // Ensures room for `count` sample records; false when memory is short.
    bool reserveSamples(int count);
    void shadeHit(const trace::Ray& ray, float colour[4]);
    void shadeMiss(float colour[4]);
    void deliverEmptyTile(int tileX, int tileY);
    // Traces and delivers `count` samples of the tile (one batch).
    void renderBatch(int tileX, int tileY, const SampleRecord* records, int count, bool last);

    FrameContext& context_;
    const int threadIndex_;

    // Frame state, set by begin-frame.
    FrameSlot* slot_;
    int frameNumber_;
    int parity_;
    int debugMode_;
    TileSink* sinkOverride_;

    // View state, set by begin-view.
    bool viewValid_;
    bool cameraValid_;
    bool windowed_;
    TileSink* sink_;
    const trace::CompiledScene* scene_;
    // The view's environment shader: a shader record whose object is
    // flagged for it, else null.
    const ShaderObject* environment_;
    scene::RenderOptionsData options_;
    PrimaryRaySetup raySetup_;
    int width_;
    int height_;
    int regionX0_, regionY0_, regionX1_, regionY1_;  // clamped window region
    int tilesX_;
    int tilesY_;
    int level_;
    // The distance between the corners of the scene's world box: the scale
    // by which distances in the scene are judged.
    float sceneExtent_;

    // The sample list of the current view (capacity for sampleCapacity_).
    SampleRecord* samples_;
    int sampleCount_;
    int sampleCapacity_;
    // One pass counter per view index, grown on demand.
    util::GrowableArray<int32_t> passCounters_;

    // The sample being shaded, for shaders and the tracing services: its
    // position in the view, its pixel and its offset index.
    float samplePosition_[2];
    int32_t samplePixel_[2];
    int32_t sampleOffsetIndex_;
    // Depth counter of the current level: 0 between samples, 1 while a
    // camera ray's hit is shaded.
    int depth_;

    uint64_t counters_[kCounterCount];

    // One batch of a tile: its rays, the records of the samples kept (when
    // a tile cannot pass a slice of the list as it stands) and the colours.
    PrimaryRayBatch batch_;
    SampleRecord batchRecords_[kTileBatchSamples];
    alignas(16) float batchColours_[kTileBatchSamples * 4];
};

}  // namespace engine
}  // namespace hox
