// chaos_host [seconds=20] [seed=1] [watchdog seconds=60]: a soak of the
// public interface. Random operations of every kind (create, edit, destroy,
// re-parent with loops, textures and uniforms while frames render, aborts,
// thread counts, picks, Shutdown and Init again), each followed by a check of
// what the interface promises; a watchdog fails an operation that never
// returns. Exit status 0: no fault seen.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "hox/hox.h"
#include "soak_watchdog.h"

namespace {

int g_faults = 0;

void fault(const char* what, long detail) {
    ++g_faults;
    if (g_faults <= 20) std::printf("FAULT: %s (%ld)\n", what, detail);
}

void expectStatus(int status, int expected, const char* what) {
    if (status != expected) fault(what, status);
}

// Swapped images of one view: each of a size the camera had since the last
// full sync (the resolution changes while frames render).
class ImageSink : public hox::IFramebufferCallback {
public:
    void swap(const hox::SwapInfo* info) override {
        ++images;
        if (!acceptable.count({info->width, info->height})) fault("image of a size never asked for", info->width);
        const int bytes = info->format == hox::FRAMEBUFFER_FORMAT_RGBA8 ? 4 : 16;
        if (info->bytesPerPixel != bytes) fault("bytesPerPixel does not match the format", info->bytesPerPixel);
        if (!info->pixels) fault("image without pixels", info->frameNumber);
        if (info->frameNumber < lastFrame) fault("images out of frame order", info->frameNumber);
        lastFrame = info->frameNumber;
    }
    std::set<std::pair<int, int>> acceptable;
    long images = 0;
    int lastFrame = -1;
};

// Messages are expected (refused values): counted, not printed, so faults stand out.
class MessageCounter : public hox::IMessageCallback {
public:
    void message(int, const char*) override { ++messages; }
    void warning(const char*) override { ++warnings; }
    void error(const char*) override { ++errors; }
    long messages = 0, warnings = 0, errors = 0;
};

struct View {
    hox::THandle<hox::Camera> camera;
    hox::THandle<hox::Framebuffer> framebuffer;
    hox::THandle<hox::RenderView> view;
    ImageSink sink;
    std::pair<int, int> size{32, 24};
};

struct Figures {
    long operations = 0, frames = 0, refusedFrames = 0, syncs = 0, aborts = 0, picks = 0;
    long destroyed = 0, textures = 0, geometries = 0, restarts = 0;
};

class ChaosHost {
public:
    ChaosHost(unsigned seed, SoakWatchdog& watchdog) : m_random(seed), m_watchdog(watchdog) {}

    bool start() {
        if (hox::Init(&m_messages, m_device) != 0 || !m_device) return false;
        buildScene();
        return true;
    }

    void step() {
        ++m_figures.operations;
        switch (pick(20)) {
        case 0: case 1: case 2: frame(); break;
        case 3: sync(); break;
        case 4: if (!m_geometries.empty()) fillGeometry(any(m_geometries)); break;
        case 5: reparent(); break;
        case 6: editEntity(); break;
        case 7: editShader(); break;
        case 8: editTexture(); break;
        case 9: create(); break;
        case 10: destroyScenePart(); break;
        case 11: editCamera(); break;
        case 12: editOptions(); break;
        case 13: editSettings(); break;
        case 14: selectAt(); break;
        case 15: if (pick(4) == 0) abortFrames(); break;
        case 16: if (pick(8) == 0) destroyFramePart(); break;
        case 17: if (pick(60) == 0) restart(); break;
        case 18: query(); break;
        default: editAttributes(); break;
        }
    }

    void finish() {
        m_watchdog.progress("final sync");
        expectStatus(m_device->sync(60000, true), 0, "final sync");
        m_watchdog.progress("Shutdown");
        expectStatus(hox::Shutdown(m_device), 0, "Shutdown");
    }

    const Figures& figures() const { return m_figures; }
    const MessageCounter& messages() const { return m_messages; }
    long images() const {
        long total = m_retiredImages;
        for (const auto& v : m_views) total += v->sink.images;
        return total;
    }

private:
    int pick(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }
    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(m_random); }
    template <typename T> T& any(std::vector<T>& pool) { return pool[static_cast<size_t>(pick(static_cast<int>(pool.size())))]; }

    hox::Mat4f translation() {
        return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, uniform(-2, 2), uniform(-2, 2), uniform(-1, 1), 1}};
    }

    void buildScene() {
        m_settings = hox::THandle<hox::DeviceSettings>(m_device);
        m_options = hox::THandle<hox::RenderOptions>(m_device);
        for (int i = 0; i < 3; ++i) create();
        m_groups.emplace_back(m_device);
        for (int i = 0; i < 3; ++i) m_shaders.push_back(newShader());
        for (int i = 0; i < 3; ++i) fillGeometry(m_geometries.emplace_back(m_device));
        for (int i = 0; i < 4; ++i) create();
        buildFrame();
    }

    void buildFrame() {
        // Frames in flight still deliver to the old views' sinks.
        if (!m_views.empty()) expectStatus(m_device->sync(60000, true), 0, "sync before rebuilding the frame");
        for (auto& v : m_views) m_retiredImages += v->sink.images;
        m_views.clear();
        m_frameDef = hox::THandle<hox::FrameDef>(m_device);
        hox::FrameDef* f = m_frameDef.beginEdit();
        if (!f) return fault("FrameDef beginEdit on a new object", 0);
        f->setDeviceSettings(m_settings);
        for (int i = 0; i < 2; ++i) {
            auto v = std::make_unique<View>();
            v->camera = hox::THandle<hox::Camera>(m_device);
            hox::Camera* c = v->camera.beginEdit();
            c->initPerspective(50.0f);
            c->setResolution(v->size.first, v->size.second);
            c->setTransform({{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 6, 1}});
            v->camera.endEdit();
            v->sink.acceptable.insert(v->size);
            v->framebuffer = hox::THandle<hox::Framebuffer>(m_device);
            hox::Framebuffer* fb = v->framebuffer.beginEdit();
            fb->setFormat(i == 0 ? hox::FRAMEBUFFER_FORMAT_RGBA8 : hox::FRAMEBUFFER_FORMAT_RGBA32F);
            fb->setSwapCallback(&v->sink);
            v->framebuffer.endEdit();
            v->view = hox::THandle<hox::RenderView>(m_device);
            hox::RenderView* rv = v->view.beginEdit();
            if (!m_groups.empty()) rv->setSceneRoot(m_groups[0]);
            rv->setCamera(v->camera);
            rv->setFramebuffer(v->framebuffer);
            rv->setRenderOptions(m_options);
            if (!m_shaders.empty()) rv->setEnvironmentShader(any(m_shaders));
            v->view.endEdit();
            if (f->addRenderView(v->view) < 0) fault("FrameDef::addRenderView", 0);
            m_views.push_back(std::move(v));
        }
        m_frameDef.endEdit();
    }

    hox::THandle<hox::Shader> newShader() {
        static const char* const kShaders[] = {"matte", "plastic", "constantenv", "emissive", "mirror"};
        hox::THandle<hox::Shader> shader(m_device);
        expectStatus(shader.beginEdit()->instantiate(kShaders[pick(5)], "hoxstd"), 0, "Shader::instantiate");
        shader.endEdit();
        return shader;
    }

    void fillGeometry(hox::THandle<hox::Geometry>& handle) {
        hox::Geometry* g = handle.beginEdit();
        if (!g) return;
        ++m_figures.geometries;
        const int triangles = 1 + pick(24), vertices = 3 + pick(30);
        std::vector<int> indices(static_cast<size_t>(triangles) * 3);
        for (int& i : indices) i = pick(vertices);
        // Now and then an index out of range: reported, never rendered.
        if (pick(10) == 0) indices[0] = vertices + pick(5);
        std::vector<hox::Vec3f> coords(static_cast<size_t>(vertices));
        for (auto& p : coords) p = {uniform(-1.5f, 1.5f), uniform(-1.5f, 1.5f), uniform(-1, 1)};
        expectStatus(g->init(hox::GEOMETRY_TYPE_TRIANGLES, triangles, vertices), 0, "Geometry::init");
        expectStatus(g->setIndexArray(indices.data()), 0, "Geometry::setIndexArray");
        expectStatus(g->setCoordArray3f(coords.data()), 0, "Geometry::setCoordArray3f");
        if (pick(3) == 0) {
            std::vector<hox::Vec2f> uvs(coords.size(), hox::Vec2f{0.5f, 0.5f});
            expectStatus(g->setVertexAttribArray2f("uv", uvs.data()), 0, "setVertexAttribArray2f");
        }
        if (g->init(hox::GEOMETRY_TYPE_TRIANGLES, 0, 3) == 0) fault("Geometry::init took 0 triangles", 0);
        expectStatus(handle.endEdit(), 0, "Geometry endEdit");
    }

    void create() {
        switch (pick(6)) {
        case 0: if (m_objects.size() < 24) {
                    hox::Object* obj = m_objects.emplace_back(m_device).beginEdit();
                    if (!m_geometries.empty()) obj->setGeometry(any(m_geometries));
                    if (!m_shaders.empty()) obj->setShader(any(m_shaders));
                    obj->setTransform(translation());
                    m_objects.back().endEdit();
                } break;
        case 1: if (m_lights.size() < 6) {
                    hox::Light* light = m_lights.emplace_back(m_device).beginEdit();
                    expectStatus(light->setLightType(static_cast<hox::ELightType>(pick(3))), 0, "setLightType");
                    light->setTransform(translation());
                    m_lights.back().endEdit();
                } break;
        case 2: if (m_groups.size() < 6) m_groups.emplace_back(m_device); break;
        case 3: if (m_geometries.size() < 8) fillGeometry(m_geometries.emplace_back(m_device)); break;
        case 4: if (m_shaders.size() < 6) m_shaders.push_back(newShader()); break;
        default:
            if (m_textures.size() < 6) m_textures.emplace_back(m_device);
            if (m_attributes.size() < 4) m_attributes.emplace_back(m_device);
            break;
        }
    }

    // A destroyed handle names nothing from then on, whatever is asked.
    template <typename T> void destroyFrom(std::vector<hox::THandle<T>>& pool) {
        if (pool.empty()) return;
        const auto at = pool.begin() + pick(static_cast<int>(pool.size()));
        destroyPart(*at, "destroy of a live object");
        pool.erase(at);
    }

    template <typename T> void checkDead(hox::THandle<T>& copy) {
        ++m_figures.destroyed;
        if (copy.isValid()) fault("destroyed handle still valid", copy.getInstance());
        if (copy.beginEdit() != nullptr) fault("beginEdit on a destroyed handle", copy.getInstance());
        expectStatus(copy.endEdit(), hox::RESULT_INVALID_HANDLE, "endEdit on a destroyed handle");
        expectStatus(copy.destroy(), hox::RESULT_INVALID_HANDLE, "second destroy");
    }

    void destroyScenePart() {
        switch (pick(8)) {
        case 0: destroyFrom(m_objects); break;
        case 1: destroyFrom(m_lights); break;
        case 2: destroyFrom(m_groups); break;
        case 3: destroyFrom(m_geometries); break;
        case 4: destroyFrom(m_shaders); break;
        case 5: destroyFrom(m_textures); break;
        case 6: destroyFrom(m_attributes); break;
        default: break;
        }
    }

    template <typename T> void destroyPart(hox::THandle<T>& handle, const char* what) {
        hox::THandle<T> copy = handle;
        expectStatus(handle.destroy(), 0, what);
        checkDead(copy);
    }

    // Parts of the frame itself: the next frame is refused until rebuilt.
    void destroyFramePart() {
        View& v = *any(m_views);
        // A part destroyed before stays null until the refused frame rebuilds it.
        if (!m_frameDef.isValid() || !v.camera.isValid() || !v.framebuffer.isValid() || !v.view.isValid()) return;
        switch (pick(5)) {
        case 0: destroyPart(v.camera, "Camera destroy"); break;
        case 1: destroyPart(v.framebuffer, "Framebuffer destroy"); break;
        case 2: destroyPart(v.view, "RenderView destroy"); break;
        case 3: destroyPart(m_frameDef, "FrameDef destroy"); break;
        default:
            destroyPart(m_settings, "DeviceSettings destroy");
            m_settings = hox::THandle<hox::DeviceSettings>(m_device);
            destroyPart(m_options, "RenderOptions destroy");
            m_options = hox::THandle<hox::RenderOptions>(m_device);
            buildFrame();
        }
    }

    void reparent() {
        if (m_groups.empty()) return;
        auto& group = any(m_groups);
        hox::Group* g = group.beginEdit();
        if (!g) return fault("beginEdit on a live group", group.getInstance());
        const int op = pick(4);
        if (op <= 1 && g->getNumChildren() < 4) {
            // Groups may become their own ancestors: the walk must cut the loop.
            hox::EntityHandle child;
            const int from = pick(3);
            if (from == 0 && !m_objects.empty()) child = any(m_objects);
            else if (from == 1 && !m_lights.empty()) child = any(m_lights);
            else child = any(m_groups);
            const int before = g->getNumChildren();
            g->addChild(child);
            if (g->getNumChildren() != before + 1) fault("addChild did not append", before);
            if (g->findChild(child) < 0) fault("added child not found", 0);
        } else if (op == 2 && g->getNumChildren() > 0) {
            const int index = pick(g->getNumChildren());
            expectStatus(g->removeChild(g->getChild(index)), 0, "removeChild of a child");
        } else if (op == 3) {
            g->removeAllChildren();
            if (g->getNumChildren() != 0) fault("removeAllChildren left children", g->getNumChildren());
        }
        if (!g->getChild(g->getNumChildren()).isNull()) fault("getChild past the end not null", 0);
        expectStatus(group.endEdit(), 0, "Group endEdit");
    }

    void editEntity() {
        if (!m_objects.empty() && pick(2) == 0) {
            auto& o = any(m_objects);
            hox::Object* obj = o.beginEdit();
            obj->setTransform(translation());
            if (!m_geometries.empty() && pick(2) == 0) expectStatus(obj->setGeometry(any(m_geometries)), 0, "setGeometry");
            if (!m_shaders.empty() && pick(2) == 0) expectStatus(obj->setShader(any(m_shaders)), 0, "setShader");
            if (!m_attributes.empty() && pick(3) == 0) obj->setRenderAttributes(any(m_attributes));
            expectStatus(o.endEdit(), 0, "Object endEdit");
        } else if (!m_lights.empty()) {
            auto& l = any(m_lights);
            hox::Light* light = l.beginEdit();
            light->setTransform(translation());
            expectStatus(light->setParameter1f(hox::LIGHT_PARAMETER_RADIUS, uniform(0, 0.5f)), 0, "light radius");
            expectStatus(light->setParameter1b(hox::LIGHT_PARAMETER_RANGE, true), hox::RESULT_INVALID_ENUM,
                         "light parameter of the wrong kind");
            expectStatus(l.endEdit(), 0, "Light endEdit");
        }
    }

    void editShader() {
        if (m_shaders.empty()) return;
        auto& s = any(m_shaders);
        hox::Shader* shader = s.beginEdit();
        if (pick(6) == 0) {
            expectStatus(shader->instantiate("matte", "hoxstd"), 0, "re-instantiate");
        } else {
            // Any status is allowed for a name the shader may not declare;
            // the call must only come back.
            shader->setUniform3f("colour", {uniform(0, 1), uniform(0, 1), uniform(0, 1)});
            if (!m_textures.empty()) shader->setUniformTexture2D("colourMap", any(m_textures));
            shader->setUniform1f("roughness", uniform(0, 1));
        }
        expectStatus(s.endEdit(), 0, "Shader endEdit");
    }

    void editTexture() {
        if (m_textures.empty()) return;
        auto& t = any(m_textures);
        ++m_figures.textures;
        static float texels[6][8 * 8 * 8 * 4];  // big enough for every size below
        hox::TextureDescriptor d;
        d.type = pick(4), d.format = pick(2), d.components = 1 + pick(4), d.filter = pick(2);
        d.wrapS = pick(3), d.wrapT = pick(3), d.wrapR = pick(3);
        d.width = 1 + pick(8), d.depth = 1 + pick(8);
        d.height = d.type == hox::TEXTURE_TYPE_CUBE ? d.width : 1 + pick(8);
        d.data = texels[0];
        for (int f = 0; f < hox::kCubeFaceCount; ++f) d.faces[f] = texels[f];
        const bool broken = pick(5) == 0;
        if (broken) d.width = 0;
        hox::Texture* texture = t.beginEdit();
        expectStatus(texture->create(d), broken ? -1 : 0, broken ? "texture without width" : "Texture::create");
        expectStatus(t.endEdit(), 0, "Texture endEdit");
    }

    void editCamera() {
        View& v = *any(m_views);
        hox::Camera* c = v.camera.beginEdit();
        if (!c) return;
        static const std::pair<int, int> kSizes[] = {{32, 24}, {16, 16}, {48, 20}, {7, 33}};
        v.size = kSizes[pick(4)];
        c->setResolution(v.size.first, v.size.second);
        v.sink.acceptable.insert(v.size);
        if (pick(3) == 0) c->initOrthographic(uniform(1, 6));
        else c->initPerspective(uniform(20, 90));
        c->setTransform({{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, uniform(-1, 1), uniform(-1, 1), 6, 1}});
        expectStatus(v.camera.endEdit(), 0, "Camera endEdit");
    }

    void editOptions() {
        hox::RenderOptions* o = m_options.beginEdit();
        if (!o) return;
        expectStatus(o->setOption1i(hox::OPTION_SAMPLING_RATE, pick(4) - 2), 0, "OPTION_SAMPLING_RATE");
        expectStatus(o->setOption1i(hox::OPTION_MAX_PROGRESSIVE_SAMPLING_RATE, pick(4) - 2), 0, "max rate");
        expectStatus(o->setOption1b(hox::OPTION_PROGRESSIVE_SAMPLING, pick(2) == 0), 0, "progressive");
        expectStatus(o->setOption1i(hox::OPTION_TRACE_DEPTH, pick(4)), 0, "OPTION_TRACE_DEPTH");
        expectStatus(o->setOption1i(hox::OPTION_TRACE_DEPTH, 5000), hox::RESULT_INVALID_VALUE, "trace depth 5000");
        expectStatus(m_options.endEdit(), 0, "RenderOptions endEdit");
    }

    void editSettings() {
        hox::DeviceSettings* s = m_settings.beginEdit();
        if (!s) return;
        // 0 means one thread per processor; the engine restarts its pool.
        expectStatus(s->setSetting1i(hox::DEVICE_THREAD_COUNT, pick(4)), 0, "DEVICE_THREAD_COUNT");
        expectStatus(m_settings.endEdit(), 0, "DeviceSettings endEdit");
    }

    void editAttributes() {
        if (m_attributes.empty()) return;
        auto& a = any(m_attributes);
        hox::RenderAttributes* attributes = a.beginEdit();
        expectStatus(attributes->setAttribute1b(static_cast<hox::ERenderAttribute>(pick(6)), pick(2) == 0), 0,
                     "setAttribute1b");
        expectStatus(a.endEdit(), 0, "RenderAttributes endEdit");
    }

    void frame() {
        const int status = m_device->frame(m_frameDef, pick(3) != 0);
        if (status == 0) {
            ++m_figures.frames;
            return;
        }
        // Refused: a part of the frame was destroyed. Anything else is a fault.
        if (status != hox::RESULT_FAILED && status != hox::RESULT_INVALID_HANDLE) fault("frame status", status);
        ++m_figures.refusedFrames;
        expectStatus(m_device->sync(60000, true), 0, "sync after a refused frame");
        buildFrame();
    }

    void sync() {
        ++m_figures.syncs;
        if (pick(4) == 0) {
            const int status = m_device->sync(0, pick(2) == 0);
            if (status != 0 && status != hox::RESULT_TIMEOUT) fault("sync(0) status", status);
            return;
        }
        expectStatus(m_device->sync(60000, true), 0, "sync");
        // Every frame is swapped: from now on only the current sizes are due.
        for (auto& v : m_views) v->sink.acceptable = {v->size};
    }

    void abortFrames() {
        ++m_figures.aborts;
        expectStatus(m_device->abort(), 0, "abort");
        expectStatus(m_device->sync(0, true), 0, "sync right after abort");
        for (auto& v : m_views) v->sink.acceptable = {v->size};
    }

    void selectAt() {
        ++m_figures.picks;
        hox::ISelectionDevice* selection = m_device->getSelectionDevice();
        if (!selection) return fault("no selection device", 0);
        View& v = *any(m_views);
        if (pick(2) == 0) {
            selection->pick(v.view, pick(40) - 4, pick(40) - 4);
            if (selection->getNumResults() > 1) fault("pick gave more than one result", selection->getNumResults());
        } else {
            selection->pickRegion(v.view, pick(40), pick(40), pick(40), pick(40));
            if (selection->getNumResults() < 0) fault("negative result count", selection->getNumResults());
        }
        if (selection->getResult(selection->getNumResults()) != nullptr) fault("result past the end", 0);
        if (selection->getResult(-1) != nullptr) fault("result -1", 0);
    }

    void query() {
        float progress = -1.0f;
        expectStatus(m_device->query1f(hox::QUERY_PROGRESS, progress), 0, "QUERY_PROGRESS");
        if (!(progress >= 0.0f && progress <= 1.0f)) fault("progress outside [0, 1]", static_cast<long>(progress * 100));
        bool dirty = false;
        expectStatus(m_device->query1b(hox::QUERY_SCENE_DIRTY, dirty), 0, "QUERY_SCENE_DIRTY");
    }

    // Shut down with frames possibly in flight, check that every handle died
    // with the object table, and start again.
    void restart() {
        ++m_figures.restarts;
        hox::THandle<hox::FrameDef> old = m_frameDef;
        m_watchdog.progress("Shutdown");
        expectStatus(hox::Shutdown(m_device), 0, "Shutdown");
        if (old.isValid()) fault("handle valid after Shutdown", old.getInstance());
        expectStatus(m_device->frame(old, false), hox::RESULT_FAILED, "frame after Shutdown");
        for (auto& v : m_views) m_retiredImages += v->sink.images;
        m_views.clear();
        m_objects.clear(); m_lights.clear(); m_groups.clear(); m_geometries.clear();
        m_shaders.clear(); m_textures.clear(); m_attributes.clear();
        m_watchdog.progress("Init");
        hox::IRenderDevice* again = nullptr;
        expectStatus(hox::Init(&m_messages, again), 0, "Init after Shutdown");
        if (again != m_device) fault("Init gave another device", 0);
        buildScene();
    }

    std::mt19937 m_random;
    MessageCounter m_messages;
    SoakWatchdog& m_watchdog;
    hox::IRenderDevice* m_device = nullptr;
    Figures m_figures;
    long m_retiredImages = 0;
    std::vector<std::unique_ptr<View>> m_views;
    hox::THandle<hox::FrameDef> m_frameDef;
    hox::THandle<hox::DeviceSettings> m_settings;
    hox::THandle<hox::RenderOptions> m_options;
    std::vector<hox::THandle<hox::Object>> m_objects;
    std::vector<hox::THandle<hox::Light>> m_lights;
    std::vector<hox::THandle<hox::Group>> m_groups;
    std::vector<hox::THandle<hox::Geometry>> m_geometries;
    std::vector<hox::THandle<hox::Shader>> m_shaders;
    std::vector<hox::THandle<hox::Texture>> m_textures;
    std::vector<hox::THandle<hox::RenderAttributes>> m_attributes;
};

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 1u;
    const int watchdogSeconds = argc > 3 ? std::atoi(argv[3]) : 60;
    std::printf("chaos_host: %d s, seed %u, watchdog %d s\n", seconds, seed, watchdogSeconds);

    SoakWatchdog watchdog(watchdogSeconds);
    ChaosHost host(seed, watchdog);
    if (!host.start()) {
        std::printf("chaos_host: Init failed\n");
        return 1;
    }
    // Not the library's clock: it starts again with every Init.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        host.step();
        watchdog.progress("operation");
    }
    host.finish();

    const Figures& f = host.figures();
    std::printf("chaos_host: %ld operations, %ld frames (%ld refused), %ld images, %ld syncs, %ld aborts, "
                "%ld picks, %ld destroyed, %ld geometries, %ld textures, %ld restarts, %ld warnings, %ld errors, %d faults\n",
                f.operations, f.frames, f.refusedFrames, host.images(), f.syncs, f.aborts, f.picks,
                f.destroyed, f.geometries, f.textures, f.restarts, host.messages().warnings,
                host.messages().errors, g_faults);
    return g_faults == 0 && f.frames > 0 && host.images() > 0 ? 0 : 1;
}
