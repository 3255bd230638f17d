// Compiling one geometry into the hierarchy its instances are traced with.
#pragma once

#include "scene/geometry_record.h"
#include "trace/compiled_mesh.h"

namespace hox {
namespace accel {

// Rebuilds `mesh` from the geometry's triangles, in its normalised
// coordinates: a binary BVH with leaves of at most rt_bvhLeafCutoff
// triangles, one MeshLeaf record and its triangle packets per leaf (the
// leaves' `index` then holds the record number), and the 4-wide form of the
// tree. A mesh whose whole tree is one leaf gets no 4-wide nodes; its
// instances test that leaf directly.
//
// The geometry must be prepared (normalised coordinates and face normals
// derived). False, with every array of the mesh empty, when it has no
// triangles, when its arrays do not match its counts or an index lies
// outside its vertices, or when memory is short.
bool compileMesh(trace::CompiledMesh& mesh, const scene::GeometryRecord& geometry);

}  // namespace accel
}  // namespace hox
