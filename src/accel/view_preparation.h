// View preparation: turning one render view of a frame into a PreparedView.
#pragma once

#include "accel/prepared_view.h"
#include "hox/handle.h"
#include "scene/object_table.h"

namespace hox {
namespace accel {

// Resolves the render view named by `renderView` into `view`: the view's
// records (camera, framebuffer, environment shader, options) and what its
// scene graph contributes. `view` is cleared first, so a failed preparation
// never leaves pointers to records of an earlier frame behind.
//
// Returns 0; 4096 when the handle names no render view; -1 when the view has
// no valid camera or no valid framebuffer. No references are taken here: the
// frame slot takes them for all views at once.
//
// `frameNumber` is the frame being prepared; the scene walk compares it with
// the geometry edit stamps.
int prepareView(PreparedView& view, const scene::ObjectTable& table, const HandleBase& renderView,
                int frameNumber);

}  // namespace accel
}  // namespace hox
