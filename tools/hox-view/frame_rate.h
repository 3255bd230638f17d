// Frames per second over the last second or so: steady enough to read in
// a title bar, quick enough to follow a change of load.
#pragma once

#include <deque>

namespace hox_view {

class FrameRate {
public:
    // A frame reached the window at `seconds` (any steady clock).
    void frameShown(double seconds);
    // 0 until two frames were seen.
    double perSecond() const;

private:
    std::deque<double> m_times;
};

}  // namespace hox_view
