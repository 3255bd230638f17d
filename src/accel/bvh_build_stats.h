// What a BVH build counts about itself, and the report it can print.
//
// The counters are filled while the tree is built; finaliseBuildStats turns
// the sums into averages afterwards. Every ratio whose denominator is 0
// (no splits, no bad splits, no leaves) is reported as 0 rather than NaN.
#pragma once

#include <cstdint>

namespace hox {
namespace accel {

constexpr int kLeafSizeSlots = 6;    // leaves with 0, 1, 2, 3, 4 and 5+ primitives
constexpr int kDepthSlots = 64;      // leaves at depth 0 .. 63

struct BvhBuildStats {
    int32_t innerNodes = 0;
    int32_t leaves = 0;
    int32_t leafSizeHistogram[kLeafSizeSlots] = {};
    int32_t maxPrims = 0;
    int32_t depthHistogram[kDepthSlots] = {};
    int32_t minDepth = 0;
    int32_t maxDepth = 0;
    int32_t failedSplits = 0;
    int32_t splits = 0;
    int32_t badSplits = 0;
    int32_t earlyLeaves = 0;  // no rule of this builder makes one; kept for the report
    double badSplitFraction = 0.0;
    double badSplitPrims = 0.0;  // sum while building, average once finalised
    double costFraction = 0.0;   // sum while building, average once finalised
    uint32_t startTime = 0;      // build clock, milliseconds
    uint32_t endTime = 0;
    uint32_t leafPrims = 0;
    double avgPrims = 0.0;
    double avgDepth = 0.0;
};

// Milliseconds since the first call in this process (the build clock).
uint32_t buildClockMilliseconds();

// Counts a finished leaf. A depth beyond the last histogram slot is counted
// in the last slot; the builder keeps its trees shallower than that, so this
// is a guard, not a case that occurs.
void recordLeaf(BvhBuildStats& stats, int primCount, int depth);

// Counts a chosen SAH split of `primCount` primitives whose cost is
// `costFraction` of leaving the node unsplit.
void recordSahSplit(BvhBuildStats& stats, double costFraction, int primCount, double badThreshold);

// Records the end time and turns the sums into the averages and extremes.
void finaliseBuildStats(BvhBuildStats& stats);

// The report, one message (level 0) per line.
void printBuildStats(const BvhBuildStats& stats);

}  // namespace accel
}  // namespace hox
