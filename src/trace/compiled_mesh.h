// CompiledMesh: the hierarchy over one geometry's triangles, built once and
// shared by every object (in every view) that uses the geometry. It lives in
// the geometry's normalised coordinates and hangs off the geometry record as
// its acceleration data.
#pragma once

#include <cstdint>

#include "scene/acceleration_data.h"
#include "trace/aligned_array.h"
#include "trace/bvh_nodes.h"
#include "trace/triangle_packet.h"

namespace hox {
namespace scene {
class GeometryRecord;
}

namespace trace {

// One leaf of the mesh hierarchy: a run of triangles and their packets.
struct MeshLeaf {
    const scene::GeometryRecord* geometry;
    const int32_t* triangles;        // first entry of the leaf in the triangle index array
    const TrianglePacket* packets;   // first packet of the leaf
    int32_t triangleCount;
    int32_t packetCount;             // ceil(triangleCount / 4)
};

class CompiledMesh : public scene::AccelerationData {
public:
    explicit CompiledMesh(const scene::GeometryRecord* geometry) : geometry(geometry) {}

    // Points the plain pointers at the arrays (null for an empty array);
    // call after every change of the arrays.
    void updateViews() {
        nodeData = nodes.count ? nodes.data : nullptr;
        node4Data = nodes4.count ? nodes4.data : nullptr;
        leafData = leaves.count ? leaves.data : nullptr;
    }

    const scene::GeometryRecord* geometry;
    AlignedArray<BvhNode> nodes;
    AlignedArray<Bvh4Node> nodes4;
    AlignedArray<TrianglePacket> packets;
    AlignedArray<int32_t> triangleIndices;  // permuted by the build
    AlignedArray<MeshLeaf> leaves;

    // What the kernels read, as one unit.
    const BvhNode* nodeData = nullptr;
    const Bvh4Node* node4Data = nullptr;
    const MeshLeaf* leafData = nullptr;
};

}  // namespace trace
}  // namespace hox
