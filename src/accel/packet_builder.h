// Precomputing the triangles of a mesh leaf for the four-wide leaf test.
#pragma once

#include "scene/geometry_record.h"
#include "trace/compiled_mesh.h"
#include "trace/triangle_packet.h"

namespace hox {
namespace accel {

// Fills ceil(leaf.triangleCount / 4) packets at `packets` from the leaf's
// run of the triangle index array (leaf.triangles) and the geometry's
// indices, normalised coordinates and face normals, and sets
// leaf.packetCount. Triangle k of the leaf goes to packet k / 4, lane k % 4;
// lanes past the last triangle are fillers that no ray can hit. A triangle
// that cannot be hit (zero-length edge, an index outside the geometry's
// arrays) gets a lane that no ray hits either.
void buildLeafPackets(trace::MeshLeaf& leaf, trace::TrianglePacket* packets,
                      const scene::GeometryRecord& geometry);

}  // namespace accel
}  // namespace hox
