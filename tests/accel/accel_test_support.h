// Small helpers shared by the acceleration-structure tests.
#pragma once

#include <gtest/gtest.h>

#include "scene/matrix4.h"
#include "trace/bvh_nodes.h"

namespace hox {
namespace accel {
namespace testing {

inline Mat4f translation(float x, float y, float z) {
    Mat4f m = scene::mat4Identity();
    m.m[12] = x, m.m[13] = y, m.m[14] = z;
    return m;
}

inline void expectNear(const Vec3f& expected, const Vec3f& actual) {
    EXPECT_NEAR(expected.x, actual.x, 1e-5f);
    EXPECT_NEAR(expected.y, actual.y, 1e-5f);
    EXPECT_NEAR(expected.z, actual.z, 1e-5f);
}

// An unused lane holds the inverted box (1, 1, 1) .. (-1, -1, -1).
inline bool laneEmpty(const trace::Bvh4Node& n, int j) {
    return n.minX[j] == 1 && n.minY[j] == 1 && n.minZ[j] == 1 && n.maxX[j] == -1 && n.maxY[j] == -1 &&
           n.maxZ[j] == -1;
}

}  // namespace testing
}  // namespace accel
}  // namespace hox
