#include "viewer_app.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "console_messages.h"
#include "cvar_registry.h"
#include "frame_rate.h"
#include "hox/device.h"
#include "hox/status.h"
#include "input_script.h"
#include "pick_report.h"
#include "scene_builder.h"
#include "scene_source.h"
#include "sdl_input.h"
#include "shader_factory.h"
#include "title_readout.h"
#include "view_controller.h"
#include "view_options.h"
#include "view_session.h"
#include "viewer_window.h"

namespace hox_view {

namespace {

constexpr int kExitOk = 0, kExitFailure = 1, kExitUsage = 2;
constexpr const char* kShaderLibrary = "hoxstd";
// How long one wait for a frame may block the loop; events are handled in
// between, so a slow frame leaves the window responsive.
constexpr int kWaitSliceMsecs = 20;
// A frame that takes longer than this is taken as hung.
constexpr int kFrameGiveUpMsecs = 120 * 1000;

double nowSeconds() {
    using Clock = std::chrono::steady_clock;
    static const Clock::time_point start = Clock::now();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The script, played one step at a time between frames.
class ScriptPlayer {
public:
    explicit ScriptPlayer(std::vector<ScriptStep> steps) : m_steps(std::move(steps)) {}

    // Runs the steps due before the next frame: input goes to the
    // controller, screenshots to `shots`, and a wait stops the walk.
    void play(ViewController& controller, std::vector<std::string>& shots, bool& quit) {
        if (m_waitFrames > 0) return;
        while (m_next < m_steps.size()) {
            const ScriptStep& step = m_steps[m_next++];
            switch (step.kind) {
                case ScriptStep::kInput: controller.handle(step.event); break;
                case ScriptStep::kScreenshot: shots.push_back(step.path); break;
                case ScriptStep::kQuit: quit = true; return;
                case ScriptStep::kWait:
                    m_waitFrames = step.frames;
                    if (m_waitFrames > 0) return;
                    break;
            }
        }
    }
    void frameShown() {
        if (m_waitFrames > 0) --m_waitFrames;
    }
    bool finished() const { return m_next >= m_steps.size() && m_waitFrames == 0; }

private:
    std::vector<ScriptStep> m_steps;
    size_t m_next = 0;
    int m_waitFrames = 0;
};

struct Highlight {
    hox::Vec3f boundsMin, boundsMax;
};

// The screen box of a world box, for the highlight.
bool screenBox(const OrbitCamera& camera, const Highlight& h, int width, int height, OverlayBox& box) {
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    for (int corner = 0; corner < 8; ++corner) {
        const hox::Vec3f p = {(corner & 1) ? h.boundsMax.x : h.boundsMin.x,
                              (corner & 2) ? h.boundsMax.y : h.boundsMin.y,
                              (corner & 4) ? h.boundsMax.z : h.boundsMin.z};
        float x = 0, y = 0;
        if (!camera.project(p, width, height, x, y)) return false;  // partly behind: no honest box
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    const float limit = 4.0f * static_cast<float>(std::max(width, height));
    box.x0 = static_cast<int>(std::max(-limit, minX));
    box.y0 = static_cast<int>(std::max(-limit, minY));
    box.x1 = static_cast<int>(std::min(limit, maxX));
    box.y1 = static_cast<int>(std::min(limit, maxY));
    return true;
}

class Viewer {
public:
    Viewer(hox::IRenderDevice* device, const ViewOptions& options, std::vector<ScriptStep> script)
        : m_device(device), m_options(options), m_script(std::move(script)) {}

    int run() {
        const std::string library = m_options.shaderPath.empty() ? std::string(kShaderLibrary)
                                                                 : m_options.shaderPath + "/" + kShaderLibrary;
        hox_render::ShaderFactory shaders(m_device, library.c_str());
        hox_render::SceneBuilder builder(m_device, shaders);
        hox_render::SceneContent scene;
        std::string error;
        if (!hox_render::buildScene(builder, m_options.sceneFile, m_options.modelDirectory, scene, error)) {
            std::fprintf(stderr, "hox-view: %s\n", error.c_str());
            return kExitFailure;
        }
        std::printf("hox-view: %s\n", scene.summary.c_str());
        ViewerWindow window;
        if (!window.open(m_options.width, m_options.height, error)) {
            std::fprintf(stderr, "hox-view: %s\n", error.c_str());
            return kExitFailure;
        }
        const float aspect = static_cast<float>(m_options.width) / static_cast<float>(m_options.height);
        OrbitCamera camera(hox_render::sceneCamera(scene, aspect));

        SessionSetup setup;
        setup.width = m_options.width;
        setup.height = m_options.height;
        setup.samplingRate = m_options.samplingRate;
        setup.maxRate = m_options.maxRate;
        setup.shaderPath = m_options.shaderPath;
        ViewSession session(m_device, setup);
        session.setScene(scene.root, scene.environment);
        session.setCamera(camera.pose());

        const int processors = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        RenderChoices initial;
        initial.threads = m_options.threads > 0 ? m_options.threads : processors;
        ViewController controller(camera, m_options.width, initial, processors);
        session.setChoices(controller.choices());

        const int status = loop(window, camera, controller, session, builder);
        session.drain();
        if (status == kExitOk && !m_options.screenshot.empty()) {
            if (!window.saveShown(m_options.screenshot, error)) {
                std::fprintf(stderr, "hox-view: %s\n", error.c_str());
                return kExitFailure;
            }
            std::printf("screenshot: %s (frame %d, %.3f spp)\n", m_options.screenshot.c_str(), m_shown,
                        session.image().sampleDensity);
        }
        const double seconds = nowSeconds() - m_start;
        std::printf("hox-view: %d frames in %.2f s, %.1f fps\n", m_shown, seconds,
                    seconds > 0 ? m_shown / seconds : 0.0);
        // The title bar is out of reach of a script: the last readout goes
        // to the console too.
        if (!m_readout.empty()) std::printf("readout: %s\n", m_readout.c_str());
        return status;
    }

private:
    int loop(ViewerWindow& window, OrbitCamera& camera, ViewController& controller, ViewSession& session,
             const hox_render::SceneBuilder& builder) {
        FrameRate rate;
        std::vector<OverlayBox> highlightBoxes;
        std::vector<Highlight> highlights;
        m_start = nowSeconds();
        double lastAdvance = m_start, lastTitle = 0.0;
        int waitedMsecs = 0;
        bool quit = false;
        const ObjectNamer namer = [&builder](unsigned int value) { return builder.objectName(value); };

        while (!quit) {
            std::vector<std::string> shots;
            m_script.play(controller, shots, quit);
            for (SDL_Event sdl; SDL_PollEvent(&sdl);) {
                InputEvent event;
                if (translateEvent(sdl, event)) controller.handle(event);
            }
            const double now = nowSeconds();
            controller.advance(static_cast<float>(now - lastAdvance));
            lastAdvance = now;
            quit = quit || controller.quitRequested();

            // Picks answer from the frame last handed to the device, which
            // is the one being rendered: what the user sees, give or take
            // one frame of a moving camera.
            for (const PickRequest& pick : controller.takePicks()) handlePick(pick, session, namer, highlights);
            // Edits for the next frame, made while the current one renders.
            if (controller.takeCameraMoved()) session.setCamera(camera.pose());
            if (controller.takeChoicesChanged()) session.setChoices(controller.choices());

            // After a wait that timed out the older frame is still pending;
            // the next goes once it is swapped.
            if (!quit && session.readyToSubmit()) {
                const int submitted = session.submit();
                if (submitted != hox::RESULT_OK) {
                    std::fprintf(stderr, "hox-view: a frame failed with status %d\n", submitted);
                    return kExitFailure;
                }
            }
            const int synced = session.waitOlder(kWaitSliceMsecs);
            if (synced == hox::RESULT_TIMEOUT) {
                waitedMsecs += kWaitSliceMsecs;
                if (waitedMsecs > kFrameGiveUpMsecs) {
                    std::fprintf(stderr, "hox-view: a frame took longer than %d s; giving up\n",
                                 kFrameGiveUpMsecs / 1000);
                    return kExitFailure;
                }
            } else if (synced != hox::RESULT_OK) {
                std::fprintf(stderr, "hox-view: waiting for a frame failed with status %d\n", synced);
                return kExitFailure;
            } else {
                waitedMsecs = 0;
            }

            if (session.hasNewImage()) {
                const SwappedImage& image = session.takeImage();
                window.upload(image.rgba.data(), image.width, image.height);
                ++m_shown;
                rate.frameShown(nowSeconds());
                m_script.frameShown();
            }
            highlightBoxes.clear();
            for (const Highlight& h : highlights) {
                OverlayBox box;
                if (screenBox(camera, h, m_options.width, m_options.height, box)) highlightBoxes.push_back(box);
            }
            PickRequest region;
            OverlayBox regionBox;
            const bool drawing = controller.regionInProgress(region);
            regionBox = {region.x0, region.y0, region.x1, region.y1};
            window.draw(highlightBoxes, drawing ? &regionBox : nullptr);
            for (const std::string& path : shots) saveShot(window, path, session);
            window.present();

            if (m_options.frames > 0 && m_shown >= m_options.frames) quit = true;
            if (m_hasScript && m_script.finished() && m_options.frames == 0) quit = true;
            // Four times a second is readable; the last frame always updates it.
            if (quit || nowSeconds() - lastTitle > 0.25) {
                lastTitle = nowSeconds();
                ReadoutValues values;
                values.fps = rate.perSecond();
                values.mraysPerSecond = raysPerMicrosecond(m_device);
                values.sampleDensity = session.image().sampleDensity;
                values.samplingRate = session.setup().samplingRate;
                values.isStatic = session.image().isStatic;
                m_readout = titleReadout(values, controller.choices());
                window.setTitle(m_readout);
            }
        }
        return kExitOk;
    }

    void saveShot(ViewerWindow& window, const std::string& path, const ViewSession& session) {
        std::string error;
        if (window.saveShown(path, error))
            std::printf("screenshot: %s (frame %d, %.3f spp)\n", path.c_str(), m_shown,
                        session.image().sampleDensity);
        else
            std::fprintf(stderr, "hox-view: %s\n", error.c_str());
        std::fflush(stdout);
    }

    void handlePick(const PickRequest& pick, ViewSession& session, const ObjectNamer& namer,
                    std::vector<Highlight>& highlights) {
        hox::ISelectionDevice* selection = m_device->getSelectionDevice();
        if (!selection) return;
        highlights.clear();
        if (!pick.region) {
            // Both picks answer with their result count.
            const bool found = selection->pick(session.view(), pick.x0, pick.y0) > 0;
            const hox::SelectionResult* hit = found ? selection->getResult(0) : nullptr;
            std::printf("%s\n", describePixelPick(hit, pick.x0, pick.y0, namer).c_str());
            if (hit && (hit->valid & hox::SelectionResult::VALID_BOUNDS))
                highlights.push_back({hit->boundsMin, hit->boundsMax});
        } else {
            std::vector<hox::SelectionResult> hits;
            const int count = selection->pickRegion(session.view(), pick.x0, pick.y0, pick.x1, pick.y1);
            for (int i = 0; i < count; ++i)
                    if (const hox::SelectionResult* r = selection->getResult(i)) hits.push_back(*r);
            for (const std::string& line : describeRegionPick(hits, pick.x0, pick.y0, pick.x1, pick.y1, namer))
                std::printf("%s\n", line.c_str());
            for (const hox::SelectionResult& r : hits)
                if (r.valid & hox::SelectionResult::VALID_BOUNDS) highlights.push_back({r.boundsMin, r.boundsMax});
        }
        std::fflush(stdout);
    }

public:
    bool m_hasScript = false;

private:
    hox::IRenderDevice* m_device;
    const ViewOptions& m_options;
    ScriptPlayer m_script;
    int m_shown = 0;
    double m_start = 0.0;
    std::string m_readout;  // the title bar's last text
};

bool applyConsoleVariables(const ViewOptions& options, std::string& error) {
    hox_render::CVarRegistry& registry = hox_render::CVarRegistry::instance();
    // The shortest interval the device allows, so the title has counters
    // within a fraction of a second.
    if (!registry.set("rt_statsInterval", "100", error)) return false;
    for (const auto& cvar : options.cvars)
        if (!registry.set(cvar.first, cvar.second, error)) return false;
    return true;
}

}  // namespace

int runHoxView(int argc, const char* const* argv) {
    ViewOptions options;
    std::string error;
    switch (parseViewOptions(argc, argv, options, error)) {
        case ViewParse::kHelp: std::fputs(viewUsage(), stdout); return kExitOk;
        case ViewParse::kError: std::fprintf(stderr, "hox-view: %s\n", error.c_str()); return kExitUsage;
        case ViewParse::kRun: break;
    }
    std::vector<ScriptStep> script;
    if (!options.script.empty() && !loadScript(options.script, script, error)) {
        std::fprintf(stderr, "hox-view: %s\n", error.c_str());
        return kExitUsage;
    }
    if (!applyConsoleVariables(options, error)) {
        std::fprintf(stderr, "hox-view: %s\n", error.c_str());
        return kExitUsage;
    }
    hox_render::ConsoleMessages& messages = hox_render::ConsoleMessages::instance();
    hox::IRenderDevice* device = nullptr;
    if (hox::Init(&messages, device) != 0 || !device) {
        std::fprintf(stderr, "hox-view: the render device could not be initialised\n");
        return kExitFailure;
    }
    int exitCode = kExitFailure;
    {
        Viewer viewer(device, options, std::move(script));
        viewer.m_hasScript = !options.script.empty();
        exitCode = viewer.run();
    }
    hox::Shutdown(device);
    return exitCode;
}

}  // namespace hox_view
