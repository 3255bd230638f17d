#include "accel/mesh_compile.h"

#include "accel/bvh_builder.h"
#include "accel/bvh_collapse.h"
#include "accel/packet_builder.h"
#include "util/cvars.h"

namespace hox {
namespace accel {
namespace {

using trace::AlignedArray;
using trace::BvhNode;
using trace::CompiledMesh;
using trace::MeshLeaf;
using trace::PrimBounds;

// A leaf's primitive count is a u16 and the variable's range is 1 to 64;
// clamping keeps a value set around the range checks from breaking either.
constexpr int kMaxLeafCutoff = 64;

int packetsFor(int triangles) { return (triangles + 3) / 4; }

void clearMesh(CompiledMesh& mesh) {
    mesh.nodes.release();
    mesh.nodes4.release();
    mesh.packets.release();
    mesh.triangleIndices.release();
    mesh.leaves.release();
    mesh.updateViews();
}

// Meshes live as long as their geometry and there may be many of them, so
// their arrays keep no spare room (an empty one keeps no block at all).
template <typename T>
void shrinkExactly(AlignedArray<T>& array) {
    if (array.count == 0)
        array.release();
    else
        array.shrinkToFit(array.count);
}

// Everything the build and the packet builder will index must be there:
// a record whose arrays disagree with its counts (memory ran out while it
// was copied, or it was never prepared) is refused rather than read out of
// bounds.
bool geometryUsable(const scene::GeometryRecord& g) {
    const uint32_t derived = scene::GEOMETRY_NORMALISED | scene::GEOMETRY_FACE_NORMALS;
    if ((g.state & derived) != derived) return false;
    if (g.primitiveCount <= 0 || g.vertexCount <= 0) return false;
    if (g.indices.count() < 3 * g.primitiveCount || g.normalisedCoords.count() < g.vertexCount ||
        g.faceNormals.count() < g.primitiveCount)
        return false;
    const int indexCount = 3 * g.primitiveCount;
    for (int i = 0; i < indexCount; ++i)
        if (g.indices[i] < 0 || g.indices[i] >= g.vertexCount) return false;
    return true;
}

void includePoint(float lo[3], float hi[3], const Vec3f& p) {
    const float v[3] = {p.x, p.y, p.z};
    for (int a = 0; a < 3; ++a) {
        if (v[a] < lo[a]) lo[a] = v[a];
        if (v[a] > hi[a]) hi[a] = v[a];
    }
}

// One box per triangle over its normalised vertices; `lo`/`hi` receive the
// union of them all.
void triangleBounds(const scene::GeometryRecord& g, PrimBounds* prims, int32_t* indices,
                    float lo[3], float hi[3]) {
    for (int a = 0; a < 3; ++a) {
        lo[a] = 1e38f;
        hi[a] = -1e38f;
    }
    for (int t = 0; t < g.primitiveCount; ++t) {
        indices[t] = t;
        PrimBounds& box = prims[t];
        float tlo[3] = {1e38f, 1e38f, 1e38f};
        float thi[3] = {-1e38f, -1e38f, -1e38f};
        for (int k = 0; k < 3; ++k) includePoint(tlo, thi, g.normalisedCoords[g.indices[3 * t + k]]);
        for (int a = 0; a < 3; ++a) {
            box.min[a] = tlo[a];
            box.max[a] = thi[a];
            if (tlo[a] < lo[a]) lo[a] = tlo[a];
            if (thi[a] > hi[a]) hi[a] = thi[a];
        }
        box.min[3] = 0.0f;
        box.max[3] = 0.0f;
    }
}

// Sizes the leaf records and packets for the built tree; false when a leaf
// names a run outside the index array or memory is short.
bool sizeLeafArrays(CompiledMesh& mesh, int triangleCount) {
    int leafCount = 0;
    int packetCount = 0;
    for (int i = 0; i < mesh.nodes.count; ++i) {
        const BvhNode& node = mesh.nodes[i];
        if (node.primCount == 0) continue;
        if (node.primCount > triangleCount ||
            node.index > static_cast<uint32_t>(triangleCount - node.primCount))
            return false;
        ++leafCount;
        packetCount += packetsFor(node.primCount);
    }
    return mesh.leaves.resize(leafCount) && mesh.packets.resize(packetCount);
}

// Gives every leaf its record and packets, in node order, and makes the
// leaf's `index` the record number that 4-wide references will carry.
void fillLeaves(CompiledMesh& mesh, const scene::GeometryRecord& geometry) {
    int leafNumber = 0;
    int packetCursor = 0;
    for (int i = 0; i < mesh.nodes.count; ++i) {
        BvhNode& node = mesh.nodes[i];
        if (node.primCount == 0) continue;
        MeshLeaf& leaf = mesh.leaves[leafNumber];
        leaf.geometry = &geometry;
        leaf.triangles = mesh.triangleIndices.data + node.index;
        leaf.packets = mesh.packets.data + packetCursor;
        leaf.triangleCount = node.primCount;
        leaf.packetCount = packetsFor(node.primCount);
        buildLeafPackets(leaf, mesh.packets.data + packetCursor, geometry);
        packetCursor += packetsFor(node.primCount);
        node.index = static_cast<uint32_t>(leafNumber++);
    }
}

bool buildMesh(CompiledMesh& mesh, const scene::GeometryRecord& geometry) {
    if (!geometryUsable(geometry)) return false;
    const int triangleCount = geometry.primitiveCount;

    AlignedArray<PrimBounds> prims;
    if (!mesh.triangleIndices.resize(triangleCount) || !prims.resize(triangleCount)) return false;
    float lo[3], hi[3];
    triangleBounds(geometry, prims.data, mesh.triangleIndices.data, lo, hi);

    int cutoff = util::rt_bvhLeafCutoff.get();
    if (cutoff < 1) cutoff = 1;
    if (cutoff > kMaxLeafCutoff) cutoff = kMaxLeafCutoff;
    BvhBuilder builder;
    if (!builder.build(mesh.nodes, prims.data, mesh.triangleIndices.data, triangleCount, lo, hi,
                       cutoff))
        return false;
    shrinkExactly(mesh.nodes);

    if (!sizeLeafArrays(mesh, triangleCount)) return false;
    fillLeaves(mesh, geometry);

    // Half as many 4-wide nodes as binary ones covers every tree the
    // builder makes, so the collapse appends without growing.
    mesh.nodes4.count = 0;
    if (!mesh.nodes4.reserve(mesh.nodes.count / 2)) return false;
    if (collapseToBvh4(mesh.nodes, mesh.nodes4) == kCollapseFailed) return false;
    shrinkExactly(mesh.nodes4);
    return true;
}

}  // namespace

bool compileMesh(CompiledMesh& mesh, const scene::GeometryRecord& geometry) {
    clearMesh(mesh);
    if (!buildMesh(mesh, geometry)) {
        // Nothing half-built is ever handed to the kernels.
        clearMesh(mesh);
        return false;
    }
    mesh.updateViews();
    return true;
}

}  // namespace accel
}  // namespace hox
