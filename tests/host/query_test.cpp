// Queries as a host sees them.
#include <gtest/gtest.h>

#include "device_fixture.h"

namespace {

using QueryTest = hox_host_test::HostDeviceTest;

TEST_F(QueryTest, RightAfterInitTheRateIsZeroAndTheSceneIsDirty) {
    float rate = -1.0f;
    EXPECT_EQ(0, device->query1f(hox::QUERY_RATE, rate));
    EXPECT_EQ(0.0f, rate);
    bool dirty = false;
    EXPECT_EQ(0, device->query1b(hox::QUERY_SCENE_DIRTY, dirty));
    EXPECT_TRUE(dirty);
    float progress = -1.0f;
    EXPECT_EQ(0, device->query1f(hox::QUERY_PROGRESS, progress));
    EXPECT_EQ(0.0f, progress);
}

TEST_F(QueryTest, NoQueryHasAnIntegerAnswer) {
    for (int q = -1; q <= 11; ++q) {
        int out = 42;
        EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1i(static_cast<hox::EQuery>(q), out));
        EXPECT_EQ(42, out);
    }
}

TEST_F(QueryTest, IdsOutsideEachQuerysSetAreRefusedWithoutOutput) {
    float f = 42.0f;
    EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1f(hox::QUERY_SCENE_DIRTY, f));
    EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1f(static_cast<hox::EQuery>(10), f));
    EXPECT_EQ(42.0f, f);
    bool b = false;
    EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1b(hox::QUERY_PROGRESS, b));
    EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1b(hox::QUERY_RATE, b));
    EXPECT_FALSE(b);
}

}  // namespace
