// The library's millisecond clock: System::getTimeMsecs and every time
// reading of the device (statistics, sync time-outs) share one base.
//
// hox::Init restarts the clock, so host times start near 0 after each Init.
// Readings are unsigned 32-bit and wrap; callers take unsigned differences.
#pragma once

#include <cstdint>

namespace hox {
namespace device {

// Sets the base to now and marks the clock started.
void restartClock();
// Milliseconds since the base; starts the clock on first use.
uint32_t clockMsecs();

}  // namespace device
}  // namespace hox
