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

}  // namespace
