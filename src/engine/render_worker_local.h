// RenderWorkerLocal: what one render thread of the local engine renders
// with.
//
// One per render thread, used only by that thread. Begin-frame picks up the
// frame slot of the job's parity; begin-view copies everything a view's
// tiles need (sink, options, shading settings, camera set-up, window
// region, the sample list of the view's pass) and sizes the depth stack and
// the light-sample array, so that tiles read nothing shared but the
// compiled scene, the prepared view's lights and the tables, and allocate
// nothing; a tile turns its sample list into primary rays, traces and
// shades them and hands the colours to the sink in batches.
//
// The worker is also the tracing services of the shaders it runs: it
// implements IShaderServices beside its engine-facing interface, and the
// pointer a shader receives is that part of it. Every service works on this
// worker's depth stack and records only, which is what makes shading free
// of locks.
//
// Every job ends with one work unit counted down on the frame slot; that is
// the worker's last touch of the slot for the job, because the count that
// reaches zero lets the device free the frame.
#pragma once

#include <cstdint>

#include "engine/depth_stack.h"
#include "engine/primary_rays.h"
#include "engine/render_counters.h"
#include "engine/render_worker.h"
#include "engine/shading_settings.h"
#include "engine/tile_sink.h"
#include "hox/shader_services.h"
#include "scene/settings_records.h"
#include "util/growable_array.h"

namespace hox {
class ShaderObject;

namespace accel {
struct LightEntry;
struct LightSetEntry;
struct PreparedView;
}

namespace trace {
class CompiledScene;
struct Instance;
struct Ray;
}

namespace engine {

class FrameContext;
class FrameSlot;

struct AttributeBinding;

// Far distance of directional lights, in diagonals of the scene's world box:
// far enough that a shadow ray towards the light leaves the box from any
// point inside it, whatever the shadow distance factor takes off.
constexpr float kDirectionalLightDistanceFactor = 4.0f;
// Shadow and occlusion rays end this fraction of the way to their target,
// so that a shadow ray towards a light stops short of a surface placed at
// the light itself (a lamp's bulb, an emitter quad).
constexpr float kShadowDistanceFactor = 0.999f;
// Occlusion hit distances count at face value: openness then rises
// linearly from 0 at contact to 1 at the occlusion range, and meets the
// value of a ray that hits nothing there without a step.
constexpr float kOcclusionHitDistanceFactor = 1.0f;

class alignas(kWorkerAlignment) RenderWorkerLocal : public RenderWorker, public IShaderServices {
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
    // ray was refused (degenerate direction, depth limit, no free level),
    // true when it was traced, hit or miss.
    bool traceAndShade(float colour[4], const Vec3f& origin, const Vec3f& direction, int kind);

    // Hands the counters to the frame context and zeroes them.
    void flushStats();

    // --- IShaderServices (hox/shader_services.h says what each does) ---
    int illuminance(int lightGroupSelector, const Vec3f& position, const Vec3f& axis,
                    const LightSample** samples, float angle) override;
    int illuminance(int lightGroupSelector, const Vec3f& position, const Vec3f& axis,
                    const LightSample** samples) override;
    void ambient(Vec3f& result, const Vec3f& position) override;
    void transmission(Vec3f& result, const Vec3f& from, const Vec3f& to) override;
    void trace(Vec4f& result, const Vec3f& origin, const Vec3f& direction, int rayKind) override;
    void traceReflection(Vec4f& result, const Vec3f& origin, const Vec3f& direction) override;
    void traceRefraction(Vec4f& result, const Vec3f& origin, const Vec3f& direction) override;
    void glossyReflection(Vec4f& result, const Vec3f& origin, const Vec3f& direction, const Vec3f& tangent,
                          const Vec3f& bitangent, float roughnessU, float roughnessV) override;
    void glossyReflection(Vec4f& result, const Vec3f& origin, const Vec3f& direction, float roughness) override;
    void glossyRefraction(Vec4f& result, const Vec3f& origin, const Vec3f& direction, const Vec3f& tangent,
                          const Vec3f& bitangent, float roughnessU, float roughnessV) override;
    void glossyRefraction(Vec4f& result, const Vec3f& origin, const Vec3f& direction, float roughness) override;
    void ambientOcclusion(Vec3f& result, const Vec3f& position, const Vec3f& normal) override;
    void indirectDiffuse(Vec4f& result, const Vec3f& position, const Vec3f& normal) override;
    void shadeWith(Vec4f& result, const ShaderObject* shader, const ShadingState& hit) override;
    void transmissionOf(Vec3f& result, const ShaderObject* shader, const ShadingState& hit) override;

    float noiseFloat(const Vec4f& p) override;
    float noiseFloat(const Vec3f& p) override;
    float noiseFloat(const Vec2f& p) override;
    float noiseFloat(float p) override;
    Vec2f noiseVec2(const Vec4f& p) override;
    Vec2f noiseVec2(const Vec3f& p) override;
    Vec2f noiseVec2(const Vec2f& p) override;
    Vec2f noiseVec2(float p) override;
    Vec3f noiseVec3(const Vec4f& p) override;
    Vec3f noiseVec3(const Vec3f& p) override;
    Vec3f noiseVec3(const Vec2f& p) override;
    Vec3f noiseVec3(float p) override;
    Vec4f noiseVec4(const Vec4f& p) override;
    Vec4f noiseVec4(const Vec3f& p) override;
    Vec4f noiseVec4(const Vec2f& p) override;
    Vec4f noiseVec4(float p) override;

    float periodicNoiseFloat(const Vec4f& p, const Vec4i& period) override;
    float periodicNoiseFloat(const Vec3f& p, const Vec3i& period) override;
    float periodicNoiseFloat(const Vec2f& p, const Vec2i& period) override;
    float periodicNoiseFloat(float p, int period) override;
    Vec2f periodicNoiseVec2(const Vec4f& p, const Vec4i& period) override;
    Vec2f periodicNoiseVec2(const Vec3f& p, const Vec3i& period) override;
    Vec2f periodicNoiseVec2(const Vec2f& p, const Vec2i& period) override;
    Vec2f periodicNoiseVec2(float p, int period) override;
    Vec3f periodicNoiseVec3(const Vec4f& p, const Vec4i& period) override;
    Vec3f periodicNoiseVec3(const Vec3f& p, const Vec3i& period) override;
    Vec3f periodicNoiseVec3(const Vec2f& p, const Vec2i& period) override;
    Vec3f periodicNoiseVec3(float p, int period) override;
    Vec4f periodicNoiseVec4(const Vec4f& p, const Vec4i& period) override;
    Vec4f periodicNoiseVec4(const Vec3f& p, const Vec3i& period) override;
    Vec4f periodicNoiseVec4(const Vec2f& p, const Vec2i& period) override;
    Vec4f periodicNoiseVec4(float p, int period) override;

    float cellNoiseFloat(const Vec4f& p) override;
    float cellNoiseFloat(const Vec3f& p) override;
    float cellNoiseFloat(const Vec2f& p) override;
    float cellNoiseFloat(float p) override;
    Vec2f cellNoiseVec2(const Vec4f& p) override;
    Vec2f cellNoiseVec2(const Vec3f& p) override;
    Vec2f cellNoiseVec2(const Vec2f& p) override;
    Vec2f cellNoiseVec2(float p) override;
    Vec3f cellNoiseVec3(const Vec4f& p) override;
    Vec3f cellNoiseVec3(const Vec3f& p) override;
    Vec3f cellNoiseVec3(const Vec2f& p) override;
    Vec3f cellNoiseVec3(float p) override;
    Vec4f cellNoiseVec4(const Vec4f& p) override;
    Vec4f cellNoiseVec4(const Vec3f& p) override;
    Vec4f cellNoiseVec4(const Vec2f& p) override;
    Vec4f cellNoiseVec4(float p) override;

    // --- Read by tests ---
    int threadIndex() const { return threadIndex_; }
    // The pass counter of view `viewIndex`; 0 for a view never begun.
    int passCounter(int viewIndex) const;
    int sampleCount() const { return sampleCount_; }
    const SampleRecord* samples() const { return samples_; }
    bool viewIsWindowed() const { return windowed_; }
    int tilesAcross() const { return tilesX_; }
    int tilesDown() const { return tilesY_; }
    // The depth level being traced at: 0 between samples.
    int currentLevel() const { return current_; }
    int depthLevels() const { return stack_.size(); }
    const ShadingSettings& shadingSettings() const { return settings_; }

private:
    // The shader being run and what its services act on: its shading
    // record (illuminance and ambient write the light words there) and
    // the instance it shades (light set, occlusion range); no instance for
    // an environment shader.
    struct ActiveShading {
        ShadingState* state;
        const trace::Instance* instance;
    };

    void countDown();
    // Ensures room for `count` sample records; false when memory is short.
    bool reserveSamples(int count);
    // Sizes the light-sample array for the largest light list of the view.
    bool reserveLightSamples(const accel::PreparedView& view);
    void deliverEmptyTile(int tileX, int tileY);
    // Traces and delivers `count` samples of the tile (one batch).
    void renderBatch(int tileX, int tileY, const SampleRecord* records, int count, bool last);
    // Back to the root level with its start values, before every sample.
    void resetForSample();

    // --- Levels (trace_and_shade.cpp) ---
    // The depth counter of the current level: the bounce counter of the
    // services.
    int bounce() const { return stack_.level(current_).depth; }
    bool levelFree() const { return current_ + 1 < stack_.size(); }
    // Enters the next level for a ray of `kind` (levelFree() must hold):
    // depth counter and inherited values from the current level.
    DepthLevel& enterLevel(int kind);
    void leaveLevel();
    // Starts the level's ray from `origin` along unit `direction`, leaving
    // the parent level's hit when the level is deeper than a camera ray,
    // and writes the ray words of its shading record.
    void beginRay(DepthLevel& level, const Vec3f& origin, const Vec3f& direction, int kind);
    // Traces the level's ray through the view's scene; true on a hit.
    bool traceLevel(DepthLevel& level);
    // Interpolates the level's hit for a shader with `binding` (may be
    // null: no attributes) and fills the rest of its shading record. False
    // when the hit triangle is not the geometry's.
    bool prepareHitState(DepthLevel& level, const AttributeBinding* binding);
    void shadeHit(DepthLevel& level, float colour[4]);
    // The environment colour of a ray whose ray words (0-5, 24-29, 80-82)
    // `state` already holds.
    void shadeMiss(ShadingState& state, float colour[4]);
    // A miss for a ray refused for depth or levels, shaded in a record of
    // its own so that the caller's record stays intact.
    void shadeRefusedMiss(const Vec3f& origin, const Vec3f& direction, int kind, float colour[4]);
    // Calls a plug-in's shade or transmit with `state` as the active record.
    void callShade(const ShaderObject& shader, ShadingState& state, const trace::Instance* instance);
    void callTransmit(const ShaderObject& shader, ShadingState& state, const trace::Instance* instance);

    // --- Services ---
    // The light list the active shading lights with, or null.
    const accel::LightSetEntry* activeLightSet() const;
    // The light sample of one light for `position` (the disk sample `n` of
    // `count` for a light with extent); false when the light misses the
    // point (cone, range, or a degenerate set-up).
    bool sampleLight(const accel::LightEntry& light, const Vec3f& position, int set, int n, int count,
                     Vec3f& toLight, float& distance) const;
    // Shadow ray walk from `from` to `to` through transparent surfaces, at
    // the next level; white when depth or levels stop it.
    Vec3f transmitAlong(const Vec3f& from, const Vec3f& to, int kind);
    // What a transparent hit at `level` lets through (its shader's
    // transmit, words 87-89); black without a shader.
    Vec3f hitTransmission(DepthLevel& level);
    // The glossy lobe services: average of `samples` lobe rays of `kind`.
    void glossy(Vec4f& result, const Vec3f& origin, const Vec3f& direction, const Vec3f& tangent,
                const Vec3f& bitangent, float nu, float nv, int kind);
    // A sample's set in the service tables for a use's key offset.
    int serviceSet(int keyOffset) const;

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
    // position in the view, its pixel, its offset index and its tile.
    float samplePosition_[2];
    int32_t samplePixel_[2];
    int32_t sampleOffsetIndex_;
    int32_t tileX_;
    int32_t tileY_;

    // Shading state of the view, set by begin-view.
    const accel::PreparedView* view_;
    ShadingSettings settings_;
    float farDistance_;   // where directional lights are placed
    float worldScale_;    // world to tracing space, for ray lengths

    // Depth levels; current_ indexes the level being traced at.
    DepthStack stack_;
    int current_;
    ActiveShading active_;
    // The record of refused misses, and whether one is being shaded (an
    // environment shader tracing from it is answered with black, so that
    // it cannot recurse without end).
    ShadingState refusedState_;
    bool inRefusedMiss_;

    // Flags of the services:
    // gather_ while a lobe or hemisphere service samples, so that services
    // inside it take one sample; shadowFlag_ the cast-shadows switch of the
    // light being sampled; gatheringLights_ while a light shader runs for
    // illuminance or ambient, whose records must not be overwritten by a
    // nested gather.
    bool gather_;
    bool shadowFlag_;
    bool gatheringLights_;

    // Light samples of the last illuminance, sized at begin-view.
    LightSample* lightSamples_;
    int lightSampleCapacity_;

    uint64_t counters_[kCounterCount];

    // One batch of a tile: its rays, the records of the samples kept (when
    // a tile cannot pass a slice of the list as it stands) and the colours.
    PrimaryRayBatch batch_;
    SampleRecord batchRecords_[kTileBatchSamples];
    alignas(16) float batchColours_[kTileBatchSamples * 4];
};

}  // namespace engine
}  // namespace hox
