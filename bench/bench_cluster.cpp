// hox-bench-cluster: frames per second of a 1280 × 720 scene on the local
// engine or on a cluster master, as a host sees them (public interface of
// libhox64.so only).
//
//   hox-bench-cluster [--cluster HOST:PORT] [--compression LEVEL]
//                     [--frames N] [--threads N]
//
// The scene: a floor, a back wall and a grid of 48 quads in the standard
// library's matte and plastic under two point lights; one sample per pixel,
// every frame rendered anew (progressive refinement off), so each frame
// costs the same. Prints one line: engine, frames, seconds, frames per
// second. scripts/bench-cluster.sh runs it against masters of 1, 2 and 3
// ranks and reads the master's log for the bytes per frame.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hox/hox.h"

namespace {

struct Quiet : hox::IMessageCallback {
    void message(int, const char*) override {}
    void warning(const char* text) override { std::fprintf(stderr, "warning: %s", text); }
    void error(const char* text) override { std::fprintf(stderr, "error: %s", text); }
};

struct Discard : hox::IFramebufferCallback {
    void swap(const hox::SwapInfo*) override { ++swaps; }
    int swaps = 0;
};

hox::Mat4f translation(float x, float y, float z) {
    return hox::Mat4f{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

void addQuad(hox::IRenderDevice* device, hox::THandle<hox::Group>& root, const hox::THandle<hox::Shader>& shader,
             const hox::Vec3f& a, const hox::Vec3f& b, const hox::Vec3f& c, const hox::Vec3f& d,
             const hox::Vec3f& normal) {
    hox::THandle<hox::Geometry> quad(device);
    const int indices[6] = {0, 1, 2, 2, 1, 3};
    const hox::Vec3f coords[4] = {a, b, c, d};
    const hox::Vec3f normals[4] = {normal, normal, normal, normal};
    hox::Geometry* g = quad.beginEdit();
    g->init(hox::GEOMETRY_TYPE_TRIANGLES, 2, 4);
    g->setIndexArray(indices);
    g->setCoordArray3f(coords);
    g->setNormalArray3f(normals);
    quad.endEdit();
    hox::THandle<hox::Object> object(device);
    hox::Object* o = object.beginEdit();
    o->setGeometry(quad);
    o->setShader(shader);
    object.endEdit();
    root.beginEdit()->addChild(object);
    root.endEdit();
}

hox::THandle<hox::Shader> shader(hox::IRenderDevice* device, const char* name, const hox::Vec3f& colour) {
    hox::THandle<hox::Shader> s(device);
    hox::Shader* edit = s.beginEdit();
    if (edit->instantiate(name, "hoxstd") != 0) {
        std::fprintf(stderr, "cannot load shader '%s' of hoxstd\n", name);
        std::exit(1);
    }
    edit->setUniform3f("colour", colour);
    s.endEdit();
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    std::string host;
    int port = 0, frames = 20, threads = 0;
    float compression = 0.25f;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--cluster") {
            const std::string value = argv[i + 1];
            const std::size_t colon = value.rfind(':');
            if (colon == std::string::npos) return 2;
            host = value.substr(0, colon);
            port = std::atoi(value.c_str() + colon + 1);
        } else if (arg == "--compression") {
            compression = static_cast<float>(std::atof(argv[i + 1]));
        } else if (arg == "--frames") {
            frames = std::atoi(argv[i + 1]);
        } else if (arg == "--threads") {
            threads = std::atoi(argv[i + 1]);
        } else {
            std::fprintf(stderr, "unknown option %s\n", arg.c_str());
            return 2;
        }
    }

    Quiet quiet;
    hox::IRenderDevice* device = nullptr;
    if (hox::Init(&quiet, device) != 0) return 1;
    {
        using namespace hox;
        const int width = 1280, height = 720;
        THandle<Camera> camera(device);
        Camera* c = camera.beginEdit();
        c->initPerspective(60.0f);
        c->setResolution(width, height);
        c->setAspectRatio(static_cast<float>(width) / height);
        c->setTransform(translation(0, 1.0f, 4.0f));
        camera.endEdit();
        Discard swaps;
        THandle<Framebuffer> framebuffer(device);
        Framebuffer* f = framebuffer.beginEdit();
        f->setFormat(FRAMEBUFFER_FORMAT_RGBA8);
        f->setSwapCallback(&swaps);
        framebuffer.endEdit();
        THandle<RenderOptions> options(device);
        options.beginEdit()->setOption1b(OPTION_PROGRESSIVE_SAMPLING, false);
        options.endEdit();
        THandle<Group> root(device);
        THandle<RenderView> view(device);
        RenderView* v = view.beginEdit();
        v->setCamera(camera);
        v->setFramebuffer(framebuffer);
        v->setSceneRoot(root);
        v->setRenderOptions(options);
        view.endEdit();
        THandle<DeviceSettings> settings(device);
        DeviceSettings* s = settings.beginEdit();
        s->setSetting1i(DEVICE_THREAD_COUNT, threads);
        if (!host.empty()) {
            s->setSetting1b(DEVICE_CLUSTER, true);
            s->setSetting1s(DEVICE_CLUSTER_MASTER_HOST, host.c_str());
            s->setSetting1i(DEVICE_CLUSTER_MASTER_PORT, port);
            s->setSetting1f(DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL, compression);
        }
        settings.endEdit();
        THandle<FrameDef> frameDef(device);
        FrameDef* fd = frameDef.beginEdit();
        fd->addRenderView(view);
        fd->setDeviceSettings(settings);
        frameDef.endEdit();

        const THandle<Shader> grey = shader(device, "matte", {0.7f, 0.7f, 0.7f});
        addQuad(device, root, grey, {-20, 0, 10}, {20, 0, 10}, {-20, 0, -20}, {20, 0, -20}, {0, 1, 0});
        addQuad(device, root, grey, {-20, 0, -8}, {20, 0, -8}, {-20, 12, -8}, {20, 12, -8}, {0, 0, 1});
        for (int i = 0; i < 48; ++i) {
            const float x = -3.5f + (i % 8) * 1.0f, y = 0.3f + (i / 8) * 0.5f, z = -2.0f - (i % 3) * 0.7f;
            const THandle<Shader> s2 =
                shader(device, i % 2 ? "plastic" : "matte", {0.2f + 0.1f * (i % 7), 0.3f, 0.9f - 0.1f * (i % 5)});
            addQuad(device, root, s2, {x, y, z}, {x + 0.8f, y, z}, {x, y + 0.4f, z}, {x + 0.8f, y + 0.4f, z},
                    {0, 0, 1});
        }
        for (int l = 0; l < 2; ++l) {
            THandle<Shader> lightShader(device);
            Shader* ls = lightShader.beginEdit();
            ls->instantiate("pointlight", "hoxstd");
            ls->setUniform1f("intensity", 20.0f);
            lightShader.endEdit();
            THandle<Light> light(device);
            Light* li = light.beginEdit();
            li->setShader(lightShader);
            li->setTransform(translation(l ? 3.0f : -3.0f, 5.0f, 2.0f));
            light.endEdit();
            root.beginEdit()->addChild(light);
            root.endEdit();
        }

        // The first frame connects, compiles and loads; it is not counted.
        if (device->frame(frameDef, false) != 0 || device->sync(60000, true) != 0) {
            std::fprintf(stderr, "the first frame failed\n");
            return 1;
        }
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i) {
            // An edit (an empty one of the root) makes every frame a new
            // one; an unchanged scene would make the view static.
            root.beginEdit();
            root.endEdit();
            if (device->frame(frameDef, false) != 0 || device->sync(60000, true) != 0) {
                std::fprintf(stderr, "frame %d failed\n", i);
                return 1;
            }
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s frames=%d seconds=%.3f fps=%.2f swaps=%d\n", host.empty() ? "local" : "cluster", frames,
                    seconds, frames / seconds, swaps.swaps);
    }
    hox::Shutdown(device);
    return 0;
}
