#include <gtest/gtest.h>

#include <random>

#include "trace/traversal.h"
#include "trace_test_support.h"

namespace {

using namespace hox;
using namespace hox::trace;
using namespace hox::trace::testing;

// A square of two triangles facing +z at height z, side `size` around (cx, cy).
std::vector<Tri> square(float cx, float cy, float z, float size) {
    const float h = size / 2;
    return {{{{cx - h, cy - h, z}, {cx + h, cy - h, z}, {cx + h, cy + h, z}}},
            {{{cx - h, cy - h, z}, {cx + h, cy + h, z}, {cx - h, cy + h, z}}}};
}

std::vector<Tri> randomSoup(std::mt19937& rng, int n) {
    std::uniform_real_distribution<float> c(-1, 1), e(-0.3f, 0.3f);
    std::vector<Tri> tris(n);
    for (Tri& t : tris) {
        t.p[0] = {c(rng), c(rng), c(rng)};
        for (int k = 1; k < 3; ++k) t.p[k] = {t.p[0].x + e(rng), t.p[0].y + e(rng), t.p[0].z + e(rng)};
    }
    return tris;
}

// Brute force over every triangle of every instance in the host's frame:
// the kernel must find a hit exactly when some triangle is hit clearly
// inside, and what it reports must be a (possibly edge-grazing) hit of that
// very triangle, no farther than the nearest clear one.
void expectMatchesBruteForce(const CompiledScene& scene, const std::vector<std::vector<Tri>>& meshOf,
                             Vec3f o, Vec3f d) {
    Ray ray;
    initRay(ray, scene, o, d, 0);
    const bool hit = traceScene(scene, ray);
    const double od[3] = {o.x, o.y, o.z}, dd[3] = {d.x, d.y, d.z}, m = 1e-4;
    double clearest = 1e30, reported = -1;
    for (int i = 0; i < scene.instances.count; ++i) {
        const Instance& inst = scene.instances[i];
        for (size_t t = 0; t < meshOf[i].size(); ++t) {
            Tri w;
            for (int k = 0; k < 3; ++k) w.p[k] = transformP(inst.objectMatrix, meshOf[i][t].p[k]);
            const MtResult r = mollerTrumbore(od, dd, w);
            if (!r.valid || r.t <= 0) continue;
            if (r.u >= m && r.v >= m && r.u + r.v <= 1 - m) clearest = std::min(clearest, r.t);
            if (hit && ray.hitInstance == &inst && ray.hitTriangle == static_cast<int>(t) &&
                r.u >= -m && r.v >= -m && r.u + r.v <= 1 + m) {
                reported = r.t;
            }
        }
    }
    ASSERT_EQ(clearest < 1e30, hit) << "clear hit at " << clearest;
    if (!hit) return;
    EXPECT_EQ(ray.hitInstanceId, static_cast<int>(ray.hitInstance->instanceNumber));
    const double tHost = ray.tMax * scene.inverseWorldScale;
    ASSERT_GE(reported, 0) << "the reported triangle is not hit";
    EXPECT_NEAR(reported, tHost, 1e-4 * (1 + tHost));
    EXPECT_LE(tHost, clearest + 1e-4 * (1 + clearest));
}

void traceRandomRays(const CompiledScene& scene, const std::vector<std::vector<Tri>>& meshOf,
                     std::mt19937& rng, int count) {
    std::uniform_real_distribution<float> u(-1, 1);
    for (int i = 0; i < count && !::testing::Test::HasFatalFailure(); ++i) {
        const Vec3f o{u(rng) * 8, u(rng) * 8, u(rng) * 8}, target{u(rng) * 3, u(rng) * 3, u(rng) * 3};
        expectMatchesBruteForce(scene, meshOf, o, unit(sub(target, o)));
    }
}

// Meshes as frames build them (binary build, packets, collapse; the small
// ones are a single leaf) under rotated, scaled and moved instances.
TEST(Traversal, RandomTwoLevelScenesMatchBruteForce) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> u(-1, 1);
    for (int round = 0; round < 8; ++round) {
        const std::vector<std::vector<Tri>> meshes = {randomSoup(rng, 400), randomSoup(rng, 3), randomSoup(rng, 40)};
        std::vector<std::unique_ptr<scene::GeometryRecord>> geometries;
        std::vector<InstanceDesc> descs;
        std::vector<std::vector<Tri>> meshOf;
        for (int i = 0; i < 4; ++i) {
            if (i < 3) geometries.push_back(makeGeometry(meshes[i]));
            const Vec3f at{u(rng) * 3, u(rng) * 3, u(rng) * 3};
            descs.push_back({makeMesh(*geometries[i % 3]), affine(0.6f + u(rng) * 0.3f, 1, 1.2f, u(rng) * 3, at), 0});
            meshOf.push_back(meshes[i % 3]);
        }
        CompiledScene scene;
        makeScene(scene, descs, {0.3f, -1, 2}, 0.2f);
        EXPECT_NE(nullptr, scene.instances[1].singleLeaf);
        EXPECT_NE(nullptr, scene.instances[0].mesh->node4Data);
        traceRandomRays(scene, meshOf, rng, 600);
    }
}

TEST(Traversal, DeepTreeBeyondTheStackStillFindsTheNearestHit) {
    // A chain of 120 nodes whose boxes all contain the ray's origin: lane 0
    // leads deeper and is popped first (equal entries: lower lane first), so
    // three leaves per level wait on the stack, 360 in all. The deeper the
    // level, the nearer its squares, so the hit lies past the stack's reach.
    std::vector<Tri> tris;
    const int kLevels = 120;
    for (int i = 0; i < 3 * kLevels; ++i) tris.push_back(square(0, 0, 60.0f - 0.15f * static_cast<float>(i), 1)[i % 2]);
    auto g = makeGeometry(tris);
    Tree4 tree;
    for (int level = 0; level < kLevels; ++level) {
        Bvh4Node n{};
        for (int j = 0; j < 4; ++j) {
            setLane(n, j, Box{{-100, -100, -100}, {100, 100, 100}});
            n.child[j] = ~static_cast<int32_t>(tree.leaves.size());
            if (j > 0) tree.leaves.push_back({3 * level + j - 1});
        }
        n.child[0] = level + 1 < kLevels ? level + 1 : ~0;
        n.childMask = 0xF;
        tree.nodes.push_back(n);
    }
    CompiledScene scene;
    makeScene(scene, {{meshFromTree(*g, tree), scene::mat4Identity(), 0}}, {0, 0, 0}, 1.0f);
    for (float x : {-0.3f, 0.2f, 0.45f}) expectMatchesBruteForce(scene, {tris}, {x, 0.1f, 0}, {0, 0, 1});
}

TEST(Traversal, OverlappingInstancesNearerHitWinsInEitherOrder) {
    // The far square's box is widened so that the ray enters it first; the
    // near square's box is entered later but holds the nearer hit.
    std::vector<Tri> far = square(0, 0, 5, 1);
    far.push_back({{{-4, -4, -4}, {-4, -3.9f, -4}, {-3.9f, -4, -4}}});
    auto gFar = makeGeometry(far), gNear = makeGeometry(square(0, 0, 3, 1));
    for (int nearLane : {0, 1}) {
        std::vector<InstanceDesc> descs = {{makeMesh(*gFar), scene::mat4Identity(), 0},
                                           {makeMesh(*gNear), scene::mat4Identity(), 0x4}};
        if (nearLane == 0) std::swap(descs[0], descs[1]);
        CompiledScene scene;
        makeScene(scene, descs, {0, 0, 0}, 1.0f);
        for (uint32_t exclude : {0u, 0x4u}) {  // hiding the near one reveals the far one
            Ray ray;
            initRay(ray, scene, {0.1f, 0.2f, -10}, {0, 0, 1}, exclude);
            ASSERT_TRUE(traceScene(scene, ray));
            EXPECT_EQ(exclude ? gFar.get() : gNear.get(), ray.hitInstance->geometry);
            EXPECT_NEAR(exclude ? 15.0f : 13.0f, ray.tMax, 1e-4f);
        }
    }
}

TEST(Traversal, OriginInstanceSkipsItsOwnSurfaceAndEmptySceneMisses) {
    std::vector<Tri> tris = square(0, 0, 0, 2), upper = square(0, 0, 1, 2);
    tris.insert(tris.end(), upper.begin(), upper.end());
    auto g = makeGeometry(tris);
    CompiledScene scene;
    makeScene(scene, {{makeMesh(*g), scene::mat4Identity(), 0}}, {0, 0, 0}, 1.0f);
    Ray ray;  // leaving the lower square upwards from just below it
    initRay(ray, scene, {0.1f, 0.1f, -0.0002f}, {0, 0, 1}, 0);
    ray.originInstance = &scene.instances[0];
    ray.tMin = scene.instances[0].epsilon;
    ASSERT_TRUE(traceScene(scene, ray));
    EXPECT_NEAR(1.0002f, ray.tMax, 1e-5f);

    CompiledScene empty;
    makeScene(empty, {}, {0, 0, 0}, 1.0f);
    initRay(ray, empty, {0, 0, 0}, {0, 0, 1}, 0);
    EXPECT_FALSE(traceScene(empty, ray));
    EXPECT_EQ(std::make_pair(kRayFar, -1), std::make_pair(ray.tMax, ray.hitTriangle));
}

}  // namespace
