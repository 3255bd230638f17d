#include "frame_rate.h"

#include <cstddef>

namespace hox_view {

namespace {

constexpr double kWindowSeconds = 1.0;
// Enough to average over when frames come fast; the window bounds it anyway.
constexpr std::size_t kMaxFrames = 240;

}  // namespace

void FrameRate::frameShown(double seconds) {
    m_times.push_back(seconds);
    // Keep one frame older than the window, so the span covers it fully.
    while (m_times.size() > 2 && (seconds - m_times[1] > kWindowSeconds || m_times.size() > kMaxFrames))
        m_times.pop_front();
}

double FrameRate::perSecond() const {
    if (m_times.size() < 2) return 0.0;
    const double span = m_times.back() - m_times.front();
    return span > 0.0 ? static_cast<double>(m_times.size() - 1) / span : 0.0;
}

}  // namespace hox_view
