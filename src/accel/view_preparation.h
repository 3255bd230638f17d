// View preparation: turning one render view of a frame into a PreparedView.
#pragma once

#include "accel/prepared_view.h"
#include "hox/handle.h"
#include "scene/object_table.h"

namespace hox {
namespace accel {

// Resolves the render view named by `renderView` into `view`: the view's
// records (camera, framebuffer, environment shader, options), then walks its
// scene graph (accel/scene_walk.h) and finishes the view (light-set lists,
// tracing space, record lists; accel/view_finish.h). `view` is cleared
// first, so a failed preparation never leaves pointers to records of an
// earlier frame behind.
//
// Returns 0; 4096 when the handle names no render view; -1 when the view has
// no valid camera or no valid framebuffer. Flaws inside the scene graph
// (dead children, loops, a missing root) never fail the view: the walk
// skips them and the view renders what remains. No references are taken
// here: the frame slot takes them for all views at once.
//
// `frameNumber` is the frame being prepared. Edited geometry needs no
// comparison with it: an edit makes a new record version without a compiled
// mesh, which the compile then builds.
int prepareView(PreparedView& view, const scene::ObjectTable& table, const HandleBase& renderView,
                int frameNumber);

}  // namespace accel
}  // namespace hox
