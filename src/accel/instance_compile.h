// Turning one object of a prepared view into the instance the kernels trace.
#pragma once

#include <cstdint>

#include "accel/prepared_view.h"
#include "trace/instance.h"

namespace hox {
namespace accel {

// The object's world box carried into tracing space: the world offset added,
// then the world scale applied, each component in double precision. The
// top-level build and the instance use this one computation so that the
// tree's boxes and the instances' boxes agree to the bit.
void tracingBounds(const ObjectEntry& entry, const PreparedView& view, float lo[3], float hi[3]);

// Fills `instance` (every field is written) for `entry`.
//
// The geometry is prepared if it still lacks derived data, and compiled the
// first time any object uses it: the mesh then hangs off the geometry record,
// which holds one reference, so every object using this version of the
// geometry, in every view, shares it. The instance takes a reference of its
// own on the mesh; the caller drops it with releaseInstance. An object whose
// geometry is missing or cannot be prepared gets no mesh and is never hit.
//
// Transforms: objectToWorld carries the mesh's normalised coordinates into
// tracing space, p_trace = ((p_norm * N^-1) * objectMatrix + offset) * scale;
// singular matrices invert to all zeros. The shader bindings are left empty
// for the shading pipeline.
void compileInstance(trace::Instance& instance, const ObjectEntry& entry, const PreparedView& view,
                     uint32_t instanceNumber);

// Drops the instance's mesh reference (the mesh goes with the last one).
void releaseInstance(trace::Instance& instance);

}  // namespace accel
}  // namespace hox
