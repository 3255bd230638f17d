#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "platform/clock.h"
#include "platform/thread_services.h"
#include "thread_test_support.h"

namespace {

using namespace vu_threads;
using vu_threads_test::FunctionThread;

TEST(ThreadServices, ReportsAtLeastOneProcessor) {
    EXPECT_GE(getNumProcessors(), 1u);
}

TEST(ThreadServices, KeepsLongThreadNamesInFull) {
    std::string seen;
    FunctionThread thread([&](FunctionThread&) {
        setThreadName("RenderEngineCluster Recv Thread");
        seen = currentThreadName();
    });
    ASSERT_EQ(thread.start(), 0);
    ASSERT_EQ(thread.waitForExit(5000), 0);
    EXPECT_EQ(seen, "RenderEngineCluster Recv Thread");
}

TEST(ThreadServices, OverlongAndNullNamesAreHandled) {
    std::string seen;
    FunctionThread thread([&](FunctionThread&) {
        setThreadName(std::string(500, 'x').c_str());
        setThreadName(nullptr);
        seen = currentThreadName();
    });
    ASSERT_EQ(thread.start(), 0);
    ASSERT_EQ(thread.waitForExit(5000), 0);
    EXPECT_EQ(seen, std::string(kThreadNameCapacity, 'x'));
    EXPECT_STREQ(currentThreadName(), "");  // names belong to their own thread
}

TEST(ThreadServices, SleepLastsAtLeastTheRequestedTime) {
    const uint64_t start = hox::platform::monotonicMicroseconds();
    EXPECT_EQ(sleepMicroseconds(3000), 0);
    EXPECT_GE(hox::platform::monotonicMicroseconds() - start, 3000u);
    EXPECT_EQ(sleepMicroseconds(0), 0);
}

TEST(Clock, MillisecondsFollowMicroseconds) {
    const uint64_t microBefore = hox::platform::monotonicMicroseconds();
    const uint32_t milliBefore = hox::platform::monotonicMilliseconds();
    ASSERT_EQ(sleepMicroseconds(5000), 0);
    const uint32_t milliElapsed = hox::platform::monotonicMilliseconds() - milliBefore;
    const uint64_t microElapsed = hox::platform::monotonicMicroseconds() - microBefore;
    EXPECT_GE(milliElapsed, 4u);  // whole milliseconds may straddle the edges
    EXPECT_LE(milliElapsed, microElapsed / 1000 + 1);
}

}  // namespace
