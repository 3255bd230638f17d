// One render worker driven by hand, with an environment shader that calls
// every tracing service and checks, around each call, that the worker's
// level index is back where it was; and what the services answer in a view
// without geometry.
#include <gtest/gtest.h>

#include "engine/frame_context.h"
#include "engine/frame_slot.h"
#include "engine/render_worker_local.h"
#include "hox/shader_declaration.h"
#include "scene/entity_records.h"
#include "scene/settings_records.h"
#include "scene/shader_record.h"
#include "scene/view_records.h"

namespace hox {
namespace engine {
namespace {

// What the probe saw; the worker runs on the test's thread only.
struct Seen {
    int checks = 0;
    int misplaced = 0;  // services after which the level index had moved
    int lightSamples = 0;
    LightSample first = {};
    Vec3f open = {0, 0, 0};
    Vec4f traced = {0, 0, 0, 0};
};
Seen seen;

constexpr Vec4f kSky = {0.1f, 0.2f, 0.3f, 1.0f};

class ServicesEnvironment : public ShaderObject {
public:
    int getKind() const override { return SHADER_KIND_OTHER; }
    void shade(IShaderServices* s, ShadingState* state) const override {
        state->colour = kSky;
        if (state->depth > 1) return;  // the rays traced below
        RenderWorkerLocal& worker = *static_cast<RenderWorkerLocal*>(s);
        const int level = worker.currentLevel();
        auto check = [&] {
            ++seen.checks;
            seen.misplaced += worker.currentLevel() != level;
        };
        const Vec3f p = {0, 0, 0}, n = {0, 0, 1}, t = {1, 0, 0}, b = {0, 1, 0};
        const LightSample* samples = nullptr;
        Vec3f c3;
        Vec4f c4;
        seen.lightSamples = s->illuminance(0, p, n, &samples);
        if (samples) seen.first = *samples;
        check();
        s->illuminance(0, p, n, &samples, 0.1f), check();
        s->ambient(c3, p), check();
        s->transmission(c3, p, n), check();
        s->trace(seen.traced, p, n, kRayKindReflection), check();
        s->traceReflection(c4, p, n), check();
        s->traceRefraction(c4, p, n), check();
        s->glossyReflection(c4, p, n, t, b, 0.2f, 0.0f), check();
        s->glossyReflection(c4, p, n, 0.5f), check();
        s->glossyRefraction(c4, p, n, t, b, 0.2f, 0.3f), check();
        s->glossyRefraction(c4, p, n, 0.5f), check();
        s->ambientOcclusion(seen.open, p, n), check();
        s->indirectDiffuse(c4, p, n), check();
        ShadingState again = *state;
        again.depth = 2;  // so that the re-shaded call only answers
        s->shadeWith(c4, this, again), check();
        s->transmissionOf(c3, this, again), check();
    }
};

// A light of colour (2, 2, 2) that asks for its shadow, as lights do.
class ShadowedLight : public ShaderObject {
public:
    int getKind() const override { return SHADER_KIND_LIGHT; }
    void shade(IShaderServices* s, ShadingState* state) const override {
        Vec3f passed;
        s->transmission(passed, state->position, state->lightPosition);
        state->lightColour = {2.0f * passed.x, 2.0f * passed.y, 2.0f * passed.z};
    }
};

class WorkerLevelsTest : public ::testing::Test {
protected:
    WorkerLevelsTest()
        : camera(0), framebuffer(0), options(0), environment(1), lightShader(2), light(7) {}

    void SetUp() override {
        seen = Seen();
        camera.width = 16;
        camera.height = 16;
        environment.shaderObject = &environmentObject;
        environment.flags = SHADER_FLAG_ENVIRONMENT;
        lightShader.shaderObject = &lightObject;
        ASSERT_TRUE(slot.resizeViews(1));
        accel::PreparedView& view = slot.view(0);
        view.camera = &camera;
        view.framebuffer = &framebuffer;
        view.options = &options;
        view.environmentShader = &environment;
        // One point light at (0, 0, 1), in the light set every object of
        // the view starts with.
        accel::LightEntry entry = {};
        entry.light = &light;
        entry.shader = &lightShader;
        entry.worldPosition = {0.0f, 0.0f, 1.0f};
        entry.worldDirection = {0.0f, 0.0f, -1.0f};
        entry.parameter0 = 1e20f;
        entry.parameter1 = 3.1415927f;
        entry.parameter4 = true;
        ASSERT_TRUE(view.lights.push(entry));
        ASSERT_TRUE(view.lightSets.push(accel::LightSetEntry{0u, 0, 0, 0, 1}));
        ASSERT_TRUE(view.lightSetLights.push(0));
        slot.frameNumber = 2;
        context.setTileSink(&sink);
        worker = static_cast<RenderWorkerLocal*>(context.createWorker(0));
        ASSERT_NE(nullptr, worker);
        ASSERT_EQ(0, context.prepareFrame(slot));
        slot.beginWork(1000);
        worker->beginFrame(slot.frameNumber);
        worker->beginView(0);
    }
    void TearDown() override {
        context.destroyWorker(worker);
        environment.shaderObject = nullptr;  // the test's own objects
        lightShader.shaderObject = nullptr;
    }

    class NullSink : public TileSink {
    public:
        void writeTile(int, int, int, bool, const SampleRecord*, const float*) override {}
    } sink;
    scene::CameraRecord camera;
    scene::FramebufferRecord framebuffer;
    scene::RenderOptionsRecord options;
    scene::ShaderRecord environment, lightShader;
    scene::LightRecord light;
    ServicesEnvironment environmentObject;
    ShadowedLight lightObject;
    FrameSlot slot;
    FrameContext context;
    RenderWorkerLocal* worker = nullptr;
};

TEST_F(WorkerLevelsTest, EveryServiceLeavesTheLevelIndexWhereItWas) {
    EXPECT_EQ(20, worker->depthLevels());  // 4 x the default trace depth of 5
    float colour[4];
    ASSERT_TRUE(worker->traceAndShade(colour, Vec3f{0, 0, 0}, Vec3f{0, 0, -1}, kRayKindCamera));
    EXPECT_EQ(0, worker->currentLevel());
    EXPECT_EQ(15, seen.checks);
    EXPECT_EQ(0, seen.misplaced);
    EXPECT_EQ(kSky.x, colour[0]);

    // The light straight above: one sample, its shader's colour through an
    // empty scene.
    EXPECT_EQ(1, seen.lightSamples);
    EXPECT_EQ(1.0f, seen.first.toLight.z);
    EXPECT_EQ(1.0f, seen.first.distance);
    EXPECT_EQ(2.0f, seen.first.colour.y);
    EXPECT_EQ(7, seen.first.lightNumber);
    EXPECT_EQ(kSky.z, seen.traced.z);
    // An environment shades no instance, so it has no occlusion range.
    EXPECT_EQ(1.0f, seen.open.x);

    // Whole tiles: the assertion after every sample holds too.
    worker->renderTile(0);
    EXPECT_EQ(0, seen.misplaced);
    EXPECT_GT(seen.checks, 15 * 200);
}

}  // namespace
}  // namespace engine
}  // namespace hox
