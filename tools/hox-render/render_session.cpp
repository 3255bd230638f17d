#include "render_session.h"

#include <cstring>
#include <string>
#include <utility>

#include "hox/camera.h"
#include "hox/device_settings.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/render_options.h"
#include "hox/render_view.h"
#include "hox/status.h"
#include "sampling_plan.h"

namespace hox_render {

namespace {

// How long one frame may take before the tool gives up on it. Generous: a
// large image with many samples on two cores takes minutes, and a frame
// that never ends must still not hang the tool.
constexpr int kFrameTimeoutMs = 30 * 60 * 1000;

// Keeps the latest image of the framebuffer. The device calls swap on the
// thread that called sync, which is this program's only thread.
class FrameCapture : public hox::IFramebufferCallback {
public:
    void swap(const hox::SwapInfo* info) override {
        ++swaps;
        isStatic = info->isStatic != 0;
        sampleDensity = info->sampleDensity;
        if (info->format != hox::FRAMEBUFFER_FORMAT_RGBA32F || !info->pixels || info->width < 1 ||
            info->height < 1)
            return;
        image.width = info->width;
        image.height = info->height;
        const size_t count = 4 * static_cast<size_t>(info->width) * info->height;
        image.rgba.resize(count);
        std::memcpy(image.rgba.data(), info->pixels, count * sizeof(float));
    }

    int swaps = 0;
    bool isStatic = false;
    float sampleDensity = 0.0f;
    ImageData image;
};

}  // namespace

RenderStatus renderScene(hox::IRenderDevice* device, const Options& options, const SceneContent& scene,
                         const CameraPose& pose, RenderResult& result, std::string& error) {
    const SamplingPlan plan = planSampling(options.samplesPerPixel, options.passes);

    hox::THandle<hox::Camera> camera(device);
    if (hox::Camera* c = camera.beginEdit()) {
        c->initPerspective(pose.fovDegrees);
        c->setResolution(options.width, options.height);
        c->setAspectRatio(static_cast<float>(options.width) / static_cast<float>(options.height));
        c->setTransform(cameraMatrix(pose));
        camera.endEdit();
    }

    FrameCapture capture;
    hox::THandle<hox::Framebuffer> framebuffer(device);
    if (hox::Framebuffer* f = framebuffer.beginEdit()) {
        f->setFormat(hox::FRAMEBUFFER_FORMAT_RGBA32F);
        f->setSwapCallback(&capture);
        framebuffer.endEdit();
    }

    hox::THandle<hox::RenderOptions> renderOptions(device);
    if (hox::RenderOptions* o = renderOptions.beginEdit()) {
        o->setOption1b(hox::OPTION_PROGRESSIVE_SAMPLING, true);
        o->setOption1i(hox::OPTION_SAMPLING_RATE, plan.rate);
        o->setOption1i(hox::OPTION_MAX_PROGRESSIVE_SAMPLING_RATE, plan.maxRate);
        renderOptions.endEdit();
    }

    hox::THandle<hox::DeviceSettings> settings(device);
    if (hox::DeviceSettings* s = settings.beginEdit()) {
        s->setSetting1i(hox::DEVICE_THREAD_COUNT, options.threads);
        if (!options.shaderPath.empty()) s->setSetting1s(hox::DEVICE_SHADER_PATH, options.shaderPath.c_str());
        if (options.cluster) {
            s->setSetting1b(hox::DEVICE_CLUSTER, true);
            s->setSetting1s(hox::DEVICE_CLUSTER_MASTER_HOST, options.clusterHost.c_str());
            s->setSetting1i(hox::DEVICE_CLUSTER_MASTER_PORT, options.clusterPort);
        }
        settings.endEdit();
    }

    hox::THandle<hox::RenderView> view(device);
    if (hox::RenderView* v = view.beginEdit()) {
        v->setSceneRoot(scene.root);
        v->setCamera(camera);
        v->setFramebuffer(framebuffer);
        v->setRenderOptions(renderOptions);
        if (!scene.environment.isNull()) v->setEnvironmentShader(scene.environment);
        view.endEdit();
    }

    hox::THandle<hox::FrameDef> frameDef(device);
    if (hox::FrameDef* f = frameDef.beginEdit()) {
        f->addRenderView(view);
        f->setDeviceSettings(settings);
        frameDef.endEdit();
    }

    const int start = hox::System::getTimeMsecs();
    RenderStatus outcome = RenderStatus::kOk;
    for (int frame = 0; frame < plan.maxFrames; ++frame) {
        const int status = device->frame(frameDef, false);
        if (status == hox::RESULT_CONNECTION_FAILED) {
            error = "cannot reach the render cluster at " + options.clusterHost + ":" +
                    std::to_string(options.clusterPort) + " (status " + std::to_string(status) + ")";
            outcome = RenderStatus::kClusterUnreachable;
            break;
        }
        if (status != hox::RESULT_OK) {
            error = "frame " + std::to_string(frame) + " failed with status " + std::to_string(status);
            outcome = RenderStatus::kFailed;
            break;
        }
        const int synced = device->sync(kFrameTimeoutMs, true);
        if (synced != hox::RESULT_OK) {
            error = synced == hox::RESULT_TIMEOUT ? "a frame took longer than 30 minutes; giving up"
                                                  : "waiting for frame " + std::to_string(frame) +
                                                        " failed with status " + std::to_string(synced);
            device->abort();
            outcome = RenderStatus::kFailed;
            break;
        }
        ++result.frames;
        // A static view was not rendered again: the image is as good as it gets.
        if (capture.isStatic) break;
        if (plan.targetDensity > 0.0f && capture.sampleDensity >= plan.targetDensity) break;
    }
    result.elapsedMs = hox::System::getTimeMsecs() - start;
    // The capture lives on this stack frame: the framebuffer must not keep
    // pointing at it.
    if (hox::Framebuffer* f = framebuffer.beginEdit()) {
        f->setSwapCallback(nullptr);
        framebuffer.endEdit();
    }
    if (outcome != RenderStatus::kOk) return outcome;
    if (capture.image.rgba.empty()) {
        error = "the device handed back no image";
        return RenderStatus::kFailed;
    }
    result.image = std::move(capture.image);
    result.sampleDensity = capture.sampleDensity;
    return RenderStatus::kOk;
}

}  // namespace hox_render
