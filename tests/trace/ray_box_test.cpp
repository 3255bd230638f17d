#include <gtest/gtest.h>

#include <cmath>

#include "trace/box_test.h"
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
    EXPECT_EQ(1u, r.dirSign[0]);
    EXPECT_EQ(0u, r.dirSign[1]);
    EXPECT_EQ(1u, r.dirSign[2]);
    EXPECT_EQ(kRayFar, r.tMax);
    EXPECT_EQ(kRayFar, r.sseTMax[2]);
    EXPECT_EQ(-1, r.hitTriangle);
    EXPECT_EQ(-1, r.hitInstanceId);
    EXPECT_EQ(nullptr, r.hitInstance);
    EXPECT_EQ(&view, r.viewState);
    EXPECT_EQ(0x12u, r.excludeMask);
}

Bvh4Node oneBox(Vec3f lo, Vec3f hi) {
    Bvh4Node n{};
    for (int j = 0; j < 4; ++j) {
        n.minX[j] = n.minY[j] = n.minZ[j] = 1;
        n.maxX[j] = n.maxY[j] = n.maxZ[j] = -1;
    }
    n.minX[2] = lo.x, n.minY[2] = lo.y, n.minZ[2] = lo.z;
    n.maxX[2] = hi.x, n.maxY[2] = hi.y, n.maxZ[2] = hi.z;
    n.childMask = 0x4;
    return n;
}

TEST(BoxTest, EntersOnlyBoxesAheadWithinTMax) {
    CompiledScene view;
    struct Case { const char* name; Vec3f o, d; float tMax; bool entered; float entry; };
    const Vec3f lo{-1, -1, -1}, hi{1, 1, 1};
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
    const Bvh4Node node = oneBox(lo, hi);
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
    Bvh4Node hidden = node;
    hidden.childMask = 0;  // a lane without its mask bit is never entered
    Ray r;
    initRay(r, view, {-3, 0, 0}, {1, 0, 0}, 0);
    float entry[4];
    EXPECT_EQ(0, boxTest(hidden, r, entry));
}

}  // namespace
