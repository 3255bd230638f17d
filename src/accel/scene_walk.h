// The scene walk of view preparation: flattening a view's scene graph into
// the prepared view's object and light lists.
#pragma once

#include "accel/prepared_view.h"
#include "scene/entity_records.h"
#include "scene/object_table.h"

namespace hox {
namespace accel {

// Walks the graph below `root` (null: an empty scene) into `view`, which
// must have been cleared: the object list, the light list, the light-set
// table (set 0 = every light record number 0 … L-1, L = the table's light
// slot count), the used-shader marks (one per shader slot) and the scene
// bounds. Entering an entity (group, object or light) composes its world
// matrix (its own transform applied first, then its parent's world matrix),
// inherits its render attributes and puts its shader, when it has a loaded
// one of kind 0, 1 or 2, in force for itself and everything below it.
//
// What the graph may get wrong is skipped, never fatal:
// - a child handle that names no live record ends that branch only; the
//   walk goes on with the next child, and the view still renders;
// - a group that is already being walked further up the same path (the
//   graph loops back on itself) is not entered again, so a cycle renders
//   once instead of forever;
// - children of other classes (cameras) are ignored;
// - an object or light whose world placement is not finite (a NaN or
//   infinite transform or coordinates) is left out, since no box or
//   position could hold it.
// The walk keeps its own stack in memory rather than recursing, so however
// deep the host nests groups it cannot overflow the thread's stack. When
// memory runs short the affected entity or subtree is left out.
//
// Geometry records that are not ready are prepared here (on the host's
// thread, before the frame takes its references).
void walkScene(PreparedView& view, const scene::ObjectTable& table, const scene::GroupRecord* root);

}  // namespace accel
}  // namespace hox
