#include "accel/bvh_builder.h"

#include <cmath>

#include "util/cvars.h"

namespace hox {
namespace accel {
namespace {

constexpr int kMaxLeafCutoff = 0xFFFF;

// ceil(log2 n) for n >= 1: the levels count halving needs to bring n
// primitives down to single ones.
int ceilLog2(int n) {
    int levels = 0;
    while (levels < 31 && (1 << levels) < n) ++levels;
    return levels;
}

BuildBox centroidBoundsOf(const trace::PrimBounds* prims, int count) {
    BuildBox box = BuildBox::empty();
    for (int i = 0; i < count; ++i) box.growPoint(centroidOf(prims[i]));
    return box;
}

BuildBox unionOf(const trace::PrimBounds* prims, int count) {
    BuildBox box = BuildBox::empty();
    for (int i = 0; i < count; ++i) box.grow(loadMin(prims[i]), loadMax(prims[i]));
    return box;
}

float centre(const trace::BvhNode& node, int axis) { return (node.boundsMin[axis] + node.boundsMax[axis]) * 0.5f; }

}  // namespace

bool BvhBuilder::build(trace::AlignedArray<trace::BvhNode>& nodes, const trace::PrimBounds* prims,
                       int32_t* indices, int primCount, const float sceneMin[3], const float sceneMax[3],
                       int leafCutoff) {
    m_stats = BvhBuildStats{};
    m_stats.startTime = buildClockMilliseconds();
    nodes.count = 0;
    if (primCount < 0) primCount = 0;
    if (primCount > 0 && (!prims || !indices)) return false;
    if (!nodes.reserve(primCount) || nodes.capacity < primCount) return false;

    m_nodes = &nodes;
    m_input = SplitInput{prims, indices};
    m_leafCutoff = leafCutoff < 1 ? 1 : (leafCutoff > kMaxLeafCutoff ? kMaxLeafCutoff : leafCutoff);
    const long long treeNodes = primCount > 0 ? 2LL * primCount - 1 : 1;
    m_maxNodes = static_cast<int>(treeNodes < 0x7FFFFFFF ? treeNodes : 0x7FFFFFFF);
    m_sah = SahSettings{util::rt_bvhNumBins.get(), util::rt_bvhUseCentroids.get(),
                        static_cast<double>(util::rt_bvhBadSplitThreshold.get())};
    m_outOfMemory = false;

    BvhBuildTask root;
    root.centroidBounds = centroidBoundsOf(prims, primCount);
    root.bounds = sceneMin && sceneMax ? BuildBox::fromFloats(sceneMin, sceneMax) : unionOf(prims, primCount);
    root.splitBox = root.bounds;
    root.nodeIndex = 0;
    root.first = 0;
    root.last = primCount - 1;
    root.depth = 0;

    if (!nodes.reserve(1)) return false;
    nodes.count = 1;
    buildNode(root);

    finaliseBuildStats(m_stats);
    m_nodes = nullptr;
    if (m_outOfMemory) {
        // A half-built tree has inner nodes whose children were never
        // written; hand back nothing rather than something that walks into
        // garbage.
        nodes.release();
        return false;
    }
    int printAbove = util::rt_bvhPrintBuildStats.get();
    if (printAbove >= 1 && primCount > printAbove) printBuildStats(m_stats);
    return true;
}

void BvhBuilder::buildNode(const BvhBuildTask& task) {
    BvhBuildTask left, right;
    const int n = task.primCount();
    if (n <= m_leafCutoff) {
        writeLeaf(task);
        return;
    }
    const int splitAxis = split(task, left, right);

    int32_t firstChild = 0;
    if (!appendChildPair(firstChild)) {
        m_outOfMemory = true;
        return;
    }
    trace::BvhNode& node = m_nodes->data[task.nodeIndex];
    task.bounds.store(node.boundsMin, node.boundsMax);
    node.index = static_cast<uint32_t>(firstChild);
    node.primCount = 0;
    node.axis = static_cast<uint8_t>(splitAxis);
    node.flip = 0;
    m_stats.innerNodes += 1;

    left.nodeIndex = firstChild;
    right.nodeIndex = firstChild + 1;
    left.depth = right.depth = task.depth + 1;
    buildNode(left);
    if (m_outOfMemory) return;
    buildNode(right);
    if (m_outOfMemory) return;
    orientInnerNode(task.nodeIndex);
}

// Picks and applies the split of a node above the leaf cutoff; returns the
// split axis. Never fails: count halving is the last resort.
int BvhBuilder::split(const BvhBuildTask& task, BvhBuildTask& left, BvhBuildTask& right) {
    int a1 = 0, a2 = 0;
    if (task.depth + ceilLog2(task.primCount()) >= kMaxBvhLeafDepth) {
        // Close to the depth bound: only halving guarantees the rest of the
        // subtree fits.
        chooseMedianAxes(task.splitBox, a1, a2);
        countHalvingSplit(m_input, task, left, right);
        return a1;
    }
    int axis = binnedSahSplit(m_input, task, m_sah, m_stats, left, right);
    if (axis >= 0) return axis;
    chooseMedianAxes(task.splitBox, a1, a2);
    if (spatialMedianSplit(m_input, task, a1, kSpatialMedianTries, m_stats, left, right)) return a1;
    if (spatialMedianSplit(m_input, task, a2, kSpatialMedianTries, m_stats, left, right)) return a2;
    countHalvingSplit(m_input, task, left, right);
    return a1;
}

// Appends the two child slots of an inner node. The array is grown
// geometrically (capped at the 2n - 1 nodes a tree can need) rather than in
// growBy steps: callers reserve n nodes up front and a small growBy would
// make every build that needs more nodes than that quadratic in copying.
bool BvhBuilder::appendChildPair(int32_t& firstChild) {
    trace::AlignedArray<trace::BvhNode>& nodes = *m_nodes;
    const int needed = nodes.count + 2;
    if (needed > nodes.capacity) {
        long long wanted = static_cast<long long>(nodes.capacity) + nodes.capacity / 2;
        if (wanted > m_maxNodes) wanted = m_maxNodes;
        if (wanted < needed) wanted = needed;
        if (!nodes.reserve(static_cast<int>(wanted)) && !nodes.reserve(needed)) return false;
    }
    firstChild = nodes.count;
    nodes.count = needed;
    return true;
}

void BvhBuilder::writeLeaf(const BvhBuildTask& task) {
    const int n = task.primCount();
    trace::BvhNode& node = m_nodes->data[task.nodeIndex];
    task.bounds.store(node.boundsMin, node.boundsMax);
    node.index = static_cast<uint32_t>(task.first);
    node.primCount = static_cast<uint16_t>(n);
    node.axis = 0;
    node.flip = 0;
    recordLeaf(m_stats, n, task.depth);
}

// Replaces the split axis with the axis along which the two children's box
// centres lie farthest apart, and records which child is nearer the low
// end of it; the 4-wide collapse orders its lanes by these.
void BvhBuilder::orientInnerNode(int32_t nodeIndex) {
    trace::BvhNode& node = m_nodes->data[nodeIndex];
    const trace::BvhNode& first = m_nodes->data[node.index];
    const trace::BvhNode& second = m_nodes->data[node.index + 1];
    float apart[3];
    for (int a = 0; a < 3; ++a) apart[a] = std::fabs(centre(second, a) - centre(first, a));
    int axis = 0;
    if (apart[1] > apart[0] && apart[1] > apart[2]) {
        axis = 1;
    } else if (apart[2] > apart[0] && apart[2] > apart[1]) {
        axis = 2;
    }
    node.axis = static_cast<uint8_t>(axis);
    node.flip = centre(second, axis) < centre(first, axis) ? 1 : 0;
}

}  // namespace accel
}  // namespace hox
