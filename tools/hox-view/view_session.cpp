#include "view_session.h"

#include <cstring>
#include <string>

#include "cvar_registry.h"
#include "hox/status.h"

namespace hox_view {

ViewSession::ViewSession(hox::IRenderDevice* device, const SessionSetup& setup)
    : m_device(device), m_setup(setup), m_camera(device), m_framebuffer(device), m_options(device),
      m_settings(device), m_view(device), m_frameDef(device) {
    if (hox::Camera* c = m_camera.beginEdit()) {
        c->setResolution(setup.width, setup.height);
        c->setAspectRatio(static_cast<float>(setup.width) / static_cast<float>(setup.height));
        m_camera.endEdit();
    }
    if (hox::Framebuffer* f = m_framebuffer.beginEdit()) {
        // Bytes: what the window shows, a quarter of the float image to copy.
        f->setFormat(hox::FRAMEBUFFER_FORMAT_RGBA8);
        f->setSwapCallback(this);
        m_framebuffer.endEdit();
    }
    if (hox::DeviceSettings* s = m_settings.beginEdit()) {
        if (!setup.shaderPath.empty()) s->setSetting1s(hox::DEVICE_SHADER_PATH, setup.shaderPath.c_str());
        m_settings.endEdit();
    }
    if (hox::RenderView* v = m_view.beginEdit()) {
        v->setCamera(m_camera);
        v->setFramebuffer(m_framebuffer);
        v->setRenderOptions(m_options);
        m_view.endEdit();
    }
    if (hox::FrameDef* d = m_frameDef.beginEdit()) {
        d->addRenderView(m_view);
        d->setDeviceSettings(m_settings);
        m_frameDef.endEdit();
    }
    setChoices(RenderChoices());
}

ViewSession::~ViewSession() {
    drain();
    // This object is the callback: the framebuffer must not outlive it
    // pointing here.
    if (hox::Framebuffer* f = m_framebuffer.beginEdit()) {
        f->setSwapCallback(nullptr);
        m_framebuffer.endEdit();
    }
}

void ViewSession::setScene(const hox::THandle<hox::Group>& root, const hox::THandle<hox::Shader>& environment) {
    if (hox::RenderView* v = m_view.beginEdit()) {
        v->setSceneRoot(root);
        if (!environment.isNull()) v->setEnvironmentShader(environment);
        m_view.endEdit();
    }
}

void ViewSession::setCamera(const hox_render::CameraPose& pose) {
    if (hox::Camera* c = m_camera.beginEdit()) {
        c->initPerspective(pose.fovDegrees);
        c->setTransform(hox_render::cameraMatrix(pose));
        m_camera.endEdit();
    }
}

void ViewSession::setChoices(const RenderChoices& choices) {
    // The debug shading is a console variable, read when a frame starts; the
    // options edit below marks the scene edited, so the progressive passes
    // start again instead of blending the two shadings.
    std::string error;
    hox_render::CVarRegistry::instance().set("rt_debugShade", std::to_string(choices.debugShade), error);
    if (hox::RenderOptions* o = m_options.beginEdit()) {
        o->setOption1b(hox::OPTION_PROGRESSIVE_SAMPLING, true);
        o->setOption1i(hox::OPTION_SAMPLING_RATE, m_setup.samplingRate);
        o->setOption1i(hox::OPTION_MAX_PROGRESSIVE_SAMPLING_RATE, m_setup.maxRate);
        o->setOption1i(hox::OPTION_TRACE_DEPTH, choices.traceDepth);
        o->setOption1b(hox::OPTION_TRANSMISSION, choices.shadows);
        o->setOption1b(hox::OPTION_OCCLUSION, choices.occlusion);
        o->setOption1b(hox::OPTION_GLOBAL_ILLUMINATION, choices.illumination);
        m_options.endEdit();
    }
    if (hox::DeviceSettings* s = m_settings.beginEdit()) {
        s->setSetting1i(hox::DEVICE_THREAD_COUNT, choices.threads);
        m_settings.endEdit();
    }
}

int ViewSession::submit() {
    // The device would block in frame until the pending one is synced.
    if (m_syncPending) return hox::RESULT_FAILED;
    const int status = m_device->frame(m_frameDef, true);
    if (status == hox::RESULT_OK) m_syncPending = true;
    return status;
}

int ViewSession::waitOlder(int timeoutMsecs) {
    if (!m_syncPending) return hox::RESULT_OK;
    // With two frames in flight this waits for the older and swaps it; with
    // one (the very first) it returns at once and the frame keeps rendering.
    const int status = m_device->sync(timeoutMsecs, false);
    if (status == hox::RESULT_OK) m_syncPending = false;
    return status;
}

void ViewSession::drain() {
    const int status = m_device->sync(60 * 1000, true);
    if (status != hox::RESULT_OK) m_device->abort();
    m_syncPending = false;
}

void ViewSession::swap(const hox::SwapInfo* info) {
    if (!info || info->format != hox::FRAMEBUFFER_FORMAT_RGBA8 || !info->pixels || info->width < 1 ||
        info->height < 1)
        return;
    m_image.width = info->width;
    m_image.height = info->height;
    const size_t bytes = 4 * static_cast<size_t>(info->width) * static_cast<size_t>(info->height);
    m_image.rgba.resize(bytes);
    // The pixels are the device's only for the duration of this call.
    std::memcpy(m_image.rgba.data(), info->pixels, bytes);
    m_image.frameNumber = info->frameNumber;
    m_image.sampleDensity = info->sampleDensity;
    m_image.isStatic = info->isStatic != 0;
    ++m_image.swaps;
    m_fresh = true;
}

}  // namespace hox_view
