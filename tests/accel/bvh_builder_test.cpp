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

std::vector<PrimBounds> randomBoxes(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> pos(-100.0f, 100.0f), size(0.0f, 5.0f);
    std::vector<PrimBounds> prims;
    for (int i = 0; i < count; ++i) {
        float x = pos(rng), y = pos(rng), z = pos(rng);
        prims.push_back(box(x, y, z, x + size(rng), y + size(rng), z + size(rng)));
    }
    return prims;
}

struct BuiltTree {
    hox::trace::AlignedArray<BvhNode> nodes{16};
    std::vector<int32_t> indices;
    BvhBuilder builder;
    bool ok = false;
};

void build(BuiltTree& t, const std::vector<PrimBounds>& prims, int leafCutoff) {
    float lo[3] = {1e38f, 1e38f, 1e38f}, hi[3] = {-1e38f, -1e38f, -1e38f};
    for (const PrimBounds& p : prims) {
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], p.min[a]);
            hi[a] = std::max(hi[a], p.max[a]);
        }
    }
    t.indices.resize(prims.size());
    for (size_t i = 0; i < prims.size(); ++i) t.indices[i] = static_cast<int32_t>(i);
    t.ok = t.builder.build(t.nodes, prims.data(), t.indices.data(), static_cast<int>(prims.size()), lo, hi,
                           leafCutoff);
}

bool contains(const BvhNode& outer, const float* lo, const float* hi) {
    for (int a = 0; a < 3; ++a) {
        if (lo[a] < outer.boundsMin[a] || hi[a] > outer.boundsMax[a]) return false;
    }
    return true;
}

float centreOf(const BvhNode& node, int axis) { return (node.boundsMin[axis] + node.boundsMax[axis]) * 0.5f; }

// Walks the tree from the root on its own, checking every structural promise
// the kernels and the collapse rely on; `deepest` gets the deepest leaf's depth.
void checkTree(const BuiltTree& t, const std::vector<PrimBounds>& prims, int leafCutoff, int& deepest) {
    const int n = static_cast<int>(prims.size());
    std::vector<int> seen(n, 0);
    std::vector<std::pair<int, int>> stack{{0, 0}};  // node, depth
    int leaves = 0;
    deepest = 0;
    while (!stack.empty()) {
        auto [index, depth] = stack.back();
        stack.pop_back();
        const BvhNode& node = t.nodes[index];
        if (node.primCount > 0 || (index == 0 && n <= leafCutoff)) {
            ++leaves;
            deepest = std::max(deepest, depth);
            EXPECT_LE(node.primCount, leafCutoff);
            for (uint32_t k = node.index; k < node.index + node.primCount; ++k) {
                ASSERT_LT(k, static_cast<uint32_t>(n)) << "leaf " << index;
                const PrimBounds& p = prims.at(static_cast<size_t>(t.indices[k]));
                ++seen[static_cast<size_t>(t.indices[k])];
                EXPECT_TRUE(contains(node, p.min, p.max)) << "leaf " << index;
            }
            continue;
        }
        ASSERT_LT(static_cast<int>(node.index) + 1, t.nodes.count) << "children of " << index;
        const BvhNode& a = t.nodes[node.index];
        const BvhNode& b = t.nodes[node.index + 1];
        EXPECT_TRUE(contains(node, a.boundsMin, a.boundsMax) && contains(node, b.boundsMin, b.boundsMax));
        float gap[3];
        for (int k = 0; k < 3; ++k) gap[k] = std::fabs(centreOf(b, k) - centreOf(a, k));
        int axis = gap[1] > gap[0] && gap[1] > gap[2] ? 1 : (gap[2] > gap[0] && gap[2] > gap[1] ? 2 : 0);
        EXPECT_EQ(node.axis, axis) << "node " << index;
        EXPECT_EQ(node.flip, centreOf(b, axis) < centreOf(a, axis) ? 1 : 0) << "node " << index;
        stack.push_back({static_cast<int>(node.index) + 1, depth + 1});
        stack.push_back({static_cast<int>(node.index), depth + 1});
    }
    for (int i = 0; i < n; ++i) EXPECT_EQ(seen[i], 1) << "primitive " << i;
    // Every node reached once: a tree with L leaves has exactly 2L - 1 nodes.
    EXPECT_EQ(t.nodes.count, 2 * leaves - 1);
    EXPECT_EQ(t.builder.stats().leaves, leaves);
    EXPECT_EQ(t.builder.stats().innerNodes, leaves - 1);
}

// The primitives below node `index`, sorted.
std::vector<int> primsUnder(const BuiltTree& t, int index) {
    std::vector<int> out;
    std::vector<int> stack{index};
    while (!stack.empty()) {
        const BvhNode& node = t.nodes[stack.back()];
        stack.pop_back();
        if (node.primCount > 0) {
            for (uint32_t k = 0; k < node.primCount; ++k) out.push_back(t.indices[node.index + k]);
        } else {
            stack.push_back(static_cast<int>(node.index));
            stack.push_back(static_cast<int>(node.index) + 1);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

// --- Structure over random inputs -------------------------------------------------

struct ShapeCase {
    int prims;
    int leafCutoff;
};

void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.prims << " prims, cutoff " << c.leafCutoff; }

class BvhStructureTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(BvhStructureTest, EveryPrimitiveOnceInBoundedLeavesUnderContainingBoxes) {
    const ShapeCase c = GetParam();
    std::vector<PrimBounds> prims = randomBoxes(c.prims, 1234u + static_cast<unsigned>(c.prims));
    BuiltTree t;
    build(t, prims, c.leafCutoff);
    ASSERT_TRUE(t.ok);
    int deepest = -1;
    checkTree(t, prims, c.leafCutoff, deepest);
    EXPECT_EQ(t.builder.stats().maxDepth, deepest);
    EXPECT_EQ(t.builder.stats().leafPrims, static_cast<uint32_t>(c.prims));
}

INSTANTIATE_TEST_SUITE_P(SizesAndCutoffs, BvhStructureTest,
                         ::testing::Values(ShapeCase{2, 1}, ShapeCase{5, 1}, ShapeCase{100, 1}, ShapeCase{100, 4},
                                           ShapeCase{1000, 2}, ShapeCase{1000, 4}, ShapeCase{5000, 8},
                                           ShapeCase{20000, 4}, ShapeCase{3000, 64}));

TEST(BvhBuilderTest, AtMostLeafCutoffPrimitivesMakeOneLeaf) {
    std::vector<PrimBounds> prims = randomBoxes(4, 7u);
    BuiltTree t;
    build(t, prims, 4);
    ASSERT_TRUE(t.ok);
    ASSERT_EQ(t.nodes.count, 1);
    EXPECT_EQ(t.nodes[0].primCount, 4);
    EXPECT_EQ(t.nodes[0].index, 0u);
    EXPECT_EQ(t.builder.stats().minDepth, 0);
    EXPECT_EQ(t.builder.stats().maxDepth, 0);
    EXPECT_EQ(t.builder.stats().innerNodes, 0);
}

TEST(BvhBuilderTest, MissingInputFailsWithEmptyNodes) {
    BuiltTree t;
    float lo[3] = {0, 0, 0}, hi[3] = {1, 1, 1};
    int32_t index = 0;
    EXPECT_FALSE(t.builder.build(t.nodes, nullptr, &index, 1, lo, hi, 4));
    EXPECT_EQ(t.nodes.count, 0);
}

TEST(BvhBuilderTest, SharedCentroidFallsBackToHalvingAndStillBoundsLeaves) {
    std::vector<PrimBounds> prims;
    for (int i = 0; i < 50; ++i) {
        float s = 1.0f + static_cast<float>(i);  // nested boxes around one centre
        prims.push_back(box(-s, -s, -s, s, s, s));
    }
    BuiltTree t;
    build(t, prims, 4);
    ASSERT_TRUE(t.ok);
    int deepest = -1;
    checkTree(t, prims, 4, deepest);
    // SAH fails at every inner node, then 8 median tries on each of two axes.
    EXPECT_EQ(t.builder.stats().failedSplits, t.builder.stats().innerNodes * 17);
    EXPECT_EQ(t.builder.stats().splits, 0);
}

// --- Split choices ------------------------------------------------------------------

// Four primitives at the corners of a unit square in the plane of two axes,
// each a unit long along the third: cutting either axis costs the same.
struct TieCase {
    int u, v;                    // the two axes of the square
    std::vector<int> leftGroup;  // expected contents of the root's first child
};

void PrintTo(const TieCase& c, std::ostream* os) { *os << "square in axes " << c.u << " and " << c.v; }

class BvhTieTest : public ::testing::TestWithParam<TieCase> {};

TEST_P(BvhTieTest, EqualCostsKeepTheLowerAxis) {
    const TieCase c = GetParam();
    std::vector<PrimBounds> prims;
    const float corners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (const auto& corner : corners) {
        float lo[3], hi[3];
        for (int a = 0; a < 3; ++a) {
            lo[a] = 0.0f;
            hi[a] = 1.0f;
        }
        lo[c.u] = hi[c.u] = corner[0];
        lo[c.v] = hi[c.v] = corner[1];
        prims.push_back(box(lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]));
    }
    BuiltTree t;
    build(t, prims, 2);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(primsUnder(t, 1), c.leftGroup);
}

INSTANTIATE_TEST_SUITE_P(AxisPairs, BvhTieTest,
                         ::testing::Values(TieCase{0, 1, {0, 2}},    // x beats y
                                           TieCase{1, 2, {0, 2}},    // y beats z
                                           TieCase{0, 2, {0, 2}},    // x beats z
                                           TieCase{2, 1, {0, 1}}));  // y beats z, listed second

TEST(BvhBuilderTest, EqualCostsKeepTheLowerPlane) {
    // {A}|{B,C} and {A,B}|{C} cost the same; the lower plane separates A.
    std::vector<PrimBounds> prims = {box(0, 0, 0, 0, 1, 1), box(0.5f, 0, 0, 0.5f, 1, 1), box(1, 0, 0, 1, 1, 1)};
    BuiltTree t;
    build(t, prims, 1);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(primsUnder(t, 1), std::vector<int>{0});
}

TEST(BvhBuilderTest, CentroidOnThePlaneGoesRight) {
    // Point boxes cost nothing, so the first plane with both sides filled
    // wins: plane 1 on x. Primitive 2 sits exactly on it (and in bin 0).
    const int bins = hox::util::rt_bvhNumBins.get();
    const float planeX = 0.0f + 1.0f * ((1.0f - 0.0f) / (static_cast<float>(bins) - 1e-6f));
    std::vector<PrimBounds> prims = {box(0, 0, 0, 0, 0, 0), box(1, 0, 0, 1, 0, 0),
                                     box(planeX, 0, 0, planeX, 0, 0)};
    BuiltTree t;
    build(t, prims, 1);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(primsUnder(t, 1), std::vector<int>{0});
    EXPECT_EQ(primsUnder(t, 2), (std::vector<int>{1, 2}));
}

// --- Depth bound --------------------------------------------------------------------

TEST(BvhBuilderTest, ExponentiallySpacedCentroidsStayWithinTheDepthBound) {
    // Three chains of points at 2^k along x, y and z: each SAH split can only
    // peel a few off the far end of a chain, which alone would nest deeper
    // than 63 levels. The rest is a dense cluster at the origin.
    std::vector<PrimBounds> prims;
    for (int axis = 0; axis < 3; ++axis) {
        for (int k = 0; k < 120; ++k) {
            float p[3] = {0.5f, 0.5f, 0.5f};
            p[axis] = std::ldexp(1.0f, k);
            prims.push_back(box(p[0], p[1], p[2], p[0], p[1], p[2]));
        }
    }
    std::vector<PrimBounds> cluster = randomBoxes(100000 - static_cast<int>(prims.size()), 99u);
    for (PrimBounds& p : cluster) {
        for (int a = 0; a < 3; ++a) {
            p.min[a] *= 0.001f;
            p.max[a] *= 0.001f;
        }
    }
    prims.insert(prims.end(), cluster.begin(), cluster.end());
    BuiltTree t;
    build(t, prims, 1);
    ASSERT_TRUE(t.ok);
    int deepest = -1;
    checkTree(t, prims, 1, deepest);
    EXPECT_LE(deepest, hox::accel::kMaxBvhLeafDepth);
}

// --- Statistics print ---------------------------------------------------------------

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
    BuiltTree quiet;
    build(quiet, randomBoxes(1000, 3u), 4);
    EXPECT_TRUE(lines.empty());

    BuiltTree loud;
    build(loud, randomBoxes(1001, 3u), 4);
    ASSERT_GE(lines.size(), 18u);
    const hox::accel::BvhBuildStats& s = loud.builder.stats();
    EXPECT_EQ(lines[0].rfind("Hierarchy built in ", 0), 0u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 3), " ms");
    EXPECT_EQ(lines[1], std::string(61, '-'));
    EXPECT_EQ(lines[2], "Nodes:            " + std::to_string(s.innerNodes));
    EXPECT_EQ(lines[3], "Leaves:           " + std::to_string(s.leaves));
    EXPECT_EQ(lines[9], "Early leaves:     0 (0.000 percent of bad splits)");
    EXPECT_EQ(lines[11].rfind("0 prims:          ", 0), 0u);

    // One depth line per depth from min to max, cumulative shares up to 100.
    const size_t firstDepthLine = 17;
    ASSERT_EQ(lines.size(), firstDepthLine + static_cast<size_t>(s.maxDepth - s.minDepth + 1));
    double previous = 0.0;
    for (size_t i = firstDepthLine; i < lines.size(); ++i) {
        size_t open = lines[i].find('(');
        ASSERT_NE(open, std::string::npos) << lines[i];
        double share = std::atof(lines[i].c_str() + open + 1);
        EXPECT_GE(share, previous) << lines[i];
        previous = share;
    }
    EXPECT_NE(lines.back().find("(100.0 percent)"), std::string::npos) << lines.back();
}

}  // namespace
