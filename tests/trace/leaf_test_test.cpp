// The leaf kernel: four triangles per packet against one ray.
#include <gtest/gtest.h>

#include <random>

#include "trace/leaf_test.h"
#include "trace_test_support.h"

namespace {

using namespace hox;
using namespace hox::trace;
using namespace hox::trace::testing;

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

// Against an independent Moller-Trumbore: the kernels may only disagree
// for rays that pass within a hair of an edge (the 1e-5 enlargement and
// float rounding), and rarely.
TEST(LeafTest, AgreesWithScalarMollerTrumboreAwayFromEdges) {
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> coord(-1, 1);
    auto rnd = [&] { return Vec3f{coord(rng), coord(rng), coord(rng)}; };
    int disagreements = 0;
    const int kRays = 20000;
    for (int i = 0; i < kRays; ++i) {
        Tri tri{{rnd(), rnd(), rnd()}};
        LeafFixture f({tri});
        const Vec3f o = {coord(rng) * 3, coord(rng) * 3, coord(rng) * 3};
        const Vec3f d = unit(sub(rnd(), o));
        Ray r = objectRay(o, d);
        const bool hit = testLeaf(f.leaf, r);
        const double od[3] = {o.x, o.y, o.z}, dd[3] = {d.x, d.y, d.z};
        const MtResult ref = mollerTrumbore(od, dd, tri);
        const bool refHit = ref.valid && ref.t > 0 && ref.u >= 0 && ref.v >= 0 && ref.u + ref.v <= 1;
        if (hit && refHit) {
            EXPECT_NEAR(ref.t, r.tMax, 1e-4 * (1 + ref.t));
            EXPECT_NEAR(ref.u, r.hitU, 1e-3);
            EXPECT_NEAR(ref.v, r.hitV, 1e-3);
        } else if (hit != refHit) {
            ++disagreements;
            const double edge = std::min({std::fabs(ref.u), std::fabs(ref.v), std::fabs(1 - ref.u - ref.v)});
            EXPECT_LT(edge, 1e-3) << "disagreement away from an edge, ray " << i;
        }
    }
    EXPECT_LT(disagreements, kRays / 500);
}

}  // namespace
