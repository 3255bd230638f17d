#include "accel/view_preparation.h"

#include "hox/status.h"

namespace hox {
namespace accel {

namespace {

// The current version of the object a stored handle word names, when it is
// of class R; a handle of another class, a null or a stale one gives null.
template <typename R>
R* resolve(const scene::ObjectTable& table, uint32_t handleWord) {
    const HandleBase handle = HandleBase::fromValue(handleWord);
    if (!handle.isOfType(static_cast<EClassType>(R::kClassType)) || handle.isNull()) return nullptr;
    return scene::recordAs<R>(table.lookup(handle));
}

}  // namespace

int prepareView(PreparedView& view, const scene::ObjectTable& table, const HandleBase& renderView,
                int frameNumber) {
    view.clearRecords();
    view.renderViewHandle = renderView.getValue();

    scene::RenderViewRecord* record = resolve<scene::RenderViewRecord>(table, renderView.getValue());
    if (!record) return RESULT_INVALID_HANDLE;

    scene::CameraRecord* camera = resolve<scene::CameraRecord>(table, record->camera);
    scene::FramebufferRecord* framebuffer =
        resolve<scene::FramebufferRecord>(table, record->framebuffer);
    if (!camera || !framebuffer) return RESULT_FAILED;

    view.renderView = record;
    view.camera = camera;
    view.framebuffer = framebuffer;
    // Both are optional: a view without an environment shader leaves escaping
    // rays black, one without options uses the built-in set.
    view.environmentShader = resolve<scene::ShaderRecord>(table, record->environmentShader);
    view.options = resolve<scene::RenderOptionsRecord>(table, record->renderOptions);

    // The scene graph below record->sceneRoot is walked by the scene
    // compilation of the acceleration work; until it is, a view renders no
    // geometry and its scene bounds stay empty.
    (void)frameNumber;
    return RESULT_OK;
}

}  // namespace accel
}  // namespace hox
