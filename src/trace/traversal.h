// Nearest-hit traversal of a compiled scene: the top level walks the 4-wide
// tree of instances, each entered instance carries the ray into its mesh's
// coordinates and walks the mesh's 4-wide tree down to the leaf test.
#pragma once

#include "trace/compiled_mesh.h"
#include "trace/compiled_scene.h"
#include "trace/instance.h"
#include "trace/ray.h"

namespace hox {
namespace trace {

// Finds the nearest hit of a world ray (set up by initRay). True when
// something was hit; the ray's hit fields are then filled and tMax is the
// distance to the hit in tracing space. A miss leaves the ray as it was.
bool traceScene(const CompiledScene& scene, Ray& ray);

// One instance against a world ray: true when the instance holds a hit
// nearer than the ray's current tMax, which the ray then records.
bool traceInstance(const Instance& instance, Ray& ray);

// The mesh's 4-wide tree against an object-space ray; leaves update the
// ray's hit fields and tMax.
bool traceMesh(const CompiledMesh& mesh, Ray& ray);

}  // namespace trace
}  // namespace hox
