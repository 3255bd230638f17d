// The selection service on a 640 x 480 view of a grid of objects (each a
// 128-triangle fan turned about a random axis): a pixel pick, region picks
// over a quarter of the image in both modes, and the snapshot the service
// takes of every frame, which is what selection adds to each frame's cost.
// The scene goes through the public interface with the frame benchmark's
// surface plug-in; the snapshot capture is timed on the internal class.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "device/render_device.h"
#include "device/selection_snapshot.h"
#include "engine/frame_slot.h"
#include "hox/camera.h"
#include "hox/device.h"
#include "hox/entity.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/geometry.h"
#include "hox/message_callback.h"
#include "hox/render_view.h"
#include "hox/selection.h"
#include "hox/shader.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kFan = 128;

class Quiet : public hox::IMessageCallback {
public:
    void message(int, const char*) override {}
    void warning(const char*) override {}
    void error(const char*) override {}
};

// One device with `side` x `side` objects, rendered once and synced.
class Scene {
public:
    explicit Scene(int side) {
        if (hox::Init(&quiet_, device_) != 0) return;
        hox::THandle<hox::Shader> surface(device_);
        const std::string library = std::string(HOX_BENCH_PLUGIN_DIR) + "/bench_surface";
        surface.beginEdit()->instantiate("bench_surface", library.c_str());
        surface.endEdit();
        hox::THandle<hox::Group> root(device_);
        root.beginEdit()->setShader(surface);

        // A disc of radius 1 as a fan around its centre.
        std::vector<hox::Vec3f> coords(1, hox::Vec3f{0, 0, 0});
        std::vector<int> indices;
        for (int i = 0; i < kFan; ++i) {
            const float a = 6.2831853f * static_cast<float>(i) / kFan;
            coords.push_back({std::cos(a), std::sin(a), 0});
            indices.insert(indices.end(), {0, 1 + i, 1 + (i + 1) % kFan});
        }
        hox::THandle<hox::Geometry> disc(device_);
        hox::Geometry* g = disc.beginEdit();
        g->init(hox::GEOMETRY_TYPE_TRIANGLES, kFan, kFan + 1);
        g->setIndexArray(indices.data());
        g->setCoordArray3f(coords.data());
        disc.endEdit();

        std::mt19937 rng(5);
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        const float spacing = 40.0f / static_cast<float>(side);
        for (int i = 0; i < side * side; ++i) {
            // Turned about x, then y, scaled to the grid.
            const float a = 3.0f * u(rng), b = 3.0f * u(rng), s = 0.4f * spacing;
            const float ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
            const hox::Mat4f m = {{s * cb, 0, -s * sb, 0, s * sa * sb, s * ca, s * sa * cb, 0,
                                   s * ca * sb, -s * sa, s * ca * cb, 0,
                                   -20 + spacing * (0.5f + static_cast<float>(i % side)),
                                   -15 + spacing * (0.5f + static_cast<float>(i / side)), -25, 1}};
            hox::THandle<hox::Object> object(device_);
            hox::Object* o = object.beginEdit();
            o->setGeometry(disc);
            o->setTransform(m);
            object.endEdit();
            root.beginEdit()->addChild(object);
        }
        root.endEdit();

        hox::THandle<hox::Camera> camera(device_);
        hox::Camera* c = camera.beginEdit();
        c->initPerspective(80.0f);
        c->setResolution(kWidth, kHeight);
        c->setAspectRatio(static_cast<float>(kWidth) / kHeight);
        camera.endEdit();
        hox::THandle<hox::Framebuffer> framebuffer(device_);
        view = hox::THandle<hox::RenderView>(device_);
        frameDef = hox::THandle<hox::FrameDef>(device_);
        hox::RenderView* v = view.beginEdit();
        v->setCamera(camera);
        v->setFramebuffer(framebuffer);
        v->setSceneRoot(root);
        view.endEdit();
        frameDef.beginEdit()->addRenderView(view);
        frameDef.endEdit();
        device_->frame(frameDef, false);
        device_->sync(60000, true);
        selection = device_->getSelectionDevice();
    }
    ~Scene() {
        if (device_) hox::Shutdown(device_);
    }

    hox::IRenderDevice* device() const { return device_; }

    hox::THandle<hox::RenderView> view;
    hox::THandle<hox::FrameDef> frameDef;
    hox::ISelectionDevice* selection = nullptr;

private:
    Quiet quiet_;
    hox::IRenderDevice* device_ = nullptr;
};

void BM_Pick(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    std::mt19937 rng(9);
    std::uniform_int_distribution<int> x(0, kWidth - 1), y(0, kHeight - 1);
    int hits = 0;
    for (auto _ : state) hits += scene.selection->pick(scene.view, x(rng), y(rng));
    state.counters["hit rate"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}

// A quarter of the image, left to right (window) or right to left
// (crossing).
void BM_PickRegion(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    const bool crossing = state.range(1) != 0;
    int selected = 0;
    for (auto _ : state) {
        selected = crossing ? scene.selection->pickRegion(scene.view, 480, 120, 160, 360)
                            : scene.selection->pickRegion(scene.view, 160, 120, 480, 360);
    }
    state.counters["selected"] = selected;
}

// What every frame pays for selection: copying the view's objects and
// referencing their records.
void BM_SnapshotCapture(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    // A frame in flight keeps its slot's prepared views.
    scene.device()->frame(scene.frameDef, true);
    hox::RenderDevice* device = hox::RenderDevice::instance();
    const int frame = device->frameNumber();
    const hox::engine::FrameSlot& slot = *device->frameSlot(frame & 1);
    hox::device::SelectionSnapshot snapshot;
    for (auto _ : state) benchmark::DoNotOptimize(snapshot.capture(frame, slot));
    state.counters["objects"] = static_cast<double>(slot.view(0).objects.count());
    snapshot.clear();
    scene.device()->sync(60000, true);
}

BENCHMARK(BM_Pick)->Arg(32)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PickRegion)->Args({32, 0})->Args({32, 1})->Args({100, 0})->Args({100, 1})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SnapshotCapture)->Arg(32)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
