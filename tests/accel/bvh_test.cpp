// The binary BVH builder (random trees walked against every structural
// promise, tie-breaking, the depth bound) and the collapse into 4-wide nodes
// (hand-made trees, and the builder's trees walked independently).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "accel/bvh_builder.h"
#include "accel/bvh_collapse.h"
#include "accel_test_support.h"
#include "util/cvars.h"

namespace hox {
namespace accel {
namespace {

using trace::AlignedArray;
using trace::Bvh4Node;
using trace::BvhNode;
using trace::PrimBounds;
using testing::laneEmpty;

PrimBounds box(float x0, float y0, float z0, float x1, float y1, float z1) {
    return PrimBounds{{x0, y0, z0, 0.0f}, {x1, y1, z1, 0.0f}};
}
PrimBounds point(float x, float y, float z) { return box(x, y, z, x, y, z); }

std::vector<PrimBounds> randomBoxes(int count, unsigned seed, float spread = 100.0f) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> pos(-spread, spread), size(0.0f, spread / 20);
    std::vector<PrimBounds> prims;
    for (int i = 0; i < count; ++i) {
        float x = pos(rng), y = pos(rng), z = pos(rng);
        prims.push_back(box(x, y, z, x + size(rng), y + size(rng), z + size(rng)));
    }
    return prims;
}

struct BuiltTree {
    BuiltTree(const std::vector<PrimBounds>& prims, int leafCutoff) : indices(prims.size()) {
        for (size_t i = 0; i < prims.size(); ++i) indices[i] = static_cast<int32_t>(i);
        // No scene box given: the builder takes the union of the primitives.
        ok = builder.build(nodes, prims.data(), indices.data(), static_cast<int>(prims.size()), nullptr, nullptr,
                           leafCutoff);
    }
    // The primitives below node `index`, sorted.
    std::vector<int> primsUnder(int index) const {
        std::vector<int> out, stack{index};
        while (!stack.empty()) {
            const BvhNode& node = nodes[stack.back()];
            stack.pop_back();
            for (uint32_t k = 0; k < node.primCount; ++k) out.push_back(indices[node.index + k]);
            if (node.primCount == 0) stack.insert(stack.end(), {int(node.index), int(node.index) + 1});
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    trace::AlignedArray<BvhNode> nodes{16};
    std::vector<int32_t> indices;
    BvhBuilder builder;
    bool ok = false;
};

bool contains(const BvhNode& outer, const float* lo, const float* hi) {
    for (int a = 0; a < 3; ++a)
        if (lo[a] < outer.boundsMin[a] || hi[a] > outer.boundsMax[a]) return false;
    return true;
}

float centreOf(const BvhNode& node, int axis) { return (node.boundsMin[axis] + node.boundsMax[axis]) * 0.5f; }

// Walks the tree from the root on its own, checking every structural promise
// the kernels and the collapse rely on; returns the deepest leaf's depth.
int checkTree(const BuiltTree& t, const std::vector<PrimBounds>& prims, int leafCutoff) {
    const int n = static_cast<int>(prims.size());
    std::vector<int> seen(n, 0);
    std::vector<std::pair<int, int>> stack{{0, 0}};  // node, depth
    int leaves = 0, deepest = 0;
    while (!stack.empty()) {
        auto [index, depth] = stack.back();
        stack.pop_back();
        const BvhNode& node = t.nodes[index];
        if (node.primCount > 0 || (index == 0 && n <= leafCutoff)) {
            ++leaves;
            deepest = std::max(deepest, depth);
            EXPECT_LE(node.primCount, leafCutoff);
            for (uint32_t k = node.index; k < node.index + node.primCount; ++k) {
                const PrimBounds& p = prims.at(static_cast<size_t>(t.indices.at(k)));
                ++seen[static_cast<size_t>(t.indices[k])];
                EXPECT_TRUE(contains(node, p.min, p.max)) << "leaf " << index;
            }
            continue;
        }
        if (static_cast<int>(node.index) + 1 >= t.nodes.count) {
            ADD_FAILURE() << "children of " << index << " past the end";
            return deepest;
        }
        const BvhNode& a = t.nodes[node.index];
        const BvhNode& b = t.nodes[node.index + 1];
        EXPECT_TRUE(contains(node, a.boundsMin, a.boundsMax) && contains(node, b.boundsMin, b.boundsMax));
        // The split axis is the one the children's centres lie farthest apart
        // on; flip says the second child lies on the lower side.
        float gap[3];
        for (int k = 0; k < 3; ++k) gap[k] = std::fabs(centreOf(b, k) - centreOf(a, k));
        int axis = gap[1] > gap[0] && gap[1] > gap[2] ? 1 : (gap[2] > gap[0] && gap[2] > gap[1] ? 2 : 0);
        EXPECT_EQ(std::make_pair(int(node.axis), int(node.flip)),
                  std::make_pair(axis, centreOf(b, axis) < centreOf(a, axis) ? 1 : 0)) << "node " << index;
        stack.push_back({static_cast<int>(node.index) + 1, depth + 1});
        stack.push_back({static_cast<int>(node.index), depth + 1});
    }
    for (int i = 0; i < n; ++i) EXPECT_EQ(seen[i], 1) << "primitive " << i;
    // Every node reached once: a tree with L leaves has exactly 2L - 1 nodes.
    EXPECT_EQ(t.nodes.count, 2 * leaves - 1);
    EXPECT_EQ(std::make_tuple(t.builder.stats().leaves, t.builder.stats().innerNodes, t.builder.stats().leafPrims),
              std::make_tuple(leaves, leaves - 1, static_cast<uint32_t>(n)));
    return deepest;
}

TEST(BvhBuilder, SmallOrMissingInputAndTheHalvingFallback) {
    BuiltTree one(randomBoxes(4, 7u), 4);  // at most the cutoff: one leaf
    ASSERT_TRUE(one.ok);
    ASSERT_EQ(one.nodes.count, 1);
    EXPECT_EQ(std::make_tuple(one.nodes[0].primCount, one.nodes[0].index, one.builder.stats().maxDepth),
              std::make_tuple(4, 0u, 0));

    float lo[3] = {0, 0, 0}, hi[3] = {1, 1, 1};
    int32_t index = 0;
    EXPECT_FALSE(one.builder.build(one.nodes, nullptr, &index, 1, lo, hi, 4));
    EXPECT_EQ(one.nodes.count, 0);

    // Nested boxes around one centre: SAH fails at every inner node, then 8
    // median tries on each of two axes, then halving.
    std::vector<PrimBounds> nested;
    for (int i = 0; i < 50; ++i) nested.push_back(box(-1.0f - i, -1.0f - i, -1.0f - i, 1.0f + i, 1.0f + i, 1.0f + i));
    BuiltTree t(nested, 4);
    ASSERT_TRUE(t.ok);
    checkTree(t, nested, 4);
    EXPECT_EQ(std::make_pair(t.builder.stats().failedSplits, t.builder.stats().splits),
              std::make_pair(t.builder.stats().innerNodes * 17, 0));
}

// Four primitives at the corners of a unit square in the plane of axes u
// and v, each a unit long along the third: cutting either axis costs the same.
std::vector<PrimBounds> square(int u, int v) {
    std::vector<PrimBounds> prims;
    const float corners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (const auto& corner : corners) {
        float lo[3] = {0, 0, 0}, hi[3] = {1, 1, 1};
        lo[u] = hi[u] = corner[0];
        lo[v] = hi[v] = corner[1];
        prims.push_back(box(lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]));
    }
    return prims;
}

TEST(BvhBuilder, TiesKeepTheLowerAxisAndPlaneAndACentroidOnThePlaneGoesRight) {
    // Point boxes cost nothing, so the first plane with both sides filled
    // wins: plane 1 on x, on which the third point sits exactly.
    const int bins = util::rt_bvhNumBins.get();
    const float planeX = 1.0f / (static_cast<float>(bins) - 1e-6f);
    const struct {
        const char* what;
        std::vector<PrimBounds> prims;
        int leafCutoff;
        std::vector<int> firstChild;
    } cases[] = {
        {"x beats y", square(0, 1), 2, {0, 2}},
        {"y beats z", square(1, 2), 2, {0, 2}},
        {"x beats z", square(0, 2), 2, {0, 2}},
        {"y beats z, listed second", square(2, 1), 2, {0, 1}},
        // {A}|{B,C} and {A,B}|{C} cost the same; the lower plane separates A.
        {"lower plane", {box(0, 0, 0, 0, 1, 1), box(0.5f, 0, 0, 0.5f, 1, 1), box(1, 0, 0, 1, 1, 1)}, 1, {0}},
        {"centroid on the plane", {point(0, 0, 0), point(1, 0, 0), point(planeX, 0, 0)}, 1, {0}},
    };
    for (const auto& c : cases) {
        BuiltTree t(c.prims, c.leafCutoff);
        ASSERT_TRUE(t.ok);
        EXPECT_EQ(t.primsUnder(1), c.firstChild) << c.what;
    }
}

TEST(BvhBuilder, ExponentiallySpacedCentroidsStayWithinTheDepthBound) {
    // Three chains of points at 2^k along x, y and z: each SAH split can only
    // peel a few off the far end of a chain, which alone would nest deeper
    // than 63 levels. The rest is a dense cluster at the origin.
    std::vector<PrimBounds> prims = randomBoxes(100000 - 360, 99u, 0.1f);
    for (int axis = 0; axis < 3; ++axis) {
        for (int k = 0; k < 120; ++k) {
            float p[3] = {0.5f, 0.5f, 0.5f};
            p[axis] = std::ldexp(1.0f, k);
            prims.push_back(point(p[0], p[1], p[2]));
        }
    }
    BuiltTree t(prims, 1);
    ASSERT_TRUE(t.ok);
    EXPECT_LE(checkTree(t, prims, 1), kMaxBvhLeafDepth);
}

// Each leaf gets its own box so that no occupied lane looks empty.
BvhNode makeLeaf(uint32_t id) {
    const float x = static_cast<float>(id);
    return BvhNode{{x, 0, 0}, {x + 1, 1, 1}, id, 1, 0, 0};
}

BvhNode makeInner(uint32_t firstChild, uint8_t axis, uint8_t flip) {
    return BvhNode{{-1, -1, -1}, {99, 1, 1}, firstChild, 0, axis, flip};
}

void load(AlignedArray<BvhNode>& out, const std::vector<BvhNode>& nodes) {
    ASSERT_TRUE(out.resize(static_cast<int>(nodes.size())));
    for (size_t i = 0; i < nodes.size(); ++i) out[static_cast<int>(i)] = nodes[i];
}

TEST(Collapse, LanesRunNearToFarAndRecordTheOpenedSplits) {
    const struct {
        const char* name;
        std::vector<BvhNode> tree;
        std::vector<int32_t> rootChildren;  // child references of the root, by lane
        uint32_t splitAxis[3];
    } cases[] = {
        {"two leaves", {makeInner(1, 2, 0), makeLeaf(0), makeLeaf(1)}, {~0, ~1}, {2, 0, 0}},
        {"two leaves, flipped", {makeInner(1, 1, 1), makeLeaf(0), makeLeaf(1)}, {~1, ~0}, {1, 0, 0}},
        {"two inner children",
         {makeInner(1, 2, 0), makeInner(3, 1, 1), makeInner(5, 0, 0), makeLeaf(0), makeLeaf(1), makeLeaf(2),
          makeLeaf(3)},
         {~1, ~0, ~2, ~3},
         {2, 1, 0}},
        // Leaf beside an inner child whose near child is inner: opened once more.
        {"leaf, then opened once more",
         {makeInner(1, 1, 0), makeLeaf(0), makeInner(3, 2, 0), makeInner(5, 0, 1), makeLeaf(1), makeLeaf(2),
          makeLeaf(3)},
         {~0, ~3, ~2, ~1},
         {1, 0, 2}},
        // Flipped root with the leaf second; the inner grandchild is the far one.
        {"flipped root, leaf last",
         {makeInner(1, 0, 1), makeLeaf(9), makeInner(3, 2, 0), makeLeaf(0), makeInner(5, 1, 0), makeLeaf(1),
          makeLeaf(2)},
         {~0, ~1, ~2, ~9},
         {0, 2, 0}},
        // Deeper than one 4-wide level: lane 0 becomes an inner 4-wide node.
        {"inner lane",
         {makeInner(1, 0, 0), makeInner(3, 0, 0), makeInner(5, 0, 0), makeInner(7, 0, 0), makeLeaf(2), makeLeaf(3),
          makeLeaf(4), makeLeaf(0), makeLeaf(1)},
         {1, ~2, ~3, ~4},
         {0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AlignedArray<BvhNode> binary;
        AlignedArray<Bvh4Node> wide;
        load(binary, c.tree);
        ASSERT_EQ(0, collapseToBvh4(binary, wide));
        const Bvh4Node& root = wide[0];
        const int lanes = static_cast<int>(c.rootChildren.size());
        EXPECT_EQ((1u << lanes) - 1, root.childMask);
        EXPECT_EQ(c.rootChildren, std::vector<int32_t>(root.child, root.child + lanes));
        for (int j = 0; j < 4; ++j) EXPECT_EQ(j >= lanes, laneEmpty(root, j)) << "lane " << j;
        EXPECT_EQ(std::vector<uint32_t>(c.splitAxis, c.splitAxis + 3),
                  std::vector<uint32_t>(root.splitAxis, root.splitAxis + 3));
    }
}

TEST(Collapse, LeafRootMakesNoNodeAndArraysThatAreNotTreesAreRefused) {
    AlignedArray<BvhNode> binary;
    AlignedArray<Bvh4Node> wide;
    load(binary, {makeLeaf(7)});
    EXPECT_EQ(~7, collapseToBvh4(binary, wide));
    EXPECT_EQ(0, wide.count);
    load(binary, {makeInner(1, 0, 0), makeInner(0, 0, 0), makeLeaf(0)});  // points back at the root: a cycle
    EXPECT_EQ(kCollapseFailed, collapseToBvh4(binary, wide));
    EXPECT_EQ(0, wide.count);
    binary[0] = makeInner(2, 0, 0);  // second child would lie past the end
    EXPECT_EQ(kCollapseFailed, collapseToBvh4(binary, wide));
    binary.count = 0;
    EXPECT_EQ(kCollapseFailed, collapseToBvh4(binary, wide));
}

using Box = std::array<float, 6>;  // min xyz, max xyz

// An independent walk: counts visits of every node and leaf, checks each
// lane against the leaf's binary box or the union of the node below, and
// returns the union of the node's lanes.
Box walk(const AlignedArray<Bvh4Node>& wide, int node, const std::vector<Box>& leafBoxes,
         std::vector<int>& nodeVisits, std::vector<int>& leafVisits) {
    Box all = {1e38f, 1e38f, 1e38f, -1e38f, -1e38f, -1e38f};
    const Bvh4Node& n = wide[node];
    ++nodeVisits[node];
    int lanes = 0;
    for (int j = 0; j < 4; ++j) {
        if (!(n.childMask & (1u << j))) {
            EXPECT_TRUE(laneEmpty(n, j));
            continue;
        }
        ++lanes;
        const Box lane = {n.minX[j], n.minY[j], n.minZ[j], n.maxX[j], n.maxY[j], n.maxZ[j]};
        const int32_t ref = n.child[j];
        EXPECT_LT(ref, wide.count);
        if (ref >= 0 && ref < wide.count) {
            EXPECT_EQ(walk(wide, ref, leafBoxes, nodeVisits, leafVisits), lane) << "inner lane " << j;
        } else if (ref < 0 && ~ref < static_cast<int>(leafBoxes.size())) {
            ++leafVisits[~ref];
            EXPECT_EQ(leafBoxes[~ref], lane) << "leaf lane " << j;
        }
        for (int a = 0; a < 3; ++a) {
            all[a] = std::min(all[a], lane[a]);
            all[a + 3] = std::max(all[a + 3], lane[a + 3]);
        }
    }
    EXPECT_GE(lanes, 2);  // filled from lane 0, without gaps
    EXPECT_EQ((1u << lanes) - 1, n.childMask);
    return all;
}

// Collapses a tree the real builder made (renumbering its leaves).
void checkCollapse(BuiltTree& tree) {
    AlignedArray<BvhNode>& binary = tree.nodes;

    // Number the leaves as compilation does and remember their boxes.
    std::vector<Box> leafBoxes;
    for (int i = 0; i < binary.count; ++i) {
        BvhNode& n = binary[i];
        if (!n.primCount) continue;
        n.index = static_cast<uint32_t>(leafBoxes.size());
        leafBoxes.push_back({n.boundsMin[0], n.boundsMin[1], n.boundsMin[2], n.boundsMax[0], n.boundsMax[1],
                             n.boundsMax[2]});
    }
    AlignedArray<Bvh4Node> wide;
    ASSERT_TRUE(wide.reserve(binary.count / 2));
    const int root = collapseToBvh4(binary, wide);
    EXPECT_LE(wide.count, binary.count / 2) << "the reservation before the collapse must suffice";
    if (binary[0].primCount) {
        EXPECT_EQ(std::make_pair(~0, 0), std::make_pair(root, wide.count));
        return;
    }
    ASSERT_EQ(0, root);
    std::vector<int> nodeVisits(wide.count, 0), leafVisits(leafBoxes.size(), 0);
    const Box all = walk(wide, 0, leafBoxes, nodeVisits, leafVisits);
    const Box rootBox = {binary[0].boundsMin[0], binary[0].boundsMin[1], binary[0].boundsMin[2],
                         binary[0].boundsMax[0], binary[0].boundsMax[1], binary[0].boundsMax[2]};
    EXPECT_EQ(rootBox, all);
    EXPECT_EQ(std::vector<int>(leafBoxes.size(), 1), leafVisits);
    EXPECT_EQ(std::vector<int>(wide.count, 1), nodeVisits);
}

TEST(BvhBuilder, RandomTreesKeepEveryPromiseAndCollapseWithEveryLeafOnce) {
    const int cases[][2] = {{1, 1},    {2, 1},    {3, 1},    {5, 1},     {17, 1},    {100, 4},   {1000, 1},
                            {1000, 2}, {2000, 4}, {3000, 7}, {3000, 64}, {5000, 8}, {20000, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c[0] << " prims, cutoff " << c[1]);
        const std::vector<PrimBounds> prims = randomBoxes(c[0], 1234u + static_cast<unsigned>(c[0]));
        BuiltTree t(prims, c[1]);
        ASSERT_TRUE(t.ok);
        EXPECT_EQ(t.builder.stats().maxDepth, checkTree(t, prims, c[1]));
        checkCollapse(t);
    }
}

}  // namespace
}  // namespace accel
}  // namespace hox
