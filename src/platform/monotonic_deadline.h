// Absolute CLOCK_MONOTONIC deadlines for the timed waits and sleeps of the
// platform layer. Internal to src/platform: the waits compute the deadline
// once and re-use it, so that spurious wake-ups and EINTR restarts do not
// stretch the total time.
#pragma once

#include <cstdint>
#include <ctime>

namespace hox {
namespace platform {

inline timespec monotonicDeadlineAfter(uint64_t nanoseconds) {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    const uint64_t total = static_cast<uint64_t>(t.tv_nsec) + nanoseconds % 1000000000u;
    t.tv_sec += static_cast<time_t>(nanoseconds / 1000000000u + total / 1000000000u);
    t.tv_nsec = static_cast<long>(total % 1000000000u);
    return t;
}

inline timespec monotonicDeadlineAfterMilliseconds(unsigned milliseconds) {
    return monotonicDeadlineAfter(static_cast<uint64_t>(milliseconds) * 1000000u);
}

}  // namespace platform
}  // namespace hox
