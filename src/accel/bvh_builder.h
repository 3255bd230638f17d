// Top-down builder of the binary BVH over a list of primitive boxes.
//
// Every node above the leaf cutoff is split: binned SAH first, then the
// spatial median on the longest and the second-longest axis of the node's
// region, then halving the primitive count, which always succeeds. Children
// are allocated as adjacent pairs and built depth-first, left first, so the
// root is node 0 and each inner node's children sit at index and index + 1.
//
// Depth bound: the ray kernels walk the collapsed tree with a fixed
// 128-entry stack, so the tree depth must be bounded by construction. A node
// at depth d with n primitives is split by count halving only, once
// d + ceil(log2 n) reaches 63. Halving lowers ceil(log2 n) by exactly one
// per level, so no leaf ends up deeper than 63 (the last slot of the depth
// histogram) whatever the input; ordinary inputs never come near the limit.
//
// Single-threaded; a builder may be reused, each build overwrites its
// statistics.
#pragma once

#include <cstdint>

#include "accel/bvh_build_stats.h"
#include "accel/bvh_build_task.h"
#include "accel/bvh_splits.h"
#include "trace/aligned_array.h"
#include "trace/bvh_nodes.h"

namespace hox {
namespace accel {

// The deepest a leaf can be (see the depth bound above).
constexpr int kMaxBvhLeafDepth = kDepthSlots - 1;

class BvhBuilder {
public:
    // Builds into `nodes` (emptied first) over prims[0 .. primCount-1],
    // permuting `indices` (primCount entries) so that each leaf covers a
    // contiguous run of it. sceneMin/sceneMax bound all primitives; when
    // either is null the union of the primitive boxes is used. leafCutoff is
    // clamped to [1, 65535] (a leaf's count is 16 bits).
    //
    // Returns false, with `nodes` left empty, when the node array cannot be
    // reserved or grown, or when primCount > 0 comes without prims or
    // indices. On success finalises the statistics and prints them when
    // rt_bvhPrintBuildStats is at least 1 and below primCount.
    bool build(trace::AlignedArray<trace::BvhNode>& nodes, const trace::PrimBounds* prims, int32_t* indices,
               int primCount, const float sceneMin[3], const float sceneMax[3], int leafCutoff);

    const BvhBuildStats& stats() const { return m_stats; }

private:
    void buildNode(const BvhBuildTask& task);
    int split(const BvhBuildTask& task, BvhBuildTask& left, BvhBuildTask& right);
    bool appendChildPair(int32_t& firstChild);
    void writeLeaf(const BvhBuildTask& task);
    void orientInnerNode(int32_t nodeIndex);

    trace::AlignedArray<trace::BvhNode>* m_nodes = nullptr;
    SplitInput m_input = {nullptr, nullptr};
    SahSettings m_sah = {16, true, 0.9};
    int m_leafCutoff = 1;
    int m_maxNodes = 1;           // 2n - 1: no binary tree over n primitives needs more
    bool m_outOfMemory = false;
    BvhBuildStats m_stats;
};

}  // namespace accel
}  // namespace hox
