// Compiling a prepared view into the two-level hierarchy the kernels walk.
#pragma once

#include "accel/prepared_view.h"
#include "trace/compiled_scene.h"

namespace hox {
namespace accel {

// Rebuilds `scene` in place from `view` (the arrays keep their blocks from
// frame to frame): one instance per object, numbered in the order of the
// top-level tree's leaves, over meshes compiled on first use and shared
// through their geometry records; a binary top-level BVH with one object per
// leaf; and its 4-wide form. The references the previous contents held on
// meshes are dropped first.
//
// A view with no objects (or a top-level build that runs out of memory)
// compiles to the empty scene: a root whose box and lanes no ray can enter
// and no instances. One object gives a single 4-wide node with the object in
// lane 0.
//
// Runs on the frame driver's thread; it may prepare geometry records and
// attach their meshes, which nothing else touches while frames are compiled.
void compileScene(trace::CompiledScene& scene, const PreparedView& view);

}  // namespace accel
}  // namespace hox
