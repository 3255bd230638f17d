// Collapsing binary trees into 4-wide nodes: hand-made trees with known lane
// layouts, and trees built by the real builder over random boxes, checked by
// a walker that knows nothing of how the collapse gathers lanes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "accel/bvh_builder.h"
#include "accel/bvh_collapse.h"

namespace hox {
namespace accel {
namespace {

using trace::AlignedArray;
using trace::Bvh4Node;
using trace::BvhNode;

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

bool laneEmpty(const Bvh4Node& n, int j) {
    return n.minX[j] == 1 && n.minY[j] == 1 && n.minZ[j] == 1 && n.maxX[j] == -1 &&
           n.maxY[j] == -1 && n.maxZ[j] == -1;
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

// Collapses a tree the real builder made over random boxes.
void checkRandomCollapse(const int primCount, const int leafCutoff) {
    std::mt19937 rng(static_cast<unsigned>(primCount));
    std::uniform_real_distribution<float> pos(-10.0f, 10.0f), size(0.0f, 1.5f);
    std::vector<trace::PrimBounds> prims(primCount);
    std::vector<int32_t> indices(primCount);
    for (int i = 0; i < primCount; ++i) {
        indices[i] = i;
        for (int a = 0; a < 3; ++a) prims[i].max[a] = (prims[i].min[a] = pos(rng)) + size(rng);
    }
    AlignedArray<BvhNode> binary;
    BvhBuilder builder;
    ASSERT_TRUE(builder.build(binary, prims.data(), indices.data(), primCount, nullptr, nullptr, leafCutoff));

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

TEST(Collapse, EveryLeafOnceUnderItsBinaryBox) {
    const int cases[][2] = {{1, 1}, {2, 1}, {3, 1}, {5, 1}, {17, 1}, {100, 4}, {1000, 1}, {2000, 4}, {3000, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c[0] << " prims, cutoff " << c[1]);
        checkRandomCollapse(c[0], c[1]);
    }
}

}  // namespace
}  // namespace accel
}  // namespace hox
