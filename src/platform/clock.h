// The library's monotonic clocks.
//
// Both read the system's monotonic clock, so they never jump when the wall
// clock is set. The millisecond reading is deliberately 32 bits wide and
// wraps after about 49.7 days, like the multimedia timer the frame
// statistics were designed around: callers take differences as unsigned
// 32-bit values, which stay correct across the wrap.
#pragma once

#include <cstdint>

namespace hox {
namespace platform {

// Milliseconds since an arbitrary fixed point; wraps modulo 2^32.
uint32_t monotonicMilliseconds();

// Microseconds since the same kind of fixed point; does not wrap in practice.
uint64_t monotonicMicroseconds();

}  // namespace platform
}  // namespace hox
