// Hit evaluation after tracing: the picking answer and the shading state of
// a batch of hits on a transformed instance.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "scene/entity_records.h"
#include "trace/hit_surface.h"
#include "trace/traversal.h"
#include "trace_test_support.h"

namespace {

using namespace hox;
using namespace hox::trace;
using namespace hox::trace::testing;

void expectNear(Vec3f e, Vec3f a, float tol) {
    EXPECT_NEAR(e.x, a.x, tol);
    EXPECT_NEAR(e.y, a.y, tol);
    EXPECT_NEAR(e.z, a.z, tol);
}

// A rotated, scaled and moved triangle (and one more beside it), traced in
// a rescaled scene.
struct TransformedTriangle : ::testing::Test {
    void SetUp() override {
        Tri aside = tri;  // a second triangle well away from every ray
        for (Vec3f& p : aside.p) p.x += 10;
        geometry = makeGeometry({tri, aside});
        matrix = affine(2, 3, 0.5f, 0.7f, {1, -2, 4});
        makeScene(scene, {{makeMesh(*geometry), matrix, 0}}, {-1, 0.5f, 2}, 0.3f);
        scene.instances[0].object = &object;
    }
    // The host-frame point with weights (1 - u - v, u, v), and a ray at it.
    Vec3f worldPoint(float u, float v) {
        const Vec3f p[3] = {transformP(matrix, tri.p[0]), transformP(matrix, tri.p[1]), transformP(matrix, tri.p[2])};
        return barycentric(p, u, v);
    }
    // The unit normal of triangle c once transformed: the cross product of
    // its transformed edges.
    Vec3f worldNormal(const Vec3f* c) {
        const Vec3f p0 = transformP(matrix, c[0]);
        return unit(crossV(sub(transformP(matrix, c[1]), p0), sub(transformP(matrix, c[2]), p0)));
    }
    Ray traceAt(Vec3f target, Vec3f from) {
        Ray ray;
        initRay(ray, scene, from, unit(sub(target, from)), 0);
        EXPECT_TRUE(traceScene(scene, ray));
        return ray;
    }

    const Tri tri{{{0, 0, 0}, {1, 0.2f, 0.1f}, {0.1f, 1, -0.2f}}};
    std::unique_ptr<scene::GeometryRecord> geometry;
    Mat4f matrix;
    CompiledScene scene;
    scene::ObjectRecord object{42};
};

TEST_F(TransformedTriangle, QueryHitGivesHostPointNormalAndBox) {
    const Vec3f target = worldPoint(0.3f, 0.2f);
    const Ray ray = traceAt(target, {3, -1, 9});
    QueryHit q;
    ASSERT_TRUE(evaluateQueryHit(*ray.hitInstance, ray, q));
    expectNear(target, q.position, 1e-3f);
    EXPECT_NEAR(1.0f, dotV(unit(q.normal), worldNormal(tri.p)), 1e-5f);
    // The exact box of the transformed geometry box: its eight corners.
    const Vec3f &lo = geometry->boundsMin, &hi = geometry->boundsMax;
    Box box;
    for (int c = 0; c < 8; ++c)
        box.add(transformP(matrix, {(c & 1 ? hi : lo).x, (c & 2 ? hi : lo).y, (c & 4 ? hi : lo).z}));
    expectNear(box.lo, q.boxMin, 1e-5f);
    expectNear(box.hi, q.boxMax, 1e-5f);
    EXPECT_EQ(42, q.objectNumber);

    Ray stray = ray;
    stray.hitTriangle = 5;  // not a triangle of this geometry
    EXPECT_FALSE(evaluateQueryHit(*ray.hitInstance, stray, q));
}

TEST_F(TransformedTriangle, InterpolatesABatchAndFillsTheShadingState) {
    // Vertex attributes: a 2-component one, one without data, one whose
    // data are too short for the vertices.
    const float uv[] = {0, 0, 1, 0, 0, 1};
    const float shortData[] = {5, 5};
    const AttributeSource sources[] = {{2, uv, 6}, {1, nullptr, 0}, {1, shortData, 2}};
    const float weights[][2] = {{0.3f, 0.2f}, {0.1f, 0.6f}, {0.25f, 0.25f}};
    std::vector<Ray> rays;
    for (const auto& w : weights) rays.push_back(traceAt(worldPoint(w[0], w[1]), {3, -1, 9}));
    rays.push_back(rays[1]);
    rays[3].hitTriangle = 1;  // shares group 1 with a ray on triangle 0: loaded per lane
    const Ray* batch[6] = {&rays[0], nullptr, &rays[1], &rays[2], &rays[0], &rays[3]};
    auto surface = std::make_unique<HitSurface>();
    interpolateHits(*surface, batch, 6, scene.instances[0], sources, 3);

    EXPECT_EQ(0xD, surface->activeMask[0]);
    EXPECT_EQ(0x3, surface->activeMask[1]);
    EXPECT_EQ(4, surface->attributeComponents);
    EXPECT_EQ(0.0f, surface->worldPosition[0][1]);  // inactive lane
    for (int lane : {0, 2, 3, 4, 5}) {
        const Ray& r = *batch[lane];
        const int t = r.hitTriangle;
        ShadingState state{};
        ASSERT_TRUE(fillShadingState(*surface, lane, scene.instances[0], state));
        const Vec3f* c = &geometry->coords[3 * t];
        const Vec3f object = barycentric(c, r.hitU, r.hitV);
        expectNear(object, state.objectPosition, 1e-5f);
        expectNear(transformP(matrix, object), state.position, 1e-4f);
        expectNear(geometry->faceNormals[t], state.objectFaceNormal, 1e-6f);
        expectNear(geometry->faceNormals[t], state.objectNormal, 1e-5f);
        expectNear(state.faceNormal, state.normal, 1e-5f);  // flat: vertex normals = face normal
        EXPECT_NEAR(1.0f, dotV(unit(state.faceNormal), worldNormal(c)), 1e-5f);
        EXPECT_NEAR(r.tMax / 0.3f, surface->hitDistance[lane], 1e-4f);
        EXPECT_EQ(t, surface->hitTriangle[lane]);
        EXPECT_EQ(0, std::memcmp(&matrix, &state.objectMatrix, sizeof(Mat4f)));
        EXPECT_EQ(0, std::memcmp(&scene.instances[0].normalMatrix, &state.normalMatrix, sizeof(Mat3f)));
        ASSERT_NE(nullptr, state.attributes);
        // uv covers triangle 0's vertices only; the short data only its first two.
        EXPECT_NEAR(t == 0 ? r.hitU : 0.0f, state.attributes[0], 1e-6f);
        EXPECT_NEAR(t == 0 ? r.hitV : 0.0f, state.attributes[1], 1e-6f);
        EXPECT_EQ(0.0f, state.attributes[2]);
        EXPECT_NEAR(t == 0 ? 5 * (1 - r.hitV) : 0.0f, state.attributes[3], 1e-5f);
    }
    ShadingState untouched{};
    EXPECT_FALSE(fillShadingState(*surface, 1, scene.instances[0], untouched));
    EXPECT_EQ(nullptr, untouched.attributes);
}

}  // namespace
