// Frame rate of the local render engine: a 1280 × 720 view of a rippled
// sphere of 10K, 100K and 1M triangles, rendered with 1 and 2 render
// threads, and beside it the kernels alone (initRay + traceScene, one
// thread) over exactly the rays of one frame, through the same compiled
// scene. The ratio kernel / engine on one thread is what the engine's own
// work costs: sample lists, ray generation, shading, tile delivery,
// framebuffer splats, the resolve and the frame's scene compile.
//
// Frames use rt_debugShade 1 (normal colouring: no plug-in code runs), one
// sample per pixel (level 0) and no progressive refinement; static frames
// are disabled so every frame renders all pixels.
//
// Usage: hox-bench-frame [--quick] [--seconds S] [--images DIR]
//   --quick    the 10K and 100K meshes, one second per measurement
//   --seconds  time spent on each frame-rate measurement (default 3)
//   --images   also write each scene's debug-shaded frame to DIR/<scene>.png
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "device/render_device.h"
#include "engine/frame_context.h"
#include "engine/primary_rays.h"
#include "engine/render_engine.h"
#include "engine/render_thread_pool.h"
#include "engine/tile_sampler.h"
#include "hox/camera.h"
#include "hox/device.h"
#include "hox/device_settings.h"
#include "hox/entity.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/geometry.h"
#include "hox/message_callback.h"
#include "hox/render_options.h"
#include "hox/render_view.h"
#include "hox/shader.h"
#include "hox/shader_services.h"
#include "scene/entity_records.h"
#include "trace/compiled_scene.h"
#include "trace/ray.h"
#include "trace/traversal.h"
#include "util/cvars.h"

namespace {

using Clock = std::chrono::steady_clock;
using hox::Vec3f;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr float kFieldOfView = 50.0f;
constexpr float kCameraDistance = 3.2f;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class Console : public hox::IMessageCallback {
public:
    void message(int, const char*) override {}
    void warning(const char* text) override { std::fprintf(stderr, "warning: %s", text); }
    void error(const char* text) override { std::fprintf(stderr, "error: %s", text); }
};

// A UV sphere of radius about 1 whose radius ripples a little, so that the
// hierarchy is not that of a perfect sphere: 2 · segments · (rings − 1)
// triangles, wound counter-clockwise seen from outside (outward normals).
struct Mesh {
    std::vector<Vec3f> vertices;
    std::vector<int> indices;
};

Mesh makeSphere(int segments, int rings) {
    Mesh mesh;
    const double pi = 3.14159265358979323846;
    auto point = [](double theta, double phi) {
        const double r = 1.0 + 0.03 * std::sin(7.0 * theta) * std::sin(9.0 * phi);
        return Vec3f{static_cast<float>(r * std::sin(theta) * std::cos(phi)),
                     static_cast<float>(r * std::sin(theta) * std::sin(phi)),
                     static_cast<float>(r * std::cos(theta))};
    };
    mesh.vertices.push_back(point(0.0, 0.0));
    for (int r = 1; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) mesh.vertices.push_back(point(pi * r / rings, 2.0 * pi * s / segments));
    }
    mesh.vertices.push_back(point(pi, 0.0));
    const int south = static_cast<int>(mesh.vertices.size()) - 1;
    auto ring = [segments](int r, int s) { return 1 + (r - 1) * segments + s % segments; };
    for (int s = 0; s < segments; ++s) mesh.indices.insert(mesh.indices.end(), {0, ring(1, s), ring(1, s + 1)});
    for (int r = 1; r + 1 < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const int a = ring(r, s), b = ring(r, s + 1), c = ring(r + 1, s), d = ring(r + 1, s + 1);
            mesh.indices.insert(mesh.indices.end(), {a, c, b, c, d, b});
        }
    }
    for (int s = 0; s < segments; ++s) {
        mesh.indices.insert(mesh.indices.end(), {south, ring(rings - 1, s + 1), ring(rings - 1, s)});
    }
    return mesh;
}

// Keeps the last image a framebuffer delivered, as RGBA bytes.
class ImageKeeper : public hox::IFramebufferCallback {
public:
    void swap(const hox::SwapInfo* info) override {
        if (info->format != hox::FRAMEBUFFER_FORMAT_RGBA8) return;
        width = info->width;
        height = info->height;
        const auto* bytes = static_cast<const unsigned char*>(info->pixels);
        pixels.assign(bytes, bytes + static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    }
    std::vector<unsigned char> pixels;
    int width = 0;
    int height = 0;
};

struct SceneSize {
    const char* name;
    int segments;
    int rings;
};

struct Result {
    std::string scene;
    int triangles = 0;
    double compileMs = 0.0;
    double fps[2] = {0.0, 0.0};
    double kernelMrays = 0.0;
};

// Every frame in flight counts; the device's sync swaps it.
int renderFrame(hox::IRenderDevice* device, hox::THandle<hox::FrameDef>& frameDef) {
    const int status = device->frame(frameDef, false);
    return status != 0 ? status : device->sync(60000, true);
}

double measureFps(hox::IRenderDevice* device, hox::THandle<hox::FrameDef>& frameDef, double seconds) {
    renderFrame(device, frameDef);  // warm: threads started, buffers allocated
    int frames = 0;
    const Clock::time_point start = Clock::now();
    do {
        if (renderFrame(device, frameDef) != 0) return 0.0;
        ++frames;
    } while (secondsSince(start) < seconds || frames < 3);
    return frames / secondsSince(start);
}

// The primary rays of one frame, tile by tile as the engine makes them.
void frameRays(const hox::scene::CameraRecord& camera, std::vector<float>& rays) {
    hox::engine::PrimaryRaySetup setup;
    hox::engine::setupPrimaryRays(camera, camera.entity.transform, setup);
    std::vector<hox::engine::SampleRecord> samples(256);
    hox::engine::buildSampleList(0, 0, samples.data());
    hox::engine::PrimaryRayBatch batch;
    rays.clear();
    for (int ty = 0; ty < (kHeight + 15) / 16; ++ty) {
        for (int tx = 0; tx < (kWidth + 15) / 16; ++tx) {
            hox::engine::generatePrimaryRays(setup, tx, ty, samples.data(), 256, batch);
            for (int i = 0; i < 256; ++i) {
                if (tx * 16 + samples[i].pixelX >= kWidth || ty * 16 + samples[i].pixelY >= kHeight) continue;
                for (int a = 0; a < 3; ++a) rays.push_back(batch.origin[a][i]);
                for (int a = 0; a < 3; ++a) rays.push_back(batch.direction[a][i]);
            }
        }
    }
}

// Kernel-only throughput over `rays` (origin, direction per ray), best of
// three passes on this thread.
double kernelMrays(const hox::trace::CompiledScene& scene, const std::vector<float>& rays) {
    const size_t count = rays.size() / 6;
    double best = 0.0;
    size_t hits = 0;
    for (int pass = 0; pass < 3; ++pass) {
        hits = 0;
        const Clock::time_point start = Clock::now();
        for (size_t i = 0; i < count; ++i) {
            const float* r = &rays[6 * i];
            Vec3f d = {r[3], r[4], r[5]};
            const float inverse = 1.0f / std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
            d = {d.x * inverse, d.y * inverse, d.z * inverse};
            hox::trace::Ray ray;
            hox::trace::initRay(ray, scene, Vec3f{r[0], r[1], r[2]}, d, hox::kRayKindCamera);
            hits += hox::trace::traceScene(scene, ray) ? 1 : 0;
        }
        best = std::max(best, count / secondsSince(start) / 1e6);
    }
    if (hits == 0) std::fprintf(stderr, "warning: the kernel pass hit nothing\n");
    return best;
}

bool runScene(hox::IRenderDevice* device, const SceneSize& size, double seconds, const char* imageDir,
              Result& result) {
    using namespace hox;
    const Mesh mesh = makeSphere(size.segments, size.rings);
    result.scene = size.name;
    result.triangles = static_cast<int>(mesh.indices.size() / 3);

    THandle<Shader> surface(device);
    const std::string library = std::string(HOX_BENCH_PLUGIN_DIR) + "/bench_surface";
    if (surface.beginEdit()->instantiate("bench_surface", library.c_str()) != 0) return false;
    surface.endEdit();
    THandle<Geometry> geometry(device);
    Geometry* g = geometry.beginEdit();
    g->init(GEOMETRY_TYPE_TRIANGLES, result.triangles, static_cast<int>(mesh.vertices.size()));
    g->setIndexArray(mesh.indices.data());
    g->setCoordArray3f(mesh.vertices.data());
    geometry.endEdit();
    THandle<Object> object(device);
    object.beginEdit()->setGeometry(geometry);
    object.endEdit();
    THandle<Group> root(device);
    Group* r = root.beginEdit();
    r->setShader(surface);
    r->addChild(object);
    root.endEdit();

    THandle<Camera> camera(device);
    Camera* c = camera.beginEdit();
    c->initPerspective(kFieldOfView);
    c->setResolution(kWidth, kHeight);
    c->setAspectRatio(static_cast<float>(kWidth) / kHeight);
    const Mat4f place = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, kCameraDistance, 1}};
    c->setTransform(place);
    camera.endEdit();
    THandle<RenderOptions> options(device);
    options.beginEdit()->setOption1b(OPTION_PROGRESSIVE_SAMPLING, false);
    options.endEdit();
    THandle<Framebuffer> framebuffer(device);
    ImageKeeper image;
    if (imageDir) {
        Framebuffer* fb = framebuffer.beginEdit();
        fb->setFormat(FRAMEBUFFER_FORMAT_RGBA8);
        fb->setSwapCallback(&image);
        framebuffer.endEdit();
    }
    THandle<RenderView> view(device);
    RenderView* v = view.beginEdit();
    v->setCamera(camera);
    v->setFramebuffer(framebuffer);
    v->setSceneRoot(root);
    v->setRenderOptions(options);
    view.endEdit();
    THandle<DeviceSettings> settings(device);
    THandle<FrameDef> frameDef(device);
    FrameDef* f = frameDef.beginEdit();
    f->addRenderView(view);
    f->setDeviceSettings(settings);
    frameDef.endEdit();

    // The first frame builds the mesh's hierarchy once; later frames only
    // recompile the top level.
    const Clock::time_point compileStart = Clock::now();
    if (renderFrame(device, frameDef) != 0) return false;
    result.compileMs = secondsSince(compileStart) * 1000.0;
    if (imageDir) {
        const std::string file = std::string(imageDir) + "/" + size.name + ".png";
        if (image.pixels.empty() ||
            !stbi_write_png(file.c_str(), image.width, image.height, 4, image.pixels.data(), image.width * 4)) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            return false;
        }
        framebuffer.beginEdit()->setSwapCallback(nullptr);
        framebuffer.endEdit();
    }

    for (int t = 0; t < 2; ++t) {
        // 1 thread, then 2 (0 asks for one per processor; ask for 2 where
        // there are more).
        const int processors = engine::RenderThreadPool::resolveThreadCount(0);
        settings.beginEdit()->setSetting1i(DEVICE_THREAD_COUNT, t == 0 ? 1 : (processors > 2 ? 2 : 0));
        settings.endEdit();
        result.fps[t] = measureFps(device, frameDef, seconds);
    }

    // The same rays through the compiled scene of the last frame.
    RenderDevice* internal = RenderDevice::instance();
    const int last = internal->frameNumber();
    const trace::CompiledScene* compiled =
        internal->engine()->getFrameContext()->sceneState(last & 1, 0);
    const scene::CameraRecord* cameraRecord = scene::recordAs<scene::CameraRecord>(
        internal->objectTable().lookup(CLASS_TYPE_CAMERA, camera.getInstance()));
    if (!compiled || !cameraRecord) return false;
    std::vector<float> rays;
    frameRays(*cameraRecord, rays);
    result.kernelMrays = kernelMrays(*compiled, rays);

    frameDef.destroy();
    view.destroy();
    object.destroy();
    geometry.destroy();
    root.destroy();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    double seconds = 3.0;
    const char* imageDir = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
            seconds = 1.0;
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--images") == 0 && i + 1 < argc) {
            imageDir = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--quick] [--seconds S] [--images DIR]\n", argv[0]);
            return 2;
        }
    }

    Console console;
    hox::IRenderDevice* device = nullptr;
    if (hox::Init(&console, device) != 0) return 1;
    hox::util::rt_debugShade.set(1);
    hox::util::rt_disableStaticFrames.set(true);

    const SceneSize sizes[] = {{"sphere-10K", 100, 51}, {"sphere-100K", 316, 159}, {"sphere-1M", 1000, 501}};
    std::printf("hox-bench-frame: %d x %d, one primary ray per pixel, rt_debugShade 1\n\n", kWidth, kHeight);
    std::printf("| scene | triangles | first frame ms | 1 thread fps | 1 thread Mrays/s | 2 threads fps | "
                "2 threads Mrays/s | scaling | kernel Mrays/s | kernel / engine |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    const double raysPerFrame = static_cast<double>(kWidth) * kHeight;
    for (const SceneSize& size : sizes) {
        if (quick && size.segments >= 1000) continue;
        Result r;
        if (!runScene(device, size, seconds, imageDir, r)) {
            std::fprintf(stderr, "%s: the scene could not be rendered\n", size.name);
            hox::Shutdown(device);
            return 1;
        }
        const double mrays1 = r.fps[0] * raysPerFrame / 1e6;
        const double mrays2 = r.fps[1] * raysPerFrame / 1e6;
        std::printf("| %s | %d | %.1f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n", r.scene.c_str(),
                    r.triangles, r.compileMs, r.fps[0], mrays1, r.fps[1], mrays2, r.fps[1] / r.fps[0],
                    r.kernelMrays, r.kernelMrays / mrays1);
        std::fflush(stdout);
    }
    hox::Shutdown(device);
    return 0;
}
