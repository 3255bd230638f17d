// The region-pick kernels: clipping, the frustum of four corner rays, box
// rejection and the object test (the host suite checks region picks against
// a brute-force screen-space answer).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "trace/polygon_clip.h"
#include "trace/selection_frustum.h"
#include "trace_test_support.h"

namespace hox {
namespace trace {
namespace {

using testing::makeGeometry;
using testing::Tri;

// Area of a planar polygon (half the length of the summed cross products).
float polygonArea(const ClipPolygon& p) {
    Vec3f s = {0, 0, 0};
    for (int i = 0; i < p.count; ++i) {
        const Vec3f a = p.points[i], b = p.points[(i + 1) % p.count];
        s = {s.x + a.y * b.z - a.z * b.y, s.y + a.z * b.x - a.x * b.z, s.z + a.x * b.y - a.y * b.x};
    }
    return 0.5f * std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z);
}

ClipPolygon triangle(Vec3f a, Vec3f b, Vec3f c) {
    ClipPolygon p;
    p.count = 3;
    p.points[0] = a, p.points[1] = b, p.points[2] = c;
    return p;
}

TEST(PolygonClip, KeepsTheInnerPartWithKnownAreaAndTouchingVertices) {
    const SidePlane xAtMost1 = {{1, 0, 0}, 1};  // outside where x > 1
    struct Case {
        const char* name;
        ClipPolygon in;
        float tolerance;
        int count;
        float area;
    } cases[] = {
        // The corner beyond x = 1 is cut off: 2 - 0.5 = 1.5 remains.
        {"cut", triangle({0, 0, 0}, {2, 0, 0}, {0, 2, 0}), 0.0f, 4, 1.5f},
        // Touching at one vertex leaves that vertex and nothing else.
        {"touch", triangle({1, 0, 0}, {3, 0, 0}, {2, 1, 0}), 0.0f, 1, 0.0f},
        // A vertex just beyond the plane counts as on it within the band only.
        {"band", triangle({1.000005f, 0, 0}, {3, 0, 0}, {2, 1, 0}), 1e-5f, 1, 0.0f},
        {"no band", triangle({1.000005f, 0, 0}, {3, 0, 0}, {2, 1, 0}), 0.0f, 0, 0.0f},
    };
    for (const Case& c : cases) {
        ClipPolygon out;
        clipPolygon(c.in, xAtMost1, c.tolerance, out);
        EXPECT_EQ(c.count, out.count) << c.name;
        EXPECT_NEAR(c.area, polygonArea(out), 1e-5f) << c.name;
        for (int i = 0; i < out.count; ++i) EXPECT_LE(out.points[i].x, 1.0f + 1e-5f) << c.name;
    }
}

// The pyramid |x| <= -z, |y| <= -z of a camera at the origin looking down -Z.
const Vec3f kApex[4] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
const Vec3f kCorners[4] = {{-1, 1, -1}, {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}};

SelectionFrustum pyramid() {
    Vec3f d[4];
    for (int i = 0; i < 4; ++i) d[i] = testing::unit(kCorners[i]);
    SelectionFrustum f;
    EXPECT_TRUE(buildSelectionFrustum(kApex, d, f));
    return f;
}

bool insidePyramid(Vec3f p) { return std::fabs(p.x) <= -p.z && std::fabs(p.y) <= -p.z; }

TEST(SelectionFrustum, PlanesPointOutwardForEitherWindingAndForParallelRays) {
    auto expectPlane = [](const SidePlane& p, const float (&e)[4]) {
        const float got[4] = {p.normal.x, p.normal.y, p.normal.z, p.offset};
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(e[i], got[i], 1e-6f) << i;
    };
    const float r = 1.0f / std::sqrt(2.0f);
    const SelectionFrustum f = pyramid();
    expectPlane(f.planes[0], {0, r, r, 0});  // top: through the origin, (-1, 1, -1) and (1, 1, -1)

    // The opposite winding still gives outward planes.
    Vec3f mirrored[4];
    for (int i = 0; i < 4; ++i) mirrored[i] = testing::unit(kCorners[3 - i]);
    SelectionFrustum g;
    ASSERT_TRUE(buildSelectionFrustum(kApex, mirrored, g));
    for (const Vec3f& p : {Vec3f{0, 0, -1}, Vec3f{0.9f, -0.9f, -1}, Vec3f{2, 0, -1}, Vec3f{0, -2, -1},
                           Vec3f{-1.1f, 0, -1}, Vec3f{0, 0, 1}}) {
        bool inF = true, inG = true;
        for (int k = 0; k < 4; ++k) {
            inF = inF && planeDistance(f.planes[k], p) <= 0.0f;
            inG = inG && planeDistance(g.planes[k], p) <= 0.0f;
        }
        EXPECT_EQ(insidePyramid(p), inF) << p.x << " " << p.y << " " << p.z;
        EXPECT_EQ(insidePyramid(p), inG) << p.x << " " << p.y << " " << p.z;
    }

    // Orthographic: parallel rays from (±2, ±1, 0) give the box sides.
    const Vec3f origins[4] = {{-2, 1, 0}, {2, 1, 0}, {2, -1, 0}, {-2, -1, 0}};
    const Vec3f down[4] = {{0, 0, -1}, {0, 0, -1}, {0, 0, -1}, {0, 0, -1}};
    SelectionFrustum o;
    ASSERT_TRUE(buildSelectionFrustum(origins, down, o));
    const float expected[4][4] = {{0, 1, 0, 1}, {1, 0, 0, 2}, {0, -1, 0, 1}, {-1, 0, 0, 2}};
    for (int k = 0; k < 4; ++k) expectPlane(o.planes[k], expected[k]);

    // Two equal neighbouring rays span no plane.
    const Vec3f same[4] = {down[0], down[0], down[0], down[0]};
    EXPECT_FALSE(buildSelectionFrustum(kApex, same, o));
}

TEST(SelectionFrustum, BoxRejectionOnlyWhenWhollyBeyondOnePlane) {
    const SelectionFrustum f = pyramid();
    EXPECT_FALSE(boxOutsideFrustum(f, {-1, -1, -6}, {1, 1, -4}));   // inside
    EXPECT_TRUE(boxOutsideFrustum(f, {7, -1, -6}, {9, 1, -4}));      // right of x = -z
    EXPECT_TRUE(boxOutsideFrustum(f, {-1, -1, 2}, {1, 1, 3}));       // behind the camera
    // Beyond the corner edge yet not beyond any single plane: the box test
    // keeps it (the vertex tests decide).
    EXPECT_FALSE(boxOutsideFrustum(f, {4.5f, 4.5f, -5}, {6, 6, -5}));
}

TEST(SelectionFrustum, ObjectTestWindowAndCrossing) {
    const SelectionFrustum f = pyramid();  // at z = -5: |x|, |y| <= 5
    const Mat4f identity = scene::mat4Identity();
    // What only the clipper decides: no vertex inside, the box overlapping
    // and no plane with all three vertices beyond it.
    struct Case {
        const char* name;
        std::vector<Tri> tris;
        bool window, crossing;
    } cases[] = {
        {"encloses", {{{{-40, -40, -5}, {40, -40, -5}, {0, 40, -5}}}}, false, true},
        {"beyond a corner", {{{{4.5f, 6, -5}, {6, 4.5f, -5}, {7, 7, -5}}}}, false, false},
    };
    for (const Case& c : cases) {
        auto g = makeGeometry(c.tris);
        Vec3f lo, hi;
        scene::transformBox(identity, g->boundsMin, g->boundsMax, lo, hi);
        EXPECT_EQ(c.window, objectInFrustum(f, RegionMode::Window, identity, lo, hi, g.get())) << c.name;
        EXPECT_EQ(c.crossing, objectInFrustum(f, RegionMode::Crossing, identity, lo, hi, g.get())) << c.name;
    }

    // No vertices: nothing outside (window), nothing touching (crossing).
    EXPECT_TRUE(objectInFrustum(f, RegionMode::Window, identity, {-1, -1, -5}, {1, 1, -5}, nullptr));
    EXPECT_FALSE(objectInFrustum(f, RegionMode::Crossing, identity, {-1, -1, -5}, {1, 1, -5}, nullptr));

    // A singular matrix still places the object: squashed from z = 3 onto
    // depth 5, inside at x = 0, outside at x = 20 (raw vertices: outside both).
    auto g = makeGeometry({{{{-1, -1, 3}, {1, -1, 3}, {0, 1, 3}}}});
    for (float tx : {0.0f, 20.0f}) {
        const Mat4f flat = testing::affine(1, 1, 0, 0, {tx, 0, -5});
        Vec3f lo, hi;
        scene::transformBox(flat, g->boundsMin, g->boundsMax, lo, hi);
        EXPECT_EQ(tx == 0.0f, objectInFrustum(f, RegionMode::Window, flat, lo, hi, g.get())) << tx;
    }
}

}  // namespace
}  // namespace trace
}  // namespace hox
