#include "platform/clock.h"

#include <ctime>

namespace hox {
namespace platform {

uint64_t monotonicMicroseconds() {
    timespec now{};
    // CLOCK_MONOTONIC cannot fail with a valid pointer on Linux.
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

uint32_t monotonicMilliseconds() {
    return static_cast<uint32_t>(monotonicMicroseconds() / 1000u);
}

}  // namespace platform
}  // namespace hox
