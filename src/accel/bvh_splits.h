// The three ways the builder cuts a node in two, tried in this order:
// binned SAH, spatial median (on the longest axis, then the second), and
// count halving, which cannot fail. Each one permutes the node's run of the
// index array in place and fills the two child tasks (ranges, tight bounds,
// centroid bounds, split boxes); node slots and depths are the caller's.
#pragma once

#include <cstdint>

#include "accel/bvh_build_stats.h"
#include "accel/bvh_build_task.h"
#include "trace/bvh_nodes.h"

namespace hox {
namespace accel {

constexpr int kMaxSahBins = 32;
constexpr int kSpatialMedianTries = 8;

// The primitive boxes (indexed by primitive number) and the index array the
// tasks' runs refer to.
struct SplitInput {
    const trace::PrimBounds* prims;
    int32_t* indices;
};

struct SahSettings {
    int numBins;              // clamped to [2, kMaxSahBins] by the split
    bool binOverCentroids;    // false: bin over the node's tight bounds
    double badSplitThreshold; // cost fraction above which a split counts as bad
};

// Binned SAH over x, y, z. Returns the split axis, or -1 when no plane has
// primitives on both sides (counted in failedSplits) or when the partition
// at the chosen plane leaves a side empty (not counted).
int binnedSahSplit(const SplitInput& in, const BvhBuildTask& task, const SahSettings& settings,
                   BvhBuildStats& stats, BvhBuildTask& left, BvhBuildTask& right);

// Cuts `splitBox` in half on `axis`; when a side stays empty (each such try
// counts in failedSplits) retries on the half holding everything, up to
// `tries` attempts in all. True when both children got primitives.
bool spatialMedianSplit(const SplitInput& in, const BvhBuildTask& task, int axis, int tries,
                        BvhBuildStats& stats, BvhBuildTask& left, BvhBuildTask& right);

// First floor(n / 2) entries left, the rest right, in their current order;
// each child's split box is its tight bounds. Needs at least 2 primitives.
void countHalvingSplit(const SplitInput& in, const BvhBuildTask& task, BvhBuildTask& left,
                       BvhBuildTask& right);

// The longest axis of `box` (a1) and the longer of the other two (a2), with
// the tie rules the median fallback has always used.
void chooseMedianAxes(const BuildBox& box, int& a1, int& a2);

}  // namespace accel
}  // namespace hox
