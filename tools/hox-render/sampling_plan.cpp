#include "sampling_plan.h"

#include <algorithm>

namespace hox_render {

namespace {

// The library's highest sampling rate: 4^4 = 256 samples per pixel.
constexpr int kTopRate = 4;
// Passes per refinement when the rate allows: 4^2.
constexpr int kPassRateSpan = 2;

int smallestRateReaching(int count) {
    int rate = 0;
    while (rate < kTopRate && (1 << (2 * rate)) < count) ++rate;
    return rate;
}

}  // namespace

SamplingPlan planSampling(int samplesPerPixel, int passes) {
    SamplingPlan plan;
    if (passes > 0) {
        plan.rate = 0;
        plan.maxRate = smallestRateReaching(passes);
        plan.maxFrames = passes;
        plan.targetDensity = 0.0f;
        return plan;
    }
    plan.maxRate = smallestRateReaching(std::max(samplesPerPixel, 1));
    plan.rate = std::max(0, plan.maxRate - kPassRateSpan);
    const int passCount = 1 << (2 * (plan.maxRate - plan.rate));
    plan.targetDensity = static_cast<float>(1 << (2 * plan.maxRate));
    // The first frame after an edit restarts the accumulation and reports
    // the density of one pass, so reaching passCount passes takes one frame
    // more; one further frame is a safety margin, never needed when the
    // density is reported.
    plan.maxFrames = passCount + 2;
    return plan;
}

}  // namespace hox_render
