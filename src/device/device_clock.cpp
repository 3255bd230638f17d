#include "device/device_clock.h"

#include <atomic>

#include "platform/clock.h"

namespace hox {
namespace device {

namespace {

// Atomics: render threads may read the clock while the host restarts it.
std::atomic<bool> g_started{false};
std::atomic<uint32_t> g_base{0};

}  // namespace

void restartClock() {
    g_base.store(platform::monotonicMilliseconds(), std::memory_order_relaxed);
    g_started.store(true, std::memory_order_release);
}

uint32_t clockMsecs() {
    if (!g_started.load(std::memory_order_acquire)) restartClock();
    return platform::monotonicMilliseconds() - g_base.load(std::memory_order_relaxed);
}

}  // namespace device
}  // namespace hox
