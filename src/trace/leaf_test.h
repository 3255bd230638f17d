// The four-triangle leaf test: one ray against a mesh leaf's packets.
#pragma once

#include "trace/compiled_mesh.h"
#include "trace/ray.h"

namespace hox {
namespace trace {

// Tests every packet of the leaf against the ray (origin and direction in
// the mesh's coordinates). True when some triangle was hit strictly nearer
// than the ray's tMax and beyond the lower bound (the ray's tMin on its
// origin instance, 0 elsewhere); the ray's hit fields, tMax and the four
// lanes of its broadcast tMax then describe the nearest such hit. Both
// sides of a triangle count; a hit on an edge counts.
bool testLeaf(const MeshLeaf& leaf, Ray& ray);

}  // namespace trace
}  // namespace hox
