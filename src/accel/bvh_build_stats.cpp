#include "accel/bvh_build_stats.h"

#include "platform/clock.h"
#include "util/messages.h"

namespace hox {
namespace accel {
namespace {

// Quotients of the report: a zero denominator (nothing of that kind
// happened) reads as 0, never as NaN or inf.
double ratio(double numerator, double denominator) { return denominator != 0.0 ? numerator / denominator : 0.0; }

// The share columns are computed in single precision, like the rest of the
// report's percentages were designed to be.
double percentF(int32_t part, int32_t whole) {
    float share = whole != 0 ? static_cast<float>(part) / static_cast<float>(whole) * 100.0f : 0.0f;
    return static_cast<double>(share);
}

}  // namespace

uint32_t buildClockMilliseconds() {
    // Set once per process on first use; every build measures against it.
    static const uint32_t epoch = platform::monotonicMilliseconds();
    return platform::monotonicMilliseconds() - epoch;
}

void recordLeaf(BvhBuildStats& stats, int primCount, int depth) {
    int sizeSlot = primCount < kLeafSizeSlots - 1 ? primCount : kLeafSizeSlots - 1;
    if (sizeSlot < 0) sizeSlot = 0;
    int depthSlot = depth < kDepthSlots ? depth : kDepthSlots - 1;
    if (depthSlot < 0) depthSlot = 0;
    stats.leafSizeHistogram[sizeSlot] += 1;
    stats.depthHistogram[depthSlot] += 1;
    stats.leafPrims += static_cast<uint32_t>(primCount);
    if (primCount > stats.maxPrims) stats.maxPrims = primCount;
    stats.leaves += 1;
}

void recordSahSplit(BvhBuildStats& stats, double costFraction, int primCount, double badThreshold) {
    if (costFraction > badThreshold) {
        stats.badSplits += 1;
        stats.badSplitPrims += primCount;
    }
    stats.splits += 1;
    stats.costFraction += costFraction;
}

void finaliseBuildStats(BvhBuildStats& stats) {
    stats.endTime = buildClockMilliseconds();
    double depthSum = 0.0;
    for (int d = 0; d < kDepthSlots; ++d) {
        if (stats.depthHistogram[d] <= 0) continue;
        stats.maxDepth = d;
        if (stats.minDepth == 0) stats.minDepth = d;
        depthSum += static_cast<double>(d) * stats.depthHistogram[d];
    }
    stats.avgDepth = ratio(depthSum, stats.leaves);
    stats.avgPrims = ratio(stats.leafPrims, stats.leaves);
    stats.badSplitFraction = ratio(stats.badSplits, stats.splits);
    stats.costFraction = ratio(stats.costFraction, stats.splits);
    stats.badSplitPrims = ratio(stats.badSplitPrims, stats.badSplits);
}

void printBuildStats(const BvhBuildStats& s) {
    using util::message;
    message(0, "Hierarchy built in %d ms", static_cast<int>(s.endTime - s.startTime));
    message(0, "-------------------------------------------------------------");
    message(0, "Nodes:            %d", s.innerNodes);
    message(0, "Leaves:           %d", s.leaves);
    message(0, "Depth:            min: %d   max: %d   avg: %1.1f", s.minDepth, s.maxDepth, s.avgDepth);
    message(0, "Avg prims:        %1.1f", s.avgPrims);
    message(0, "Max prims:        %d", s.maxPrims);
    message(0, "Failed splits:    %d", s.failedSplits);
    message(0, "Bad splits:       %d (%1.3f percent, avg prims: %1.1f)", s.badSplits, s.badSplitFraction * 100.0,
            s.badSplitPrims);
    message(0, "Early leaves:     %d (%1.3f percent of bad splits)", s.earlyLeaves,
            percentF(s.earlyLeaves, s.badSplits));
    message(0, "Avg cost fract:   %1.2f", s.costFraction);

    static const char* const kSizeLines[kLeafSizeSlots] = {
        "0 prims:          %d (%1.1f percent)", "1 prim:           %d (%1.1f percent)",
        "2 prims:          %d (%1.1f percent)", "3 prims:          %d (%1.1f percent)",
        "4 prims:          %d (%1.1f percent)", "5+ prims:         %d (%1.1f percent)",
    };
    for (int i = 0; i < kLeafSizeSlots; ++i) {
        int32_t count = s.leafSizeHistogram[i];
        message(0, kSizeLines[i], count, percentF(count, s.leaves));
    }

    int32_t cumulative = 0;
    for (int d = s.minDepth; d <= s.maxDepth && d < kDepthSlots; ++d) {
        if (d < 0) continue;
        cumulative += s.depthHistogram[d];
        message(0, "depth %d:         %d (%1.1f percent)", d, s.depthHistogram[d], percentF(cumulative, s.leaves));
    }
}

}  // namespace accel
}  // namespace hox
