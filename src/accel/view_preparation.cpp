#include "accel/view_preparation.h"

#include "accel/resolve_record.h"
#include "accel/scene_walk.h"
#include "accel/view_finish.h"
#include "hox/status.h"

namespace hox {
namespace accel {

int prepareView(PreparedView& view, const scene::ObjectTable& table, const HandleBase& renderView,
                int frameNumber) {
    view.clearRecords();
    view.renderViewHandle = renderView.getValue();

    scene::RenderViewRecord* record =
        resolveRecord<scene::RenderViewRecord>(table, renderView.getValue());
    if (!record) return RESULT_INVALID_HANDLE;

    scene::CameraRecord* camera = resolveRecord<scene::CameraRecord>(table, record->camera);
    scene::FramebufferRecord* framebuffer =
        resolveRecord<scene::FramebufferRecord>(table, record->framebuffer);
    if (!camera || !framebuffer) return RESULT_FAILED;

    view.renderView = record;
    view.camera = camera;
    view.framebuffer = framebuffer;
    // Both are optional: a view without an environment shader leaves escaping
    // rays black, one without options uses the built-in set.
    view.environmentShader = resolveRecord<scene::ShaderRecord>(table, record->environmentShader);
    view.options = resolveRecord<scene::RenderOptionsRecord>(table, record->renderOptions);

    // A view whose root names no live group renders an empty scene, as does
    // a graph whose branches lead nowhere: dead handles in the graph are the
    // host's to clean up and do not make the view invalid (the frame would
    // otherwise fail as a whole for one stale child).
    walkScene(view, table, resolveRecord<scene::GroupRecord>(table, record->sceneRoot));
    finishView(view, table);
    (void)frameNumber;
    return RESULT_OK;
}

}  // namespace accel
}  // namespace hox
