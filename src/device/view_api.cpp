// RenderView, FrameDef and Framebuffer: the frame description.
#include "device/public_object.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/render_view.h"
#include "hox/status.h"
#include "scene/handle_list.h"
#include "scene/view_records.h"

namespace hox {

namespace {

// One setter/getter pair of RenderView per stored handle.
template <typename T>
void setViewHandle(RenderView* view, uint32_t scene::RenderViewRecord::*field, const THandle<T>& handle) {
    if (scene::RenderViewRecord* r = device::recordOf<scene::RenderViewRecord>(view)) r->*field = handle.getValue();
}

template <typename T>
const THandle<T>& getViewHandle(const RenderView* view, uint32_t scene::RenderViewRecord::*field) {
    const scene::RenderViewRecord* r = device::recordOf<scene::RenderViewRecord>(view);
    return r ? device::storedHandle<T>(r->*field) : device::nullHandle<T>();
}

}  // namespace

void RenderView::setSceneRoot(const THandle<Group>& root) {
    setViewHandle(this, &scene::RenderViewRecord::sceneRoot, root);
}
const THandle<Group>& RenderView::getSceneRoot() const {
    return getViewHandle<Group>(this, &scene::RenderViewRecord::sceneRoot);
}
void RenderView::setCamera(const THandle<Camera>& camera) {
    setViewHandle(this, &scene::RenderViewRecord::camera, camera);
}
const THandle<Camera>& RenderView::getCamera() const {
    return getViewHandle<Camera>(this, &scene::RenderViewRecord::camera);
}
void RenderView::setFramebuffer(const THandle<Framebuffer>& framebuffer) {
    setViewHandle(this, &scene::RenderViewRecord::framebuffer, framebuffer);
}
const THandle<Framebuffer>& RenderView::getFramebuffer() const {
    return getViewHandle<Framebuffer>(this, &scene::RenderViewRecord::framebuffer);
}
void RenderView::setEnvironmentShader(const THandle<Shader>& shader) {
    setViewHandle(this, &scene::RenderViewRecord::environmentShader, shader);
}
const THandle<Shader>& RenderView::getEnvironmentShader() const {
    return getViewHandle<Shader>(this, &scene::RenderViewRecord::environmentShader);
}
void RenderView::setRenderOptions(const THandle<RenderOptions>& options) {
    setViewHandle(this, &scene::RenderViewRecord::renderOptions, options);
}
const THandle<RenderOptions>& RenderView::getRenderOptions() const {
    return getViewHandle<RenderOptions>(this, &scene::RenderViewRecord::renderOptions);
}

int FrameDef::setDeviceSettings(const THandle<DeviceSettings>& settings) {
    if (scene::FrameDefRecord* r = device::recordOf<scene::FrameDefRecord>(this))
        r->deviceSettings = settings.getValue();
    return RESULT_OK;
}

int FrameDef::addRenderView(const THandle<RenderView>& view) {
    scene::FrameDefRecord* r = device::recordOf<scene::FrameDefRecord>(this);
    if (!r || !r->renderViews.push(view.getValue())) return RESULT_FAILED;
    return r->renderViews.count() - 1;
}

int FrameDef::removeRenderView(const THandle<RenderView>& view) {
    scene::FrameDefRecord* r = device::recordOf<scene::FrameDefRecord>(this);
    return r && scene::removeHandle(r->renderViews, view.getValue()) ? RESULT_OK : RESULT_INVALID_HANDLE;
}

int FrameDef::getNumRenderViews() const {
    const scene::FrameDefRecord* r = device::recordOf<scene::FrameDefRecord>(this);
    return r ? r->renderViews.count() : 0;
}

THandle<RenderView> FrameDef::getRenderView(int index) const {
    const scene::FrameDefRecord* r = device::recordOf<scene::FrameDefRecord>(this);
    const uint32_t nullView = scene::nullHandleValue(CLASS_TYPE_RENDER_VIEW);
    THandle<RenderView> view;
    static_cast<HandleBase&>(view) =
        HandleBase::fromValue(r ? scene::handleAt(r->renderViews, index, nullView) : nullView);
    return view;
}

int FrameDef::setRenderView(int index, const THandle<RenderView>& view) {
    scene::FrameDefRecord* r = device::recordOf<scene::FrameDefRecord>(this);
    return r && scene::setHandleAt(r->renderViews, index, view.getValue()) ? RESULT_OK : RESULT_FAILED;
}

int FrameDef::replaceRenderView(const THandle<RenderView>& oldView, const THandle<RenderView>& newView) {
    scene::FrameDefRecord* r = device::recordOf<scene::FrameDefRecord>(this);
    return r && scene::replaceHandle(r->renderViews, oldView.getValue(), newView.getValue()) ? RESULT_OK
                                                                                            : RESULT_FAILED;
}

int FrameDef::findRenderView(const THandle<RenderView>& view) const {
    const scene::FrameDefRecord* r = device::recordOf<scene::FrameDefRecord>(this);
    return r ? scene::findHandle(r->renderViews, view.getValue()) : -1;
}

void FrameDef::removeAllRenderViews() {
    if (scene::FrameDefRecord* r = device::recordOf<scene::FrameDefRecord>(this)) r->renderViews.clear();
}

void Framebuffer::setFormat(EFramebufferFormat format) {
    if (scene::FramebufferRecord* r = device::recordOf<scene::FramebufferRecord>(this)) r->format = format;
}

EFramebufferFormat Framebuffer::getFormat() const {
    const scene::FramebufferRecord* r = device::recordOf<scene::FramebufferRecord>(this);
    return static_cast<EFramebufferFormat>(r ? r->format : FRAMEBUFFER_FORMAT_RGBA32F);
}

void Framebuffer::setSwapCallback(IFramebufferCallback* callback) {
    if (scene::FramebufferRecord* r = device::recordOf<scene::FramebufferRecord>(this)) r->swapCallback = callback;
}

IFramebufferCallback* Framebuffer::getSwapCallback() const {
    const scene::FramebufferRecord* r = device::recordOf<scene::FramebufferRecord>(this);
    return r ? r->swapCallback : nullptr;
}

}  // namespace hox
