// The finish of view preparation: what is derived once the scene walk has
// met every object and light.
#pragma once

#include "accel/prepared_view.h"
#include "scene/object_table.h"

namespace hox {
namespace accel {

// Completes a walked view:
// - each light set's light list and lightEntryByRecord (accel/light_sets.h);
// - the tracing space: world offset = -(centre of the scene bounds), world
//   scale = 2 / (longest side), so the scene lands centred on the origin
//   with its longest side 2; a scene without extent (no objects, a single
//   point, or a side too large for the scale to be a usable float) keeps
//   scale 1; the inverse scale and the negated offset (the centre) go
//   alongside;
// - the record lists the frame takes its references on: every distinct
//   geometry of the object list; every shader the view uses (marked by the
//   walk) together with the shaders their shader references reach, and
//   those the environment shader's references reach (the environment
//   shader itself is held through its own field); and every distinct
//   texture all those references name. Gathering the references also points the shaders' reference
//   members at the objects they name now, which is due once per frame
//   before rendering.
// When memory runs short a list may come out incomplete; nothing is read
// out of bounds.
void finishView(PreparedView& view, const scene::ObjectTable& table);

}  // namespace accel
}  // namespace hox
