// The ray kernels below traversal: ray set-up, the 4-wide box test and the
// leaf test (four triangles per packet). Random triangles against an
// independent reference: tests/oracle and the brute-force traversal check.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "trace/box_test.h"
#include "trace/leaf_test.h"
#include "trace_test_support.h"

namespace {

using namespace hox;
using namespace hox::trace;
using namespace hox::trace::testing;

TEST(InitRay, CarriesOriginIntoTracingSpaceAndClampsTinyComponents) {
    CompiledScene view;
    view.worldOffset[0] = 1, view.worldOffset[1] = -2, view.worldOffset[2] = 0.5f;
    view.worldScale = 0.25f;
    Ray r;
    initRay(r, view, {3, 4, -0.5f}, {-0.6f, 1e-7f, -0.8f}, 0x12);
    const float origin[3] = {1.0f, 0.5f, 0.0f};
    const float direction[3] = {-0.6f, 1e-6f, -0.8f};
    for (int a = 0; a < 3; ++a) {
        EXPECT_FLOAT_EQ(origin[a], r.origin[a]);
        EXPECT_EQ(direction[a], r.direction[a]);
        EXPECT_NEAR(1.0 / direction[a], r.invDir[a], 1e-6 * std::fabs(1.0 / direction[a]));
        for (int lane = 0; lane < 4; ++lane) {
            EXPECT_EQ(r.origin[a], r.sseOrigin[a][lane]);
            EXPECT_EQ(r.invDir[a], r.sseInvDir[a][lane]);
            EXPECT_EQ(r.direction[a], r.sseDirection[a][lane]);
        }
    }
    EXPECT_EQ(std::make_tuple(r.dirSign[0], r.dirSign[1], r.dirSign[2], r.tMax, r.sseTMax[2]),
              std::make_tuple(1u, 0u, 1u, kRayFar, kRayFar));
    EXPECT_EQ(std::make_tuple(r.hitTriangle, r.hitInstanceId, r.viewState, r.excludeMask),
              std::make_tuple(-1, -1, static_cast<const CompiledScene*>(&view), 0x12u));
    EXPECT_TRUE(r.hitInstance == nullptr);
}

TEST(BoxTest, EntersOnlyBoxesAheadWithinTMax) {
    CompiledScene view;
    struct Case { const char* name; Vec3f o, d; float tMax; bool entered; float entry; };
    const Case cases[] = {
        {"ahead", {-3, 0, 0}, {1, 0, 0}, kRayFar, true, 2},
        {"inside", {0, 0, 0}, {0.6f, 0.8f, 0}, kRayFar, true, -1.25f},
        {"behind", {3, 0, 0}, {1, 0, 0}, kRayFar, false, 0},
        {"exit at origin", {1, 0, 0}, {1, 0, 0}, kRayFar, false, 0},
        {"beyond tMax", {-3, 0, 0}, {1, 0, 0}, 1.99f, false, 0},
        {"just within tMax", {-3, 0, 0}, {1, 0, 0}, 2.001f, true, 2},
        {"axis-parallel beside", {-3, 1.5f, 0}, {1, 0, 0}, kRayFar, false, 0},
        {"axis-parallel along -z", {0.5f, -0.5f, 4}, {0, 0, -1}, kRayFar, true, 3},
        {"diagonal miss", {-3, 0, 0}, {0.6f, 0.8f, 0}, kRayFar, false, 0},
    };
    Bvh4Node node = emptyNode();  // one box, in lane 2
    setLane(node, 2, Box{{-1, -1, -1}, {1, 1, 1}});
    node.childMask = 0x4;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ray r;
        initRay(r, view, c.o, c.d, 0);
        setRayTMax(r, c.tMax);
        float entry[4];
        const int mask = boxTest(node, r, entry);
        EXPECT_EQ(c.entered ? 0x4 : 0, mask);
        if (c.entered) {
            EXPECT_NEAR(c.entry, entry[2], 1e-5f);
        }
    }
    node.childMask = 0;  // a lane without its mask bit is never entered
    Ray r;
    initRay(r, view, {-3, 0, 0}, {1, 0, 0}, 0);
    float entry[4];
    EXPECT_EQ(0, boxTest(node, r, entry));
}

// One geometry and one leaf over all of its triangles (in order).
struct LeafFixture {
    explicit LeafFixture(const std::vector<Tri>& tris) : geometry(makeGeometry(tris)) {
        for (int i = 0; i < geometry->primitiveCount; ++i) order.push_back(i);
        packets.resize((geometry->primitiveCount + 3) / 4);
        leaf = {geometry.get(), order.data(), packets.data(), geometry->primitiveCount, 0};
        accel::buildLeafPackets(leaf, packets.data(), *geometry);
    }
    MeshLeaf sub(int first, int count) {
        MeshLeaf l{geometry.get(), order.data() + first, nullptr, count, 0};
        subPackets.emplace_back((count + 3) / 4);
        accel::buildLeafPackets(l, subPackets.back().data(), *geometry);
        l.packets = subPackets.back().data();
        return l;
    }
    std::unique_ptr<scene::GeometryRecord> geometry;
    std::vector<int32_t> order;
    std::vector<TrianglePacket> packets;
    std::vector<std::vector<TrianglePacket>> subPackets;
    MeshLeaf leaf;
};

const Tri kUnit{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}};

TEST(LeafTest, EdgesAndVerticesCountAsHits) {
    LeafFixture f({kUnit});
    struct Case { float x, y; bool hit; float u, v; };
    const Case cases[] = {
        {0.25f, 0.25f, true, 0.25f, 0.25f}, {0.5f, 0.0f, true, 0.5f, 0.0f},  // v = 0
        {0.0f, 0.5f, true, 0.0f, 0.5f},     {0.5f, 0.5f, true, 0.5f, 0.5f},  // u = 0, u + v = 1
        {0.0f, 0.0f, true, 0.0f, 0.0f},     {0.5f, -0.01f, false, 0, 0},
        {0.51f, 0.5f, false, 0, 0},         {-0.01f, 0.5f, false, 0, 0}};
    for (const Case& c : cases) {
        for (float side : {1.0f, -1.0f}) {  // from above and from below
            SCOPED_TRACE(::testing::Message() << c.x << "," << c.y << " side " << side);
            Ray r = objectRay({c.x, c.y, 2 * side}, {0, 0, -side});
            ASSERT_EQ(c.hit, testLeaf(f.leaf, r));
            EXPECT_EQ(c.hit ? 0 : -1, r.hitTriangle);
            EXPECT_NEAR(c.hit ? 2.0f : kRayFar, r.tMax, 1e-5f);
            for (float lane : r.sseTMax) EXPECT_EQ(r.tMax, lane);  // the new bound reaches every lane
            if (!c.hit) continue;
            EXPECT_NEAR(c.u, r.hitU, 1e-4f);
            EXPECT_NEAR(c.v, r.hitV, 1e-4f);
        }
    }
}

// Equal distances keep the first hit across leaves (t == tMax does not
// replace) but take the later lane within one; a ray leaving its own
// instance ignores hits up to tMin.
TEST(LeafTest, EqualDistancesAndOriginInstanceHits) {
    LeafFixture f({kUnit, kUnit});
    MeshLeaf first = f.sub(0, 1), second = f.sub(1, 1);
    Ray r = objectRay({0.2f, 0.2f, 1}, {0, 0, -1});
    ASSERT_TRUE(testLeaf(first, r));
    EXPECT_FALSE(testLeaf(second, r));
    EXPECT_EQ(0, r.hitTriangle);
    Ray both = objectRay({0.2f, 0.2f, 1}, {0, 0, -1});
    ASSERT_TRUE(testLeaf(f.leaf, both));
    EXPECT_EQ(1, both.hitTriangle);

    Tri below = kUnit;
    for (Vec3f& p : below.p) p.z = -1;
    LeafFixture g({kUnit, below});
    for (uint8_t origin : {0, 1}) {
        Ray o = objectRay({0.2f, 0.2f, 0.0005f}, {0, 0, -1});
        o.tMin = 0.001f;
        o.isOriginInstance = origin;
        ASSERT_TRUE(testLeaf(g.leaf, o));
        EXPECT_EQ(origin ? 1 : 0, o.hitTriangle);
    }
}

TEST(LeafTest, FiveTrianglesMakeTwoPacketsWhoseFillersNeverHit) {
    std::vector<Tri> tris;
    for (int i = 0; i < 5; ++i) tris.push_back({{{2.0f + i, 0, 1}, {3.0f + i, 0, 1}, {2.0f + i, 1, 1}}});
    LeafFixture f(tris);
    EXPECT_EQ(2, f.leaf.packetCount);
    // Straight at the fillers' far plane, with a tMax beyond it.
    for (Vec3f d : {Vec3f{0, 1, 0}, Vec3f{0, -1, 0}, Vec3f{0.001f, 1, 0.001f}}) {
        Ray r = objectRay({0, 0, 0}, d, 3e38f);
        EXPECT_FALSE(testLeaf(f.leaf, r));
    }
    Ray last = objectRay({6.2f, 0.2f, 3}, {0, 0, -1});
    ASSERT_TRUE(testLeaf(f.leaf, last));
    EXPECT_EQ(4, last.hitTriangle);
}

TEST(LeafTest, ParallelDegenerateAndCollinearTrianglesAreNeverHit) {
    const Tri point{{{0.5f, 0.5f, 0}, {0.5f, 0.5f, 0}, {0.5f, 0.5f, 0}}};
    const Tri sliver{{{0, 0, 0}, {1e-12f, 0, 0}, {0, 1, 0}}};
    const Tri collinear{{{0, 0, 0}, {0, 1, 0}, {0, 2, 0}}};  // face normal (0, 1, 0)
    LeafFixture f({point, sliver, collinear}), unit({kUnit});
    const Ray rays[] = {objectRay({0.5f, 0.5f, 1}, {0, 0, -1}), objectRay({0, 0.5f, 1}, {0, 0, -1}),
                        objectRay({0.3f, 2, 0.4f}, {0, -1, 0}), objectRay({0, 3, 0}, {0, -1, 0})};
    for (Ray r : rays) EXPECT_FALSE(testLeaf(f.leaf, r));
    Ray inPlane = objectRay({-1, 0.2f, 0}, {1, 0, 0});
    EXPECT_FALSE(testLeaf(unit.leaf, inPlane));
}

}  // namespace
