// The binary BVH builder: the structure it promises over random inputs, its
// split choices on ties and plane boundaries, the depth bound, and the
// statistics it prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "accel/bvh_builder.h"
#include "hox/message_callback.h"
#include "util/cvars.h"
#include "util/messages.h"

namespace {

using hox::accel::BvhBuilder;
using hox::trace::BvhNode;
using hox::trace::PrimBounds;

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
    hox::trace::AlignedArray<BvhNode> nodes{16};
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

TEST(BvhBuilder, EveryPrimitiveOnceInBoundedLeavesUnderContainingBoxes) {
    const int cases[][2] = {{2, 1}, {5, 1}, {100, 4}, {1000, 2}, {5000, 8}, {20000, 4}, {3000, 64}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c[0] << " prims, cutoff " << c[1]);
        const std::vector<PrimBounds> prims = randomBoxes(c[0], 1234u + static_cast<unsigned>(c[0]));
        BuiltTree t(prims, c[1]);
        ASSERT_TRUE(t.ok);
        EXPECT_EQ(t.builder.stats().maxDepth, checkTree(t, prims, c[1]));
    }
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
    const int bins = hox::util::rt_bvhNumBins.get();
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
    EXPECT_LE(checkTree(t, prims, 1), hox::accel::kMaxBvhLeafDepth);
}

struct StatsPrintTest : ::testing::Test, hox::IMessageCallback {
    void SetUp() override {
        savedThreshold = hox::util::rt_bvhPrintBuildStats.get();
        hox::util::setMessageCallback(this);
    }
    void TearDown() override {
        hox::util::setMessageCallback(nullptr);
        hox::util::rt_bvhPrintBuildStats.set(savedThreshold);
    }
    void message(int level, const char* text) override {
        EXPECT_EQ(level, 0);
        lines.push_back(text);
    }
    void warning(const char*) override {}
    void error(const char*) override {}

    std::vector<std::string> lines;
    int savedThreshold = 0;
};

TEST_F(StatsPrintTest, PrintsOnlyAboveTheThreshold) {
    hox::util::rt_bvhPrintBuildStats.set(1000);
    BuiltTree quiet(randomBoxes(1000, 3u), 4);
    EXPECT_TRUE(lines.empty());

    BuiltTree loud(randomBoxes(1001, 3u), 4);
    const hox::accel::BvhBuildStats& s = loud.builder.stats();
    // One depth line per depth from min to max after 17 lines of totals.
    ASSERT_EQ(lines.size(), 17u + static_cast<size_t>(s.maxDepth - s.minDepth + 1));
    EXPECT_EQ(lines[0].rfind("Hierarchy built in ", 0), 0u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 3), " ms");
    EXPECT_EQ(lines[1], std::string(61, '-'));
    EXPECT_EQ(lines[2], "Nodes:            " + std::to_string(s.innerNodes));
    EXPECT_EQ(lines[3], "Leaves:           " + std::to_string(s.leaves));
    EXPECT_EQ(lines[9], "Early leaves:     0 (0.000 percent of bad splits)");
    EXPECT_EQ(lines[11].rfind("0 prims:          ", 0), 0u);
    // The depth lines' shares are cumulative, up to 100.
    double previous = 0.0;
    for (size_t i = 17; i < lines.size(); ++i) {
        const size_t open = lines[i].find('(');
        ASSERT_NE(open, std::string::npos) << lines[i];
        const double share = std::atof(lines[i].c_str() + open + 1);
        EXPECT_GE(share, previous) << lines[i];
        previous = share;
    }
    EXPECT_NE(lines.back().find("(100.0 percent)"), std::string::npos) << lines.back();
}

}  // namespace
